// The qev3ds tool as a user runs it: conversions both ways, JSON, and an
// exit code and a message for every kind of failure.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tiny_obj_loader.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"
#include "support/reader_files.h"
#include "support/scene_io.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

struct ToolRun {
  int code;
  std::string output;  // stdout and stderr
};

// prefix runs before the tool in the same shell (limits, traps).
ToolRun tool(const std::string& args, const TempDir& dir, const std::string& prefix = "") {
  const std::string log = dir.path("tool.log");
  const std::string command = "(" + prefix + QEV3DS_TOOL + " " + args + ") >" + log + " 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

void write_text(const std::string& path, const std::string& text) {
  write_bytes(path, Bytes(text.begin(), text.end()));
}

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

  const CallsRead read = read_by_calls(dir.path("scene.3ds"));
  ASSERT_EQ(read.status, QEV_READ_OK);
  ASSERT_EQ(read.layers.size(), 4u);
  EXPECT_EQ(read.layers[0].name, "wall");
  EXPECT_EQ(read.layers[0].texture, "brick.png");
  EXPECT_EQ(read.layers[0].transparency, 25);
  EXPECT_EQ(read.layers[0].red, 204);
  EXPECT_EQ(read.layers[0].triangle_count(), 2u);  // the quad, triangulated
  EXPECT_EQ(read.layers[0].mapping[2], 1.0f);
  EXPECT_NE(read.layers[1].smoothing[0], 0);  // "s 2": the two faces smooth together
  EXPECT_EQ(read.layers[1].smoothing[1], read.layers[1].smoothing[0]);
  EXPECT_EQ(read.layers[1].smoothing[2], 0);
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
          const auto i = static_cast<std::size_t>(
              shape.mesh.indices[3 * f + static_cast<std::size_t>(c)].vertex_index);
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
    for (int a = 0; a < 3; ++a)
      EXPECT_NEAR(col1[i][a], col2[i][a], 0.5 / 255.0 + 1e-6) << i;  // 8 bits per component
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

// --quiet once keeps the warnings and drops the report; twice drops both.
TEST(Tool, QuietLevels) {
  TempDir dir;
  ASSERT_EQ(tool("demo " + dir.path("demo.3ds"), dir).code, 0);  // its texture is not there
  const struct {
    const char* flag;
    bool wrote, warned;
  } cases[] = {{"", true, true}, {" -q", false, true}, {" -qq", false, false}};
  for (const auto& c : cases) {
    const ToolRun r =
        tool("convert " + dir.path("demo.3ds") + " " + dir.path("d.obj") + c.flag, dir);
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(r.output.find("wrote") != std::string::npos, c.wrote) << c.flag << r.output;
    EXPECT_EQ(r.output.find("warning") != std::string::npos, c.warned) << c.flag << r.output;
  }
}

TEST(Tool, EveryFailureHasItsExitCodeAndMessage) {
  TempDir dir;
  write_bytes(dir.path("junk.3ds"), Bytes(64, 0x55));
  write_text(dir.path("bad.obj"), "v 0 0 0\nf 1 2 3\n");  // a face naming missing vertices
  std::string many = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  for (int i = 0; i < 1401; ++i) many += "g g" + std::to_string(i) + "\nf 1 2 3\n";
  write_text(dir.path("many.obj"), many);
  write_bytes(dir.path("stl.obj"), [] {  // a binary STL of one facet
    Bytes b(84 + 50, 0);
    b[80] = 1;
    return b;
  }());
  struct Case {
    std::string args;
    int code;
    const char* message;
  } cases[] = {
      {"", 2, "Subcommands:"},
      {"help convert", 0, "--out-dir"},
      {"help nonsense", 2, "no command nonsense"},
      {"info", 2, "FILE is required"},
      {"nonsense x", 2, ""},
      {"info " + dir.path("missing.3ds"), 11, "cannot open"},
      {"info " + dir.path("junk.3ds"), 14, "not a 3DS file"},
      {"to-obj " + dir.path("junk.3ds") + " " + dir.path("x.obj"), 14, "not a 3DS file"},
      {"from-obj " + dir.path("missing.obj") + " " + dir.path("x.3ds"), 4, "not a readable OBJ"},
      {"from-obj " + dir.path("bad.obj") + " " + dir.path("x.3ds"), 4, "not a readable OBJ"},
      {"from-obj " + dir.path("stl.obj") + " " + dir.path("x.3ds"), 4, "another model format"},
      {"to-obj " + dir.path("junk.3ds") + " " + dir.path("x.stl"), 2, "expected a .obj file"},
      {"from-obj " + dir.path("many.obj") + " " + dir.path("x.3ds"), 5, "needs 1401 layers"},
      {"demo " + dir.path("no/such/dir/x.3ds"), 3, "cannot create"},
      {"convert " + dir.path("a.xyz") + " " + dir.path("b.3ds"), 2, "unknown file type"},
      {"convert " + dir.path("junk.3ds") + " " + dir.path("b.glb"), 14, "not a 3DS file"},
      {"convert " + dir.path("bad.obj") + " " + dir.path("b.3ds"), 4, "not a readable OBJ"},
      {"convert " + dir.path("many.obj") + ".gltf " + dir.path("b.3ds"), 6, "not a readable glTF"},
      {"convert " + dir.path("many.obj") + ".STL " + dir.path("b.3ds"), 6, "not a readable STL"},
      {"render " + dir.path("junk.3ds") + " " + dir.path("b.png") + " --view below", 2, "below"},
      {"render " + dir.path("junk.3ds") + " " + dir.path("b.png") + " --size 0x5", 2, "--size 0x5"},
      {"--version", 0, "qev3ds " QEV_VERSION},
      {"to-obj --help", 0, "OBJ"},
      {"from-obj --help", 0, "--scale"},
      {"convert " + dir.path("junk.3ds") + " " + dir.path("b.obj") + " --up x", 2, "--up"},
      {"to-obj " + dir.path("junk.3ds") + " " + dir.path("b.obj") + " --scale 0", 2, "--scale"},
  };
  for (const Case& c : cases) {
    const ToolRun r = tool(c.args, dir);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
  }
}

}  // namespace
}  // namespace qev::test

