// A scene as layers of triangles, the shape the writer takes, written into
// a 3DS file through the library's exported calls.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qev::tool {

struct Triangle {
  std::array<float, 9> corners{};  // x, y, z of corners 1, 2, 3
  std::array<float, 6> mapping{};  // u, v of corners 1, 2, 3
  std::int32_t smoothing = 0;      // written: group bits; read: highest group 1..8, 0 for none
};

struct Layer {
  std::string name;
  std::int32_t red = 0, green = 0, blue = 0, transparency = 0;
  std::string texture;  // empty for an untextured layer
  std::vector<Triangle> triangles;
};

struct Scene {
  std::vector<Layer> layers;
};

// What went wrong in write_3ds, for messages.
struct WriteProblem {
  std::int32_t code = 0;  // the failing call's result, 0 when none
  std::string what;       // a sentence for the user
};

// Writes scene to path, its layers fitted to the writer's capacities
// first (fit_to_capacities). Checks the limits again before writing, so
// nothing is written when a layer cannot be honoured.
WriteProblem write_3ds(const std::string& path, const Scene& scene);

// The limits of one file, in words; empty when the scene fits. Over 1,400
// layers is the only one a fitted scene can break.
std::string capacity_problem(const Scene& scene);

}  // namespace qev::tool
