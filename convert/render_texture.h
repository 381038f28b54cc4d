// Texture maps for `qev3ds render`: found only where the tool may look
// (ReferencedFiles), decoded by stb_image, sampled with tiling.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "import_warnings.h"

namespace qev::convert {

class ReferencedFiles;

class Texture {
 public:
  Texture(int width, int height, std::vector<unsigned char> rgb);
  // The colour (0 to 255 per component) at mapping coordinates u, v, with
  // bilinear filtering; the map repeats in both directions. v runs up the
  // image, as 3DS mapping coordinates do.
  void sample(float u, float v, float rgb[3]) const;

 private:
  int width_, height_;
  std::vector<unsigned char> rgb_;
};

// Each texture name decoded once per picture.
class TextureCache {
 public:
  // files null: no folder to look in, every texture is reported missing.
  TextureCache(const ReferencedFiles* files, ImportWarnings warnings);
  // The texture a name stands for, or null, said once per name in a
  // warning, when it cannot be found or decoded.
  const Texture* find(const std::string& name);

 private:
  const ReferencedFiles* files_;
  ImportWarnings warnings_;
  std::map<std::string, std::unique_ptr<Texture>, std::less<>> textures_;
};

}  // namespace qev::convert
