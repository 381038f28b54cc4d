// The cases a host on any platform runs through the thirteen functions: the
// known example scenes, welding at the tolerance boundary, order checks, a
// round trip and the read statuses. The files it writes are compared byte
// for byte between the Windows DLL and the Linux library.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_api.h"

namespace script {

struct Tally {
  int passed = 0, failed = 0;
  void check(bool ok, const char* what) {
    if (ok) {
      ++passed;
    } else {
      ++failed;
      std::printf("FAILED: %s\n", what);
    }
  }
};

inline std::vector<unsigned char> slurp(const std::string& path) {
  std::vector<unsigned char> out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
  }
  return out;
}

inline unsigned u32_at(const std::vector<unsigned char>& b, std::size_t at) {
  if (at + 4 > b.size()) return 0xFFFFFFFFu;
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<unsigned>(b[at + 3]) << 24);
}

inline float hexfloat(const char* text) { return std::strtof(text, nullptr); }

struct Tri {
  float corners[9];
  float mapping[6];
  int32_t smoothing;
};

struct Layer {
  const char* name;
  int32_t transparency, red, green, blue;
  const char* texture;
  std::vector<Tri> tris;
};

inline int32_t write_layers(const HostApi& api, const std::string& path,
                            const std::vector<Layer>& layers) {
  if (api.form(path.c_str()) != 0) return -100;
  const int32_t n = static_cast<int32_t>(layers.size());
  api.n_layer(&n);
  for (int32_t k = 1; k <= n; ++k) {
    const Layer& l = layers[k - 1];
    api.layer(&k, l.name, &l.transparency, &l.red, &l.green, &l.blue, l.texture);
  }
  const int32_t edges[3] = {1, 1, 1};
  for (int32_t k = 1; k <= n; ++k) {
    const Layer& l = layers[k - 1];
    const int32_t m = static_cast<int32_t>(l.tris.size());
    api.n_tri(&k, &m);
    for (int32_t t = 1; t <= m; ++t) {
      api.triangle(&k, &t, &l.tris[t - 1].smoothing, l.tris[t - 1].corners, edges,
                   l.tris[t - 1].mapping);
    }
    api.triangle_end();
  }
  int32_t status = -1;
  api.end(&status);
  return status;
}

inline Tri tri(float a0, float a1, float a2, float b0, float b1, float b2, float c0, float c1,
               float c2, int32_t smoothing = 1) {
  return Tri{{a0, a1, a2, b0, b1, b2, c0, c1, c2}, {0, 0, 1, 0, 0, 1}, smoothing};
}

