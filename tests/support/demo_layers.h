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

inline std::vector<HostLayer> write_demo_layers(const std::string& path, const std::string& log) {
  std::FILE* quiet = std::fopen(log.c_str(), "w");
  const int status = write_demo_scene(path, quiet).status;
  std::fclose(quiet);
  const ReadScene read = read_scene(path);
  if (status != QEV_OK || read.layers.size() != 3) return {};
  const std::int32_t written[3][4] = {{200, 120, 40, 0}, {255, 255, 255, 25}, {0, 0, 0, 50}};
  std::vector<HostLayer> layers;
  for (std::size_t k = 0; k < 3; ++k) {
    HostLayer l{read.layers[k].name,
                written[k][3],
                written[k][0],
                written[k][1],
                written[k][2],
                read.layers[k].texture,
                {}};
    for (const ReadTriangle& t : read.layers[k].triangles) {
      HostTriangle h;
      h.corners = t.corners;
      l.triangles.push_back(h);
    }
    layers.push_back(l);
  }
  return layers;
}

}  // namespace qev::test
