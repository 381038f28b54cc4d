// Writes and reads whole scenes through the thirteen exported calls, the way
// a host does, so tests state scenes as data: qev3ds::Layer, the shape the
// writing calls take.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "qev_3ds.h"
#include "qev_3ds_scene.hpp"

namespace qev::test {

// Triangle t of a layer as the calls take it; mapping and smoothing read as
// zeros where the layer holds none.
inline std::array<float, 9> corners_of(const qev3ds::Layer& l, std::size_t t) {
  std::array<float, 9> c{};
  for (std::size_t i = 0; i < 9; ++i) c[i] = l.corners[9 * t + i];
  return c;
}
inline std::array<float, 6> mapping_of(const qev3ds::Layer& l, std::size_t t) {
  std::array<float, 6> m{};
  if (l.mapping.size() >= 6 * (t + 1))
    for (std::size_t i = 0; i < 6; ++i) m[i] = l.mapping[6 * t + i];
  return m;
}
inline std::int32_t smoothing_of(const qev3ds::Layer& l, std::size_t t) {
  return t < l.smoothing.size() ? l.smoothing[t] : 0;
}

// Appends one triangle with its mapping and smoothing value.
inline void add_triangle(qev3ds::Layer& l, const std::array<float, 9>& corners,
                         const std::array<float, 6>& mapping = {}, std::int32_t smoothing = 0) {
  l.corners.insert(l.corners.end(), corners.begin(), corners.end());
  l.mapping.insert(l.mapping.end(), mapping.begin(), mapping.end());
  l.smoothing.push_back(smoothing);
}

// Writes layers in the documented calling order, every edge visible;
// returns QEV_PUT_3DS_END's result.
inline std::int32_t write_by_calls(const std::string& path,
                                   const std::vector<qev3ds::Layer>& layers) {
  std::int32_t r = QEV_FORM_3DS_FILENAME(path.c_str());
  if (r != QEV_OK) {
    std::int32_t status;
    QEV_PUT_3DS_END(&status);
    return r;
  }
  const auto n = static_cast<std::int32_t>(layers.size());
  QEV_PUT_3DS_N_LAYER(&n);
  for (std::int32_t k = 1; k <= n; ++k) {
    const qev3ds::Layer& l = layers[k - 1];
    QEV_PUT_3DS_LAYER(&k, l.name.c_str(), &l.transparency, &l.red, &l.green, &l.blue,
                      l.texture.c_str());
  }
  const std::int32_t edges[3] = {1, 1, 1};
  for (std::int32_t k = 1; k <= n; ++k) {
    const qev3ds::Layer& l = layers[k - 1];
    const auto m = static_cast<std::int32_t>(l.triangle_count());
    QEV_PUT_3DS_N_TRI(&k, &m);
    for (std::int32_t t = 1; t <= m; ++t) {
      const auto i = static_cast<std::size_t>(t - 1);
      const std::array<float, 9> corners = corners_of(l, i);
      const std::array<float, 6> mapping = mapping_of(l, i);
      const std::int32_t smoothing = smoothing_of(l, i);
      QEV_PUT_3DS_TRIANGLE(&k, &t, &smoothing, corners.data(), edges, mapping.data());
    }
    QEV_PUT_3DS_TRIANGLE_END();
  }
  std::int32_t status = -100;
  QEV_PUT_3DS_END(&status);
  return status;
}

// What the reading calls answered: every layer with 9 corners, 6 mapping
// values and one smoothing index per triangle.
struct CallsRead {
  std::int32_t status = -1;  // of QEV_READ_3DS_FILENAME
  std::vector<qev3ds::Layer> layers;
  std::int32_t end_result = -1;  // of QEV_READ_3DS_END
};

// Reads every layer and triangle once, then ends reading.
inline CallsRead read_by_calls(const std::string& path) {
  CallsRead read;
  QEV_READ_3DS_FILENAME(path.c_str(), &read.status);
  if (read.status != QEV_READ_OK) return read;
  std::int32_t n = 0;
  QEV_READ_3DS_N_LAYER(&n);
  for (std::int32_t k = 1; k <= n; ++k) {
    qev3ds::Layer l;
    char name[64], texture[64];
    QEV_READ_3DS_LAYER(&k, name, &l.transparency, &l.red, &l.green, &l.blue, texture);
    l.name = name;
    l.texture = texture;
    std::int32_t m = 0;
    QEV_READ_3DS_N_TRI(&k, &m);
    for (std::int32_t t = 1; t <= m; ++t) {
      std::array<float, 9> corners{};
      std::array<float, 6> mapping{};
      std::int32_t smoothing = 0;
      QEV_READ_3DS_TRIANGLE(&k, &t, &smoothing, corners.data(), mapping.data());
      add_triangle(l, corners, mapping, smoothing);
    }
    read.layers.push_back(l);
  }
  read.end_result = QEV_READ_3DS_END();
  return read;
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
