// assimp as an independent peer, through its command-line tool: files we
// write must open in it with the same meshes, positions, face counts,
// material names and colours; 3DS files it exports from OBJ must read back
// through our reader with the OBJ's geometry.
#include <gtest/gtest.h>
#include <tiny_obj_loader.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/demo_layers.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

int run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

struct ObjGroup {
  std::vector<std::array<float, 9>> faces;
  std::array<float, 3> kd{};
  float dissolve = 1;
  std::string texture;
};

// Faces of an OBJ by material name.
std::map<std::string, ObjGroup> load_obj(const std::string& path) {
  tinyobj::ObjReader reader;
  tinyobj::ObjReaderConfig config;
  config.triangulate = true;
  EXPECT_TRUE(reader.ParseFromFile(path, config)) << reader.Error();
  std::map<std::string, ObjGroup> out;
  const auto& attrib = reader.GetAttrib();
  const auto& materials = reader.GetMaterials();
  for (const auto& shape : reader.GetShapes()) {
    for (std::size_t f = 0; f < shape.mesh.num_face_vertices.size(); ++f) {
      const int id = shape.mesh.material_ids[f];
      const std::string name = id >= 0 ? materials[static_cast<std::size_t>(id)].name : "";
      ObjGroup& g = out[name];
      if (id >= 0) {
        const auto& m = materials[static_cast<std::size_t>(id)];
        g.kd = {m.diffuse[0], m.diffuse[1], m.diffuse[2]};
        g.dissolve = m.dissolve;
        g.texture = m.diffuse_texname;
      }
      std::array<float, 9> face{};
      for (int c = 0; c < 3; ++c) {
        const auto idx = shape.mesh.indices[3 * f + static_cast<std::size_t>(c)];
        for (int a = 0; a < 3; ++a)
          face[3 * c + a] = attrib.vertices[3 * static_cast<std::size_t>(idx.vertex_index) + a];
      }
      g.faces.push_back(face);
    }
  }
  return out;
}

std::vector<qev3ds::Layer> sample_layers() {
  std::vector<qev3ds::Layer> layers = {{"Grid", 200, 100, 50, 0, "", {}, {}, {}},
                                       {"Decal", 10, 20, 30, 25, "decal.png", {}, {}, {}}};
  for (int i = 0; i < 30; ++i) {
    for (int j = 0; j < 30; ++j) {
      const float x = static_cast<float>(i) * 0.5f, y = static_cast<float>(j) * 0.25f,
                  z = static_cast<float>((i * j) % 7);
      qev3ds::Layer& l = layers[(i + j) % 2];
      add_triangle(l, {x, y, z, x + 0.5f, y, z, x + 0.5f, y + 0.25f, z}, {0, 0, 1, 0, 1, 1});
      add_triangle(l, {x, y, z, x + 0.5f, y + 0.25f, z, x, y + 0.25f, z}, {0, 0, 1, 1, 0, 1});
    }
  }
  return layers;
}

// What assimp sees of a file we wrote: per layer the faces of its material,
// compared with what was written.
void expect_assimp_sees(const TempDir& dir, const std::string& ours,
                        const std::vector<qev3ds::Layer>& layers) {
  const std::string obj = dir.path("assimp.obj");
  ASSERT_EQ(run("assimp export " + ours + " " + obj), 0);
  const auto groups = load_obj(obj);
  for (const qev3ds::Layer& l : layers) {
    SCOPED_TRACE(l.name);
    const auto it = groups.find(l.name + "MAT");
    ASSERT_NE(it, groups.end()) << "no material named after the layer";
    const ObjGroup& g = it->second;
    ASSERT_EQ(g.faces.size(), l.triangle_count());
    EXPECT_NEAR(g.kd[0], l.red / 255.0f, 1e-6);
    EXPECT_NEAR(g.kd[2], l.blue / 255.0f, 1e-6);
    EXPECT_NEAR(g.dissolve, 1.0f - l.transparency / 100.0f, 1e-6);
    EXPECT_EQ(g.texture, l.texture);
    for (std::size_t f = 0; f < g.faces.size(); ++f) {
      for (int c = 0; c < 3; ++c) {
        // assimp turns the 3DS z-up axes into y-up: (x, y, z) -> (x, z, -y).
        const float* w = &l.corners[9 * f + 3 * c];
        ASSERT_EQ(g.faces[f][3 * c], w[0]) << f;
        ASSERT_EQ(g.faces[f][3 * c + 1], w[2]) << f;
        ASSERT_EQ(g.faces[f][3 * c + 2], -w[1]) << f;
      }
    }
  }
}

TEST(AssimpPeer, OpensALargerSceneWeWrite) {
  TempDir dir;
  const std::vector<qev3ds::Layer> layers = sample_layers();
  ASSERT_EQ(write_by_calls(dir.path("ours.3ds"), layers), QEV_OK);
  expect_assimp_sees(dir, dir.path("ours.3ds"), layers);
}

TEST(AssimpPeer, OpensTheDemoScene) {
  TempDir dir;
  const std::vector<qev3ds::Layer> layers =
      write_demo_layers(dir.path("demo.3ds"), dir.path("demo.txt"));
  ASSERT_EQ(layers.size(), 3u);
  expect_assimp_sees(dir, dir.path("demo.3ds"), layers);
}

TEST(AssimpPeer, WeReadWhatItExportsFromObj) {
  TempDir dir;
  write_bytes(dir.path("in.mtl"), [] {
    const std::string m = "newmtl red\nKd 1 0 0\nnewmtl wood\nKd 0.2 0.4 0.6\nmap_Kd wood.png\n";
    return Bytes(m.begin(), m.end());
  }());
  std::string obj = "mtllib in.mtl\n";
  for (int i = 0; i < 40; ++i)
    obj += "v " + std::to_string(i * 0.5) + " " + std::to_string(i % 3) + " " +
           std::to_string(i / 7) + "\n";
  obj += "vt 0 0\nvt 1 0\nvt 1 1\ng walls\nusemtl red\n";
  for (int i = 1; i + 2 <= 20; ++i)
    obj +=
        "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
  obj += "g floor\nusemtl wood\nf 21/1 22/2 23/3 24/1\nf 25/1 30/2 35/3\n";
  write_bytes(dir.path("in.obj"), Bytes(obj.begin(), obj.end()));
  const std::string exported = dir.path("assimp.3ds");
  ASSERT_EQ(run("assimp export " + dir.path("in.obj") + " " + exported), 0);

  const auto groups = load_obj(dir.path("in.obj"));
  const CallsRead read = read_by_calls(exported);
  ASSERT_EQ(read.status, QEV_READ_OK);
  std::size_t faces = 0;
  for (const qev3ds::Layer& l : read.layers) {
    // assimp names the material after the OBJ's, with a suffix.
    const std::string material = l.name.find("walls") != std::string::npos ? "red" : "wood";
    SCOPED_TRACE(l.name);
    const ObjGroup& g = groups.at(material);
    ASSERT_EQ(l.triangle_count(), g.faces.size());
    for (std::size_t f = 0; f < g.faces.size(); ++f) {
      for (std::size_t a = 0; a < 9; ++a) ASSERT_FLOAT_EQ(l.corners[9 * f + a], g.faces[f][a]) << f;
    }
    faces += l.triangle_count();
    EXPECT_EQ(l.texture, g.texture);
  }
  EXPECT_EQ(faces, 18u + 3u);
}

}  // namespace
}  // namespace qev::test
