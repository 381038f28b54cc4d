// The installed conversion library from C++: two scenes written by two
// LayerWriters on two threads at once, byte for byte what one writer
// writes in turn, and one of them converted to GLB.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "qev_3ds_convert.hpp"

namespace {

// A grid of n x n squares, two triangles each, in layers of rows.
std::vector<qev3ds::Layer> grid(int n, int rows_per_layer) {
  std::vector<qev3ds::Layer> layers;
  for (int j = 0; j < n; ++j) {
    if (j % rows_per_layer == 0) {
      layers.emplace_back();
      layers.back().name = "rows" + std::to_string(j);
      layers.back().red = 40 * j % 256;
      layers.back().green = 200;
    }
    qev3ds::Layer& l = layers.back();
    for (int i = 0; i < n; ++i) {
      const float x = float(i), y = float(j);
      l.corners.insert(l.corners.end(), {x, y, 0, x + 1, y, 0, x + 1, y + 1, 0.5f});
      l.corners.insert(l.corners.end(), {x, y, 0, x + 1, y + 1, 0.5f, x, y + 1, 0});
      l.smoothing.insert(l.smoothing.end(), {1, 1});
    }
  }
  return layers;
}

std::string bytes_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  const std::vector<qev3ds::Layer> a = grid(120, 7), b = grid(90, 30);
  qev3ds::LayerWriter one;
  if (!one.write(dir + "/a-alone.3ds", a).ok() || !one.write(dir + "/b-alone.3ds", b).ok())
    return 1;
  qev3ds::WriteResult ra, rb;
  std::thread ta([&] { ra = qev3ds::LayerWriter().write(dir + "/a.3ds", a); });
  std::thread tb([&] { rb = qev3ds::LayerWriter().write(dir + "/b.3ds", b); });
  ta.join();
  tb.join();
  if (!ra.ok() || !rb.ok()) return 1;
  if (bytes_of(dir + "/a.3ds") != bytes_of(dir + "/a-alone.3ds") ||
      bytes_of(dir + "/b.3ds") != bytes_of(dir + "/b-alone.3ds"))
    return 3;
  const qev3ds::ConvertReport report = qev3ds::convert_file(dir + "/a.3ds", dir + "/a.glb");
  if (!report.ok()) return 4;
  std::printf("convert consumer: %s\n", report.message.c_str());
  return 0;
}
