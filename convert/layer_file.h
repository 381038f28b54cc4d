// Scenes as layers of triangles, the shape the welding writer takes: what
// the importers build and what `--layers` writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

using Layers = std::vector<qev3ds::Layer>;

// Appends one triangle: nine corner coordinates, six mapping values (null for
// none: zeros) and its smoothing bits. Every importer keeps the three arrays
// whole, one entry set per triangle.
void add_triangle(qev3ds::Layer& layer, const float* corners, const float* mapping,
                  std::int32_t smoothing);

std::size_t triangle_total(const Layers& layers);

// The limits of one file, in words; empty when the layers fit. Over 1,400
// layers is the only one fitted layers (fit_to_capacities) can break.
std::string capacity_problem(const Layers& layers);

// Writes layers through a LayerWriter after checking the capacities, so
// nothing is written when a layer cannot be honoured. The status is the
// writer's (QEV_ERR_CAPACITY for capacities).
qev3ds::WriteResult write_layers(const std::string& path, const Layers& layers);

}  // namespace qev::convert
