// Files written by the writer read back through the reader: one layer per
// written layer, in order, with the three documented changes (black reads
// as grey, smoothing values become bit indices, corners come back welded).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/scene_io.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

TEST(RoundTrip, TexturedUntexturedAndBlackLayers) {
  TempDir dir;
  std::vector<qev3ds::Layer> written = {
      {"Plain", 200, 100, 50, 15, "", {}, {}, {}},
      {"Textured", 255, 255, 255, 0, "brick.bmp", {}, {}, {}},
      {"Black", 0, 0, 0, 70, "", {}, {}, {}},
      {std::string(46, 'n'), 1, 1, 1, 0, std::string(49, 't'), {}, {}, {}},
  };
  add_triangle(written[0], {0, 0, 0, 1, 0, 0, 0, 1, 0}, {}, 1);
  add_triangle(written[0], {1, 0, 0, 1, 1, 0, 0, 1, 0}, {}, 4);
  add_triangle(written[0], {0, 0, 0, 0.00002f, 0, 0, 0, 0, 1}, {}, 0x81);
  add_triangle(written[1], {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 0, 0, 1}, 2);
  add_triangle(written[1], {1, 0, 0, 1, 1, 0, 0, 1, 0}, {1, 0, 1, 1, 0, 1}, 3);
  add_triangle(written[2], {5, 5, 5, 6, 5, 5, 5, 6, 5}, {}, 0);
  const std::string path = dir.path("rt.3ds");
  ASSERT_EQ(write_by_calls(path, written), QEV_OK);
  const CallsRead read = read_by_calls(path);
  ASSERT_EQ(read.status, QEV_READ_OK);
  EXPECT_EQ(read.end_result, 0);
  ASSERT_EQ(read.layers.size(), written.size());
  const std::int32_t smoothing_index[] = {1, 3, 8};
  for (std::size_t k = 0; k < written.size(); ++k) {
    const qev3ds::Layer& w = written[k];
    const qev3ds::Layer& r = read.layers[k];
    EXPECT_EQ(r.name, w.name);
    EXPECT_EQ(r.texture, w.texture);
    EXPECT_EQ(r.transparency, w.transparency);
    const bool black = w.red == 0 && w.green == 0 && w.blue == 0;
    EXPECT_EQ(r.red, black ? 180 : w.red);
    EXPECT_EQ(r.green, black ? 180 : w.green);
    EXPECT_EQ(r.blue, black ? 180 : w.blue);
    ASSERT_EQ(r.triangle_count(), w.triangle_count());
    for (std::size_t t = 0; t < w.triangle_count(); ++t) {
      if (k == 0 && t == 2) {
        // The second corner welded onto the first: it comes back as (0, 0, 0).
        EXPECT_EQ(corners_of(r, t)[3], 0.0f);
      } else {
        EXPECT_EQ(corners_of(r, t), corners_of(w, t)) << k << "/" << t;
      }
      const std::array<float, 6> no_mapping{};
      EXPECT_EQ(mapping_of(r, t), w.texture.empty() ? no_mapping : mapping_of(w, t));
      if (k == 0) {
        EXPECT_EQ(smoothing_of(r, t), smoothing_index[t]);
      }
    }
  }
}

TEST(RoundTrip, LongNamesAreCutTo49AndTheRestOfTheFileSurvives) {
  TempDir dir;
  // Layer names of 47 to 76 characters give material names of 50 to 79.
  std::vector<qev3ds::Layer> layers;
  for (std::size_t n : {47u, 60u, 76u}) {
    layers.push_back({std::string(n, 'a'),
                      10,
                      20,
                      30,
                      5,
                      std::string(79, 'x'),
                      {1, 2, 3, 4, 5, 6, 7, 8, static_cast<float>(n)},
                      {},
                      {}});
  }
  const std::string path = dir.path("long.3ds");
  ASSERT_EQ(write_by_calls(path, layers), QEV_OK);
  const CallsRead read = read_by_calls(path);
  ASSERT_EQ(read.status, QEV_READ_OK);
  ASSERT_EQ(read.layers.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(read.layers[k].name,
              std::string(std::min<std::size_t>(layers[k].name.size(), 49), 'a'));
    EXPECT_EQ(read.layers[k].texture, std::string(49, 'x'));
    // All layers' materials cut to the same 49 characters: the first wins.
    EXPECT_EQ(read.layers[k].red, 10);
    ASSERT_EQ(read.layers[k].triangle_count(), 1u);
    EXPECT_EQ(read.layers[k].corners[8], layers[k].corners[8]);
  }
}

}  // namespace
}  // namespace qev::test
