// Layers through the welding writer, after the capacity checks.
#include "layer_file.h"

#include "layer_split.h"
#include "qev_3ds.h"

namespace qev::convert {

void add_triangle(qev3ds::Layer& layer, const float* corners, const float* mapping,
                  std::int32_t smoothing) {
  layer.corners.insert(layer.corners.end(), corners, corners + 9);
  if (mapping != nullptr) {
    layer.mapping.insert(layer.mapping.end(), mapping, mapping + 6);
  } else {
    layer.mapping.resize(layer.mapping.size() + 6, 0.0f);
  }
  layer.smoothing.push_back(smoothing);
}

std::size_t triangle_total(const Layers& layers) {
  std::size_t n = 0;
  for (const qev3ds::Layer& l : layers) n += l.triangle_count();
  return n;
}

std::string capacity_problem(const Layers& layers) {
  if (layers.size() > kMaxLayers) {
    return "the scene needs " + std::to_string(layers.size()) +
           " layers; a 3DS file holds at most " + std::to_string(kMaxLayers) +
           ": merge groups or materials, or convert it in several files";
  }
  for (const qev3ds::Layer& l : layers) {
    const std::size_t limit = l.texture.empty() ? kMaxTriangles : kMaxTexturedTriangles;
    if (l.triangle_count() > limit) {
      return "layer '" + l.name + "' has " + std::to_string(l.triangle_count()) + " triangles; a" +
             (l.texture.empty() ? "n untextured" : " textured") + " layer holds at most " +
             std::to_string(limit) + ": split it into several groups";
    }
    if (l.name.size() > kMaxLayerName) {
      return "layer name '" + l.name + "' has " + std::to_string(l.name.size()) +
             " characters; at most " + std::to_string(kMaxLayerName) + ": shorten it";
    }
    if (l.texture.size() > kMaxTextureName) {
      return "texture name '" + l.texture + "' has " + std::to_string(l.texture.size()) +
             " characters; at most " + std::to_string(kMaxTextureName) + ": shorten it";
    }
  }
  return {};
}

qev3ds::WriteResult write_layers(const std::string& path, const Layers& layers) {
  const std::string problem = capacity_problem(layers);
  if (!problem.empty()) return {QEV_ERR_CAPACITY, problem};
  qev3ds::LayerWriter writer;
  return writer.write(path, layers);
}

}  // namespace qev::convert
