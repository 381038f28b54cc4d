#include "srgb_colour.h"

#include <algorithm>
#include <cmath>

namespace qev::tool {

double srgb_to_linear(int byte) {
  const double c = std::clamp(byte, 0, 255) / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int linear_to_srgb(double linear) {
  if (!(linear > 0)) return 0;
  if (linear >= 1) return 255;
  const double c = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
  return static_cast<int>(std::lround(c * 255.0));
}

}  // namespace qev::tool
