// `qev3ds to-obj`: a 3DS scene as Wavefront OBJ with its MTL material library.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

struct ObjExport {
  std::size_t vertices = 0;           // as many as the file's meshes hold
  std::size_t faces = 0;              // written
  std::size_t faces_skipped = 0;      // naming a vertex or mapping pair the mesh lacks
  std::size_t faces_not_finite = 0;   // with a corner that is not a finite number
  std::size_t materials = 0;          // MTL entries
  std::vector<std::string> warnings;  // textures not found, copied or converted
};

// Writes obj_path and, beside it, the .mtl of the same stem: per mesh its
// own vertex and mapping arrays and one group; one usemtl per run of faces
// of one material, one MTL entry per material the faces use (Kd, Ks, Ns, d,
// map_Kd); smoothing words as OBJ smoothing groups. Texture images found
// beside scene_path (or in texture_folders) are copied beside the OBJ under
// safe names, which map_Kd gives. Every file is written whole or not at all:
// false with a message in error, and whatever was at the outputs untouched.
// Vertices are written Y-up ((x, y, z) as (x, z, -y)) when y_up, else as
// the scene has them.
bool write_obj(const qev3ds::Scene& scene, const std::string& scene_path,
               const std::string& obj_path, ObjExport& result, std::string& error,
               const std::vector<std::string>& texture_folders = {}, bool y_up = true);

}  // namespace qev::convert
