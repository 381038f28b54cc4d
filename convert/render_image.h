// The finished picture of `qev3ds render`: supersampled bands averaged down
// to 8-bit pixels, then written as PNG by stb_image_write.
#pragma once

#include <string>
#include <vector>

#include "render_raster.h"

namespace qev::convert {

class Picture {
 public:
  // channels 3 (RGB, over an opaque background) or 4 (RGBA, premultiplied
  // samples turned back into straight alpha).
  Picture(int width, int height, int channels);

  // Averages each scale x scale block of samples of band into one pixel;
  // the band's top and rows are multiples of scale.
  void take_band(const Band& band, int scale);

  // Writes the PNG to a temporary file renamed over path once whole.
  bool write_png(const std::string& path, std::string& error) const;

 private:
  int width_, height_, channels_;
  std::vector<unsigned char> pixels_;
};

}  // namespace qev::convert
