// qev3ds render's drawing time, PNG writing included as the thumbnailer
// pays it: the sample scene as a 256x256 thumbnail and at 800x600, a sphere
// of 20,000 smoothed triangles, and assimp's 2CylinderEngine (121,496
// triangles, converted from its GLB to 3DS as `qev3ds convert` does) at
// 800x600 and at the largest picture the tool draws (4096x4096). The engine
// at 800x600 should take well under a second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "demo_scene.h"
#include "qev_3ds_convert.hpp"
#include "scene_render.h"

namespace {

std::string temp(const char* name) {
  return (std::filesystem::temp_directory_path() / name).string();
}

const qev3ds::Scene& demo() {
  static const qev3ds::Scene scene = [] {
    const std::string p = temp("qev3ds-render-bench.3ds");
    std::FILE* quiet = std::tmpfile();
    write_demo_scene(p, quiet);
    std::fclose(quiet);
    return qev3ds::read_scene(p).scene;
  }();
  return scene;
}

// Empty when the model is not installed (Debian: assimp-testmodels).
const qev3ds::Scene& engine() {
  static const qev3ds::Scene scene = [] {
    qev3ds::ImportResult r = qev3ds::import_file(
        QEV_ASSIMP_MODELS "/glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb");
    return r.report.ok() ? r.scene : qev3ds::Scene{};
  }();
  return scene;
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
  if (scene.meshes.empty()) {
    state.SkipWithError("the model is not installed (Debian: assimp-testmodels)");
    return;
  }
  const std::string out = temp("qev3ds-render-bench.png");
  qev::convert::RenderOptions options;
  options.width = w;
  options.height = h;
  std::vector<std::string> warnings;  // the sample scene's texture is not there
  options.warnings = &warnings;
  std::string error;
  for (auto _ : state) {
    if (!qev::convert::render_png(scene, options, out, error)) state.SkipWithError(error.c_str());
    warnings.clear();
  }
  std::size_t faces = 0;
  for (const auto& m : scene.meshes) faces += m.faces.size();
  state.counters["faces"] = static_cast<double>(faces);
}

void BM_DemoThumbnail(benchmark::State& state) { render(state, demo(), 256, 256); }
void BM_Demo800x600(benchmark::State& state) { render(state, demo(), 800, 600); }
void BM_Sphere800x600(benchmark::State& state) { render(state, sphere(100, 100), 800, 600); }
void BM_Engine800x600(benchmark::State& state) { render(state, engine(), 800, 600); }
void BM_EngineLargest(benchmark::State& state) { render(state, engine(), 4096, 4096); }

BENCHMARK(BM_DemoThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Demo800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sphere800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Engine800x600)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngineLargest)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
