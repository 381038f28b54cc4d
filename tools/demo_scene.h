// The built-in sample scene of `qev3ds demo`.
#pragma once

#include <cstdio>
#include <string>

#include "qev_3ds_scene.hpp"

// Writes the sample scene to path through a LayerWriter, as the thirteen
// writing functions would, and describes it on out.
qev3ds::WriteResult write_demo_scene(const std::string& path, std::FILE* out);
