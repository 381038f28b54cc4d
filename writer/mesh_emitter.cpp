// Ending a layer: its NAMED_OBJECT with the mesh, faces, material group and
// smoothing groups, every length computed before the chunk is written.
#include <cassert>
#include <cstring>

#include "format/chunk_ids.h"
#include "interface/qev_3ds.h"
#include "writer/chunk_lengths.h"
#include "writer/writer_api.h"
#include "writer/writer_state.h"

namespace qev::writer {

namespace {

// Identity axes and a fixed translation, the same for every object. The
// translation is what files from this writer have always carried, and hosts
// and stored files compare bytes with it; readers that apply MESH_MATRIX see
// an object frame, not a move of the vertices, which are stored in world
// coordinates.
constexpr std::uint32_t kMeshMatrixBits[kMeshMatrixFloats] = {
    0x3F800000, 0,          0,           // first axis 1, 0, 0
    0,          0x3F800000, 0,           // second axis 0, 1, 0
    0,          0,          0x3F800000,  // third axis 0, 0, 1
    0xC11CA8C1, 0xC20550B1, 0};          // -9.7912, -33.3288, 0

void write_object(OutputStream& out, const LayerSpec& desc, const TriangleStage& s,
                  std::uint32_t N) {
  char material[kNameField + 3];
  std::strcpy(material, desc.name);
  std::strcat(material, "MAT");
  const auto O = static_cast<std::uint32_t>(std::strlen(desc.name) + 1);
  const auto L = static_cast<std::uint32_t>(std::strlen(material) + 1);
  const auto X = static_cast<std::uint32_t>(std::strlen(desc.texture) + 1);
  const auto V = static_cast<std::uint32_t>(s.vertex_count);
  const auto M = static_cast<std::uint32_t>(s.mapping_count);
  const bool tex_verts = M > 0 && X > 1;
  const std::uint32_t object_length = named_object_length(O, L, V, N, tex_verts);
  [[maybe_unused]] const std::uint64_t start = out.position();

  out.put_header(NAMED_OBJECT, object_length);
  out.put_bytes(desc.name, O);
  out.put_header(N_TRI_OBJECT, object_length - O - 6);

  out.put_header(POINT_ARRAY, point_array_length(V));
  out.put_u16(static_cast<std::uint16_t>(V));
  out.put_f32_array(&s.vertex_pool[0][0], 3 * static_cast<std::size_t>(V));

  if (tex_verts) {
    // One pair per vertex. The pools only drift apart when a layer's texture
    // changed while it was staged; pairs that were never staged are zeros.
    out.put_header(TEX_VERTS, tex_verts_length(V));
    out.put_u16(static_cast<std::uint16_t>(V));
    const std::uint32_t pooled = M < V ? M : V;
    out.put_f32_array(&s.mapping_pool[0][0], 2 * static_cast<std::size_t>(pooled));
    for (std::uint32_t i = pooled; i < V; ++i) {
      out.put_f32(0.0f);
      out.put_f32(0.0f);
    }
  }

  out.put_header(MESH_MATRIX, kMeshMatrixLength);
  for (std::uint32_t bits : kMeshMatrixBits) out.put_u32(bits);

  out.put_header(FACE_ARRAY, face_array_length(L, N));
  out.put_u16(static_cast<std::uint16_t>(N));
  for (std::uint32_t f = 0; f < N; ++f) {
    const StagedTriangle& tri = s.triangles[f];
    std::uint8_t face[kFaceSize];
    for (int c = 0; c < 3; ++c) put_u16(face + 2 * c, static_cast<std::uint16_t>(tri.vertices[c]));
    put_u16(face + 6, static_cast<std::uint16_t>(tri.face_flags));
    out.put_bytes(face, sizeof face);
  }

  // All faces form one group naming the layer's own material.
  out.put_header(MSH_MAT_GROUP, mat_group_length(L, N));
  out.put_bytes(material, L);
  out.put_u16(static_cast<std::uint16_t>(N));
  for (std::uint32_t f = 0; f < N; ++f) out.put_u16(static_cast<std::uint16_t>(f));

  out.put_header(SMOOTH_GROUP, smooth_group_length(N));
  for (std::uint32_t f = 0; f < N; ++f) {
    // The 16-bit smoothing value, sign-extended to the 32-bit group word.
    out.put_u32(static_cast<std::uint32_t>(static_cast<std::int32_t>(s.triangles[f].smoothing)));
  }
  assert(out.position() - start == object_length);
}

}  // namespace

std::int32_t end_layer(WriterState& w) {
  if (w.phase != FilePhase::open) return QEV_ERR_NO_FILE;
  if (w.current_layer < 0 || w.current_layer >= w.layer_count) {
    w.data_refused = true;
    return QEV_ERR_OUT_OF_RANGE;
  }
  TriangleStage& s = w.stage;
  // The declared count, but never more than was staged: a face that was not
  // staged for this layer would come from an earlier one.
  std::int32_t faces =
      w.declared_triangles < s.triangle_count ? w.declared_triangles : s.triangle_count;
  if (faces < 0) faces = 0;
  write_object(w.out, w.layers[w.current_layer], s, static_cast<std::uint32_t>(faces));
  w.out.flush();
  ++w.current_layer;
  reset_stage(s, true);
  return QEV_OK;
}

}  // namespace qev::writer
