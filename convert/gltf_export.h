// `qev3ds convert x.3ds y.gltf|y.glb`: a 3DS scene as glTF 2.0.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

struct GltfExport {
  std::size_t meshes = 0, primitives = 0, triangles = 0, vertices = 0, materials = 0;
  std::size_t faces_skipped = 0;      // naming a vertex the mesh lacks
  std::size_t faces_not_finite = 0;   // with a corner that is not a finite number
  std::vector<std::string> warnings;  // textures not found or not converted
};

// Writes scene (read from scene_path, whose folder holds its textures) to
// out_path, as one .glb when binary, else as .gltf with a .bin beside it.
// One mesh and node per 3DS mesh, one primitive per run of faces of one
// material; positions turned from Z-up to glTF's Y-up as (x, z, -y);
// normals from the smoothing groups; TEXCOORD_0 (v flipped) where the
// material has a texture. Textures are looked up beside the scene and in
// texture_folders, and copied or converted beside the output under safe
// names. Every file is written whole or not at all: false with a message in
// error when writing fails, and whatever was at the outputs is untouched.
bool write_gltf(const qev3ds::Scene& scene, const std::string& scene_path,
                const std::string& out_path, bool binary, GltfExport& result, std::string& error,
                const std::vector<std::string>& texture_folders = {});

}  // namespace qev::convert
