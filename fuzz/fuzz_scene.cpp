// Fuzz target: the bytes are a file held in memory, read through the scene
// API. Every face's material is looked up, and the C functions, reading the
// same bytes through a stream, must agree on the status and the layers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "qev_3ds.h"
#include "qev_3ds_scene.hpp"
#include "reader/reader_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qev3ds::ReadResult read = qev3ds::read_scene(data, size);
  const qev3ds::MaterialIndex materials(read.scene);
  std::size_t faces = 0;
  for (const qev3ds::Mesh& mesh : read.scene.meshes) {
    const std::vector<std::int32_t> group_of = qev3ds::face_groups(mesh);
    if (group_of.size() != mesh.faces.size()) std::abort();
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const qev3ds::Look look = qev3ds::face_look(materials, mesh, group_of[f]);
      if (look.material == nullptr && !look.texture.empty()) std::abort();
    }
    faces += mesh.faces.size();
  }

  std::FILE* f = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb") : std::tmpfile();
  if (f == nullptr) return 0;
  const bool parsed = qev::reader::parse_stream(f, static_cast<std::int64_t>(size));
  std::fclose(f);
  if (parsed != (read.status == qev3ds::read_ok)) std::abort();
  std::int32_t n = 0;
  QEV_READ_3DS_N_LAYER(&n);
  if (static_cast<std::size_t>(n) != read.scene.meshes.size()) std::abort();
  std::size_t c_faces = 0;
  for (std::int32_t k = 1; k <= n; ++k) {
    std::int32_t m = 0;
    QEV_READ_3DS_N_TRI(&k, &m);
    c_faces += static_cast<std::size_t>(m);
  }
  if (c_faces != faces) std::abort();
  QEV_READ_3DS_END();
  return 0;
}
