// The C++ scene API: everything the walk finds, the one rule for a face's
// material, parsing from memory and from a path alike, and parses on
// several threads at once (run under ThreadSanitizer by the test command).
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "qev_3ds_scene.hpp"
#include "support/reader_files.h"
#include "support/scene_io.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

using qev3ds::Scene;

qev3ds::ReadResult parse(const Bytes& bytes) {
  return qev3ds::read_scene(bytes.data(), bytes.size());
}

bool same_rgb(const qev3ds::Rgb& a, const qev3ds::Rgb& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// Field by field, so a scene that differs says where.
void expect_same(const Scene& a, const Scene& b) {
  EXPECT_EQ(a.version, b.version);
  ASSERT_EQ(a.meshes.size(), b.meshes.size());
  for (std::size_t i = 0; i < a.meshes.size(); ++i) {
    const auto &x = a.meshes[i], &y = b.meshes[i];
    EXPECT_EQ(x.name, y.name) << i;
    EXPECT_EQ(x.vertices, y.vertices) << i;
    EXPECT_EQ(x.mapping, y.mapping) << i;
    ASSERT_EQ(x.faces.size(), y.faces.size()) << i;
    for (std::size_t f = 0; f < x.faces.size(); ++f) {
      EXPECT_TRUE(x.faces[f].a == y.faces[f].a && x.faces[f].b == y.faces[f].b &&
                  x.faces[f].c == y.faces[f].c && x.faces[f].flags == y.faces[f].flags &&
                  x.faces[f].smoothing == y.faces[f].smoothing)
          << i << " face " << f;
    }
    ASSERT_EQ(x.groups.size(), y.groups.size()) << i;
    for (std::size_t g = 0; g < x.groups.size(); ++g) {
      EXPECT_EQ(x.groups[g].material, y.groups[g].material);
      EXPECT_EQ(x.groups[g].count, y.groups[g].count);
      EXPECT_EQ(x.groups[g].indices, y.groups[g].indices);
    }
  }
  ASSERT_EQ(a.materials.size(), b.materials.size());
  for (std::size_t i = 0; i < a.materials.size(); ++i) {
    const auto &x = a.materials[i], &y = b.materials[i];
    EXPECT_EQ(x.name, y.name);
    EXPECT_EQ(x.texture, y.texture);
    for (int c = 0; c < 2; ++c) {
      EXPECT_TRUE(same_rgb(x.diffuse[c], y.diffuse[c]) && same_rgb(x.specular[c], y.specular[c]));
    }
    EXPECT_TRUE(x.shininess == y.shininess && x.transparency == y.transparency &&
                x.map_tiling == y.map_tiling && x.map_percentage == y.map_percentage);
  }
}

Chunk diffuse(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return Chunk(MAT_DIFFUSE).children({rgb24(COLOR_24, 1, 1, 1), rgb24(LIN_COLOR_24, r, g, b)});
}

// A mesh of six faces whose groups overlap, leave a face out, name a
// material the file lacks and repeat a name; "Fur" is defined twice.
Chunk multi_group_file() {
  return m3d_file({
      material("Eye", {diffuse(10, 20, 30)}),
      material("Fur", {diffuse(200, 150, 100), percentage(MAT_TRANSPARENCY, 40)}),
      material("Fur", {diffuse(1, 2, 3)}),
      material("Skin", {Chunk(MAT_DIFFUSE).child(rgb24(COLOR_24, 0, 0, 0)), texmap("SKIN.TGA")}),
      object("Cat",
             {points({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}),
              faces({0, 1, 2, 1, 3, 2, 0, 1, 3, 0, 2, 3, 0, 0, 1, 2, 2, 2},
                    {mat_group("Eye", {0, 1}), mat_group("Fur", {1, 2}), mat_group("Missing", {3}),
                     mat_group("Fur", {4}), mat_group("Skin", {9})})}),
  });
}

TEST(SceneApi, EveryFaceGetsTheMaterialOfTheFirstGroupThatListsIt) {
  const auto read = parse(multi_group_file().bytes());
  ASSERT_EQ(read.status, qev3ds::read_ok);
  const auto& mesh = read.scene.meshes.at(0);
  ASSERT_EQ(mesh.groups.size(), 5u);
  EXPECT_EQ(mesh.groups[1].material, "Fur");
  EXPECT_EQ(mesh.groups[1].indices, (std::vector<std::uint16_t>{1, 2}));

  // Face 1 is in Eye and Fur: the first wins. Face 5 is in no group; the
  // index 9 of Skin's group is past the faces and names nothing.
  EXPECT_EQ(qev3ds::face_groups(mesh), (std::vector<std::int32_t>{0, 0, 1, 2, 3, -1}));

  const qev3ds::MaterialIndex materials(read.scene);
  struct Want {
    std::int32_t group;
    const char* material;
    std::int16_t red, green, blue;
    std::int32_t transparency;
  } wants[] = {
      {0, "Eye", 10, 20, 30, 0},
      {1, "Fur", 200, 150, 100, 40},  // the first "Fur" of the file
      {2, "Missing", 180, 180, 180, 0},
      {-1, "Eye", 10, 20, 30, 0},  // no group: the layer's own look, its first group's
  };
  for (const Want& w : wants) {
    const qev3ds::Look look = qev3ds::face_look(materials, mesh, w.group);
    EXPECT_EQ(look.material_name, w.material) << w.group;
    EXPECT_EQ(look.material == nullptr, std::string(w.material) == "Missing") << w.group;
    EXPECT_TRUE(same_rgb(look.colour, {w.red, w.green, w.blue})) << w.group;
    EXPECT_EQ(look.transparency, w.transparency) << w.group;
  }
  const qev3ds::Look skin = qev3ds::face_look(materials, mesh, 4);
  EXPECT_EQ(skin.texture, "SKIN.TGA");
  EXPECT_TRUE(same_rgb(skin.colour, {180, 180, 180}));  // black both times: grey
}

TEST(SceneApi, ReportsWhatTheThirteenFunctionsDoNot) {
  const Chunk file = m3d_file({
      material(
          "M",
          {diffuse(4, 5, 6),
           Chunk(MAT_SPECULAR).children({rgb24(COLOR_24, 7, 8, 9), rgb24(LIN_COLOR_24, 1, 2, 3)}),
           percentage(MAT_SHININESS, 33),
           Chunk(MAT_TEXMAP)
               .children({Chunk(INT_PERCENTAGE).u16(60), Chunk(MAT_MAPNAME).str("a.gif"),
                          Chunk(MAT_MAP_TILING).u16(0x11)})}),
      object("O", {points({0, 0, 0, 1, 0, 0, 0, 1, 0}), tex_verts({0.5f, 0.25f}),
                   faces({0, 1, 2}, {mat_group("M", {}), smooth({0x80000101u})})}),
  });
  const auto read = parse(file.bytes());
  ASSERT_EQ(read.status, qev3ds::read_ok);
  EXPECT_EQ(read.scene.version, 3u);
  const auto& m = read.scene.materials.at(0);
  EXPECT_TRUE(same_rgb(m.diffuse[0], {1, 1, 1}) && same_rgb(m.diffuse[1], {4, 5, 6}));
  EXPECT_TRUE(same_rgb(m.specular[0], {7, 8, 9}) && same_rgb(m.specular[1], {1, 2, 3}));
  EXPECT_EQ(m.shininess, 33);
  EXPECT_EQ(m.map_tiling, 0x11);
  EXPECT_EQ(m.map_percentage, 60);
  EXPECT_EQ(m.texture, "a.gif");
  const auto& mesh = read.scene.meshes.at(0);
  EXPECT_EQ(mesh.faces.at(0).smoothing, 0x80000101u);  // all 32 bits
  EXPECT_EQ(mesh.faces.at(0).flags, 7);
  EXPECT_EQ(mesh.mapping_count(), 1u);  // fewer pairs than vertices, as the file has
  ASSERT_EQ(mesh.groups.size(), 1u);
  EXPECT_EQ(mesh.groups[0].count, 1);  // a count of 0 covers every face
}

TEST(SceneApi, MeshWithoutGroupsHasTheDefaultGroup) {
  const Chunk file = m3d_file({material("WG_DEFAULT", {diffuse(9, 9, 9)}),
                               object("O", {points({0, 0, 0}), faces({0, 0, 0, 0, 0, 0})})});
  const auto read = parse(file.bytes());
  ASSERT_EQ(read.status, qev3ds::read_ok);
  const auto& mesh = read.scene.meshes.at(0);
  ASSERT_EQ(mesh.groups.size(), 1u);
  EXPECT_EQ(mesh.groups[0].material, "WG_DEFAULT");
  EXPECT_EQ(mesh.groups[0].count, 2);
  EXPECT_EQ(qev3ds::face_groups(mesh), (std::vector<std::int32_t>{0, 0}));
  EXPECT_TRUE(
      same_rgb(qev3ds::mesh_look(qev3ds::MaterialIndex(read.scene), mesh).colour, {9, 9, 9}));
}

// Every layer of a written file, and of the multi-group file: the scene
// API's look of a mesh is what QEV_READ_3DS_LAYER reports.
TEST(SceneApi, MeshLookEqualsTheLayerQuery) {
  TempDir dir;
  const std::vector<float> t = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const std::string written = dir.path("w.3ds");
  ASSERT_EQ(write_by_calls(written, {{"A", 1, 2, 3, 10, "", t, {}, {}},
                                     {"Black", 0, 0, 0, 0, "b.bmp", t, {}, {}},
                                     {"C", 255, 0, 300, 99, "", {}, {}, {}}}),
            QEV_OK);
  const std::string multi = dir.path("m.3ds");
  write_bytes(multi, multi_group_file().bytes());
  for (const std::string& path : {written, multi}) {
    const auto read = qev3ds::read_scene(path);
    ASSERT_EQ(read.status, qev3ds::read_ok);
    const qev3ds::MaterialIndex materials(read.scene);
    const CallsRead c = read_by_calls(path);
    ASSERT_EQ(c.layers.size(), read.scene.meshes.size());
    for (std::size_t k = 0; k < c.layers.size(); ++k) {
      const qev3ds::Look look = qev3ds::mesh_look(materials, read.scene.meshes[k]);
      EXPECT_EQ(look.colour.red, c.layers[k].red) << path << " " << k;
      EXPECT_EQ(look.colour.green, c.layers[k].green) << k;
      EXPECT_EQ(look.colour.blue, c.layers[k].blue) << k;
      EXPECT_EQ(look.transparency, c.layers[k].transparency) << k;
      EXPECT_EQ(look.texture, c.layers[k].texture) << k;
      EXPECT_EQ(read.scene.meshes[k].name, c.layers[k].name) << k;
    }
  }
}

TEST(SceneApi, BytesAndPathGiveTheSameSceneAndTheSameStatuses) {
  TempDir dir;
  const Bytes bytes = multi_group_file().bytes();
  const std::string path = dir.path("m.3ds");
  write_bytes(path, bytes);
  const auto from_path = qev3ds::read_scene(path);
  const auto from_bytes = parse(bytes);
  ASSERT_EQ(from_path.status, qev3ds::read_ok);
  ASSERT_EQ(from_bytes.status, qev3ds::read_ok);
  expect_same(from_path.scene, from_bytes.scene);

  EXPECT_EQ(qev3ds::read_scene(dir.path("missing.3ds")).status, qev3ds::cannot_open);
  EXPECT_EQ(qev3ds::read_scene(nullptr, 0).status, qev3ds::not_3ds);
  EXPECT_EQ(qev3ds::read_scene(nullptr, 10).status, qev3ds::not_3ds);
  // Every prefix fails, and leaves nothing in the result.
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const auto cut = qev3ds::read_scene(bytes.data(), n);
    ASSERT_EQ(cut.status, qev3ds::not_3ds) << n;
    ASSERT_TRUE(cut.scene.meshes.empty() && cut.scene.materials.empty()) << n;
  }
}

