// Reading glTF 2.0 with tinygltf; every accessor is checked against its data
// before a byte of it is read.
#include "gltf_import.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "axes.h"
#include "file_bytes.h"
#include "gltf_file_access.h"
#include "import_warnings.h"
#include "json_depth.h"
#include "layer_scene.h"
#include "smoothing_from_normals.h"
#include "srgb_colour.h"
#include "texture_files.h"

namespace qev::convert {

using qev3ds::Layer;
namespace {

using Matrix = std::array<double, 16>;  // column-major, as glTF stores it

constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr int kMaxDepth = 256;
constexpr double kPi = 3.14159265358979323846;
// How far a camera or spot light looks when the file does not say.
constexpr double kTargetDistance = 100;
// A node may be the child of several parents, so a graph of a few nodes can
// stand for exponentially many instances: the walk is bounded in visits and
// in the triangles the instances add up to, far beyond any real scene (a
// 3DS file holds 56 million triangles at most).
constexpr std::size_t kMaxNodeVisits = 100000;
constexpr std::size_t kMaxInstancedTriangles = 20000000;

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix m{};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) m[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
  return m;
}

Matrix local_matrix(const tinygltf::Node& node) {
  if (node.matrix.size() == 16) {
    Matrix m;
    for (int i = 0; i < 16; ++i) m[std::size_t(i)] = node.matrix[std::size_t(i)];
    return m;
  }
  Matrix t = kIdentity, r = kIdentity, s = kIdentity;
  if (node.translation.size() == 3) {
    t[12] = node.translation[0];
    t[13] = node.translation[1];
    t[14] = node.translation[2];
  }
  if (node.rotation.size() == 4) {
    const double x = node.rotation[0], y = node.rotation[1], z = node.rotation[2],
                 w = node.rotation[3];
    r = {1 - 2 * (y * y + z * z),
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
         0,
         0,
         0,
         1};
  }
  if (node.scale.size() == 3) {
    s[0] = node.scale[0];
    s[5] = node.scale[1];
    s[10] = node.scale[2];
  }
  return multiply(t, multiply(r, s));
}

// A glTF (Y-up) matrix in Z-up axes: C * m * C^-1, C taking (x, y, z) to
// (x, -z, y).
Frame z_up_frame(const Matrix& m) {
  constexpr Matrix c = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
  constexpr Matrix c_inverse = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1};
  return multiply(c, multiply(m, c_inverse));
}

// A direction of a Z-up frame, unit length; fallback when it has none.
std::array<double, 3> direction(const Frame& f, const double* local,
                                std::array<double, 3> fallback) {
  std::array<double, 3> d{};
  double length = 0;
  for (std::size_t r = 0; r < 3; ++r) {
    d[r] = f[r] * local[0] + f[4 + r] * local[1] + f[8 + r] * local[2];
    length += d[r] * d[r];
  }
  length = std::sqrt(length);
  if (!(length > 1e-12) || !std::isfinite(length)) return fallback;
  for (double& v : d) v /= length;
  return d;
}

// A number of an extras object, or fallback.
double extra_number(const tinygltf::Value& extras, const char* key, double fallback) {
  if (!extras.IsObject() || !extras.Has(key)) return fallback;
  const tinygltf::Value& v = extras.Get(key);
  return v.IsNumber() && std::isfinite(v.GetNumberAsDouble()) ? v.GetNumberAsDouble() : fallback;
}

// Where a camera or spot light on a node stands and looks: the node's
// origin, and its -Z as far as its extras' "3ds_target_distance" (a
// positive number), else kTargetDistance. Z-up.
void aim(const Frame& world, const tinygltf::Node& n, float* position, float* target) {
  const double forward[3] = {0, 1, 0};  // glTF's -Z in Z-up axes
  const std::array<double, 3> d = direction(world, forward, {0, 1, 0});
  double distance = extra_number(n.extras, "3ds_target_distance", kTargetDistance);
  if (!(distance > 0)) distance = kTargetDistance;
  for (std::size_t k = 0; k < 3; ++k) {
    position[k] = static_cast<float>(world[12 + k]);
    target[k] = static_cast<float>(world[12 + k] + distance * d[k]);
  }
}

// A camera's roll in degrees: the angle from the world's up (+Z; for a
// camera looking straight up -Y, straight down +Y) to the node's up (its
// +Y), both seen across the view, counter-clockwise seen from behind the
// camera.
float roll_of(const Frame& world) {
  const double forward[3] = {0, 1, 0}, up[3] = {0, 0, 1};
  const std::array<double, 3> f = direction(world, forward, {0, 1, 0});
  std::array<double, 3> u = direction(world, up, {0, 0, 1});
  std::array<double, 3> w = {0, 0, 1};
  if (std::hypot(f[0], f[1]) < 1e-9) w = {0, f[2] > 0 ? -1.0 : 1.0, 0};
  const auto across = [&f](std::array<double, 3>& v) {
    const double along = v[0] * f[0] + v[1] * f[1] + v[2] * f[2];
    for (std::size_t k = 0; k < 3; ++k) v[k] -= along * f[k];
  };
  across(u);
  across(w);
  const std::array<double, 3> x = {w[1] * u[2] - w[2] * u[1], w[2] * u[0] - w[0] * u[2],
                                   w[0] * u[1] - w[1] * u[0]};
  // Seen from behind, looking along f: counter-clockwise turns about -f.
  const double sine = -(x[0] * f[0] + x[1] * f[1] + x[2] * f[2]);
  const double cosine = w[0] * u[0] + w[1] * u[1] + w[2] * u[2];
  const double roll = std::atan2(sine, cosine) * 180 / kPi;
  return std::isfinite(roll) ? static_cast<float>(roll) : 0.0f;
}

