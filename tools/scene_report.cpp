// Per-mesh table and totals, bounding box, and the same as JSON.
#include "scene_report.h"

#include <cfloat>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace qev::tool {

namespace {

struct Bounds {
  float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
  float hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
  bool empty = true;
};

Bounds bounds_of(const qev3ds::Scene& scene) {
  Bounds b;
  for (const qev3ds::Mesh& m : scene.meshes) {
    for (const qev3ds::Face& f : m.faces) {
      for (const std::uint16_t v : {f.a, f.b, f.c}) {
        if (v >= m.vertex_count()) continue;
        // A coordinate that is not a finite number has no place in bounds
        // (and JSON has no text for it).
        const float* p = &m.vertices[3 * std::size_t{v}];
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
        for (int a = 0; a < 3; ++a) {
          const float x = m.vertices[3 * std::size_t{v} + a];
          b.lo[a] = x < b.lo[a] ? x : b.lo[a];
          b.hi[a] = x > b.hi[a] ? x : b.hi[a];
        }
        b.empty = false;
      }
    }
  }
  return b;
}

std::size_t total_faces(const qev3ds::Scene& scene) {
  std::size_t n = 0;
  for (const qev3ds::Mesh& m : scene.meshes) n += m.faces.size();
  return n;
}

// How many materials the faces of a mesh use, by the face material rule.
// (A face that no group lists takes the first group's.)
std::size_t materials_used(const qev3ds::Mesh& mesh) {
  std::vector<bool> used(mesh.groups.size(), false);
  for (const std::int32_t g : qev3ds::face_groups(mesh)) {
    const std::size_t group = g >= 0 ? static_cast<std::size_t>(g) : 0;
    if (group < used.size()) used[group] = true;
  }
  std::set<std::string_view> names;
  for (std::size_t g = 0; g < used.size(); ++g) {
    if (used[g]) names.insert(mesh.groups[g].material);
  }
  return names.size();
}

std::string json_string(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u >= 0x7F) {
      // Names are 8-bit text of unknown encoding: escape each byte.
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\u%04x", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A keyframer node's name as a viewer shows it: a dummy by its instance name.
std::string node_label(const qev3ds::Node& n) {
  if (n.is_dummy() && !n.instance.empty()) return n.instance;
  return n.instance.empty() ? n.name : n.name + "." + n.instance;
}

const char* node_kind(const qev3ds::Node& n) {
  switch (n.kind) {
    case qev3ds::node_object:
      return n.is_dummy() ? "dummy" : "object";
    case qev3ds::node_camera:
      return "camera";
    case qev3ds::node_camera_target:
      return "camera target";
    case qev3ds::node_light:
      return "light";
    case qev3ds::node_spot:
      return "spot light";
    default:
      return "light target";
  }
}

// Depth of each node below its root, following parent ids (at most the
// node count deep, so a cycle in a file ends).
std::vector<int> node_depths(const qev3ds::Keyframer& kf) {
  std::vector<int> ids(kf.nodes.size()), depth(kf.nodes.size(), 0);
  for (std::size_t i = 0; i < kf.nodes.size(); ++i)
    ids[i] = kf.nodes[i].id >= 0 ? kf.nodes[i].id : static_cast<int>(i);
  for (std::size_t i = 0; i < kf.nodes.size(); ++i) {
    std::uint16_t parent = kf.nodes[i].parent;
    for (std::size_t steps = 0; parent != 0xFFFF && steps < kf.nodes.size(); ++steps) {
      std::size_t j = 0;
      while (j < ids.size() && ids[j] != parent) ++j;
      if (j == ids.size()) break;
      ++depth[i];
      parent = kf.nodes[j].parent;
    }
  }
  return depth;
}

// Hierarchy, cameras and lights, when the file has them.
void print_scene_extras(const qev3ds::Scene& scene, std::FILE* out) {
  const std::vector<int> depth = node_depths(scene.keyframer);
  if (!scene.keyframer.nodes.empty()) std::fprintf(out, "hierarchy:\n");
  for (std::size_t i = 0; i < scene.keyframer.nodes.size(); ++i) {
    const qev3ds::Node& n = scene.keyframer.nodes[i];
    std::fprintf(out, "  %*s%s (%s)\n", 2 * depth[i], "", node_label(n).c_str(), node_kind(n));
  }
  for (const qev3ds::Camera& c : scene.cameras) {
    std::fprintf(out, "camera %s: at %g, %g, %g looking at %g, %g, %g, lens %g mm\n",
                 c.name.c_str(), c.position[0], c.position[1], c.position[2], c.target[0],
                 c.target[1], c.target[2], c.lens);
  }
  for (const qev3ds::Light& l : scene.lights) {
    std::fprintf(out, "light %s: %s at %g, %g, %g, colour %g, %g, %g%s\n", l.name.c_str(),
                 l.spot ? "spot" : "omni", l.position[0], l.position[1], l.position[2], l.colour[0],
                 l.colour[1], l.colour[2], l.off ? ", off" : "");
  }
}

// Numbers as JSON: one alone, or an array of n; null for one that is not
// finite, which JSON cannot write.
std::string json_numbers(const float* v, std::size_t n) {
  std::string text = n == 1 ? "" : "[";
  for (std::size_t k = 0; k < n; ++k) {
    char number[32] = "null";
    if (std::isfinite(v[k])) std::snprintf(number, sizeof number, "%.9g", v[k]);
    text += (k ? ", " : "") + std::string(number);
  }
  return n == 1 ? text : text + "]";
}

void json_scene_extras(const qev3ds::Scene& scene, std::FILE* out) {
  const qev3ds::Keyframer& kf = scene.keyframer;
  if (!kf.nodes.empty()) {
    std::fprintf(out, ",\n  \"nodes\": [");
    for (std::size_t i = 0; i < kf.nodes.size(); ++i) {
      const qev3ds::Node& n = kf.nodes[i];
      std::fprintf(out, "%s\n    {\"id\": %d, \"name\": %s, \"kind\": \"%s\", \"parent\": %d}",
                   i ? "," : "", n.id, json_string(node_label(n)).c_str(), node_kind(n),
                   n.parent == 0xFFFF ? -1 : n.parent);
    }
    std::fprintf(out, "\n  ]");
  }
  if (!scene.cameras.empty()) {
    std::fprintf(out, ",\n  \"cameras\": [");
    for (std::size_t i = 0; i < scene.cameras.size(); ++i) {
      const qev3ds::Camera& c = scene.cameras[i];
      std::fprintf(out, "%s{\"name\": %s, \"position\": %s, \"target\": %s, \"lens\": %s}",
                   i ? ", " : "", json_string(c.name).c_str(), json_numbers(c.position, 3).c_str(),
                   json_numbers(c.target, 3).c_str(), json_numbers(&c.lens, 1).c_str());
    }
    std::fprintf(out, "]");
  }
  if (!scene.lights.empty()) {
    std::fprintf(out, ",\n  \"lights\": [");
    for (std::size_t i = 0; i < scene.lights.size(); ++i) {
      const qev3ds::Light& l = scene.lights[i];
      std::fprintf(out, "%s{\"name\": %s, \"spot\": %s, \"position\": %s, \"colour\": %s}",
                   i ? ", " : "", json_string(l.name).c_str(), l.spot ? "true" : "false",
                   json_numbers(l.position, 3).c_str(), json_numbers(l.colour, 3).c_str());
    }
    std::fprintf(out, "]");
  }
}

}  // namespace

void print_table(const qev3ds::Scene& scene, std::FILE* out) {
  const qev3ds::MaterialIndex materials(scene);
  std::fprintf(out, "%5s  %-24s %9s %9s  %-11s %6s  %s\n", "layer", "name", "triangles",
               "materials", "colour", "transp", "texture");
  for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
    const qev3ds::Mesh& m = scene.meshes[i];
    const qev3ds::Look look = qev3ds::mesh_look(materials, m);
    char colour[40];
    std::snprintf(colour, sizeof colour, "%d,%d,%d", look.colour.red, look.colour.green,
                  look.colour.blue);
    const std::string texture(look.texture.empty() ? "-" : look.texture);
    std::fprintf(out, "%5zu  %-24s %9zu %9zu  %-11s %5d%%  %s\n", i + 1, m.name.c_str(),
                 m.faces.size(), materials_used(m), colour, look.transparency, texture.c_str());
  }
  const std::size_t layers = scene.meshes.size(), triangles = total_faces(scene);
  std::fprintf(out, "total: %zu %s, %zu %s\n", layers, layers == 1 ? "layer" : "layers", triangles,
               triangles == 1 ? "triangle" : "triangles");
  const Bounds b = bounds_of(scene);
  if (!b.empty) {
    std::fprintf(out, "bounds: x %g .. %g, y %g .. %g, z %g .. %g\n", b.lo[0], b.hi[0], b.lo[1],
                 b.hi[1], b.lo[2], b.hi[2]);
  }
  print_scene_extras(scene, out);
}

