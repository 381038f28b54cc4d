#include "render_texture.h"

#include <cmath>

#include "referenced_files.h"
#include "texture_files.h"

namespace qev::convert {

Texture::Texture(int width, int height, std::vector<unsigned char> rgb)
    : width_(width), height_(height), rgb_(std::move(rgb)) {}

void Texture::sample(float u, float v, float rgb[3]) const {
  // Texel centres at (i + 1/2) / width; row 0 is the top of the image.
  float fx = u * static_cast<float>(width_) - 0.5f;
  float fy = (1.0f - v) * static_cast<float>(height_) - 0.5f;
  if (!std::isfinite(fx) || !std::isfinite(fy)) fx = fy = 0;
  const float flx = std::floor(fx), fly = std::floor(fy);
  const float ax = fx - flx, ay = fy - fly;
  const auto wrap = [](float f, int n) {
    // f is whole; a coordinate far outside the map still wraps exactly.
    const double m = std::fmod(static_cast<double>(f), static_cast<double>(n));
    const int i = std::isfinite(m) ? static_cast<int>(m) : 0;
    return i < 0 ? i + n : i;
  };
  const int x0 = wrap(flx, width_), y0 = wrap(fly, height_);
  const int x1 = x0 + 1 == width_ ? 0 : x0 + 1, y1 = y0 + 1 == height_ ? 0 : y0 + 1;
  const auto at = [&](int x, int y) {
    return &rgb_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                  static_cast<std::size_t>(x)) *
                 3];
  };
  const unsigned char *p00 = at(x0, y0), *p10 = at(x1, y0), *p01 = at(x0, y1), *p11 = at(x1, y1);
  for (int c = 0; c < 3; ++c) {
    const float top = p00[c] + (p10[c] - p00[c]) * ax;
    const float bottom = p01[c] + (p11[c] - p01[c]) * ax;
    rgb[c] = top + (bottom - top) * ay;
  }
}

TextureCache::TextureCache(const ReferencedFiles* files, ImportWarnings warnings)
    : files_(files), warnings_(warnings) {}

const Texture* TextureCache::find(const std::string& name) {
  const auto known = textures_.find(name);
  if (known != textures_.end()) return known->second.get();
  std::unique_ptr<Texture>& slot = textures_[name];
  const auto missing = [&](const std::string& why) {
    warnings_.add("texture \"" + name + "\" is not drawn: " + why +
                  "; its faces are drawn in their colour");
    return nullptr;
  };
  if (files_ == nullptr) return missing("no folder to look for it in was given");
  std::string bytes, why;
  std::filesystem::path source;
  if (!read_texture(*files_, name, bytes, source, why)) return missing(why);
  DecodedImage image;
  if (!decode_image(bytes, 3, image, why)) return missing(why);
  slot = std::make_unique<Texture>(image.width, image.height, std::move(image.pixels));
  return slot.get();
}

}  // namespace qev::convert
