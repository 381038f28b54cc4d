// Fuzz target: the bytes are OBJ text, followed after a NUL byte and "MTL"
// by the text of its material library. What the OBJ import makes of them is
// fitted to the writer's capacities, written as 3DS and read back: a refused
// OBJ is fine, a crash, a refused write or a lost triangle is not.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "layer_split.h"
#include "obj_import.h"
#include "qev_3ds_scene.hpp"
#include "scene_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string marker("\0MTL", 4);
  const std::size_t at = input.find(marker);
  const std::string obj = input.substr(0, at);
  const std::string mtl = at == std::string::npos ? std::string() : input.substr(at + marker.size());

  qev::tool::Scene scene;
  std::string error;
  if (!qev::tool::read_obj_text(obj, mtl, scene, error)) return 0;
  qev::tool::fit_to_capacities(scene);
  std::size_t triangles = 0;
  for (const auto& l : scene.layers) triangles += l.triangles.size();

  static const std::string path =
      (std::filesystem::temp_directory_path() / ("qev3ds-fuzz-obj-" + std::to_string(getpid()) + ".3ds")).string();
  const qev::tool::WriteProblem problem = qev::tool::write_3ds(path, scene);
  if (problem.code != 0) {
    // Only a scene of more layers than a file holds may be refused.
    if (scene.layers.size() <= qev::tool::kMaxLayers) std::abort();
    return 0;
  }
  const qev3ds::ReadResult back = qev3ds::read_scene(path);
  std::remove(path.c_str());
  if (back.status != qev3ds::read_ok || back.scene.meshes.size() != scene.layers.size()) std::abort();
  std::size_t read_triangles = 0;
  for (const auto& m : back.scene.meshes) read_triangles += m.faces.size();
  if (read_triangles != triangles) std::abort();
  return 0;
}
