// Reads back the empty scene the C consumer wrote, through the installed
// scene API.
#include <cstdio>

#include "qev_3ds_scene.hpp"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const qev3ds::ReadResult read = qev3ds::read_scene(argv[1]);
  if (read.status != qev3ds::read_ok) return 1;
  std::printf("scene consumer: %zu meshes, %zu materials\n", read.scene.meshes.size(),
              read.scene.materials.size());
  return 0;
}
