// Hostile inputs to the importers, one table: names that reach out of the
// input's folder (as glTF buffers, glTF images and OBJ material libraries),
// pipes and devices, nesting and node graphs that would exhaust the stack
// or memory, indices that wrap, and non-finite corners. Every file outside
// the input's folder that a row could reach is a FIFO "tripwire": opening
// one is seen by a watcher, so a row proves it was not opened, not merely
// that its bytes did not show.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gltf_import.h"
#include "layer_split.h"
#include "obj_import.h"
#include "stl_import.h"
#include "support/temp_files.h"

namespace qev::convert {
namespace {

namespace fs = std::filesystem;

// Watches FIFOs: a reader blocked opening one is let through (it reads an
// empty file) and the FIFO is marked as opened.
class Tripwires {
 public:
  explicit Tripwires(std::vector<std::string> paths)
      : paths_(std::move(paths)), thread_([this] { watch(); }) {}
  ~Tripwires() { finish(); }
  // Stops watching; the FIFO that was opened, empty when none.
  std::string finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return opened_;
  }

 private:
  void watch() {
    while (!stop_) {
      for (const std::string& p : paths_) {
        // Opening for writing without blocking succeeds only when a reader
        // has the FIFO open.
        const int fd = open(p.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
          opened_ = p;
          close(fd);
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  std::vector<std::string> paths_;
  std::atomic<bool> stop_{false};
  std::string opened_;  // the watcher's until finish() has joined it
  std::thread thread_;
};

std::string base64(const std::string& bytes) {
  static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t left = std::min<std::size_t>(3, bytes.size() - i);
    unsigned v = 0;
    for (std::size_t k = 0; k < 3; ++k)
      v = v << 8 | (k < left ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    out += digits[(v >> 18) & 63];
    out += digits[(v >> 12) & 63];
    out += left > 1 ? digits[(v >> 6) & 63] : '=';
    out += left > 2 ? digits[v & 63] : '=';
  }
  return out;
}

std::string floats(std::initializer_list<float> values) {
  std::string bytes;
  for (float f : values) bytes.append(reinterpret_cast<const char*>(&f), 4);
  return bytes;
}

const std::string kTriangle = floats({0, 0, 0, 1, 0, 0, 0, 1, 0});

std::string json_string(const std::string& s) {
  std::string out = "\"";
  for (char c : s) out += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
  return out + "\"";
}

// A glTF whose one triangle lies in the buffer at uri (3 positions), whose
// material names the image at image (none when empty), under the nodes
// given (one node with the mesh when empty).
std::string gltf(const std::string& uri, const std::string& image = "",
                 const std::string& nodes = "", std::size_t count = 3,
                 const std::string& extra = "") {
  std::string material, textures;
  if (!image.empty()) {
    material = R"(, "material": 0)";
    textures = R"("materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}}],
                  "textures": [{"source": 0}], "images": [{"uri": )" +
               json_string(image) + "}],";
  }
  const std::size_t length = count * 12;
  return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],)" + textures +
         extra + R"("nodes": )" + (nodes.empty() ? R"([{"mesh": 0}])" : nodes) +
         R"(, "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "mode": )" +
         (count == 3 ? "4" : "5") + material + R"(}]}], "buffers": [{"byteLength": )" +
         std::to_string(length) + R"(, "uri": )" + json_string(uri) +
         R"(}], "bufferViews": [{"buffer": 0, "byteLength": )" + std::to_string(length) +
         R"(}], "accessors": [{"bufferView": 0, "componentType": 5126, "count": )" +
         std::to_string(count) + R"(, "type": "VEC3"}]})";
}

std::string embedded(const std::string& bytes) {
  return "data:application/octet-stream;base64," + base64(bytes);
}

std::string glb(const std::string& json) {
  std::string padded = json;
  while (padded.size() % 4 != 0) padded += ' ';
  auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  return "glTF" + u32(2) + u32(std::uint32_t(20 + padded.size())) +
         u32(std::uint32_t(padded.size())) + "JSON" + padded;
}

std::string deep(std::size_t levels) {
  return R"("extras": )" + std::string(levels, '[') + std::string(levels, ']') + ",";
}

