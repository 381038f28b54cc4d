// `qev3ds from-obj`: a Wavefront OBJ (with its MTL) as a scene.
#pragma once

#include <string>

#include "scene_file.h"

namespace qev::tool {

// Reads obj_path with tinyobjloader, triangulating polygons. Every OBJ group
// (or object) becomes a layer, split further by material when a group uses
// several; a layer takes its material's diffuse colour, dissolve and diffuse
// texture. False with a message in error when the OBJ cannot be read.
bool read_obj(const std::string& obj_path, Scene& scene, std::string& error);

// The same from OBJ and MTL text in memory.
bool read_obj_text(const std::string& obj, const std::string& mtl, Scene& scene, std::string& error);

}  // namespace qev::tool
