// `qev3ds info`: a scene's layers as a table or as JSON.
#pragma once

#include <cstdio>

#include "scene_file.h"

namespace qev::tool {

void print_table(const Scene& scene, std::FILE* out);
void print_json(const Scene& scene, std::FILE* out);

}  // namespace qev::tool
