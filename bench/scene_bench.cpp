// Writing and reading whole scenes through the thirteen exported calls.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "grid_scene.h"
#include "qev_3ds_scene.hpp"
#include "tests/support/scene_io.h"

namespace {

std::string bench_path(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("qev3ds-bench-" + name + ".3ds")).string();
}

// 50 layers of 20,000-triangle grids (about 20 MB).
void BM_WriteGridScene(benchmark::State& state) {
  const std::string path = bench_path("write");
  for (auto _ : state) {
    if (qev::bench::write_grid_scene(path, 50, 20000) != QEV_OK)
      state.SkipWithError("write failed");
  }
  state.SetItemsProcessed(state.iterations() * 50 * 20000);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::remove(path.c_str());
}
BENCHMARK(BM_WriteGridScene)->Unit(benchmark::kMillisecond);

// Time per triangle as layers grow (triangles per layer) and as scenes grow
// (layers of 1,000 triangles).
void BM_WriteTrianglesPerLayer(benchmark::State& state) {
  const std::string path = bench_path("growth");
  const int per_layer = static_cast<int>(state.range(0));
  const int most = static_cast<int>(qev3ds::limits::layers);
  const int layers = 4000000 / per_layer > most ? most : 4000000 / per_layer;
  for (auto _ : state) qev::bench::write_grid_scene(path, layers, per_layer);
  state.SetItemsProcessed(state.iterations() * layers * per_layer);
  std::remove(path.c_str());
}
BENCHMARK(BM_WriteTrianglesPerLayer)
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(10000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond);

void BM_WriteLayers(benchmark::State& state) {
  const std::string path = bench_path("layers");
  const int layers = static_cast<int>(state.range(0));
  for (auto _ : state) qev::bench::write_grid_scene(path, layers, 1000);
  state.SetItemsProcessed(state.iterations() * layers * 1000);
  std::remove(path.c_str());
}
BENCHMARK(BM_WriteLayers)->Arg(1)->Arg(10)->Arg(100)->Arg(1400)->Unit(benchmark::kMillisecond);

// Reading files of about 20 MB and 200 MB, every triangle fetched.
void BM_ReadGridScene(benchmark::State& state) {
  const int layers = static_cast<int>(state.range(0));
  const std::string path = bench_path("read" + std::to_string(layers));
  if (qev::bench::write_grid_scene(path, layers, 20000) != QEV_OK) {
    state.SkipWithError("could not write the input");
    return;
  }
  const auto bytes = std::filesystem::file_size(path);
  for (auto _ : state) benchmark::DoNotOptimize(qev::test::read_whole_scene(path));
  state.SetBytesProcessed(state.iterations() * static_cast<long>(bytes));
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  std::remove(path.c_str());
}
BENCHMARK(BM_ReadGridScene)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
