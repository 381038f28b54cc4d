// Textures that travel with a conversion: found by their file name inside
// the allowed folders, converted to PNG where the output needs it, embedded
// in GLB, never named when they are not there, never written over a
// different file; and glTF inputs this tool cannot read refused by name.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gltf_import.h"
#include "qev_3ds_convert.hpp"
#include "qev_3ds_scene.hpp"
#include "support/temp_files.h"

namespace qev::convert {
namespace {

namespace fs = std::filesystem;
using qev::test::TempDir;

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void put(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// The output's JSON (a GLB's bytes will do) without white space.
std::string json_of(const std::string& path) {
  std::string out;
  for (char c : slurp(path))
    if (c != ' ' && c != '\n') out += c;
  return out;
}

// A 2x2 RGB image whose channel c holds 10c+50 on its top row and 10c, 10c+1
// on its bottom row, as SGI stores it: bottom row first, run-length encoded
// (a literal row, then a run) or verbatim.
std::string sgi(bool rle) {
  std::string b(512, '\0');
  const unsigned char header[] = {
      0x01, 0xDA, static_cast<unsigned char>(rle ? 1 : 0), 1, 0, 3, 0, 2, 0, 2, 0, 3};
  std::memcpy(&b[0], header, sizeof header);
  if (!rle) {
    for (int c = 0; c < 3; ++c)
      b += {char(10 * c), char(10 * c + 1), char(10 * c + 50), char(10 * c + 50)};
    return b;
  }
  std::string rows, starts, lengths;
  const auto u32 = [](std::size_t v) {
    return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  };
  const std::size_t data = 512 + 2 * 4 * 6;
  for (int c = 0; c < 3; ++c) {
    const std::string literal{char(0x82), char(10 * c), char(10 * c + 1), 0};
    const std::string run{2, char(10 * c + 50), 0};
    for (const std::string& row : {literal, run}) {
      starts += u32(data + rows.size());
      lengths += u32(row.size());
      rows += row;
    }
  }
  return b + starts + lengths + rows;
}

const std::string kPng = [] {  // a 1x1 grey PNG
  std::string png;
  const unsigned char grey = 128;
  stbi_write_png_to_func(
      [](void* to, void* data, int size) {
        static_cast<std::string*>(to)->append(static_cast<char*>(data), std::size_t(size));
      },
      &png, 1, 1, 1, &grey, 1);
  return png;
}();

// One textured triangle, with or without mapping coordinates, as in.3ds.
std::string scene_file(const TempDir& dir, const std::string& texture, bool mapped) {
  qev3ds::Scene s;
  qev3ds::Mesh m;
  m.name = "Tri";
  m.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  if (mapped) m.mapping = {0, 0, 1, 0, 0, 1};
  m.faces = {{0, 1, 2, 7, 1}};
  qev3ds::FaceGroup g;
  g.material = "Skin";
  g.count = 1;
  m.groups = {g};
  s.meshes = {m};
  qev3ds::Material mat;
  mat.name = "Skin";
  mat.diffuse[0] = {200, 100, 50};
  mat.texture = texture;
  s.materials = {mat};
  const std::string path = dir.path("in/in.3ds");
  fs::create_directories(dir.path("in"));
  EXPECT_TRUE(qev3ds::write_scene(path, s).ok());
  return path;
}

struct TravelCase {
  const char* name;
  const char* texture;  // as the 3DS file names it
  const char* on_disk;  // the file beside it, "" for none
  std::string bytes;
  bool mapped;
  const char* out;     // file name in out/
  const char* named;   // in the output: URI, map_Kd, or "" when no image is named
  const char* beside;  // a file that must be beside the output, "" for none
  const char* warning;
};

void PrintTo(const TravelCase& c, std::ostream* os) { *os << c.name; }

class TextureTravel : public ::testing::TestWithParam<TravelCase> {};

TEST_P(TextureTravel, ArrivesUsableOrNotAtAllAndSaysSo) {
  const TravelCase& c = GetParam();
  TempDir dir;
  const std::string in = scene_file(dir, c.texture, c.mapped);
  if (*c.on_disk) put(dir.path(std::string("in/") + c.on_disk), c.bytes);
  fs::create_directories(dir.path("out"));
  const std::string out = dir.path(std::string("out/") + c.out);
  const qev3ds::ConvertReport r = qev3ds::convert_file(in, out);
  ASSERT_TRUE(r.ok()) << r.message;
  std::string warnings;
  for (const std::string& w : r.warnings) warnings += w + "\n";
  if (*c.warning) {
    EXPECT_NE(warnings.find(c.warning), std::string::npos) << warnings;
  } else {
    EXPECT_TRUE(warnings.empty()) << warnings;
  }
  const bool obj = fs::path(out).extension() == ".obj";
  const std::string text =
      obj ? slurp(fs::path(out).replace_extension(".mtl").string()) : json_of(out);
  if (obj) {
    EXPECT_NE(text.find(std::string("map_Kd ") + c.named + "\n"), std::string::npos) << text;
  } else if (fs::path(out).extension() == ".glb") {  // embedded, nothing beside it
    EXPECT_NE(text.find("\"mimeType\":\"image/png\""), std::string::npos);
    EXPECT_EQ(text.find("\"uri\":\"skin"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path("out")), {}), 1);
  } else if (*c.named) {
    EXPECT_NE(text.find(std::string("\"uri\":\"") + c.named + "\""), std::string::npos) << text;
  } else {
    EXPECT_EQ(text.find("\"images\""), std::string::npos) << text;
    EXPECT_EQ(text.find("baseColorTexture"), std::string::npos) << text;
  }
  if (!*c.beside) return;
  const std::string image = slurp(dir.path(std::string("out/") + c.beside));
  ASSERT_FALSE(image.empty()) << c.beside;
  if (c.bytes.compare(0, 2, "\x01\xDA") != 0) return;
  // The SGI image's pixels, top row first.
  int w = 0, h = 0, n = 0;
  unsigned char* px = stbi_load_from_memory(reinterpret_cast<const unsigned char*>(image.data()),
                                            int(image.size()), &w, &h, &n, 3);
  ASSERT_NE(px, nullptr);
  ASSERT_EQ(w * h, 4);
  for (int ch = 0; ch < 3; ++ch) {
    EXPECT_EQ(px[0 * 3 + ch], 10 * ch + 50);
    EXPECT_EQ(px[1 * 3 + ch], 10 * ch + 50);
    EXPECT_EQ(px[2 * 3 + ch], 10 * ch);
    EXPECT_EQ(px[3 * 3 + ch], 10 * ch + 1);
  }
  stbi_image_free(px);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextureTravel,
    ::testing::Values(TravelCase{"missing", "gone.png", "", "", true, "a.gltf", "", "", "gone.png"},
                      TravelCase{"unmapped", "skin.png", "skin.png", kPng, false, "a.gltf", "", "",
                                 "no mapping coordinates"},
                      TravelCase{"sgi_rle", "skin.rgb", "skin.rgb", sgi(true), true, "a.gltf",
                                 "skin.png", "skin.png", ""},
                      TravelCase{"sgi_verbatim", "SKIN.SGI", "skin.sgi", sgi(false), true, "a.gltf",
                                 "skin.png", "skin.png", ""},
                      TravelCase{"drive_path", "C:\\maps\\skin.png", "skin.png", kPng, true,
                                 "a.gltf", "skin.png", "skin.png", ""},
                      TravelCase{"dot_path", ".\\skin.png", "skin.png", kPng, true, "a.gltf",
                                 "skin.png", "skin.png", ""},
                      TravelCase{"glb_embeds", "skin.rgb", "skin.rgb", sgi(true), true, "a.glb", "",
                                 "", ""},
                      TravelCase{"obj_disk_case", "SKIN.PNG", "skin.png", kPng, true, "a.obj",
                                 "skin.png", "skin.png", ""}),
    [](const ::testing::TestParamInfo<TravelCase>& p) { return std::string(p.param.name); });

// Names beside an output: an image never replaces a different file, an
// image already there is reused, and outputs whose names differ only in
// what a URI escapes keep their own buffers.
TEST(TextureCollision, DifferentFilesAreKeptAndOutputsDoNotShare) {
  struct Case {
    const char* existing;  // bytes of out/skin.png before, "" for none
    const char* out;
    const char* named;
    const char* warning;
  };
  const Case cases[] = {
      {"not this image", "a.gltf", "skin_2.png", "different file"},
      {"", "a.gltf", "skin.png", ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string in = scene_file(dir, "skin.png", true);
    put(dir.path("in/skin.png"), kPng);
    if (*c.existing) put(dir.path("out/skin.png"), c.existing);
    fs::create_directories(dir.path("out"));
    // Twice: the second conversion finds its own image and reuses it.
    for (int round = 0; round < 2; ++round) {
      const qev3ds::ConvertReport r =
          qev3ds::convert_file(in, dir.path(std::string("out/") + c.out));
      ASSERT_TRUE(r.ok()) << r.message;
      std::string warnings;
      for (const std::string& w : r.warnings) warnings += w + "\n";
      if (*c.warning) {
        EXPECT_NE(warnings.find(c.warning), std::string::npos) << warnings;
      } else {
        EXPECT_TRUE(warnings.empty()) << warnings;
      }
      EXPECT_NE(json_of(dir.path(std::string("out/") + c.out))
                    .find(std::string("\"uri\":\"") + c.named + "\""),
                std::string::npos);
    }
    if (*c.existing) {
      EXPECT_EQ(slurp(dir.path("out/skin.png")), c.existing);
    }
    EXPECT_FALSE(fs::exists(dir.path("out/skin_3.png")));
  }
  TempDir dir;
  const std::string in = scene_file(dir, "", true);
  for (const char* out : {"a b.gltf", "a_b.gltf"})
    ASSERT_TRUE(qev3ds::convert_file(in, dir.path(out)).ok());
  for (const char* out : {"a b.gltf", "a_b.gltf"}) {
    Layers layers;
    std::vector<std::string> warnings;
    std::string error;
    EXPECT_TRUE(read_gltf(dir.path(out), layers, warnings, error)) << out << ": " << error;
  }
}

// A GLB's embedded image lands beside the 3DS converted from it, under an
// 8.3 name the 3DS names, and beside a different file of that name under
// another.
TEST(TextureCollision, EmbeddedImagesLandBesideThe3ds) {
  TempDir dir;
  // The maker's folder is no part of the name the image gets.
  const std::string in = scene_file(dir, "C:\\maps\\skin.png", true);
  put(dir.path("in/skin.png"), kPng);
  fs::create_directories(dir.path("glb"));
  ASSERT_TRUE(qev3ds::convert_file(in, dir.path("glb/a.glb")).ok());
  put(dir.path("out/SKIN.PNG"), "not this image");
  const std::pair<const char*, const char*> runs[] = {{"one/b.3ds", "SKIN.PNG"},
                                                      {"out/b.3ds", "SKIN_2.PNG"}};
  for (const auto& [out, texture] : runs) {
    fs::create_directories(dir.path(out).substr(0, dir.path(out).rfind('/')));
    const qev3ds::ConvertReport r = qev3ds::convert_file(dir.path("glb/a.glb"), dir.path(out));
    ASSERT_TRUE(r.ok()) << r.message;
    const qev3ds::ReadResult back = qev3ds::read_scene(dir.path(out));
    ASSERT_EQ(back.scene.materials.size(), 1u);
    EXPECT_EQ(back.scene.materials[0].texture, texture);
    const std::string beside = (fs::path(dir.path(out)).parent_path() / texture).string();
    EXPECT_EQ(slurp(beside), kPng) << beside;
  }
  EXPECT_EQ(slurp(dir.path("out/SKIN.PNG")), "not this image");
}

TEST(GltfRefused, NamesWhatItCannotRead) {
  const std::pair<const char*, const char*> cases[] = {
      {R"({"asset": {"version": "1.0"}, "scenes": {}})", "glTF 1.0"},
      {R"({"scenes": {}, "meshes": {}})", "glTF 1.0"},
      {R"({"asset": {"version": "2.0"}, "extensionsUsed": ["KHR_draco_mesh_compression"],
           "extensionsRequired": ["KHR_draco_mesh_compression"]})",
       "KHR_draco_mesh_compression"},
      {R"({"asset": {"version": "2.0"}, "extensionsRequired": ["EXT_meshopt_compression"]})",
       "EXT_meshopt_compression"},
  };
  for (const auto& [text, expected] : cases) {
    Layers layers;
    std::vector<std::string> warnings;
    std::string error;
    EXPECT_FALSE(read_gltf_bytes(text, false, ".", layers, warnings, error)) << text;
    EXPECT_NE(error.find(expected), std::string::npos) << error;
  }
}

// One triangle textured with image, whose mapping KHR_texture_transform
// offsets, rotates and scales: positions (0,0,0) (1,0,0) (0,1,0), TEXCOORD_0
// the same x, y.
std::string triangle_gltf(const std::string& image) {
  const float data[15] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1};
  const auto* b = reinterpret_cast<const unsigned char*>(data);
  static const char* b64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  for (std::size_t i = 0; i < sizeof data; i += 3) {
    const unsigned v = b[i] << 16 | b[i + 1] << 8 | b[i + 2];
    for (int k = 18; k >= 0; k -= 6) encoded += b64[(v >> k) & 63];
  }
  return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0}],
  "extensionsUsed": ["KHR_texture_transform"],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "material": 0}]}],
  "materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"index": 0, "extensions":
    {"KHR_texture_transform": {"offset": [0.5, 0.25], "rotation": 1.5707963267948966, "scale": [2, 4]}}}}}],
  "textures": [{"source": 0}], "images": [)" +
         image + R"(],
  "buffers": [{"byteLength": 60, "uri": "data:application/octet-stream;base64,)" +
         encoded + R"("}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 24}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3"},
                {"bufferView": 1, "componentType": 5126, "count": 3, "type": "VEC2"}]})";
}

