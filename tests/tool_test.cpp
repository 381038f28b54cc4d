// The qev3ds tool as a user runs it: conversions both ways, JSON, and an
// exit code and a message for every kind of failure.
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <tiny_obj_loader.h>

#include "support/scene_io.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

struct ToolRun {
  int code;
  std::string output;  // stdout and stderr
};

ToolRun tool(const std::string& args, const TempDir& dir) {
  const std::string log = dir.path("tool.log");
  const int status = std::system((std::string(QEV3DS_TOOL) + " " + args + " >" + log + " 2>&1").c_str());
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

void write_text(const std::string& path, const std::string& text) { write_bytes(path, Bytes(text.begin(), text.end())); }

const char* kMtl =
    "newmtl brick\nKd 0.8 0.2 0.1\nd 0.75\nmap_Kd brick.png\n"
    "newmtl steel\nKd 0.5 0.5 0.6\n"
    "newmtl glass\nKd 0.1 0.2 0.3\nd 0.4\n";

// Three groups: a textured quad (triangulated), a smoothed strip, and a
// group with two materials (two layers).
const char* kObj =
    "mtllib scene.mtl\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 1\nv 2 1 1\nv 3 0 2\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "g wall\nusemtl brick\nf 1/1 2/2 3/3 4/4\n"
    "g frame\nusemtl steel\ns 2\nf 2 5 6\nf 2 6 3\ns off\nf 5 7 6\n"
    "g window\nusemtl glass\nf 1 2 4\nusemtl steel\nf 3 4 2\n";

TEST(Tool, ObjThrough3dsAndBack) {
  TempDir dir;
  write_text(dir.path("scene.mtl"), kMtl);
  write_text(dir.path("scene.obj"), kObj);
  ToolRun r = tool("from-obj " + dir.path("scene.obj") + " " + dir.path("scene.3ds"), dir);
  ASSERT_EQ(r.code, 0) << r.output;

  const ReadScene read = read_scene(dir.path("scene.3ds"));
  ASSERT_EQ(read.status, QEV_READ_OK);
  ASSERT_EQ(read.layers.size(), 4u);
  EXPECT_EQ(read.layers[0].name, "wall");
  EXPECT_EQ(read.layers[0].texture, "brick.png");
  EXPECT_EQ(read.layers[0].transparency, 25);
  EXPECT_EQ(read.layers[0].red, 204);
  EXPECT_EQ(read.layers[0].triangles.size(), 2u);  // the quad, triangulated
  EXPECT_EQ(read.layers[0].triangles[0].mapping[2], 1.0f);
  EXPECT_EQ(read.layers[1].triangles[0].smoothing, 2);
  EXPECT_EQ(read.layers[1].triangles[2].smoothing, 0);
  EXPECT_EQ(read.layers[2].name, "window_glass");
  EXPECT_EQ(read.layers[3].name, "window_steel");

  r = tool("to-obj " + dir.path("scene.3ds") + " " + dir.path("back.obj"), dir);
  ASSERT_EQ(r.code, 0) << r.output;
  tinyobj::ObjReader original, back;
  tinyobj::ObjReaderConfig config;
  ASSERT_TRUE(original.ParseFromFile(dir.path("scene.obj"), config));
  ASSERT_TRUE(back.ParseFromFile(dir.path("back.obj"), config)) << back.Error();
  // The same triangles, in the same order, with the same colours and textures.
  auto triangles = [](const tinyobj::ObjReader& obj) {
    std::vector<std::array<float, 9>> out;
    std::vector<std::string> textures;
    std::vector<std::array<float, 3>> colours;
    for (const auto& shape : obj.GetShapes()) {
      for (std::size_t f = 0; f < shape.mesh.num_face_vertices.size(); ++f) {
        std::array<float, 9> t{};
        for (int c = 0; c < 3; ++c) {
          const auto i = static_cast<std::size_t>(shape.mesh.indices[3 * f + static_cast<std::size_t>(c)].vertex_index);
          for (int a = 0; a < 3; ++a) t[3 * c + a] = obj.GetAttrib().vertices[3 * i + a];
        }
        out.push_back(t);
        const auto& m = obj.GetMaterials()[static_cast<std::size_t>(shape.mesh.material_ids[f])];
        textures.push_back(m.diffuse_texname);
        colours.push_back({m.diffuse[0], m.diffuse[1], m.diffuse[2]});
      }
    }
    return std::make_tuple(out, textures, colours);
  };
  const auto [t1, tex1, col1] = triangles(original);
  const auto [t2, tex2, col2] = triangles(back);
  EXPECT_EQ(t1, t2);
  EXPECT_EQ(tex1, tex2);
  ASSERT_EQ(col1.size(), col2.size());
  for (std::size_t i = 0; i < col1.size(); ++i) {
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(col1[i][a], col2[i][a], 0.5 / 255.0 + 1e-6) << i;  // 8 bits per component
  }
}

TEST(Tool, InfoAsJson) {
  TempDir dir;
  ASSERT_EQ(tool("demo " + dir.path("demo.3ds"), dir).code, 0);
  const ToolRun r = tool("info --json " + dir.path("demo.3ds"), dir);
  ASSERT_EQ(r.code, 0);
  EXPECT_NE(r.output.find("\"name\": \"Crate\", \"triangles\": 2, \"colour\": [255, 255, 255], "
                          "\"transparency\": 25, \"texture\": \"crate.bmp\""),
            std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("\"total_triangles\": 11"), std::string::npos);
}

TEST(Tool, EveryFailureHasItsExitCodeAndMessage) {
  TempDir dir;
  write_bytes(dir.path("junk.3ds"), Bytes(64, 0x55));
  write_text(dir.path("bad.obj"), "v 0 0 0\nf 1 2 3\n");  // a face naming missing vertices
  std::string big = "v 0 0 0\nv 1 0 0\nv 0 1 0\ng huge\n";
  for (int i = 0; i < 40001; ++i) big += "f 1 2 3\n";
  write_text(dir.path("huge.obj"), big);
  struct Case {
    std::string args;
    int code;
    const char* message;
  } cases[] = {
      {"", 2, "required"},
      {"info", 2, "FILE is required"},
      {"nonsense x", 2, ""},
      {"info " + dir.path("missing.3ds"), 11, "cannot open"},
      {"info " + dir.path("junk.3ds"), 14, "not a 3DS file"},
      {"to-obj " + dir.path("junk.3ds") + " " + dir.path("x.obj"), 14, "not a 3DS file"},
      {"from-obj " + dir.path("missing.obj") + " " + dir.path("x.3ds"), 4, "not a readable OBJ"},
      {"from-obj " + dir.path("bad.obj") + " " + dir.path("x.3ds"), 4, "not a readable OBJ"},
      {"from-obj " + dir.path("huge.obj") + " " + dir.path("x.3ds"), 5, "split it"},
      {"demo " + dir.path("no/such/dir/x.3ds"), 3, "failed"},
      {"--version", 0, "qev3ds 0.1.0"},
      {"to-obj --help", 0, "OBJ"},
  };
  for (const Case& c : cases) {
    const ToolRun r = tool(c.args, dir);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
  }
}

}  // namespace
}  // namespace qev::test
