// SGI images (.rgb, .rgba, .bw, .sgi), which 3DS files of the 1990s name
// as textures: 8 bits a channel, 1 to 4 channels, stored verbatim or
// run-length encoded. Decoded here so they can travel as PNG.
#pragma once

#include <string>
#include <vector>

namespace qev::convert {

struct SgiImage {
  int width = 0, height = 0, channels = 0;
  std::vector<unsigned char> pixels;  // interleaved, top row first
};

// Whether bytes start with the SGI magic number (474, big-endian).
bool is_sgi(const std::string& bytes);

// Decodes bytes; false with why when they are not an SGI image this
// decoder reads (16-bit channels, colour maps, more than 4 channels), when
// the image holds more than max_pixels pixels, or when a row reaches past
// the data.
bool decode_sgi(const std::string& bytes, long long max_pixels, SgiImage& image, std::string& why);

}  // namespace qev::convert
