// The SGI image file: a 512-byte big-endian header, then each channel's
// rows from the bottom up, either verbatim or as run-length encoded rows
// found through a table of offsets and lengths.
#include "sgi_image.h"

#include <cstdint>

namespace qev::convert {
namespace {

constexpr std::size_t kHeader = 512;

std::uint32_t be(const std::string& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | static_cast<unsigned char>(b[at + std::size_t(i)]);
  return v;
}

// One run-length encoded row into out (width bytes at a stride of
// channels); false when it reaches past its data or overfills the row.
bool rle_row(const std::string& b, std::size_t at, std::size_t length, unsigned char* out,
             std::size_t width, std::size_t stride) {
  if (at > b.size() || length > b.size() - at) return false;
  const std::size_t end = at + length;
  std::size_t x = 0;
  while (at < end) {
    const unsigned char op = static_cast<unsigned char>(b[at++]);
    const std::size_t count = op & 0x7F;
    if (count == 0) break;
    if (x + count > width) return false;
    if (op & 0x80) {
      if (count > end - at) return false;
      for (std::size_t i = 0; i < count; ++i)
        out[(x++) * stride] = static_cast<unsigned char>(b[at++]);
    } else {
      if (at >= end) return false;
      const unsigned char value = static_cast<unsigned char>(b[at++]);
      for (std::size_t i = 0; i < count; ++i) out[(x++) * stride] = value;
    }
  }
  return true;  // a short row keeps zeros, as other readers do
}

}  // namespace

bool is_sgi(const std::string& bytes) { return bytes.size() >= 2 && be(bytes, 0, 2) == 474; }

bool decode_sgi(const std::string& b, long long max_pixels, SgiImage& image, std::string& why) {
  image = SgiImage{};
  if (!is_sgi(b) || b.size() < kHeader) {
    why = "not an SGI image";
    return false;
  }
  const unsigned storage = be(b, 2, 1), bpc = be(b, 3, 1), dimension = be(b, 4, 2);
  std::size_t width = be(b, 6, 2), height = be(b, 8, 2), channels = be(b, 10, 2);
  if (dimension == 1) height = 1;
  if (dimension <= 2) channels = 1;
  if (bpc != 1 || storage > 1 || dimension < 1 || dimension > 3 || be(b, 104, 4) != 0) {
    why = "an SGI image other than 8-bit, verbatim or run-length encoded, without colour map";
    return false;
  }
  if (width == 0 || height == 0 || channels < 1 || channels > 4) {
    why = "an SGI image without pixels or with more than 4 channels";
    return false;
  }
  if (static_cast<long long>(width) * static_cast<long long>(height) > max_pixels) {
    why = "an SGI image of " + std::to_string(width) + " x " + std::to_string(height) +
          " pixels, more than this tool converts";
    return false;
  }
  std::vector<unsigned char> pixels(width * height * channels, 0);
  for (std::size_t c = 0; c < channels; ++c) {
    for (std::size_t y = 0; y < height; ++y) {
      unsigned char* out = &pixels[((height - 1 - y) * width) * channels + c];  // bottom row first
      const std::size_t row = c * height + y;
      if (storage == 0) {
        const std::size_t at = kHeader + row * width;
        if (at + width > b.size()) {
          why = "the SGI image ends before its last row";
          return false;
        }
        for (std::size_t x = 0; x < width; ++x)
          out[x * channels] = static_cast<unsigned char>(b[at + x]);
        continue;
      }
      const std::size_t rows = height * channels;
      const std::size_t table = kHeader + 4 * row, lengths = kHeader + 4 * (rows + row);
      if (lengths + 4 > b.size()) {
        why = "the SGI image's row table reaches past its end";
        return false;
      }
      if (!rle_row(b, be(b, table, 4), be(b, lengths, 4), out, width, channels)) {
        why = "a run-length encoded row of the SGI image reaches past its data or its width";
        return false;
      }
    }
  }
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.channels = static_cast<int>(channels);
  image.pixels = std::move(pixels);
  return true;
}

}  // namespace qev::convert
