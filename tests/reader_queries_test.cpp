// The host's queries: material lookup, colours, the texture flag, smoothing
// indices, triangle cursors and the end of reading.
#include <gtest/gtest.h>

#include <string>

#include "support/reader_files.h"
#include "support/scene_io.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

class ReaderQueries : public ::testing::Test {
 protected:
  void load(const Chunk& file) {
    const std::string path = dir_.path("q.3ds");
    write_bytes(path, file.bytes());
    std::int32_t status = -1;
    ASSERT_EQ(QEV_READ_3DS_FILENAME(path.c_str(), &status), QEV_READ_OK);
  }
  struct Layer {
    std::string name, texture;
    std::int32_t transparency, red, green, blue;
  };
  Layer layer(std::int32_t k) {
    char name[64] = "junk", texture[64] = "junk";
    Layer l{};
    QEV_READ_3DS_LAYER(&k, name, &l.transparency, &l.red, &l.green, &l.blue, texture);
    l.name = name;
    l.texture = texture;
    return l;
  }
  std::int32_t fetch(std::int32_t k, std::int32_t t, float* corners = nullptr,
                     float* mapping = nullptr, std::int32_t* smoothing = nullptr) {
    float c[9], m[6];
    std::int32_t s;
    return QEV_READ_3DS_TRIANGLE(&k, &t, smoothing ? smoothing : &s, corners ? corners : c,
                                 mapping ? mapping : m);
  }

  TempDir dir_;
};

TEST_F(ReaderQueries, ColourFallsBackFromSecondToFirstToGrey) {
  struct Case {
    std::uint8_t first[3], second[3];
    std::int32_t expected[3];
  } cases[] = {
      {{10, 20, 30}, {40, 50, 60}, {40, 50, 60}},
      {{10, 20, 30}, {0, 0, 0}, {10, 20, 30}},
      {{0, 0, 0}, {0, 0, 0}, {180, 180, 180}},
      {{10, 20, 30}, {0, 0, 5}, {0, 0, 5}},
  };
  for (const Case& c : cases) {
    load(m3d_file(
        {material("M", {Chunk(MAT_DIFFUSE)
                            .children({rgb24(COLOR_24, c.first[0], c.first[1], c.first[2]),
                                       rgb24(LIN_COLOR_24, c.second[0], c.second[1], c.second[2])}),
                        percentage(MAT_TRANSPARENCY, 40)}),
         triangle_object("T", "M")}));
    const Layer l = layer(1);
    EXPECT_EQ(l.red, c.expected[0]);
    EXPECT_EQ(l.green, c.expected[1]);
    EXPECT_EQ(l.blue, c.expected[2]);
    EXPECT_EQ(l.transparency, 40);
  }
}

TEST_F(ReaderQueries, LayerWithoutMaterialGetsDefaults) {
  load(m3d_file({material("Other", {texmap("x.bmp")}),
                 object("Plain", {points({1, 2, 3, 4, 5, 6, 7, 8, 9}),
                                  tex_verts({1, 1, 1, 1, 1, 1}), faces({0, 1, 2})})}));
  std::int32_t n;
  QEV_READ_3DS_N_LAYER(&n);  // cursors count from here, not from the parse
  const Layer l = layer(1);
  EXPECT_EQ(l.name, "Plain");
  EXPECT_EQ(l.texture, "");
  EXPECT_EQ(l.transparency, 0);
  EXPECT_EQ(l.red, 180);
  EXPECT_EQ(l.green, 180);
  EXPECT_EQ(l.blue, 180);
  float corners[9], mapping[6];
  EXPECT_EQ(fetch(1, 1, corners, mapping), 1);
  EXPECT_EQ(corners[8], 9.0f);
  for (float m : mapping) EXPECT_EQ(m, 0.0f);  // no material, no mapping
}

