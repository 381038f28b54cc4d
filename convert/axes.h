// Z-up (3DS, STL) and Y-up (glTF; OBJ unless told otherwise) coordinates:
// a quarter turn about x, with no mirror, so faces keep their winding.
// Exact in floats: it only moves and negates components (as 0 - v, so that
// a zero stays +0 and no "-0" reaches a file).
#pragma once

#include <array>

namespace qev::convert {

// (x, y, z) Z-up as Y-up: (x, z, -y).
template <typename T>
std::array<T, 3> y_up_of(const T* z_up) {
  return {z_up[0], z_up[2], T(0) - z_up[1]};
}

// (x, y, z) Y-up as Z-up: (x, -z, y).
template <typename T>
std::array<T, 3> z_up_of(const T* y_up) {
  return {y_up[0], T(0) - y_up[2], y_up[1]};
}

}  // namespace qev::convert
