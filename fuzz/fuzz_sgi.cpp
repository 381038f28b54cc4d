// Fuzz target: the bytes are an SGI image, the texture format 3DS files of
// the 1990s name. A refused image is fine; a crash, a read past the bytes
// or a decoded image whose pixels do not fill its size is not.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sgi_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  qev::convert::SgiImage image;
  std::string why;
  if (!qev::convert::decode_sgi(input, 1 << 20, image, why)) return 0;
  const std::size_t expected =
      std::size_t(image.width) * std::size_t(image.height) * std::size_t(image.channels);
  if (image.channels < 1 || image.channels > 4 || image.pixels.size() != expected) std::abort();
  return 0;
}
