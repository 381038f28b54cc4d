// dump_qev FILE.3ds OUT.bin: reads every layer and triangle through the
// thirteen functions, as a C host does, and writes what they report as raw
// little-endian values, so another binding can be checked value for value.
// Per layer: i32 name length, the name, i32 transparency, r, g, b, i32
// texture length, the texture, i32 n; then n × (9 f32 corners, 6 f32
// mapping, i32 smoothing index).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "qev_3ds.h"

namespace {
void put_i32(std::FILE* out, std::int32_t v) { std::fwrite(&v, sizeof v, 1, out); }
void put_text(std::FILE* out, const char* s) {
  put_i32(out, static_cast<std::int32_t>(std::strlen(s)));
  std::fwrite(s, 1, std::strlen(s), out);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dump_qev FILE.3ds OUT.bin\n");
    return 2;
  }
  std::int32_t status = 0, n = 0;
  if (QEV_READ_3DS_FILENAME(argv[1], &status) != QEV_READ_OK) return 1;
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) return 1;
  QEV_READ_3DS_N_LAYER(&n);
  put_i32(out, n);
  for (std::int32_t k = 1; k <= n; ++k) {
    char name[64], texture[64];
    std::int32_t transparency, red, green, blue, m = 0;
    QEV_READ_3DS_LAYER(&k, name, &transparency, &red, &green, &blue, texture);
    QEV_READ_3DS_N_TRI(&k, &m);
    put_text(out, name);
    for (std::int32_t v : {transparency, red, green, blue}) put_i32(out, v);
    put_text(out, texture);
    put_i32(out, m);
    for (std::int32_t t = 1; t <= m; ++t) {
      float corners[9], mapping[6];
      std::int32_t smoothing;
      QEV_READ_3DS_TRIANGLE(&k, &t, &smoothing, corners, mapping);
      std::fwrite(corners, sizeof corners, 1, out);
      std::fwrite(mapping, sizeof mapping, 1, out);
      put_i32(out, smoothing);
    }
  }
  QEV_READ_3DS_END();
  return std::fclose(out) == 0 ? 0 : 1;
}
