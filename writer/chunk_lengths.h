// Lengths of the chunks the writer emits, computed ahead from counts and name
// lengths (each name length counts its NUL). Checked against known files in
// the tests and against the bytes actually written in debug builds.
#pragma once

#include <cstdint>

namespace qev::writer {

inline constexpr std::uint32_t kFileHeaderSize = 32;  // M3DMAGIC .. MESH_VERSION payload

// MAT_ENTRY of material name length L and texture name length X.
constexpr std::uint32_t material_entry_length(std::uint32_t L, std::uint32_t X) {
  return X > 1 ? L + X + 102 : L + 56;
}
constexpr std::uint32_t texmap_length(std::uint32_t X) { return X + 38; }

// NAMED_OBJECT of object name length O, material name length L, V vertices,
// N faces, with a TEX_VERTS chunk when textured.
constexpr std::uint32_t named_object_length(std::uint32_t O, std::uint32_t L, std::uint32_t V,
                                            std::uint32_t N, bool tex_verts) {
  return O + 12 * V + L + 14 * N + 96 + (tex_verts ? 8 * V + 8 : 0);
}
constexpr std::uint32_t point_array_length(std::uint32_t V) { return 12 * V + 8; }
constexpr std::uint32_t tex_verts_length(std::uint32_t V) { return 8 * V + 8; }
constexpr std::uint32_t face_array_length(std::uint32_t L, std::uint32_t N) {
  return L + 14 * N + 22;
}
constexpr std::uint32_t mat_group_length(std::uint32_t L, std::uint32_t N) { return L + 2 * N + 8; }
constexpr std::uint32_t smooth_group_length(std::uint32_t N) { return 4 * N + 6; }
inline constexpr std::uint32_t kMeshMatrixLength = 54;

}  // namespace qev::writer
