// The chunk walk: one small loop per chunk kind that is descended into. Each
// loop reads child headers until the position reaches its bound, reads the
// children it knows in place and skips the rest by their length.
#include <cmath>
#include <cstring>
#include <string>

#include "reader/chunk_child.h"
#include "reader/chunk_input.h"
#include "reader/extra_walk.h"
#include "reader/reader_state.h"

namespace qev::reader {

namespace {

// ---- arrays ----------------------------------------------------------------

// n little-endian f32 values straight into dst.
void read_floats(ChunkInput& in, std::vector<float>& dst, std::size_t n) {
  in.reserve_read(4 * n);
  dst.assign(n, 0.0f);
  in.read_exact(dst.data(), 4 * n);
  if (!kHostIsLittleEndian) {
    for (float& v : dst) v = get_f32(reinterpret_cast<const std::uint8_t*>(&v));
  }
}

constexpr std::size_t kBlockFaces = 4096;

void read_faces(ChunkInput& in, std::vector<FaceRecord>& faces) {
  const std::size_t n = in.read_u16();
  in.reserve_read(kFaceSize * n);
  faces.assign(n, FaceRecord{});
  std::uint8_t block[kBlockFaces * kFaceSize];
  for (std::size_t done = 0; done < n;) {
    const std::size_t count = n - done < kBlockFaces ? n - done : kBlockFaces;
    in.read_exact(block, count * kFaceSize);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint8_t* raw = block + i * kFaceSize;
      faces[done + i] =
          FaceRecord{get_u16(raw), get_u16(raw + 2), get_u16(raw + 4), get_u16(raw + 6), 0};
    }
    done += count;
  }
}

// One u32 per face of the mesh's face array, in face order.
void read_smoothing(ChunkInput& in, std::vector<FaceRecord>& faces) {
  std::uint8_t block[kBlockFaces * 4];
  for (std::size_t done = 0; done < faces.size();) {
    const std::size_t count = faces.size() - done < kBlockFaces ? faces.size() - done : kBlockFaces;
    in.read_exact(block, count * 4);
    for (std::size_t i = 0; i < count; ++i) faces[done + i].smoothing = get_u32(block + 4 * i);
    done += count;
  }
}

// A name of the file into a string field, through the bounded reader.
void read_name_into(ChunkInput& in, std::string& field) {
  char name[kNameBuffer];
  in.read_name(name);
  field = name;
}

void read_group(ChunkInput& in, MeshLayer& layer, std::int32_t mesh_faces) {
  FaceGroup& group = layer.groups.emplace_back();
  read_name_into(in, group.material);
  const std::size_t m = in.read_u16();
  if (m == 0) {
    // A count of 0 names every face of the mesh.
    group.count = mesh_faces;
    return;
  }
  group.count = static_cast<std::int32_t>(m);
  in.reserve_read(2 * m);
  group.indices.resize(m);
  in.read_exact(group.indices.data(), 2 * m);
  if (!kHostIsLittleEndian) {
    for (auto& v : group.indices) v = get_u16(reinterpret_cast<const std::uint8_t*>(&v));
  }
}

// ---- meshes and objects ----------------------------------------------------

void walk_mesh(ChunkInput& in, SceneModel& scene, std::int64_t bound, const char* name) {
  MeshLayer& layer = scene.meshes.emplace_back();
  layer.name = name;
  bool faces_seen = false;
  while (below(in, bound)) {
    const Child c = next_child(in);
    switch (c.header.id) {
      case POINT_ARRAY:
        read_floats(in, layer.vertices, 3 * std::size_t{in.read_u16()});
        break;
      case TEX_VERTS:
        read_floats(in, layer.mapping, 2 * std::size_t{in.read_u16()});
        break;
      case FACE_ARRAY:
        // Its MSH_MAT_GROUP and SMOOTH_GROUP sub-chunks follow the faces and
        // are met by this loop as if they were siblings.
        read_faces(in, layer.faces);
        faces_seen = true;
        break;
      case MSH_MAT_GROUP:
        read_group(in, layer, static_cast<std::int32_t>(layer.faces.size()));
        break;
      case SMOOTH_GROUP:
        // Without a face array it has no count; its payload is no header.
        if (faces_seen) {
          read_smoothing(in, layer.faces);
        } else {
          skip(in, c);
        }
        break;
      case MESH_MATRIX:
      case MESH_COLOR:
      case MESH_TEXTURE_INFO:
        read_extra(in, c, [&] { read_mesh_extra(in, c.header.id, layer); });
        break;
      default:
        skip(in, c);
    }
  }
  if (layer.groups.empty()) {
    // No material group: one default group covers every face.
    FaceGroup& all = layer.groups.emplace_back();
    all.material = kDefaultGroupName;
    all.count = static_cast<std::int32_t>(layer.faces.size());
  }
}

void walk_object(ChunkInput& in, SceneModel& scene, const Child& object) {
  char name[kNameBuffer];
  in.read_name(name);
  while (below(in, object.end())) {
    const Child c = next_child(in);
    if (c.header.id == N_TRI_OBJECT) {
      walk_mesh(in, scene, c.end(), name);
    } else if (c.header.id == N_CAMERA) {
      read_extra(in, c, [&] { read_camera(in, c.end(), name, scene); });
    } else if (c.header.id == N_DIRECT_LIGHT) {
      read_extra(in, c, [&] { read_light(in, c.end(), name, scene); });
    } else {
      skip(in, c);
    }
  }
  in.seek_to(object.end());
}

// ---- materials -------------------------------------------------------------

// f * 256 truncated toward zero, low 16 bits, without clamping (1.0 gives 256).
std::int16_t float_component(float f) {
  const double scaled = std::trunc(static_cast<double>(f) * 256.0);
  // Past 2^63 every such value is a multiple of 2^16; NaN has no bits to keep.
  if (!(std::fabs(scaled) < 9.2e18)) return 0;
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::int64_t>(scaled)));
}

