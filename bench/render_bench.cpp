// qev3ds render's drawing time: the sample scene as a 256x256 thumbnail and
// at 800x600, and a sphere of 20,000 smoothed triangles at 800x600 (PNG
// writing included, as the thumbnailer pays it).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "demo_scene.h"
#include "scene_render.h"

namespace {

const std::string& demo_path() {
  static const std::string path = [] {
    const std::string p =
        (std::filesystem::temp_directory_path() / "qev3ds-render-bench.3ds").string();
    std::FILE* quiet = std::tmpfile();
    write_demo_scene(p, quiet);
    std::fclose(quiet);
    return p;
  }();
  return path;
}

qev3ds::Scene sphere(int rings, int segments) {
  qev3ds::Mesh m;
  m.name = "Sphere";
  for (int r = 0; r <= rings; ++r)
    for (int s = 0; s < segments; ++s) {
      const double th = M_PI * r / rings, ph = 2 * M_PI * s / segments;
      const double ring = (r == 0 || r == rings) ? 0.0 : std::sin(th);
      m.vertices.insert(m.vertices.end(), {float(ring * std::cos(ph)), float(ring * std::sin(ph)),
                                           float(std::cos(th))});
    }
  auto at = [&](int r, int s) { return static_cast<std::uint16_t>(r * segments + s % segments); };
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      m.faces.push_back({at(r, s), at(r + 1, s), at(r, s + 1), 7, 1});
      m.faces.push_back({at(r, s + 1), at(r + 1, s), at(r + 1, s + 1), 7, 1});
    }
  qev3ds::Scene scene;
  scene.meshes.push_back(m);
  return scene;
}

void render(benchmark::State& state, const qev3ds::Scene& scene, int w, int h) {
  const std::string out =
      (std::filesystem::temp_directory_path() / "qev3ds-render-bench.png").string();
  qev::tool::RenderOptions options;
  options.width = w;
  options.height = h;
  std::string error;
  for (auto _ : state) {
    if (!qev::tool::render_png(scene, options, out, error)) state.SkipWithError(error.c_str());
  }
  std::size_t faces = 0;
  for (const auto& m : scene.meshes) faces += m.faces.size();
  state.counters["faces"] = static_cast<double>(faces);
}

void BM_DemoThumbnail(benchmark::State& state) {
  render(state, qev3ds::read_scene(demo_path()).scene, 256, 256);
}
void BM_Demo800x600(benchmark::State& state) {
  render(state, qev3ds::read_scene(demo_path()).scene, 800, 600);
}
void BM_Sphere800x600(benchmark::State& state) { render(state, sphere(100, 100), 800, 600); }

BENCHMARK(BM_DemoThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Demo800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sphere800x600)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
