// Welding a whole layer's corners: the grid index against the linear scan.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <random>
#include <vector>

#include "writer/weld_index.h"
#include "writer/weld_tolerance.h"

namespace {

using Points = std::vector<std::array<float, 3>>;

// Corners as a host hands them over: three per triangle.
Points strip(int vertices) {  // a triangle strip: each vertex in up to three triangles
  Points row;
  for (int i = 0; i < vertices; ++i) {
    row.push_back({static_cast<float>(i / 2) * 0.1f, static_cast<float>(i % 2) * 0.1f, 0.0f});
  }
  Points corners;
  for (int i = 0; i + 2 < vertices; ++i) {
    corners.push_back(row[i]);
    corners.push_back(row[i + 1]);
    corners.push_back(row[i + 2]);
  }
  return corners;
}

Points grid(int side) {  // side x side cells, two triangles each
  Points corners;
  for (int j = 0; j < side; ++j) {
    for (int i = 0; i < side; ++i) {
      const float x0 = static_cast<float>(i), x1 = x0 + 1, y0 = static_cast<float>(j), y1 = y0 + 1;
      const std::array<float, 3> cell[6] = {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0},
                                            {x0, y0, 0}, {x1, y1, 0}, {x0, y1, 0}};
      corners.insert(corners.end(), cell, cell + 6);
    }
  }
  return corners;
}

Points distinct(int count) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> d(-100.0f, 100.0f);
  Points corners;
  for (int i = 0; i < count; ++i) corners.push_back({d(rng), d(rng), d(rng)});
  return corners;
}

const Points& shape(int which) {
  static const Points shapes[] = {strip(40000), grid(100), distinct(40000)};
  return shapes[which];
}

const char* shape_name(int which) {
  static const char* names[] = {"strip_40000_vertices", "grid_100x100", "distinct_40000"};
  return names[which];
}

void BM_WeldLinear(benchmark::State& state) {
  const Points& corners = shape(static_cast<int>(state.range(0)));
  state.SetLabel(shape_name(static_cast<int>(state.range(0))));
  std::vector<float> storage(3 * corners.size());
  auto* pool = reinterpret_cast<float(*)[3]>(storage.data());
  for (auto _ : state) {
    int count = 0;
    for (const auto& p : corners) {
      if (qev::writer::find_linear<3>(pool, count, p.data()) < 0) {
        for (int a = 0; a < 3; ++a) pool[count][a] = p[a];
        ++count;
      }
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(corners.size()));
}

void BM_WeldIndex(benchmark::State& state) {
  const Points& corners = shape(static_cast<int>(state.range(0)));
  state.SetLabel(shape_name(static_cast<int>(state.range(0))));
  std::vector<float> storage(3 * corners.size());
  auto* pool = reinterpret_cast<float(*)[3]>(storage.data());
  auto index = std::make_unique<qev::writer::WeldIndex<3>>();
  for (auto _ : state) {
    index->clear();
    int count = 0;
    for (const auto& p : corners) {
      if (index->find(pool, p.data()) < 0) {
        for (int a = 0; a < 3; ++a) pool[count][a] = p[a];
        index->insert(pool, p.data(), count);
        ++count;
      }
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(corners.size()));
}

BENCHMARK(BM_WeldLinear)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WeldIndex)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