// The KHR_lights_punctual light a node holds, or -1.
int light_of(const tinygltf::Node& n) {
  const auto it = n.extensions.find("KHR_lights_punctual");
  if (it == n.extensions.end() || !it->second.IsObject() || !it->second.Has("light")) return -1;
  const tinygltf::Value& v = it->second.Get("light");
  if (!v.IsNumber()) return -1;
  const double d = v.GetNumberAsDouble();
  return d >= 0 && d < 2147483647.0 && d == std::floor(d) ? static_cast<int>(d) : -1;
}

bool embedded(const tinygltf::Image& image) {
  return image.uri.empty() || image.uri.rfind("data:", 0) == 0;
}

// Names for the images the file embeds (data: URIs and buffer views), safe
// for a 3DS texture and 8.3 file names: the image's name without folder and
// extension, letters and digits upper-cased, at most 8, else IMAGE and its
// number; .PNG, or .JPG by its MIME type; unique within the file. Empty for
// images with a URI.
std::vector<std::string> embedded_image_names(const tinygltf::Model& model) {
  std::vector<std::string> names(model.images.size());
  std::set<std::string> taken;
  for (std::size_t i = 0; i < model.images.size(); ++i) {
    const tinygltf::Image& image = model.images[i];
    if (!embedded(image)) continue;
    std::string stem;
    const std::string file = image.name.substr(image.name.find_last_of("/\\:") + 1);
    const std::string name = file.substr(0, file.rfind('.'));
    for (const char c : name) {
      if (stem.size() == 8) break;
      if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) stem += c;
      if (c >= 'a' && c <= 'z') stem += static_cast<char>(c - 'a' + 'A');
    }
    const std::string number = std::to_string(i + 1);
    if (stem.empty()) stem = "IMAGE" + number;
    const std::string ext = image.mimeType == "image/jpeg" ? ".JPG" : ".PNG";
    if (taken.count(stem + ext) != 0)
      stem = stem.substr(0, std::min<std::size_t>(stem.size(), 8 - number.size())) + number;
    if (taken.count(stem + ext) != 0) stem = "IMG" + number;
    names[i] = stem + ext;
    taken.insert(names[i]);
  }
  return names;
}

struct Reader {
  const tinygltf::Model& model;
  const ReferencedFiles& files;
  Layers& layers;
  LayerMaterials& sources;
  LayerScene& scene;
  std::vector<std::string>& warnings;
  std::string& error;
  std::vector<std::string> embedded_names;
  std::set<std::string> said;
  std::size_t non_finite = 0;
  std::map<int, std::size_t> first_node_of_mesh;
  std::set<int> cameras_shown, lights_shown;

  void warn(const std::string& text) {
    if (said.insert(text).second) warnings.push_back(text);
  }