void walk_colour(ChunkInput& in, std::int64_t bound, Rgb& colour) {
  while (below(in, bound)) {
    const Child c = next_child(in);
    switch (c.header.id) {
      case COLOR_F:
      case LIN_COLOR_F:
        colour.red = float_component(in.read_f32());
        colour.green = float_component(in.read_f32());
        colour.blue = float_component(in.read_f32());
        break;
      case COLOR_24:
      case LIN_COLOR_24:
        colour.red = in.read_u8();
        colour.green = in.read_u8();
        colour.blue = in.read_u8();
        break;
      default:
        skip(in, c);
    }
  }
}

// The first colour starts within 15 bytes of its parent (a 6-byte header, a
// colour header and three bytes); the second within 24.
constexpr std::int64_t kFirstColourBound = 15;
constexpr std::int64_t kSecondColourBound = 24;

void walk_colour_pair(ChunkInput& in, const Child& parent, Rgb (&colours)[2], bool clear_second) {
  walk_colour(in, parent.start + kFirstColourBound, colours[0]);
  if (clear_second) colours[1] = Rgb{0, 0, 0};
  if (parent.header.length >= kSecondColourBound) {
    walk_colour(in, parent.start + kSecondColourBound, colours[1]);
  }
}

void walk_percentage(ChunkInput& in, std::int64_t bound, std::int16_t& field) {
  while (below(in, bound)) {
    const Child c = next_child(in);
    if (c.header.id == INT_PERCENTAGE) field = static_cast<std::int16_t>(in.read_u16());
    skip(in, c);
  }
}

void walk_texture_map(ChunkInput& in, std::int64_t bound, MaterialRecord& m) {
  while (below(in, bound)) {
    const Child c = next_child(in);
    switch (c.header.id) {
      case INT_PERCENTAGE:
        m.map_percentage = in.read_u16();
        break;
      case MAT_MAPNAME:
        read_name_into(in, m.texture);
        break;
      case MAT_MAP_TILING:
        m.map_tiling = in.read_u16();
        break;
      case MAT_MAP_TEXBLUR:
      case MAT_MAP_USCALE:
      case MAT_MAP_VSCALE:
      case MAT_MAP_UOFFSET:
      case MAT_MAP_VOFFSET:
      case MAT_MAP_ANG:
        read_extra(in, c, [&] { read_placement(in, c.header.id, m.map(qev3ds::map_diffuse)); });
        break;
      default:
        skip(in, c);
    }
  }
}

