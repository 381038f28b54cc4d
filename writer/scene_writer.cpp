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
#include "writer/file_header.h"

namespace qev::writer {
namespace {

constexpr std::size_t kMaxCount =
    qev3ds::limits::mesh_items;  // vertex, mapping, face and group counts are u16
static_assert(kMaxCount == 0xFFFF &&
                  qev3ds::limits::name_kept == static_cast<std::size_t>(kReaderNameChars),
              "the public limits are the format's counts and the reader's names");
// A chunk whose end passes the largest signed 32-bit offset is not read.
constexpr std::size_t kMaxFileSize = 0x7FFFFFFF;
// An id no reader knows: a spacer before a second colour (see colour_pair).
constexpr ChunkId kSpacer = 0x0000;

// Bytes with nested chunks whose lengths are filled in when they close.
class ChunkBuffer {
 public:
  explicit ChunkBuffer(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

  void open(ChunkId id) {
    open_.push_back(bytes_.size());
    put_u16(id);
    put_u32(0);
  }
  void close() {
    const std::size_t start = open_.back();
    open_.pop_back();
    const auto length = static_cast<std::uint32_t>(bytes_.size() - start);
    for (int i = 0; i < 4; ++i)
      bytes_[start + 2 + std::size_t(i)] = static_cast<std::uint8_t>(length >> (8 * i));
  }
  void put_u8(std::uint8_t v) { bytes_.push_back(v); }
  void put_u16(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void put_u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void put_f32(float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, sizeof v);
    put_u32(v);
  }
  void put_name(const std::string& s) {
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    bytes_.push_back(0);
  }
  // Arrays in one go: little-endian hosts copy them as they are.
  void put_f32_array(const std::vector<float>& values) {
    if (kHostIsLittleEndian) {
      const auto* p = reinterpret_cast<const std::uint8_t*>(values.data());
      bytes_.insert(bytes_.end(), p, p + 4 * values.size());
    } else {
      const std::size_t at = bytes_.size();
      bytes_.resize(at + 4 * values.size());
      for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint32_t v;
        std::memcpy(&v, &values[i], sizeof v);
        for (int b = 0; b < 4; ++b)
          bytes_[at + 4 * i + std::size_t(b)] = static_cast<std::uint8_t>(v >> (8 * b));
      }
    }
  }
  void put_faces(const std::vector<qev3ds::Face>& faces) {
    std::size_t at = bytes_.size();
    bytes_.resize(at + kFaceSize * faces.size());
    for (const qev3ds::Face& f : faces) {
      for (const std::uint16_t v : {f.a, f.b, f.c, f.flags}) {
        bytes_[at++] = static_cast<std::uint8_t>(v);
        bytes_[at++] = static_cast<std::uint8_t>(v >> 8);
      }
    }
  }
  void put_smoothing(const std::vector<qev3ds::Face>& faces) {
    std::size_t at = bytes_.size();
    bytes_.resize(at + 4 * faces.size());
    for (const qev3ds::Face& f : faces)
      for (int b = 0; b < 4; ++b) bytes_[at++] = static_cast<std::uint8_t>(f.smoothing >> (8 * b));
  }
  void reserve(std::size_t n) { bytes_.reserve(n); }

