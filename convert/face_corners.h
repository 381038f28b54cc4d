// Whether a face's corners can be written: every coordinate a finite
// number. The exporters leave other faces out, since no output format has a
// text or a value for them.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

// The face's indices must lie inside the mesh's vertices.
inline bool finite_corners(const qev3ds::Mesh& mesh, const qev3ds::Face& face) {
  for (const std::uint16_t v : {face.a, face.b, face.c})
    for (int a = 0; a < 3; ++a)
      if (!std::isfinite(mesh.vertices[3 * std::size_t(v) + std::size_t(a)])) return false;
  return true;
}

}  // namespace qev::convert