  // The accessor's values as doubles, components per element, after
  // checking that every byte read lies inside its view and buffer.
  bool values(int index, int type, std::vector<double>& out, const char* what) {
    if (index < 0 || std::size_t(index) >= model.accessors.size()) {
      error =
          std::string(what) + " names accessor " + std::to_string(index) + ", which does not exist";
      return false;
    }
    const tinygltf::Accessor& a = model.accessors[std::size_t(index)];
    const int components = tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(a.type));
    const int size = tinygltf::GetComponentSizeInBytes(static_cast<std::uint32_t>(a.componentType));
    if ((type != -1 && a.type != type) || components <= 0 || size <= 0) {
      error = std::string(what) + " accessor " + std::to_string(index) + " has the wrong type";
      return false;
    }
    if (a.sparse.isSparse) {
      error = std::string(what) + " accessor " + std::to_string(index) +
              " is sparse, which is not supported";
      return false;
    }
    out.clear();
    if (a.count == 0) return true;
    if (a.bufferView < 0 || std::size_t(a.bufferView) >= model.bufferViews.size()) {
      error = std::string(what) + " accessor " + std::to_string(index) + " has no buffer view";
      return false;
    }
    const tinygltf::BufferView& v = model.bufferViews[std::size_t(a.bufferView)];
    if (v.buffer < 0 || std::size_t(v.buffer) >= model.buffers.size()) {
      error = "buffer view " + std::to_string(a.bufferView) + " names a buffer that does not exist";
      return false;
    }
    const std::vector<unsigned char>& data = model.buffers[std::size_t(v.buffer)].data;
    const std::uint64_t element = std::uint64_t(components) * std::uint64_t(size);
    const std::uint64_t stride = v.byteStride != 0 ? v.byteStride : element;
    const std::uint64_t count = a.count;
    // Each term is bounded by the buffer's size before they are combined,
    // so nothing below can wrap around.
    const std::uint64_t limit = data.size();
    const bool bounded = count <= limit && stride <= limit && a.byteOffset <= limit &&
                         v.byteOffset <= limit && v.byteLength <= limit;
    if (stride < element) {
      error = std::string(what) + " accessor " + std::to_string(index) +
              " has a byte stride shorter than its elements, which would overlap";
      return false;
    }
    if (!bounded || std::uint64_t(a.byteOffset) + stride * (count - 1) + element > v.byteLength ||
        std::uint64_t(v.byteOffset) + v.byteLength > limit) {
      error = std::string(what) + " accessor " + std::to_string(index) + " reaches past its buffer";
      return false;
    }
    out.resize(count * std::uint64_t(components));
    const unsigned char* base = data.data() + v.byteOffset + a.byteOffset;
    for (std::uint64_t e = 0; e < count; ++e) {
      const unsigned char* p = base + e * stride;
      for (int c = 0; c < components; ++c, p += size)
        out[e * std::uint64_t(components) + std::uint64_t(c)] = component(p, a);
    }
    return true;
  }

  static double component(const unsigned char* p, const tinygltf::Accessor& a) {
    switch (a.componentType) {
      case TINYGLTF_COMPONENT_TYPE_FLOAT: {
        float f;
        std::memcpy(&f, p, 4);
        return f;
      }
      case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return a.normalized ? p[0] / 255.0 : p[0];
      case TINYGLTF_COMPONENT_TYPE_BYTE:
        return static_cast<signed char>(p[0]);
      case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        std::uint16_t u;
        std::memcpy(&u, p, 2);
        return a.normalized ? u / 65535.0 : u;
      }
      case TINYGLTF_COMPONENT_TYPE_SHORT: {
        std::int16_t s;
        std::memcpy(&s, p, 2);
        return s;
      }
      case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
        std::uint32_t u;
        std::memcpy(&u, p, 4);
        return u;
      }
      default:
        return 0;
    }
  }

  void look(int material, Layer& layer) {
    layer.red = layer.green = layer.blue = 255;  // glTF's default base colour is white
    if (material < 0 || std::size_t(material) >= model.materials.size()) return;
    const tinygltf::Material& m = model.materials[std::size_t(material)];
    const std::vector<double>& f = m.pbrMetallicRoughness.baseColorFactor;
    if (f.size() == 4) {
      layer.red = linear_to_srgb(f[0]);
      layer.green = linear_to_srgb(f[1]);
      layer.blue = linear_to_srgb(f[2]);
      const double alpha = std::isfinite(f[3]) ? std::min(1.0, std::max(0.0, f[3])) : 1.0;
      layer.transparency = static_cast<std::int32_t>(std::lround((1.0 - alpha) * 100.0));
    }
    // A 3DS diffuse colour that a full texture hides (written by our export).
    if (m.extras.IsObject() && m.extras.Has("3ds_diffuse")) {
      const tinygltf::Value& d = m.extras.Get("3ds_diffuse");
      bool bytes = d.IsArray() && d.ArrayLen() == 3;
      for (int k = 0; bytes && k < 3; ++k) {
        const tinygltf::Value& c = d.Get(k);
        bytes = c.IsNumber() && c.GetNumberAsDouble() >= 0 && c.GetNumberAsDouble() <= 255;
      }
      if (bytes) {
        layer.red = static_cast<std::int32_t>(d.Get(0).GetNumberAsDouble());
        layer.green = static_cast<std::int32_t>(d.Get(1).GetNumberAsDouble());
        layer.blue = static_cast<std::int32_t>(d.Get(2).GetNumberAsDouble());
      }
    }
    const int t = m.pbrMetallicRoughness.baseColorTexture.index;
    if (t < 0 || std::size_t(t) >= model.textures.size()) return;
    const int source = model.textures[std::size_t(t)].source;
    if (source < 0 || std::size_t(source) >= model.images.size()) return;
    const std::string& uri = model.images[std::size_t(source)].uri;
    if (embedded(model.images[std::size_t(source)])) {
      // Written beside a 3DS output under this name (embedded_images.h).
      layer.texture = embedded_names[std::size_t(source)];
      return;
    }
    // The image is never read, but a name that could only be a file outside
    // the input's folder (or a pipe, device or link out) is no texture of
    // this scene; a name not found there is kept, as 3DS names often are.
    const std::string name = percent_decode(uri);
    std::string why;
    if (files.find(name, why).empty() && why != "not found") {
      warn("image \"" + uri + "\" is not used: " + why + "; the layer is untextured");
      return;
    }
    layer.texture = std::filesystem::path(name).filename().string();
  }

  // The smoothing of one mesh instance, rebuilt once all its primitives
  // are read: which layer and triangle each face became.
  struct Instance {
    std::vector<ShadedFace> faces;
    std::vector<std::pair<std::size_t, std::size_t>> where;
  };
  // The base colour texture's KHR_texture_transform as the 2x3 matrix
  // offset * rotation * scale, which it applies to TEXCOORD_0; identity
  // when it has none.
  std::array<double, 6> uv_transform(const tinygltf::Primitive& prim) const {
    std::array<double, 6> m = {1, 0, 0, 0, 1, 0};  // rows: (a b c), (d e f)
    if (prim.material < 0 || std::size_t(prim.material) >= model.materials.size()) return m;
    const auto& ext = model.materials[std::size_t(prim.material)]
                          .pbrMetallicRoughness.baseColorTexture.extensions;
    const auto it = ext.find("KHR_texture_transform");
    if (it == ext.end() || !it->second.IsObject()) return m;
    const auto pair = [&](const char* key, double x, double y) {
      const tinygltf::Value& v = it->second.Get(key);
      if (v.IsArray() && v.ArrayLen() == 2 && v.Get(0).IsNumber() && v.Get(1).IsNumber())
        return std::array<double, 2>{v.Get(0).GetNumberAsDouble(), v.Get(1).GetNumberAsDouble()};
      return std::array<double, 2>{x, y};
    };
    const std::array<double, 2> offset = pair("offset", 0, 0), scale = pair("scale", 1, 1);
    const tinygltf::Value& r = it->second.Get("rotation");
    const double angle = r.IsNumber() ? r.GetNumberAsDouble() : 0.0;
    const double c = std::cos(angle), s = std::sin(angle);
    m = {c * scale[0], s * scale[1], offset[0], -s * scale[0], c * scale[1], offset[1]};
    return m;
  }

  bool primitive(const tinygltf::Mesh& mesh, std::size_t p, const Matrix& world,
                 const std::string& name, Instance& instance) {
    const tinygltf::Primitive& prim = mesh.primitives[p];
    const int mode = prim.mode < 0 ? TINYGLTF_MODE_TRIANGLES : prim.mode;
    if (mode != TINYGLTF_MODE_TRIANGLES && mode != TINYGLTF_MODE_TRIANGLE_STRIP &&
        mode != TINYGLTF_MODE_TRIANGLE_FAN) {
      warn("mesh \"" + mesh.name +
           "\" has points or lines, which a 3DS file cannot hold; they are left out");
      return true;
    }
    const auto pos = prim.attributes.find("POSITION");
    if (pos == prim.attributes.end()) {
      warn("a primitive of mesh \"" + mesh.name + "\" has no positions; it is left out");
      return true;
    }
    std::vector<double> positions, uvs, index_values, normals;
    if (!values(pos->second, TINYGLTF_TYPE_VEC3, positions, "POSITION")) return false;
    const std::size_t n = positions.size() / 3;
    const auto normal = prim.attributes.find("NORMAL");
    if (normal != prim.attributes.end()) {
      if (!values(normal->second, TINYGLTF_TYPE_VEC3, normals, "NORMAL")) return false;
      if (normals.size() != positions.size()) {
        error = "NORMAL of mesh \"" + mesh.name + "\" does not have one normal per position";
        return false;
      }
    }
    const auto uv = prim.attributes.find("TEXCOORD_0");
    if (uv != prim.attributes.end()) {
      if (!values(uv->second, TINYGLTF_TYPE_VEC2, uvs, "TEXCOORD_0")) return false;
      if (uvs.size() / 2 != n) {
        error = "TEXCOORD_0 of mesh \"" + mesh.name + "\" does not have one pair per position";
        return false;
      }
      const std::array<double, 6> t = uv_transform(prim);
      for (std::size_t i = 0; i < uvs.size(); i += 2) {
        const double u = uvs[i], v = uvs[i + 1];
        uvs[i] = t[0] * u + t[1] * v + t[2];
        uvs[i + 1] = t[3] * u + t[4] * v + t[5];
      }
    }
    std::vector<std::size_t> order;
    if (prim.indices >= 0) {
      if (!values(prim.indices, TINYGLTF_TYPE_SCALAR, index_values, "indices")) return false;
      order.reserve(index_values.size());
      for (double v : index_values) {
        if (!(v >= 0) || v >= double(n)) {
          error =
              "an index of mesh \"" + mesh.name + "\" names a vertex past its " + std::to_string(n);
          return false;
        }
        order.push_back(static_cast<std::size_t>(v));
      }
    } else {
      for (std::size_t i = 0; i < n; ++i) order.push_back(i);
    }

    std::vector<std::array<std::size_t, 3>> triangles;
    if (mode == TINYGLTF_MODE_TRIANGLES) {
      if (order.size() % 3 != 0)
        warn("mesh \"" + mesh.name +
             "\" has an index count that is not a multiple of 3; the rest is left out");
      for (std::size_t i = 0; i + 2 < order.size(); i += 3)
        triangles.push_back({order[i], order[i + 1], order[i + 2]});
    } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
      for (std::size_t i = 0; i + 2 < order.size(); ++i)
        triangles.push_back(i % 2 == 0
                                ? std::array<std::size_t, 3>{order[i], order[i + 1], order[i + 2]}
                                : std::array<std::size_t, 3>{order[i + 1], order[i], order[i + 2]});
    } else {
      for (std::size_t i = 1; i + 1 < order.size(); ++i)
        triangles.push_back({order[0], order[i], order[i + 1]});
    }

    qev3ds::Layer layer;
    layer.name = name;
    look(prim.material, layer);
    const std::size_t layer_index = layers.size();
    layer.corners.reserve(9 * triangles.size());
    for (const auto& tri : triangles) {
      float corners[9] = {}, mapping[6] = {};
      bool finite = true;
      ShadedFace shaded;
      shaded.hard = normals.empty();
      for (int c = 0; c < 3; ++c) {
        const double* q = &positions[3 * tri[std::size_t(c)]];
        double w[3];
        for (int r = 0; r < 3; ++r)
          w[r] = world[std::size_t(r)] * q[0] + world[std::size_t(4 + r)] * q[1] +
                 world[std::size_t(8 + r)] * q[2] + world[std::size_t(12 + r)];
        const float y_up[3] = {static_cast<float>(w[0]), static_cast<float>(w[1]),
                               static_cast<float>(w[2])};
        const auto z_up = z_up_of(y_up);  // glTF is Y-up: (x, y, z) -> (x, -z, y)
        ShadedCorner& corner = shaded.corners[std::size_t(c)];
        for (int r = 0; r < 3; ++r) {
          finite = finite && std::isfinite(z_up[std::size_t(r)]);
          corners[c * 3 + r] = z_up[std::size_t(r)];
          corner.position[std::size_t(r)] = z_up[std::size_t(r)];
        }
        // One instance's normals share its transform: equal in the file,
        // equal in the scene.
        if (!normals.empty()) {
          const float file_normal[3] = {static_cast<float>(normals[3 * tri[std::size_t(c)]]),
                                        static_cast<float>(normals[3 * tri[std::size_t(c)] + 1]),
                                        static_cast<float>(normals[3 * tri[std::size_t(c)] + 2])};
          corner.shade = shade_of(file_normal);
        }
        corner.vertex = std::uint64_t(p) << 32 | tri[std::size_t(c)];
        if (!uvs.empty()) {
          mapping[c * 2] = static_cast<float>(uvs[2 * tri[std::size_t(c)]]);
          mapping[c * 2 + 1] = static_cast<float>(1.0 - uvs[2 * tri[std::size_t(c)] + 1]);
          finite = finite && std::isfinite(mapping[c * 2]) && std::isfinite(mapping[c * 2 + 1]);
        }
      }
      if (finite) {
        instance.where.emplace_back(layer_index, layer.triangle_count());
        instance.faces.push_back(shaded);
        add_triangle(layer, corners, mapping, 0);
      } else {
        ++non_finite;
      }
    }
    if (layer.triangle_count() > 0) {
      const bool known = prim.material >= 0 && std::size_t(prim.material) < model.materials.size();
      sources.add(layers, std::move(layer),
                  known ? std::size_t(prim.material) : LayerMaterials::kOwn);
    }
    return true;
  }

  // glTF has no smoothing groups: faces meeting at a position with equal
  // normals smooth together. A face whose vertices are its own is flat.
  void smooth(Instance& instance) {
    mark_detached(instance.faces);
    const std::vector<std::uint32_t> words = smoothing_from_normals(instance.faces);
    for (std::size_t k = 0; k < words.size(); ++k) {
      const auto [l, t] = instance.where[k];
      layers[l].smoothing[t] = static_cast<std::int32_t>(words[k]);
    }
  }

  // Every material of the file, in its order, so that a primitive's
  // material index is its source material's; the colour, transparency and
  // texture as a layer of it gets them.
  void materials() {
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
      const tinygltf::Material& m = model.materials[i];
      Layer sample;
      look(static_cast<int>(i), sample);
      SourceMaterial s;
      s.name = m.name;
      s.diffuse = {static_cast<std::int16_t>(sample.red), static_cast<std::int16_t>(sample.green),
                   static_cast<std::int16_t>(sample.blue)};
      s.transparency = static_cast<std::int16_t>(sample.transparency);
      s.texture = sample.texture;
      specular(m, s);
      s.two_sided = m.doubleSided;
      s.self_illumination = self_illumination(m);
      sources.materials.push_back(std::move(s));
    }
  }

  // Shininess from roughness (shininess = 1 - roughness, in percent); the
  // specular colour from KHR_materials_specular, its colour times its
  // factor, glTF's white when the material has none.
  static void specular(const tinygltf::Material& m, SourceMaterial& s) {
    const double roughness = m.pbrMetallicRoughness.roughnessFactor;
    s.shininess = static_cast<std::int16_t>(
        std::lround(std::isfinite(roughness) ? std::clamp(1.0 - roughness, 0.0, 1.0) * 100 : 0));
    double colour[3] = {1, 1, 1}, factor = 1;
    const auto ext = m.extensions.find("KHR_materials_specular");
    if (ext != m.extensions.end() && ext->second.IsObject()) {
      const tinygltf::Value& v = ext->second;
      if (v.Has("specularFactor") && v.Get("specularFactor").IsNumber())
        factor = v.Get("specularFactor").GetNumberAsDouble();
      if (v.Has("specularColorFactor") && v.Get("specularColorFactor").IsArray() &&
          v.Get("specularColorFactor").ArrayLen() == 3) {
        for (int i = 0; i < 3; ++i) {
          const tinygltf::Value& c = v.Get("specularColorFactor").Get(i);
          if (c.IsNumber()) colour[i] = c.GetNumberAsDouble();
        }
      }
    }
    const auto byte = [&](double c) {
      return static_cast<std::int16_t>(linear_to_srgb(std::isfinite(c * factor) ? c * factor : 1));
    };
    s.specular = {byte(colour[0]), byte(colour[1]), byte(colour[2])};
  }

  // Self-illumination from the emissive colour, as a share of the base
  // colour: 100 * max(emissive) / max(base colour), 0 to 100.
  static std::int16_t self_illumination(const tinygltf::Material& m) {
    double emissive = 0, base = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      if (k < m.emissiveFactor.size() && std::isfinite(m.emissiveFactor[k]))
        emissive = std::max(emissive, m.emissiveFactor[k]);
      const std::vector<double>& b = m.pbrMetallicRoughness.baseColorFactor;
      if (k < b.size() && std::isfinite(b[k])) base = std::max(base, b[k]);
    }
    const double share = base > 0 ? emissive / base : emissive;
    return static_cast<std::int16_t>(std::lround(std::clamp(100 * share, 0.0, 100.0)));
  }

  void camera(const tinygltf::Node& n, const Frame& world) {
    if (std::size_t(n.camera) >= model.cameras.size()) {
      warn("node \"" + n.name + "\" names a camera that does not exist; it is left out");
      return;
    }
    const tinygltf::Camera& c = model.cameras[std::size_t(n.camera)];
    cameras_shown.insert(n.camera);
    qev3ds::Camera out;
    out.name = !n.name.empty()
                   ? n.name
                   : (!c.name.empty() ? c.name : "Camera" + std::to_string(n.camera + 1));
    if (c.type != "perspective") {
      warn("camera \"" + out.name +
           "\" is orthographic, which a 3DS file cannot hold; it is left out");
      return;
    }
    aim(world, n, out.position, out.target);
    out.roll = roll_of(world);
    // A 35 mm frame is 24 mm high: the lens that sees yfov across it.
    const double yfov = c.perspective.yfov;
    const double lens = yfov > 0 && yfov < kPi ? 12 / std::tan(yfov / 2) : 0;
    out.lens = std::isfinite(lens) && lens > 0 && lens < 1e6 ? static_cast<float>(lens) : 50.0f;
    const double znear = c.perspective.znear, zfar = c.perspective.zfar;
    if (zfar > 0 && std::isfinite(zfar) && std::isfinite(znear)) {
      out.near_range = static_cast<float>(znear);
      out.far_range = static_cast<float>(zfar);
    }
    scene.cameras.push_back(std::move(out));
  }

  void light(const tinygltf::Node& n, int which, const Frame& world) {
    if (std::size_t(which) >= model.lights.size()) {
      warn("node \"" + n.name + "\" names a light that does not exist; it is left out");
      return;
    }
    const tinygltf::Light& l = model.lights[std::size_t(which)];
    lights_shown.insert(which);
    qev3ds::Light out;
    out.name =
        !n.name.empty() ? n.name : (!l.name.empty() ? l.name : "Light" + std::to_string(which + 1));
    float ignored[3];
    aim(world, n, out.position, l.type == "spot" ? out.target : ignored);
    for (std::size_t k = 0; k < 3; ++k) {
      const double c = k < l.color.size() ? l.color[k] : 1.0;
      out.colour[k] = static_cast<float>(std::isfinite(c) ? std::clamp(c, 0.0, 1.0) : 1.0);
    }
    out.multiplier = static_cast<float>(
        extra_number(l.extras, "3ds_multiplier", std::isfinite(l.intensity) ? l.intensity : 1.0));
    out.off = l.extras.IsObject() && l.extras.Has("3ds_off") && l.extras.Get("3ds_off").IsBool() &&
              l.extras.Get("3ds_off").Get<bool>();
    if (l.type == "spot") {
      // 3DS cones are whole angles in degrees; glTF's are half angles.
      const auto angle = [](double a, double high) {
        return std::isfinite(a) ? std::clamp(a, 0.0, high) : high;
      };
      const double outer = angle(l.spot.outerConeAngle, kPi / 2);
      const double inner = angle(l.spot.innerConeAngle, outer);
      out.spot = true;
      out.hotspot = static_cast<float>(2 * inner * 180 / kPi);
      out.falloff = static_cast<float>(2 * outer * 180 / kPi);
    } else if (l.type != "point") {
      warn(l.type + " light \"" + out.name + "\" kept as an omni light");
    }
    if (l.range > 0)
      warn("the range of light \"" + out.name +
           "\" is not carried; a 3DS light reaches everywhere");
    scene.lights.push_back(std::move(out));
  }

  bool node(int index, const Matrix& parent, std::size_t parent_node, int depth,
            std::vector<char>& on_path) {
    if (index < 0 || std::size_t(index) >= model.nodes.size()) {
      error = "the scene names node " + std::to_string(index) + ", which does not exist";
      return false;
    }
    if (depth > kMaxDepth || on_path[std::size_t(index)]) {
      error = "the node hierarchy loops or nests deeper than " + std::to_string(kMaxDepth);
      return false;
    }
    on_path[std::size_t(index)] = 1;
    const tinygltf::Node& n = model.nodes[std::size_t(index)];
    const Matrix local = local_matrix(n);
    const Matrix world = multiply(parent, local);
    const std::size_t me = scene.nodes.size();
    {
      LayerNode record;
      record.name = !n.name.empty() ? n.name : "node" + std::to_string(index + 1);
      record.parent = parent_node;
      record.local = z_up_frame(local);
      record.world = z_up_frame(world);
      // A leaf holding a camera or a light is that camera or light only.
      record.keyed = n.mesh >= 0 || !n.children.empty() || (n.camera < 0 && light_of(n) < 0);
      scene.nodes.push_back(std::move(record));
    }
    if (n.mesh >= 0) {
      if (std::size_t(n.mesh) >= model.meshes.size()) {
        error = "node " + std::to_string(index) + " names a mesh that does not exist";
        return false;
      }
      // A mesh is stored once, where its first node puts it; its other
      // nodes are instances of it.
      const auto [first, added] = first_node_of_mesh.emplace(n.mesh, me);
      scene.nodes[me].object = first->second;
      if (added) {
        const tinygltf::Mesh& mesh = model.meshes[std::size_t(n.mesh)];
        const std::string name =
            !mesh.name.empty() ? mesh.name
                               : (!n.name.empty() ? n.name : "mesh" + std::to_string(n.mesh + 1));
        scene.nodes[me].first_layer = layers.size();
        Instance instance;
        for (std::size_t p = 0; p < mesh.primitives.size(); ++p)
          if (!primitive(mesh, p, world, name, instance)) return false;
        smooth(instance);
        scene.nodes[me].end_layer = layers.size();
      }
    }
    if (n.camera >= 0) camera(n, scene.nodes[me].world);
    if (const int l = light_of(n); l >= 0) light(n, l, scene.nodes[me].world);
    for (int child : n.children)
      if (!node(child, world, me, depth + 1, on_path)) return false;
    on_path[std::size_t(index)] = 0;
    return true;
  }
};

