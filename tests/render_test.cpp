// qev3ds render: nearer faces hide farther ones in every view whatever the
// faces' sizes, texture maps show as their amount and placement say, layers
// show their colours, a face's back only where its material is two-sided,
// translucent faces blend over opaque ones, and sizes over the limits are
// refused.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <stb_image_write.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "demo_scene.h"
#include "referenced_files.h"
#include "scene_render.h"
#include "support/temp_files.h"

namespace qev::convert {
namespace {

using qev::test::TempDir;

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgba;
  const unsigned char* at(int x, int y) const { return &rgba[4 * (std::size_t(y) * width + x)]; }
};

Image load_png(const std::string& path) {
  Image image;
  int channels = 0;
  unsigned char* p = stbi_load(path.c_str(), &image.width, &image.height, &channels, 4);
  EXPECT_NE(p, nullptr) << path;
  if (p == nullptr) return image;
  image.rgba.assign(p, p + std::size_t(image.width) * image.height * 4);
  stbi_image_free(p);
  return image;
}

using Pixel = std::function<bool(int r, int g, int b)>;
std::size_t count(const Image& image, const Pixel& is) {
  std::size_t n = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const unsigned char* p = image.at(x, y);
      n += p[3] > 0 && is(p[0], p[1], p[2]);
    }
  return n;
}

const Pixel red = [](int r, int g, int b) { return r > 100 && g < 50 && b < 50; };
const Pixel green = [](int r, int g, int b) { return g > r + 40 && g > b + 40; };
const Pixel blue = [](int r, int g, int b) { return b > 100 && r < 50 && g < 50; };
const Pixel purple = [](int r, int g, int b) { return r > 60 && b > 60 && g < 40; };
const Pixel yellow = [](int r, int g, int b) { return r > 100 && g > 100 && b < 40; };
const Pixel orange = [](int r, int g, int b) { return r > g + 40 && g > b + 30; };

qev3ds::Material material(const std::string& name, std::int16_t r, std::int16_t g, std::int16_t b,
                          std::int16_t transparency = 0, const std::string& texture = "",
                          std::uint16_t percentage = 100) {
  qev3ds::Material m;
  m.name = name;
  m.diffuse[0] = {r, g, b};
  m.transparency = transparency;
  m.texture = texture;
  m.map_percentage = percentage;
  return m;
}

// A mesh in material name + "MAT", with faces (index triples) over corners.
qev3ds::Mesh mesh(const std::string& name, std::vector<float> corners,
                  const std::vector<std::uint16_t>& faces, std::vector<float> mapping = {}) {
  qev3ds::Mesh m;
  m.name = name;
  m.vertices = std::move(corners);
  m.mapping = std::move(mapping);
  for (std::size_t i = 0; i + 2 < faces.size(); i += 3)
    m.faces.push_back({faces[i], faces[i + 1], faces[i + 2], 7, 0});
  m.groups.push_back({name + "MAT", 0, {}});
  return m;
}

// A closed box, faces wound outwards.
qev3ds::Mesh box(const std::string& name, const float lo[3], const float hi[3]) {
  std::vector<float> v;
  for (int k = 0; k < 8; ++k)
    v.insert(v.end(), {k & 1 ? hi[0] : lo[0], k & 2 ? hi[1] : lo[1], k & 4 ? hi[2] : lo[2]});
  return mesh(name, v, {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                        2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5});
}

// A square in the plane z, from (x, y) with side s; mapping 0 to 1.
qev3ds::Mesh square(const std::string& name, float x, float y, float z, float s) {
  return mesh(name, {x, y, z, x + s, y, z, x + s, y + s, z, x, y + s, z}, {0, 1, 2, 0, 2, 3},
              {0, 0, 1, 0, 1, 1, 0, 1});
}