namespace qev::test {
namespace {

std::string read_text(const std::string& path) {
  const Bytes b = read_bytes(path);
  return std::string(b.begin(), b.end());
}

Chunk colour_material(const std::string& name, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                      const std::string& texture = "") {
  Chunk m = material(
      name,
      {Chunk(MAT_DIFFUSE).children({rgb24(COLOR_24, r, g, b), rgb24(LIN_COLOR_24, r, g, b)})});
  if (!texture.empty()) m.child(texmap(texture));
  return m;
}

// A body of four face groups, like real models have, plus a face that no
// group names, one whose vertex index is past the array, and a material
// whose name and texture hold bytes that would break OBJ lines.
Chunk cat_file() {
  return m3d_file({
      colour_material("eye interior", 10, 20, 30),
      colour_material("default4", 40, 50, 60),
      colour_material("fur", 200, 100, 50),
      colour_material("ear#inner", 250, 200, 150, "ear.png\nnewmtl evil"),
      object("Body", {points({0, 0, 0, 0.2f, 0, 0, 0, 0.2f, 0, 1, 1, 1, 2, 2, 2}),
                      faces({0, 1, 2, 1, 3, 2, 2, 3, 4, 0, 3, 4, 0, 1, 4, 0, 1, 9},
                            {mat_group("eye interior", {0}), mat_group("default4", {1}),
                             mat_group("fur", {2, 4}), mat_group("ear#inner", {3, 5}),
                             smooth({1, 1, 0x10003, 2, 0, 0})})}),
  });
}

TEST(ToolToObj, EveryFaceInItsOwnGroupsMaterialFromTheFilesOwnArrays) {
  TempDir dir;
  write_bytes(dir.path("cat.3ds"), cat_file().bytes());
  const ToolRun r = tool("to-obj " + dir.path("cat.3ds") + " " + dir.path("cat.obj"), dir);
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("warning: 1 face of"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("wrote 1 layer, 5 vertices, 5 triangles, 4 materials"), std::string::npos)
      << r.output;

  tinyobj::ObjReader obj;
  ASSERT_TRUE(obj.ParseFromFile(dir.path("cat.obj"))) << obj.Error();
  EXPECT_EQ(obj.GetAttrib().vertices.size(), 5u * 3);  // the file's own vertex array
  const auto& mesh = obj.GetShapes().at(0).mesh;
  ASSERT_EQ(mesh.material_ids.size(), 5u);
  // Faces 0 to 4 of the file, each in its own group's colour, face 3 (in
  // no group before "ear#inner") in the ear's.
  const std::uint8_t want[5][3] = {
      {10, 20, 30}, {40, 50, 60}, {200, 100, 50}, {250, 200, 150}, {200, 100, 50}};
  for (std::size_t f = 0; f < 5; ++f) {
    const auto& m = obj.GetMaterials().at(static_cast<std::size_t>(mesh.material_ids[f]));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(m.diffuse[c] * 255.0f, want[f][c], 1e-3) << f;
  }
  EXPECT_EQ(mesh.smoothing_group_ids, (std::vector<unsigned>{1, 1, 0x10003, 2, 0}));

  const std::string mtl = read_text(dir.path("cat.mtl"));
  // One entry per material used; hostile bytes stay inside their line.
  std::size_t entries = 0;
  for (std::size_t at = 0; (at = mtl.find("\nnewmtl ", at)) != std::string::npos; ++at) ++entries;
  EXPECT_EQ(entries, 4u) << mtl;
  EXPECT_NE(mtl.find("newmtl eye_interior\n"), std::string::npos) << mtl;
  EXPECT_NE(mtl.find("newmtl ear_inner\n"), std::string::npos) << mtl;
  EXPECT_NE(mtl.find("map_Kd ear.png_newmtl_evil\n"), std::string::npos) << mtl;
  // Shortest text that reads back as the same float.
  EXPECT_NE(read_text(dir.path("cat.obj")).find("v 0.2 0 0\n"), std::string::npos);
}

TEST(ToolToObj, MaterialNamesThatCollideAreMadeUnique) {
  TempDir dir;
  const Chunk file = m3d_file(
      {colour_material("a b", 1, 1, 1), colour_material("a_b", 2, 2, 2),
       object("O", {points({0, 0, 0, 1, 0, 0, 0, 1, 0}),
                    faces({0, 1, 2, 0, 2, 1}, {mat_group("a b", {0}), mat_group("a_b", {1})})})});
  write_bytes(dir.path("o.3ds"), file.bytes());
  ASSERT_EQ(tool("to-obj " + dir.path("o.3ds") + " " + dir.path("o.obj"), dir).code, 0);
  const std::string mtl = read_text(dir.path("o.mtl"));
  EXPECT_NE(mtl.find("newmtl a_b\n"), std::string::npos) << mtl;
  EXPECT_NE(mtl.find("newmtl a_b.2\n"), std::string::npos) << mtl;
}

TEST(ToolInfo, CountsTheMaterialsEachLayerUses) {
  TempDir dir;
  write_bytes(dir.path("cat.3ds"), cat_file().bytes());
  const ToolRun table = tool("info " + dir.path("cat.3ds"), dir);
  ASSERT_EQ(table.code, 0) << table.output;
  EXPECT_NE(table.output.find("Body                             6         4  10,20,30"),
            std::string::npos)
      << table.output;
  EXPECT_NE(table.output.find("total: 1 layer, 6 triangles"), std::string::npos) << table.output;
  const ToolRun json = tool("info --json " + dir.path("cat.3ds"), dir);
  EXPECT_NE(
      json.output.find(
          "\"materials\": 4, \"groups\": [{\"material\": \"eye interior\", \"faces\": 1}, "
          "{\"material\": \"default4\", \"faces\": 1}, {\"material\": \"fur\", \"faces\": 2}"),
      std::string::npos)
      << json.output;
}

// info lists the keyframer's tree (indented under parents), cameras and lights.
TEST(ToolInfo, ListsHierarchyCamerasAndLights) {
  TempDir dir;
  qev3ds::Scene scene;
  scene.cameras.resize(1);
  scene.cameras[0].name = "cam";
  scene.cameras[0].lens = 35;
  scene.cameras[0].target[0] = 12345.5f;  // made NaN in the file below
  scene.lights.resize(1);
  scene.lights[0].name = "sun";
  scene.lights[0].spot = true;
  qev3ds::Node dummy, box;
  dummy.id = 0;
  dummy.name = "$$$DUMMY";
  dummy.instance = "group";
  box.id = 1;
  box.name = "box";
  box.parent = 0;
  scene.keyframer.nodes = {dummy, box};
  ASSERT_TRUE(qev3ds::write_scene(dir.path("tree.3ds"), scene).ok());
  const ToolRun table = tool("info " + dir.path("tree.3ds"), dir);
  ASSERT_EQ(table.code, 0) << table.output;
  for (const char* line : {"hierarchy:\n  group (dummy)\n    box (object)\n",
                           "camera cam: at 0, 0, 0", "lens 35 mm", "light sun: spot at 0, 0, 0"})
    EXPECT_NE(table.output.find(line), std::string::npos) << line << '\n' << table.output;
  const ToolRun json = tool("info --json " + dir.path("tree.3ds"), dir);
  EXPECT_NE(json.output.find("{\"id\": 1, \"name\": \"box\", \"kind\": \"object\", \"parent\": 0}"),
            std::string::npos)
      << json.output;
  // A number that is not finite is null in JSON, which has no NaN.
  Bytes bytes = read_bytes(dir.path("tree.3ds"));
  const float marker = 12345.5f, nan = std::numeric_limits<float>::quiet_NaN();
  const auto* m = reinterpret_cast<const unsigned char*>(&marker);
  const auto at = std::search(bytes.begin(), bytes.end(), m, m + 4);
  ASSERT_NE(at, bytes.end());
  std::memcpy(&*at, &nan, 4);
  write_bytes(dir.path("nan.3ds"), bytes);
  const ToolRun nan_json = tool("info --json " + dir.path("nan.3ds"), dir);
  EXPECT_NE(nan_json.output.find("\"target\": [null, 0, 0]"), std::string::npos) << nan_json.output;
  EXPECT_EQ(nan_json.output.find("nan"), std::string::npos) << nan_json.output;
}

// The triangles of an OBJ in file order, as tinyobjloader reads them.
std::vector<std::array<float, 9>> obj_triangles(const std::string& path) {
  tinyobj::ObjReader obj;
  EXPECT_TRUE(obj.ParseFromFile(path)) << obj.Error();
  std::vector<std::array<float, 9>> out;
  for (const auto& shape : obj.GetShapes()) {
    for (std::size_t f = 0; f < shape.mesh.num_face_vertices.size(); ++f) {
      std::array<float, 9> t{};
      for (std::size_t c = 0; c < 3; ++c) {
        const auto i = static_cast<std::size_t>(shape.mesh.indices[3 * f + c].vertex_index);
        for (std::size_t a = 0; a < 3; ++a) t[3 * c + a] = obj.GetAttrib().vertices[3 * i + a];
      }
      out.push_back(t);
    }
  }
  return out;
}

TEST(ToolFromObj, LargeGroupsAreSplitAndComeBackWhole) {
  TempDir dir;
  // A strip of 200,000 triangles over 200,002 distinct vertices in one
  // group: over both the triangle and the vertex capacity of a layer.
  std::string text = "g big\n";
  for (int i = 0; i <= 100000; ++i) {
    text += "v " + std::to_string(i) + " 0 0\nv " + std::to_string(i) + " 1 0\n";
  }
  for (int i = 0; i < 100000; ++i) {
    const int a = 2 * i + 1;
    text +=
        "f " + std::to_string(a) + " " + std::to_string(a + 2) + " " + std::to_string(a + 1) + "\n";
    text += "f " + std::to_string(a + 1) + " " + std::to_string(a + 2) + " " +
            std::to_string(a + 3) + "\n";
  }
  // And a textured group over the 13,333 triangles a textured layer holds.
  text += "mtllib t.mtl\nvt 0 0\nvt 1 0\nvt 0 1\ng tex\nusemtl t\n";
  for (int i = 0; i < 13334; ++i) text += "f 1/1 3/2 2/3\n";
  write_text(dir.path("t.mtl"), "newmtl t\nKd 1 1 1\nmap_Kd t.png\n");
  write_text(dir.path("big.obj"), text);

  ToolRun r = tool("from-obj " + dir.path("big.obj") + " " + dir.path("big.3ds"), dir);
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("split 'big' (200000 triangles) into"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("split 'tex' (13334 triangles) into 2 layers"), std::string::npos)
      << r.output;

  const auto read = qev3ds::read_scene(dir.path("big.3ds"));
  ASSERT_EQ(read.status, qev3ds::read_ok);
  std::set<std::string> names;
  for (const auto& m : read.scene.meshes) {
    EXPECT_LE(m.faces.size(), m.name.rfind("tex", 0) == 0 ? 13333u : 40000u) << m.name;
    EXPECT_LE(m.vertex_count(), 40000u) << m.name;
    EXPECT_TRUE(names.insert(m.name).second) << m.name;
  }
  EXPECT_EQ(read.scene.meshes.at(0).name, "big");
  EXPECT_EQ(read.scene.meshes.at(1).name, "big.2");
  EXPECT_EQ(read.scene.meshes.back().name, "tex.2");

  r = tool("to-obj " + dir.path("big.3ds") + " " + dir.path("back.obj"), dir);
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(obj_triangles(dir.path("back.obj")), obj_triangles(dir.path("big.obj")));
}

TEST(ToolFromObj, NamesFitTheirFieldAndWordsFitTheCount) {
  TempDir dir;
  const std::string long_name(90, 'n');
  write_text(dir.path("one.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\ng " + long_name + "\nf 1 2 3\ng " +
                                      long_name + "\nf 1 3 2\n");
  ToolRun r = tool("from-obj " + dir.path("one.obj") + " " + dir.path("one.3ds"), dir);
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("wrote 2 layers, 2 triangles"), std::string::npos) << r.output;
  const auto read = qev3ds::read_scene(dir.path("one.3ds"));
  ASSERT_EQ(read.scene.meshes.size(), 2u);
  // 49 characters is what a reader keeps of a name; the two stay apart in
  // the writer's 76-character field.
  EXPECT_EQ(read.scene.meshes[0].name, std::string(49, 'n'));

  write_text(dir.path("single.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  r = tool("from-obj " + dir.path("single.obj") + " " + dir.path("single.3ds"), dir);
  EXPECT_NE(r.output.find("wrote 1 layer, 1 triangle to"), std::string::npos) << r.output;

  write_text(dir.path("none.obj"), "v 0 0 0\nv 1 0 0\n");
  r = tool("from-obj " + dir.path("none.obj") + " " + dir.path("none.3ds"), dir);
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.output.find("warning:"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("holds no faces"), std::string::npos) << r.output;
}

// A failed or refused write once removed or truncated whatever sat at the
// output path: a folder, a device, a FIFO (which also hung the tool), a
// link's target, the input itself, and the good file an earlier run wrote.
// Every row must exit non-zero, leave the path as it was and leave no file
// of the tool's own behind. "Full" rows cap the file size the tool may
// write (a full disk, as the tool sees it).
TEST(ToolOutputs, AFailedWriteLeavesEverythingAsItWas) {
  TempDir dir;
  std::string obj = "v 0 0 0\n";
  for (int i = 1; i <= 300; ++i)
    obj += "v " + std::to_string(i) + " 1 0\nf 1 " + std::to_string(i + 1) + " " +
           std::to_string(i) + "\n";
  write_text(dir.path("in.obj"), obj);
  ASSERT_EQ(tool("from-obj " + dir.path("in.obj") + " " + dir.path("in.3ds"), dir).code, 0);
  namespace fs = std::filesystem;
  fs::create_directory(dir.path("folder.3ds"));
  ASSERT_EQ(system(("mkfifo " + dir.path("fifo.stl")).c_str()), 0);
  write_text(dir.path("old.glb"), "old");
  fs::create_symlink(dir.path("in.obj"), dir.path("alias.obj"));
  const std::string in3ds = dir.path("in.3ds"), full = "trap '' XFSZ; ulimit -f 2; exec ";
  struct Case {
    std::string prefix, args, path;
  } cases[] = {
      {"", "from-obj " + dir.path("in.obj") + " " + dir.path("folder.3ds"), "folder.3ds"},
      {"", "demo " + dir.path("folder.3ds"), "folder.3ds"},
      {"", "convert " + in3ds + " " + dir.path("fifo.stl"), "fifo.stl"},
      {"", "from-obj " + dir.path("in.obj") + " " + dir.path("in.obj"), "in.obj"},
      {"", "from-obj " + dir.path("in.obj") + " " + dir.path("alias.obj"), "in.obj"},
      {"", "to-obj " + in3ds + " " + in3ds, "in.3ds"},
      {"", "convert " + in3ds + " " + dir.path("no/such/folder/x.glb"), "no"},
      {full, "convert " + in3ds + " " + dir.path("old.glb"), "old.glb"},
      {full, "convert " + in3ds + " " + dir.path("old.gltf"), "old.gltf"},
      {full, "convert " + in3ds + " " + dir.path("old.stl"), "old.stl"},
      {full, "to-obj " + in3ds + " " + dir.path("old.obj"), "old.obj"},
      {full, "from-obj " + dir.path("in.obj") + " " + dir.path("old.3ds"), "old.3ds"},
      {full, "render " + in3ds + " " + dir.path("old.png") + " --size 300", "old.png"},
  };
  auto listing = [&] {
    // Each entry's kind and a digest of its bytes.
    std::map<std::string, std::size_t> files;
    for (const auto& e : fs::directory_iterator(dir.path(""))) {
      const std::string name = e.path().filename().string();
      if (name == "tool.log") continue;
      files[name] = e.is_regular_file() && !e.is_symlink()
                        ? std::hash<std::string>{}(read_text(e.path().string()))
                        : 0;
    }
    return files;
  };
  for (const Case& c : cases) {
    const auto before = listing();
    const ToolRun r = tool(c.args, dir, c.prefix);
    EXPECT_NE(r.code, 0) << c.args << "\n" << r.output;
    EXPECT_EQ(listing(), before) << c.args << "\n" << r.output;
  }
  EXPECT_TRUE(fs::is_directory(dir.path("folder.3ds")));
  EXPECT_TRUE(fs::is_fifo(dir.path("fifo.stl")));
  // Through a link to a regular file, the file is replaced and the link kept.
  ASSERT_EQ(tool("convert " + in3ds + " " + dir.path("alias.obj"), dir).code, 0);
  EXPECT_TRUE(fs::is_symlink(dir.path("alias.obj")));
  EXPECT_NE(read_text(dir.path("in.obj")).find("# written by qev3ds"), std::string::npos);
}

// Many inputs at once: folders by their model files (sub-folders with
// --recursive, kept under the output folder), a broken file that fails
// alone, one summary, and the first failure's exit code.
TEST(ToolBatch, FoldersConvertAroundABrokenFile) {
  TempDir dir;
  namespace fs = std::filesystem;
  const std::string in = dir.path("in");
  fs::create_directories(in + "/sub/deeper");
  fs::create_directories(dir.path("empty"));
  const std::string tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  write_text(in + "/a.obj", tri);
  write_text(in + "/broken.obj", "v 0 0 0\nf 1 2 3\n");
  write_text(in + "/notes.txt", "not a model");
  write_text(in + "/sub/b.stl",
             "solid b\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"
             "vertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid b\n");
  ASSERT_EQ(tool("demo " + in + "/sub/deeper/c.3ds", dir).code, 0);  // its texture is missing
  ASSERT_EQ(tool("convert " + in + "/a.obj " + in + "/a.3ds", dir).code, 0);
  struct Case {
    std::string args;
    int code;
    std::vector<std::string> said, written, not_written;
  } cases[] = {
      {"in --to glb --out-dir out -r -j 2",
       4,
       {"converted 4, failed 1:", "broken.obj: not a readable OBJ", "c.3ds: warning:", "a.obj.glb"},
       {"out/a.glb", "out/a.obj.glb", "out/sub/b.glb", "out/sub/deeper/c.glb"},
       {"out/broken.glb", "out/notes.glb"}},
      {"in --to STL --out-dir flat",
       4,
       {"converted 2, failed 1:"},
       {"flat/a.stl"},
       {"flat/sub", "flat/b.stl"}},
      {"in/a.obj in/sub/b.stl --to 3ds --out-dir two -j 1 -q",
       0,
       {},
       {"two/a.3ds", "two/b.3ds"},
       {}},
      {"in/a.obj in/missing.obj --to obj --out-dir m",
       4,
       {"converted 1, failed 1:", "missing.obj"},
       {"m/a.obj"},
       {}},
      {"in/a.obj --to xyz --out-dir x", 2, {"--to"}, {}, {"x"}},
      {"in --out-dir x", 2, {"go together"}, {}, {"x"}},
      {"empty --to glb --out-dir x", 2, {"no model files"}, {}, {"x"}},
  };
  for (const Case& c : cases) {
    const ToolRun r = tool("convert " + c.args, dir, "cd " + dir.path("") + " && ");
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.output;
    for (const std::string& s : c.said)
      EXPECT_NE(r.output.find(s), std::string::npos) << c.args << ": " << s << "\n" << r.output;
    if (c.said.empty()) {
      EXPECT_EQ(r.output, "") << c.args;
    }
    for (const std::string& f : c.written) EXPECT_TRUE(fs::exists(dir.path(f))) << c.args << f;
    for (const std::string& f : c.not_written) EXPECT_FALSE(fs::exists(dir.path(f))) << c.args << f;
  }
}

}  // namespace
}  // namespace qev::test
