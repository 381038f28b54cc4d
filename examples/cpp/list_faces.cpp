// Lists every mesh of a 3DS file with the material and colour of each run
// of faces, through the C++ scene API.
#include <cstdio>

#include "qev_3ds_scene.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: list_faces FILE.3ds\n");
    return 2;
  }
  const qev3ds::ReadResult read = qev3ds::read_scene(argv[1]);
  if (read.status != qev3ds::read_ok) {
    std::fprintf(stderr, "%s: read status %d\n", argv[1], read.status);
    return 1;
  }
  const qev3ds::MaterialIndex materials(read.scene);
  for (const qev3ds::Mesh& mesh : read.scene.meshes) {
    std::printf("%s: %zu vertices, %zu faces\n", mesh.name.c_str(), mesh.vertex_count(),
                mesh.faces.size());
    const std::vector<std::int32_t> group_of = qev3ds::face_groups(mesh);
    for (std::size_t f = 0; f < mesh.faces.size();) {
      const qev3ds::Look look = qev3ds::face_look(materials, mesh, group_of[f]);
      std::size_t end = f + 1;
      while (end < mesh.faces.size() && group_of[end] == group_of[f]) ++end;
      std::printf("  faces %zu-%zu: %.*s, colour %d,%d,%d%s\n", f, end - 1,
                  static_cast<int>(look.material_name.size()), look.material_name.data(),
                  look.colour.red, look.colour.green, look.colour.blue,
                  look.material == nullptr ? " (no such material)" : "");
      f = end;
    }
  }
  return 0;
}
