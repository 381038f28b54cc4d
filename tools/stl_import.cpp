#include "stl_import.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "file_bytes.h"

namespace qev::tool {
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

bool finite(const Triangle& t) {
  for (float v : t.corners)
    if (!std::isfinite(v)) return false;
  return true;
}

// A binary file is exactly 84 bytes plus 50 per triangle its header counts.
bool is_binary(const std::string& b) {
  return b.size() >= 84 && std::uint64_t(b.size()) == 84 + 50 * std::uint64_t(u32_at(b, 80));
}

bool read_binary(const std::string& b, Layer& layer, std::string& error) {
  const std::uint32_t count = u32_at(b, 80);
  layer.triangles.reserve(count);
  for (std::uint32_t k = 0; k < count; ++k) {
    Triangle t;
    const std::size_t at = 84 + 50 * std::size_t(k) + 12;  // past the facet normal
    for (int i = 0; i < 9; ++i) t.corners[std::size_t(i)] = f32_at(b, at + 4 * std::size_t(i));
    if (!finite(t)) {
      error = "triangle " + std::to_string(k + 1) + " has a coordinate that is not a finite number";
      return false;
    }
    layer.triangles.push_back(t);
  }
  return true;
}

bool read_ascii(const std::string& text, Layer& layer, std::string& error) {
  std::istringstream in(text);
  std::string word;
  in >> word;
  if (word != "solid") {
    error = "neither binary STL (its size does not match its triangle count) nor ASCII STL";
    return false;
  }
  std::string rest;
  std::getline(in, rest);
  const std::size_t first = rest.find_first_not_of(" \t\r");
  if (first != std::string::npos) layer.name = rest.substr(first, rest.find_last_not_of(" \t\r") + 1 - first);
  Triangle t;
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
        if (number.empty() || *end != '\0' || !std::isfinite(v)) {
          error = "facet " + std::to_string(line_facets + 1) + " has a coordinate that is not a finite number";
          return false;
        }
        t.corners[std::size_t(corners * 3 + i)] = v;
      }
      ++corners;
    } else if (word == "endfacet") {
      if (corners != 3) {
        error = "facet " + std::to_string(line_facets + 1) + " does not have three vertices";
        return false;
      }
      layer.triangles.push_back(t);
      t = Triangle{};
      corners = 0;
      ++line_facets;
    } else if (word == "endsolid") {
      return true;
    }
  }
  error = "the ASCII STL ends before \"endsolid\"";
  return false;
}

}  // namespace

bool read_stl_bytes(const std::string& bytes, const std::string& name, Scene& scene, std::string& error) {
  Layer layer;
  layer.name = name;
  layer.red = layer.green = layer.blue = 180;
  const bool ok = is_binary(bytes) ? read_binary(bytes, layer, error) : read_ascii(bytes, layer, error);
  if (!ok) return false;
  if (layer.name.empty()) layer.name = name.empty() ? "stl" : name;
  scene.layers.clear();
  if (!layer.triangles.empty()) scene.layers.push_back(std::move(layer));
  return true;
}

bool read_stl(const std::string& path, Scene& scene, std::string& error) {
  std::string bytes;
  if (!read_file_bytes(path, bytes, error)) return false;
  return read_stl_bytes(bytes, std::filesystem::path(path).stem().string(), scene, error);
}

}  // namespace qev::tool
