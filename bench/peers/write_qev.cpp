// write_qev IN.3ds OUT.3ds scene|layers|threads: the scene API's writers on
// the same scene, timing only the writing; prints the timing line.
//   scene    write_scene of the scene read from IN
//   layers   a LayerWriter writing IN's meshes as layers (welding again)
//   threads  two threads, each writing the scene with write_scene at once
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "qev_3ds_scene.hpp"
#include "timing.h"

namespace {

// The scene's meshes as the layers they were written from.
std::vector<qev3ds::Layer> layers_of(const qev3ds::Scene& scene) {
  std::vector<qev3ds::Layer> layers;
  for (const qev3ds::Mesh& m : scene.meshes) {
    qev3ds::Layer l;
    l.name = m.name;
    l.red = 120, l.green = 160, l.blue = 200;
    for (const qev3ds::Face& f : m.faces) {
      for (const std::uint16_t v : {f.a, f.b, f.c})
        for (int a = 0; a < 3; ++a)
          l.corners.push_back(m.vertices[3 * std::size_t{v} + std::size_t(a)]);
      l.smoothing.push_back(static_cast<std::int32_t>(f.smoothing));
    }
    layers.push_back(std::move(l));
  }
  return layers;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: write_qev IN.3ds OUT.3ds scene|layers|threads\n");
    return 2;
  }
  const qev3ds::ReadResult read = qev3ds::read_scene(argv[1]);
  if (read.status != qev3ds::read_ok) return 1;
  long triangles = 0;
  for (const qev3ds::Mesh& m : read.scene.meshes) triangles += static_cast<long>(m.faces.size());
  const std::string out = argv[2], mode = argv[3];
  const double baseline = resident_mb();
  bool ok = false;
  double start = 0;
  if (mode == "scene") {
    start = now_seconds();
    ok = qev3ds::write_scene(out, read.scene).ok();
  } else if (mode == "layers") {
    const std::vector<qev3ds::Layer> layers = layers_of(read.scene);
    qev3ds::LayerWriter writer;
    start = now_seconds();
    ok = writer.write(out, layers).ok();
  } else if (mode == "threads") {
    bool a_ok = false, b_ok = false;
    start = now_seconds();
    std::thread a([&] { a_ok = qev3ds::write_scene(out, read.scene).ok(); });
    std::thread b([&] { b_ok = qev3ds::write_scene(out + ".2.3ds", read.scene).ok(); });
    a.join();
    b.join();
    ok = a_ok && b_ok;
    std::remove((out + ".2.3ds").c_str());
  }
  report(now_seconds() - start, baseline, triangles);
  return ok ? 0 : 1;
}