// The work a scene's node graph stands for, counted before any of it is
// done: the nodes a walk visits and the triangles its mesh instances hold
// (taken from accessor counts, which are checked later).
struct Census {
  const tinygltf::Model& model;
  std::string& error;
  std::size_t visits = 0, triangles = 0;

  std::size_t triangles_of(const tinygltf::Primitive& prim) const {
    const int index =
        prim.indices >= 0
            ? prim.indices
            : (prim.attributes.count("POSITION") ? prim.attributes.at("POSITION") : -1);
    if (index < 0 || std::size_t(index) >= model.accessors.size()) return 0;
    // An element takes a byte at least: a count its view cannot hold is an
    // error the walk reports, not work to count.
    const tinygltf::Accessor& a = model.accessors[std::size_t(index)];
    if (a.bufferView < 0 || std::size_t(a.bufferView) >= model.bufferViews.size()) return 0;
    const std::size_t count =
        std::min<std::size_t>(a.count, model.bufferViews[std::size_t(a.bufferView)].byteLength);
    const int mode = prim.mode < 0 ? TINYGLTF_MODE_TRIANGLES : prim.mode;
    if (mode == TINYGLTF_MODE_TRIANGLES) return count / 3;
    if (mode == TINYGLTF_MODE_TRIANGLE_STRIP || mode == TINYGLTF_MODE_TRIANGLE_FAN)
      return count < 2 ? 0 : count - 2;
    return 0;
  }

