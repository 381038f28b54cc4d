// What the qev3ds subcommands share: exit codes, messages and reading a
// scene from any format the conversions know.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "import_warnings.h"
#include "qev_3ds_convert.hpp"

namespace qev::tool {

// Exit codes, one per kind of failure: the conversions' statuses.
enum Exit {
  kOk = qev3ds::convert_ok,
  kUsage = qev3ds::convert_usage,               // usage errors, unknown file types
  kWriteFailed = qev3ds::convert_write_failed,  // a file could not be written
  kBadObj = qev3ds::convert_bad_obj,            // the OBJ could not be read
  kCapacity = qev3ds::convert_capacity,         // more layers than a 3DS file holds
  kBadInput = qev3ds::convert_bad_input,        // a glTF or STL file could not be read
  kFailed = qev3ds::convert_failed,             // out of memory, or a fault of the tool
  kReadBase = qev3ds::convert_read_failed,      // 10 + the read status of a 3DS input
};

using qev::convert::count_of;

// How quiet the conversions are (--quiet once: no success output; twice:
// no warnings either). Errors are always said.
void set_quiet(int level);
int quiet_level();

// Prints a report: warnings on stderr, notes and what was written on
// stdout, or why not on stderr. Returns its status.
int print_report(const qev3ds::ConvertReport& report);

// Reads a scene from a file of any known format, or says why not on stderr
// and returns its exit code; warnings go to stderr.
int read_or_report(const std::string& path, qev3ds::Scene& scene,
                   const qev3ds::ConvertOptions& options = {});

}  // namespace qev::tool
