// What glTF shows of a 3DS scene: doubleSided exactly for two-sided
// materials, a white base colour under a full-strength texture,
// self-illumination as emission, an opacity map carried or warned, map
// placement in the texture coordinates, world positions equal to the file's
// vertices through each mesh's frame, the keyframer's parent links, an
// instance at its own place, cameras and lights, over the real models and
// built scenes that hold each of them.
#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "keyframer_pose.h"
#include "qev_3ds_convert.hpp"
#include "qev_3ds_scene.hpp"
#include "support/temp_files.h"
#include "texture_files.h"

namespace qev::test {
namespace {

namespace fs = std::filesystem;
using Matrix = std::array<double, 16>;
constexpr double kPi = 3.14159265358979323846;

Matrix node_local(const tinygltf::Node& n) {
  Matrix m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  if (n.matrix.size() == 16) std::copy(n.matrix.begin(), n.matrix.end(), m.begin());
  return m;
}

Matrix times(const Matrix& a, const Matrix& b) {
  Matrix r{};
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row)
      for (int k = 0; k < 4; ++k) r[4 * c + row] += a[4 * k + row] * b[4 * c + k];
  return r;
}

std::vector<float> floats_of(const tinygltf::Model& model, int accessor) {
  const tinygltf::Accessor& a = model.accessors[static_cast<std::size_t>(accessor)];
  const tinygltf::BufferView& v = model.bufferViews[static_cast<std::size_t>(a.bufferView)];
  const auto* p = reinterpret_cast<const float*>(
      model.buffers[static_cast<std::size_t>(v.buffer)].data.data() + v.byteOffset + a.byteOffset);
  const std::size_t n = a.count * (a.type == TINYGLTF_TYPE_VEC3 ? 3 : 2);
  return std::vector<float>(p, p + n);
}

struct Box {
  double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
  void add(const double* p) {
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
  }
};

// Exports scene to glTF and checks it against the scene; returns the model.
// The scene is exported as if read from the file from, whose folder holds its
// textures; without one, from a folder holding t.png. A node named after no
// mesh spans the box instances gives for its name (Y-up).
tinygltf::Model export_and_check(const qev3ds::Scene& scene, const std::string& what,
                                 std::string from = "",
                                 const std::map<std::string, Box>& instances = {}) {
  TempDir dir;
  const std::string out = dir.path("out.gltf");
  if (from.empty()) {
    from = dir.path("in.3ds");
    static const unsigned char png[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
        0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x08,
        0xD7, 0x63, 0xF8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xDD, 0x8D,
        0xB0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    std::ofstream(dir.path("t.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png), sizeof png);
    // The same pixel with an alpha channel.
    static const unsigned char rgba[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
        0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78,
        0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xD0, 0x00, 0x00, 0x04, 0x81, 0x01, 0x80, 0x2C, 0x55,
        0xCE, 0xB0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    std::ofstream(dir.path("a.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(rgba), sizeof rgba);
  }
  const qev3ds::ConvertReport r = qev3ds::export_file(scene, from, out);
  EXPECT_TRUE(r.ok()) << what << ": " << r.message;
  tinygltf::Model model;
  tinygltf::TinyGLTF loader;
  std::string err, warn;
  loader.SetImageLoader([](tinygltf::Image*, const int, std::string*, std::string*, int, int,
                           const unsigned char*, int, void*) { return true; },
                        nullptr);
  EXPECT_TRUE(loader.LoadASCIIFromFile(&model, &err, &warn, out)) << what << err;
  // The pixels of the images written beside it, as RGBA.
  for (tinygltf::Image& image : model.images) {
    std::ifstream in(dir.path(image.uri), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    qev::convert::DecodedImage decoded;
    std::string why;
    if (qev::convert::decode_image(bytes, 4, decoded, why)) image.image = decoded.pixels;
  }

  // Materials: doubleSided exactly for two-sided ones; white under a full texture.
  const qev3ds::MaterialIndex index(scene);
  for (const tinygltf::Material& m : model.materials) {
    const qev3ds::Material* source = index.find(m.name);
    EXPECT_EQ(m.doubleSided, source != nullptr && source->two_sided) << what << ' ' << m.name;
    const bool full =
        source != nullptr && (source->map_percentage == 0 || source->map_percentage >= 100);
    const int texture = m.pbrMetallicRoughness.baseColorTexture.index;
    if (texture >= 0 && full) {
      for (int k = 0; k < 3; ++k)
        EXPECT_EQ(m.pbrMetallicRoughness.baseColorFactor[static_cast<std::size_t>(k)], 1.0)
            << what << ' ' << m.name;
    }
    // Emission: the base colour at the self-illumination's share, with its texture.
    const double share =
        source != nullptr ? std::clamp<int>(source->self_illumination, 0, 100) / 100.0 : 0.0;
    for (std::size_t k = 0; k < 3; ++k)
      EXPECT_NEAR(m.emissiveFactor.at(k), share * m.pbrMetallicRoughness.baseColorFactor[k], 1e-6)
          << what << ' ' << m.name;
    EXPECT_EQ(m.emissiveTexture.index, share > 0 ? texture : -1) << what << ' ' << m.name;
    // An opacity map is the texture's alpha, blended, or a warning names it.
    const std::string opacity =
        source != nullptr ? source->map(qev3ds::map_opacity).name : std::string();
    if (opacity.empty()) continue;
    std::size_t warned = 0;
    for (const std::string& w : r.warnings)
      warned += w.find("opacity map \"" + opacity + "\" of material \"" + source->name) !=
                std::string::npos;
    const bool carried = texture >= 0 && m.alphaMode == "BLEND";
    EXPECT_EQ(warned, carried ? 0u : 1u) << what << ' ' << m.name;
  }

  // World positions: each node's positions through its world matrix span the
  // same box as the file's vertices of its mesh (Z-up to Y-up).
  std::vector<int> parent(model.nodes.size(), -1);
  for (std::size_t i = 0; i < model.nodes.size(); ++i)
    for (int c : model.nodes[i].children) parent[static_cast<std::size_t>(c)] = static_cast<int>(i);
  for (std::size_t i = 0; i < model.nodes.size(); ++i) {
    const tinygltf::Node& node = model.nodes[i];
    if (node.mesh < 0) continue;
    Matrix world = node_local(node);
    for (int p = parent[i]; p >= 0; p = parent[static_cast<std::size_t>(p)])
      world = times(node_local(model.nodes[static_cast<std::size_t>(p)]), world);
    Box got, want;
    for (const tinygltf::Primitive& prim :
         model.meshes[static_cast<std::size_t>(node.mesh)].primitives) {
      const std::vector<float> pos = floats_of(model, prim.attributes.at("POSITION"));
      for (std::size_t v = 0; v < pos.size(); v += 3) {
        double w[3];
        for (int row = 0; row < 3; ++row)
          w[row] = world[static_cast<std::size_t>(row)] * pos[v] +
                   world[static_cast<std::size_t>(4 + row)] * pos[v + 1] +
                   world[static_cast<std::size_t>(8 + row)] * pos[v + 2] +
                   world[static_cast<std::size_t>(12 + row)];
        got.add(w);
      }
    }
    const auto instance = instances.find(node.name);
    if (instance != instances.end()) want = instance->second;
    for (const qev3ds::Mesh& mesh : scene.meshes) {
      if (mesh.name != node.name) continue;
      for (const qev3ds::Face& f : mesh.faces)
        for (const std::uint16_t v : {f.a, f.b, f.c}) {
          const float* q = &mesh.vertices[3 * std::size_t{v}];
          const double w[3] = {q[0], q[2], -q[1]};
          want.add(w);
        }
      break;
    }
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(got.lo[k], want.lo[k], 1e-4 * (1 + std::fabs(want.lo[k]))) << what << node.name;
      EXPECT_NEAR(got.hi[k], want.hi[k], 1e-4 * (1 + std::fabs(want.hi[k]))) << what << node.name;
    }
  }

  // Parent links: the object nodes come first, in the keyframer's order.
  std::map<int, int> gltf_of_id;
  int order = 0, object = 0;
  for (const qev3ds::Node& kf : scene.keyframer.nodes) {
    const int id = kf.id >= 0 ? kf.id : order;
    ++order;
    if (kf.kind != qev3ds::node_object) continue;
    const auto p = gltf_of_id.find(kf.parent);
    EXPECT_EQ(parent.at(static_cast<std::size_t>(object)), p == gltf_of_id.end() ? -1 : p->second)
        << what << ' ' << kf.name;
    gltf_of_id.emplace(id, object++);
  }
  return model;
}

TEST(SceneGltf, RealModelsShowWhatTheFileHolds) {
  const fs::path folder = fs::path(QEV_ASSIMP_MODELS) / "3DS";
  if (!fs::is_directory(folder)) GTEST_SKIP() << "no real models";
  int checked = 0;
  for (const auto& e : fs::directory_iterator(folder)) {
    const qev3ds::ReadResult r = qev3ds::read_scene(e.path().string());
    if (r.status != qev3ds::read_ok || r.scene.meshes.empty()) continue;
    export_and_check(r.scene, e.path().filename().string(), e.path().string());
    ++checked;
  }
  EXPECT_GT(checked, 5);
}

// One of each: a two-sided and a one-sided material, a placed texture at
// full strength, a half self-illuminated material, opacity maps glTF can
// and cannot show, a rotated, a scaled and a mirrored frame, a dummy parent.
TEST(SceneGltf, BuiltSceneShowsFramesPlacementAndTree) {
  qev3ds::Scene scene;
  qev3ds::Material two, one;
  two.name = "two";
  two.two_sided = true;
  two.diffuse[0] = {200, 100, 50};
  two.texture = "t.png";
  two.map_percentage = 100;
  qev3ds::TextureMap& place = two.map(qev3ds::map_diffuse);
  place.rotation = 90;
  place.u_offset = 0.25f;
  place.v_offset = 0.5f;
  place.u_scale = 2;
  place.v_scale = 3;
  two.self_illumination = 50;
  // Another image than the texture's, placed alike: the texture's alpha
  // made from its brightness.
  two.map(qev3ds::map_opacity) = place;
  two.map(qev3ds::map_opacity).name = "a.png";
  one.name = "one";
  one.texture = "t.png";
  one.map(qev3ds::map_opacity).name = "T.PNG";  // the texture, which has no alpha: warned
  qev3ds::Material three = one;
  three.name = "three";
  three.texture = "a.png";
  three.map(qev3ds::map_opacity).name = "A.PNG";  // the texture's alpha
  scene.materials = {two, one, three};
  const float frames[3][12] = {{0, 1, 0, -1, 0, 0, 0, 0, 1, 5, 6, 7},
                               {2, 0, 0, 0, 2, 0, 0, 0, 2, -1, 0, 3},
                               {-1, 0, 0, 0, 1, 0, 0, 0, 1, 4, 4, 4}};
  for (int k = 0; k < 3; ++k) {
    qev3ds::Mesh mesh;
    mesh.name = "m" + std::to_string(k);
    mesh.vertices = {10, 0, 0, 11, 2, 0, 10, 1, 3};
    mesh.mapping = {0, 0, 1, 0, 0, 1};
    mesh.faces = {{0, 1, 2, 7, 0}};
    mesh.groups = {{k == 0 ? "two" : k == 1 ? "one" : "three", 1, {}}};
    std::copy(frames[k], frames[k] + 12, mesh.matrix);
    scene.meshes.push_back(mesh);
  }
  const auto node = [](int id, const char* name, std::uint16_t parent) {
    qev3ds::Node n;
    n.id = id;
    n.name = name;
    n.parent = parent;
    return n;
  };
  qev3ds::Node dummy = node(0, "$$$DUMMY", 0xFFFF);
  dummy.instance = "group";
  scene.keyframer.nodes = {dummy, node(1, "m0", 0), node(2, "m1", 1), node(3, "m2", 0xFFFF)};
  const tinygltf::Model model = export_and_check(scene, "built");
  qev3ds::Scene unused;
  EXPECT_EQ(&convert::scene_with_instances(scene, unused), &scene);  // no instances: as it is
  ASSERT_EQ(model.nodes.size(), 4u);
  EXPECT_EQ(model.nodes[0].name, "group");
  ASSERT_EQ(model.materials.size(), 3u);
  EXPECT_EQ(model.materials[0].emissiveFactor, (std::vector<double>{0.5, 0.5, 0.5}));
  EXPECT_EQ(model.materials[0].alphaMode, "BLEND");
  const int composed = model.materials[0].pbrMetallicRoughness.baseColorTexture.index;
  const tinygltf::Image& rgba =
      model.images.at(static_cast<std::size_t>(model.textures.at(std::size_t(composed)).source));
  EXPECT_EQ(rgba.uri, "t_a_alpha.png");
  ASSERT_EQ(rgba.image.size(), 4u);
  EXPECT_EQ(rgba.image[3], 76);  // the red of a.png: 0.299 * 255
  EXPECT_EQ(model.materials[1].alphaMode, "OPAQUE");
  EXPECT_EQ(model.materials[2].alphaMode, "BLEND");

  // The placement on (0,0), (1,0), (0,1): rotated a quarter turn about the
  // centre, offset, scaled about the centre, and v flipped for glTF.
  const tinygltf::Primitive& prim = model.meshes.at(0).primitives.at(0);
  const std::vector<float> uv = floats_of(model, prim.attributes.at("TEXCOORD_0"));
  const float want[6] = {1.0f, 0.5f, 1.0f, -2.5f, -1.0f, 0.5f};
  ASSERT_EQ(uv.size(), 6u);
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(uv[static_cast<std::size_t>(k)], want[k], 1e-5) << k;
}

// A node's transform from its translation and rotation (cameras and lights
// are written so), as a matrix.
Matrix trs_of(const tinygltf::Node& n) {
  const std::vector<double> t =
      n.translation.empty() ? std::vector<double>{0, 0, 0} : n.translation;
  const std::vector<double> q = n.rotation.empty() ? std::vector<double>{0, 0, 0, 1} : n.rotation;
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  return {1 - 2 * (y * y + z * z),
          2 * (x * y + z * w),
          2 * (x * z - y * w),
          0,
          2 * (x * y - z * w),
          1 - 2 * (x * x + z * z),
          2 * (y * z + x * w),
          0,
          2 * (x * z + y * w),
          2 * (y * z - x * w),
          1 - 2 * (x * x + y * y),
          0,
          t[0],
          t[1],
          t[2],
          1};
}

qev3ds::Key key_of(std::uint32_t frame, std::initializer_list<float> values) {
  qev3ds::Key k;
  k.frame = frame;
  std::copy(values.begin(), values.end(), k.value);
  return k;
}

// An object whose first node stands where its mesh is, and an instance of it
// under a moved dummy, turned a quarter by its own rotation key (a second
// key, later, must not count); cameras and lights beside them.
qev3ds::Scene instanced_scene() {
  qev3ds::Scene scene;
  qev3ds::Mesh box;
  box.name = "box";
  box.vertices = {5, 0, 0, 7, 0, 0, 5, 1, 0, 5, 0, 3};
  box.faces = {{0, 1, 2, 7, 0}, {0, 1, 3, 7, 0}};
  box.matrix[9] = 5;  // its frame: the identity moved to (5, 0, 0)
  scene.meshes = {box};
  const auto node = [](int id, const char* name, std::uint16_t parent, const char* instance,
                       std::vector<qev3ds::Key> position, qev3ds::Key turn) {
    qev3ds::Node n;
    n.id = id;
    n.name = name;
    n.parent = parent;
    n.instance = instance;
    n.tracks = {{qev3ds::track_position, 0, std::move(position)},
                {qev3ds::track_rotation, 0, {turn}}};
    return n;
  };
  const qev3ds::Key still = key_of(0, {0, 0, 0, 1});
  scene.keyframer.nodes = {node(0, "$$$DUMMY", 0xFFFF, "group", {key_of(0, {0, 10, 0})}, still),
                           node(1, "box", 0xFFFF, "", {key_of(0, {5, 0, 0})}, still),
                           node(2, "box", 0, "copy", {key_of(0, {2, 0, 0}), key_of(10, {40, 0, 0})},
                                key_of(0, {1.5707963f, 0, 0, 1}))};

  qev3ds::Camera eye;  // at +x looking back at the origin, rolled a quarter
  eye.name = "eye";
  eye.position[0] = 10;
  eye.roll = 90;
  eye.lens = 24;
  eye.near_range = 1;
  eye.far_range = 100;
  qev3ds::Camera wide = eye;  // no usable ranges: an infinite projection
  wide.name = "wide";
  wide.near_range = 5;
  wide.far_range = 5;
  scene.cameras = {eye, wide};
  qev3ds::Light omni;
  omni.name = "omni";
  omni.colour[0] = 1.5f, omni.colour[1] = 0.5f, omni.colour[2] = -1;
  omni.multiplier = 2;
  qev3ds::Light spot;  // straight down, switched off
  spot.name = "spot";
  spot.spot = true;
  spot.off = true;
  spot.multiplier = 3;
  spot.position[2] = 10;
  spot.hotspot = 30;
  spot.falloff = 60;
  scene.lights = {omni, spot};
  return scene;
}

// The instance's place: (v - (5, 0, 0)) turned a quarter clockwise about z,
// then moved by (2, 0, 0) and its dummy's (0, 10, 0).
const float kCopy[4][3] = {{2, 10, 0}, {2, 8, 0}, {3, 10, 0}, {2, 10, 3}};

// The scene written to dir as in.3ds; returns its path.
std::string written(const TempDir& dir, const qev3ds::Scene& scene) {
  const std::string path = dir.path("in.3ds");
  const qev3ds::WriteResult w = qev3ds::write_scene(path, scene);
  EXPECT_TRUE(w.ok()) << w.message;
  return path;
}

TEST(SceneGltf, BuiltSceneShowsInstancesCamerasAndLights) {
  qev3ds::ReadResult read;
  {
    TempDir dir;
    read = qev3ds::read_scene(written(dir, instanced_scene()));
  }
  ASSERT_EQ(read.status, qev3ds::read_ok);
  const qev3ds::Scene& scene = read.scene;
  Box copy;
  for (const auto& p : kCopy) {
    const double y_up[3] = {p[0], p[2], -p[1]};
    copy.add(y_up);
  }
  const tinygltf::Model model = export_and_check(scene, "instanced", "", {{"copy", copy}});
  ASSERT_EQ(model.nodes.size(), 7u);  // dummy, box, copy, two cameras, two lights
  EXPECT_EQ(model.nodes[2].name, "copy");
  EXPECT_EQ(model.nodes[2].mesh, model.nodes[1].mesh);

  // Cameras: yfov from the lens, ranges, the view along -x (3DS) = -x
  // (glTF), and up turned from +z to -y (glTF +z).
  ASSERT_EQ(model.cameras.size(), 2u);
  const tinygltf::PerspectiveCamera& lens = model.cameras[0].perspective;
  EXPECT_NEAR(lens.yfov, 2 * std::atan(0.5), 1e-6);
  EXPECT_EQ(lens.aspectRatio, 1.5);
  EXPECT_EQ(lens.znear, 1);
  EXPECT_EQ(lens.zfar, 100);
  EXPECT_EQ(model.cameras[1].perspective.znear, 0.01);
  EXPECT_EQ(model.cameras[1].perspective.zfar, 0);
  const tinygltf::Node& eye = model.nodes[3];
  EXPECT_EQ(eye.camera, 0);
  const Matrix e = trs_of(eye);
  const double want_eye[3][3] = {{0, 0, 1}, {-1, 0, 0}, {10, 0, 0}};  // +y, -z, origin
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(e[static_cast<std::size_t>(4 + k)], want_eye[0][k], 1e-6) << "up " << k;
    EXPECT_NEAR(-e[static_cast<std::size_t>(8 + k)], want_eye[1][k], 1e-6) << "view " << k;
    EXPECT_NEAR(e[static_cast<std::size_t>(12 + k)], want_eye[2][k], 1e-6) << "at " << k;
  }
  EXPECT_EQ(eye.extras.Get("3ds_target_distance").GetNumberAsDouble(), 10);

  // Lights: colour clamped, the multiplier, the spot's half cones, off kept
  // in extras, its node looking down (glTF -y).
  ASSERT_EQ(model.lights.size(), 2u);
  const tinygltf::Light& omni = model.lights[0];
  EXPECT_EQ(omni.type, "point");
  EXPECT_EQ(omni.color, (std::vector<double>{1, 0.5, 0}));
  EXPECT_EQ(omni.intensity, 2);
  const tinygltf::Light& spot = model.lights[1];
  EXPECT_EQ(spot.type, "spot");
  EXPECT_NEAR(spot.spot.innerConeAngle, 15 * 3.14159265358979 / 180, 1e-6);
  EXPECT_NEAR(spot.spot.outerConeAngle, 30 * 3.14159265358979 / 180, 1e-6);
  EXPECT_EQ(spot.intensity, 0);
  EXPECT_TRUE(spot.extras.Get("3ds_off").Get<bool>());
  EXPECT_EQ(spot.extras.Get("3ds_multiplier").GetNumberAsDouble(), 3);
  const tinygltf::Node& down = model.nodes[6];
  EXPECT_EQ(down.extensions.at("KHR_lights_punctual").Get("light").GetNumberAsInt(), 1);
  const Matrix d = trs_of(down);
  EXPECT_NEAR(-d[9], -1, 1e-6);
  EXPECT_NEAR(d[13], 10, 1e-6);
  EXPECT_NE(
      std::find(model.extensionsUsed.begin(), model.extensionsUsed.end(), "KHR_lights_punctual"),
      model.extensionsUsed.end());
}

// OBJ and STL have no instances: the copy is a mesh of its own, where the
// instance stands; copies past their budget are left out with a warning.
TEST(SceneGltf, ObjAndStlHoldEachInstance) {
  const qev3ds::Scene scene = instanced_scene();
  qev3ds::Scene storage;
  std::vector<std::string> warnings;
  EXPECT_EQ(convert::scene_with_instances(scene, storage, &warnings, 5).meshes.size(), 1u);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "1 of 1 instances left out: their copies would pass 5 vertices and faces");

  for (const char* ext : {".obj", ".stl"}) {
    TempDir dir;
    const std::string out = dir.path(std::string("out") + ext);
    const qev3ds::ConvertReport r = qev3ds::convert_file(written(dir, instanced_scene()), out);
    ASSERT_TRUE(r.ok()) << ext << r.message;
    const qev3ds::ImportResult back = qev3ds::import_file(out);
    ASSERT_TRUE(back.report.ok()) << ext << back.report.message;
    std::size_t faces = 0;
    std::vector<float> points;
    for (const qev3ds::Mesh& m : back.scene.meshes) {
      faces += m.faces.size();
      points.insert(points.end(), m.vertices.begin(), m.vertices.end());
    }
    EXPECT_EQ(faces, 4u) << ext;
    const float original[4][3] = {{5, 0, 0}, {7, 0, 0}, {5, 1, 0}, {5, 0, 3}};
    for (const auto* set : {original, kCopy})
      for (int k = 0; k < 4; ++k) {
        bool found = false;
        for (std::size_t v = 0; v + 2 < points.size() && !found; v += 3)
          found = std::fabs(points[v] - set[k][0]) < 1e-4f &&
                  std::fabs(points[v + 1] - set[k][1]) < 1e-4f &&
                  std::fabs(points[v + 2] - set[k][2]) < 1e-4f;
        EXPECT_TRUE(found) << ext << ' ' << set[k][0] << ' ' << set[k][1] << ' ' << set[k][2];
      }
  }
}

// Every node's world transform, from its matrix or its translation and
// rotation.
std::vector<Matrix> worlds_of(const tinygltf::Model& m) {
  std::vector<Matrix> worlds(m.nodes.size());
  const std::function<void(int, const Matrix&)> walk = [&](int i, const Matrix& parent) {
    const tinygltf::Node& n = m.nodes[static_cast<std::size_t>(i)];
    worlds[static_cast<std::size_t>(i)] =
        times(parent, n.matrix.size() == 16 ? node_local(n) : trs_of(n));
    for (int c : n.children) walk(c, worlds[static_cast<std::size_t>(i)]);
  };
  for (int root : m.scenes.at(0).nodes) walk(root, node_local(tinygltf::Node()));
  return worlds;
}

// The world corners of every mesh node, in thousandths, sorted.
std::vector<std::array<long, 3>> world_corners(const tinygltf::Model& m,
                                               const std::vector<Matrix>& worlds) {
  std::vector<std::array<long, 3>> corners;
  for (std::size_t i = 0; i < m.nodes.size(); ++i) {
    if (m.nodes[i].mesh < 0) continue;
    const Matrix& w = worlds[i];
    for (const tinygltf::Primitive& prim :
         m.meshes[static_cast<std::size_t>(m.nodes[i].mesh)].primitives) {
      const std::vector<float> p = floats_of(m, prim.attributes.at("POSITION"));
      for (std::size_t v = 0; v + 2 < p.size(); v += 3) {
        std::array<long, 3> c{};
        for (std::size_t r = 0; r < 3; ++r)
          c[r] = std::lround(1000 *
                             (w[r] * p[v] + w[4 + r] * p[v + 1] + w[8 + r] * p[v + 2] + w[12 + r]));
        corners.push_back(c);
      }
    }
  }
  std::sort(corners.begin(), corners.end());
  return corners;
}

// The other way: a glTF node tree (an empty parent of two nodes showing one
// mesh), a camera and a point light become a keyframer with an instance, a
// camera and a light, the mesh stored once where its first node puts it.
TEST(SceneGltf, NodeTreeCameraAndLightComeIn) {
  tinygltf::Model model;
  const float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  model.buffers.resize(1);
  model.buffers[0].data.assign(reinterpret_cast<const unsigned char*>(corners),
                               reinterpret_cast<const unsigned char*>(corners) + sizeof corners);
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteLength = sizeof corners;
  model.bufferViews.push_back(view);
  tinygltf::Accessor positions;
  positions.bufferView = 0;
  positions.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
  positions.type = TINYGLTF_TYPE_VEC3;
  positions.count = 3;
  positions.minValues = {0, 0, 0};
  positions.maxValues = {1, 1, 0};
  model.accessors.push_back(positions);
  tinygltf::Material glow;
  glow.name = "glow";
  glow.doubleSided = true;
  glow.pbrMetallicRoughness.baseColorFactor = {0.8, 0.4, 0.2, 1};
  glow.emissiveFactor = {0.4, 0.2, 0.1};  // half the base colour
  model.materials.push_back(glow);
  tinygltf::Primitive prim;
  prim.attributes["POSITION"] = 0;
  prim.material = 0;
  model.meshes.resize(1);
  model.meshes[0].name = "tri";
  model.meshes[0].primitives.push_back(prim);
  tinygltf::Camera camera;
  camera.type = "perspective";
  camera.perspective.yfov = 2 * std::atan(12.0 / 35);
  camera.perspective.znear = 0.5;
  model.cameras.push_back(camera);
  tinygltf::Light lamp;
  lamp.type = "point";
  lamp.color = {1, 0.5, 0.25};
  lamp.intensity = 2;
  model.lights.push_back(lamp);
  const auto node = [&](const char* name, std::vector<double> t) {
    tinygltf::Node n;
    n.name = name;
    n.translation = std::move(t);
    model.nodes.push_back(n);
    return &model.nodes.back();
  };
  node("group", {1, 2, 3})->children = {1, 2};
  node("a", {10, 0, 0})->mesh = 0;
  tinygltf::Node* b = node("b", {0, 0, 5});
  b->mesh = 0;
  b->rotation = {0, std::sqrt(0.5), 0, std::sqrt(0.5)};  // a quarter turn about +Y
  tinygltf::Node* cam = node("cam", {0, 0, 20});
  cam->camera = 0;
  cam->rotation = {0, 0, std::sin(kPi / 12), std::cos(kPi / 12)};  // rolled 30 degrees
  tinygltf::Value::Object which;
  which["light"] = tinygltf::Value(0);
  node("lamp", {0, 10, 0})->extensions["KHR_lights_punctual"] = tinygltf::Value(which);
  model.scenes.resize(1);
  model.scenes[0].nodes = {0, 3, 4};
  model.asset.version = "2.0";
  TempDir dir;
  ASSERT_TRUE(tinygltf::TinyGLTF().WriteGltfSceneToFile(&model, dir.path("in.gltf"), false, true,
                                                        true, false));
  const qev3ds::ConvertReport r = qev3ds::convert_file(dir.path("in.gltf"), dir.path("out.3ds"));
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
  const qev3ds::ReadResult read = qev3ds::read_scene(dir.path("out.3ds"));
  ASSERT_EQ(read.status, qev3ds::read_ok);
  const qev3ds::Scene& scene = read.scene;

  // Stored once, in world space at node a: glTF (11, 2, 3) is 3DS (11, -3, 2).
  ASSERT_EQ(scene.meshes.size(), 1u);
  const qev3ds::Mesh& mesh = scene.meshes[0];
  EXPECT_EQ(std::vector<float>(mesh.vertices.begin(), mesh.vertices.begin() + 3),
            (std::vector<float>{11, -3, 2}));
  EXPECT_EQ(std::vector<float>(mesh.matrix + 9, mesh.matrix + 12), (std::vector<float>{11, -3, 2}));
  ASSERT_EQ(scene.materials.size(), 1u);
  EXPECT_TRUE(scene.materials[0].two_sided);
  EXPECT_EQ(scene.materials[0].self_illumination, 50);

  // The group, its object and the instance, with b's pose in 3DS axes:
  // (0, 0, 5) is (0, -5, 0), and a quarter turn about glTF's +Y is one
  // about 3DS's +Z, whose keys turn clockwise.
  const std::vector<qev3ds::Node>& kf = scene.keyframer.nodes;
  ASSERT_EQ(kf.size(), 3u);
  EXPECT_TRUE(kf[0].is_dummy() && kf[0].instance == "group" && kf[0].parent == 0xFFFF);
  EXPECT_TRUE(kf[1].name == "tri" && kf[1].instance.empty() && kf[1].parent == 0);
  EXPECT_TRUE(kf[2].name == "tri" && kf[2].instance == "b" && kf[2].parent == 0);
  const qev3ds::Pose pose = qev3ds::frame_zero(kf[2]);
  const float got[7] = {pose.position[0], pose.position[1], pose.position[2], pose.rotation[0],
                        pose.rotation[1], pose.rotation[2], pose.rotation[3]};
  const float want[7] = {0, -5, 0, -1.5707963f, 0, 0, 1};
  for (int k = 0; k < 7; ++k) EXPECT_NEAR(got[k], want[k], 1e-5) << k;

  // The camera at glTF (0, 0, 20) looks down -Z, 3DS +Y, 100 units ahead.
  ASSERT_EQ(scene.cameras.size(), 1u);
  const qev3ds::Camera& c = scene.cameras[0];
  EXPECT_EQ(c.name, "cam");
  EXPECT_NEAR(c.lens, 35, 1e-3);
  EXPECT_NEAR(c.roll, 30, 1e-3);
  EXPECT_EQ(std::vector<float>(c.position, c.position + 3), (std::vector<float>{0, -20, 0}));
  EXPECT_EQ(std::vector<float>(c.target, c.target + 3), (std::vector<float>{0, 80, 0}));
  ASSERT_EQ(scene.lights.size(), 1u);
  const qev3ds::Light& l = scene.lights[0];
  EXPECT_TRUE(l.name == "lamp" && !l.spot && !l.off && l.multiplier == 2 && l.colour[1] == 0.5f);
  EXPECT_EQ(std::vector<float>(l.position, l.position + 3), (std::vector<float>{0, 0, 10}));

  // The layers form has no instances: b is geometry of its own there, and
  // what the form leaves out is said.
  qev3ds::ConvertOptions layers;
  layers.layers = true;
  const qev3ds::ConvertReport lr =
      qev3ds::convert_file(dir.path("in.gltf"), dir.path("layers.3ds"), layers);
  EXPECT_EQ(lr.warnings.size(), 1u);
  EXPECT_EQ(qev3ds::read_scene(dir.path("layers.3ds")).scene.meshes.size(), 2u);

  // And back to glTF: the corners of every mesh node, and the camera's and
  // the light's nodes, stand where they stood.
  ASSERT_TRUE(qev3ds::convert_file(dir.path("out.3ds"), dir.path("back.gltf")).ok());
  tinygltf::Model back;
  std::string err, warn;
  ASSERT_TRUE(tinygltf::TinyGLTF().LoadASCIIFromFile(&back, &err, &warn, dir.path("back.gltf")));
  const std::vector<Matrix> before = worlds_of(model), after = worlds_of(back);
  EXPECT_EQ(world_corners(model, before), world_corners(back, after));
  for (const char* name : {"cam", "lamp"}) {
    const auto at = [name](const tinygltf::Model& m, const std::vector<Matrix>& w) {
      for (std::size_t i = 0; i < m.nodes.size(); ++i)
        if (m.nodes[i].name == name) return w[i];
      return Matrix{};
    };
    for (std::size_t k = 0; k < 16; ++k)
      EXPECT_NEAR(at(model, before)[k], at(back, after)[k], 1e-5) << name << ' ' << k;
  }
  ASSERT_EQ(back.lights.size(), 1u);
  EXPECT_EQ(back.lights[0].color, lamp.color);
  EXPECT_EQ(back.lights[0].intensity, 2);
}

}  // namespace
// A number a 3DS file cannot hold in a camera, a light or a node's pose
// leaves that one record out, or its pose the identity, with a word; the
// rest of the scene is written.
TEST(SceneGltf, NumbersBeyondAFloatLeaveOneRecordOut) {
  const std::string mesh =
      R"("buffers": [{"byteLength": 36, "uri": "data:application/octet-stream;base64,)"
      R"(AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}],)"
      R"("bufferViews": [{"buffer": 0, "byteLength": 36}],)"
      R"("accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",)"
      R"( "min": [0, 0, 0], "max": [1, 1, 0]}],)"
      R"("meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],)";
  const struct {
    const char* what;
    std::string extra, nodes;
    const char* warning;
  } cases[] = {
      {"camera far away",
       R"("cameras": [{"type": "perspective", "perspective": {"yfov": 1, "znear": 0.1}}],)",
       R"({"mesh": 0}, {"camera": 0, "translation": [1e300, 0, 0]})", "1 camera holds"},
      {"light too bright",
       R"("extensionsUsed": ["KHR_lights_punctual"], "extensions": {"KHR_lights_punctual":)"
       R"( {"lights": [{"type": "point", "intensity": 1e300}]}},)",
       R"({"mesh": 0}, {"extensions": {"KHR_lights_punctual": {"light": 0}}})", "1 light holds"},
      {"group far away", "", R"({"mesh": 0}, {"translation": [1e300, 0, 0]})", "1 node pose holds"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::ofstream(dir.path("in.gltf"))
        << R"({"asset": {"version": "2.0"}, )" << mesh << c.extra
        << R"("scenes": [{"nodes": [0, 1]}], "nodes": [)" << c.nodes << "]}";
    const qev3ds::ConvertReport r = qev3ds::convert_file(dir.path("in.gltf"), dir.path("out.3ds"));
    ASSERT_TRUE(r.ok()) << c.what << ": " << r.message;
    std::size_t said = 0;
    for (const std::string& w : r.warnings) said += w.find(c.warning) != std::string::npos;
    EXPECT_EQ(said, 1u) << c.what << ": " << ::testing::PrintToString(r.warnings);
    const qev3ds::ReadResult back = qev3ds::read_scene(dir.path("out.3ds"));
    ASSERT_EQ(back.scene.meshes.size(), 1u) << c.what;
    EXPECT_EQ(back.scene.meshes[0].faces.size(), 1u) << c.what;
  }
}

}  // namespace qev::test