// 40 levels, each node listing the next twice: 2^40 paths through 41 nodes.
std::string diamond_chain() {
  std::string nodes = "[";
  for (int i = 0; i < 40; ++i)
    nodes += R"({"children": [)" + std::to_string(i + 1) + "," + std::to_string(i + 1) + "]},";
  return nodes + R"({"mesh": 0}])";
}

// Four levels of ten children: 10,000 instances of the mesh.
std::string ten_thousand_instances() {
  std::string nodes = "[";
  int next = 1;
  for (int level = 0, first = 0, width = 1; level < 4; ++level, first += width, width *= 10) {
    for (int n = 0; n < width; ++n) {
      nodes += R"({"children": [)";
      for (int c = 0; c < 10; ++c) nodes += std::to_string(next++) + (c < 9 ? "," : "");
      nodes += "]},";
    }
  }
  for (int n = 0; n < 10000; ++n) nodes += std::string(R"({"mesh": 0})") + (n < 9999 ? "," : "]");
  return nodes;
}

std::string binary_stl(const std::vector<std::string>& triangles) {
  std::string b(80, ' ');
  const auto n = static_cast<std::uint32_t>(triangles.size());
  b.append(reinterpret_cast<const char*>(&n), 4);
  for (const std::string& t : triangles) b += std::string(12, '\0') + t + std::string(2, '\0');
  return b;
}

const std::string kObjTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

enum class Kind { gltf, glb, obj, stl };

