// Cameras and lights of a 3DS scene as glTF nodes.
#include "gltf_cameras_lights.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>

#include "axes.h"
#include "float_text.h"
#include "text_encoding.h"

namespace qev::convert {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDefaultLens = 50.0;  // millimetres, for a camera without a usable lens

using Vec = std::array<double, 3>;

Vec cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double length(const Vec& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }
Vec scaled(const Vec& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }

float finite_or_zero(float v) { return std::isfinite(v) ? v : 0.0f; }

// A file point in glTF's axes, with anything not finite as 0.
Vec y_up_point(const float* p) {
  const float q[3] = {finite_or_zero(p[0]), finite_or_zero(p[1]), finite_or_zero(p[2])};
  const auto y = y_up_of(q);
  return {y[0], y[1], y[2]};
}

// The unit quaternion (x, y, z, w) of the rotation whose columns are x, y, z.
std::vector<double> quaternion(const Vec& x, const Vec& y, const Vec& z) {
  const double m00 = x[0], m11 = y[1], m22 = z[2];
  double q[4];  // x, y, z, w
  const double trace = m00 + m11 + m22;
  if (trace > 0) {
    const double s = 2 * std::sqrt(1 + trace);
    q[3] = s / 4, q[0] = (y[2] - z[1]) / s, q[1] = (z[0] - x[2]) / s, q[2] = (x[1] - y[0]) / s;
  } else if (m00 > m11 && m00 > m22) {
    const double s = 2 * std::sqrt(1 + m00 - m11 - m22);
    q[3] = (y[2] - z[1]) / s, q[0] = s / 4, q[1] = (y[0] + x[1]) / s, q[2] = (z[0] + x[2]) / s;
  } else if (m11 > m22) {
    const double s = 2 * std::sqrt(1 + m11 - m00 - m22);
    q[3] = (z[0] - x[2]) / s, q[0] = (y[0] + x[1]) / s, q[1] = s / 4, q[2] = (z[1] + y[2]) / s;
  } else {
    const double s = 2 * std::sqrt(1 + m22 - m00 - m11);
    q[3] = (x[1] - y[0]) / s, q[0] = (z[0] + x[2]) / s, q[1] = (z[1] + y[2]) / s, q[2] = s / 4;
  }
  const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  std::vector<double> out(4);
  for (int k = 0; k < 4; ++k) out[static_cast<std::size_t>(k)] = json_number(float(q[k] / n));
  return out;
}

// A node at position whose -Z looks at target and whose +Y is the world's
// up turned by roll degrees; the distance to the target in its extras.
tinygltf::Node aimed_node(const std::string& name, const float* position, const float* target,
                          float roll) {
  tinygltf::Node node;
  node.name = utf8_text(name);
  const Vec from = y_up_point(position), to = y_up_point(target);
  for (const double v : from) node.translation.push_back(json_number(float(v)));
  if (std::all_of(node.translation.begin(), node.translation.end(),
                  [](double v) { return v == 0; }))
    node.translation.clear();
  const Vec d = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
  const double distance = length(d);
  tinygltf::Value::Object extras;
  extras["3ds_target_distance"] = tinygltf::Value(json_number(float(distance)));
  node.extras = tinygltf::Value(std::move(extras));
  if (!(distance > 0) || !std::isfinite(distance)) return node;
  const Vec forward = scaled(d, 1 / distance);
  // The world's up, or a level direction when looking straight up or down.
  Vec right = cross(forward, {0, 1, 0});
  if (length(right) < 1e-9) right = cross(forward, {0, 0, forward[1] < 0 ? -1.0 : 1.0});
  right = scaled(right, 1 / length(right));
  const Vec up = cross(right, forward);
  const double a = std::isfinite(roll) ? static_cast<double>(roll) * kPi / 180.0 : 0.0;
  const double c = std::cos(a), s = std::sin(a);
  const Vec x = {c * right[0] + s * up[0], c * right[1] + s * up[1], c * right[2] + s * up[2]};
  const Vec y = {-s * right[0] + c * up[0], -s * right[1] + c * up[1], -s * right[2] + c * up[2]};
  node.rotation = quaternion(x, y, scaled(forward, -1));
  return node;
}

int add_node(tinygltf::Model& model, tinygltf::Scene& root, tinygltf::Node node) {
  model.nodes.push_back(std::move(node));
  const int index = static_cast<int>(model.nodes.size() - 1);
  root.nodes.push_back(index);
  return index;
}

void add_camera(tinygltf::Model& model, tinygltf::Scene& root, const qev3ds::Camera& source,
                std::vector<std::string>& warnings) {
  tinygltf::Camera camera;
  camera.type = "perspective";
  camera.name = utf8_text(source.name);
  double lens = source.lens;
  if (!(lens > 0) || !std::isfinite(lens)) {
    warnings.push_back("camera \"" + utf8_text(source.name) + "\" has no usable lens (" +
                       float_text(source.lens) + " mm); written with a 50 mm lens");
    lens = kDefaultLens;
  }
  camera.perspective.yfov = json_number(static_cast<float>(2 * std::atan(12 / lens)));
  camera.perspective.aspectRatio = 1.5;
  const float near = source.near_range, far = source.far_range;
  if (near > 0 && far > near && std::isfinite(far)) {
    camera.perspective.znear = json_number(near);
    camera.perspective.zfar = json_number(far);
  } else {
    camera.perspective.znear = 0.01;
  }
  model.cameras.push_back(camera);
  tinygltf::Node node = aimed_node(source.name, source.position, source.target, source.roll);
  node.camera = static_cast<int>(model.cameras.size() - 1);
  add_node(model, root, std::move(node));
}

void add_light(tinygltf::Model& model, tinygltf::Scene& root, const qev3ds::Light& source,
               std::vector<std::string>& warnings) {
  const std::string name = utf8_text(source.name);
  tinygltf::Light light;
  light.name = name;
  for (const float c : source.colour)
    light.color.push_back(json_number(std::isfinite(c) ? std::clamp(c, 0.0f, 1.0f) : 0.0f));
  const float multiplier = source.multiplier;
  const bool usable = multiplier >= 0 && std::isfinite(multiplier);
  if (!usable)
    warnings.push_back("light \"" + name + "\" has a multiplier of " + float_text(multiplier) +
                       ", which glTF cannot hold; written with intensity 0");
  light.intensity = source.off || !usable ? 0.0 : json_number(multiplier);
  tinygltf::Value::Object extras;
  if (source.off) extras["3ds_off"] = tinygltf::Value(true);
  if (source.off || !usable) extras["3ds_multiplier"] = tinygltf::Value(json_number(multiplier));
  if (!extras.empty()) light.extras = tinygltf::Value(std::move(extras));

  tinygltf::Node node;
  if (source.spot) {
    light.type = "spot";
    // Half of each whole cone angle, kept to 0 <= inner < outer <= pi/2.
    const auto half = [](float degrees) {
      return std::isfinite(degrees) ? static_cast<double>(degrees) * kPi / 360.0 : 0.0;
    };
    constexpr double kGap = 1e-4;
    const double outer = std::clamp(half(source.falloff), 2 * kGap, kPi / 2);
    const double inner = std::clamp(half(source.hotspot), 0.0, outer - kGap);
    light.spot.outerConeAngle = json_number(static_cast<float>(outer));
    light.spot.innerConeAngle = json_number(static_cast<float>(inner));
    node = aimed_node(source.name, source.position, source.target, 0.0f);
  } else {
    light.type = "point";
    node = aimed_node(source.name, source.position, source.position, 0.0f);
    node.extras = tinygltf::Value();
  }
  model.lights.push_back(light);
  tinygltf::Value::Object ext{
      {"light", tinygltf::Value(static_cast<int>(model.lights.size() - 1))}};
  node.extensions["KHR_lights_punctual"] = tinygltf::Value(std::move(ext));
  add_node(model, root, std::move(node));
}

void drop_zero_far(nlohmann::json& doc) {
  const auto cameras = doc.find("cameras");
  if (cameras == doc.end() || !cameras->is_array()) return;
  for (nlohmann::json& camera : *cameras) {
    const auto p = camera.find("perspective");
    if (p == camera.end() || !p->is_object()) continue;
    const auto far = p->find("zfar");
    if (far != p->end() && far->is_number() && far->get<double>() == 0) p->erase(far);
  }
}

std::uint32_t read_u32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(b[at + std::size_t(k)]);
  return v;
}

