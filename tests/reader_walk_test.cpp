// The chunk walk over hand-built files: what lands in the scene model.
#include <gtest/gtest.h>

#include <string>

#include "reader/reader_state.h"
#include "support/reader_files.h"
#include "support/scene_io.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

using qev::reader::SceneModel;

class ReaderWalk : public ::testing::Test {
 protected:
  std::int32_t parse(const Bytes& bytes) { return parse_bytes(dir_, bytes); }
  const SceneModel& scene() { return qev::reader::state().scene; }

  TempDir dir_;
};

TEST_F(ReaderWalk, FaceArraySubChunksAreMetAsSiblings) {
  const Chunk file = m3d_file(
      {object("Box", {points({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}),
                      faces({0, 1, 2, 1, 3, 2}, {mat_group("Red", {1}), mat_group("Blue", {0}),
                                                 smooth({0x3, 0x80})})})});
  ASSERT_EQ(parse(file.bytes()), QEV_READ_OK);
  ASSERT_EQ(scene().meshes.size(), 1u);
  const auto& l = scene().meshes[0];
  EXPECT_EQ(l.name, "Box");
  EXPECT_EQ(l.faces.size(), 2u);
  EXPECT_EQ(l.vertex_count(), 4u);
  ASSERT_EQ(l.groups.size(), 2u);
  EXPECT_EQ(l.groups[0].material, "Red");
  EXPECT_EQ(l.groups[0].count, 1);
  EXPECT_EQ(l.groups[0].face(0), 1);
  EXPECT_EQ(l.groups.at(0).material, "Red");
  EXPECT_EQ(l.faces[0].smoothing, 0x3u);
  EXPECT_EQ(l.faces[1].smoothing, 0x80u);
  EXPECT_EQ(l.faces[1].flags, 7u);
}

TEST_F(ReaderWalk, DefaultGroupAndGroupOfCountZero) {
  const Chunk file = m3d_file({
      object("NoGroup", {points({0, 0, 0}), faces({0, 0, 0, 0, 0, 0, 0, 0, 0})}),
      object("Zero", {points({0, 0, 0}), faces({0, 0, 0, 0, 0, 0}, {mat_group("M", {})})}),
  });
  ASSERT_EQ(parse(file.bytes()), QEV_READ_OK);
  ASSERT_EQ(scene().meshes.size(), 2u);
  const auto& none = scene().meshes[0];
  EXPECT_EQ(none.groups.size(), 1u);
  EXPECT_EQ(none.groups.at(0).material, "WG_DEFAULT");
  for (const auto& f : none.faces) EXPECT_EQ(f.smoothing, 0u);  // no SMOOTH_GROUP
  const auto& zero = scene().meshes[1];
  ASSERT_EQ(zero.groups.size(), 1u);
  EXPECT_EQ(zero.groups[0].count, 2);  // every face of the mesh
  EXPECT_EQ(zero.groups[0].face(1), 1);
}

TEST_F(ReaderWalk, ObjectsWithoutMeshesAndUnknownChunks) {
  const Chunk light = Chunk(NAMED_OBJECT).str("Lamp").child(Chunk(0x4600).f32(1).f32(2).f32(3));
  const Chunk camera = Chunk(NAMED_OBJECT).str("Cam").child(Chunk(0x4700).raw(Bytes(32, 0)));
  const Chunk unknown6(0x1234);  // length 6: skipped, the walk goes on at the next byte
  const Chunk file =
      m3d_file({unknown6, light, camera, Chunk(0x7777).raw(Bytes(10, 0xAB)),
                object("Mesh", {points({1, 2, 3}), Chunk(MESH_MATRIX).raw(Bytes(48, 0)),
                                faces({0, 0, 0})})});
  ASSERT_EQ(parse(file.bytes()), QEV_READ_OK);
  ASSERT_EQ(scene().meshes.size(), 1u);
  EXPECT_EQ(scene().meshes[0].name, "Mesh");
  EXPECT_EQ(scene().meshes[0].vertices, (std::vector<float>{1, 2, 3}));
}

TEST_F(ReaderWalk, TwoMeshesInOneObjectAndReplacedArrays) {
  Chunk two(NAMED_OBJECT);
  two.str("Twin");
  two.child(Chunk(N_TRI_OBJECT)
                .children({points({1, 1, 1}), points({2, 2, 2, 3, 3, 3}), faces({0, 1, 1})}));
  two.child(Chunk(N_TRI_OBJECT).children({points({4, 4, 4}), faces({0, 0, 0})}));
  ASSERT_EQ(parse(m3d_file({two}).bytes()), QEV_READ_OK);
  ASSERT_EQ(scene().meshes.size(), 2u);
  EXPECT_EQ(scene().meshes[1].name, "Twin");
  EXPECT_EQ(scene().meshes[0].vertex_count(), 2u);  // the second POINT_ARRAY replaced the first
  EXPECT_EQ(scene().meshes[0].vertices[0], 2.0f);
}

