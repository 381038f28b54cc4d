// The scene's chunks beyond faces and the first material fields, laid out as
// the reader's walk reads them back.
#include "writer/scene_extras.h"

#include <cmath>

#include "format/chunk_ids.h"
#include "writer/colour_chunks.h"

namespace qev::writer {

namespace {

void floats(ChunkBuffer& out, const float* v, int n) {
  for (int i = 0; i < n; ++i) out.put_f32(v[i]);
}

void leaf_f32(ChunkBuffer& out, ChunkId id, float v) {
  out.open(id);
  out.put_f32(v);
  out.close();
}

void flag(ChunkBuffer& out, ChunkId id, bool on) {
  if (!on) return;
  out.open(id);
  out.close();
}

// A percentage chunk, left out when it is 0 (what the reader keeps then).
void percentage_unless_zero(ChunkBuffer& out, ChunkId id, std::int16_t value) {
  if (value != 0) percentage(out, id, value);
}

void ambient(ChunkBuffer& out, const qev3ds::Rgb (&pair)[2]) {
  if (pair[0].is_black() && pair[1].is_black()) return;
  colour_pair(out, MAT_AMBIENT, pair);
}

constexpr ChunkId kMapIds[qev3ds::map_kinds] = {MAT_TEXMAP,  MAT_OPACMAP, MAT_BUMPMAP,
                                                MAT_SPECMAP, MAT_SHINMAP, MAT_SELFIMAP,
                                                MAT_REFLMAP, MAT_TEX2MAP};

bool finite(const float* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

bool map_finite(const qev3ds::TextureMap& m) {
  const float v[] = {m.blur, m.u_scale, m.v_scale, m.u_offset, m.v_offset, m.rotation};
  return finite(v, 6);
}

bool too_long(const std::string& name) {
  return name.size() > static_cast<std::size_t>(kReaderNameChars) ||
         name.find('\0') != std::string::npos;
}

}  // namespace

bool has_placement(const qev3ds::TextureMap& map) { return map.blur != 0.0f || map.placed(); }

void diffuse_placement(ChunkBuffer& out, const qev3ds::TextureMap& map) {
  if (map.blur != 0.0f) leaf_f32(out, MAT_MAP_TEXBLUR, map.blur);
  if (map.u_scale != 1.0f) leaf_f32(out, MAT_MAP_USCALE, map.u_scale);
  if (map.v_scale != 1.0f) leaf_f32(out, MAT_MAP_VSCALE, map.v_scale);
  if (map.u_offset != 0.0f) leaf_f32(out, MAT_MAP_UOFFSET, map.u_offset);
  if (map.v_offset != 0.0f) leaf_f32(out, MAT_MAP_VOFFSET, map.v_offset);
  if (map.rotation != 0.0f) leaf_f32(out, MAT_MAP_ANG, map.rotation);
}

void material_extras(ChunkBuffer& out, const qev3ds::Material& m) {
  ambient(out, m.ambient);
  percentage_unless_zero(out, MAT_SHIN2PCT, m.shininess_strength);
  percentage_unless_zero(out, MAT_SELF_ILPCT, m.self_illumination);
  percentage_unless_zero(out, MAT_XPFALL, m.transparency_falloff);
  if (m.shading != 0) {
    out.open(MAT_SHADING);
    out.put_u16(m.shading);
    out.close();
  }
  flag(out, MAT_TWO_SIDE, m.two_sided);
  flag(out, MAT_WIRE, m.wire);
  flag(out, MAT_ADDITIVE, m.additive);
  flag(out, MAT_XPFALLIN, m.falloff_in);
  for (int k = qev3ds::map_diffuse + 1; k < qev3ds::map_kinds; ++k) {
    const qev3ds::TextureMap& map = m.map(k);
    if (map.name.empty() && map.percentage == 0 && map.tiling == 0 && !has_placement(map)) continue;
    out.open(kMapIds[k]);
    if (map.percentage != 0) {
      out.open(INT_PERCENTAGE);
      out.put_u16(static_cast<std::uint16_t>(map.percentage));
      out.close();
    }
    if (!map.name.empty()) {
      out.open(MAT_MAPNAME);
      out.put_name(map.name);
      out.close();
    }
    if (map.tiling != 0) {
      out.open(MAT_MAP_TILING);
      out.put_u16(map.tiling);
      out.close();
    }
    diffuse_placement(out, map);
    out.close();
  }
}

void mesh_extras(ChunkBuffer& out, const qev3ds::Mesh& m) {
  if (m.has_frame()) {
    out.open(MESH_MATRIX);
    floats(out, m.matrix, 12);
    out.close();
  }
  if (m.colour != 0) {
    out.open(MESH_COLOR);
    out.put_u8(m.colour);
    out.close();
  }
  if (!m.mapping_info.empty()) {
    out.open(MESH_TEXTURE_INFO);
    out.put_u16(m.mapping_type);
    floats(out, m.mapping_info.data(), 21);
    out.close();
  }
}

void camera(ChunkBuffer& out, const qev3ds::Camera& c) {
  out.open(NAMED_OBJECT);
  out.put_name(c.name);
  out.open(N_CAMERA);
  floats(out, c.position, 3);
  floats(out, c.target, 3);
  out.put_f32(c.roll);
  out.put_f32(c.lens);
  if (c.near_range != 0.0f || c.far_range != 0.0f) {
    out.open(CAM_RANGES);
    out.put_f32(c.near_range);
    out.put_f32(c.far_range);
    out.close();
  }
  out.close();
  out.close();
}

void light(ChunkBuffer& out, const qev3ds::Light& l) {
  out.open(NAMED_OBJECT);
  out.put_name(l.name);
  out.open(N_DIRECT_LIGHT);
  floats(out, l.position, 3);
  out.open(COLOR_F);
  floats(out, l.colour, 3);
  out.close();
  flag(out, DL_OFF, l.off);
  if (l.multiplier != 1.0f) leaf_f32(out, DL_MULTIPLIER, l.multiplier);
  if (l.spot) {
    out.open(DL_SPOTLIGHT);
    floats(out, l.target, 3);
    out.put_f32(l.hotspot);
    out.put_f32(l.falloff);
    out.close();
  }
  out.close();
  out.close();
}

void keyframer(ChunkBuffer& out, const qev3ds::Keyframer& kf) {
  if (kf.empty()) return;
  out.open(KFDATA);
  out.open(KFHDR);
  out.put_u16(kf.revision);
  out.put_name(kf.file_name);
  out.put_u32(kf.length);
  out.close();
  out.open(KFSEG);
  out.put_u32(kf.start);
  out.put_u32(kf.end);
  out.close();
  out.open(KFCURTIME);
  out.put_u32(kf.current);
  out.close();
  for (const qev3ds::Node& n : kf.nodes) {
    out.open(n.kind);
    if (n.id >= 0) {
      out.open(NODE_ID);
      out.put_u16(static_cast<std::uint16_t>(n.id));
      out.close();
    }
    out.open(NODE_HDR);
    out.put_name(n.name);
    out.put_u16(n.flags1);
    out.put_u16(n.flags2);
    out.put_u16(n.parent);
    out.close();
    if (!n.instance.empty()) {
      out.open(INSTANCE_NAME);
      out.put_name(n.instance);
      out.close();
    }
    if (n.pivot[0] != 0.0f || n.pivot[1] != 0.0f || n.pivot[2] != 0.0f) {
      out.open(PIVOT);
      floats(out, n.pivot, 3);
      out.close();
    }
    for (const qev3ds::Track& t : n.tracks) {
      const int values = qev3ds::track_values(t.kind);
      out.open(t.kind);
      out.put_u16(t.flags);
      out.put_u32(0);
      out.put_u32(0);
      out.put_u32(static_cast<std::uint32_t>(t.keys.size()));
      for (const qev3ds::Key& k : t.keys) {
        out.put_u32(k.frame);
        out.put_u16(k.flags);
        for (int b = 0; b < 5; ++b)
          if (k.flags & (1u << b)) out.put_f32(k.spline[b]);
        floats(out, k.value, values);
      }
      out.close();
    }
    out.close();
  }
  out.close();
}

qev3ds::WriteResult check_extras(const qev3ds::Scene& scene) {
  using qev3ds::WriteResult;
  const auto long_name = [](const std::string& what) {
    return WriteResult{qev3ds::write_too_long,
                       what + " is longer than the " + std::to_string(kReaderNameChars) +
                           " characters a 3DS reader keeps, or holds a NUL"};
  };
  const WriteResult not_finite{qev3ds::write_not_finite,
                               "a number of the scene is not a finite number"};
  if (!std::isfinite(scene.master_scale))
    return {qev3ds::write_not_finite, "the master scale is not a finite number"};
  for (const qev3ds::Material& m : scene.materials) {
    for (const qev3ds::TextureMap& map : m.maps) {
      if (too_long(map.name)) return long_name("material '" + m.name + "': a map name");
      if (!map_finite(map))
        return {qev3ds::write_not_finite,
                "material '" + m.name + "': a map placement is not a finite number"};
    }
  }
  for (const qev3ds::Mesh& m : scene.meshes) {
    if (!m.mapping_info.empty() && m.mapping_info.size() != 21)
      return {qev3ds::write_out_of_range,
              "mesh '" + m.name + "': mapping information holds 21 numbers"};
    if (!finite(m.matrix, 12) || !finite(m.mapping_info.data(), int(m.mapping_info.size())))
      return {qev3ds::write_not_finite,
              "mesh '" + m.name + "': its frame or mapping information is not finite"};
  }
  for (const qev3ds::Camera& c : scene.cameras) {
    if (too_long(c.name)) return long_name("camera '" + c.name + "': its name");
    const float v[] = {c.roll, c.lens, c.near_range, c.far_range};
    if (!finite(c.position, 3) || !finite(c.target, 3) || !finite(v, 4)) return not_finite;
  }
  for (const qev3ds::Light& l : scene.lights) {
    if (too_long(l.name)) return long_name("light '" + l.name + "': its name");
    const float v[] = {l.multiplier, l.hotspot, l.falloff};
    if (!finite(l.position, 3) || !finite(l.colour, 3) || !finite(l.target, 3) || !finite(v, 3))
      return not_finite;
  }
  const qev3ds::Keyframer& kf = scene.keyframer;
  if (too_long(kf.file_name)) return long_name("the keyframer's file name");
  for (const qev3ds::Node& n : kf.nodes) {
    const std::string which = "keyframer node '" + n.name + "'";
    if (too_long(n.name) || too_long(n.instance)) return long_name(which + ": a name");
    if (n.kind < qev3ds::node_object || n.kind > qev3ds::node_spot || n.id < -1 || n.id > 0xFFFF)
      return {qev3ds::write_out_of_range, which + ": its kind or id is not one a file holds"};
    if (!finite(n.pivot, 3)) return not_finite;
    for (const qev3ds::Track& t : n.tracks) {
      if (qev3ds::track_values(t.kind) < 0)
        return {qev3ds::write_out_of_range, which + ": a track of a kind not kept"};
      for (const qev3ds::Key& k : t.keys)
        if (!finite(k.spline, 5) || !finite(k.value, 4)) return not_finite;
    }
  }
  return {};
}

}  // namespace qev::writer
