// 3DS names are 8-bit text in no stated encoding; JSON and glTF need UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qev::convert {

// Whether s is well-formed UTF-8 (no overlong forms, surrogates or values
// past U+10FFFF).
bool is_utf8(std::string_view s);

// s as UTF-8: kept when it already is, else every byte read as Latin-1.
std::string utf8_text(std::string_view s);

// The longest prefix of s of at most max_bytes bytes that does not end in
// the middle of a UTF-8 character (s not being UTF-8, simply max_bytes).
std::size_t utf8_prefix_length(std::string_view s, std::size_t max_bytes);

}  // namespace qev::convert
