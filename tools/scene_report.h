// `qev3ds info`: a scene's meshes as a table or as JSON.
#pragma once

#include <cstdio>

#include "qev_3ds_scene.hpp"

namespace qev::tool {

// Per mesh: name, triangles, how many materials its faces use, its colour,
// transparency and texture as the C functions report them; totals and the
// bounds of every vertex a face uses.
void print_table(const qev3ds::Scene& scene, std::FILE* out);

// The same, with each face group's material and face count.
void print_json(const qev3ds::Scene& scene, std::FILE* out);

}  // namespace qev::tool