// KHR_texture_transform's offset, rotation and scale end up in the mapping.
TEST(GltfImport, TextureTransformIsBakedIntoTheMapping) {
  const std::string text = triangle_gltf(R"({"uri": "skin.png"})");
  Layers layers;
  std::vector<std::string> warnings;
  std::string error;
  ASSERT_TRUE(read_gltf_bytes(text, false, ".", layers, warnings, error)) << error;
  EXPECT_TRUE(warnings.empty()) << warnings[0];
  ASSERT_EQ(layers.size(), 1u);
  // glTF (u, v) -> offset + R(rotation) * scale * (u, v); the 3DS v is 1 - v.
  // (1, 0) -> (0.5, 0.25 - 2) and (0, 1) -> (0.5 + 4, 0.25).
  const float expected[6] = {0.5f, 0.75f, 0.5f, 2.75f, 4.5f, 0.75f};
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(layers[0].mapping[std::size_t(i)], expected[i], 1e-5) << i;
}

// An embedded "image" that is no PNG or JPEG is not written beside a 3DS.
TEST(GltfImport, EmbeddedBytesThatAreNoImageAreNotWritten) {
  TempDir dir;
  put(dir.path("in/junk.gltf"), triangle_gltf(R"({"uri": "data:image/png;base64,anVuaw=="})"));
  const qev3ds::ConvertReport r =
      qev3ds::convert_file(dir.path("in/junk.gltf"), dir.path("in/junk.3ds"));
  ASSERT_TRUE(r.ok()) << r.message;
  ASSERT_FALSE(r.warnings.empty());
  EXPECT_NE(r.warnings.back().find("neither PNG nor JPEG"), std::string::npos) << r.warnings.back();
  EXPECT_FALSE(fs::exists(dir.path("in/IMAGE1.PNG")));
}

}  // namespace
}  // namespace qev::convert
