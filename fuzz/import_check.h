// What the import fuzz targets check once a file has become layers: as a
// scene written by write_scene, it reads back equal; fitted to the welding
// writer's capacities and written as layers, every layer and triangle is
// there, and only more layers than a file holds may be refused.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "layer_file.h"
#include "layer_split.h"
#include "qev_3ds_convert.hpp"

inline void check_written_whole(qev::convert::Layers& layers, const char* tag) {
  const qev3ds::Scene scene = qev3ds::scene_from_layers(layers);
  std::vector<std::uint8_t> bytes;
  if (!qev3ds::write_scene(scene, bytes).ok()) std::abort();
  const qev3ds::ReadResult again = qev3ds::read_scene(bytes.data(), bytes.size());
  if (again.status != qev3ds::read_ok || again.scene != scene) std::abort();

  qev::convert::fit_to_capacities(layers);
  const std::size_t triangles = qev::convert::triangle_total(layers);
  const std::string path =
      (std::filesystem::temp_directory_path() /
       ("qev3ds-fuzz-" + std::string(tag) + "-" + std::to_string(getpid()) + ".3ds"))
          .string();
  if (!qev::convert::write_layers(path, layers).ok()) {
    std::remove(path.c_str());
    if (layers.size() <= qev::convert::kMaxLayers) std::abort();
    return;
  }
  const qev3ds::ReadResult back = qev3ds::read_scene(path);
  std::remove(path.c_str());
  if (back.status != qev3ds::read_ok || back.scene.meshes.size() != layers.size()) std::abort();
  std::size_t read_triangles = 0;
  for (const auto& m : back.scene.meshes) read_triangles += m.faces.size();
  if (read_triangles != triangles) std::abort();
}
