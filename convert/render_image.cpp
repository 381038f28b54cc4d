#include "render_image.h"

#include <stb_image_write.h>

#include <cmath>
#include <ostream>

#include "output_file.h"

namespace qev::convert {
namespace {

unsigned char byte_of(float v) {
  if (!(v > 0)) return 0;  // NaN too
  if (v >= 255) return 255;
  return static_cast<unsigned char>(std::floor(v + 0.5f));
}

void append_to(void* context, void* data, int size) {
  static_cast<std::ostream*>(context)->write(static_cast<const char*>(data), size);
}

}  // namespace

Picture::Picture(int width, int height, int channels)
    : width_(width),
      height_(height),
      channels_(channels),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
              static_cast<std::size_t>(channels)) {}

void Picture::take_band(const Band& band, int scale) {
  const float n = static_cast<float>(scale * scale);
  for (int r = 0; r + scale <= band.rows(); r += scale) {
    const int y = (band.top() + r) / scale;
    if (y >= height_) break;
    unsigned char* out = &pixels_[static_cast<std::size_t>(y) * width_ * channels_];
    for (int x = 0; x < width_; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (int dy = 0; dy < scale; ++dy) {
        const Sample* s = band.row(r + dy) + static_cast<std::ptrdiff_t>(x) * scale;
        for (int dx = 0; dx < scale; ++dx) {
          sum[0] += s[dx].r, sum[1] += s[dx].g, sum[2] += s[dx].b, sum[3] += s[dx].a;
        }
      }
      if (channels_ == 3) {
        for (int c = 0; c < 3; ++c) out[c] = byte_of(sum[c] / n);
      } else {
        // Straight alpha: the colour where there is any coverage at all.
        const float a = sum[3] / n;
        for (int c = 0; c < 3; ++c) out[c] = a > 0 ? byte_of(sum[c] / sum[3] * 255.0f) : 0;
        out[3] = byte_of(a);
      }
      out += channels_;
    }
  }
}

bool Picture::write_png(const std::string& path, std::string& error) const {
  OutputFile file;
  if (!file.open(path, error)) return false;
  if (stbi_write_png_to_func(append_to, &file.stream(), width_, height_, channels_, pixels_.data(),
                             width_ * channels_) == 0) {
    error = "cannot encode the picture as PNG";
    return false;
  }
  return file.commit(error);
}

}  // namespace qev::convert