TEST_F(ReaderQueries, TexturedLayerCarriesMappingOfItsVertices) {
  load(m3d_file({material("Tex", {texmap("abcdefgh")}), material("Bare"),
                 object("A", {points({0, 0, 0, 1, 0, 0, 0, 1, 0}),
                              tex_verts({0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f}),
                              faces({2, 0, 1}, {mat_group("Tex", {0})})}),
                 object("B", {points({0, 0, 0}), tex_verts({0.7f, 0.8f}),
                              faces({0, 0, 0}, {mat_group("Bare", {0})})})}));
  float mapping[6];
  // Before the layer query the flag is 0: zeros.
  fetch(1, 1, nullptr, mapping);
  EXPECT_EQ(mapping[0], 0.0f);
  EXPECT_EQ(layer(1).texture, "abcdefgh");
  fetch(1, 1, nullptr, mapping);
  const float expected[6] = {0.5f, 0.6f, 0.1f, 0.2f, 0.3f, 0.4f};  // corners in the order c, a, b
  for (int i = 0; i < 6; ++i) EXPECT_EQ(mapping[i], expected[i]);
  EXPECT_EQ(layer(2).texture, "");
  fetch(2, 1, nullptr, mapping);
  EXPECT_EQ(mapping[0], 0.0f);
}

TEST_F(ReaderQueries, FirstOfTwoMaterialsOfTheSameNameWins) {
  load(m3d_file({material("M", {Chunk(MAT_DIFFUSE).child(rgb24(COLOR_24, 1, 1, 1))}),
                 material("M", {Chunk(MAT_DIFFUSE).child(rgb24(COLOR_24, 2, 2, 2))}),
                 material("m", {Chunk(MAT_DIFFUSE).child(rgb24(COLOR_24, 3, 3, 3))}),
                 triangle_object("T", "M")}));
  EXPECT_EQ(layer(1).red, 1);
}

TEST_F(ReaderQueries, SmoothingIndexIsTheHighestOfTheLow8Bits) {
  const std::vector<std::uint32_t> words = {0, 1, 3, 0x80, 0x81, 0x100, 0x1FF};
  const std::vector<std::int32_t> expected = {0, 1, 2, 8, 8, 0, 8};
  std::vector<std::uint16_t> abc(3 * words.size(), 0);
  load(m3d_file({object("S", {points({0, 0, 0}), faces(abc, {smooth(words)})})}));
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::int32_t s = -1;
    fetch(1, static_cast<std::int32_t>(i) + 1, nullptr, nullptr, &s);
    EXPECT_EQ(s, expected[i]) << "word " << words[i];
  }
}

TEST_F(ReaderQueries, CursorsCountCallsAndTheEndReportsSkippedTriangles) {
  const Chunk file = m3d_file({object("A", {points({0, 0, 0}), faces({0, 0, 0, 0, 0, 0})}),
                               object("B", {points({0, 0, 0}), faces({0, 0, 0})})});
  load(file);
  std::int32_t n = -1;
  EXPECT_EQ(QEV_READ_3DS_N_LAYER(&n), 2);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(fetch(1, 1), 1);
  EXPECT_EQ(fetch(1, 1), 2);               // the same triangle again still counts
  EXPECT_EQ(QEV_READ_3DS_N_LAYER(&n), 2);  // starts the counts again
  EXPECT_EQ(fetch(1, 2), 1);
  EXPECT_EQ(fetch(2, 1), 1);
  EXPECT_EQ(QEV_READ_3DS_END(), 1);  // layer 1 has two triangles, one fetched
  EXPECT_EQ(QEV_READ_3DS_N_LAYER(&n), 0);

  load(file);
  QEV_READ_3DS_N_LAYER(&n);
  fetch(1, 1);
  fetch(1, 2);
  fetch(2, 1);
  EXPECT_EQ(QEV_READ_3DS_END(), 0);
  EXPECT_EQ(QEV_READ_3DS_END(), 0);  // nothing left to release

  // Every triangle fetched, some of them again: the end counts calls
  // against the face count, so more calls than faces is no skip.
  load(file);
  QEV_READ_3DS_N_LAYER(&n);
  fetch(1, 1);
  fetch(1, 2);
  fetch(2, 1);
  fetch(1, 2);
  fetch(2, 1);
  EXPECT_EQ(QEV_READ_3DS_END(), 0);
}