void put_u32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + std::size_t(k)] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

}  // namespace

void add_cameras_and_lights(tinygltf::Model& model, tinygltf::Scene& root,
                            const qev3ds::Scene& scene, std::vector<std::string>& warnings) {
  const auto finite = [](const float* p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
  };
  const auto say_zero = [&](const char* what, const std::string& name) {
    warnings.push_back(std::string(what) + " \"" + utf8_text(name) +
                       "\" has a position or target that is not a finite number; it is written "
                       "as 0");
  };
  for (const qev3ds::Camera& camera : scene.cameras) {
    if (!finite(camera.position) || !finite(camera.target)) say_zero("camera", camera.name);
    add_camera(model, root, camera, warnings);
  }
  for (const qev3ds::Light& light : scene.lights) {
    if (!finite(light.position) || (light.spot && !finite(light.target)))
      say_zero("light", light.name);
    add_light(model, root, light, warnings);
  }
}

void drop_infinite_far(std::string& bytes, bool binary) {
  if (!binary) {
    nlohmann::json doc = nlohmann::json::parse(bytes);
    drop_zero_far(doc);
    bytes = doc.dump(2) + "\n";
    return;
  }
  // GLB: a 12-byte header, then the JSON chunk (length, "JSON", text padded
  // with spaces to 4 bytes), then any others as they are.
  if (bytes.size() < 20) return;
  const std::size_t json_length = read_u32(bytes, 12);
  if (20 + json_length > bytes.size()) return;
  nlohmann::json doc = nlohmann::json::parse(bytes.begin() + 20,
                                             bytes.begin() + 20 + static_cast<long>(json_length));
  drop_zero_far(doc);
  std::string text = doc.dump();
  text.resize((text.size() + 3) & ~std::size_t{3}, ' ');
  std::string out = bytes.substr(0, 20) + text + bytes.substr(20 + json_length);
  put_u32(out, 12, static_cast<std::uint32_t>(text.size()));
  put_u32(out, 8, static_cast<std::uint32_t>(out.size()));
  bytes.swap(out);
}

}  // namespace qev::convert
