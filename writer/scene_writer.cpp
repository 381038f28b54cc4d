// A whole qev3ds::Scene as a 3DS file: every field the scene holds, laid out
// so that the reader's walk gives back exactly the same scene.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "format/chunk_header.h"
#include "format/chunk_ids.h"
#include "interface/qev_3ds_scene.hpp"
#include "platform/file_io.h"
#include "writer/chunk_buffer.h"
#include "writer/colour_chunks.h"
#include "writer/file_header.h"
#include "writer/scene_extras.h"

namespace qev::writer {
namespace {

constexpr std::size_t kMaxCount =
    qev3ds::limits::mesh_items;  // vertex, mapping, face and group counts are u16
static_assert(kMaxCount == 0xFFFF &&
                  qev3ds::limits::name_kept == static_cast<std::size_t>(kReaderNameChars),
              "the public limits are the format's counts and the reader's names");
// A chunk whose end passes the largest signed 32-bit offset is not read.
constexpr std::size_t kMaxFileSize = 0x7FFFFFFF;

void material(ChunkBuffer& out, const qev3ds::Material& m) {
  out.open(MAT_ENTRY);
  out.open(MAT_NAME);
  out.put_name(m.name);
  out.close();
  colour_pair(out, MAT_DIFFUSE, m.diffuse);
  colour_pair(out, MAT_SPECULAR, m.specular);
  percentage(out, MAT_SHININESS, m.shininess);
  percentage(out, MAT_TRANSPARENCY, m.transparency);
  const qev3ds::TextureMap& placement = m.map(qev3ds::map_diffuse);
  if (!m.texture.empty() || m.map_percentage != 0 || m.map_tiling != 0 ||
      has_placement(placement)) {
    out.open(MAT_TEXMAP);
    out.open(INT_PERCENTAGE);
    out.put_u16(m.map_percentage);
    out.close();
    if (!m.texture.empty()) {
      out.open(MAT_MAPNAME);
      out.put_name(m.texture);
      out.close();
    }
    out.open(MAT_MAP_TILING);
    out.put_u16(m.map_tiling);
    out.close();
    diffuse_placement(out, placement);
    out.close();
  }
  material_extras(out, m);
  out.close();
}

void face_array(ChunkBuffer& out, const std::vector<qev3ds::Face>& faces, bool with_smoothing) {
  out.open(FACE_ARRAY);
  out.put_u16(static_cast<std::uint16_t>(faces.size()));
  out.put_faces(faces);
  if (with_smoothing) {
    out.open(SMOOTH_GROUP);
    out.put_smoothing(faces);
    out.close();
  }
  out.close();
}

void group(ChunkBuffer& out, const qev3ds::FaceGroup& g) {
  out.open(MSH_MAT_GROUP);
  out.put_name(g.material);
  if (g.indices.empty()) {
    out.put_u16(0);  // every face the mesh has at this point
  } else {
    out.put_u16(static_cast<std::uint16_t>(g.indices.size()));
    out.put_u16_array(g.indices);
  }
  out.close();
}

void mesh(ChunkBuffer& out, const qev3ds::Mesh& m) {
  out.open(NAMED_OBJECT);
  out.put_name(m.name);
  out.open(N_TRI_OBJECT);
  out.open(POINT_ARRAY);
  out.put_u16(static_cast<std::uint16_t>(m.vertex_count()));
  out.put_f32_array(m.vertices);
  out.close();
  if (!m.mapping.empty()) {
    out.open(TEX_VERTS);
    out.put_u16(static_cast<std::uint16_t>(m.mapping_count()));
    out.put_f32_array(m.mapping);
    out.close();
  }
  mesh_extras(out, m);
  // A group that lists no faces covers every face the mesh has when the
  // reader meets it. Usually that is all of them, and the groups and the
  // smoothing words nest in the face array as other writers put them. A
  // group covering some other count gets a face array of that many faces
  // before it; the mesh's own faces come last, and replace them.
  bool nested = true;
  for (const qev3ds::FaceGroup& g : m.groups) {
    if (g.indices.empty() && static_cast<std::size_t>(g.count) != m.faces.size()) nested = false;
  }
  if (nested) {
    out.open(FACE_ARRAY);
    out.put_u16(static_cast<std::uint16_t>(m.faces.size()));
    out.put_faces(m.faces);
    for (const qev3ds::FaceGroup& g : m.groups) group(out, g);
    out.open(SMOOTH_GROUP);
    out.put_smoothing(m.faces);
    out.close();
    out.close();
  } else {
    std::size_t current = 0;  // faces the reader holds
    for (const qev3ds::FaceGroup& g : m.groups) {
      if (g.indices.empty() && static_cast<std::size_t>(g.count) != current) {
        face_array(out,
                   std::vector<qev3ds::Face>(static_cast<std::size_t>(g.count),
                                             qev3ds::Face{0, 0, 0, 0, 0}),
                   false);
        current = static_cast<std::size_t>(g.count);
      }
      group(out, g);
    }
    face_array(out, m.faces, true);
  }
  out.close();
  out.close();
}

bool finite(const std::vector<float>& values) {
  for (const float v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

// What the format cannot hold, or an empty result.
qev3ds::WriteResult check(const qev3ds::Scene& scene) {
  using qev3ds::WriteResult;
  const auto name_problem = [](const std::string& name) {
    return name.size() > static_cast<std::size_t>(kReaderNameChars) ||
           name.find('\0') != std::string::npos;
  };
  const auto too_long = [](const std::string& what) {
    return WriteResult{qev3ds::write_too_long,
                       what + " is longer than the " + std::to_string(kReaderNameChars) +
                           " characters a 3DS reader keeps, or holds a NUL"};
  };
  for (std::size_t i = 0; i < scene.materials.size(); ++i) {
    const qev3ds::Material& m = scene.materials[i];
    const std::string which = "material " + std::to_string(i + 1) + " ('" + m.name + "')";
    if (name_problem(m.name)) return too_long(which + ": its name");
    if (name_problem(m.texture)) return too_long(which + ": its texture name");
  }
  for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
    const qev3ds::Mesh& m = scene.meshes[i];
    const std::string which = "mesh " + std::to_string(i + 1) + " ('" + m.name + "')";
    if (name_problem(m.name)) return too_long(which + ": its name");
    if (m.vertices.size() % 3 != 0 || m.mapping.size() % 2 != 0) {
      return {qev3ds::write_out_of_range,
              which + ": its vertex or mapping array is not whole points"};
    }
    if (m.vertex_count() > kMaxCount || m.mapping_count() > kMaxCount ||
        m.faces.size() > kMaxCount) {
      return {qev3ds::write_out_of_range, which + ": " + std::to_string(m.vertex_count()) +
                                              " vertices, " + std::to_string(m.mapping_count()) +
                                              " mapping pairs, " + std::to_string(m.faces.size()) +
                                              " faces; a 3DS mesh holds at most 65,535 of each"};
    }
    if (!finite(m.vertices) || !finite(m.mapping)) {
      return {qev3ds::write_not_finite,
              which + ": a coordinate or mapping value is not a finite number"};
    }
    for (const qev3ds::FaceGroup& g : m.groups) {
      if (name_problem(g.material)) return too_long(which + ": a face group's material name");
      const bool listed = !g.indices.empty();
      if (g.count < 0 || static_cast<std::size_t>(g.count) > kMaxCount ||
          (listed && static_cast<std::size_t>(g.count) != g.indices.size())) {
        return {qev3ds::write_out_of_range, which + ": face group '" + g.material + "' counts " +
                                                std::to_string(g.count) + " faces but lists " +
                                                std::to_string(g.indices.size()) +
                                                "; a group holds at most 65,535"};
      }
    }
  }
  return check_extras(scene);
}

}  // namespace
}  // namespace qev::writer

namespace qev3ds {

namespace {

// The scene's chunks, on either pass.
void emit(qev::writer::ChunkBuffer& out, const Scene& scene) {
  out.open(qev::M3DMAGIC);
  out.open(qev::M3D_VERSION);
  out.put_u32(scene.version);
  out.close();
  out.open(qev::MDATA);
  out.open(qev::MESH_VERSION);
  out.put_u32(qev::writer::kFormatVersion);
  out.close();
  if (scene.master_scale != 1.0f) {
    out.open(qev::MASTER_SCALE);
    out.put_f32(scene.master_scale);
    out.close();
  }
  for (const Material& m : scene.materials) qev::writer::material(out, m);
  for (const Mesh& m : scene.meshes) qev::writer::mesh(out, m);
  for (const Camera& c : scene.cameras) qev::writer::camera(out, c);
  for (const Light& l : scene.lights) qev::writer::light(out, l);
  out.close();
  qev::writer::keyframer(out, scene.keyframer);
  out.close();
}

// What the format refuses, else every chunk's length and the file's size.
WriteResult measure(const Scene& scene, std::vector<std::uint32_t>& lengths, std::uint64_t& size) {
  WriteResult problem = qev::writer::check(scene);
  if (!problem.ok()) return problem;
  qev::writer::ChunkBuffer counted(lengths);
  emit(counted, scene);
  size = counted.size();
  if (size > qev::writer::kMaxFileSize) {
    return {write_out_of_range,
            "the scene needs " + std::to_string(size) + " bytes; a 3DS file holds at most 2 GiB"};
  }
  return {};
}

}  // namespace

WriteResult write_scene(const Scene& scene, std::vector<std::uint8_t>& bytes) noexcept {
  try {
    bytes.clear();
    std::vector<std::uint32_t> lengths;
    std::uint64_t size = 0;
    WriteResult problem = measure(scene, lengths, size);
    if (!problem.ok()) return problem;
    bytes.reserve(static_cast<std::size_t>(size));
    qev::writer::VectorSink sink(bytes);
    {
      qev::writer::ChunkBuffer out(lengths, sink);
      emit(out, scene);
    }
    return {};
  } catch (const std::bad_alloc&) {
    bytes.clear();
    return {write_io, "out of memory"};
  } catch (...) {
    bytes.clear();
    return {write_io, "writing the scene failed"};
  }
}

WriteResult write_scene(const std::string& path, const Scene& scene) noexcept {
  std::string temp;
  std::FILE* f = nullptr;
  try {
    std::vector<std::uint32_t> lengths;
    std::uint64_t size = 0;
    WriteResult result = measure(scene, lengths, size);
    if (!result.ok()) return result;
    // Beside the target, under a name nobody else holds, then renamed over it.
    f = qev::platform::create_temp_beside(path, temp);
    if (f == nullptr) return {write_cannot_create, "cannot create a file beside " + path};
    qev::writer::FileSink sink(f);
    {
      qev::writer::ChunkBuffer out(lengths, sink);
      emit(out, scene);
    }
    const bool closed = qev::platform::close_file(f);
    f = nullptr;
    if (!sink.ok() || !closed || !qev::platform::replace_file(temp.c_str(), path.c_str())) {
      qev::platform::remove_file(temp.c_str());
      return {write_io, "writing " + path + " failed"};
    }
    return result;
  } catch (...) {
    if (f != nullptr) qev::platform::close_file(f);
    if (!temp.empty()) qev::platform::remove_file(temp.c_str());
    return {write_io, "writing " + path + " failed"};
  }
}

}  // namespace qev3ds