TEST_F(ReaderQueries, SceneWithoutFacesEndsWithZero) {
  load(m3d_file({object("Empty", {points({0, 0, 0})})}));
  std::int32_t n;
  EXPECT_EQ(QEV_READ_3DS_N_LAYER(&n), 1);
  std::int32_t k = 1, count = -1;
  QEV_READ_3DS_N_TRI(&k, &count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(QEV_READ_3DS_END(), 0);
}

TEST_F(ReaderQueries, ArgumentsOutsideTheScene) {
  // Face indices past the vertex and mapping arrays read as zeros.
  load(m3d_file({material("T", {texmap("t.bmp")}),
                 object("Bad", {points({1, 1, 1}), tex_verts({0.5f, 0.5f}),
                                faces({0, 5, 65535}, {mat_group("T", {0})})})}));
  std::int32_t n;
  QEV_READ_3DS_N_LAYER(&n);
  EXPECT_EQ(layer(1).texture, "t.bmp");
  float corners[9], mapping[6];
  EXPECT_EQ(fetch(1, 1, corners, mapping), 1);
  EXPECT_EQ(corners[0], 1.0f);
  for (int i = 3; i < 9; ++i) EXPECT_EQ(corners[i], 0.0f);
  EXPECT_EQ(mapping[0], 0.5f);
  for (int i = 2; i < 6; ++i) EXPECT_EQ(mapping[i], 0.0f);

  // Layer and triangle numbers outside the scene, null pointers.
  for (std::int32_t k : {0, 2, -1, INT32_MIN}) {
    const Layer l = layer(k);
    EXPECT_EQ(l.name, "");
    EXPECT_EQ(l.texture, "");
    EXPECT_EQ(l.red, 0);
    char name[64], texture[64];
    std::int32_t tr, r, g, b;
    EXPECT_EQ(QEV_READ_3DS_LAYER(&k, name, &tr, &r, &g, &b, texture), QEV_ERR_OUT_OF_RANGE);
    std::int32_t count = 99;
    EXPECT_EQ(QEV_READ_3DS_N_TRI(&k, &count), QEV_ERR_OUT_OF_RANGE);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(fetch(k, 1), QEV_ERR_OUT_OF_RANGE);
  }
  for (std::int32_t t : {0, 2, -5}) {
    std::fill(std::begin(corners), std::end(corners), 7.0f);
    EXPECT_EQ(fetch(1, t, corners), QEV_ERR_OUT_OF_RANGE);
    EXPECT_EQ(corners[0], 0.0f);
  }
  const std::int32_t one = 1;
  std::int32_t out;
  EXPECT_EQ(QEV_READ_3DS_TRIANGLE(&one, &one, &out, nullptr, mapping), QEV_ERR_NULL_ARGUMENT);
  EXPECT_EQ(QEV_READ_3DS_TRIANGLE(nullptr, &one, &out, corners, mapping), QEV_ERR_OUT_OF_RANGE);
  EXPECT_EQ(QEV_READ_3DS_LAYER(&one, nullptr, &out, &out, &out, &out, nullptr),
            QEV_ERR_NULL_ARGUMENT);
  EXPECT_EQ(QEV_READ_3DS_N_TRI(&one, nullptr), QEV_ERR_NULL_ARGUMENT);
  EXPECT_EQ(QEV_READ_3DS_N_LAYER(nullptr), 1);
  EXPECT_EQ(fetch(1, 1), 1);  // none of the refused calls counted
  EXPECT_EQ(QEV_READ_3DS_END(), 0);
}

}  // namespace
}  // namespace qev::test
