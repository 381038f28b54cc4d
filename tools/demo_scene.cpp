// The sample scene: a plate of eight triangles that share their corners, a
// textured quad, and a black triangle.
#include "demo_scene.h"

#include <vector>

namespace {

using qev3ds::Layer;

void add(Layer& l, std::vector<float> corners, std::vector<float> mapping, int smoothing) {
  l.corners.insert(l.corners.end(), corners.begin(), corners.end());
  l.mapping.insert(l.mapping.end(), mapping.begin(), mapping.end());
  l.smoothing.push_back(smoothing);
}

Layer described(const char* name, int transparency, int red, int green, int blue,
                const char* texture) {
  Layer l;
  l.name = name;
  l.transparency = transparency;
  l.red = red;
  l.green = green;
  l.blue = blue;
  l.texture = texture;
  return l;
}

std::vector<Layer> demo_layers() {
  // A 2 x 2 grid of unit squares in the z = 0 plane, two triangles each.
  Layer plate = described("Plate", 0, 200, 120, 40, "");
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 2; ++i) {
      const float x0 = static_cast<float>(i), x1 = x0 + 1, y0 = static_cast<float>(j), y1 = y0 + 1;
      add(plate, {x0, y0, 0, x1, y0, 0, x1, y1, 0}, {0, 0, 1, 0, 1, 1}, 1);
      add(plate, {x0, y0, 0, x1, y1, 0, x0, y1, 0}, {0, 0, 1, 1, 0, 1}, 1);
    }
  }
  Layer crate = described("Crate", 25, 255, 255, 255, "crate.bmp");
  add(crate, {0, 0, 1, 1, 0, 1, 1, 1, 1}, {0, 0, 1, 0, 1, 1}, 2);
  add(crate, {0, 0, 1, 1, 1, 1, 0, 1, 1}, {0, 0, 1, 1, 0, 1}, 2);
  Layer shadow = described("Shadow", 50, 0, 0, 0, "");
  add(shadow, {0, 0, -1, 2, 0, -1, 0, 2, -1}, {0, 0, 0, 0, 0, 0}, 0);
  return {plate, crate, shadow};
}

}  // namespace

qev3ds::WriteResult write_demo_scene(const std::string& path, std::FILE* out) {
  const std::vector<Layer> layers = demo_layers();
  qev3ds::LayerWriter writer;
  const qev3ds::WriteResult result = writer.write(path, layers);
  if (!result.ok()) return result;
  for (std::size_t k = 0; k < layers.size(); ++k) {
    const Layer& l = layers[k];
    const auto n = static_cast<int>(l.triangle_count());
    std::fprintf(out,
                 "  layer %zu %-8s %3d of %d triangles staged, colour %d,%d,%d, texture \"%s\"\n",
                 k + 1, l.name.c_str(), n, n, l.red, l.green, l.blue, l.texture.c_str());
  }
  return result;
}