void print_json(const qev3ds::Scene& scene, std::FILE* out) {
  const qev3ds::MaterialIndex materials(scene);
  std::fprintf(out, "{\n  \"layers\": [");
  for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
    const qev3ds::Mesh& m = scene.meshes[i];
    const qev3ds::Look look = qev3ds::mesh_look(materials, m);
    std::fprintf(out,
                 "%s\n    {\"name\": %s, \"triangles\": %zu, \"colour\": [%d, %d, %d], "
                 "\"transparency\": %d, \"texture\": %s, \"materials\": %zu, \"groups\": [",
                 i ? "," : "", json_string(m.name).c_str(), m.faces.size(), look.colour.red,
                 look.colour.green, look.colour.blue, look.transparency,
                 json_string(look.texture).c_str(), materials_used(m));
    for (std::size_t g = 0; g < m.groups.size(); ++g) {
      std::fprintf(out, "%s{\"material\": %s, \"faces\": %d}", g ? ", " : "",
                   json_string(m.groups[g].material).c_str(), m.groups[g].count);
    }
    std::fprintf(out, "]}");
  }
  std::fprintf(out, "%s],\n  \"total_layers\": %zu,\n  \"total_triangles\": %zu",
               scene.meshes.empty() ? "" : "\n  ", scene.meshes.size(), total_faces(scene));
  const Bounds b = bounds_of(scene);
  if (!b.empty) {
    std::fprintf(out, ",\n  \"bounds\": {\"min\": [%.9g, %.9g, %.9g], \"max\": [%.9g, %.9g, %.9g]}",
                 b.lo[0], b.lo[1], b.lo[2], b.hi[0], b.hi[1], b.hi[2]);
  }
  json_scene_extras(scene, out);
  std::fprintf(out, "\n}\n");
}

}  // namespace qev::tool
