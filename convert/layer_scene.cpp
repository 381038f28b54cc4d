// An imported node tree, cameras and lights given to the scene its layers
// became.
#include "layer_scene.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <set>

#include "keyframer_pose.h"
#include "text_encoding.h"

namespace qev::convert {
namespace {

constexpr std::size_t kMaxNodes = 0xFFFF;  // ids 0 to 65,534; 0xFFFF is "no parent"

// One track of one key at frame 0.
qev3ds::Track track(std::uint16_t kind, const double* values, int n) {
  qev3ds::Track t;
  t.kind = kind;
  qev3ds::Key key;
  for (int i = 0; i < n; ++i) key.value[i] = static_cast<float>(values[i]);
  t.keys.push_back(key);
  return t;
}

// A frame as position, rotation and scale, so that the frame is T * R * S;
// a mirror goes to the x scale. The rotation is an angle in radians about a
// unit axis, clockwise seen from the axis' tip, as 3DS keys turn (the
// stored meshes of real files sit at their first node's pose so, and other
// readers agree). A frame with shear has no
// such form: its axes' lengths and the rotation nearest them are taken.
std::vector<qev3ds::Track> pose_tracks(const Frame& f) {
  double axes[3][3], scale[3];
  for (int c = 0; c < 3; ++c) {
    scale[c] =
        std::sqrt(f[4 * c] * f[4 * c] + f[4 * c + 1] * f[4 * c + 1] + f[4 * c + 2] * f[4 * c + 2]);
    for (int r = 0; r < 3; ++r) axes[c][r] = scale[c] > 0 ? f[4 * c + r] / scale[c] : (c == r);
  }
  const double det = axes[0][0] * (axes[1][1] * axes[2][2] - axes[1][2] * axes[2][1]) -
                     axes[1][0] * (axes[0][1] * axes[2][2] - axes[0][2] * axes[2][1]) +
                     axes[2][0] * (axes[0][1] * axes[1][2] - axes[0][2] * axes[1][1]);
  if (det < 0) {
    scale[0] = -scale[0];
    for (double& v : axes[0]) v = -v;
  }
  // The rotation's quaternion (m[r][c] = axes[c][r]), the largest term
  // first so that no division is by a small number.
  const auto m = [&](int r, int c) { return axes[c][r]; };
  const double trace = m(0, 0) + m(1, 1) + m(2, 2);
  double q[4];  // w, x, y, z
  if (trace > 0) {
    const double s = 2 * std::sqrt(trace + 1);
    q[0] = s / 4, q[1] = (m(2, 1) - m(1, 2)) / s, q[2] = (m(0, 2) - m(2, 0)) / s,
    q[3] = (m(1, 0) - m(0, 1)) / s;
  } else if (m(0, 0) > m(1, 1) && m(0, 0) > m(2, 2)) {
    const double s = 2 * std::sqrt(1 + m(0, 0) - m(1, 1) - m(2, 2));
    q[0] = (m(2, 1) - m(1, 2)) / s, q[1] = s / 4, q[2] = (m(0, 1) + m(1, 0)) / s,
    q[3] = (m(0, 2) + m(2, 0)) / s;
  } else if (m(1, 1) > m(2, 2)) {
    const double s = 2 * std::sqrt(1 + m(1, 1) - m(0, 0) - m(2, 2));
    q[0] = (m(0, 2) - m(2, 0)) / s, q[1] = (m(0, 1) + m(1, 0)) / s, q[2] = s / 4,
    q[3] = (m(1, 2) + m(2, 1)) / s;
  } else {
    const double s = 2 * std::sqrt(1 + m(2, 2) - m(0, 0) - m(1, 1));
    q[0] = (m(1, 0) - m(0, 1)) / s, q[1] = (m(0, 2) + m(2, 0)) / s, q[2] = (m(1, 2) + m(2, 1)) / s,
    q[3] = s / 4;
  }
  const double v = std::sqrt(q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  double rotation[4] = {0, 1, 0, 0};
  if (v > 1e-12 && std::isfinite(v)) {
    rotation[0] = -2 * std::atan2(v, q[0]);
    for (int k = 0; k < 3; ++k) rotation[k + 1] = q[k + 1] / v;
  }
  const double position[3] = {f[12], f[13], f[14]};
  return {track(qev3ds::track_position, position, 3), track(qev3ds::track_rotation, rotation, 4),
          track(qev3ds::track_scale, scale, 3)};
}

const Frame kIdentityFrame = identity_transform();

// Names as a reader keeps them (up to a NUL, at most name_kept bytes of
// whole UTF-8 characters), unique among the names taken: "name", "name.2", ...
class ObjectNames {
 public:
  explicit ObjectNames(std::vector<std::string>& warnings) : warnings_(warnings) {}
  void take(const std::string& name) { taken_.insert(name); }
  std::string cut(const std::string& wanted, const char* what, std::size_t room) {
    const std::string base = wanted.substr(0, wanted.find('\0'));
    const std::size_t keep = utf8_prefix_length(base, room);
    if (keep < base.size() && said_.insert(base).second) {
      warnings_.push_back(std::string(what) + " \"" + utf8_text(base) + "\" is cut to the " +
                          std::to_string(qev3ds::limits::name_kept) +
                          " characters a 3DS file keeps");
    }
    return base.substr(0, keep);
  }
  // A node shared by many parents gives its camera many times: each base
  // name's next number is kept, so that naming stays linear.
  std::string unique(const std::string& wanted, const char* what) {
    const std::string base = cut(wanted, what, qev3ds::limits::name_kept);
    for (std::size_t& n = next_[base];; ++n) {
      if (n == 0) n = 1;
      const std::string suffix = n == 1 ? std::string() : "." + std::to_string(n);
      std::string name =
          base.substr(0, utf8_prefix_length(base, qev3ds::limits::name_kept - suffix.size())) +
          suffix;
      if (taken_.insert(name).second) return name;
    }
  }

 private:
  std::vector<std::string>& warnings_;
  std::set<std::string> taken_, said_;
  std::map<std::string, std::size_t> next_;
};

}  // namespace

void LayerScene::scale(double factor) {
  if (factor == 1.0) return;
  const auto times = [factor](auto& v) { v = static_cast<std::decay_t<decltype(v)>>(v * factor); };
  for (LayerNode& n : nodes)
    for (int k = 12; k < 15; ++k) times(n.local[std::size_t(k)]), times(n.world[std::size_t(k)]);
  for (qev3ds::Camera& c : cameras) {
    for (int k = 0; k < 3; ++k) times(c.position[k]), times(c.target[k]);
    times(c.near_range), times(c.far_range);
  }
  for (qev3ds::Light& l : lights)
    for (int k = 0; k < 3; ++k) times(l.position[k]), times(l.target[k]);
}

void LayerScene::add_instance_layers(Layers& layers) const {
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const LayerNode& n = nodes[i];
    if (n.object == LayerNode::kNone || n.object == i) continue;
    const LayerNode& o = nodes[n.object];
    Frame back;
    if (!invert(o.world, back)) continue;  // its copy holds no volume to move
    const Frame move = compose(n.world, back);
    for (std::size_t l = o.first_layer; l < o.end_layer && l < layers.size(); ++l) {
      qev3ds::Layer copy = layers[l];
      for (std::size_t k = 0; k + 2 < copy.corners.size(); k += 3) {
        const double p[3] = {copy.corners[k], copy.corners[k + 1], copy.corners[k + 2]};
        for (std::size_t r = 0; r < 3; ++r)
          copy.corners[k + r] = static_cast<float>(move[r] * p[0] + move[4 + r] * p[1] +
                                                   move[8 + r] * p[2] + move[12 + r]);
      }
      layers.push_back(std::move(copy));
    }
  }
}

namespace {

// Whether every value is finite: write_scene refuses a scene with any other
// number in it.
bool finite_floats(const float* v, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) {
    if (!std::isfinite(v[k])) return false;
  }
  return true;
}

bool finite_tracks(const std::vector<qev3ds::Track>& tracks) {
  for (const qev3ds::Track& t : tracks)
    for (const qev3ds::Key& k : t.keys)
      if (!finite_floats(k.value, 4) || !finite_floats(k.spline, 5)) return false;
  return true;
}

bool finite_camera(const qev3ds::Camera& c) {
  return finite_floats(c.position, 3) && finite_floats(c.target, 3) && finite_floats(&c.roll, 1) &&
         finite_floats(&c.lens, 1) && finite_floats(&c.near_range, 1) &&
         finite_floats(&c.far_range, 1);
}

bool finite_light(const qev3ds::Light& l) {
  return finite_floats(l.position, 3) && finite_floats(l.colour, 3) &&
         finite_floats(&l.multiplier, 1) && finite_floats(l.target, 3) &&
         finite_floats(&l.hotspot, 1) && finite_floats(&l.falloff, 1);
}

void warn_not_finite(std::size_t n, const char* what, const char* fate,
                     std::vector<std::string>& warnings) {
  if (n == 0) return;
  warnings.push_back(std::to_string(n) + " " + what + (n == 1 ? " holds" : "s hold") +
                     " a number beyond what a 3DS file keeps; " + fate);
}

}  // namespace

