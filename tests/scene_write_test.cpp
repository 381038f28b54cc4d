// write_scene: what read_scene gives, write_scene writes back so that reading
// it again gives the same scene, over every corpus file, the peers' models
// and generated scenes; what the format cannot hold is refused with nothing
// written.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "qev_3ds_scene.hpp"
#include "support/temp_files.h"

namespace qev::test {
namespace {

namespace fs = std::filesystem;

// read_scene(write_scene(s)) == s; a refusal is allowed only for numbers
// that are not finite (and such a scene equals nothing, NaN being unequal).
void expect_round_trip(const qev3ds::Scene& scene, const std::string& what) {
  std::vector<std::uint8_t> bytes;
  const qev3ds::WriteResult written = qev3ds::write_scene(scene, bytes);
  if (written.status == qev3ds::write_not_finite) return;
  ASSERT_TRUE(written.ok()) << what << ": " << written.message;
  const qev3ds::ReadResult back = qev3ds::read_scene(bytes.data(), bytes.size());
  ASSERT_EQ(back.status, qev3ds::read_ok) << what;
  EXPECT_TRUE(back.scene == scene) << what;
}

TEST(SceneWrite, EveryReadableFileComesBackEqual) {
  std::vector<fs::path> files;
  for (const char* folder : {"reader", "scene", "writer", "export", "obj", "stl", "gltf"}) {
    const fs::path dir = fs::path(QEV_CORPUS) / folder;
    if (!fs::is_directory(dir)) continue;
    for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path());
  }
  const fs::path peers = fs::path(QEV_ASSIMP_MODELS) / "3DS";
  if (fs::is_directory(peers))
    for (const auto& e : fs::directory_iterator(peers)) files.push_back(e.path());
  std::size_t read = 0;
  for (const fs::path& f : files) {
    const qev3ds::ReadResult r = qev3ds::read_scene(f.string());
    if (r.status != qev3ds::read_ok) continue;
    ++read;
    expect_round_trip(r.scene, f.string());
  }
  EXPECT_GT(read, 5u);
}

// Generated scenes reach what files rarely hold: colours outside the bytes
// (float colours), a first colour of floats with a second one, groups that
// cover all faces, some faces or none, names at the length limit.
TEST(SceneWrite, GeneratedScenesComeBackEqual) {
  std::mt19937 rng(20261208);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const auto name = [&](int max) {
    std::string s(static_cast<std::size_t>(pick(0, max)), 'x');
    for (char& c : s) c = static_cast<char>(pick(1, 255));
    return s;
  };
  const auto colour = [&] {
    const bool bytes = pick(0, 1) == 0;
    const auto v = [&] {
      return static_cast<std::int16_t>(bytes ? pick(0, 255) : pick(-32768, 32767));
    };
    return qev3ds::Rgb{v(), v(), v()};
  };
  for (int s = 0; s < 200; ++s) {
    qev3ds::Scene scene;
    scene.version = static_cast<std::uint32_t>(pick(0, 5));
    for (int m = pick(0, 3); m > 0; --m) {
      qev3ds::Material mat;
      mat.name = name(49);
      mat.diffuse[0] = colour();
      mat.diffuse[1] = pick(0, 2) == 0 ? qev3ds::Rgb{} : colour();
      mat.specular[0] = colour();
      mat.specular[1] = pick(0, 2) == 0 ? qev3ds::Rgb{} : colour();
      mat.shininess = static_cast<std::int16_t>(pick(-5, 120));
      mat.transparency = static_cast<std::int16_t>(pick(0, 100));
      mat.texture = pick(0, 1) ? name(49) : "";
      mat.map_tiling = static_cast<std::uint16_t>(pick(0, 3));
      mat.map_percentage = static_cast<std::uint16_t>(pick(0, 100));
      if (pick(0, 1)) {
        mat.ambient[0] = colour();
        mat.ambient[1] = pick(0, 2) == 0 ? qev3ds::Rgb{} : colour();
        mat.shininess_strength = static_cast<std::int16_t>(pick(0, 100));
        mat.self_illumination = static_cast<std::int16_t>(pick(0, 100));
        mat.transparency_falloff = static_cast<std::int16_t>(pick(0, 100));
        mat.shading = static_cast<std::uint16_t>(pick(0, 4));
        mat.two_sided = pick(0, 1);
        mat.wire = pick(0, 1);
        mat.additive = pick(0, 1);
        mat.falloff_in = pick(0, 1);
        for (int kind = 0; kind < qev3ds::map_kinds; ++kind) {
          if (pick(0, 2) == 0) continue;
          qev3ds::TextureMap& map = mat.map(kind);
          if (kind != qev3ds::map_diffuse) {
            map.name = name(49);
            map.percentage = static_cast<std::int16_t>(pick(0, 100));
            map.tiling = static_cast<std::uint16_t>(pick(0, 3));
          }
          map.blur = static_cast<float>(pick(0, 10)) / 10.0f;
          map.u_scale = static_cast<float>(pick(-4, 4)) / 3.0f;
          map.v_scale = static_cast<float>(pick(-4, 4)) / 3.0f;
          map.u_offset = static_cast<float>(pick(-4, 4)) / 7.0f;
          map.v_offset = static_cast<float>(pick(-4, 4)) / 7.0f;
          map.rotation = static_cast<float>(pick(-360, 360));
        }
      }
      scene.materials.push_back(mat);
    }
    for (int k = pick(0, 3); k > 0; --k) {
      qev3ds::Mesh mesh;
      mesh.name = name(49);
      const int vertices = pick(0, 40), pairs = pick(0, vertices), faces = pick(0, 60);
      for (int i = 0; i < 3 * vertices; ++i)
        mesh.vertices.push_back(static_cast<float>(pick(-1000, 1000)) / 7.0f);
      for (int i = 0; i < 2 * pairs; ++i)
        mesh.mapping.push_back(static_cast<float>(pick(0, 100)) / 9.0f);
      for (int f = 0; f < faces; ++f) {
        const auto idx = [&] {
          return static_cast<std::uint16_t>(pick(0, vertices + 2));
        };  // some past the end
        mesh.faces.push_back({idx(), idx(), idx(), static_cast<std::uint16_t>(pick(0, 7)),
                              static_cast<std::uint32_t>(rng())});
      }
      for (int g = pick(1, 3); g > 0; --g) {
        qev3ds::FaceGroup group;
        group.material = name(49);
        switch (pick(0, 2)) {
          case 0:
            group.count = faces;
            break;  // every face
          case 1:
            group.count = pick(0, faces + 5);
            break;  // what a file with another face array gives
          default:
            for (int j = pick(1, 10); j > 0; --j)
              group.indices.push_back(static_cast<std::uint16_t>(pick(0, 70)));
            group.count = static_cast<std::int32_t>(group.indices.size());
        }
        mesh.groups.push_back(group);
      }
      if (pick(0, 1)) {
        for (float& v : mesh.matrix) v = static_cast<float>(pick(-9, 9)) / 4.0f;
        mesh.colour = static_cast<std::uint8_t>(pick(0, 255));
        if (pick(0, 1)) {  // the type is kept with the numbers only
          mesh.mapping_type = static_cast<std::uint16_t>(pick(0, 3));
          mesh.mapping_info.assign(21, static_cast<float>(pick(-9, 9)));
        }
      }
      scene.meshes.push_back(mesh);
    }
    const auto real = [&] { return static_cast<float>(pick(-999, 999)) / 8.0f; };
    if (pick(0, 1)) scene.master_scale = real();
    for (int k = pick(0, 2); k > 0; --k) {
      qev3ds::Camera cam;
      cam.name = name(49);
      for (int i = 0; i < 3; ++i) cam.position[i] = real(), cam.target[i] = real();
      cam.roll = real();
      cam.lens = real();
      if (pick(0, 1)) cam.near_range = real(), cam.far_range = real();
      scene.cameras.push_back(cam);
    }
    for (int k = pick(0, 2); k > 0; --k) {
      qev3ds::Light light;
      light.name = name(49);
      for (int i = 0; i < 3; ++i) light.position[i] = real(), light.colour[i] = real();
      light.off = pick(0, 1);
      light.multiplier = real();
      light.spot = pick(0, 1);
      if (light.spot) {  // a target and cone are a spot light's only
        for (float& v : light.target) v = real();
        light.hotspot = real();
        light.falloff = real();
      }
      scene.lights.push_back(light);
    }
    if (pick(0, 1)) {
      qev3ds::Keyframer& kf = scene.keyframer;
      kf.revision = static_cast<std::uint16_t>(pick(0, 5));
      kf.file_name = name(49);
      kf.length = static_cast<std::uint32_t>(pick(0, 500));
      kf.start = static_cast<std::uint32_t>(pick(0, 5));
      kf.end = kf.length;
      kf.current = static_cast<std::uint32_t>(pick(0, 5));
      for (int n = pick(0, 5); n > 0; --n) {
        qev3ds::Node node;
        node.kind = static_cast<std::uint16_t>(pick(qev3ds::node_object, qev3ds::node_spot));
        node.id = pick(-1, 70000 % 0x10000);
        node.name = pick(0, 3) ? name(49) : "$$$DUMMY";
        node.instance = pick(0, 1) ? name(49) : "";
        node.flags1 = static_cast<std::uint16_t>(pick(0, 0xFFFF));
        node.flags2 = static_cast<std::uint16_t>(pick(0, 0xFFFF));
        node.parent = static_cast<std::uint16_t>(pick(0, 0xFFFF));
        for (float& v : node.pivot) v = real();
        const std::uint16_t kinds[] = {
            qev3ds::track_position, qev3ds::track_rotation, qev3ds::track_scale,
            qev3ds::track_fov,      qev3ds::track_roll,     qev3ds::track_colour,
            qev3ds::track_hotspot,  qev3ds::track_falloff,  qev3ds::track_hide};
        for (int t = pick(0, 3); t > 0; --t) {
          qev3ds::Track track;
          track.kind = kinds[pick(0, 8)];
          track.flags = static_cast<std::uint16_t>(pick(0, 3));
          for (int k = pick(0, 4); k > 0; --k) {
            qev3ds::Key key;
            key.frame = static_cast<std::uint32_t>(pick(0, 500));
            key.flags = static_cast<std::uint16_t>(pick(0, 31));
            for (int b = 0; b < 5; ++b)
              if (key.flags & (1 << b)) key.spline[b] = real();
            for (int v = 0; v < qev3ds::track_values(track.kind); ++v) key.value[v] = real();
            track.keys.push_back(key);
          }
          node.tracks.push_back(track);
        }
        kf.nodes.push_back(node);
      }
    }
    expect_round_trip(scene, "generated scene " + std::to_string(s));
  }
}

TEST(SceneWrite, WhatTheFormatCannotHoldIsRefusedAndNothingWritten) {
  const auto with = [](auto change) {
    qev3ds::Scene scene;
    qev3ds::Mesh mesh;
    mesh.name = "Hull";
    mesh.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    mesh.faces = {{0, 1, 2, 7, 1}};
    mesh.groups = {{"HullMAT", 1, {}}};
    scene.meshes.push_back(mesh);
    scene.materials.push_back({});
    change(scene);
    return scene;
  };
  struct Case {
    const char* what;
    qev3ds::Scene scene;
    int status;
    const char* message;
  } cases[] = {
      {"65,536 vertices", with([](qev3ds::Scene& s) { s.meshes[0].vertices.resize(3 * 65536); }),
       qev3ds::write_out_of_range, "'Hull'"},
      {"65,536 faces", with([](qev3ds::Scene& s) {
         s.meshes[0].faces.resize(65536, {0, 1, 2, 0, 0});
       }),
       qev3ds::write_out_of_range, "65,535"},
      {"a 50-character name", with([](qev3ds::Scene& s) { s.meshes[0].name.assign(50, 'n'); }),
       qev3ds::write_too_long, "49"},
      {"a NUL in a texture name",
       with([](qev3ds::Scene& s) { s.materials[0].texture = std::string("a\0b", 3); }),
       qev3ds::write_too_long, "material 1"},
      {"a NaN coordinate", with([](qev3ds::Scene& s) { s.meshes[0].vertices[4] = std::nanf(""); }),
       qev3ds::write_not_finite, "'Hull'"},
      {"a group counting other than it lists", with([](qev3ds::Scene& s) {
         s.meshes[0].groups[0].indices = {0, 0};
       }),
       qev3ds::write_out_of_range, "HullMAT"},
      {"half a vertex", with([](qev3ds::Scene& s) { s.meshes[0].vertices.pop_back(); }),
       qev3ds::write_out_of_range, "'Hull'"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.path("refused.3ds");
    const qev3ds::WriteResult r = qev3ds::write_scene(path, c.scene);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << c.what << ": " << r.message;
    EXPECT_TRUE(fs::is_empty(dir.path(""))) << c.what;
  }
  // And a scene it can hold lands at the path, replacing what was there.
  write_bytes(dir.path("ok.3ds"), Bytes(10, 0x55));
  ASSERT_TRUE(qev3ds::write_scene(dir.path("ok.3ds"), with([](qev3ds::Scene&) {})).ok());
  EXPECT_EQ(qev3ds::read_scene(dir.path("ok.3ds")).scene, with([](qev3ds::Scene&) {}));
  EXPECT_EQ(
      qev3ds::write_scene(dir.path("no/such/folder/x.3ds"), with([](qev3ds::Scene&) {})).status,
      qev3ds::write_cannot_create);
}

}  // namespace
}  // namespace qev::test
