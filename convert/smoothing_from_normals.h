// Smoothing groups rebuilt from normals, for the formats that store normals
// instead of groups (glTF, OBJ with vn lines): faces that meet at a position
// with equal normals there smooth together; a normal split at a position is
// a hard edge.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace qev::convert {

struct ShadedCorner {
  std::array<float, 3> position;
  // The corner's normal as bits, or any key of its shading: corners at one
  // position with equal keys smooth together.
  std::array<std::uint32_t, 3> shade;
  std::uint64_t vertex;  // the source's own vertex (or normal) index
};

struct ShadedFace {
  std::array<ShadedCorner, 3> corners;
  bool hard = false;  // flat: it smooths with no face
};

// The key of a normal: its bits, -0 taken as +0.
std::array<std::uint32_t, 3> shade_of(const float* normal);

// Marks hard every face whose vertices no other face uses and whose three
// normals are one. The exporters give each flat face vertices (normals) of
// its own, so that a flat face beside a coplanar one, whose normals are
// equal, stays flat; a smoothed face alone in its primitive or cut off by
// mapping seams keeps the normals it shares with faces elsewhere.
void mark_detached(std::vector<ShadedFace>& faces);

// One smoothing word per face: two faces share a bit when they meet at a
// position with equal shading keys there (neither hard), and faces that
// meet otherwise share none, as far as 32 bits allow. A connected smooth
// region gets one bit unless some of its faces meet at a split normal; then
// it is cut into parts, and faces across the cuts that smooth together get
// each other's bit where no other neighbour forbids it. Hard faces and
// faces that smooth with none get 0.
std::vector<std::uint32_t> smoothing_from_normals(const std::vector<ShadedFace>& faces);

}  // namespace qev::convert
