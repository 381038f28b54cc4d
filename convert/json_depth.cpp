// Measuring JSON nesting with one pass over the text.
#include "json_depth.h"

#include <cstdint>

namespace qev::convert {

bool json_depth_within(std::string_view text, std::size_t limit) {
  std::size_t depth = 0;
  bool in_string = false, escaped = false;
  for (const char c : text) {
    if (in_string) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return true;
}

std::string_view gltf_json_text(std::string_view bytes, bool binary) {
  if (!binary) return bytes;
  // A .glb: a 12-byte header, then the JSON chunk's length, its type and
  // its bytes.
  constexpr std::size_t kJsonStart = 20;
  if (bytes.size() < kJsonStart) return {};
  std::uint32_t length = 0;
  for (int i = 3; i >= 0; --i)
    length = (length << 8) | static_cast<unsigned char>(bytes[12 + std::size_t(i)]);
  return bytes.substr(kJsonStart, length);
}

}  // namespace qev::convert
