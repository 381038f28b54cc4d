// `qev3ds to-obj`: a 3DS scene as Wavefront OBJ with its MTL material library.
#pragma once

#include <cstddef>
#include <string>

#include "qev_3ds_scene.hpp"

namespace qev::tool {

struct ObjExport {
  std::size_t vertices = 0;       // as many as the file's meshes hold
  std::size_t faces = 0;          // written
  std::size_t faces_skipped = 0;  // naming a vertex or mapping pair the mesh lacks
  std::size_t materials = 0;      // MTL entries
};

// Writes obj_path and, beside it, the .mtl of the same stem: per mesh its
// own vertex and mapping arrays and one group; one usemtl per run of faces
// of one material, one MTL entry per material the faces use (Kd, Ks, Ns, d,
// map_Kd); smoothing words as OBJ smoothing groups. False with a message in
// error when a file cannot be written.
bool write_obj(const qev3ds::Scene& scene, const std::string& obj_path, ObjExport& result,
               std::string& error);

}  // namespace qev::tool