 private:
  std::vector<std::uint8_t>& bytes_;
  std::vector<std::size_t> open_;
};

bool bytes_range(const qev3ds::Rgb& c) {
  const auto in = [](std::int16_t v) { return v >= 0 && v <= 255; };
  return in(c.red) && in(c.green) && in(c.blue);
}

// A colour as the reader keeps it: bytes as COLOR_24 (9 bytes); any other
// value v as the float v / 256, which the reader turns back into v exactly.
void put_colour(ChunkBuffer& out, const qev3ds::Rgb& c, bool linear) {
  if (bytes_range(c)) {
    out.open(linear ? LIN_COLOR_24 : COLOR_24);
    out.put_u8(static_cast<std::uint8_t>(c.red));
    out.put_u8(static_cast<std::uint8_t>(c.green));
    out.put_u8(static_cast<std::uint8_t>(c.blue));
  } else {
    out.open(linear ? LIN_COLOR_F : COLOR_F);
    out.put_f32(static_cast<float>(c.red) / 256.0f);
    out.put_f32(static_cast<float>(c.green) / 256.0f);
    out.put_f32(static_cast<float>(c.blue) / 256.0f);
  }
  out.close();
}

// A MAT_DIFFUSE or MAT_SPECULAR pair. The reader takes the first colour from
// a child starting within 15 bytes of the chunk and the second from one
// starting within 24. A byte colour (9 bytes) leaves room for the second;
// a float one (18 bytes) does not, so its second colour follows in a
// second chunk whose first child is a spacer the reader skips.
void colour_pair(ChunkBuffer& out, ChunkId id, const qev3ds::Rgb (&pair)[2]) {
  out.open(id);
  put_colour(out, pair[0], false);
  const bool first_is_bytes = bytes_range(pair[0]);
  if (first_is_bytes) put_colour(out, pair[1], true);
  out.close();
  if (!first_is_bytes && !pair[1].is_black()) {
    out.open(id);
    out.open(kSpacer);
    out.put_u8(0);
    out.put_u8(0);
    out.put_u8(0);
    out.close();
    put_colour(out, pair[1], true);
    out.close();
  }
}

void percentage(ChunkBuffer& out, ChunkId id, std::int16_t value) {
  out.open(id);
  out.open(INT_PERCENTAGE);
  out.put_u16(static_cast<std::uint16_t>(value));
  out.close();
  out.close();
}

void material(ChunkBuffer& out, const qev3ds::Material& m) {
  out.open(MAT_ENTRY);
  out.open(MAT_NAME);
  out.put_name(m.name);
  out.close();
  colour_pair(out, MAT_DIFFUSE, m.diffuse);
  colour_pair(out, MAT_SPECULAR, m.specular);
  percentage(out, MAT_SHININESS, m.shininess);
  percentage(out, MAT_TRANSPARENCY, m.transparency);
  if (!m.texture.empty() || m.map_percentage != 0 || m.map_tiling != 0) {
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
    out.close();
  }
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
    for (const std::uint16_t i : g.indices) out.put_u16(i);  // groups are small beside the arrays
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
  return {};
}

}  // namespace
}  // namespace qev::writer

namespace qev3ds {

WriteResult write_scene(const Scene& scene, std::vector<std::uint8_t>& bytes) noexcept {
  try {
    bytes.clear();
    WriteResult problem = qev::writer::check(scene);
    if (!problem.ok()) return problem;
    qev::writer::ChunkBuffer out(bytes);
    std::size_t estimate = 64;
    for (const Mesh& m : scene.meshes) {
      estimate += 128 + 4 * (m.vertices.size() + m.mapping.size()) + 12 * m.faces.size();
      for (const FaceGroup& g : m.groups) estimate += 64 + 2 * g.indices.size();
    }
    out.reserve(estimate + 256 * scene.materials.size());
    out.open(qev::M3DMAGIC);
    out.open(qev::M3D_VERSION);
    out.put_u32(scene.version);
    out.close();
    out.open(qev::MDATA);
    out.open(qev::MESH_VERSION);
    out.put_u32(qev::writer::kFormatVersion);
    out.close();
    for (const Material& m : scene.materials) qev::writer::material(out, m);
    for (const Mesh& m : scene.meshes) qev::writer::mesh(out, m);
    out.close();
    out.close();
    if (bytes.size() > qev::writer::kMaxFileSize) {
      const std::string needed = std::to_string(bytes.size());
      bytes.clear();
      return {write_out_of_range,
              "the scene needs " + needed + " bytes; a 3DS file holds at most 2 GiB"};
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
  try {
    std::vector<std::uint8_t> bytes;
    WriteResult result = write_scene(scene, bytes);
    if (!result.ok()) return result;
    // Beside the target, under a name nobody else holds, then renamed over it.
    std::string temp;
    std::FILE* f = qev::platform::create_temp_beside(path, temp);
    if (f == nullptr) return {write_cannot_create, "cannot create a file beside " + path};
    const bool written = qev::platform::write_file(f, bytes.data(), bytes.size()) == bytes.size();
    const bool closed = qev::platform::close_file(f);
    if (!written || !closed || !qev::platform::replace_file(temp.c_str(), path.c_str())) {
      qev::platform::remove_file(temp.c_str());
      return {write_io, "writing " + path + " failed"};
    }
    return result;
  } catch (...) {
    return {write_io, "writing " + path + " failed"};
  }
}

}  // namespace qev3ds
