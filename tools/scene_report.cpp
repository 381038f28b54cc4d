// Per-layer table and totals, bounding box, and the same as JSON.
#include "scene_report.h"

#include <cfloat>
#include <string>

namespace qev::tool {

namespace {

struct Bounds {
  float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
  float hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
  bool empty = true;
};

Bounds bounds_of(const Scene& scene) {
  Bounds b;
  for (const Layer& l : scene.layers) {
    for (const Triangle& t : l.triangles) {
      for (int i = 0; i < 9; ++i) {
        b.lo[i % 3] = t.corners[i] < b.lo[i % 3] ? t.corners[i] : b.lo[i % 3];
        b.hi[i % 3] = t.corners[i] > b.hi[i % 3] ? t.corners[i] : b.hi[i % 3];
        b.empty = false;
      }
    }
  }
  return b;
}

std::size_t total_triangles(const Scene& scene) {
  std::size_t n = 0;
  for (const Layer& l : scene.layers) n += l.triangles.size();
  return n;
}

std::string json_string(const std::string& s) {
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

}  // namespace

void print_table(const Scene& scene, std::FILE* out) {
  std::fprintf(out, "%5s  %-24s %9s  %-11s %6s  %s\n", "layer", "name", "triangles", "colour",
               "transp", "texture");
  for (std::size_t i = 0; i < scene.layers.size(); ++i) {
    const Layer& l = scene.layers[i];
    char colour[40];
    std::snprintf(colour, sizeof colour, "%d,%d,%d", l.red, l.green, l.blue);
    std::fprintf(out, "%5zu  %-24s %9zu  %-11s %5d%%  %s\n", i + 1, l.name.c_str(), l.triangles.size(),
                 colour, l.transparency, l.texture.empty() ? "-" : l.texture.c_str());
  }
  std::fprintf(out, "total: %zu layers, %zu triangles\n", scene.layers.size(), total_triangles(scene));
  const Bounds b = bounds_of(scene);
  if (!b.empty) {
    std::fprintf(out, "bounds: x %g .. %g, y %g .. %g, z %g .. %g\n", b.lo[0], b.hi[0], b.lo[1],
                 b.hi[1], b.lo[2], b.hi[2]);
  }
}

void print_json(const Scene& scene, std::FILE* out) {
  std::fprintf(out, "{\n  \"layers\": [");
  for (std::size_t i = 0; i < scene.layers.size(); ++i) {
    const Layer& l = scene.layers[i];
    std::fprintf(out,
                 "%s\n    {\"name\": %s, \"triangles\": %zu, \"colour\": [%d, %d, %d], "
                 "\"transparency\": %d, \"texture\": %s}",
                 i ? "," : "", json_string(l.name).c_str(), l.triangles.size(), l.red, l.green,
                 l.blue, l.transparency, json_string(l.texture).c_str());
  }
  std::fprintf(out, "%s],\n  \"total_layers\": %zu,\n  \"total_triangles\": %zu", scene.layers.empty() ? "" : "\n  ",
               scene.layers.size(), total_triangles(scene));
  const Bounds b = bounds_of(scene);
  if (!b.empty) {
    std::fprintf(out, ",\n  \"bounds\": {\"min\": [%.9g, %.9g, %.9g], \"max\": [%.9g, %.9g, %.9g]}",
                 b.lo[0], b.lo[1], b.lo[2], b.hi[0], b.hi[1], b.hi[2]);
  }
  std::fprintf(out, "\n}\n");
}

}  // namespace qev::tool
