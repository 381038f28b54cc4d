// The records only the scene API reports. Each leaf is read in place; the
// caller goes on at the chunk's end whatever a leaf held.
#include "reader/extra_walk.h"

#include "reader/chunk_child.h"

namespace qev::reader {

namespace {

void read_name_into(ChunkInput& in, std::string& field) {
  char name[kNameBuffer];
  in.read_name(name);
  field = name;
}

void read_floats(ChunkInput& in, float* dst, int n) {
  for (int i = 0; i < n; ++i) dst[i] = in.read_f32();
}

// An animation track: flags, 8 bytes no reader uses, a key count, keys.
void read_track(ChunkInput& in, std::uint16_t kind, std::vector<qev3ds::Track>& tracks) {
  const int values = qev3ds::track_values(kind);
  qev3ds::Track track;
  track.kind = kind;
  track.flags = in.read_u16();
  in.read_u32();
  in.read_u32();
  const std::uint32_t keys = in.read_u32();
  for (std::uint32_t k = 0; k < keys; ++k) {
    qev3ds::Key& key = track.keys.emplace_back();
    key.frame = in.read_u32();
    key.flags = in.read_u16();
    for (int b = 0; b < 5; ++b)
      if (key.flags & (1u << b)) key.spline[b] = in.read_f32();
    read_floats(in, key.value, values);
  }
  tracks.push_back(std::move(track));
}

void read_node(ChunkInput& in, std::uint16_t kind, std::int64_t bound, qev3ds::Node& node) {
  node.kind = kind;
  while (below(in, bound)) {
    const Child c = next_child(in);
    switch (c.header.id) {
      case NODE_ID:
        node.id = in.read_u16();
        break;
      case NODE_HDR:
        read_name_into(in, node.name);
        node.flags1 = in.read_u16();
        node.flags2 = in.read_u16();
        node.parent = in.read_u16();
        break;
      case INSTANCE_NAME:
        read_name_into(in, node.instance);
        break;
      case PIVOT:
        read_floats(in, node.pivot, 3);
        break;
      default:
        if (qev3ds::track_values(c.header.id) >= 0) read_track(in, c.header.id, node.tracks);
    }
    skip(in, c);
  }
}

bool is_node_tag(ChunkId id) { return id >= qev3ds::node_object && id <= qev3ds::node_spot; }

}  // namespace

int map_kind_of(ChunkId id) {
  switch (id) {
    case MAT_TEXMAP:
      return qev3ds::map_diffuse;
    case MAT_OPACMAP:
      return qev3ds::map_opacity;
    case MAT_BUMPMAP:
      return qev3ds::map_bump;
    case MAT_SPECMAP:
      return qev3ds::map_specular;
    case MAT_SHINMAP:
      return qev3ds::map_shininess;
    case MAT_SELFIMAP:
      return qev3ds::map_self_illum;
    case MAT_REFLMAP:
      return qev3ds::map_reflection;
    case MAT_TEX2MAP:
      return qev3ds::map_second;
    default:
      return -1;
  }
}

void read_placement(ChunkInput& in, ChunkId id, qev3ds::TextureMap& map) {
  switch (id) {
    case MAT_MAP_TEXBLUR:
      map.blur = in.read_f32();
      break;
    case MAT_MAP_USCALE:
      map.u_scale = in.read_f32();
      break;
    case MAT_MAP_VSCALE:
      map.v_scale = in.read_f32();
      break;
    case MAT_MAP_UOFFSET:
      map.u_offset = in.read_f32();
      break;
    case MAT_MAP_VOFFSET:
      map.v_offset = in.read_f32();
      break;
    case MAT_MAP_ANG:
      map.rotation = in.read_f32();
      break;
    default:
      break;
  }
}

void read_map(ChunkInput& in, std::int64_t bound, MaterialRecord& m, int kind) {
  qev3ds::TextureMap map;
  while (below(in, bound)) {
    const Child c = next_child(in);
    switch (c.header.id) {
      case INT_PERCENTAGE:
        map.percentage = static_cast<std::int16_t>(in.read_u16());
        break;
      case MAT_MAPNAME:
        read_name_into(in, map.name);
        break;
      case MAT_MAP_TILING:
        map.tiling = in.read_u16();
        break;
      default:
        read_placement(in, c.header.id, map);
    }
    skip(in, c);
  }
  if (map != qev3ds::TextureMap{}) m.map(kind) = map;
}

void read_mesh_extra(ChunkInput& in, ChunkId id, MeshLayer& mesh) {
  if (id == MESH_MATRIX) {
    float m[kMeshMatrixFloats];
    read_floats(in, m, kMeshMatrixFloats);
    std::copy(m, m + kMeshMatrixFloats, mesh.matrix);
  } else if (id == MESH_COLOR) {
    mesh.colour = in.read_u8();
  } else if (id == MESH_TEXTURE_INFO) {
    const std::uint16_t type = in.read_u16();
    std::vector<float> info(21);
    read_floats(in, info.data(), 21);
    mesh.mapping_type = type;
    mesh.mapping_info = std::move(info);
  }
}

void read_camera(ChunkInput& in, std::int64_t bound, const char* name, SceneModel& scene) {
  qev3ds::Camera cam;
  cam.name = name;
  read_floats(in, cam.position, 3);
  read_floats(in, cam.target, 3);
  cam.roll = in.read_f32();
  cam.lens = in.read_f32();
  scene.cameras.push_back(cam);
  qev3ds::Camera& kept = scene.cameras.back();
  while (below(in, bound)) {
    const Child c = next_child(in);
    if (c.header.id == CAM_RANGES) {
      kept.near_range = in.read_f32();
      kept.far_range = in.read_f32();
    }
    skip(in, c);
  }
}

void read_light(ChunkInput& in, std::int64_t bound, const char* name, SceneModel& scene) {
  qev3ds::Light& light = scene.lights.emplace_back();
  light.name = name;
  read_floats(in, light.position, 3);
  while (below(in, bound)) {
    const Child c = next_child(in);
    switch (c.header.id) {
      case COLOR_F:
      case LIN_COLOR_F:
        read_floats(in, light.colour, 3);
        break;
      case COLOR_24:
      case LIN_COLOR_24:
        for (float& v : light.colour) v = static_cast<float>(in.read_u8()) / 255.0f;
        break;
      case DL_OFF:
        light.off = true;
        break;
      case DL_MULTIPLIER:
        light.multiplier = in.read_f32();
        break;
      case DL_SPOTLIGHT:
        light.spot = true;
        read_floats(in, light.target, 3);
        light.hotspot = in.read_f32();
        light.falloff = in.read_f32();
        break;
      default:
        break;
    }
    skip(in, c);
  }
}

void read_keyframer(ChunkInput& in, std::int64_t bound, qev3ds::Keyframer& kf) {
  while (below(in, bound)) {
    const Child c = next_child(in);
    switch (c.header.id) {
      case KFHDR:
        read_extra(in, c, [&] {
          kf.revision = in.read_u16();
          read_name_into(in, kf.file_name);
          kf.length = in.read_u32();
        });
        break;
      case KFSEG:
        read_extra(in, c, [&] {
          kf.start = in.read_u32();
          kf.end = in.read_u32();
        });
        break;
      case KFCURTIME:
        read_extra(in, c, [&] { kf.current = in.read_u32(); });
        break;
      default:
        if (is_node_tag(c.header.id)) {
          // A node that cannot be read whole is left out.
          read_extra(in, c, [&] {
            qev3ds::Node node;
            read_node(in, c.header.id, c.end(), node);
            kf.nodes.push_back(std::move(node));
          });
        } else {
          skip(in, c);
        }
    }
  }
}

}  // namespace qev::reader
