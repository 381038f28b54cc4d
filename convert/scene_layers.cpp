// The two shapes of a scene: meshes with materials (read_scene, write_scene)
// and layers of triangles (the welding writer, the importers).
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "conversion_look.h"
#include "layer_file.h"
#include "layer_split.h"
#include "qev_3ds_convert.hpp"
#include "text_encoding.h"

namespace qev3ds {
namespace {

constexpr std::uint16_t kAllEdges = 7;  // a-b, b-c and c-a visible, as the welding writer says
constexpr std::uint16_t kMapPercentage = 100;

// A vertex by the bits of its position and mapping: equal bits, one vertex.
using VertexKey = std::array<std::uint32_t, 5>;

struct VertexKeyHash {
  std::size_t operator()(const VertexKey& k) const {
    std::size_t h = 0;
    for (std::uint32_t v : k) h = h * 0x9E3779B1u ^ (v + 0x7F4A7C15u + (h << 6) + (h >> 2));
    return h;
  }
};

// A name as a C string carries it: up to its first NUL, as the welding
// writer's calls take it.
std::string before_nul(const std::string& s) { return s.substr(0, s.find('\0')); }

// Names cut to what a reader keeps, unique within their kind: "name",
// "name.2", ...
class KeptNames {
 public:
  std::string unique(const std::string& wanted) {
    const std::string base = before_nul(wanted);
    for (std::size_t n = 1;; ++n) {
      const std::string suffix = n == 1 ? std::string() : "." + std::to_string(n);
      const std::size_t room = limits::name_kept - suffix.size();
      std::string name = base.substr(0, qev::convert::utf8_prefix_length(base, room)) + suffix;
      if (taken_.insert(name).second) return name;
    }
  }

