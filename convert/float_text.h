// Numbers as text: the shortest decimal that reads back as the same float.
#pragma once

#include <charconv>
#include <string>

namespace qev::convert {

inline std::string float_text(float v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// The double nearest the float's shortest decimal text. JSON writers print
// a double as its own shortest text, so a glTF gets "0.2158605" for the
// float meant, the same on every platform, not the digits of a double that
// one runtime's arithmetic happened to produce.
inline double json_number(float v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  double d = v;
  std::from_chars(buf, r.ptr, d);
  return d;
}

}  // namespace qev::convert
