// The two halves of a conversion, keeping an imported file's layers beside
// its scene: a 3DS file written in the layers form from them is split at
// the welding writer's capacities once, from the source's own groups.
#pragma once

#include <string>

#include "layer_file.h"
#include "qev_3ds_convert.hpp"

namespace qev::convert {

// import_file; layers holds what an OBJ, glTF or STL importer made (empty
// for a 3DS input).
qev3ds::ImportResult import_keeping_layers(const std::string& path,
                                           const qev3ds::ConvertOptions& options,
                                           Layers& layers) noexcept;

// export_file; a 3DS output in the layers form is written from layers when
// it is not null and not empty, else from the scene.
qev3ds::ConvertReport export_with_layers(const qev3ds::Scene& scene, const Layers* layers,
                                         const std::string& source, const std::string& out,
                                         const qev3ds::ConvertOptions& options) noexcept;

}  // namespace qev::convert
