// The tool's glTF and STL paths on their own: 3DS -> glTF -> layers keeps
// every triangle, colour and texture name; colours survive the sRGB
// conversion; hostile glTF and STL give a clear error, never a crash.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "conversion_look.h"
#include "demo_scene.h"
#include "gltf_export.h"
#include "gltf_import.h"
#include "qev_3ds_convert.hpp"
#include "qev_3ds_scene.hpp"
#include "srgb_colour.h"
#include "stl_export.h"
#include "stl_import.h"
#include "support/temp_files.h"
#include "texture_files.h"

namespace qev::convert {
namespace {

using qev::test::TempDir;

qev3ds::Scene demo(const TempDir& dir) {
  const std::string path = dir.path("demo.3ds");
  std::FILE* quiet = std::tmpfile();
  EXPECT_TRUE(write_demo_scene(path, quiet).ok());
  std::fclose(quiet);
  qev3ds::ReadResult r = qev3ds::read_scene(path);
  EXPECT_EQ(r.status, qev3ds::read_ok);
  return r.scene;
}

TEST(Colour, EveryByteSurvivesTheLinearFactor) {
  for (int b = 0; b <= 255; ++b) EXPECT_EQ(linear_to_srgb(srgb_to_linear(b)), b) << b;
  EXPECT_NEAR(srgb_to_linear(128), 0.2158605, 1e-6);  // not 128/255
}

TEST(Uri, EncodesAllButUnreservedAndDecodesBack) {
  EXPECT_EQ(percent_encode("my tex#1%.bmp"), "my%20tex%231%25.bmp");
  EXPECT_EQ(percent_encode("\xE4.png"), "%E4.png");
  EXPECT_EQ(percent_decode("my%20tex%231%25.bmp"), "my tex#1%.bmp");
  EXPECT_EQ(percent_decode("100%"), "100%");
}

TEST(Texture, FoundWhateverItsCaseButOnlyInsideTheFolder) {
  TempDir dir;
  std::ofstream(dir.path("CRATE.BMP")) << "x";
  const ReferencedFiles files({dir.path("")});
  std::string why;
  EXPECT_EQ(files.find("crate.bmp", why).filename(), "CRATE.BMP");
  EXPECT_TRUE(files.find("other.bmp", why).empty());
  EXPECT_TRUE(files.find("../CRATE.BMP", why).empty());
}

// A 2x2 24-bit BMP.
const unsigned char kBmp[] = {'B', 'M', 70, 0, 0,   0, 0, 0, 0, 0, 54,  0,   0,   0,   40, 0, 0,  0,
                              2,   0,   0,  0, 2,   0, 0, 0, 1, 0, 24,  0,   0,   0,   0,  0, 16, 0,
                              0,   0,   0,  0, 0,   0, 0, 0, 0, 0, 0,   0,   0,   0,   0,  0, 0,  0,
                              255, 0,   0,  0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 0,  0};

class GltfRoundTrip : public ::testing::TestWithParam<bool> {};

TEST_P(GltfRoundTrip, KeepsTrianglesColoursAndTextureNames) {
  TempDir dir;
  const qev3ds::Scene scene = demo(dir);
  std::ofstream(dir.path("crate.bmp"), std::ios::binary)
      .write(reinterpret_cast<const char*>(kBmp), sizeof kBmp);
  const std::string out = dir.path(GetParam() ? "demo.glb" : "demo.gltf");
  GltfExport written;
  std::string error;
  ASSERT_TRUE(write_gltf(scene, dir.path("demo.3ds"), out, GetParam(), written, error)) << error;
  EXPECT_EQ(written.triangles, 11u);
  EXPECT_TRUE(written.warnings.empty());

  Layers back;
  std::vector<std::string> warnings;
  ASSERT_TRUE(read_gltf(out, back, warnings, error)) << error;
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(back.size(), scene.meshes.size());
  const qev3ds::MaterialIndex materials(scene);
  for (std::size_t k = 0; k < scene.meshes.size(); ++k) {
    const qev3ds::Mesh& m = scene.meshes[k];
    const qev3ds::Layer& l = back[k];
    const qev3ds::Look look = conversion_look(materials, m, -1);  // black stays black
    EXPECT_EQ(l.name, m.name);
    EXPECT_EQ(l.red, look.colour.red);
    EXPECT_EQ(l.green, look.colour.green);
    EXPECT_EQ(l.blue, look.colour.blue);
    EXPECT_EQ(l.transparency, look.transparency);
    // The BMP travels as PNG: beside a .gltf, or embedded in a .glb under an
    // 8.3 name.
    if (!look.texture.empty()) {
      EXPECT_EQ(l.texture, GetParam() ? "CRATE.PNG" : "crate.png");
    }
    ASSERT_EQ(l.triangle_count(), m.faces.size());
    for (std::size_t f = 0; f < m.faces.size(); ++f) {
      const std::uint16_t idx[3] = {m.faces[f].a, m.faces[f].b, m.faces[f].c};
      for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 3; ++i)
          EXPECT_EQ(l.corners[9 * std::size_t(f) + std::size_t(c * 3 + i)],
                    m.vertices[3 * std::size_t(idx[c]) + std::size_t(i)])
              << m.name << " face " << f;
      if (!look.texture.empty())
        for (int c = 0; c < 3; ++c) {
          EXPECT_EQ(l.mapping[6 * std::size_t(f) + std::size_t(c * 2)],
                    m.mapping[2 * std::size_t(idx[c])]);
          EXPECT_FLOAT_EQ(l.mapping[6 * std::size_t(f) + std::size_t(c * 2 + 1)],
                          m.mapping[2 * std::size_t(idx[c]) + 1]);
        }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TextAndBinary, GltfRoundTrip, ::testing::Bool());

TEST(GltfExport, TexturesBesideTheSceneBecomePngBesideTheOutput) {
  TempDir dir;
  const qev3ds::Scene scene = demo(dir);
  // The BMP named in another case than the scene's "crate.bmp".
  std::ofstream(dir.path("Crate.BMP"), std::ios::binary)
      .write(reinterpret_cast<const char*>(kBmp), sizeof kBmp);
  std::filesystem::create_directories(dir.path("out"));
  GltfExport written;
  std::string error;
  ASSERT_TRUE(
      write_gltf(scene, dir.path("demo.3ds"), dir.path("out/demo.gltf"), false, written, error))
      << error;
  EXPECT_TRUE(written.warnings.empty()) << written.warnings[0];
  EXPECT_TRUE(std::filesystem::exists(dir.path("out/Crate.png")));
  std::ifstream gltf(dir.path("out/demo.gltf"));
  std::stringstream text;
  text << gltf.rdbuf();
  EXPECT_NE(text.str().find("\"uri\": \"Crate.png\""), std::string::npos);
}

// A glTF with one buffer as a data URI: 4 positions (48 bytes) then 6
// 16-bit indices (12 bytes), and the accessors given.
std::string gltf_with(const std::string& accessors, const std::string& primitive, float first_x = 0,
                      const std::string& extra = "") {
  unsigned char bytes[60] = {};
  const float positions[12] = {first_x, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  const std::uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
  std::memcpy(bytes, positions, 48);
  std::memcpy(bytes + 48, indices, 12);
  static const char* b64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string data;
  for (std::size_t i = 0; i < sizeof bytes; i += 3) {
    const unsigned v = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
    for (int k = 18; k >= 0; k -= 6) data += b64[(v >> k) & 63];
  }
  return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],)" + extra +
         R"( "meshes": [{"name": "quad", "primitives": [)" + primitive + R"(]}],
  "buffers": [{"byteLength": 60, "uri": "data:application/octet-stream;base64,)" +
         data + R"("}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48}, {"buffer": 0, "byteOffset": 48, "byteLength": 12},
                  {"buffer": 0, "byteOffset": 0, "byteLength": 48, "byteStride": 4}],
  "accessors": [)" +
         accessors + "]}";
}

const std::string kPositions =
    R"({"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3"})";
const std::string kIndices6 =
    R"({"bufferView": 1, "componentType": 5123, "count": 6, "type": "SCALAR"})";
const std::string kNodes = R"( "nodes": [{"mesh": 0}],)";

struct HostileCase {
  const char* name;
  std::string accessors, primitive;
  float first_x;
  std::string nodes;
  const char* error;  // empty when it must be read
  std::size_t triangles;
  const char* warning;
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }

class GltfHostile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(GltfHostile, ClearErrorOrWarningNeverACrash) {
  const HostileCase& c = GetParam();
  Layers scene;
  std::vector<std::string> warnings;
  std::string error;
  const bool ok = read_gltf_bytes(gltf_with(c.accessors, c.primitive, c.first_x, c.nodes), false,
                                  ".", scene, warnings, error);
  if (std::string(c.error).empty()) {
    ASSERT_TRUE(ok) << error;
    std::size_t n = 0;
    for (const qev3ds::Layer& l : scene) n += l.triangle_count();
    EXPECT_EQ(n, c.triangles);
  } else {
    ASSERT_FALSE(ok);
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
  if (std::string(c.warning).empty()) {
    EXPECT_TRUE(warnings.empty());
  } else {
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, GltfHostile,
    ::testing::Values(
        HostileCase{"indexed", kPositions + "," + kIndices6,
                    R"({"attributes": {"POSITION": 0}, "indices": 1})", 0, kNodes, "", 2, ""},
        HostileCase{"strip", kPositions, R"({"attributes": {"POSITION": 0}, "mode": 5})", 0, kNodes,
                    "", 2, ""},
        HostileCase{"fan", kPositions, R"({"attributes": {"POSITION": 0}, "mode": 6})", 0, kNodes,
                    "", 2, ""},
        HostileCase{"points", kPositions, R"({"attributes": {"POSITION": 0}, "mode": 0})", 0,
                    kNodes, "", 0, "points or lines"},
        HostileCase{
            "count not a multiple of 3",
            kPositions +
                R"(, {"bufferView": 1, "componentType": 5123, "count": 4, "type": "SCALAR"})",
            R"({"attributes": {"POSITION": 0}, "indices": 1})", 0, kNodes, "", 1,
            "not a multiple of 3"},
        HostileCase{"accessor past its view",
                    R"({"bufferView": 0, "componentType": 5126, "count": 5, "type": "VEC3"})",
                    R"({"attributes": {"POSITION": 0}})", 0, kNodes, "reaches past its buffer", 0,
                    ""},
        HostileCase{
            "huge count",
            R"({"bufferView": 0, "componentType": 5126, "count": 4000000000, "type": "VEC3"})",
            R"({"attributes": {"POSITION": 0}})", 0, kNodes, "reaches past its buffer", 0, ""},
        HostileCase{"stride overlapping elements",
                    R"({"bufferView": 2, "componentType": 5126, "count": 4, "type": "VEC3"})",
                    R"({"attributes": {"POSITION": 0}})", 0, kNodes, "byte stride shorter than", 0,
                    ""},
        HostileCase{
            "index past the vertices",
            R"({"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3"},)" + kIndices6,
            R"({"attributes": {"POSITION": 0}, "indices": 1})", 0, kNodes,
            "names a vertex past its 3", 0, ""},
        HostileCase{"NaN position", kPositions + "," + kIndices6,
                    R"({"attributes": {"POSITION": 0}, "indices": 1})", NAN, kNodes, "", 0,
                    "2 triangles of the glTF scene have a corner that is not a finite number"},
        // What a 3DS scene of meshes does not carry is named, never dropped in silence.
        HostileCase{"camera", kPositions + "," + kIndices6,
                    R"({"attributes": {"POSITION": 0}, "indices": 1})", 0,
                    kNodes + R"( "cameras": [{"type": "perspective",
                                 "perspective": {"yfov": 1, "znear": 0.1}}],)",
                    "", 2, "1 camera is not carried"},
        HostileCase{"vertex colours", kPositions + "," + kIndices6,
                    R"({"attributes": {"POSITION": 0, "COLOR_0": 0}, "indices": 1})", 0, kNodes, "",
                    2, "vertex colours of 1 primitive"},
        HostileCase{
            "morph targets", kPositions + "," + kIndices6,
            R"({"attributes": {"POSITION": 0}, "indices": 1, "targets": [{"POSITION": 0}]})", 0,
            kNodes, "", 2, "morph targets of 1 primitive"},
        HostileCase{"an extension", kPositions + "," + kIndices6,
                    R"({"attributes": {"POSITION": 0}, "indices": 1})", 0,
                    kNodes + R"( "extensionsUsed": ["KHR_materials_clearcoat"],)", "", 2,
                    "extension KHR_materials_clearcoat is not supported"},
        HostileCase{"node loop", kPositions + "," + kIndices6,
                    R"({"attributes": {"POSITION": 0}, "indices": 1})", 0,
                    R"( "nodes": [{"mesh": 0, "children": [1]}, {"children": [0]}],)", "loops", 0,
                    ""}),
    [](const auto& test) {
      std::string n = test.param.name;
      for (char& ch : n) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

TEST(GltfImport, MissingBufferFileIsAClearError) {
  Layers scene;
  std::vector<std::string> warnings;
  std::string error;
  const std::string text =
      R"({"asset": {"version": "2.0"}, "scenes": [{"nodes": []}], "buffers": [{"byteLength": 8, "uri": "gone.bin"}]})";
  EXPECT_FALSE(read_gltf_bytes(text, false, "/nonexistent-folder", scene, warnings, error));
  EXPECT_NE(error.find("gone.bin"), std::string::npos) << error;
  EXPECT_FALSE(read_gltf_bytes("{not json", false, ".", scene, warnings, error));
  EXPECT_FALSE(error.empty());
}

// A GLB whose BIN chunk claims up to 8 bytes more than the file holds (its
// own header not counted) is refused before a byte of it is copied; one that
// fits is read.
TEST(GltfImport, GlbBinChunkMustFitInTheFile) {
  const auto glb = [](std::uint32_t claimed) {
    std::string json = R"({"asset":{"version":"2.0"},"scenes":[{}],"buffers":[{"byteLength":4}]})";
    json.resize((json.size() + 3) / 4 * 4, ' ');
    std::string bytes = "glTF";
    const auto u32 = [&bytes](std::size_t v) {
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    u32(2);
    u32(12 + 8 + json.size() + 8 + 4);
    u32(json.size());
    bytes += "JSON" + json;
    u32(claimed);
    bytes += std::string("BIN\0", 4) + "abcd";
    return bytes;
  };
  Layers scene;
  std::vector<std::string> warnings;
  std::string error;
  EXPECT_TRUE(read_gltf_bytes(glb(4), true, ".", scene, warnings, error)) << error;
  for (std::uint32_t claimed : {8u, 12u}) {
    EXPECT_FALSE(read_gltf_bytes(glb(claimed), true, ".", scene, warnings, error)) << claimed;
    EXPECT_NE(error.find("BIN chunk"), std::string::npos) << error;
  }
}

TEST(Stl, BinaryBothWaysAndAsciiIn) {
  TempDir dir;
  const qev3ds::Scene scene = demo(dir);
  StlExport written;
  std::string error;
  ASSERT_TRUE(write_stl(scene, dir.path("demo.stl"), written, error)) << error;
  EXPECT_EQ(written.triangles, 11u);
  EXPECT_EQ(std::filesystem::file_size(dir.path("demo.stl")), 84u + 50u * 11u);
  Layers back;
  ASSERT_TRUE(read_stl(dir.path("demo.stl"), back, error)) << error;
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].name, "demo");
  ASSERT_EQ(back[0].triangle_count(), 11u);
  const qev3ds::Mesh& plate = scene.meshes[0];
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(back[0].corners[9 * std::size_t(0) + std::size_t(3 + i)],
              plate.vertices[3 * plate.faces[0].b + std::size_t(i)]);

  const std::string ascii =
      "solid part 7\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 1 0 0\n   "
      "vertex 0 1e2 0\n"
      "  endloop\n endfacet\nendsolid part 7\n";
  ASSERT_TRUE(read_stl_bytes(ascii, "file", back, error)) << error;
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].name, "part 7");
  EXPECT_EQ(back[0].corners[9 * std::size_t(0) + 7], 100.0f);
}

