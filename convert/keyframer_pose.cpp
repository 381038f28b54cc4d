// Frame-0 node worlds and instances of objects.
#include "keyframer_pose.h"

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace qev::convert {

Transform identity_transform() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Transform compose(const Transform& a, const Transform& b) {
  Transform r{};
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += a[4 * k + row] * b[4 * c + k];
      r[4 * c + row] = s;
    }
  return r;
}

bool invert(const Transform& a, Transform& inverse) {
  inverse = identity_transform();
  const auto m = [&](int row, int col) { return a[4 * col + row]; };
  const double c00 = m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1);
  const double c01 = m(1, 2) * m(2, 0) - m(1, 0) * m(2, 2);
  const double c02 = m(1, 0) * m(2, 1) - m(1, 1) * m(2, 0);
  const double det = m(0, 0) * c00 + m(0, 1) * c01 + m(0, 2) * c02;
  double size = 0;
  for (int k = 0; k < 12; ++k)
    if (k % 4 != 3) size = std::max(size, std::fabs(a[k]));
  // A determinant that small beside the matrix's own size is a flattened
  // space, whatever the rounding left.
  if (!std::isfinite(det) || !(std::fabs(det) > 1e-12 * size * size * size)) return false;
  double r[3][3];
  r[0][0] = c00 / det;
  r[1][0] = c01 / det;
  r[2][0] = c02 / det;
  r[0][1] = (m(0, 2) * m(2, 1) - m(0, 1) * m(2, 2)) / det;
  r[1][1] = (m(0, 0) * m(2, 2) - m(0, 2) * m(2, 0)) / det;
  r[2][1] = (m(0, 1) * m(2, 0) - m(0, 0) * m(2, 1)) / det;
  r[0][2] = (m(0, 1) * m(1, 2) - m(0, 2) * m(1, 1)) / det;
  r[1][2] = (m(0, 2) * m(1, 0) - m(0, 0) * m(1, 2)) / det;
  r[2][2] = (m(0, 0) * m(1, 1) - m(0, 1) * m(1, 0)) / det;
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) inverse[4 * col + row] = r[row][col];
    inverse[12 + row] = -(r[row][0] * a[12] + r[row][1] * a[13] + r[row][2] * a[14]);
  }
  return true;
}

void transform_point(const Transform& a, const float* in, float* out) {
  for (int row = 0; row < 3; ++row)
    out[row] =
        static_cast<float>(a[row] * in[0] + a[4 + row] * in[1] + a[8 + row] * in[2] + a[12 + row]);
}

Transform mesh_transform(const qev3ds::Mesh& mesh) {
  Transform t = identity_transform();
  for (int axis = 0; axis < 4; ++axis)
    for (int k = 0; k < 3; ++k) t[4 * axis + k] = mesh.matrix[3 * axis + k];
  return t;
}

Transform y_up_transform(const Transform& a) {
  // C a C^-1 with C (x, y, z) -> (x, z, -y): row and column y take z's
  // place, and z takes y's negated.
  const int from[3] = {0, 2, 1};
  const double sign[3] = {1, 1, -1};
  Transform r = identity_transform();
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 3; ++row) {
      const int c = col < 3 ? from[col] : 3;
      r[4 * col + row] = sign[row] * (col < 3 ? sign[col] : 1) * a[4 * c + from[row]];
    }
  return r;
}

namespace {

Transform translation(double x, double y, double z) {
  Transform t = identity_transform();
  t[12] = x, t[13] = y, t[14] = z;
  return t;
}

// A turn by angle (radians) about axis, counter-clockwise looking down the
// axis toward the origin; no turn about a zero axis.
Transform rotation(double angle, double x, double y, double z) {
  Transform t = identity_transform();
  const double length = std::sqrt(x * x + y * y + z * z);
  if (!(length > 0) || !std::isfinite(length) || !std::isfinite(angle)) return t;
  x /= length, y /= length, z /= length;
  const double c = std::cos(angle), s = std::sin(angle), d = 1 - c;
  t[0] = c + d * x * x, t[4] = d * x * y - s * z, t[8] = d * x * z + s * y;
  t[1] = d * y * x + s * z, t[5] = c + d * y * y, t[9] = d * y * z - s * x;
  t[2] = d * z * x - s * y, t[6] = d * z * y + s * x, t[10] = c + d * z * z;
  return t;
}

}  // namespace

std::vector<Transform> frame_zero_worlds(const qev3ds::Keyframer& keyframer) {
  std::vector<Transform> worlds;
  worlds.reserve(keyframer.nodes.size());
  std::map<int, std::size_t> by_id;
  for (const qev3ds::Node& node : keyframer.nodes) {
    const int id = node.id >= 0 ? node.id : static_cast<int>(worlds.size());
    const qev3ds::Pose pose = qev3ds::frame_zero(node);
    // A key's angle turns clockwise about its axis (looking down the axis
    // toward the origin), the opposite of the usual right-handed sense: the
    // files' stored meshes sit at their first node's frame-0 pose so.
    Transform local =
        compose(translation(pose.position[0], pose.position[1], pose.position[2]),
                rotation(-pose.rotation[0], pose.rotation[1], pose.rotation[2], pose.rotation[3]));
    Transform scale = identity_transform();
    for (int k = 0; k < 3; ++k) scale[5 * k] = pose.scale[k];
    local = compose(local, scale);
    const auto parent = by_id.find(node.parent);
    worlds.push_back(parent == by_id.end() ? local : compose(worlds[parent->second], local));
    by_id.emplace(id, worlds.size() - 1);
  }
  return worlds;
}

