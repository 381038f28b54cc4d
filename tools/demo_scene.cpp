// The sample scene: a plate of eight triangles that share their corners, a
// textured quad, and a black triangle, written through the exported calls.
#include "demo_scene.h"

#include <cstdint>
#include <vector>

#include "qev_3ds.h"

namespace {

struct Triangle {
  float corners[9];
  float mapping[6];
  int32_t smoothing;
};

struct Layer {
  const char* name;
  int32_t transparency, red, green, blue;
  const char* texture;
  std::vector<Triangle> triangles;
};

// A 2 x 2 grid of unit squares in the z = 0 plane, two triangles each.
std::vector<Triangle> plate() {
  std::vector<Triangle> tris;
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 2; ++i) {
      const float x0 = static_cast<float>(i), x1 = x0 + 1, y0 = static_cast<float>(j), y1 = y0 + 1;
      tris.push_back({{x0, y0, 0, x1, y0, 0, x1, y1, 0}, {0, 0, 1, 0, 1, 1}, 1});
      tris.push_back({{x0, y0, 0, x1, y1, 0, x0, y1, 0}, {0, 0, 1, 1, 0, 1}, 1});
    }
  }
  return tris;
}

std::vector<Layer> demo_layers() {
  return {
      {"Plate", 0, 200, 120, 40, "", plate()},
      {"Crate",
       25,
       255,
       255,
       255,
       "crate.bmp",
       {{{0, 0, 1, 1, 0, 1, 1, 1, 1}, {0, 0, 1, 0, 1, 1}, 2},
        {{0, 0, 1, 1, 1, 1, 0, 1, 1}, {0, 0, 1, 1, 0, 1}, 2}}},
      {"Shadow", 50, 0, 0, 0, "", {{{0, 0, -1, 2, 0, -1, 0, 2, -1}, {0, 0, 0, 0, 0, 0}, 0}}},
  };
}

}  // namespace

int write_demo_scene(const char* path, std::FILE* out) {
  const std::vector<Layer> layers = demo_layers();
  int32_t result = QEV_FORM_3DS_FILENAME(path);
  if (result != QEV_OK) return result;

  const auto n_layers = static_cast<int32_t>(layers.size());
  QEV_PUT_3DS_N_LAYER(&n_layers);
  for (int32_t k = 1; k <= n_layers; ++k) {
    const Layer& l = layers[k - 1];
    QEV_PUT_3DS_LAYER(&k, l.name, &l.transparency, &l.red, &l.green, &l.blue, l.texture);
  }
  for (int32_t k = 1; k <= n_layers; ++k) {
    const Layer& l = layers[k - 1];
    const auto n = static_cast<int32_t>(l.triangles.size());
    QEV_PUT_3DS_N_TRI(&k, &n);
    int32_t staged = 0;
    for (int32_t t = 1; t <= n; ++t) {
      const Triangle& tri = l.triangles[t - 1];
      const int32_t edges[3] = {1, 1, 1};
      staged = QEV_PUT_3DS_TRIANGLE(&k, &t, &tri.smoothing, tri.corners, edges, tri.mapping);
    }
    QEV_PUT_3DS_TRIANGLE_END();
    std::fprintf(out,
                 "  layer %d %-8s %3d of %d triangles staged, colour %d,%d,%d, texture \"%s\"\n", k,
                 l.name, staged, n, l.red, l.green, l.blue, l.texture);
  }
  int32_t status = 0;
  QEV_PUT_3DS_END(&status);
  return status;
}
