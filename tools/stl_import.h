// `qev3ds convert x.stl y.3ds`: an STL file (binary or ASCII) as one layer.
#pragma once

#include <string>

#include "scene_file.h"

namespace qev::tool {

// Reads path into one layer named after the file (or the ASCII solid's
// name), grey, untextured, every triangle in smoothing group 0 (STL keeps
// only facets). The caller splits it to the writer's capacities. False with
// a message in error when the file is not STL, is truncated, or holds a
// coordinate that is not a finite number.
bool read_stl(const std::string& path, Scene& scene, std::string& error);

// The same from bytes in memory, the layer named name.
bool read_stl_bytes(const std::string& bytes, const std::string& name, Scene& scene, std::string& error);

}  // namespace qev::tool