void LayerScene::apply(qev3ds::Scene& scene, const std::vector<std::size_t>& first_mesh,
                       std::vector<std::string>& warnings) const {
  const std::size_t layer_count = first_mesh.empty() ? 0 : first_mesh.size() - 1;
  // The meshes a node shows: those its object's layers became.
  const auto meshes_of = [&](std::size_t i) -> std::pair<std::size_t, std::size_t> {
    const std::size_t o = nodes[i].object;
    if (o == LayerNode::kNone || nodes[o].end_layer > layer_count) return {0, 0};
    return {first_mesh[nodes[o].first_layer], first_mesh[nodes[o].end_layer]};
  };
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (nodes[i].object != i) continue;
    const auto [begin, end] = meshes_of(i);
    const Frame& w = nodes[i].world;
    for (std::size_t k = begin; k < end; ++k)
      for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 3; ++r)
          scene.meshes[k].matrix[3 * c + r] = static_cast<float>(w[std::size_t(4 * c + r)]);
  }
  std::size_t bad_frames = 0;
  for (qev3ds::Mesh& m : scene.meshes) {
    if (finite_floats(m.matrix, 12)) continue;
    std::fill(std::begin(m.matrix), std::end(m.matrix), 0.0f);
    m.matrix[0] = m.matrix[4] = m.matrix[8] = 1.0f;
    ++bad_frames;
  }
  warn_not_finite(bad_frames, "mesh frame", "each is the identity", warnings);
  std::size_t bad_poses = 0;

  ObjectNames names(warnings);
  for (const qev3ds::Mesh& m : scene.meshes) names.take(m.name);
  qev3ds::Keyframer& kf = scene.keyframer;
  kf = {};
  std::vector<std::int32_t> id_of(nodes.size(), -1);
  std::size_t left_out = 0;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const LayerNode& n = nodes[i];
    if (!n.keyed) continue;
    const auto [begin, end] = meshes_of(i);
    const std::int32_t parent = n.parent == LayerNode::kNone ? -1 : id_of[n.parent];
    if (kf.nodes.size() + std::max<std::size_t>(end - begin, 1) > kMaxNodes ||
        (n.parent != LayerNode::kNone && parent < 0)) {
      ++left_out;
      continue;
    }
    qev3ds::Node node;
    node.id = static_cast<std::int32_t>(kf.nodes.size());
    node.parent = parent < 0 ? 0xFFFF : static_cast<std::uint16_t>(parent);
    const bool dummy = begin == end;
    node.name = dummy ? "$$$DUMMY" : scene.meshes[begin].name;
    if (dummy || n.object != i)
      node.instance = names.cut(n.name, "node name", qev3ds::limits::name_kept);
    node.tracks = pose_tracks(n.local);
    if (!finite_tracks(node.tracks)) {
      node.tracks = pose_tracks(kIdentityFrame);
      ++bad_poses;
    }
    id_of[i] = node.id;
    kf.nodes.push_back(node);
    // The other meshes of its mesh (one per material, or split to fit)
    // follow as children where it is.
    for (std::size_t k = begin + 1; k < end; ++k) {
      qev3ds::Node part;
      part.id = static_cast<std::int32_t>(kf.nodes.size());
      part.parent = static_cast<std::uint16_t>(node.id);
      part.name = scene.meshes[k].name;
      part.instance = node.instance;
      part.tracks = pose_tracks(kIdentityFrame);
      kf.nodes.push_back(std::move(part));
    }
  }
  if (!kf.nodes.empty()) kf.revision = 5;
  if (left_out > 0) {
    warnings.push_back(std::to_string(left_out) + " node" + (left_out == 1 ? " is" : "s are") +
                       " left out of the keyframer, which holds " + std::to_string(kMaxNodes) +
                       " nodes at most");
  }
  warn_not_finite(bad_poses, "node pose", "each is the identity", warnings);
  std::size_t bad_cameras = 0, bad_lights = 0;
  for (qev3ds::Camera c : cameras) {
    if (!finite_camera(c)) {
      ++bad_cameras;
      continue;
    }
    c.name = names.unique(c.name, "camera name");
    scene.cameras.push_back(std::move(c));
  }
  for (qev3ds::Light l : lights) {
    if (!finite_light(l)) {
      ++bad_lights;
      continue;
    }
    l.name = names.unique(l.name, "light name");
    scene.lights.push_back(std::move(l));
  }
  warn_not_finite(bad_cameras, "camera", "each is left out", warnings);
  warn_not_finite(bad_lights, "light", "each is left out", warnings);
}

}  // namespace qev::convert