  // False with error once a bound is passed; nodes that do not exist, loops
  // and depth are left to the walk that follows, which names them.
  bool node(int index, int depth, std::vector<char>& on_path) {
    if (index < 0 || std::size_t(index) >= model.nodes.size() || depth > kMaxDepth ||
        on_path[std::size_t(index)])
      return true;
    if (++visits > kMaxNodeVisits) {
      error = "the node hierarchy stands for more than " + std::to_string(kMaxNodeVisits) +
              " node visits (nodes shared by several parents multiply); the file is refused";
      return false;
    }
    const tinygltf::Node& n = model.nodes[std::size_t(index)];
    if (n.mesh >= 0 && std::size_t(n.mesh) < model.meshes.size()) {
      for (const tinygltf::Primitive& prim : model.meshes[std::size_t(n.mesh)].primitives) {
        triangles += std::min(triangles_of(prim), kMaxInstancedTriangles + 1);
        if (triangles > kMaxInstancedTriangles) {
          error = "the scene's mesh instances hold more than " +
                  std::to_string(kMaxInstancedTriangles) + " triangles; the file is refused";
          return false;
        }
      }
    }
    on_path[std::size_t(index)] = 1;
    for (int child : n.children)
      if (!node(child, depth + 1, on_path)) return false;
    on_path[std::size_t(index)] = 0;
    return true;
  }
};