TEST_F(ReaderWalk, MaterialColourLayouts) {
  struct Case {
    const char* what;
    Chunk diffuse;
    qev::reader::Rgb first, second;
  } cases[] = {
      {"COLOR_24 only",
       Chunk(MAT_DIFFUSE).child(rgb24(COLOR_24, 10, 20, 30)),
       {10, 20, 30},
       {0, 0, 0}},
      {"COLOR_24 then LIN_COLOR_24",
       Chunk(MAT_DIFFUSE).children({rgb24(COLOR_24, 10, 20, 30), rgb24(LIN_COLOR_24, 40, 50, 60)}),
       {10, 20, 30},
       {40, 50, 60}},
      {"LIN_COLOR_24 then COLOR_24",
       Chunk(MAT_DIFFUSE).children({rgb24(LIN_COLOR_24, 1, 2, 3), rgb24(COLOR_24, 4, 5, 6)}),
       {1, 2, 3},
       {4, 5, 6}},
      {"COLOR_F",
       Chunk(MAT_DIFFUSE).child(rgbf(COLOR_F, 1.0f, 0.5f, 0.0f)),
       {256, 128, 0},
       {0, 0, 0}},
      {"COLOR_F 0.999, no clamping",
       Chunk(MAT_DIFFUSE).child(rgbf(COLOR_F, 0.999f, 128.0f, 255.0f)),
       {255, -32768, -256},
       {0, 0, 0}},
      {"COLOR_F then LIN_COLOR_F: the second is skipped by the material walk",
       Chunk(MAT_DIFFUSE).children({rgbf(COLOR_F, 0.5f, 0.5f, 0.5f), rgbf(LIN_COLOR_F, 1, 1, 1)}),
       {128, 128, 128},
       {0, 0, 0}},
      {"COLOR_24 then COLOR_F",
       Chunk(MAT_DIFFUSE).children({rgb24(COLOR_24, 7, 8, 9), rgbf(COLOR_F, 0.25f, 0.5f, 1.0f)}),
       {7, 8, 9},
       {64, 128, 256}},
  };
  for (const Case& c : cases) {
    const Chunk file = m3d_file({material("M", {c.diffuse, percentage(MAT_TRANSPARENCY, 33)})});
    ASSERT_EQ(parse(file.bytes()), QEV_READ_OK) << c.what;
    ASSERT_EQ(scene().materials.size(), 1u) << c.what;
    const auto& m = scene().materials[0];
    EXPECT_EQ(m.diffuse[0].red, c.first.red) << c.what;
    EXPECT_EQ(m.diffuse[0].green, c.first.green) << c.what;
    EXPECT_EQ(m.diffuse[0].blue, c.first.blue) << c.what;
    EXPECT_EQ(m.diffuse[1].red, c.second.red) << c.what;
    EXPECT_EQ(m.diffuse[1].blue, c.second.blue) << c.what;
    EXPECT_EQ(m.transparency, 33) << c.what;  // the walk stayed in step after the colours
  }
}

TEST_F(ReaderWalk, MaterialFieldsAndDefaults) {
  const Chunk full = material(
      "Full",
      {Chunk(MAT_SPECULAR).children({rgb24(COLOR_24, 9, 9, 9), rgb24(LIN_COLOR_24, 8, 8, 8)}),
       percentage(MAT_SHININESS, 70), Chunk(MAT_TWO_SIDE), Chunk(MAT_SHADING).u16(3),
       texmap("brick.bmp")});
  const Chunk bare(MAT_ENTRY);
  ASSERT_EQ(parse(m3d_file({full, bare}).bytes()), QEV_READ_OK);
  ASSERT_EQ(scene().materials.size(), 2u);
  const auto& m = scene().materials[0];
  EXPECT_EQ(m.name, "Full");
  EXPECT_EQ(m.specular[1].red, 8);
  EXPECT_EQ(m.shininess, 70);
  EXPECT_EQ(m.texture, "brick.bmp");
  EXPECT_EQ(m.map_percentage, 100);
  const auto& b = scene().materials[1];
  EXPECT_EQ(b.name, "");
  EXPECT_EQ(b.texture, "");
}

