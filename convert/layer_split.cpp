// Splitting layers at the writer's capacities, and naming the parts.
#include "layer_split.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "text_encoding.h"

namespace qev::convert {

using qev3ds::Layer;

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
  std::size_t new_for(const float* t) const {
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
  void add(const float* t) {
    for (int c = 0; c < 3; ++c) {
      if (finite(t, c)) known_.insert(key(t, c));
    }
  }
  void clear() { known_.clear(); }

 private:
  static bool finite(const float* t, int c) {
    return std::isfinite(t[3 * c]) && std::isfinite(t[3 * c + 1]) && std::isfinite(t[3 * c + 2]);
  }
  static std::array<std::uint32_t, 3> key(const float* t, int c) {
    std::array<std::uint32_t, 3> k;
    std::memcpy(k.data(), &t[3 * c], sizeof k);
    return k;
  }
  std::unordered_set<std::array<std::uint32_t, 3>, PositionHash> known_;
};

// The sizes of the consecutive runs of the layer's triangles that each fit
// one layer.
std::vector<std::size_t> part_sizes(const Layer& layer) {
  const bool textured = !layer.texture.empty();
  const std::size_t limit = textured ? kMaxTexturedTriangles : kMaxTriangles;
  std::vector<std::size_t> sizes{0};
  DistinctPositions positions;
  std::size_t distinct = 0;
  for (std::size_t i = 0; i < layer.triangle_count(); ++i) {
    const float* t = &layer.corners[9 * i];
    const std::size_t fresh = textured ? 0 : positions.new_for(t);
    if (sizes.back() >= limit || distinct + fresh > kMaxVertices) {
      sizes.push_back(0);
      positions.clear();
      distinct = 0;
    }
    if (!textured) {
      distinct += positions.new_for(t);
      positions.add(t);
    }
    ++sizes.back();
  }
  return sizes;
}

// The layer as parts that each fit one layer. A layer that fits is moved
// whole; a larger one is copied part by part, each part taking the layer's
// description and only its own triangles, so the work and the memory grow
// with the triangles, not with the triangles times the parts.
std::vector<Layer> parts_of(Layer&& layer) {
  if (layer.texture.empty()) {
    std::fill(layer.mapping.begin(), layer.mapping.end(), 0.0f);
  }
  const std::vector<std::size_t> sizes = part_sizes(layer);
  std::vector<Layer> parts;
  if (sizes.size() == 1) {
    parts.push_back(std::move(layer));
    return parts;
  }
  parts.reserve(sizes.size());
  std::size_t from = 0;
  for (const std::size_t size : sizes) {
    Layer part;
    part.name = layer.name;
    part.red = layer.red;
    part.green = layer.green;
    part.blue = layer.blue;
    part.transparency = layer.transparency;
    part.texture = layer.texture;
    const auto range = [&](const auto& all, std::size_t per, auto& into) {
      if (all.empty()) return;
      const auto first = all.begin() + static_cast<std::ptrdiff_t>(from * per);
      into.assign(first, first + static_cast<std::ptrdiff_t>(size * per));
    };
    range(layer.corners, 9, part.corners);
    range(layer.mapping, 6, part.mapping);
    range(layer.smoothing, 1, part.smoothing);
    parts.push_back(std::move(part));
    from += size;
  }
  layer = Layer();
  return parts;
}

// text cut to at most max bytes, never inside a UTF-8 character.
std::string cut_at_character(const std::string& text, std::size_t max) {
  return text.substr(0, utf8_prefix_length(text, max));
}

// Unique layer names: "name", "name.2", "name.3", ... each cut to fit the
// field. The next suffix to try is kept per name, so naming N layers of one
// name costs N tries, not N squared.
class LayerNames {
 public:
  std::string unique(const std::string& base, std::size_t part) {
    const std::string whole = cut_at_character(base, kMaxLayerName);
    std::size_t& next = next_[whole];
    for (std::size_t n = std::max(part, next);; ++n) {
      const std::string suffix = n <= 1 ? std::string() : "." + std::to_string(n);
      std::string name = cut_at_character(base, kMaxLayerName - suffix.size()) + suffix;
      if (taken_.insert(name).second) {
        next = n + 1;
        return name;
      }
    }
  }

 private:
  std::unordered_map<std::string, std::size_t> next_;
  std::unordered_set<std::string> taken_;
};

}  // namespace

std::vector<Split> fit_to_capacities(Layers& layers) {
  std::vector<Split> splits;
  std::vector<Layer> fitted;
  fitted.reserve(layers.size());
  LayerNames names;
  for (Layer& layer : layers) {
    layer.texture = cut_at_character(layer.texture, kMaxTextureName);
    const std::string base = layer.name;
    const std::size_t triangles = layer.triangle_count();
    std::vector<Layer> parts = parts_of(std::move(layer));
    if (parts.size() > 1) splits.push_back({base, triangles, parts.size()});
    for (std::size_t p = 0; p < parts.size(); ++p) {
      parts[p].name = names.unique(base, p + 1);
      fitted.push_back(std::move(parts[p]));
    }
  }
  layers = std::move(fitted);
  return splits;
}

}  // namespace qev::convert