Transform object_placement(const Transform& world, const qev3ds::Node& node,
                           const qev3ds::Mesh& mesh) {
  Transform frame_inverse;
  invert(mesh_transform(mesh), frame_inverse);
  return compose(compose(world, translation(-node.pivot[0], -node.pivot[1], -node.pivot[2])),
                 frame_inverse);
}

std::vector<Instance> scene_instances(const qev3ds::Scene& scene) {
  std::vector<Instance> found;
  if (scene.keyframer.nodes.empty()) return found;
  std::map<std::string, std::size_t> mesh_by_name;
  for (std::size_t k = scene.meshes.size(); k-- > 0;) mesh_by_name[scene.meshes[k].name] = k;
  std::map<std::string, std::size_t> first_node;
  for (std::size_t i = 0; i < scene.keyframer.nodes.size(); ++i) {
    const qev3ds::Node& node = scene.keyframer.nodes[i];
    if (node.kind != qev3ds::node_object || node.is_dummy()) continue;
    const auto mesh = mesh_by_name.find(node.name);
    if (mesh == mesh_by_name.end()) continue;
    const auto [first, added] = first_node.emplace(node.name, i);
    if (!added) found.push_back({i, first->second, mesh->second});
  }
  return found;
}

Transform instance_carry(const qev3ds::Scene& scene, const Instance& instance,
                         const std::vector<Transform>& worlds) {
  const qev3ds::Mesh& mesh = scene.meshes[instance.mesh];
  const std::vector<qev3ds::Node>& nodes = scene.keyframer.nodes;
  const Transform here = object_placement(worlds[instance.node], nodes[instance.node], mesh);
  Transform back;
  if (!invert(object_placement(worlds[instance.first], nodes[instance.first], mesh), back))
    return here;
  return compose(here, back);
}

const qev3ds::Scene& scene_with_instances(const qev3ds::Scene& scene, qev3ds::Scene& storage,
                                          std::vector<std::string>* warnings, std::size_t budget) {
  const std::vector<Instance> instances = scene_instances(scene);
  if (instances.empty()) return scene;
  const std::vector<Transform> worlds = frame_zero_worlds(scene.keyframer);
  storage = scene;
  storage.keyframer = qev3ds::Keyframer{};
  std::set<std::string> names;
  for (const qev3ds::Mesh& mesh : scene.meshes) names.insert(mesh.name);
  std::size_t items = 0, left_out = 0;
  for (const Instance& instance : instances) {
    const qev3ds::Mesh& object = scene.meshes[instance.mesh];
    const std::size_t size = object.vertex_count() + object.faces.size();
    if (size > budget - items) {
      ++left_out;
      continue;
    }
    items += size;
    const qev3ds::Node& node = scene.keyframer.nodes[instance.node];
    const Transform carry = instance_carry(scene, instance, worlds);
    qev3ds::Mesh mesh = scene.meshes[instance.mesh];
    const std::string base = node.instance.empty() ? node.name : node.instance;
    mesh.name = base;
    for (int n = 2; !names.insert(mesh.name).second; ++n)
      mesh.name = base + "." + std::to_string(n);
    for (std::size_t v = 0; v + 2 < mesh.vertices.size(); v += 3) {
      const float p[3] = {mesh.vertices[v], mesh.vertices[v + 1], mesh.vertices[v + 2]};
      transform_point(carry, p, &mesh.vertices[v]);
    }
    const Transform frame = compose(carry, mesh_transform(mesh));
    for (int axis = 0; axis < 4; ++axis)
      for (int k = 0; k < 3; ++k)
        mesh.matrix[3 * axis + k] = static_cast<float>(frame[4 * axis + k]);
    // A mirroring carry turns the faces inside out; their corners in the
    // other order face out again (the edges a-b and c-a trade flags).
    const double det = carry[0] * (carry[5] * carry[10] - carry[9] * carry[6]) -
                       carry[4] * (carry[1] * carry[10] - carry[9] * carry[2]) +
                       carry[8] * (carry[1] * carry[6] - carry[5] * carry[2]);
    if (det < 0)
      for (qev3ds::Face& f : mesh.faces) {
        std::swap(f.b, f.c);
        f.flags = static_cast<std::uint16_t>((f.flags & ~5u) | ((f.flags & 4u) >> 2) |
                                             ((f.flags & 1u) << 2));
      }
    storage.meshes.push_back(std::move(mesh));
  }
  if (left_out > 0 && warnings != nullptr)
    warnings->push_back(std::to_string(left_out) + " of " + std::to_string(instances.size()) +
                        " instances left out: their copies would pass " + std::to_string(budget) +
                        " vertices and faces");
  return storage;
}

}  // namespace qev::convert
