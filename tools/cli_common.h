// What the qev3ds subcommands share: exit codes, messages, reading a 3DS
// file and writing layers into one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"
#include "scene_file.h"

namespace qev::tool {

// Exit codes, one per kind of failure; a read status s gives 10 + s.
enum Exit {
  kOk = 0,
  kUsage = 2,        // usage errors, unknown file types, unsupported directions
  kWriteFailed = 3,  // a file could not be written
  kBadObj = 4,       // the OBJ could not be read
  kCapacity = 5,     // more layers than a 3DS file holds
  kBadInput = 6,     // a glTF or STL file could not be read
  kFailed = 7,       // an unexpected failure: out of memory, or a fault of the tool
  kReadBase = 10,    // 11 cannot open, 12 cannot seek, 13 cannot take the position, 14 not 3DS
};

std::string count_of(std::size_t n, const char* one, const char* many);

// Reads a 3DS file, or says why not on stderr and returns its exit code.
int read_or_report(const std::string& path, qev3ds::Scene& scene);

// Prints each warning on stderr.
void report_warnings(const std::vector<std::string>& warnings);

// Fits scene's layers to the writer (saying what was split), writes them to
// out and reports; a failed write leaves no file. in names the source in
// messages.
int write_layers_3ds(Scene& scene, const std::string& in, const std::string& out);

}  // namespace qev::tool
