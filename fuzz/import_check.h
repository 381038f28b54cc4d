// What the import fuzz targets check once a file has become layers: fitted
// to the writer's capacities, written as 3DS and read back, every layer and
// triangle must be there; only a scene of more layers than a file holds may
// be refused.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "layer_split.h"
#include "qev_3ds_scene.hpp"
#include "scene_file.h"

inline void check_written_whole(qev::tool::Scene& scene, const char* tag) {
  qev::tool::fit_to_capacities(scene);
  std::size_t triangles = 0;
  for (const auto& l : scene.layers) triangles += l.triangles.size();
  const std::string path =
      (std::filesystem::temp_directory_path() /
       ("qev3ds-fuzz-" + std::string(tag) + "-" + std::to_string(getpid()) + ".3ds"))
          .string();
  const qev::tool::WriteProblem problem = qev::tool::write_3ds(path, scene);
  if (problem.code != 0) {
    std::remove(path.c_str());
    if (scene.layers.size() <= qev::tool::kMaxLayers) std::abort();
    return;
  }
  const qev3ds::ReadResult back = qev3ds::read_scene(path);
  std::remove(path.c_str());
  if (back.status != qev3ds::read_ok || back.scene.meshes.size() != scene.layers.size())
    std::abort();
  std::size_t read_triangles = 0;
  for (const auto& m : back.scene.meshes) read_triangles += m.faces.size();
  if (read_triangles != triangles) std::abort();
}