// Images are never decoded: only their names travel, and the bytes of the
// embedded ones when they are asked for (user_data then maps image index to
// bytes).
bool skip_image(tinygltf::Image* image, const int index, std::string*, std::string*, int, int,
                const unsigned char* bytes, int size, void* user_data) {
  if (user_data != nullptr && image != nullptr && embedded(*image) && bytes != nullptr &&
      size > 0) {
    (*static_cast<std::map<int, std::string>*>(user_data))[index] =
        std::string(reinterpret_cast<const char*>(bytes), std::size_t(size));
  }
  return true;
}

// What the file holds that a 3DS scene of meshes does not carry, said
// once per kind.
void say_what_is_left(const tinygltf::Model& model, std::size_t scene,
                      std::vector<std::string>& warnings) {
  if (!model.animations.empty()) {
    warnings.push_back(count_of(model.animations.size(), "animation is", "animations are") +
                       " not carried; the scene is taken as posed");
  }
  if (!model.skins.empty()) {
    warnings.push_back(count_of(model.skins.size(), "skin is", "skins are") +
                       " not carried; skinned meshes are taken in their bind pose");
  }
  std::size_t morphed = 0, coloured = 0;
  for (const tinygltf::Mesh& mesh : model.meshes) {
    for (const tinygltf::Primitive& prim : mesh.primitives) {
      morphed += prim.targets.empty() ? 0 : 1;
      coloured += prim.attributes.count("COLOR_0") > 0 ? 1 : 0;
    }
  }
  if (morphed > 0)
    warnings.push_back("the morph targets of " + count_of(morphed, "primitive", "primitives") +
                       " are not carried");
  if (coloured > 0)
    warnings.push_back("the vertex colours of " + count_of(coloured, "primitive", "primitives") +
                       " are not carried");
  if (model.scenes.size() > 1) {
    warnings.push_back(count_of(model.scenes.size() - 1, "other scene is", "other scenes are") +
                       " not converted, only scene " + std::to_string(scene));
  }
  for (const std::string& name : model.extensionsUsed)
    if (name != "KHR_materials_specular" && name != "KHR_lights_punctual" &&
        name != "KHR_texture_transform")  // baked into the mapping
      warnings.push_back("extension " + name + " is not supported; what it adds is not carried");
}