// The scene as a 3DS file gives it back: what the renderer is shown is what
// a file can say.
qev3ds::Scene through_file(const qev3ds::Scene& scene) {
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(qev3ds::write_scene(scene, bytes).ok());
  const qev3ds::ReadResult read = qev3ds::read_scene(bytes.data(), bytes.size());
  EXPECT_EQ(read.status, qev3ds::read_ok);
  return read.scene;
}

// The red and blue runs along row y, left to right: "rb" is red then blue.
std::string runs_along(const Image& image, int y) {
  std::string runs;
  for (int x = 0; x < image.width; ++x) {
    const unsigned char* p = image.at(x, y);
    const char c = red(p[0], p[1], p[2]) ? 'r' : blue(p[0], p[1], p[2]) ? 'b' : 0;
    if (c != 0 && (runs.empty() || runs.back() != c)) runs += c;
  }
  return runs;
}

Image render(const qev3ds::Scene& scene, RenderOptions options, const TempDir& dir,
             std::vector<std::string>* warnings = nullptr) {
  std::string error;
  std::vector<std::string> own;
  options.warnings = warnings != nullptr ? warnings : &own;
  const std::string out = dir.path("out.png");
  EXPECT_TRUE(render_png(scene, options, out, error)) << error;
  return load_png(out);
}

TEST(Render, NearerFacesHideFartherOnesInEveryView) {
  // A small green box just under the top of a large orange slab, near the
  // corner nearest the iso view: drawn by the faces' centres, its faces
  // would come after the slab's and show through it.
  const float slab_lo[3] = {-5, -5, -0.5f}, slab_hi[3] = {5, 5, 0};
  const float box_lo[3] = {2.5f, -4.5f, -0.4f}, box_hi[3] = {4.5f, -2.5f, -0.05f};
  qev3ds::Scene scene;
  scene.meshes = {box("Slab", slab_lo, slab_hi), box("Box", box_lo, box_hi)};
  scene.materials = {material("SlabMAT", 200, 120, 40), material("BoxMAT", 0, 200, 0)};
  TempDir dir;
  RenderOptions options;
  options.width = 160, options.height = 120;
  struct Case {
    View view;
    double yaw, pitch;
  };
  const Case cases[] = {{View::iso, 0, 0},    {View::front, 0, 0},  {View::back, 0, 0},
                        {View::top, 0, 0},    {View::bottom, 0, 0}, {View::left, 0, 0},
                        {View::right, 0, 0},  {View::iso, 10, 5},   {View::front, -30, -40},
                        {View::top, 200, -15}};
  for (const Case& c : cases) {
    options.view = c.view, options.yaw = c.yaw, options.pitch = c.pitch;
    const Image image = render(scene, options, dir);
    const std::string what = "view " + std::to_string(int(c.view)) + " yaw " +
                             std::to_string(c.yaw) + " pitch " + std::to_string(c.pitch);
    EXPECT_EQ(count(image, green), 0u) << what;
    EXPECT_GT(count(image, orange), 300u) << what;
  }
  // The box alone is green: the count above can see it.
  scene.meshes.erase(scene.meshes.begin());
  options.view = View::iso, options.yaw = options.pitch = 0;
  EXPECT_GT(count(render(scene, options, dir), green), 1000u);
}

