// Reading STL, binary or ASCII, into layers.
#include "stl_import.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "file_bytes.h"
#include "import_warnings.h"

namespace qev::convert {

using qev3ds::Layer;

namespace {

std::uint32_t u32_at(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + std::size_t(i)]);
  return v;
}

float f32_at(const std::string& b, std::size_t at) {
  const std::uint32_t v = u32_at(b, at);
  float f;
  std::memcpy(&f, &v, sizeof f);
  return f;
}

bool finite(const float* corners) {
  for (int i = 0; i < 9; ++i)
    if (!std::isfinite(corners[i])) return false;
  return true;
}

// The size was checked against the count (is_binary_stl), so the count is
// exact and reserving it is safe.
void read_binary(const std::string& b, Layer& layer, std::size_t& non_finite) {
  const std::uint32_t count = u32_at(b, 80);
  layer.corners.reserve(9 * std::size_t(count));
  for (std::uint32_t k = 0; k < count; ++k) {
    float t[9];
    const std::size_t at = 84 + 50 * std::size_t(k) + 12;  // past the facet normal
    for (int i = 0; i < 9; ++i) t[i] = f32_at(b, at + 4 * std::size_t(i));
    if (finite(t)) {
      add_triangle(layer, t, nullptr, 0);
    } else {
      ++non_finite;
    }
  }
}

Layer grey_layer(const std::string& name) {
  Layer layer;
  layer.name = name;
  layer.red = layer.green = layer.blue = 180;
  return layer;
}

// The rest of the line in, trimmed: a solid's name.
std::string rest_of_line(std::istream& in) {
  std::string rest;
  std::getline(in, rest);
  const std::size_t first = rest.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return rest.substr(first, rest.find_last_not_of(" \t\r") + 1 - first);
}

// Every `solid ... endsolid` block of the text as a layer named after its
// solid (name when the solid has none).
bool read_ascii(const std::string& text, const std::string& name, Layers& layers,
                std::size_t& non_finite, std::string& error) {
  std::istringstream in(text);
  std::string word;
  in >> word;
  if (word != "solid") {
    error = "neither binary STL (its size does not match its triangle count) nor ASCII STL";
    return false;
  }
  Layer layer = grey_layer(rest_of_line(in));
  float t[9] = {};
  int corners = 0;
  std::size_t line_facets = 0;
  while (in >> word) {
    if (word == "vertex") {
      if (corners == 3) {
        error = "facet " + std::to_string(line_facets + 1) + " has more than three vertices";
        return false;
      }
      for (int i = 0; i < 3; ++i) {
        std::string number;
        in >> number;
        char* end = nullptr;
        const float v = std::strtof(number.c_str(), &end);
        if (number.empty() || *end != '\0') {
          error =
              "facet " + std::to_string(line_facets + 1) + " has a coordinate that is not a number";
          return false;
        }
        t[corners * 3 + i] = v;
      }
      ++corners;
    } else if (word == "endfacet") {
      if (corners != 3) {
        error = "facet " + std::to_string(line_facets + 1) + " does not have three vertices";
        return false;
      }
      if (finite(t)) {
        add_triangle(layer, t, nullptr, 0);
      } else {
        ++non_finite;
      }
      corners = 0;
      ++line_facets;
    } else if (word == "endsolid") {
      rest_of_line(in);
      if (layer.name.empty()) layer.name = name.empty() ? "stl" : name;
      if (layer.triangle_count() > 0) layers.push_back(std::move(layer));
      // Another solid may follow; anything else ends the file.
      if (!(in >> word) || word != "solid") return true;
      layer = grey_layer(rest_of_line(in));
    }
  }
  error = "the ASCII STL ends before \"endsolid\"";
  return false;
}

}  // namespace

bool is_binary_stl(const std::string& head, std::uint64_t size) {
  return head.size() >= 84 && size == 84 + 50 * std::uint64_t{u32_at(head, 80)};
}

bool read_stl_bytes(const std::string& bytes, const std::string& name, Layers& layers,
                    std::string& error, std::vector<std::string>* warnings) {
  layers.clear();
  std::size_t non_finite = 0;
  if (is_binary_stl(bytes, bytes.size())) {
    Layer layer = grey_layer(name.empty() ? "stl" : name);
    read_binary(bytes, layer, non_finite);
    if (layer.triangle_count() > 0) layers.push_back(std::move(layer));
  } else if (!read_ascii(bytes, name, layers, non_finite, error)) {
    layers.clear();
    return false;
  }
  if (non_finite > 0) ImportWarnings(warnings).add(non_finite_warning(non_finite, "the STL"));
  return true;
}

bool read_stl(const std::string& path, Layers& layers, std::string& error,
              std::vector<std::string>* warnings) {
  std::string bytes;
  if (!read_file_bytes(path, bytes, error)) return false;
  // The bytes go when this returns, before the caller splits the layer:
  // the file's bytes and the triangles together are the read's peak.
  return read_stl_bytes(bytes, std::filesystem::path(path).stem().string(), layers, error,
                        warnings);
}

}  // namespace qev::convert
