// `qev3ds convert IN OUT...` and its older forms `to-obj` and `from-obj`.
#pragma once

#include <string>
#include <vector>

#include "qev_3ds_convert.hpp"

namespace qev::tool {

// Reads in once and writes it to every output, each in the format its
// extension names. Returns the first failure's exit code, else 0.
int run_convert(const std::string& in, const std::vector<std::string>& outs,
                const qev3ds::ConvertOptions& options = {});

// A .3ds file to .obj.
int run_to_obj(const std::string& in, const std::string& out,
               const qev3ds::ConvertOptions& options = {});

// A .obj file to .3ds in the layers form (what the thirteen writing
// functions would write).
int run_from_obj(const std::string& in, const std::string& out,
                 qev3ds::ConvertOptions options = {});

}  // namespace qev::tool
