// read_qev FILE.3ds [--fetch]: our reader parses the file (and with --fetch
// also hands back every triangle through the queries); prints the timing line.
#include <cstring>

#include "grid_scene.h"
#include "tests/support/scene_io.h"
#include "timing.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const bool fetch = argc > 2 && std::strcmp(argv[2], "--fetch") == 0;
  const double baseline = resident_mb();
  const double start = now_seconds();
  long triangles = 0;
  if (fetch) {
    triangles = qev::test::read_whole_scene(argv[1]);
  } else {
    std::int32_t status = 0, n = 0;
    if (QEV_READ_3DS_FILENAME(argv[1], &status) != QEV_READ_OK) return 1;
    QEV_READ_3DS_N_LAYER(&n);
    for (std::int32_t k = 1; k <= n; ++k) {
      std::int32_t m = 0;
      QEV_READ_3DS_N_TRI(&k, &m);
      triangles += m;
    }
  }
  report(now_seconds() - start, baseline, triangles);
  return triangles < 0 ? 1 : 0;
}
