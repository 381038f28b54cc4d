// Writes and reads whole scenes through the thirteen exported calls, the way
// a host does, so tests state scenes as data.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "qev_3ds.h"

namespace qev::test {

struct HostTriangle {
  std::array<float, 9> corners{};
  std::array<float, 6> mapping{};
  std::int32_t smoothing = 0;
  std::array<std::int32_t, 3> edges{1, 1, 1};
};

struct HostLayer {
  std::string name;
  std::int32_t transparency = 0, red = 0, green = 0, blue = 0;
  std::string texture;
  std::vector<HostTriangle> triangles;
};

// Writes layers in the documented calling order; returns QEV_PUT_3DS_END's result.
inline std::int32_t write_scene(const std::string& path, const std::vector<HostLayer>& layers) {
  std::int32_t r = QEV_FORM_3DS_FILENAME(path.c_str());
  if (r != QEV_OK) {
    std::int32_t status;
    QEV_PUT_3DS_END(&status);
    return r;
  }
  const auto n = static_cast<std::int32_t>(layers.size());
  QEV_PUT_3DS_N_LAYER(&n);
  for (std::int32_t k = 1; k <= n; ++k) {
    const HostLayer& l = layers[k - 1];
    QEV_PUT_3DS_LAYER(&k, l.name.c_str(), &l.transparency, &l.red, &l.green, &l.blue,
                      l.texture.c_str());
  }
  for (std::int32_t k = 1; k <= n; ++k) {
    const HostLayer& l = layers[k - 1];
    const auto m = static_cast<std::int32_t>(l.triangles.size());
    QEV_PUT_3DS_N_TRI(&k, &m);
    for (std::int32_t t = 1; t <= m; ++t) {
      const HostTriangle& tri = l.triangles[t - 1];
      QEV_PUT_3DS_TRIANGLE(&k, &t, &tri.smoothing, tri.corners.data(), tri.edges.data(),
                           tri.mapping.data());
    }
    QEV_PUT_3DS_TRIANGLE_END();
  }
  std::int32_t status = -100;
  QEV_PUT_3DS_END(&status);
  return status;
}

struct ReadTriangle {
  std::array<float, 9> corners{};
  std::array<float, 6> mapping{};
  std::int32_t smoothing = 0;
};

struct ReadLayer {
  std::string name, texture;
  std::int32_t transparency = 0, red = 0, green = 0, blue = 0;
  std::vector<ReadTriangle> triangles;
};

struct ReadScene {
  std::int32_t status = -1;
  std::vector<ReadLayer> layers;
  std::int32_t end_result = -1;
};

// Reads every layer and triangle once, then ends reading.
inline ReadScene read_scene(const std::string& path) {
  ReadScene scene;
  QEV_READ_3DS_FILENAME(path.c_str(), &scene.status);
  if (scene.status != QEV_READ_OK) return scene;
  std::int32_t n = 0;
  QEV_READ_3DS_N_LAYER(&n);
  for (std::int32_t k = 1; k <= n; ++k) {
    ReadLayer l;
    char name[64], texture[64];
    QEV_READ_3DS_LAYER(&k, name, &l.transparency, &l.red, &l.green, &l.blue, texture);
    l.name = name;
    l.texture = texture;
    std::int32_t m = 0;
    QEV_READ_3DS_N_TRI(&k, &m);
    for (std::int32_t t = 1; t <= m; ++t) {
      ReadTriangle tri;
      QEV_READ_3DS_TRIANGLE(&k, &t, &tri.smoothing, tri.corners.data(), tri.mapping.data());
      l.triangles.push_back(tri);
    }
    scene.layers.push_back(l);
  }
  scene.end_result = QEV_READ_3DS_END();
  return scene;
}

// Fetches every layer and triangle once without keeping them, then ends
// reading; returns the triangles fetched, or -1 if the file did not open.
inline long read_whole_scene(const std::string& path) {
  std::int32_t status = 0;
  if (QEV_READ_3DS_FILENAME(path.c_str(), &status) != QEV_READ_OK) return -1;
  std::int32_t n = 0;
  QEV_READ_3DS_N_LAYER(&n);
  long total = 0;
  for (std::int32_t k = 1; k <= n; ++k) {
    char name[64], texture[64];
    std::int32_t tr, r, g, b, m = 0;
    QEV_READ_3DS_LAYER(&k, name, &tr, &r, &g, &b, texture);
    QEV_READ_3DS_N_TRI(&k, &m);
    for (std::int32_t t = 1; t <= m; ++t) {
      float corners[9], mapping[6];
      std::int32_t s;
      QEV_READ_3DS_TRIANGLE(&k, &t, &s, corners, mapping);
    }
    total += m;
  }
  QEV_READ_3DS_END();
  return total;
}

}  // namespace qev::test
