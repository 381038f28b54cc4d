// Writing glTF 2.0 from a 3DS scene with tinygltf.
#include "gltf_export.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <unordered_map>

#include "axes.h"
#include "conversion_look.h"
#include "face_corners.h"
#include "float_text.h"
#include "gltf_cameras_lights.h"
#include "gltf_nodes.h"
#include "map_placement.h"
#include "output_file.h"
#include "smooth_normals.h"
#include "srgb_colour.h"
#include "text_encoding.h"
#include "texture_files.h"

namespace qev::convert {
namespace {

// One output vertex: its position, normal and mapping, so that the file's
// vertices duplicated at one point weld where they agree; a flat face's
// vertices are its own (own is its index + 1), so that a reader rebuilding
// smoothing groups from shared vertices and normals keeps it flat.
struct VertexKey {
  std::uint32_t bits[8];  // position x, y, z, normal x, y, z, u, v as bits
  std::uint64_t own;
  bool operator==(const VertexKey& o) const {
    return own == o.own && std::memcmp(bits, o.bits, sizeof bits) == 0;
  }
};
struct VertexKeyHash {
  std::size_t operator()(const VertexKey& k) const {
    std::uint64_t h = (1469598103934665603ull ^ k.own) * 1099511628211ull;
    for (std::uint32_t b : k.bits) h = (h ^ b) * 1099511628211ull;
    return static_cast<std::size_t>(h);
  }
};

std::uint32_t bits_of(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

// The primitive being built: its vertex streams and indices.
struct Primitive {
  int material = -1;
  bool textured = false;
  const qev3ds::TextureMap* placement = nullptr;  // the diffuse map's, baked into the mapping
  std::vector<float> positions, normals, uvs;
  std::vector<std::uint32_t> indices;
  std::unordered_map<VertexKey, std::uint32_t, VertexKeyHash> index_of;
};

class BufferBuilder {
 public:
  explicit BufferBuilder(tinygltf::Model& model) : model_(model) { model_.buffers.emplace_back(); }

  // A view over bytes appended at a 4-byte boundary; returns its index.
  int view(const void* data, std::size_t size, int target) {
    std::vector<unsigned char>& bytes = model_.buffers[0].data;
    bytes.resize((bytes.size() + 3) & ~std::size_t{3}, 0);
    tinygltf::BufferView v;
    v.buffer = 0;
    v.byteOffset = bytes.size();
    v.byteLength = size;
    v.target = target;
    const auto* p = static_cast<const unsigned char*>(data);
    bytes.insert(bytes.end(), p, p + size);
    model_.bufferViews.push_back(v);
    return static_cast<int>(model_.bufferViews.size() - 1);
  }

  int accessor(const std::vector<float>& values, int type, int components, bool bounds) {
    tinygltf::Accessor a;
    a.bufferView = view(values.data(), values.size() * sizeof(float), TINYGLTF_TARGET_ARRAY_BUFFER);
    a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    a.count = values.size() / static_cast<std::size_t>(components);
    a.type = type;
    if (bounds) {
      a.minValues.assign(components, std::numeric_limits<double>::infinity());
      a.maxValues.assign(components, -std::numeric_limits<double>::infinity());
      for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t c = i % static_cast<std::size_t>(components);
        a.minValues[c] = std::min(a.minValues[c], double(values[i]));
        a.maxValues[c] = std::max(a.maxValues[c], double(values[i]));
      }
      for (double& v : a.minValues) v = json_number(static_cast<float>(v));
      for (double& v : a.maxValues) v = json_number(static_cast<float>(v));
    }
    model_.accessors.push_back(a);
    return static_cast<int>(model_.accessors.size() - 1);
  }

  int indices(const std::vector<std::uint32_t>& values, std::size_t vertex_count) {
    tinygltf::Accessor a;
    if (vertex_count <= 65535) {
      std::vector<std::uint16_t> narrow(values.begin(), values.end());
      a.bufferView = view(narrow.data(), narrow.size() * 2, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
      a.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
    } else {
      a.bufferView = view(values.data(), values.size() * 4, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
      a.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
    }
    a.count = values.size();
    a.type = TINYGLTF_TYPE_SCALAR;
    model_.accessors.push_back(a);
    return static_cast<int>(model_.accessors.size() - 1);
  }

 private:
  tinygltf::Model& model_;
};

// glTF materials for the looks the faces use, one per material name (and a
// second, untextured, for a textured material on a mesh without mapping).
class Materials {
 public:
  Materials(tinygltf::Model& model, TextureExport& textures, BufferBuilder* embed_into)
      : model_(model), images_(textures), embed_into_(embed_into) {}

  int of(const qev3ds::Look& look, bool mapped) {
    std::string key(look.material_name);
    if (!look.texture.empty() && !mapped) key += std::string(1, '\0') + "unmapped";
    const auto it = index_.find(key);
    if (it != index_.end()) return it->second;
    tinygltf::Material m;
    m.name = key.empty() ? "material" : utf8_text(key);
    // Every number goes through a float and its shortest text: the same
    // digits on every platform.
    const float alpha =
        1.0f - static_cast<float>(std::clamp<int>(look.transparency, 0, 100)) / 100.0f;
    m.pbrMetallicRoughness.baseColorFactor = {json_number(srgb_to_linear(look.colour.red)),
                                              json_number(srgb_to_linear(look.colour.green)),
                                              json_number(srgb_to_linear(look.colour.blue)),
                                              json_number(alpha)};
    m.pbrMetallicRoughness.metallicFactor = 0.0;
    const int shininess =
        look.material != nullptr ? std::clamp<int>(look.material->shininess, 0, 100) : 0;
    m.pbrMetallicRoughness.roughnessFactor =
        json_number(1.0f - static_cast<float>(shininess) / 100.0f);
    // The specular colour through KHR_materials_specular, linear as glTF's
    // colours are; its factor stays the default 1.
    if (look.material != nullptr) {
      const qev3ds::Rgb s = specular_colour(*look.material);
      tinygltf::Value::Array colour{
          tinygltf::Value(static_cast<double>(json_number(srgb_to_linear(s.red)))),
          tinygltf::Value(static_cast<double>(json_number(srgb_to_linear(s.green)))),
          tinygltf::Value(static_cast<double>(json_number(srgb_to_linear(s.blue))))};
      tinygltf::Value::Object ext{{"specularColorFactor", tinygltf::Value(colour)}};
      m.extensions["KHR_materials_specular"] = tinygltf::Value(ext);
      uses_specular_ = true;
    }
    if (alpha < 1.0f) m.alphaMode = "BLEND";
    if (!look.texture.empty() && mapped)
      m.pbrMetallicRoughness.baseColorTexture.index = texture(std::string(look.texture));
    apply_scene_look(m, look);
    model_.materials.push_back(m);
    const int index = static_cast<int>(model_.materials.size() - 1);
    index_.emplace(key, index);
    return index;
  }

  // The scene's materials no face uses, so that every material travels.
  void add_unused(const qev3ds::Scene& scene) {
    for (const qev3ds::Material& m : scene.materials) {
      // Written already, for mapped or for unmapped faces.
      const auto near = index_.lower_bound(m.name);
      if (near != index_.end() && near->first.compare(0, m.name.size(), m.name) == 0 &&
          (near->first.size() == m.name.size() || near->first[m.name.size()] == '\0'))
        continue;
      of(material_look(m), true);
    }
  }

  bool uses_specular() const { return uses_specular_; }

  bool textured(int material) const {
    return model_.materials[std::size_t(material)].pbrMetallicRoughness.baseColorTexture.index >= 0;
  }

 private:
  // The texture of an image name; -1 when the image cannot be used (the
  // warning is given), so that no URI names a file that is not there.
  int texture(const std::string& name) {
    const auto it = textures_.find(name);
    if (it != textures_.end()) return it->second;
    int& index = textures_[name];
    index = -1;
    const std::string file = images_.place(name);
    if (file.empty()) return index;
    tinygltf::Image image;
    image.name = utf8_text(name);
    if (embed_into_ != nullptr) {
      const TextureExport::Embedded* bytes = images_.embedded(name);
      if (bytes == nullptr) return index;
      image.bufferView = embed_into_->view(bytes->bytes.data(), bytes->bytes.size(), 0);
      image.mimeType = bytes->mime_type;
    } else {
      image.uri = percent_encode(file);
    }
    model_.images.push_back(image);
    if (model_.samplers.empty()) {
      tinygltf::Sampler s;  // repeat in both directions, as 3DS tiles by default
      s.wrapS = s.wrapT = TINYGLTF_TEXTURE_WRAP_REPEAT;
      model_.samplers.push_back(s);
    }
    tinygltf::Texture t;
    t.source = static_cast<int>(model_.images.size() - 1);
    t.sampler = 0;
    model_.textures.push_back(t);
    index = static_cast<int>(model_.textures.size() - 1);
    return index;
  }

  tinygltf::Model& model_;
  TextureExport& images_;
  BufferBuilder* embed_into_;
  std::map<std::string, int> index_;
  std::map<std::string, int> textures_;
  bool uses_specular_ = false;
};

void add_corner(Primitive& p, const qev3ds::Mesh& mesh, const MeshFrame& frame, std::uint16_t v,
                const Normal& world_normal, std::uint64_t own) {
  float uv[2] = {0.0f, 0.0f};
  if (p.textured && v < mesh.mapping_count()) {
    uv[0] = mesh.mapping[2 * std::size_t(v)];
    uv[1] = mesh.mapping[2 * std::size_t(v) + 1];
    if (p.placement != nullptr) place_uv(*p.placement, uv[0], uv[1]);
    uv[1] = 1.0f - uv[1];  // glTF's v runs downwards
  }
  Normal n;
  frame.normal(world_normal.data(), n.data());
  const float* w = &mesh.vertices[3 * std::size_t(v)];
  const VertexKey key{{bits_of(w[0] + 0.0f), bits_of(w[1] + 0.0f), bits_of(w[2] + 0.0f),
                       bits_of(n[0]), bits_of(n[1]), bits_of(n[2]), bits_of(uv[0]), bits_of(uv[1])},
                      own};
  const auto [it, added] =
      p.index_of.emplace(key, static_cast<std::uint32_t>(p.positions.size() / 3));
  if (added) {
    float q[3];
    frame.point(w, q);
    // glTF is Y-up: (x, y, z) -> (x, z, -y), exact in floats.
    const auto position = y_up_of(q), normal = y_up_of(n.data());
    p.positions.insert(p.positions.end(), position.begin(), position.end());
    p.normals.insert(p.normals.end(), normal.begin(), normal.end());
    if (p.textured) p.uvs.insert(p.uvs.end(), {uv[0], uv[1]});
  }
  p.indices.push_back(it->second);
}

// The .bin beside out_path: named after the output's whole name, so that
// outputs whose names differ only in characters a URI escapes never share
// one.
std::string buffer_file_name(const std::string& out_path) {
  const std::string stem = std::filesystem::path(out_path).stem().string();
  return (stem.empty() ? std::string("scene") : stem) + ".bin";
}

// Images are referenced by URI only; tinygltf must not write image data.
bool keep_image_uri(const std::string*, const std::string*, const tinygltf::Image*, bool,
                    std::string*, void*) {
  return false;
}

}  // namespace

bool write_gltf(const qev3ds::Scene& scene, const std::string& scene_path,
                const std::string& out_path, bool binary, GltfExport& result, std::string& error,
                const std::vector<std::string>& texture_folders) {
  result = GltfExport{};
  tinygltf::Model model;
  model.asset.version = "2.0";
  model.asset.generator = "qev3ds";
  BufferBuilder buffer(model);
  const ReferencedFiles inputs = ReferencedFiles::beside(scene_path, texture_folders);
  TextureExport images(inputs, std::filesystem::path(out_path).parent_path().string(),
                       binary ? ImageUse::embed : ImageUse::web, result.warnings);
  images.reserve(std::filesystem::path(out_path).filename().string());
  if (!binary) images.reserve(buffer_file_name(out_path));
  Materials materials(model, images, binary ? &buffer : nullptr);
  const qev3ds::MaterialIndex index(scene);
  tinygltf::Scene root;
  std::set<std::string> unmapped;  // said once per mesh and texture
  std::vector<MeshFrame> frames;
  frames.reserve(scene.meshes.size());
  std::vector<int> mesh_of;

  for (std::size_t k = 0; k < scene.meshes.size(); ++k) {
    const qev3ds::Mesh& mesh = scene.meshes[k];
    const MeshFrame& frame = frames.emplace_back(mesh);
    const std::vector<Normal> normals = corner_normals(mesh);
    const std::vector<std::int32_t> group_of = qev3ds::face_groups(mesh);
    std::vector<Primitive> runs;
    std::int32_t current_group = std::numeric_limits<std::int32_t>::min();
    int current_material = -1;
    const std::size_t n = mesh.vertex_count();
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const qev3ds::Face& face = mesh.faces[f];
      if (face.a >= n || face.b >= n || face.c >= n) {
        ++result.faces_skipped;
        continue;
      }
      if (!finite_corners(mesh, face)) {
        ++result.faces_not_finite;
        continue;
      }
      if (group_of[f] != current_group) {
        current_group = group_of[f];
        const qev3ds::Look look = conversion_look(index, mesh, current_group);
        const bool mapped = mesh.mapping_count() > 0;
        if (!look.texture.empty() && !mapped) {
          unmapped.insert("mesh \"" + utf8_text(mesh.name) + "\" has no mapping coordinates; " +
                          "texture \"" + utf8_text(look.texture) + "\" is not applied to it");
        }
        const int material = materials.of(look, mapped);
        if (runs.empty() || material != current_material) {
          runs.emplace_back();
          runs.back().material = material;
          runs.back().textured = materials.textured(material);
          if (look.material != nullptr)
            runs.back().placement = &look.material->map(qev3ds::map_diffuse);
          current_material = material;
        }
      }
      Primitive& p = runs.back();
      const std::uint64_t own = face.smoothing == 0 ? f + 1 : 0;
      add_corner(p, mesh, frame, face.a, normals[3 * f], own);
      add_corner(p, mesh, frame, face.b, normals[3 * f + 1], own);
      add_corner(p, mesh, frame, face.c, normals[3 * f + 2], own);
      ++result.triangles;
    }

    tinygltf::Mesh out;
    out.name = utf8_text(mesh.name);
    for (Primitive& p : runs) {
      tinygltf::Primitive prim;
      prim.mode = TINYGLTF_MODE_TRIANGLES;
      prim.material = p.material;
      prim.attributes["POSITION"] = buffer.accessor(p.positions, TINYGLTF_TYPE_VEC3, 3, true);
      prim.attributes["NORMAL"] = buffer.accessor(p.normals, TINYGLTF_TYPE_VEC3, 3, false);
      if (p.textured)
        prim.attributes["TEXCOORD_0"] = buffer.accessor(p.uvs, TINYGLTF_TYPE_VEC2, 2, false);
      prim.indices = buffer.indices(p.indices, p.positions.size() / 3);
      result.vertices += p.positions.size() / 3;
      out.primitives.push_back(prim);
    }
    result.primitives += out.primitives.size();
    // A mesh without a face is not a valid glTF mesh; its node stays, empty.
    mesh_of.push_back(-1);
    if (!out.primitives.empty()) {
      model.meshes.push_back(out);
      mesh_of.back() = static_cast<int>(model.meshes.size() - 1);
      ++result.meshes;
    }
  }
  materials.add_unused(scene);
  if (materials.uses_specular()) model.extensionsUsed.push_back("KHR_materials_specular");
  add_scene_nodes(model, root, scene, mesh_of, frames);
  add_cameras_and_lights(model, root, scene, result.warnings);
  const bool infinite_far =
      std::any_of(model.cameras.begin(), model.cameras.end(),
                  [](const tinygltf::Camera& c) { return c.perspective.zfar == 0; });
  result.materials = model.materials.size();
  result.warnings.insert(result.warnings.end(), unmapped.begin(), unmapped.end());

  // The buffer's bytes leave the model: the JSON is written without them
  // and the .bin beside it, both through temporary files.
  std::vector<unsigned char> bin;
  const bool external = !binary && !model.buffers[0].data.empty();
  if (model.buffers[0].data.empty()) {
    model.buffers.clear();
    model.bufferViews.clear();
  } else if (!binary) {
    bin.swap(model.buffers[0].data);
  }
  // Named, so that a scene without nodes is still an object in the JSON.
  root.name = "Scene";
  model.scenes.push_back(root);
  model.defaultScene = 0;

  try {
    tinygltf::TinyGLTF writer;
    writer.SetImageWriter(keep_image_uri, nullptr);
    std::ostringstream text;
    writer.WriteGltfSceneToStream(&model, text, true, binary);
    std::string bytes = text.str();
    if (infinite_far) drop_infinite_far(bytes, binary);
    const std::string bin_name = buffer_file_name(out_path);
    if (external) {
      nlohmann::json doc = nlohmann::json::parse(bytes);
      doc["buffers"][0] = {{"byteLength", bin.size()}, {"uri", percent_encode(bin_name)}};
      bytes = doc.dump(2) + "\n";
    }
    OutputFile main_file, bin_file;
    std::vector<OutputFile*> files{&main_file};
    if (!main_file.open(out_path, error)) return false;
    main_file.stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (external) {
      const std::string bin_path =
          (std::filesystem::path(out_path).parent_path() / bin_name).string();
      if (!output_allowed(bin_path, scene_path, error) || !bin_file.open(bin_path, error))
        return false;
      bin_file.stream().write(reinterpret_cast<const char*>(bin.data()),
                              static_cast<std::streamsize>(bin.size()));
      files.push_back(&bin_file);
    }
    for (OutputFile* f : images.files()) files.push_back(f);
    return commit_all(files, error);
  } catch (const std::exception& e) {
    error = std::string("cannot write the glTF: ") + e.what();
    return false;
  }
}

}  // namespace qev::convert
