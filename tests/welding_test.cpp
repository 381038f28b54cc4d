// Welding: the exact distance rule at its boundary, and the grid index
// returning exactly the index of the reference linear scan on random and
// adversarial inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "support/chunk_tree.h"
#include "support/scene_io.h"
#include "support/temp_files.h"
#include "writer/weld_index.h"
#include "writer/weld_tolerance.h"

namespace qev::test {
namespace {

using qev::writer::find_linear;
using qev::writer::mapping_within_tolerance;
using qev::writer::vertex_within_tolerance;
using qev::writer::WeldIndex;

TEST(WeldTolerance, BoundaryCases) {
  struct Case {
    float pooled[3], given[3];
    bool welds;
    const char* why;
  } cases[] = {
      {{1, 1, 1}, {1.00003f, 1.00003f, 1.00003f}, true, "about 0.00009 apart"},
      {{1, 1, 1}, {1.00004f, 1.00004f, 1.00004f}, false, "about 0.00012 apart"},
      {{0, 0, 0}, {0.0001f, 0, 0}, true, "f32 0.0001 lies just below 0.0001"},
      {{0, 0, 0}, {0, 0.0001f, 0}, true, "the same on y, added in double"},
      {{0, 0, 0}, {0.00005f, 0.00005f, 0}, true, "x + z rounded to f32"},
      {{0, 0, 0}, {0.0001001f, 0, 0}, false, "just above"},
      {{-0.0f, 0, 0}, {0.0f, 0, 0}, true, "negative zero equals zero"},
      {{1e30f, 0, 0}, {1e30f, 0, 0}, true, "huge but equal"},
      {{2048, 0, 0}, {std::nextafter(2048.0f, 4096.0f), 0, 0}, false, "neighbours 2.4e-4 apart"},
      {{0, 0, 0}, {std::numeric_limits<float>::quiet_NaN(), 0, 0}, false, "NaN never welds"},
      {{std::numeric_limits<float>::infinity(), 0, 0},
       {std::numeric_limits<float>::infinity(), 0, 0},
       false,
       "inf - inf is NaN"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vertex_within_tolerance(c.pooled, c.given), c.welds) << c.why;
  }
}

TEST(WeldTolerance, YIsAddedInDoubleAfterXzRoundsToFloat) {
  // x and z differences whose f32 sum rounds down below 0.0001 weld only
  // because of that rounding; the same amount on y alone stays in double.
  const float x = 0.00005f;
  const float z = std::nextafter(0.00005f, 1.0f);
  const float pooled[3] = {0, 0, 0};
  const float given[3] = {x, 0, z};
  const float xz = x + z;
  EXPECT_EQ(vertex_within_tolerance(pooled, given), static_cast<double>(xz) < 0.0001);
  const float uv_pooled[2] = {0, 0};
  const float uv_given[2] = {x, z};
  EXPECT_EQ(mapping_within_tolerance(uv_pooled, uv_given),
            static_cast<double>(x) + static_cast<double>(z) < 0.0001);
}

// Welds points one after another, as the writer does, with the index and
// with the linear scan, and returns both index sequences.
template <int D>
std::pair<std::vector<int>, std::vector<int>> weld_both(
    const std::vector<std::array<float, D>>& pts) {
  auto index = std::make_unique<WeldIndex<D>>();
  index->clear();
  std::vector<float> pool_storage(pts.size() * D);
  auto* pool = reinterpret_cast<float(*)[D]>(pool_storage.data());
  int count = 0;
  std::vector<int> by_index, by_scan;
  for (const auto& p : pts) {
    const int linear = find_linear<D>(pool, count, p.data());
    const int found = index->find(pool, p.data());
    by_scan.push_back(linear);
    by_index.push_back(found);
    if (linear < 0) {
      for (int a = 0; a < D; ++a) pool[count][a] = p[a];
      index->insert(pool, p.data(), count);
      ++count;
    }
  }
  return {by_index, by_scan};
}

std::vector<std::array<float, 3>> adversarial_points(std::mt19937& rng) {
  std::vector<std::array<float, 3>> pts;
  const float step = 0.0001f;
  const double cell = 1.0 / WeldIndex<3>::kCellsPerUnit;
  std::uniform_int_distribution<int> pick(0, 9);
  std::uniform_real_distribution<float> jitter(-1.5e-4f, 1.5e-4f);
  const float magnitudes[] = {0.0f,   1e-30f,  1e-10f,  1e-5f, 0.5f,  1.0f,
                              100.0f, 2047.9f, 2048.0f, 1e6f,  1e15f, 1e30f};
  for (int i = 0; i < 4000; ++i) {
    std::array<float, 3> p{};
    const float base = magnitudes[static_cast<std::size_t>(i) % std::size(magnitudes)];
    for (int a = 0; a < 3; ++a) {
      switch (pick(rng)) {
        case 0:
          p[a] = base;
          break;
        case 1:
          p[a] = -base;
          break;
        case 2:
          p[a] = base + step * static_cast<float>(pick(rng) - 5);
          break;
        case 3:
          p[a] = static_cast<float>(std::floor(base / cell) * cell);
          break;  // a cell border
        case 4:
          p[a] = std::nextafter(static_cast<float>(std::floor(base / cell) * cell), -1e38f);
          break;
        case 5:
          p[a] = base + jitter(rng);
          break;
        case 8:
          p[a] = static_cast<float>((std::floor(base / cell) + 1) * cell - 1.0001e-4);
          break;
        case 6:
          p[a] = -0.0f;
          break;
        case 7:
          p[a] = std::nextafter(base, 1e38f);
          break;
        default:
          p[a] = base * (1.0f + jitter(rng));
          break;
      }
    }
    pts.push_back(p);
    // Repeat some points with offsets near the tolerance on one axis.
    if (i % 3 == 0) {
      std::array<float, 3> q = p;
      q[static_cast<std::size_t>(i) % 3] +=
          (i % 2 ? 1 : -1) * step * (0.5f + 0.001f * static_cast<float>(pick(rng)));
      pts.push_back(q);
    }
  }
  return pts;
}

TEST(WeldIndex, MatchesLinearScanOnAdversarialPoints) {
  std::mt19937 rng(12345);
  const auto pts = adversarial_points(rng);
  const auto [by_index, by_scan] = weld_both<3>(pts);
  ASSERT_EQ(by_index.size(), by_scan.size());
  for (std::size_t i = 0; i < by_scan.size(); ++i) {
    ASSERT_EQ(by_index[i], by_scan[i])
        << "point " << i << " (" << pts[i][0] << ", " << pts[i][1] << ", " << pts[i][2] << ")";
  }
}

TEST(WeldIndex, MatchesLinearScanOnDenseClusters) {
  // Many entries within tolerance of several others: the lowest must win.
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> coord(-0.0004f, 0.0004f);
  std::vector<std::array<float, 3>> pts3;
  std::vector<std::array<float, 2>> pts2;
  for (int i = 0; i < 3000; ++i) {
    pts3.push_back({coord(rng), coord(rng), coord(rng)});
    pts2.push_back({coord(rng) + 0.5f, coord(rng)});
  }
  const auto r3 = weld_both<3>(pts3);
  EXPECT_EQ(r3.first, r3.second);
  const auto r2 = weld_both<2>(pts2);
  EXPECT_EQ(r2.first, r2.second);
}

TEST(WeldIndex, NonFiniteCornersNeverWeldAndBreakNothing) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<std::array<float, 3>> pts = {
      {0, 0, 0}, {nan, 0, 0}, {inf, 0, 0},        {-inf, 1, 1},       {nan, 0, 0},
      {0, 0, 0}, {inf, 0, 0}, {3e38f, -3e38f, 0}, {-3e38f, 3e38f, 0}, {3e38f, -3e38f, 0}};
  const auto [by_index, by_scan] = weld_both<3>(pts);
  EXPECT_EQ(by_index, by_scan);
  EXPECT_EQ(by_scan[5], 0);
  EXPECT_EQ(by_scan[4], -1);
  EXPECT_EQ(by_scan[9], 6);  // the finite huge corner welds to its twin (pool index 6)
}

TEST(WeldIndex, ClearForgetsEverything) {
  auto index = std::make_unique<WeldIndex<2>>();
  index->clear();
  float pool[2][2] = {{0.5f, 0.5f}, {0, 0}};
  index->insert(pool, pool[0], 0);
  EXPECT_EQ(index->find(pool, pool[0]), 0);
  index->clear();
  EXPECT_EQ(index->find(pool, pool[0]), -1);
}

TEST(Welding, WrittenFilesMatchTheLinearScanReference) {
  // Layers of corners near each other and near cell borders, written through
  // the exported calls: the file's vertices and face indices must be exactly
  // those the linear scan gives.
  std::mt19937 rng(99);
  const auto pts = adversarial_points(rng);
  TempDir dir;
  qev3ds::Layer layer{"Diff", 1, 2, 3, 0, "", {}, {}, {}};
  for (std::size_t i = 0; i + 2 < pts.size() && layer.triangle_count() < 3000; i += 3) {
    for (int c = 0; c < 3; ++c) {
      for (int a = 0; a < 3; ++a) layer.corners.push_back(pts[i + c][a]);
    }
  }
  const std::string path = dir.path("diff.3ds");
  ASSERT_EQ(write_by_calls(path, {layer}), QEV_OK);

  std::vector<float> ref_storage(3 * 3 * layer.triangle_count());
  auto* ref = reinterpret_cast<float(*)[3]>(ref_storage.data());
  int count = 0;
  std::vector<int> faces;
  for (std::size_t t = 0; t < layer.triangle_count(); ++t) {
    for (int c = 0; c < 3; ++c) {
      const float* corner = &layer.corners[9 * t + 3 * static_cast<std::size_t>(c)];
      int found = find_linear<3>(ref, count, corner);
      if (found < 0) {
        for (int a = 0; a < 3; ++a) ref[count][a] = corner[a];
        found = count++;
      }
      faces.push_back(found);
    }
  }
  const Bytes raw = read_bytes(path);
  const Node mesh = *parse_file(raw).find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT);
  const Node* points = mesh.find(POINT_ARRAY);
  ASSERT_EQ(points->u16(0), count);
  ASSERT_EQ(std::memcmp(points->payload.data() + 2, ref_storage.data(),
                        12 * static_cast<std::size_t>(count)),
            0);
  const Node* face_array = mesh.find(FACE_ARRAY);
  for (std::size_t f = 0; f < layer.triangle_count(); ++f) {
    for (int c = 0; c < 3; ++c)
      ASSERT_EQ(face_array->u16(2 + 8 * f + 2 * c), faces[3 * f + c]) << f;
  }
}

