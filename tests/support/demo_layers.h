// The tool's demo scene written to a file, and the layers it holds as the
// writer was given them (corners as the reader returns them, colours and
// transparencies as written), for peers to be checked against.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "demo_scene.h"
#include "scene_io.h"

namespace qev::test {

inline std::vector<qev3ds::Layer> write_demo_layers(const std::string& path,
                                                    const std::string& log) {
  std::FILE* quiet = std::fopen(log.c_str(), "w");
  const int status = write_demo_scene(path, quiet).status;
  std::fclose(quiet);
  const CallsRead read = read_by_calls(path);
  if (status != QEV_OK || read.layers.size() != 3) return {};
  const std::int32_t written[3][4] = {{200, 120, 40, 0}, {255, 255, 255, 25}, {0, 0, 0, 50}};
  std::vector<qev3ds::Layer> layers;
  for (std::size_t k = 0; k < 3; ++k) {
    layers.push_back({read.layers[k].name,
                      written[k][0],
                      written[k][1],
                      written[k][2],
                      written[k][3],
                      read.layers[k].texture,
                      read.layers[k].corners,
                      {},
                      {}});
  }
  return layers;
}

}  // namespace qev::test