TEST_F(ReaderWalk, RootOfMdataAndRootEndingBeforeTheFile) {
  const Bytes mdata_only = Chunk(MDATA).bytes();
  ASSERT_EQ(parse(mdata_only), QEV_READ_OK);
  EXPECT_TRUE(scene().meshes.empty());
  EXPECT_TRUE(scene().materials.empty());

  const Bytes mdata_root = Chunk(MDATA).child(triangle_object("T", "M")).bytes();
  ASSERT_EQ(parse(mdata_root), QEV_READ_OK);
  EXPECT_EQ(scene().meshes.size(), 1u);

  // Bytes after the root, even garbage, are never looked at.
  const Bytes trailing = concat({m3d_file({triangle_object("T", "M")}).bytes(), Bytes(7, 0xFF)});
  ASSERT_EQ(parse(trailing), QEV_READ_OK);
  EXPECT_EQ(scene().meshes.size(), 1u);
}

TEST_F(ReaderWalk, RootWithoutAVersionChunk) {
  // Some writers put MDATA first under M3DMAGIC; read literally, the walk
  // would take MDATA's header for the version and lose the whole scene.
  const Chunk without = Chunk(M3DMAGIC).child(Chunk(MDATA).child(triangle_object("T", "M")));
  ASSERT_EQ(parse(without.bytes()), QEV_READ_OK);
  ASSERT_EQ(scene().meshes.size(), 1u);
  EXPECT_EQ(scene().meshes[0].name, "T");
  // With a version chunk, its u32 is taken whatever its length says.
  const Chunk short_version = Chunk(M3DMAGIC).children(
      {Chunk(M3D_VERSION).u32(7).length(6), Chunk(MDATA).child(triangle_object("V", "M"))});
  ASSERT_EQ(parse(short_version.bytes()), QEV_READ_OK);
  ASSERT_EQ(scene().meshes.size(), 1u);
  EXPECT_EQ(scene().version, 7u);
}

TEST_F(ReaderWalk, SmoothGroupBeforeAnyFaceArrayIsSkipped) {
  const Chunk file = m3d_file({object("S", {smooth({0x12345678, 0x9ABCDEF0}), points({0, 0, 0}),
                                            faces({0, 0, 0}, {smooth({4})})})});
  ASSERT_EQ(parse(file.bytes()), QEV_READ_OK);
  ASSERT_EQ(scene().meshes.size(), 1u);
  EXPECT_EQ(scene().meshes[0].faces[0].smoothing, 4u);
}

TEST_F(ReaderWalk, NamesOf49And50And60Characters) {
  for (std::size_t n : {49u, 50u, 60u, 300u}) {
    const std::string long_name(n, 'x');
    const Chunk file = m3d_file({triangle_object(long_name, long_name), material(long_name)});
    ASSERT_EQ(parse(file.bytes()), QEV_READ_OK) << n;
    ASSERT_EQ(scene().meshes.size(), 1u) << n;
    ASSERT_EQ(scene().materials.size(), 1u) << n;
    const std::string kept(n < 49 ? n : 49, 'x');
    EXPECT_EQ(scene().meshes[0].name, kept) << n;
    EXPECT_EQ(scene().meshes[0].groups.at(0).material, kept) << n;
    EXPECT_EQ(scene().materials[0].name, kept) << n;
    EXPECT_EQ(scene().meshes[0].vertex_count(), 3u) << n;  // the walk stayed in step
  }
}

TEST_F(ReaderWalk, ManyMaterialsAndLayersAreAllKept) {
  Chunk mdata(MDATA);
  for (int i = 0; i < 250; ++i)
    mdata.child(
        material("M" + std::to_string(i),
                 {Chunk(MAT_DIFFUSE).child(rgb24(COLOR_24, 1, 2, static_cast<std::uint8_t>(i)))}));
  for (int i = 0; i < 4100; ++i)
    mdata.child(triangle_object("L" + std::to_string(i), "M" + std::to_string(i % 250)));
  ASSERT_EQ(parse(mdata.bytes()), QEV_READ_OK);
  EXPECT_EQ(scene().materials.size(), 250u);
  std::int32_t n = 0;
  ASSERT_EQ(QEV_READ_3DS_N_LAYER(&n), 4100);
  char name[64], texture[64];
  std::int32_t tr, r, g, b;
  const std::int32_t last = 4100;
  QEV_READ_3DS_LAYER(&last, name, &tr, &r, &g, &b, texture);
  EXPECT_STREQ(name, "L4099");
  EXPECT_EQ(b, 4099 % 250);  // found its material past the 200th
  float corners[9], mapping[6];
  std::int32_t smoothing, t = 1;
  EXPECT_EQ(QEV_READ_3DS_TRIANGLE(&last, &t, &smoothing, corners, mapping), 1);
  EXPECT_EQ(QEV_READ_3DS_END(), 1);  // the other layers were not fetched
}

}  // namespace
}  // namespace qev::test
