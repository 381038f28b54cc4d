// Layers fitted to what one 3DS layer of the writer holds.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "layer_file.h"
#include "qev_3ds_scene.hpp"

namespace qev::convert {

// The writer's capacities for one file and one layer, as the library states
// them.
inline constexpr std::size_t kMaxLayers = qev3ds::limits::layers;
inline constexpr std::size_t kMaxTriangles = qev3ds::limits::triangles;
inline constexpr std::size_t kMaxVertices =
    qev3ds::limits::vertices;  // welded, in an untextured layer
inline constexpr std::size_t kMaxTexturedTriangles = qev3ds::limits::textured_triangles;
inline constexpr std::size_t kMaxLayerName = qev3ds::limits::layer_name;
inline constexpr std::size_t kMaxTextureName = qev3ds::limits::texture_name;

struct Split {
  std::string name;       // the layer as it came
  std::size_t triangles;  // its triangles
  std::size_t parts;      // the layers it became
};

// Splits every layer beyond a capacity into consecutive layers, keeping
// every triangle in order: "name", "name.2", "name.3", ... Every name fits
// its field and is unique across the file; texture names are cut to theirs.
// Names are cut between UTF-8 characters, never inside one.
// Untextured layers carry no mapping into the file, so theirs is cleared.
// Returns what was split.
std::vector<Split> fit_to_capacities(Layers& layers);

}  // namespace qev::convert
