// Ear clipping on hostile polygons of 50,000 corners, as an OBJ face may
// hold them: a star, a spiral arm folded back on itself, and an outline
// that goes round eight times and so crosses itself everywhere; and a comb
// of 200,000 corners, all ears, each ear test walking the whole polygon.
// The work allowed per corner bounds each; every one should take a few
// seconds at most (the comb took minutes while the bound was only checked
// after a corner that was no ear).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "polygon_triangulate.h"

namespace {

constexpr int kCorners = 50000;

std::vector<float> star() {
  std::vector<float> xyz;
  for (int i = 0; i < kCorners; ++i) {
    const double a = 2 * M_PI * i / kCorners, r = i % 2 ? 1.0 : 0.5;
    xyz.insert(xyz.end(), {float(r * std::cos(a)), float(r * std::sin(a)), 0});
  }
  return xyz;
}

std::vector<float> spiral() {
  std::vector<float> xyz;
  const int half = kCorners / 2;
  for (int i = 0; i < kCorners; ++i) {
    const int k = i < half ? i : kCorners - 1 - i;  // out, then back beside it
    const double t = 20 * M_PI * k / half, r = (i < half ? 1.0 : 1.5) + t;
    xyz.insert(xyz.end(), {float(r * std::cos(t)), float(r * std::sin(t)), 0});
  }
  return xyz;
}

std::vector<float> crossing() {
  std::vector<float> xyz;
  for (int i = 0; i < kCorners; ++i) {
    const double a = 16 * M_PI * i / kCorners;
    xyz.insert(xyz.end(), {float(std::cos(a)), float(std::sin(a)), 0});
  }
  return xyz;
}

std::vector<float> comb() {
  std::vector<float> xyz;
  const int half = 100000;  // teeth along y = 1 and 10, back along y = 0
  for (int i = 0; i < half; ++i) xyz.insert(xyz.end(), {float(i), i % 2 ? 10.0f : 1.0f, 0});
  for (int i = half - 1; i >= 0; --i) xyz.insert(xyz.end(), {float(i), 0, 0});
  return xyz;
}

void BM_Triangulate(benchmark::State& state, std::vector<float> (*make)()) {
  const std::vector<float> xyz = make();
  for (auto _ : state)
    benchmark::DoNotOptimize(qev::convert::triangulate_polygon(xyz.data(), xyz.size() / 3));
}

}  // namespace

BENCHMARK_CAPTURE(BM_Triangulate, star, star)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Triangulate, spiral, spiral)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Triangulate, crossing, crossing)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Triangulate, comb, comb)->Unit(benchmark::kSecond)->Iterations(1);

BENCHMARK_MAIN();
