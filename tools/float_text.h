// Numbers as text: the shortest decimal that reads back as the same float.
#pragma once

#include <charconv>
#include <string>

namespace qev::tool {

inline std::string float_text(float v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace qev::tool