 private:
  std::unordered_set<std::string> taken_;
};

Rgb rgb_of(const Layer& l) {
  return {static_cast<std::int16_t>(l.red & 0xFF), static_cast<std::int16_t>(l.green & 0xFF),
          static_cast<std::int16_t>(l.blue & 0xFF)};
}

// A layer's material as its looks decide sharing: the source material and
// what the layer itself carries.
struct MaterialKey {
  std::size_t source;
  std::int32_t red, green, blue, transparency;
  std::string texture;
  bool operator<(const MaterialKey& o) const {
    return std::tie(source, red, green, blue, transparency, texture) <
           std::tie(o.source, o.red, o.green, o.blue, o.transparency, o.texture);
  }
};

std::string kept_texture(const std::string& name) {
  const std::string texture = before_nul(name);
  return texture.substr(0, qev::convert::utf8_prefix_length(texture, limits::name_kept));
}

Material material_of(const std::string& name, const Rgb& diffuse, std::int32_t transparency,
                     const std::string& texture) {
  Material material;
  material.name = name;
  material.diffuse[0] = material.diffuse[1] = diffuse;
  material.transparency = static_cast<std::int16_t>(transparency);
  if (!texture.empty()) {
    material.texture = kept_texture(texture);
    material.map_percentage = kMapPercentage;
  }
  return material;
}

// A textured material's diffuse map placement from its source material.
void place_texture(Material& material, const qev::convert::SourceMaterial& s) {
  if (material.texture.empty() || !s.placement.placed()) return;
  TextureMap& map = material.map(map_diffuse);
  map.u_scale = s.placement.u_scale;
  map.v_scale = s.placement.v_scale;
  map.u_offset = s.placement.u_offset;
  map.v_offset = s.placement.v_offset;
  map.rotation = s.placement.rotation;
}

// What a source material gives its 3DS material beside the colours a layer
// carries.
void carry_source(const qev::convert::SourceMaterial& s, Material& material) {
  material.specular[0] = material.specular[1] = s.specular;
  material.shininess = s.shininess;
  material.two_sided = s.two_sided;
  material.self_illumination = s.self_illumination;
  place_texture(material, s);
}

// Layers as meshes; each layer's material is made from its source material
// when sources names one, else from the layer alone.
Scene build(const std::vector<Layer>& layers, const qev::convert::LayerMaterials* sources,
            std::vector<std::size_t>* first_mesh = nullptr) {
  using qev::convert::SourceMaterial;
  Scene scene;
  scene.version = 3;
  KeptNames mesh_names, material_names;
  std::map<MaterialKey, std::size_t> shared;
  std::vector<char> used(sources != nullptr ? sources->materials.size() : 0, 0);
  if (first_mesh != nullptr) first_mesh->clear();
  for (std::size_t li = 0; li < layers.size(); ++li) {
    if (first_mesh != nullptr) first_mesh->push_back(scene.meshes.size());
    const Layer& layer = layers[li];
    const bool textured = !layer.texture.empty();
    const std::size_t source = sources != nullptr && li < sources->of_layer.size() &&
                                       sources->of_layer[li] < sources->materials.size()
                                   ? sources->of_layer[li]
                                   : qev::convert::LayerMaterials::kOwn;
    std::string material_name;
    if (source == qev::convert::LayerMaterials::kOwn) {
      Material material = material_of(material_names.unique(layer.name), rgb_of(layer),
                                      layer.transparency, layer.texture);
      material_name = material.name;
      scene.materials.push_back(std::move(material));
    } else {
      const MaterialKey key{
          source,       layer.red & 0xFF, layer.green & 0xFF, layer.blue & 0xFF, layer.transparency,
          layer.texture};
      auto [it, added] = shared.emplace(key, scene.materials.size());
      if (added) {
        const SourceMaterial& s = sources->materials[source];
        used[source] = 1;
        Material material = material_of(material_names.unique(s.name.empty() ? layer.name : s.name),
                                        rgb_of(layer), layer.transparency, layer.texture);
        carry_source(s, material);
        scene.materials.push_back(std::move(material));
      }
      material_name = scene.materials[it->second].name;
    }
    const std::size_t n = layer.triangle_count();
    std::unordered_map<VertexKey, std::uint16_t, VertexKeyHash> index;
    Mesh* mesh = nullptr;
    const auto start_mesh = [&] {
      scene.meshes.emplace_back();
      mesh = &scene.meshes.back();
      mesh->name = mesh_names.unique(layer.name);
      mesh->groups.push_back({material_name, 0, {}});
      index.clear();
    };
    for (std::size_t t = 0; t < n; ++t) {
      if (mesh == nullptr || mesh->faces.size() == limits::mesh_items ||
          mesh->vertex_count() + 3 > limits::mesh_items) {
        start_mesh();
      }
      std::uint16_t corner[3];
      for (int c = 0; c < 3; ++c) {
        const float* p = &layer.corners[9 * t + 3 * std::size_t(c)];
        float uv[2] = {0, 0};
        if (textured && !layer.mapping.empty()) {
          uv[0] = layer.mapping[6 * t + 2 * std::size_t(c)];
          uv[1] = layer.mapping[6 * t + 2 * std::size_t(c) + 1];
        }
        VertexKey key;
        std::memcpy(key.data(), p, 12);
        std::memcpy(key.data() + 3, uv, 8);
        auto [it, added] = index.emplace(key, static_cast<std::uint16_t>(mesh->vertex_count()));
        if (added) {
          mesh->vertices.insert(mesh->vertices.end(), p, p + 3);
          if (textured) mesh->mapping.insert(mesh->mapping.end(), uv, uv + 2);
        }
        corner[c] = it->second;
      }
      const std::int32_t smoothing = layer.smoothing.empty() ? 0 : layer.smoothing[t];
      mesh->faces.push_back(
          {corner[0], corner[1], corner[2], kAllEdges, static_cast<std::uint32_t>(smoothing)});
      mesh->groups.back().count = static_cast<std::int32_t>(mesh->faces.size());
    }
  }
  if (first_mesh != nullptr) first_mesh->push_back(scene.meshes.size());
  // Source materials no face uses are kept, as the source has them.
  for (std::size_t m = 0; m < used.size(); ++m) {
    if (used[m]) continue;
    const SourceMaterial& s = sources->materials[m];
    Material material = material_of(material_names.unique(s.name.empty() ? "material" : s.name),
                                    s.diffuse, s.transparency, s.texture);
    carry_source(s, material);
    scene.materials.push_back(std::move(material));
  }
  // Each mesh's one group lists its faces by index.
  for (Mesh& m : scene.meshes) {
    FaceGroup& g = m.groups[0];
    g.indices.resize(m.faces.size());
    for (std::size_t f = 0; f < m.faces.size(); ++f) g.indices[f] = static_cast<std::uint16_t>(f);
  }
  return scene;
}

}  // namespace

Scene scene_from_layers(const std::vector<Layer>& layers) { return build(layers, nullptr); }

std::vector<Layer> layers_from_scene(const Scene& scene) {
  std::vector<Layer> layers;
  const MaterialIndex materials(scene);
  for (const Mesh& mesh : scene.meshes) {
    const std::vector<std::int32_t> group_of = face_groups(mesh);
    std::unordered_map<std::int32_t, std::size_t> layer_of;
    const std::size_t vertices = mesh.vertex_count(), pairs = mesh.mapping_count();
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const Face& face = mesh.faces[f];
      const std::uint16_t idx[3] = {face.a, face.b, face.c};
      if (idx[0] >= vertices || idx[1] >= vertices || idx[2] >= vertices) continue;
      auto [it, added] = layer_of.emplace(group_of[f], layers.size());
      if (added) {
        const Look look = qev::convert::conversion_look(materials, mesh, group_of[f]);
        Layer l;
        l.name = mesh.name;
        if (layer_of.size() > 1) l.name += "." + std::string(look.material_name);
        l.red = look.colour.red;
        l.green = look.colour.green;
        l.blue = look.colour.blue;
        l.transparency = look.transparency;
        l.texture = std::string(look.texture);
        layers.push_back(std::move(l));
      }
      Layer& l = layers[it->second];
      for (int c = 0; c < 3; ++c) {
        const std::size_t v = idx[c];
        l.corners.insert(l.corners.end(), &mesh.vertices[3 * v], &mesh.vertices[3 * v] + 3);
        l.mapping.push_back(v < pairs ? mesh.mapping[2 * v] : 0.0f);
        l.mapping.push_back(v < pairs ? mesh.mapping[2 * v + 1] : 0.0f);
      }
      l.smoothing.push_back(static_cast<std::int32_t>(face.smoothing));
    }
  }
  return layers;
}

std::vector<std::string> fit_layers(std::vector<Layer>& layers) {
  std::vector<std::string> said;
  for (const qev::convert::Split& s : qev::convert::fit_to_capacities(layers)) {
    said.push_back("split '" + s.name + "' (" + std::to_string(s.triangles) + " triangle" +
                   (s.triangles == 1 ? "" : "s") + ") into " + std::to_string(s.parts) +
                   " layers to fit the 3DS writer");
  }
  return said;
}

}  // namespace qev3ds

namespace qev::convert {

qev3ds::Scene scene_of_layers(const Layers& layers, const LayerMaterials& materials,
                              std::vector<std::size_t>* first_mesh) {
  return qev3ds::build(layers, &materials, first_mesh);
}

}  // namespace qev::convert
