// Hand-built 3DS files for reader tests, through the chunk builder.
#pragma once

#include <string>
#include <vector>

#include "chunk_builder.h"
#include "format/chunk_ids.h"

namespace qev::test {

inline Chunk m3d_file(std::initializer_list<Chunk> editor_children) {
  Chunk mdata(MDATA);
  mdata.child(Chunk(MESH_VERSION).u32(3));
  for (const Chunk& c : editor_children) mdata.child(c);
  return Chunk(M3DMAGIC).child(Chunk(M3D_VERSION).u32(3)).child(mdata);
}

inline Chunk points(const std::vector<float>& xyz) {
  Chunk c(POINT_ARRAY);
  c.u16(static_cast<std::uint16_t>(xyz.size() / 3));
  for (float v : xyz) c.f32(v);
  return c;
}

inline Chunk tex_verts(const std::vector<float>& uv) {
  Chunk c(TEX_VERTS);
  c.u16(static_cast<std::uint16_t>(uv.size() / 2));
  for (float v : uv) c.f32(v);
  return c;
}

// Faces as a, b, c triples (flags 7), followed by the given sub-chunks.
inline Chunk faces(const std::vector<std::uint16_t>& abc, std::initializer_list<Chunk> subs = {}) {
  Chunk c(FACE_ARRAY);
  c.u16(static_cast<std::uint16_t>(abc.size() / 3));
  for (std::size_t i = 0; i < abc.size(); i += 3)
    c.u16(abc[i]).u16(abc[i + 1]).u16(abc[i + 2]).u16(7);
  for (const Chunk& s : subs) c.child(s);
  return c;
}

inline Chunk mat_group(const std::string& name, const std::vector<std::uint16_t>& indices) {
  Chunk c(MSH_MAT_GROUP);
  c.str(name).u16(static_cast<std::uint16_t>(indices.size()));
  for (auto i : indices) c.u16(i);
  return c;
}

inline Chunk smooth(const std::vector<std::uint32_t>& words) {
  Chunk c(SMOOTH_GROUP);
  for (auto w : words) c.u32(w);
  return c;
}

inline Chunk object(const std::string& name, std::initializer_list<Chunk> mesh_children) {
  Chunk mesh(N_TRI_OBJECT);
  for (const Chunk& c : mesh_children) mesh.child(c);
  return Chunk(NAMED_OBJECT).str(name).child(mesh);
}

inline Chunk rgb24(std::uint16_t id, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Chunk(id).u8(r).u8(g).u8(b);
}

inline Chunk rgbf(std::uint16_t id, float r, float g, float b) {
  return Chunk(id).f32(r).f32(g).f32(b);
}

inline Chunk percentage(std::uint16_t id, std::uint16_t value) {
  return Chunk(id).child(Chunk(INT_PERCENTAGE).u16(value));
}

inline Chunk material(const std::string& name, std::initializer_list<Chunk> more = {}) {
  Chunk c(MAT_ENTRY);
  c.child(Chunk(MAT_NAME).str(name));
  for (const Chunk& m : more) c.child(m);
  return c;
}

inline Chunk texmap(const std::string& file) {
  return Chunk(MAT_TEXMAP)
      .children({Chunk(INT_PERCENTAGE).u16(100), Chunk(MAT_MAPNAME).str(file),
                 Chunk(MAT_MAP_TILING).u16(0), Chunk(MAT_MAP_TEXBLUR).f32(0)});
}

// A unit triangle mesh named name using material mat.
inline Chunk triangle_object(const std::string& name, const std::string& mat) {
  return object(name,
                {points({0, 0, 0, 1, 0, 0, 0, 1, 0}), faces({0, 1, 2}, {mat_group(mat, {0})})});
}

}  // namespace qev::test
