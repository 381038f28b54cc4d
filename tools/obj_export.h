// `qev3ds to-obj`: a scene as Wavefront OBJ with its MTL material library.
#pragma once

#include <string>

#include "scene_file.h"

namespace qev::tool {

// Writes obj_path and, beside it, the .mtl of the same stem: one group and
// one material per layer (diffuse colour, dissolve, texture), mapping
// coordinates where the layer is textured, smoothing groups. False with a
// message in error when a file cannot be written.
bool write_obj(const Scene& scene, const std::string& obj_path, std::string& error);

}  // namespace qev::tool