struct Row {
  const char* name;
  Kind kind;
  std::string input;
  bool converted;
  const char* says;  // in the error, or in the one warning; "" for no warning
  std::size_t triangles = 0;
  const char* texture = nullptr;  // the layer's texture name, when checked
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

const Row kRows[] = {
    // glTF buffers: refused with the reason, the URI named.
    {"buffer_dotdot", Kind::gltf, gltf("../../../../etc/passwd"), false, "leaves the folder"},
    {"buffer_dotdot_tripwire", Kind::gltf, gltf("../outside.bin"), false, "leaves the folder"},
    {"buffer_percent_dotdot", Kind::gltf, gltf("%2e%2e/outside.bin"), false, "leaves the folder"},
    {"buffer_absolute", Kind::gltf, gltf("/etc/passwd"), false, "absolute"},
    {"buffer_file_uri", Kind::gltf, gltf("file:///etc/passwd"), false, "URI scheme"},
    {"buffer_drive", Kind::gltf, gltf("C:evil.bmp"), false, "drive"},
    {"buffer_share", Kind::gltf, gltf("\\\\server\\share\\x.bin"), false, "absolute"},
    {"buffer_fifo", Kind::gltf, gltf("pipe.bin"), false, "not a regular file"},
    {"buffer_dev_zero", Kind::gltf, gltf("/dev/zero"), false, "absolute"},
    {"buffer_link_out", Kind::gltf, gltf("link.bin"), false, "link that leads out"},
    {"buffer_only_in_working_dir", Kind::gltf, gltf("secret.bin"), false,
     "\"secret.bin\" is not read: not found"},
    {"buffer_dot_slash_in_working_dir", Kind::gltf, gltf("./secret.bin"), false, "not found"},
    {"buffer_beside", Kind::gltf, gltf("tri.bin"), true, "", 1},
    {"buffer_dot_slash_beside", Kind::gltf, gltf("./tri.bin"), true, "", 1},
    // glTF images: never read; a name out of the folder is a warning and
    // the layer goes untextured.
    {"image_dotdot", Kind::gltf, gltf(embedded(kTriangle), "../outside.bin"), true,
     "leaves the folder", 1, ""},
    {"image_absolute", Kind::gltf, gltf(embedded(kTriangle), "/etc/passwd"), true, "absolute", 1,
     ""},
    {"image_file_uri", Kind::gltf, gltf(embedded(kTriangle), "file:///etc/passwd"), true,
     "URI scheme", 1, ""},
    {"image_drive", Kind::gltf, gltf(embedded(kTriangle), "C:evil.bmp"), true, "drive", 1, ""},
    {"image_share", Kind::gltf, gltf(embedded(kTriangle), "\\\\server\\share\\x.bin"), true,
     "absolute", 1, ""},
    {"image_fifo", Kind::gltf, gltf(embedded(kTriangle), "pipe.bin"), true, "not a regular file", 1,
     ""},
    {"image_dev_zero", Kind::gltf, gltf(embedded(kTriangle), "/dev/zero"), true, "absolute", 1, ""},
    {"image_link_out", Kind::gltf, gltf(embedded(kTriangle), "link.bin"), true,
     "link that leads out", 1, ""},
    {"image_only_in_working_dir", Kind::gltf, gltf(embedded(kTriangle), "secret.bin"), true, "", 1,
     "secret.bin"},
    {"image_beside", Kind::gltf, gltf(embedded(kTriangle), "tex.png"), true, "", 1, "tex.png"},
    // Bounded work.
    {"gltf_deep_nesting", Kind::gltf, gltf(embedded(kTriangle), "", "", 3, deep(20000)), false,
     "deeper than 64"},
    {"glb_deep_nesting", Kind::glb, glb(gltf(embedded(kTriangle), "", "", 3, deep(65))), false,
     "deeper than 64"},
    {"gltf_nesting_at_the_limit", Kind::gltf, gltf(embedded(kTriangle), "", "", 3, deep(60)), true,
     "", 1},
    {"gltf_dag", Kind::gltf, gltf(embedded(kTriangle), "", diamond_chain()), false,
     "100000 node visits"},
    {"gltf_instances", Kind::gltf, gltf("strip.bin", "", ten_thousand_instances(), 2102), false,
     "20000000 triangles"},
    // OBJ.
    {"mtllib_dev_zero", Kind::obj, "mtllib /dev/zero\n" + kObjTriangle, true,
     "\"/dev/zero\" is not read", 1},
    {"mtllib_outside", Kind::obj, "mtllib ../outside.mtl\n" + kObjTriangle, true,
     "leaves the folder", 1},
    {"mtllib_fifo", Kind::obj, "mtllib pipe.bin\n" + kObjTriangle, true, "not a regular file", 1},
    {"obj_lines_and_points", Kind::obj, kObjTriangle + "l 1 2\np 3\n", true, "lines and points", 1},
    {"obj_index_wraps", Kind::obj, kObjTriangle + "f 1 2 4294967299\n", false,
     "line 5: face index 4294967299"},
    {"obj_negative_index_wraps", Kind::obj, kObjTriangle + "f -4294967297 1 2\n", false, "line 5"},
    // Non-finite corners: the triangle goes, one warning counts it.
    {"obj_infinite", Kind::obj, kObjTriangle + "v 1e999 0 0\nf 4 2 3\n", true,
     "1 triangle of the OBJ", 1},
    {"stl_binary_nan", Kind::stl, binary_stl({kTriangle, floats({0, 0, NAN, 1, 0, 0, 0, 1, 0})}),
     true, "1 triangle of the STL", 1},
    {"stl_ascii_infinite", Kind::stl,
     "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1e999 0 0\nvertex 0 1 "
     "0\nendloop\nendfacet\n"
     "endsolid s\n",
     true, "1 triangle of the STL", 0},
    {"gltf_nan", Kind::gltf, gltf(embedded(floats({0, NAN, 0, 1, 0, 0, 0, 1, 0}))), true,
     "1 triangle of the glTF scene", 0},
};

class InputSafety : public ::testing::TestWithParam<Row> {};

TEST_P(InputSafety, RefusedOrWarnedAndNothingOutsideOpened) {
  const Row& row = GetParam();
  qev::test::TempDir dir;
  const fs::path root = dir.path("");
  fs::create_directories(root / "in");
  fs::create_directories(root / "cwd");
  std::ofstream(root / "in" / "tri.bin", std::ios::binary) << kTriangle;
  std::ofstream(root / "in" / "tex.png", std::ios::binary) << "png";
  std::ofstream(root / "in" / "strip.bin", std::ios::binary) << std::string(2102 * 12, '\0');
  const std::vector<std::string> wires = {
      (root / "outside.bin").string(), (root / "outside.mtl").string(),
      (root / "in" / "pipe.bin").string(), (root / "cwd" / "secret.bin").string()};
  for (const std::string& w : wires) ASSERT_EQ(mkfifo(w.c_str(), 0600), 0) << w;
  fs::create_symlink("../outside.bin", root / "in" / "link.bin");

  const char* ext[] = {"gltf", "glb", "obj", "stl"};
  const std::string input = (root / "in" / (std::string("input.") + ext[int(row.kind)])).string();
  std::ofstream(input, std::ios::binary) << row.input;

  Layers scene;
  std::vector<std::string> warnings;
  std::string error;
  bool ok = false;
  std::string opened;
  {
    // The working directory holds a name the input's folder lacks.
    const fs::path was = fs::current_path();
    fs::current_path(root / "cwd");
    Tripwires watch(wires);
    switch (row.kind) {
      case Kind::gltf:
      case Kind::glb:
        ok = read_gltf(input, scene, warnings, error);
        break;
      case Kind::obj:
        ok = read_obj(input, scene, error, &warnings);
        break;
      case Kind::stl:
        ok = read_stl(input, scene, error, &warnings);
        break;
    }
    fs::current_path(was);
    opened = watch.finish();
  }
  EXPECT_EQ(opened, "") << "a file outside the input's folder, or not a regular file, was opened";
  ASSERT_EQ(ok, row.converted) << error;
  const std::string says = row.says;
  if (!ok) {
    EXPECT_NE(error.find(says), std::string::npos) << error;
    EXPECT_TRUE(scene.empty());
    return;
  }
  if (says.empty()) {
    EXPECT_TRUE(warnings.empty()) << warnings[0];
  } else {
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(says), std::string::npos) << warnings[0];
  }
  std::size_t triangles = 0;
  for (const qev3ds::Layer& l : scene) triangles += l.triangle_count();
  EXPECT_EQ(triangles, row.triangles);
  if (row.texture != nullptr) {
    ASSERT_EQ(scene.size(), 1u);
    EXPECT_EQ(scene[0].texture, row.texture);
  }
}

