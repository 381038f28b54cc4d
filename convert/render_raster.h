// The rasterizer of `qev3ds render`: triangles filled sample by sample into
// a band of a picture with a depth per sample, so that whatever lies nearer
// hides what lies behind it, whatever the sizes of the faces.
#pragma once

#include <cstdint>
#include <memory>

namespace qev::convert {

class Texture;

// Fixed-point sample coordinates carry this many bits of fraction.
inline constexpr int kSubpixelBits = 8;

// A triangle ready to draw. The views are orthographic, so depth, light and
// mapping coordinates vary linearly across the picture and interpolating
// them affinely (by barycentric weights in the picture) is exact: no
// perspective correction is needed.
struct RasterTriangle {
  std::int32_t x[3], y[3];   // sample coordinates in fixed point, y down
  float z[3];                // depth along the view, larger is farther
  float shade[3];            // light at each corner, multiplies the colour
  float u[3], v[3];          // mapping coordinates, used with texture
  float colour[3];           // the face's colour, 0 to 255 per component
  float alpha = 1;           // 1 - transparency
  float texture_weight = 0;  // 1: the texture replaces the colour
  const Texture* texture = nullptr;
};

// Colour with alpha premultiplied (0 to 255), and depth.
struct Sample {
  float r, g, b, a;
};

// A horizontal band of the supersampled picture: rows [top, top + rows).
class Band {
 public:
  Band(int width, int rows);
  // Starts the band at row top: every sample the background, every depth
  // infinitely far.
  void clear(int top, const Sample& background);
  int width() const { return width_; }
  int top() const { return top_; }
  int rows() const { return rows_; }
  const Sample* row(int r) const { return &samples_[static_cast<std::size_t>(r) * width_]; }
  // The first and last supersampled rows t can touch.
  static int first_row(const RasterTriangle& t);
  static int last_row(const RasterTriangle& t);

  // Draws t where it is nearer than what is there. An opaque triangle
  // replaces colour and depth; a translucent one is blended over the colour
  // and leaves the depth, so translucent faces go after every opaque one,
  // far to near.
  void draw(const RasterTriangle& t);

 private:
  int width_, rows_, top_ = 0;
  std::unique_ptr<Sample[]> samples_;  // cleared before each use
  std::unique_ptr<float[]> depth_;
};

}  // namespace qev::convert