void walk_material(ChunkInput& in, SceneModel& scene, std::int64_t bound) {
  MaterialRecord& m = scene.materials.emplace_back();
  while (below(in, bound)) {
    const Child c = next_child(in);
    switch (c.header.id) {
      case MAT_NAME:
        read_name_into(in, m.name);
        break;
      case MAT_DIFFUSE:
        walk_colour_pair(in, c, m.diffuse, true);
        break;
      case MAT_SPECULAR:
        walk_colour_pair(in, c, m.specular, false);
        break;
      case MAT_SHININESS:
        walk_percentage(in, c.end(), m.shininess);
        break;
      case MAT_TRANSPARENCY:
        walk_percentage(in, c.end(), m.transparency);
        break;
      case MAT_TEXMAP:
        walk_texture_map(in, c.end(), m);
        break;
      case MAT_AMBIENT:
        read_extra(in, c, [&] { walk_colour_pair(in, c, m.ambient, false); });
        break;
      case MAT_SHIN2PCT:
        read_extra(in, c, [&] { walk_percentage(in, c.end(), m.shininess_strength); });
        break;
      case MAT_SELF_ILPCT:
        read_extra(in, c, [&] { walk_percentage(in, c.end(), m.self_illumination); });
        break;
      case MAT_XPFALL:
        read_extra(in, c, [&] { walk_percentage(in, c.end(), m.transparency_falloff); });
        break;
      case MAT_SHADING:
        read_extra(in, c, [&] { m.shading = in.read_u16(); });
        break;
      case MAT_TWO_SIDE:
        m.two_sided = true;
        skip(in, c);
        break;
      case MAT_WIRE:
        m.wire = true;
        skip(in, c);
        break;
      case MAT_ADDITIVE:
        m.additive = true;
        skip(in, c);
        break;
      case MAT_XPFALLIN:
        m.falloff_in = true;
        skip(in, c);
        break;
      default:
        if (const int kind = map_kind_of(c.header.id); kind > qev3ds::map_diffuse) {
          read_extra(in, c, [&] { read_map(in, c.end(), m, kind); });
          break;
        }
        skip(in, c);
    }
  }
}

// ---- editor data and the root ----------------------------------------------

void walk_editor_data(ChunkInput& in, SceneModel& scene, std::int64_t bound) {
  while (below(in, bound)) {
    const Child c = next_child(in);
    switch (c.header.id) {
      case NAMED_OBJECT:
        walk_object(in, scene, c);
        break;
      case MAT_ENTRY:
        walk_material(in, scene, c.end());
        break;
      case MASTER_SCALE:
        read_extra(in, c, [&] { scene.master_scale = in.read_f32(); });
        break;
      default:
        skip(in, c);
    }
  }
}

void walk_root(ChunkInput& in, SceneModel& scene, std::int64_t bound) {
  while (below(in, bound)) {
    const Child c = next_child(in);
    if (c.header.id == MDATA) {
      walk_editor_data(in, scene, c.end());
    } else if (c.header.id == KFDATA) {
      read_extra(in, c, [&] { read_keyframer(in, c.end(), scene.keyframer); });
    } else {
      skip(in, c);
    }
  }
}

}  // namespace

void walk_file(ChunkInput& in, SceneModel& scene) {
  const Child root = next_child(in);
  if (root.header.id == M3DMAGIC) {
    // The first child is normally the 10-byte M3D_VERSION: its u32 is read
    // and the walk goes on after it, whatever its length says. Some writers
    // put MDATA first and no version at all; then the children are walked
    // from the first one, so the scene is not read from inside MDATA.
    const std::int64_t first = in.tell_position();
    const ChunkHeader version = in.read_header();
    if (version.id == M3D_VERSION) {
      scene.version = in.read_u32();
    } else {
      in.seek_to(first);
    }
    walk_root(in, scene, root.end());
  } else if (root.header.id == MDATA) {
    walk_editor_data(in, scene, root.end());
  } else {
    fail_parse();  // not a 3DS file
  }
}

}  // namespace qev::reader