TEST(InputSafety, TheInputItselfMustBeARegularFile) {
  qev::test::TempDir dir;
  const std::string pipe = dir.path("pipe.obj");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  Layers scene;
  std::string error;
  std::vector<std::string> warnings;
  Tripwires watch({pipe});
  EXPECT_FALSE(read_obj(pipe, scene, error, &warnings));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  EXPECT_EQ(watch.finish(), "");
  EXPECT_FALSE(read_stl(dir.path(""), scene, error, &warnings));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Hostile, InputSafety, ::testing::ValuesIn(kRows),
                         [](const auto& test) { return std::string(test.param.name); });

// Whether text is well-formed UTF-8 (no cut character).
bool whole_utf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t n = c < 0x80         ? 1
                          : (c >> 5) == 6  ? 2
                          : (c >> 4) == 14 ? 3
                          : (c >> 3) == 30 ? 4
                                           : 0;
    if (n == 0 || i + n > text.size()) return false;
    for (std::size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

// Naming used to try every suffix from the start for each layer; many
// layers of one name must still come out unique, in the field, and whole
// UTF-8 when a name is cut.
TEST(LayerNames, ManySameNamedLayersGetUniqueWholeNames) {
  Layers scene;
  std::string euros;
  for (int i = 0; i < 30; ++i) euros += "\xE2\x82\xAC";  // 90 bytes of three-byte characters
  for (int i = 0; i < 20000; ++i) {
    qev3ds::Layer l;
    l.name = i % 2 == 0 ? "part" : euros;
    l.texture = i == 0 ? euros : "";
    add_triangle(l, std::vector<float>(9, 0.0f).data(), nullptr, 0);
    scene.push_back(std::move(l));
  }
  fit_to_capacities(scene);
  ASSERT_EQ(scene.size(), 20000u);
  std::set<std::string> names;
  for (const qev3ds::Layer& l : scene) {
    EXPECT_TRUE(names.insert(l.name).second) << l.name;
    EXPECT_LE(l.name.size(), kMaxLayerName);
    EXPECT_TRUE(whole_utf8(l.name)) << l.name;
  }
  EXPECT_EQ(scene[0].name, "part");
  EXPECT_EQ(scene[2].name, "part.2");
  EXPECT_EQ(scene[1].name, euros.substr(0, 75));
  EXPECT_LE(scene[0].texture.size(), kMaxTextureName);
  EXPECT_TRUE(whole_utf8(scene[0].texture));
}

}  // namespace
}  // namespace qev::convert