TEST(Stl, DamagedFilesAreRefusedWithAReason) {
  Layers scene;
  std::string error;
  const std::pair<std::string, const char*> cases[] = {
      {std::string(84, '\0') + std::string(49, '\0'),
       "neither binary"},  // one byte short of a triangle
      {"solid x\n facet\n  vertex 0 0 zero\n", "not a number"},
      {"solid x\n facet\n  vertex 0 0 0\n  vertex 1 0 0\n endfacet\nendsolid\n", "three vertices"},
      {"solid x\n facet\n  vertex 0 0 0\n", "ends before"},
  };
  for (const auto& [bytes, reason] : cases) {
    EXPECT_FALSE(read_stl_bytes(bytes, "x", scene, error)) << reason;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
}

// Every format into every format, each file made from the sample scene:
// every triangle arrives, and a 3DS file re-saved as 3DS reads back equal.
TEST(ConvertFile, AnyFormatToAnyKeepsEveryTriangle) {
  TempDir dir;
  const qev3ds::Scene scene = demo(dir);
  const char* formats[] = {".3ds", ".obj", ".gltf", ".glb", ".stl"};
  for (const char* from : formats) {
    const std::string in = dir.path(std::string("in") + from);
    ASSERT_TRUE(qev3ds::convert_file(dir.path("demo.3ds"), in).ok()) << from;
    for (const char* to : formats) {
      const std::string out = dir.path(std::string("in") + from + "-out" + to);
      const qev3ds::ConvertReport r = qev3ds::convert_file(in, out);
      ASSERT_TRUE(r.ok()) << from << " to " << to << ": " << r.message;
      const qev3ds::ImportResult back = qev3ds::import_file(out);
      ASSERT_TRUE(back.report.ok()) << back.report.message;
      std::size_t faces = 0;
      for (const qev3ds::Mesh& m : back.scene.meshes) faces += m.faces.size();
      EXPECT_EQ(faces, 11u) << from << " to " << to;
      // glTF keeps the meshes; STL holds one.
      EXPECT_EQ(back.scene.meshes.size(),
                std::string(to) == ".stl" || std::string(from) == ".stl" ? 1u : scene.meshes.size())
          << from << " to " << to;
      if (std::string(from) == ".3ds" && std::string(to) == ".3ds") {
        EXPECT_EQ(back.scene, scene);
      }
    }
  }
}

// A real model of each format, written by programs other than ours, goes to
// every format with all its triangles and no failure.
TEST(ConvertFile, RealModelsOfEachFormatToEveryFormat) {
  TempDir dir;
  const std::filesystem::path models(QEV_ASSIMP_MODELS);
  const char* sources[] = {"3DS/fels.3ds",
                           "3DS/CameraRollAnimWithChildObject.3ds",
                           "OBJ/spider.obj",
                           "glTF2/BoxTextured-glTF/BoxTextured.gltf",
                           "glTF2/BoxTextured-glTF-Binary/BoxTextured.glb",
                           "STL/3DSMaxExport.STL"};
  const auto faces_of = [](const qev3ds::Scene& scene) {
    std::size_t faces = 0;
    for (const qev3ds::Mesh& m : scene.meshes) faces += m.faces.size();
    return faces;
  };
  for (const char* source : sources) {
    const std::string in = (models / source).string();
    const qev3ds::ImportResult original = qev3ds::import_file(in);
    ASSERT_TRUE(original.report.ok()) << source << ": " << original.report.message;
    ASSERT_GT(faces_of(original.scene), 0u) << source;
    for (const char* to : {".3ds", ".obj", ".gltf", ".glb", ".stl"}) {
      const std::string out = dir.path(std::filesystem::path(source).stem().string() +
                                       std::filesystem::path(source).extension().string() + to);
      const qev3ds::ConvertReport r = qev3ds::convert_file(in, out);
      ASSERT_TRUE(r.ok()) << source << " to " << to << ": " << r.message;
      const qev3ds::ImportResult back = qev3ds::import_file(out);
      ASSERT_TRUE(back.report.ok()) << source << " to " << to << ": " << back.report.message;
      EXPECT_EQ(faces_of(back.scene), faces_of(original.scene)) << source << " to " << to;
      // 3DS to 3DS keeps every record the scene holds: frames, keyframer, maps.
      if (std::string(to) == ".3ds" && std::filesystem::path(source).extension() == ".3ds") {
        EXPECT_EQ(back.scene, original.scene) << source;
      }
    }
  }
}

// Names longer than a 3DS file keeps are cut with a word, once each,
// colours beyond what it holds are clamped with a word, and map options it
// has no room for are named once for their material.
TEST(ConvertFile, NamesCutForThreeDsAreWarned) {
  TempDir dir;
  const std::string name(60, 'n'), material(55, 'm');
  std::ofstream(dir.path("long.mtl"))
      << "newmtl " << material << "\nKd 1.5 0 0\n"
      << "newmtl opts\nmap_Kd -clamp on -t 1 0 0 -o 0.5 0.5 0 -s 2 2 1 t.png\n";
  std::ofstream(dir.path("long.obj")) << "mtllib long.mtl\no " << name << "\nusemtl " << material
                                      << "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 3 2\n";
  const qev3ds::ConvertReport r = qev3ds::convert_file(dir.path("long.obj"), dir.path("long.3ds"));
  ASSERT_TRUE(r.ok()) << r.message;
  std::size_t cut = 0;
  for (const std::string& w : r.warnings) cut += w.find("is cut to the 49") != std::string::npos;
  EXPECT_EQ(cut, 2u) << ::testing::PrintToString(r.warnings);
  std::size_t clamped = 0;
  for (const std::string& w : r.warnings) clamped += w.find("clamped") != std::string::npos;
  EXPECT_EQ(clamped, 1u) << ::testing::PrintToString(r.warnings);
  std::size_t options = 0;
  for (const std::string& w : r.warnings)
    options +=
        w.find("\"opts\": map_Kd options -t, -clamp on are not carried") != std::string::npos;
  EXPECT_EQ(options, 1u) << ::testing::PrintToString(r.warnings);
}

// What a file holds decides how it is read; the extension is a hint. Files
// that hold no model are refused with a reason, never read as an empty one.
TEST(ConvertFile, ContentDecidesTheFormat) {
  TempDir dir;
  demo(dir);
  ASSERT_TRUE(qev3ds::convert_file(dir.path("demo.3ds"), dir.path("demo.stl")).ok());
  ASSERT_TRUE(qev3ds::convert_file(dir.path("demo.3ds"), dir.path("demo.glb")).ok());
  const auto copy = [&](const char* from, const char* to) {
    std::filesystem::copy_file(dir.path(from), dir.path(to));
  };
  const auto text = [&](const char* name, const std::string& bytes) {
    std::ofstream(dir.path(name), std::ios::binary) << bytes;
  };
  copy("demo.stl", "stl.obj");
  copy("demo.glb", "glb.stl");
  copy("demo.3ds", "3ds.obj");
  text("png.obj", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  text("empty.obj", "");
  text("utf16.obj", std::string("\xFF\xFEv\0 \0"
                                "0\0",
                                8));
  text("obj.stl", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  text("binary.gltf", std::string("\x01\x02\0\0", 4));
  std::filesystem::create_directory(dir.path("folder.obj"));
  const struct {
    const char* in;
    int status;
    const char* says;  // in the message when refused, in a warning when read
  } cases[] = {
      {"stl.obj", 0, "holds STL, not OBJ"},  {"glb.stl", 0, "holds GLB, not STL"},
      {"3ds.obj", 0, "holds 3DS, not OBJ"},  {"png.obj", 4, "it is a PNG image"},
      {"empty.obj", 4, "the file is empty"}, {"utf16.obj", 4, "UTF-16"},
      {"folder.obj", 4, "a folder"},         {"obj.stl", 6, "not an STL file"},
      {"binary.gltf", 6, "binary data"},
  };
  for (const auto& c : cases) {
    const qev3ds::ConvertReport r = qev3ds::convert_file(dir.path(c.in), dir.path("out.3ds"));
    EXPECT_EQ(r.status, c.status) << c.in << ": " << r.message;
    std::string said = r.message;
    for (const std::string& w : r.warnings) said += "\n" + w;
    EXPECT_NE(said.find(c.says), std::string::npos) << c.in << ": " << said;
  }
}

}  // namespace
}  // namespace qev::convert
