// Scenes of the writer's own shape for benchmarks: layers of square grids
// written through the exported calls, untextured (welded) or textured.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qev_3ds.h"

namespace qev::bench {

// Writes `layers` layers of `triangles_per_layer` triangles each (a grid of
// side cells, two triangles per cell, the rest in a last partial row).
// Returns QEV_PUT_3DS_END's result.
inline std::int32_t write_grid_scene(const std::string& path, int layers, int triangles_per_layer,
                                     bool textured = false) {
  if (QEV_FORM_3DS_FILENAME(path.c_str()) != QEV_OK) return -1;
  const std::int32_t n = layers;
  QEV_PUT_3DS_N_LAYER(&n);
  const std::int32_t transparency = 0, red = 120, green = 160, blue = 200;
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::string name = "grid" + std::to_string(k);
    QEV_PUT_3DS_LAYER(&k, name.c_str(), &transparency, &red, &green, &blue,
                      textured ? "grid.png" : "");
  }
  int side = 1;
  while (2 * side * side < triangles_per_layer) ++side;
  const std::int32_t edges[3] = {1, 1, 0};
  for (std::int32_t k = 1; k <= n; ++k) {
    const std::int32_t m = triangles_per_layer;
    QEV_PUT_3DS_N_TRI(&k, &m);
    const float z = static_cast<float>(k) * 0.5f;
    std::int32_t t = 0;
    for (int j = 0; j < side && t < m; ++j) {
      for (int i = 0; i < side && t < m; ++i) {
        const float x0 = static_cast<float>(i) * 0.01f, x1 = static_cast<float>(i + 1) * 0.01f;
        const float y0 = static_cast<float>(j) * 0.01f, y1 = static_cast<float>(j + 1) * 0.01f;
        const float a[9] = {x0, y0, z, x1, y0, z, x1, y1, z};
        const float b[9] = {x0, y0, z, x1, y1, z, x0, y1, z};
        const float ua[6] = {x0, y0, x1, y0, x1, y1};
        const float ub[6] = {x0, y0, x1, y1, x0, y1};
        const std::int32_t smoothing = 1;
        ++t;
        QEV_PUT_3DS_TRIANGLE(&k, &t, &smoothing, a, edges, ua);
        if (t < m) {
          ++t;
          QEV_PUT_3DS_TRIANGLE(&k, &t, &smoothing, b, edges, ub);
        }
      }
    }
    QEV_PUT_3DS_TRIANGLE_END();
  }
  std::int32_t status = 0;
  return QEV_PUT_3DS_END(&status);
}

}  // namespace qev::bench
