// Fuzz target: the bytes are a file. It is parsed, every query is asked of
// every layer and triangle (and a few outside the scene), and reading ends.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "qev_3ds.h"
#include "reader/reader_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The walk reads the stream through the same calls as a file on disk.
  std::FILE* f = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb") : std::tmpfile();
  if (f == nullptr) return 0;
  qev::reader::parse_stream(f, static_cast<std::int64_t>(size));
  std::fclose(f);

  std::int32_t n = 0;
  QEV_READ_3DS_N_LAYER(&n);
  for (std::int32_t k = 0; k <= n + 1; ++k) {
    char name[64], texture[64];
    std::int32_t transparency, red, green, blue, m = 0;
    QEV_READ_3DS_LAYER(&k, name, &transparency, &red, &green, &blue, texture);
    QEV_READ_3DS_N_TRI(&k, &m);
    for (std::int32_t t = 0; t <= m + 1; ++t) {
      float corners[9], mapping[6];
      std::int32_t smoothing;
      QEV_READ_3DS_TRIANGLE(&k, &t, &smoothing, corners, mapping);
    }
  }
  QEV_READ_3DS_END();
  return 0;
}
