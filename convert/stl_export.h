// `qev3ds convert x.3ds y.stl`: a 3DS scene as one binary STL solid.
#pragma once

#include <cstddef>
#include <string>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

struct StlExport {
  std::size_t triangles = 0;
  std::size_t faces_skipped = 0;     // naming a vertex the mesh lacks
  std::size_t faces_not_finite = 0;  // with a corner that is not a finite number
};

// Writes every face of every mesh into one binary STL solid, each with the
// face's own normal; STL has no units, colours or smoothing, so positions are
// written as they are (Z up, as 3D printers take them). False with a message
// in error when the file cannot be written, and whatever was at path is
// then untouched.
bool write_stl(const qev3ds::Scene& scene, const std::string& path, StlExport& result,
               std::string& error);

}  // namespace qev::convert