TEST(Render, TextureMapsAreDrawnWhereFoundAndSaidWhereNot) {
  TempDir dir;
  // 16 x 16 texels, red and blue squares of 8.
  std::vector<unsigned char> checker(16 * 16 * 3);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool r = (x < 8) == (y < 8);
      unsigned char* p = &checker[3 * std::size_t(y * 16 + x)];
      p[0] = r ? 255 : 0, p[1] = 0, p[2] = r ? 0 : 255;
    }
  ASSERT_NE(stbi_write_png(dir.path("checker.png").c_str(), 16, 16, 3, checker.data(), 48), 0);
  std::ofstream(dir.path("notes.png")) << "not an image";
  const ReferencedFiles files({dir.path("")});
  struct Case {
    std::string texture;
    std::uint16_t percentage;
    bool checkered, yellow;                         // what the picture shows
    const char* warning;                            // nullptr: none
    float u_scale = 1, u_offset = 0, rotation = 0;  // the map's placement
    std::string runs = "";                          // red and blue along a row, when not empty
  } cases[] = {
      {"checker.png", 100, true, false, nullptr, 1, 0, 0, "rb"},
      {"CHECKER.PNG", 100, true, false, nullptr},  // names from case-blind systems
      {"checker.png", 0, true, false, nullptr},    // no amount: all texture, as 100
      {"checker.png", 10, false, true, nullptr},   // a tenth of the map over the colour
      {"checker.png", 100, true, false, nullptr, 2, 0, 0, "brbr"},  // twice as dense
      {"checker.png", 100, true, false, nullptr, 1, 0.25f, 0, "brb"},
      {"checker.png", 100, true, false, nullptr, 1, 0, 90, "br"},
      {"missing.png", 100, false, true, "\"missing.png\" is not drawn"},
      {"notes.png", 100, false, true, "\"notes.png\" is not drawn"},
      {"../checker.png", 100, true, false, nullptr},  // by its file name, in the folder
      {"C:\\maps\\checker.png", 100, true, false, nullptr},
  };
  for (const Case& c : cases) {
    qev3ds::Scene scene;
    scene.meshes = {square("Quad", 0, 0, 0, 1)};
    scene.materials = {material("QuadMAT", 220, 220, 0, 0, c.texture, c.percentage)};
    qev3ds::TextureMap& placement = scene.materials[0].map(qev3ds::map_diffuse);
    placement.u_scale = c.u_scale, placement.u_offset = c.u_offset;
    placement.rotation = c.rotation;
    scene = through_file(scene);
    RenderOptions options;
    options.width = options.height = 100;
    options.view = View::top;
    options.textures = &files;
    std::vector<std::string> warnings;
    const Image image = render(scene, options, dir, &warnings);
    EXPECT_EQ(count(image, red) > 1000 && count(image, blue) > 1000, c.checkered) << c.texture;
    EXPECT_EQ(count(image, yellow) > 1000, c.yellow) << c.texture;
    if (!c.runs.empty()) {
      EXPECT_EQ(runs_along(image, 30), c.runs)
          << "u scale " << c.u_scale << " offset " << c.u_offset << " rotation " << c.rotation;
    }
    ASSERT_EQ(warnings.size(), c.warning != nullptr ? 1u : 0u) << c.texture;
    if (c.warning != nullptr) {
      EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
    }
  }
}