TEST(SceneApi, LeavesTheReaderOfTheCFunctionsAlone) {
  TempDir dir;
  const std::vector<float> two_at_the_origin(18, 0.0f);
  const std::string path = dir.path("c.3ds");
  ASSERT_EQ(write_by_calls(path, {{"Kept", 5, 6, 7, 0, "", two_at_the_origin, {}, {}}}), QEV_OK);
  std::int32_t status = -1, n = 0;
  ASSERT_EQ(QEV_READ_3DS_FILENAME(path.c_str(), &status), QEV_READ_OK);
  ASSERT_EQ(parse(multi_group_file().bytes()).status, qev3ds::read_ok);
  ASSERT_EQ(parse(Bytes{1, 2, 3}).status, qev3ds::not_3ds);
  ASSERT_EQ(QEV_READ_3DS_N_LAYER(&n), 1);
  char name[64], texture[64];
  std::int32_t k = 1, tr, r, g, b;
  QEV_READ_3DS_LAYER(&k, name, &tr, &r, &g, &b, texture);
  EXPECT_STREQ(name, "Kept");
  EXPECT_EQ(r, 5);
  QEV_READ_3DS_END();
}

// Two threads, each parsing its own file again and again, against the
// scenes of single-threaded parses.
// LayerWriter once was the process-wide writer of the thirteen functions,
// and two files could not be written at once. Two writers on two threads
// must write the bytes those functions write for the same layers, every
// time (ThreadSanitizer runs this in the test command).
TEST(SceneThreads, TwoLayerWritersAtOnceWriteTheBytesOfTheCalls) {
  TempDir dir;
  std::vector<qev3ds::Layer> layers[2];
  for (int s = 0; s < 2; ++s) {
    for (int k = 0; k < 3; ++k) {
      qev3ds::Layer l{"L" + std::to_string(s) + std::to_string(k),
                      40 * k,
                      250,
                      7,
                      10 * k,
                      k == 1 ? "t.bmp" : "",
                      {},
                      {},
                      {}};
      for (int i = 0; i < 2000 + 500 * s; ++i) {
        const float x = static_cast<float>(i % 50) * (1 + s), y = static_cast<float>(i / 50);
        add_triangle(l, {x, y, 0, x + 1, y, 0.5f, x, y + 1, 0},  // shared corners: welding at work
                     {x / 50, y / 50, (x + 1) / 50, y / 50, x / 50, (y + 1) / 50}, i % 9);
      }
      layers[s].push_back(l);
    }
  }
  Bytes want[2];
  for (int s = 0; s < 2; ++s) {
    const std::string path = dir.path("calls" + std::to_string(s) + ".3ds");
    ASSERT_EQ(write_by_calls(path, layers[s]), QEV_OK);
    want[s] = read_bytes(path);
  }
  constexpr int kRounds = 5;
  bool same[2][kRounds] = {};
  const auto writer = [&](int s) {
    qev3ds::LayerWriter w;
    for (int i = 0; i < kRounds; ++i) {
      const std::string path = dir.path("writer" + std::to_string(s) + ".3ds");
      same[s][i] = w.write(path, layers[s]).ok() && read_bytes(path) == want[s];
    }
  };
  std::thread a(writer, 0), b(writer, 1);
  a.join();
  b.join();
  for (int s = 0; s < 2; ++s)
    for (int i = 0; i < kRounds; ++i) EXPECT_TRUE(same[s][i]) << s << " round " << i;
  // Arrays that are not whole triangles are refused, and nothing is written.
  qev3ds::Layer broken{"Broken", 0, 0, 0, 0, "", {0, 0, 0, 1}, {}, {}};
  EXPECT_EQ(qev3ds::LayerWriter().write(dir.path("broken.3ds"), {broken}).status,
            qev3ds::write_out_of_range);
  EXPECT_FALSE(std::filesystem::exists(dir.path("broken.3ds")));
}

