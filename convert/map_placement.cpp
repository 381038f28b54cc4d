#include "map_placement.h"

#include <cmath>

namespace qev::convert {

namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

float map_amount(const qev3ds::Look& look) {
  const int percentage = look.material != nullptr ? look.material->map_percentage : 0;
  return percentage <= 0 || percentage >= 100 ? 1.0f : static_cast<float>(percentage) / 100.0f;
}

void place_uv(const qev3ds::TextureMap& map, float& u, float& v) {
  if (!map.placed()) return;
  double x = u, y = v;
  if (map.rotation != 0.0f) {
    const double a = static_cast<double>(map.rotation) * kPi / 180.0;
    const double dx = x - 0.5, dy = y - 0.5;
    x = 0.5 + dx * std::cos(a) - dy * std::sin(a);
    y = 0.5 + dx * std::sin(a) + dy * std::cos(a);
  }
  x -= map.u_offset;
  y += map.v_offset;
  x = (x - 0.5) * map.u_scale + 0.5;
  y = (y - 0.5) * map.v_scale + 0.5;
  u = static_cast<float>(x);
  v = static_cast<float>(y);
}

}  // namespace qev::convert
