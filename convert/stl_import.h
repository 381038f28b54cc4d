// `qev3ds convert x.stl y.3ds`: an STL file (binary or ASCII) as layers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "layer_file.h"

namespace qev::convert {

// Whether a file of size bytes starting with head (at least its first 84)
// is binary STL: exactly 84 bytes plus 50 per triangle its header counts.
bool is_binary_stl(const std::string& head, std::uint64_t size);

// Reads path into layers: a binary STL as one layer named after the file,
// an ASCII STL as one layer per `solid ... endsolid` block, named after its
// solid (or the file when the solid has no name). Layers are grey,
// untextured, every triangle in smoothing group 0 (STL keeps only facets).
// The caller splits them to the writer's capacities. Triangles
// with a corner that is not a finite number are left out with one warning,
// in warnings or on stderr when it is null. False with a message in error
// when the file is not a regular file, is not STL or is truncated.
bool read_stl(const std::string& path, Layers& layers, std::string& error,
              std::vector<std::string>* warnings = nullptr);

// The same from bytes in memory, name standing for the file's name.
bool read_stl_bytes(const std::string& bytes, const std::string& name, Layers& layers,
                    std::string& error, std::vector<std::string>* warnings = nullptr);

}  // namespace qev::convert
