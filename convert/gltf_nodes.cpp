// Two-sided materials, texture tint, mesh frames and the node
// tree of a 3DS scene in glTF.
#include "gltf_nodes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "float_text.h"
#include "keyframer_pose.h"
#include "map_placement.h"
#include "srgb_colour.h"
#include "text_encoding.h"

namespace qev::convert {

namespace {

// Node matrices are Transforms (keyframer_pose.h): 4x4, column-major, here in
// glTF's axes.
using Affine = Transform;

bool is_identity(const Affine& a) {
  const Affine i = identity_transform();
  for (int k = 0; k < 16; ++k)
    if (std::fabs(a[k] - i[k]) > 1e-12) return false;
  return true;
}

Affine to_affine(const std::vector<double>& m) {
  Affine a = identity_transform();
  if (m.size() == 16) std::copy(m.begin(), m.end(), a.begin());
  return a;
}

std::vector<double> node_matrix(const Affine& a) {
  if (is_identity(a)) return {};
  return std::vector<double>(a.begin(), a.end());
}

// The texture's tint: see apply_scene_look.
void apply_texture_tint(tinygltf::Material& m, const qev3ds::Look& look) {
  const float amount = map_amount(look);
  const qev3ds::Rgb& c = look.colour;
  const int bytes[3] = {c.red, c.green, c.blue};
  tinygltf::Value::Array diffuse;
  for (int k = 0; k < 3; ++k) {
    const float lin = amount + (1.0f - amount) * srgb_to_linear(bytes[k]);
    m.pbrMetallicRoughness.baseColorFactor[static_cast<std::size_t>(k)] = json_number(lin);
    diffuse.emplace_back(std::clamp(bytes[k], 0, 255));
  }
  // The base colour shows what the 3DS file shows; the diffuse colour under
  // the texture travels in extras, so a conversion back to 3DS keeps it.
  tinygltf::Value::Object extras;
  extras["3ds_diffuse"] = tinygltf::Value(std::move(diffuse));
  m.extras = tinygltf::Value(std::move(extras));
}

// Self-illumination as glTF emission: the surface shows its own colour at
// that share whatever the light, so emissiveFactor is the base colour
// factor times self_illumination / 100, with the base colour texture as
// the emissive texture. Nothing when self-illumination is 0.
void apply_self_illumination(tinygltf::Material& m, const qev3ds::Look& look) {
  if (look.material == nullptr) return;
  const int percent = std::clamp<int>(look.material->self_illumination, 0, 100);
  if (percent == 0) return;
  const float share = static_cast<float>(percent) / 100.0f;
  const std::vector<double>& base = m.pbrMetallicRoughness.baseColorFactor;
  m.emissiveFactor.assign(3, 0.0);
  for (std::size_t k = 0; k < 3 && k < base.size(); ++k)
    m.emissiveFactor[k] = json_number(share * static_cast<float>(base[k]));
  if (m.pbrMetallicRoughness.baseColorTexture.index >= 0) {
    m.emissiveTexture.index = m.pbrMetallicRoughness.baseColorTexture.index;
    m.emissiveTexture.texCoord = m.pbrMetallicRoughness.baseColorTexture.texCoord;
  }
}

// Texture names compared as 3DS files' case-blind systems do.
bool same_name(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

void apply_scene_look(tinygltf::Material& m, const qev3ds::Look& look) {
  m.doubleSided = look.material != nullptr && look.material->two_sided;
  if (!look.texture.empty()) apply_texture_tint(m, look);
  apply_self_illumination(m, look);
}

OpacityUse opacity_use(const qev3ds::Look& look) {
  if (look.material == nullptr) return OpacityUse::none;
  const qev3ds::TextureMap& map = look.material->map(qev3ds::map_opacity);
  if (map.name.empty()) return OpacityUse::none;
  // The texture's alpha lies where its colour does: the same placement.
  const qev3ds::TextureMap& diffuse = look.material->map(qev3ds::map_diffuse);
  const bool placed_alike = map.u_scale == diffuse.u_scale && map.v_scale == diffuse.v_scale &&
                            map.u_offset == diffuse.u_offset && map.v_offset == diffuse.v_offset &&
                            map.rotation == diffuse.rotation;
  if (look.texture.empty() || !placed_alike) return OpacityUse::lost;
  return same_name(map.name, look.texture) ? OpacityUse::texture_alpha : OpacityUse::compose;
}

std::string apply_opacity_map(tinygltf::Material& m, const qev3ds::Look& look,
                              bool alpha_is_opacity, const std::string& why) {
  if (look.material == nullptr) return {};
  const std::string& opacity = look.material->map(qev3ds::map_opacity).name;
  if (opacity.empty()) return {};
  if (m.pbrMetallicRoughness.baseColorTexture.index >= 0 && alpha_is_opacity) {
    m.alphaMode = "BLEND";
    return {};
  }
  return "opacity map \"" + opacity + "\" of material \"" + look.material->name +
         "\" not carried (" +
         (why.empty() ? "glTF takes opacity only from the base colour texture's alpha" : why) + ")";
}

MeshFrame::MeshFrame(const qev3ds::Mesh& mesh) {
  if (!mesh.has_frame()) return;
  double a[9];
  for (int k = 0; k < 9; ++k) a[k] = mesh.matrix[k];
  for (const float f : mesh.matrix)
    if (!std::isfinite(f)) return;
  const auto dot = [&](int i, int j) {
    return a[3 * i] * a[3 * j] + a[3 * i + 1] * a[3 * j + 1] + a[3 * i + 2] * a[3 * j + 2];
  };
  const double s2 = dot(0, 0);
  if (!(s2 > 1e-12)) return;
  // Only a rotation with one scale for all three axes: anything else has no
  // glTF node transform a child can be given relative to it.
  constexpr double kTolerance = 1e-4;
  if (std::fabs(dot(1, 1) - s2) > kTolerance * s2 || std::fabs(dot(2, 2) - s2) > kTolerance * s2 ||
      std::fabs(dot(0, 1)) > kTolerance * s2 || std::fabs(dot(0, 2)) > kTolerance * s2 ||
      std::fabs(dot(1, 2)) > kTolerance * s2)
    return;
  const double det = a[0] * (a[4] * a[8] - a[5] * a[7]) - a[1] * (a[3] * a[8] - a[5] * a[6]) +
                     a[2] * (a[3] * a[7] - a[4] * a[6]);
  if (det < 0) {
    // Mirrored: the x axis turned round gives a frame without the mirror,
    // and the vertices keep it.
    for (int k = 0; k < 3; ++k) a[k] = -a[k];
  }
  std::copy(a, a + 9, axes_);
  for (int k = 0; k < 3; ++k) origin_[k] = mesh.matrix[9 + k];
  scale2_ = s2;
  identity_ = false;
}

void MeshFrame::point(const float* world, float* local) const {
  if (identity_) {
    std::copy(world, world + 3, local);
    return;
  }
  const double d[3] = {world[0] - origin_[0], world[1] - origin_[1], world[2] - origin_[2]};
  for (int i = 0; i < 3; ++i) {
    const double* axis = axes_ + 3 * i;
    local[i] = static_cast<float>((axis[0] * d[0] + axis[1] * d[1] + axis[2] * d[2]) / scale2_);
  }
}

void MeshFrame::normal(const float* world, float* local) const {
  if (identity_) {
    std::copy(world, world + 3, local);
    return;
  }
  double n[3], len = 0;
  for (int i = 0; i < 3; ++i) {
    const double* axis = axes_ + 3 * i;
    n[i] = axis[0] * world[0] + axis[1] * world[1] + axis[2] * world[2];
    len += n[i] * n[i];
  }
  len = std::sqrt(len);
  for (int i = 0; i < 3; ++i) local[i] = static_cast<float>(len > 0 ? n[i] / len : 0.0);
}

std::vector<double> MeshFrame::gltf_matrix() const {
  if (identity_) return {};
  // With C the change of axes (x, y, z) -> (x, z, -y): C F C^-1 has the
  // columns C x, C z, -C y and the origin C o.
  const auto c = [](const double* v, double* out) {
    out[0] = v[0];
    out[1] = v[2];
    out[2] = -v[1];
  };
  std::vector<double> m(16, 0.0);
  c(axes_, &m[0]);
  c(axes_ + 6, &m[4]);
  c(axes_ + 3, &m[8]);
  for (int k = 0; k < 3; ++k) m[8 + k] = -m[8 + k];
  c(origin_, &m[12]);
  m[15] = 1;
  return m;
}

void add_scene_nodes(tinygltf::Model& model, tinygltf::Scene& root, const qev3ds::Scene& scene,
                     const std::vector<int>& mesh_of, const std::vector<MeshFrame>& frames) {
  const auto mesh_node = [&](std::size_t k) {
    tinygltf::Node node;
    node.name = utf8_text(scene.meshes[k].name);
    node.mesh = mesh_of[k];
    node.matrix = frames[k].gltf_matrix();
    return node;
  };
  std::map<std::string, std::size_t> mesh_by_name;
  for (std::size_t k = scene.meshes.size(); k-- > 0;) mesh_by_name[scene.meshes[k].name] = k;
  std::vector<bool> placed(scene.meshes.size(), false);
  // An instance shares its object's glTF mesh, carried to its own place.
  const std::vector<Instance> instances = scene_instances(scene);
  std::map<std::size_t, const Instance*> instance_at;
  for (const Instance& i : instances) instance_at[i.node] = &i;
  const std::vector<Transform> worlds =
      instances.empty() ? std::vector<Transform>{} : frame_zero_worlds(scene.keyframer);

  // Object nodes by id: a node without NODE_ID is numbered by its place.
  // A parent must come before its child, which also rules out cycles.
  std::map<int, int> gltf_of_id;
  std::map<int, Affine> world_of_id;
  int order = 0;
  for (const qev3ds::Node& kf : scene.keyframer.nodes) {
    const int id = kf.id >= 0 ? kf.id : order;
    const auto instance = instance_at.find(static_cast<std::size_t>(order));
    ++order;
    if (kf.kind != qev3ds::node_object) continue;
    tinygltf::Node node;
    Affine world = identity_transform();
    if (kf.is_dummy()) {
      node.name = utf8_text(kf.instance.empty() ? kf.name : kf.instance);
    } else if (instance != instance_at.end()) {
      node = mesh_node(instance->second->mesh);
      node.name = utf8_text(kf.instance.empty() ? kf.name : kf.instance);
      world = compose(y_up_transform(instance_carry(scene, *instance->second, worlds)),
                      to_affine(node.matrix));
    } else {
      const auto it = mesh_by_name.find(kf.name);
      if (it != mesh_by_name.end()) {
        node = mesh_node(it->second);
        world = to_affine(node.matrix);
        placed[it->second] = true;
      } else {
        node.name = utf8_text(kf.name);
      }
    }
    const auto parent = gltf_of_id.find(kf.parent);
    Affine parent_inverse = identity_transform();
    if (parent != gltf_of_id.end()) invert(world_of_id[kf.parent], parent_inverse);
    const Affine local = compose(parent_inverse, world);
    node.matrix = node_matrix(local);
    model.nodes.push_back(node);
    const int index = static_cast<int>(model.nodes.size() - 1);
    if (parent == gltf_of_id.end()) {
      root.nodes.push_back(index);
    } else {
      model.nodes[static_cast<std::size_t>(parent->second)].children.push_back(index);
    }
    if (gltf_of_id.count(id) == 0) {
      gltf_of_id[id] = index;
      world_of_id[id] = world;
    }
  }
  for (std::size_t k = 0; k < scene.meshes.size(); ++k) {
    if (placed[k]) continue;
    model.nodes.push_back(mesh_node(k));
    root.nodes.push_back(static_cast<int>(model.nodes.size() - 1));
  }
}

}  // namespace qev::convert
