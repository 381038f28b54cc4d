#include "text_encoding.h"

namespace qev::convert {
namespace {

// The length of the UTF-8 character at s[i], or 0 when the bytes there are
// not one.
std::size_t char_length(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) return 1;
  std::size_t n;
  unsigned lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;  // overlong
    if (c == 0xF4) hi = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (b(i + 1) < lo || b(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < n; ++k)
    if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
  return n;
}

}  // namespace

bool is_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = char_length(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string utf8_text(std::string_view s) {
  if (is_utf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() * 2);
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::size_t utf8_prefix_length(std::string_view s, std::size_t max_bytes) {
  if (s.size() <= max_bytes) return s.size();
  if (!is_utf8(s)) return max_bytes;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t n = char_length(s, i);
    if (i + n > max_bytes) break;
    i += n;
  }
  return i;
}

}  // namespace qev::convert
