// Scenes through the exported calls, in the documented calling order.
#include "scene_file.h"

#include "layer_split.h"
#include "qev_3ds.h"

namespace qev::tool {

std::string capacity_problem(const Scene& scene) {
  if (scene.layers.size() > kMaxLayers) {
    return "the scene needs " + std::to_string(scene.layers.size()) +
           " layers; a 3DS file holds at most " + std::to_string(kMaxLayers) +
           ": merge groups or materials, or convert it in several files";
  }
  for (const Layer& l : scene.layers) {
    const std::size_t limit = l.texture.empty() ? kMaxTriangles : kMaxTexturedTriangles;
    if (l.triangles.size() > limit) {
      return "layer '" + l.name + "' has " + std::to_string(l.triangles.size()) + " triangles; a" +
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

WriteProblem write_3ds(const std::string& path, const Scene& scene) {
  WriteProblem problem;
  problem.what = capacity_problem(scene);
  if (!problem.what.empty()) {
    problem.code = QEV_ERR_CAPACITY;
    return problem;
  }
  std::int32_t r = QEV_FORM_3DS_FILENAME(path.c_str());
  if (r != QEV_OK) {
    std::int32_t ignored;
    QEV_PUT_3DS_END(&ignored);
    return {r, "cannot create " + path};
  }
  const auto n = static_cast<std::int32_t>(scene.layers.size());
  QEV_PUT_3DS_N_LAYER(&n);
  for (std::int32_t k = 1; k <= n; ++k) {
    const Layer& l = scene.layers[static_cast<std::size_t>(k) - 1];
    QEV_PUT_3DS_LAYER(&k, l.name.c_str(), &l.transparency, &l.red, &l.green, &l.blue,
                      l.texture.c_str());
  }
  const std::int32_t edges[3] = {1, 1, 1};
  for (std::int32_t k = 1; k <= n; ++k) {
    const Layer& l = scene.layers[static_cast<std::size_t>(k) - 1];
    const auto m = static_cast<std::int32_t>(l.triangles.size());
    QEV_PUT_3DS_N_TRI(&k, &m);
    for (std::int32_t t = 1; t <= m; ++t) {
      const Triangle& tri = l.triangles[static_cast<std::size_t>(t) - 1];
      r = QEV_PUT_3DS_TRIANGLE(&k, &t, &tri.smoothing, tri.corners.data(), edges,
                               tri.mapping.data());
      if (r != t && problem.code == 0) {
        problem = {r, "layer '" + l.name + "' triangle " + std::to_string(t) + " was refused (" +
                          std::to_string(r) + ")"};
      }
    }
    QEV_PUT_3DS_TRIANGLE_END();
  }
  std::int32_t status = 0;
  QEV_PUT_3DS_END(&status);
  if (status != QEV_OK && problem.code == 0) {
    problem = {status, "writing " + path + " failed (" + std::to_string(status) + ")"};
  }
  return problem;
}

}  // namespace qev::tool
