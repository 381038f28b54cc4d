// Normals from smoothing groups, checked numerically on the cases where
// converters go wrong: shared edges in group 0, in one group and in
// different groups, a cube with a group per side, a sphere in one group.
#include <gtest/gtest.h>

#include <cmath>

#include "smooth_normals.h"

namespace qev::convert {
namespace {

qev3ds::Mesh mesh_of(std::vector<float> vertices, std::vector<std::array<std::uint16_t, 3>> faces,
                     std::vector<std::uint32_t> smoothing) {
  qev3ds::Mesh m;
  m.vertices = std::move(vertices);
  for (std::size_t i = 0; i < faces.size(); ++i)
    m.faces.push_back({faces[i][0], faces[i][1], faces[i][2], 0, smoothing[i]});
  return m;
}

void expect_normal(const Normal& n, double x, double y, double z, const char* what) {
  const double len = std::sqrt(x * x + y * y + z * z);
  EXPECT_NEAR(n[0], x / len, 1e-6) << what;
  EXPECT_NEAR(n[1], y / len, 1e-6) << what;
  EXPECT_NEAR(n[2], z / len, 1e-6) << what;
}

// Two faces folded 90 degrees along the edge (0,0,0)-(1,0,0): one in the
// z = 0 plane facing +z, one in the y = 0 plane facing -y.
qev3ds::Mesh fold(std::uint32_t first, std::uint32_t second) {
  return mesh_of({0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, -1}, {{0, 1, 2}, {1, 0, 3}}, {first, second});
}

struct FoldCase {
  std::uint32_t first, second;
  bool smooth;
};

class Fold : public ::testing::TestWithParam<FoldCase> {};

TEST_P(Fold, SharedEdgeIsSmoothOnlyWhereTheGroupsShareABit) {
  const FoldCase c = GetParam();
  const std::vector<Normal> n = corner_normals(fold(c.first, c.second));
  ASSERT_EQ(n.size(), 6u);
  if (c.smooth) {
    // Both faces meet at 90 degrees at the edge's corners: equal weights.
    expect_normal(n[0], 0, -1, 1, "first face at (0,0,0)");
    expect_normal(n[1], 0, -1, 1, "first face at (1,0,0)");
    expect_normal(n[3], 0, -1, 1, "second face at (1,0,0)");
    // A corner only the first face has keeps the first face's normal.
    expect_normal(n[2], 0, 0, 1, "first face at (0,1,0)");
  } else {
    for (int i = 0; i < 3; ++i) expect_normal(n[std::size_t(i)], 0, 0, 1, "first face, flat");
    for (int i = 3; i < 6; ++i) expect_normal(n[std::size_t(i)], 0, -1, 0, "second face, flat");
  }
}

INSTANTIATE_TEST_SUITE_P(Groups, Fold,
                         ::testing::Values(FoldCase{0, 0, false},  // group 0 is flat, even shared
                                           FoldCase{1, 1, true},   // one group: smooth
                                           FoldCase{1, 2, false},  // different groups: sharp
                                           FoldCase{3, 2, true},   // bits 1+2 and 2 share bit 2
                                           FoldCase{1, 0, false}));

TEST(Normals, CubeWithAGroupPerSideHasSharpEdges) {
  // 8 corners, 12 faces, outward winding; side s has smoothing bit s.
  const std::vector<float> v = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0,
                                0, 0, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1};
  const std::vector<std::array<std::uint16_t, 3>> f = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7},
                                                       {0, 1, 5}, {0, 5, 4}, {2, 3, 7}, {2, 7, 6},
                                                       {1, 2, 6}, {1, 6, 5}, {3, 0, 4}, {3, 4, 7}};
  std::vector<std::uint32_t> s;
  for (std::uint32_t side = 0; side < 6; ++side) s.insert(s.end(), {1u << side, 1u << side});
  const std::vector<Normal> n = corner_normals(mesh_of(v, f, s));
  const double axis[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {1, 0, 0}, {-1, 0, 0}};
  for (std::size_t face = 0; face < 12; ++face)
    for (std::size_t c = 0; c < 3; ++c)
      expect_normal(n[face * 3 + c], axis[face / 2][0], axis[face / 2][1], axis[face / 2][2],
                    "cube side");

  // The same cube all in one group: every corner points out along its diagonal.
  const std::vector<Normal> round =
      corner_normals(mesh_of(v, f, std::vector<std::uint32_t>(12, 1)));
  for (std::size_t face = 0; face < 12; ++face)
    for (std::size_t c = 0; c < 3; ++c) {
      const float* p = &v[3 * std::size_t(f[face][c])];
      expect_normal(round[face * 3 + c], p[0] - 0.5, p[1] - 0.5, p[2] - 0.5,
                    "cube corner diagonal");
    }
}

TEST(Normals, SphereInOneGroupIsSmooth) {
  // A UV sphere of radius 1 with vertices duplicated along its seam, as
  // textured 3DS meshes have them: normals must still point out radially.
  const int rings = 12, segments = 24;
  std::vector<float> v;
  for (int r = 0; r <= rings; ++r)
    for (int s = 0; s <= segments; ++s) {  // s == segments repeats s == 0
      const double th = M_PI * r / rings, ph = 2 * M_PI * (s % segments) / segments;
      const double ring =
          (r == 0 || r == rings) ? 0.0 : std::sin(th);  // the poles are single points
      v.insert(v.end(),
               {float(ring * std::cos(ph)), float(ring * std::sin(ph)), float(std::cos(th))});
    }
  std::vector<std::array<std::uint16_t, 3>> f;
  auto at = [&](int r, int s) { return static_cast<std::uint16_t>(r * (segments + 1) + s); };
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      if (r > 0) f.push_back({at(r, s), at(r + 1, s), at(r, s + 1)});
      if (r < rings - 1) f.push_back({at(r, s + 1), at(r + 1, s), at(r + 1, s + 1)});
    }
  const qev3ds::Mesh m = mesh_of(v, f, std::vector<std::uint32_t>(f.size(), 1));
  const std::vector<Normal> n = corner_normals(m);
  double worst = 0;
  for (std::size_t face = 0; face < f.size(); ++face)
    for (std::size_t c = 0; c < 3; ++c) {
      const float* p = &v[3 * std::size_t(f[face][c])];
      const Normal& k = n[face * 3 + c];
      worst = std::max(worst, std::acos(std::min(1.0, double(k[0]) * p[0] + double(k[1]) * p[1] +
                                                          double(k[2]) * p[2])));
    }
  // Facet normals of this sphere are up to about 7 degrees off radial.
  EXPECT_LT(worst * 180 / M_PI, 1.0);
}

TEST(Normals, DegenerateAndOutOfRangeFacesHarmNothing) {
  // Face 1 has no area, face 2 names a vertex past the array.
  const qev3ds::Mesh m =
      mesh_of({0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0, 0}, {{0, 1, 2}, {0, 1, 3}, {0, 1, 9}}, {1, 1, 1});
  const std::vector<Normal> n = corner_normals(m);
  for (const Normal& k : n) expect_normal(k, 0, 0, 1, "every corner");
}

}  // namespace
}  // namespace qev::convert