TEST(SceneThreads, TwoFilesParsedAtOnceEqualSingleParses) {
  TempDir dir;
  std::vector<float> corners;
  std::vector<std::int32_t> smoothing;
  for (std::size_t i = 0; i < 3000; ++i) {
    const float x = static_cast<float>(i);
    corners.insert(corners.end(), {x, 0, 0, x + 1, 0, 0, x, 1, 0});
    smoothing.push_back(static_cast<std::int32_t>(i % 7));
  }
  const std::string first = dir.path("first.3ds"), second = dir.path("second.3ds");
  ASSERT_EQ(write_by_calls(first, {{"A", 1, 2, 3, 0, "", corners, {}, smoothing},
                                   {"B", 4, 5, 6, 5, "t.bmp", corners, {}, smoothing}}),
            QEV_OK);
  write_bytes(second, multi_group_file().bytes());
  const Scene want_first = qev3ds::read_scene(first).scene,
              want_second = qev3ds::read_scene(second).scene;
  ASSERT_EQ(want_first.meshes.size(), 2u);

  constexpr int kRounds = 20;
  std::vector<Scene> got_first(kRounds), got_second(kRounds);
  std::vector<int> status_first(kRounds, -1), status_second(kRounds, -1);
  const Bytes second_bytes = read_bytes(second);
  std::thread a([&] {
    for (int i = 0; i < kRounds; ++i) {
      auto read = qev3ds::read_scene(first);
      status_first[i] = read.status;
      got_first[i] = std::move(read.scene);
    }
  });
  std::thread b([&] {
    for (int i = 0; i < kRounds; ++i) {
      // From a path and from memory in turn.
      auto read = i % 2 ? qev3ds::read_scene(second) : parse(second_bytes);
      status_second[i] = read.status;
      got_second[i] = std::move(read.scene);
    }
  });
  a.join();
  b.join();
  for (int i = 0; i < kRounds; ++i) {
    ASSERT_EQ(status_first[i], qev3ds::read_ok);
    ASSERT_EQ(status_second[i], qev3ds::read_ok);
    expect_same(got_first[i], want_first);
    expect_same(got_second[i], want_second);
  }
}

}  // namespace
}  // namespace qev::test
