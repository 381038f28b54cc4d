// make_grid_scene OUT.3ds LAYERS TRIANGLES_PER_LAYER: a benchmark input,
// written through the exported calls; prints the timing line.
#include <cstdio>
#include <cstdlib>

#include "grid_scene.h"
#include "timing.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_grid_scene OUT.3ds LAYERS TRIANGLES_PER_LAYER\n");
    return 2;
  }
  const int layers = std::atoi(argv[2]), per_layer = std::atoi(argv[3]);
  const double baseline = resident_mb();
  const double start = now_seconds();
  const bool ok = qev::bench::write_grid_scene(argv[1], layers, per_layer) == QEV_OK;
  report(now_seconds() - start, baseline, static_cast<long>(layers) * per_layer);
  return ok ? 0 : 1;
}
