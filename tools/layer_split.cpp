// Splitting layers at the writer's capacities, and naming the parts.
#include "layer_split.h"

#include <array>
#include <cmath>
#include <cstring>
#include <set>
#include <unordered_set>

namespace qev::tool {

namespace {

// A corner position by its bits. The writer welds corners closer than its
// tolerance, and equal bits always weld, so a layer's distinct positions
// bound the vertices it stages from above: a part is cut before they could
// pass the capacity.
struct PositionHash {
  std::size_t operator()(const std::array<std::uint32_t, 3>& p) const {
    return (std::size_t{p[0]} * 0x9E3779B1u) ^ (std::size_t{p[1]} * 0x85EBCA77u) ^
           (std::size_t{p[2]} * 0xC2B2AE3Du);
  }
};

class DistinctPositions {
 public:
  // How many of the triangle's corners would be new; non-finite corners
  // weld to nothing and always are.
  std::size_t new_for(const Triangle& t) const {
    std::size_t n = 0;
    std::array<std::uint32_t, 3> seen[3];
    for (int c = 0; c < 3; ++c) {
      seen[c] = key(t, c);
      bool repeat = finite(t, c) && (known_.count(seen[c]) > 0);
      for (int d = 0; d < c && !repeat; ++d) repeat = finite(t, c) && seen[d] == seen[c];
      n += repeat ? 0 : 1;
    }
    return n;
  }
  void add(const Triangle& t) {
    for (int c = 0; c < 3; ++c) {
      if (finite(t, c)) known_.insert(key(t, c));
    }
  }
  void clear() { known_.clear(); }

 private:
  static bool finite(const Triangle& t, int c) {
    return std::isfinite(t.corners[3 * c]) && std::isfinite(t.corners[3 * c + 1]) &&
           std::isfinite(t.corners[3 * c + 2]);
  }
  static std::array<std::uint32_t, 3> key(const Triangle& t, int c) {
    std::array<std::uint32_t, 3> k;
    std::memcpy(k.data(), &t.corners[3 * c], sizeof k);
    return k;
  }
  std::unordered_set<std::array<std::uint32_t, 3>, PositionHash> known_;
};

// Consecutive runs of the layer's triangles that each fit one layer.
std::vector<Layer> parts_of(Layer&& layer) {
  const bool textured = !layer.texture.empty();
  const std::size_t limit = textured ? kMaxTexturedTriangles : kMaxTriangles;
  std::vector<Layer> parts;
  DistinctPositions positions;
  std::size_t distinct = 0;
  auto start_part = [&] {
    Layer part = layer;
    part.triangles.clear();
    parts.push_back(std::move(part));
    positions.clear();
    distinct = 0;
  };
  start_part();
  for (Triangle& t : layer.triangles) {
    if (!textured) t.mapping = {};
    Layer* part = &parts.back();
    const std::size_t fresh = textured ? 0 : positions.new_for(t);
    if (part->triangles.size() >= limit || distinct + fresh > kMaxVertices) {
      start_part();
      part = &parts.back();
    }
    if (!textured) {
      distinct += positions.new_for(t);
      positions.add(t);
    }
    part->triangles.push_back(t);
  }
  return parts;
}

// name, cut so that the suffix fits the field, then made unique.
std::string unique_name(const std::string& base, std::size_t part, std::set<std::string>& taken) {
  for (std::size_t n = part;; ++n) {
    const std::string suffix = n <= 1 ? std::string() : "." + std::to_string(n);
    std::string name = base.substr(0, kMaxLayerName - suffix.size()) + suffix;
    if (taken.insert(name).second) return name;
  }
}

}  // namespace

std::vector<Split> fit_to_capacities(Scene& scene) {
  std::vector<Split> splits;
  std::vector<Layer> fitted;
  std::set<std::string> taken;
  for (Layer& layer : scene.layers) {
    if (layer.texture.size() > kMaxTextureName) layer.texture.resize(kMaxTextureName);
    const std::string base = layer.name;
    const std::size_t triangles = layer.triangles.size();
    std::vector<Layer> parts = parts_of(std::move(layer));
    if (parts.size() > 1) splits.push_back({base, triangles, parts.size()});
    for (std::size_t p = 0; p < parts.size(); ++p) {
      parts[p].name = unique_name(base, p + 1, taken);
      fitted.push_back(std::move(parts[p]));
    }
  }
  scene.layers = std::move(fitted);
  return splits;
}

}  // namespace qev::tool
