// Reading OBJ through tinyobjloader into layers.
#include "obj_import.h"

#include <cmath>
#include <filesystem>
#include <map>

#include <tiny_obj_loader.h>

namespace qev::tool {

namespace {

// v * scale rounded and clamped to 0 .. top; NaN counts as 0. MTL values
// are untrusted text: no value may reach an integer conversion out of range.
std::int32_t scaled_clamped(double v, double scale, double top) {
  const double scaled = std::round(v * scale);
  if (!(scaled > 0)) return 0;
  return static_cast<std::int32_t>(scaled > top ? top : scaled);
}

std::int32_t to_byte(double v) { return scaled_clamped(v, 255.0, 255.0); }

// An OBJ smoothing group n as the group bit it stands for; groups above 8
// share the eight bits a reader reports.
std::int32_t smoothing_bits(unsigned int group) {
  if (group == 0) return 0;
  return std::int32_t{1} << ((group - 1) % 8);
}


tinyobj::ObjReaderConfig obj_config() {
  tinyobj::ObjReaderConfig config;
  config.triangulate = true;
  config.vertex_color = false;
  return config;
}

bool parse_failed(const tinyobj::ObjReader& reader, const std::string& what, std::string& error) {
  error = reader.Error().empty() ? "cannot read " + what : reader.Error();
  while (!error.empty() && error.back() == '\n') error.pop_back();
  return false;
}

bool scene_from(const tinyobj::ObjReader& reader, Scene& scene, std::string& error);

}  // namespace

bool read_obj(const std::string& obj_path, Scene& scene, std::string& error) {
  tinyobj::ObjReaderConfig config = obj_config();
  config.mtl_search_path = std::filesystem::path(obj_path).parent_path().string();
  tinyobj::ObjReader reader;
  if (!reader.ParseFromFile(obj_path, config)) return parse_failed(reader, obj_path, error);
  return scene_from(reader, scene, error);
}

bool read_obj_text(const std::string& obj, const std::string& mtl, Scene& scene, std::string& error) {
  tinyobj::ObjReader reader;
  if (!reader.ParseFromString(obj, mtl, obj_config())) return parse_failed(reader, "the OBJ text", error);
  return scene_from(reader, scene, error);
}

namespace {

bool scene_from(const tinyobj::ObjReader& reader, Scene& scene, std::string& error) {
  const tinyobj::attrib_t& attrib = reader.GetAttrib();
  const auto& materials = reader.GetMaterials();
  scene.layers.clear();
  for (const tinyobj::shape_t& shape : reader.GetShapes()) {
    const tinyobj::mesh_t& mesh = shape.mesh;
    // One layer per material used by the group, in order of first use; a
    // group with several materials names each layer after both.
    std::map<int, std::size_t> layer_of;
    bool mixed = false;
    for (int id : mesh.material_ids) mixed = mixed || id != mesh.material_ids.front();
    std::size_t offset = 0;
    for (std::size_t f = 0; f < mesh.num_face_vertices.size(); ++f) {
      const unsigned n = mesh.num_face_vertices[f];
      if (n != 3) {  // what triangulation leaves: lines and points
        offset += n;
        continue;
      }
      const int material = f < mesh.material_ids.size() ? mesh.material_ids[f] : -1;
      auto [it, added] = layer_of.emplace(material, scene.layers.size());
      if (added) {
        Layer l;
        l.name = shape.name;
        l.red = l.green = l.blue = 200;  // no material: light grey
        if (material >= 0 && static_cast<std::size_t>(material) < materials.size()) {
          const tinyobj::material_t& m = materials[static_cast<std::size_t>(material)];
          if (mixed || l.name.empty()) l.name += (l.name.empty() ? "" : "_") + m.name;
          l.red = to_byte(m.diffuse[0]);
          l.green = to_byte(m.diffuse[1]);
          l.blue = to_byte(m.diffuse[2]);
          l.transparency = scaled_clamped(1.0 - m.dissolve, 100.0, 100.0);
          l.texture = m.diffuse_texname;
        }
        if (l.name.empty()) l.name = "layer" + std::to_string(scene.layers.size() + 1);
        scene.layers.push_back(l);
      }
      Layer& layer = scene.layers[it->second];
      Triangle t;
      const std::size_t n_vertices = attrib.vertices.size() / 3, n_texcoords = attrib.texcoords.size() / 2;
      for (int c = 0; c < 3; ++c) {
        const tinyobj::index_t idx = mesh.indices[offset + static_cast<std::size_t>(c)];
        // The parser does not check indices against the arrays; a face that
        // names a vertex the file lacks makes the file unreadable.
        if (idx.vertex_index < 0 || static_cast<std::size_t>(idx.vertex_index) >= n_vertices ||
            (idx.texcoord_index >= 0 && static_cast<std::size_t>(idx.texcoord_index) >= n_texcoords)) {
          error = "face " + std::to_string(f + 1) + " of group '" + shape.name +
                  "' names a vertex or texture coordinate the file does not have";
          return false;
        }
        for (int a = 0; a < 3; ++a) {
          t.corners[3 * c + a] = attrib.vertices[3 * static_cast<std::size_t>(idx.vertex_index) + a];
        }
        if (idx.texcoord_index >= 0) {
          t.mapping[2 * c] = attrib.texcoords[2 * static_cast<std::size_t>(idx.texcoord_index)];
          t.mapping[2 * c + 1] = attrib.texcoords[2 * static_cast<std::size_t>(idx.texcoord_index) + 1];
        }
      }
      t.smoothing = f < mesh.smoothing_group_ids.size() ? smoothing_bits(mesh.smoothing_group_ids[f]) : 0;
      layer.triangles.push_back(t);
      offset += n;
    }
  }
  return true;
}

}  // namespace

}  // namespace qev::tool