bool convert(const tinygltf::Model& model, const ReferencedFiles& files, Layers& layers,
             LayerMaterials& sources, LayerScene& scene, std::vector<std::string>& warnings,
             std::string& error) {
  layers.clear();
  sources.clear();
  scene.clear();
  if (model.scenes.empty()) {
    error = "the glTF file has no scene";
    return false;
  }
  const std::size_t which =
      model.defaultScene >= 0 && std::size_t(model.defaultScene) < model.scenes.size()
          ? std::size_t(model.defaultScene)
          : 0;
  std::vector<char> on_path(model.nodes.size(), 0);
  Census census{model, error};
  for (int root : model.scenes[which].nodes)
    if (!census.node(root, 0, on_path)) return false;
  Reader reader{model, files, layers, sources, scene, warnings, error, embedded_image_names(model),
                {},    0,     {},     {},      {}};
  reader.materials();
  for (int root : model.scenes[which].nodes) {
    if (!reader.node(root, kIdentity, LayerNode::kNone, 0, on_path)) {
      layers.clear();
      sources.clear();
      scene.clear();
      return false;
    }
  }
  // Cameras and lights come with the nodes that hold them.
  const std::size_t cameras_left = model.cameras.size() - reader.cameras_shown.size();
  const std::size_t lights_left = model.lights.size() - reader.lights_shown.size();
  if (cameras_left > 0)
    warnings.push_back(count_of(cameras_left, "camera is", "cameras are") +
                       " not carried: no node of the scene holds them");
  if (lights_left > 0)
    warnings.push_back(count_of(lights_left, "light is", "lights are") +
                       " not carried: no node of the scene holds them");
  if (reader.non_finite > 0)
    warnings.push_back(non_finite_warning(reader.non_finite, "the glTF scene"));
  say_what_is_left(model, which, warnings);
  return true;
}

// A GLB is a 12-byte header, then chunks of a 4-byte length, a 4-byte type and
// that many bytes. tinygltf checks the BIN chunk's length against the file's
// without the chunk's own 8 header bytes, and would copy up to 8 bytes from
// past the end of the file; the chunk must fit whole.
bool bin_chunk_fits(const std::string& bytes) {
  const auto u32 = [&bytes](std::uint64_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
      v = v << 8 | static_cast<unsigned char>(bytes[at + std::uint64_t(i)]);
    return std::uint64_t(v);
  };
  if (bytes.size() < 20) return true;  // tinygltf refuses it
  const std::uint64_t end = std::min<std::uint64_t>(u32(8), bytes.size());
  const std::uint64_t bin = 20 + u32(12);  // past the header and the JSON chunk
  if (bin + 8 > end) return true;          // no BIN chunk, or tinygltf refuses it
  return bin + 8 + u32(bin) <= end;
}