TEST(Welding, SharedCornersThroughTheWriter) {
  // Two triangles sharing an edge: 4 vertices untextured, 6 textured.
  TempDir dir;
  const std::vector<float> ab = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  for (const auto& [texture, expected] : {std::pair<std::string, int>{"", 4}, {"t.bmp", 6}}) {
    const std::string path = dir.path("w.3ds");
    ASSERT_EQ(write_by_calls(path, {{"L", 1, 1, 1, 0, texture, ab, {}, {}}}), QEV_OK);
    const Node root = parse_file(read_bytes(path));
    const Node* points =
        root.find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT)->find(POINT_ARRAY);
    EXPECT_EQ(points->u16(0), expected) << "texture '" << texture << "'";
    const Node* uv = root.find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT)->find(TEX_VERTS);
    EXPECT_EQ(uv != nullptr, !texture.empty());
  }
}

TEST(Welding, LaterCornerWeldsToAnEarlierCornerOfTheSameTriangle) {
  TempDir dir;
  const std::vector<float> t = {0, 0, 0, 0.00002f, 0, 0, 5, 5, 5};
  const std::string path = dir.path("w.3ds");
  ASSERT_EQ(write_by_calls(path, {{"L", 1, 1, 1, 0, "", t, {}, {}}}), QEV_OK);
  const Node root = parse_file(read_bytes(path));
  const Node* mesh = root.find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT);
  EXPECT_EQ(mesh->find(POINT_ARRAY)->u16(0), 2u);
  const Node* faces = mesh->find(FACE_ARRAY);
  EXPECT_EQ(faces->u16(2), 0u);
  EXPECT_EQ(faces->u16(4), 0u);
  EXPECT_EQ(faces->u16(6), 1u);
}

