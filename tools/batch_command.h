// `qev3ds convert IN... --to FORMAT --out-dir DIR`: many files and folders
// converted on several threads, each file by convert_file on its own, with
// a progress bar on a terminal and a summary at the end.
#pragma once

#include <string>
#include <vector>

#include "qev_3ds_convert.hpp"

namespace CLI {
class App;
}

namespace qev::tool {

struct BatchSettings {
  std::string to;       // the output format's extension: 3ds, obj, gltf, glb or stl
  std::string out_dir;  // where the outputs go, keeping each folder input's sub-folders
  unsigned jobs = 0;    // threads; 0: one per processor
  bool recursive = false;
  bool wanted() const { return !to.empty() || !out_dir.empty() || jobs || recursive; }
};

// Adds --to, --out-dir, -j and --recursive to the convert command.
void add_batch_options(CLI::App& convert, BatchSettings& settings);

// One input and the output it becomes.
struct BatchItem {
  std::string in, out;
};

struct BatchPlan {
  std::vector<BatchItem> items;
  std::vector<std::string> notes;     // outputs renamed so that they do not collide
  std::vector<BatchItem> unreadable;  // folders that could not be listed (out: why)
};

// The files the inputs name: a file as it is, a folder's files whose
// extension names a model format (with --recursive, its sub-folders' too,
// but never out_dir itself), in name order. Each output is out_dir, the
// file's sub-folder under the folder named, and its name with the new
// extension; two inputs that would write one output keep their own
// extension in the name ("a.obj.glb").
BatchPlan plan_batch(const std::vector<std::string>& inputs, const BatchSettings& settings);

// Converts every input; one that fails does not stop the others. Returns 0
// when all were converted, else the exit code of the first input, in the
// order planned, that failed.
int run_batch(const std::vector<std::string>& inputs, const BatchSettings& settings,
              const qev3ds::ConvertOptions& options);

}  // namespace qev::tool