// glTF 1.0 (asset.version "1.x", or no asset at all, as 1.0 allowed) is
// another format; a file that requires compressed geometry cannot be read
// without decoding it. Both are refused by name; JSON that does not parse
// is left to tinygltf, which says where.
bool version_and_extensions_read(std::string_view text, std::string& error) {
  const nlohmann::json doc = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
  if (!doc.is_object()) return true;
  const auto asset = doc.find("asset");
  std::string version;
  if (asset != doc.end() && asset->is_object()) {
    const auto v = asset->find("version");
    if (v != asset->end() && v->is_string()) version = v->get<std::string>();
  }
  if (asset == doc.end() || version.rfind("1.", 0) == 0 || version == "1") {
    error = version.empty()
                ? "it has no asset version, so it is glTF 1.0, which is not supported "
                  "(only glTF 2.0 is)"
                : "it is glTF " + version + ", which is not supported (only glTF 2.0 is)";
    return false;
  }
  const auto required = doc.find("extensionsRequired");
  if (required == doc.end() || !required->is_array()) return true;
  for (const auto& name : *required) {
    if (!name.is_string()) continue;
    const std::string n = name.get<std::string>();
    if (n == "KHR_draco_mesh_compression" || n == "EXT_meshopt_compression" ||
        n == "KHR_meshopt_compression") {
      error =
          "it requires extension " + n + " (compressed geometry), which this tool does not decode";
      return false;
    }
  }
  return true;
}

bool load(tinygltf::Model& model, const std::string& bytes, bool binary,
          const ReferencedFiles& files, std::string& error,
          std::map<int, std::string>* images = nullptr) {
  if (bytes.size() > 0xFFFFFFFFu) {
    error = "the file is larger than glTF allows";
    return false;
  }
  if (binary && !bin_chunk_fits(bytes)) {
    error = "the GLB's BIN chunk reaches past the end of the file";
    return false;
  }
  if (!json_depth_within(gltf_json_text(bytes, binary), kMaxJsonDepth)) {
    error = "its JSON nests arrays and objects deeper than " + std::to_string(kMaxJsonDepth) +
            " levels";
    return false;
  }
  if (!version_and_extensions_read(gltf_json_text(bytes, binary), error)) return false;
  tinygltf::TinyGLTF loader;
  loader.SetImageLoader(skip_image, images);
  GltfFileAccess access(files);
  loader.SetFsCallbacks(access.callbacks());
  std::string err, warn;
  const auto length = static_cast<unsigned int>(bytes.size());
  // An empty base folder: tinygltf then passes each URI to the callbacks as
  // it is written, and they look it up in the input's folder only.
  const bool ok =
      binary ? loader.LoadBinaryFromMemory(&model, &err, &warn,
                                           reinterpret_cast<const unsigned char*>(bytes.data()),
                                           length, "")
             : loader.LoadASCIIFromString(&model, &err, &warn, bytes.data(), length, "");
  if (!ok) {
    if (!access.refused_name().empty()) {
      error = "buffer \"" + access.refused_name() + "\" is not read: " + access.refused_why();
    } else {
      error = err.empty() ? "not a glTF file" : err;
      while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
    }
  }
  return ok;
}

}  // namespace

bool read_gltf_bytes(const std::string& bytes, bool binary, const std::string& base_dir,
                     Layers& layers, std::vector<std::string>& warnings, std::string& error,
                     const ReferencedFiles* files, LayerMaterials* materials, LayerScene* scene) {
  LayerMaterials unwanted;
  if (materials == nullptr) materials = &unwanted;
  LayerScene unwanted_scene;
  if (scene == nullptr) scene = &unwanted_scene;
  const ReferencedFiles in_base_dir({base_dir.empty() ? std::string(".") : base_dir});
  if (files == nullptr) files = &in_base_dir;
  layers.clear();
  tinygltf::Model model;
  if (!load(model, bytes, binary, *files, error)) return false;
  return convert(model, *files, layers, *materials, *scene, warnings, error);
}

bool read_gltf(const std::string& path, Layers& layers, std::vector<std::string>& warnings,
               std::string& error, const ReferencedFiles* files, LayerMaterials* materials,
               LayerScene* scene) {
  std::string data;
  if (!read_file_bytes(path, data, error)) return false;
  const bool binary = data.size() >= 4 && data.compare(0, 4, "glTF") == 0;
  const ReferencedFiles beside_input = ReferencedFiles::beside(path);
  return read_gltf_bytes(data, binary, "", layers, warnings, error,
                         files != nullptr ? files : &beside_input, materials, scene);
}

bool read_gltf_embedded_images(const std::string& path, const ReferencedFiles& files,
                               std::map<std::string, std::string>& images, std::string& error) {
  images.clear();
  std::string data;
  if (!read_file_bytes(path, data, error)) return false;
  const bool binary = data.size() >= 4 && data.compare(0, 4, "glTF") == 0;
  tinygltf::Model model;
  std::map<int, std::string> by_index;
  if (!load(model, data, binary, files, error, &by_index)) return false;
  const std::vector<std::string> names = embedded_image_names(model);
  for (auto& [index, bytes] : by_index)
    if (std::size_t(index) < names.size() && !names[std::size_t(index)].empty())
      images[names[std::size_t(index)]] = std::move(bytes);
  return true;
}

}  // namespace qev::convert