// The vertices the writer stages for one untextured triangle.
std::uint16_t staged_vertices(const std::array<float, 9>& corners) {
  TempDir dir;
  const std::vector<float> t(corners.begin(), corners.end());
  const std::string path = dir.path("w.3ds");
  EXPECT_EQ(write_by_calls(path, {{"L", 1, 1, 1, 0, "", t, {}, {}}}), QEV_OK);
  const Node root = parse_file(read_bytes(path));
  return root.find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT)->find(POINT_ARRAY)->u16(0);
}

// Welds that only the rounding steps of the rule decide, through the whole
// writer; a third corner far away keeps the count honest.
TEST(Welding, RoundingStepsDecideThroughTheWriter) {
  struct Case {
    std::array<float, 9> corners;
    std::uint16_t vertices;
    const char* why;
  } cases[] = {
      // x: 0x1.fa0f9p-15 + 0x1.cp-39 rounds up in f32; with z the sum is
      // then past 0.0001. Kept in double, the difference would weld.
      {{0x1.fa0f9p-15f, 0, 0x1.4cccccp-15f, -0x1.cp-39f, 0, 0, 5, 5, 5},
       3,
       "each difference rounds to f32"},
      // x + z = 0x1.a36e2ep-14 + 0x1.a63664p-39 is at least 0.0001 exactly,
      // but rounds to 0x1.a36e2ep-14 (below it) as an f32 sum.
      {{0, 0, 0, 0x1.a36e2ep-14f, 0, 0x1.a63664p-39f, 5, 5, 5}, 2, "x + z sums in f32"},
      // The same amounts with the large one on y: y is added in double.
      {{0, 0, 0, 0, 0x1.a36e2ep-14f, 0x1.a63664p-39f, 5, 5, 5}, 3, "y is added in double"},
  };
  for (const Case& c : cases) EXPECT_EQ(staged_vertices(c.corners), c.vertices) << c.why;
}

}  // namespace
}  // namespace qev::test
