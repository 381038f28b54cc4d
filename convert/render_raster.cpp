// Edge functions in integers: a sample belongs to a triangle when it lies
// inside all three edges, or on an edge that the fill rule gives to this
// triangle, so faces sharing an edge neither overlap nor leave a gap.
#include "render_raster.h"

#include <algorithm>
#include <limits>

#include "render_texture.h"

namespace qev::convert {
namespace {

constexpr std::int64_t kOne = std::int64_t{1} << kSubpixelBits;
constexpr std::int64_t kHalf = kOne / 2;

// Twice the signed area of a, b, p in fixed point squared.
std::int64_t edge(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by,
                  std::int64_t px, std::int64_t py) {
  return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

// Whether samples exactly on edge a->b are inside: of two triangles with the
// same winding that share the edge, one runs it a->b and the other b->a, and
// exactly one of the two directions passes.
bool owns_edge(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by) {
  return by > ay || (by == ay && bx < ax);
}

// The first sample index whose centre (i + 1/2) is at or after fixed-point
// coordinate v, and the last at or before it.
std::int64_t first_sample(std::int64_t v) {
  const std::int64_t t = v - kHalf;
  return t >= 0 ? (t + kOne - 1) / kOne : -((-t) / kOne);
}
std::int64_t last_sample(std::int64_t v) {
  const std::int64_t t = v - kHalf;
  return t >= 0 ? t / kOne : -((-t + kOne - 1) / kOne);
}

}  // namespace

Band::Band(int width, int rows)
    : width_(width),
      rows_(rows),
      samples_(new Sample[static_cast<std::size_t>(width) * static_cast<std::size_t>(rows)]),
      depth_(new float[static_cast<std::size_t>(width) * static_cast<std::size_t>(rows)]) {}

void Band::clear(int top, const Sample& background) {
  top_ = top;
  const std::size_t n = static_cast<std::size_t>(width_) * static_cast<std::size_t>(rows_);
  std::fill(samples_.get(), samples_.get() + n, background);
  std::fill(depth_.get(), depth_.get() + n, std::numeric_limits<float>::infinity());
}

int Band::first_row(const RasterTriangle& t) {
  return static_cast<int>(first_sample(std::min({t.y[0], t.y[1], t.y[2]})));
}

int Band::last_row(const RasterTriangle& t) {
  return static_cast<int>(last_sample(std::max({t.y[0], t.y[1], t.y[2]})));
}

void Band::draw(const RasterTriangle& t) {
  // Corners in counter-clockwise order on the screen (y down), whatever
  // side of the face is seen.
  int i0 = 0, i1 = 1, i2 = 2;
  std::int64_t area = edge(t.x[0], t.y[0], t.x[1], t.y[1], t.x[2], t.y[2]);
  if (area == 0) return;
  if (area < 0) std::swap(i1, i2), area = -area;
  const std::int64_t x0 = t.x[i0], y0 = t.y[i0], x1 = t.x[i1], y1 = t.y[i1], x2 = t.x[i2],
                     y2 = t.y[i2];

  const std::int64_t lo_x = std::max<std::int64_t>(first_sample(std::min({x0, x1, x2})), 0);
  const std::int64_t hi_x = std::min<std::int64_t>(last_sample(std::max({x0, x1, x2})), width_ - 1);
  const std::int64_t lo_y = std::max<std::int64_t>(first_sample(std::min({y0, y1, y2})), top_);
  const std::int64_t hi_y =
      std::min<std::int64_t>(last_sample(std::max({y0, y1, y2})), top_ + rows_ - 1);
  if (lo_x > hi_x || lo_y > hi_y) return;

  // Edge k faces corner k; a bias of -1 turns ">= 0" into "> 0" on edges
  // this triangle does not own.
  const std::int64_t bias0 = owns_edge(x1, y1, x2, y2) ? 0 : -1;
  const std::int64_t bias1 = owns_edge(x2, y2, x0, y0) ? 0 : -1;
  const std::int64_t bias2 = owns_edge(x0, y0, x1, y1) ? 0 : -1;
  const std::int64_t px = lo_x * kOne + kHalf, py = lo_y * kOne + kHalf;
  std::int64_t row0 = edge(x1, y1, x2, y2, px, py);
  std::int64_t row1 = edge(x2, y2, x0, y0, px, py);
  std::int64_t row2 = edge(x0, y0, x1, y1, px, py);
  const std::int64_t dx0 = -(y2 - y1) * kOne, dy0 = (x2 - x1) * kOne;
  const std::int64_t dx1 = -(y0 - y2) * kOne, dy1 = (x0 - x2) * kOne;
  const std::int64_t dx2 = -(y1 - y0) * kOne, dy2 = (x1 - x0) * kOne;

  // Attributes as a + w1 * (b - a) + w2 * (c - a), w the weights of the
  // counter-clockwise corners 1 and 2.
  const double inv_area = 1.0 / static_cast<double>(area);
  const auto plane = [&](const float* f, float& base, float& d1, float& d2) {
    base = f[i0];
    d1 = f[i1] - f[i0];
    d2 = f[i2] - f[i0];
  };
  float z, zd1, zd2, s, sd1, sd2, u, ud1, ud2, v, vd1, vd2;
  plane(t.z, z, zd1, zd2);
  plane(t.shade, s, sd1, sd2);
  plane(t.u, u, ud1, ud2);
  plane(t.v, v, vd1, vd2);
  const bool opaque = t.alpha >= 1;
  const float alpha = t.alpha, keep = 1 - t.alpha;
  const float tw = t.texture != nullptr ? t.texture_weight : 0, cw = 1 - tw;

  for (std::int64_t y = lo_y; y <= hi_y; ++y) {
    std::int64_t e0 = row0, e1 = row1, e2 = row2;
    const std::size_t base = static_cast<std::size_t>(y - top_) * static_cast<std::size_t>(width_);
    for (std::int64_t x = lo_x; x <= hi_x; ++x) {
      if (((e0 + bias0) | (e1 + bias1) | (e2 + bias2)) >= 0) {
        const float w1 = static_cast<float>(static_cast<double>(e1) * inv_area);
        const float w2 = static_cast<float>(static_cast<double>(e2) * inv_area);
        const float depth = z + w1 * zd1 + w2 * zd2;
        const std::size_t at = base + static_cast<std::size_t>(x);
        if (depth < depth_[at]) {
          const float shade = s + w1 * sd1 + w2 * sd2;
          float r = t.colour[0], g = t.colour[1], b = t.colour[2];
          if (tw > 0) {
            float texel[3];
            t.texture->sample(u + w1 * ud1 + w2 * ud2, v + w1 * vd1 + w2 * vd2, texel);
            r = r * cw + texel[0] * tw;
            g = g * cw + texel[1] * tw;
            b = b * cw + texel[2] * tw;
          }
          Sample& out = samples_[at];
          if (opaque) {
            out = {r * shade, g * shade, b * shade, 255.0f};
            depth_[at] = depth;
          } else {
            out.r = r * shade * alpha + out.r * keep;
            out.g = g * shade * alpha + out.g * keep;
            out.b = b * shade * alpha + out.b * keep;
            out.a = 255.0f * alpha + out.a * keep;
          }
        }
      }
      e0 += dx0, e1 += dx1, e2 += dx2;
    }
    row0 += dy0, row1 += dy1, row2 += dy2;
  }
}

}  // namespace qev::convert