// Runs every case, writing its files into dir (ending in a separator).
inline Tally run(const HostApi& api, const std::string& dir) {
  Tally t;
  const std::vector<Tri> sharing = {tri(0, 0, 0, 1, 0, 0, 0, 1, 0), tri(1, 0, 0, 1, 1, 0, 0, 1, 0)};

  // The empty scene: 32 bytes.
  t.check(write_layers(api, dir + "empty.3ds", {}) == 0, "empty scene written");
  const auto empty = slurp(dir + "empty.3ds");
  t.check(empty.size() == 32 && u32_at(empty, 2) == 32 && u32_at(empty, 18) == 16,
          "empty scene is 32 bytes");

  // The known example lengths: MAT_ENTRY 64 and 119, NAMED_OBJECT 185 and 265.
  t.check(write_layers(api, dir + "wall.3ds", {{"Wall", 30, 255, 128, 0, "", sharing}}) == 0,
          "wall written");
  const auto wall = slurp(dir + "wall.3ds");
  t.check(u32_at(wall, 32 + 2) == 64, "untextured MAT_ENTRY of 64");
  t.check(u32_at(wall, 32 + 64 + 2) == 185, "untextured NAMED_OBJECT of 185");
  t.check(write_layers(api, dir + "wall_tex.3ds",
                       {{"Wall", 30, 255, 128, 0, "wall.bmp", sharing}}) == 0,
          "textured wall written");
  const auto wall_tex = slurp(dir + "wall_tex.3ds");
  t.check(u32_at(wall_tex, 32 + 2) == 119, "textured MAT_ENTRY of 119");
  t.check(u32_at(wall_tex, 32 + 119 + 2) == 265, "textured NAMED_OBJECT of 265");

  // Welding where f32 rounding decides: x + z = 0x1.797cc4p-14 + 0x1.4f8b56p-17
  // is 0.000100000000202 exactly but rounds to a float below 0.0001, and the
  // difference 0x1.797cc4p-14 - (-0x1.4f8b56p-17) does the same. With every
  // step rounded to f32 both corners weld (2 vertices per triangle, not 3);
  // extended precision would keep them apart.
  const float a = hexfloat("0x1.797cc4p-14"), b = hexfloat("0x1.4f8b56p-17");
  const std::vector<Tri> boundary = {tri(0, 0, 0, a, 0, b, 5, 5, 5),
                                     tri(a, 7, 7, -b, 7, 7, 9, 9, 9)};
  t.check(write_layers(api, dir + "boundary.3ds", {{"Edge", 0, 1, 2, 3, "", boundary}}) == 0,
          "boundary written");
  const auto edge = slurp(dir + "boundary.3ds");
  // POINT_ARRAY count: after the material (8 + 56 = 64 bytes for "EdgeMAT"),
  // the object header (6), "Edge\0" (5), N_TRI_OBJECT header (6) and the
  // POINT_ARRAY header (6).
  const std::size_t count_at = 32 + 64 + 6 + 5 + 6 + 6;
  t.check(edge.size() > count_at + 2 && (edge[count_at] | (edge[count_at + 1] << 8)) == 4,
          "corners at the boundary weld as f32 arithmetic says (4 vertices)");

  // Order checks and their results.
  {
    t.check(api.form((dir + "order.3ds").c_str()) == 0, "order file opened");
    const int32_t two = 2, one = 1, three = 3, zero = 0, s = 1, edges[3] = {1, 0, 1};
    api.n_layer(&two);
    api.layer(&one, "A", &zero, &one, &one, &one, "");
    api.layer(&two, "B", &zero, &two, &two, &two, "");
    t.check(api.n_tri(&one, &one) == 2, "N_TRI for layer 1 returns the layer count");
    t.check(api.triangle(&two, &one, &s, sharing[0].corners, edges, sharing[0].mapping) == 0,
            "wrong layer gives 0");
    t.check(api.triangle(&one, &three, &s, sharing[0].corners, edges, sharing[0].mapping) == 2,
            "wrong triangle gives t-1");
    t.check(api.triangle(&one, &one, &s, sharing[0].corners, edges, sharing[0].mapping) == 1,
            "first triangle gives 1");
    api.triangle_end();
    t.check(api.n_tri(&two, &zero) == 1, "N_TRI for layer 2 returns 1");
    api.triangle_end();
    int32_t status = -1;
    t.check(api.end(&status) == 0 && status == 0, "END returns and stores 0");
  }

  // A round trip of textured, untextured and black layers.
  const std::vector<Layer> scene = {
      {"Plain",
       10,
       200,
       100,
       50,
       "",
       {tri(0, 0, 0, 1, 0, 0, 0, 1, 0, 4), tri(1, 0, 0, 1, 1, 0, 0, 1, 0, 0x81)}},
      {"Decal", 20, 10, 20, 30, "decal.png", sharing},
      {"Black", 30, 0, 0, 0, "", {tri(2, 2, 2, 3, 2, 2, 2, 3, 2)}},
  };
  t.check(write_layers(api, dir + "round.3ds", scene) == 0, "round trip written");
  int32_t status = -1;
  t.check(api.read_file((dir + "round.3ds").c_str(), &status) == 0 && status == 0,
          "round trip read");
  int32_t n = 0;
  t.check(api.read_n_layer(&n) == 3 && n == 3, "three layers");
  for (int32_t k = 1; k <= n; ++k) {
    char name[64], texture[64];
    int32_t tr, r, g, bl, m = 0;
    api.read_layer(&k, name, &tr, &r, &g, &bl, texture);
    const Layer& w = scene[k - 1];
    t.check(std::strcmp(name, w.name) == 0 && std::strcmp(texture, w.texture) == 0,
            "names read back");
    const bool black = w.red == 0 && w.green == 0 && w.blue == 0;
    t.check(r == (black ? 180 : w.red) && bl == (black ? 180 : w.blue) && tr == w.transparency,
            "colour and transparency read back");
    api.read_n_tri(&k, &m);
    t.check(m == static_cast<int32_t>(w.tris.size()), "triangle count read back");
    for (int32_t i = 1; i <= m; ++i) {
      float corners[9], mapping[6];
      int32_t smoothing = -1;
      t.check(api.read_triangle(&k, &i, &smoothing, corners, mapping) == i,
              "cursor counts fetches");
      t.check(std::memcmp(corners, w.tris[i - 1].corners, sizeof corners) == 0,
              "corners read back");
      if (k == 1) t.check(smoothing == (i == 1 ? 3 : 8), "smoothing index read back");
      if (k == 2) t.check(mapping[2] == 1.0f, "mapping read back on the textured layer");
    }
  }
  t.check(api.read_end() == 0, "every triangle fetched");

  // Statuses.
  t.check(api.read_file((dir + "does-not-exist.3ds").c_str(), &status) == 1 && status == 1,
          "status 1");
  if (std::FILE* f = std::fopen((dir + "zero.3ds").c_str(), "wb")) std::fclose(f);
  t.check(api.read_file((dir + "zero.3ds").c_str(), &status) == 4 && status == 4,
          "status 4 for an empty file");
  t.check(api.read_n_layer(&n) == 0, "empty scene after status 4");
  return t;
}

}  // namespace script