TEST(Render, LayersShowTheirColours) {
  TempDir dir;
  std::FILE* quiet = std::tmpfile();
  ASSERT_TRUE(write_demo_scene(dir.path("demo.3ds"), quiet).ok());
  std::fclose(quiet);
  const qev3ds::Scene demo = qev3ds::read_scene(dir.path("demo.3ds")).scene;

  qev3ds::Scene two;  // side by side
  two.meshes = {square("Red", 0, 0, 0, 1), square("Blue", 1.5f, 0, 0, 1)};
  two.materials = {material("RedMAT", 255, 0, 0), material("BlueMAT", 0, 0, 255)};
  // Half-clear red above opaque blue, the translucent layer first in the
  // file: it is blended after every opaque face, whatever the file's order.
  qev3ds::Scene glass;
  glass.meshes = {square("Red", 0, 0, 1, 1), square("Blue", 0, 0, 0, 1)};
  glass.materials = {material("RedMAT", 255, 0, 0, 50), material("BlueMAT", 0, 0, 255)};
  // One square, its front up: seen from below, its back shows only when its
  // material is two-sided (or every face is drawn from both sides).
  qev3ds::Scene one_sided;
  one_sided.meshes = {square("Red", 0, 0, 0, 1)};
  one_sided.materials = {material("RedMAT", 255, 0, 0)};
  qev3ds::Scene two_sided = one_sided;
  two_sided.materials[0].two_sided = true;
  one_sided = through_file(one_sided), two_sided = through_file(two_sided);

  const auto white = [](int r, int g, int b) {
    return r > 215 && std::abs(r - g) < 6 && std::abs(g - b) < 6 && !(r == 237 && b == 245);
  };
  const auto grey = [](int r, int g, int b) {
    return r > 100 && r < 215 && std::abs(r - g) < 6 && std::abs(g - b) < 12;
  };
  const Pixel drawn = [](int r, int g, int b) { return !(r == 237 && g == 240 && b == 245); };
  struct Case {
    const char* what;
    const qev3ds::Scene& scene;
    View view;
    bool clear_background;
    std::vector<std::pair<Pixel, std::size_t>> at_least;  // pixels of a colour
    const Pixel* none = nullptr;                          // a colour no pixel has
    bool force_two_sided = false;
  } cases[] = {
      {"demo", demo, View::iso, false, {{orange, 20000}, {white, 5000}, {grey, 5000}}},
      {"two layers", two, View::top, false, {{red, 20000}, {blue, 20000}}},
      {"translucent over opaque", glass, View::top, false, {{purple, 20000}}},
      {"clear background", two, View::top, true, {{red, 20000}, {blue, 20000}}},
      {"one-sided from the front", one_sided, View::top, false, {{red, 20000}}},
      {"one-sided from behind", one_sided, View::bottom, false, {}, &drawn},
      {"two-sided from behind", two_sided, View::bottom, false, {{red, 20000}}},
      {"both sides forced", one_sided, View::bottom, false, {{red, 20000}}, nullptr, true},
  };
  for (const Case& c : cases) {
    RenderOptions options;
    options.view = c.view;
    options.transparent_background = c.clear_background;
    options.force_two_sided = c.force_two_sided;
    const Image image = render(c.scene, options, dir);
    ASSERT_EQ(image.width, 800);
    ASSERT_EQ(image.height, 600);
    for (const auto& [colour, least] : c.at_least) EXPECT_GT(count(image, colour), least) << c.what;
    if (c.none != nullptr) {
      EXPECT_EQ(count(image, *c.none), 0u) << c.what;
    }
    EXPECT_EQ(image.at(0, 0)[3], c.clear_background ? 0 : 255) << c.what;
  }
}

TEST(Render, SizesOverTheLimitsAreRefusedBeforeDrawing) {
  TempDir dir;
  const std::string log = dir.path("log");
  const auto tool = [&](const std::string& args) {
    const std::string command = std::string(QEV3DS_TOOL) + " " + args + " >" + log + " 2>&1";
    const int status = std::system(command.c_str());
    std::stringstream text;
    text << std::ifstream(log).rdbuf();
    return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str());
  };
  ASSERT_EQ(tool("demo " + dir.path("demo.3ds")).first, 0);
  const struct {
    const char* size;
    int code, width, height;
  } cases[] = {
      {"256", 0, 256, 256},   {"3x2", 0, 3, 2},   {"0x5", 2, 0, 0},   {"8193x1", 2, 0, 0},
      {"8192x2049", 2, 0, 0}, {"16384", 2, 0, 0}, {"99999", 2, 0, 0}, {"x600", 2, 0, 0},
      {"8e2", 2, 0, 0},       {"-5", 2, 0, 0},
  };
  for (const auto& c : cases) {
    const std::string out = dir.path(std::string("size-") + c.size + ".png");
    const auto [code, text] =
        tool("render " + dir.path("demo.3ds") + " " + out + " --size " + c.size);
    EXPECT_EQ(code, c.code) << c.size << ": " << text;
    if (c.code != 0) {
      EXPECT_NE(text.find(std::string("--size ") + c.size), std::string::npos) << text;
      EXPECT_FALSE(std::filesystem::exists(out)) << c.size;
    } else {
      const Image image = load_png(out);
      EXPECT_EQ(image.width, c.width) << c.size;
      EXPECT_EQ(image.height, c.height) << c.size;
    }
  }
}

}  // namespace
}  // namespace qev::convert
