// The C functions' one reader: a scene parsed by the shared parse entry,
// with the material index and the per-layer counters its queries need.
#include "reader/reader_state.h"

#include "interface/qev_3ds.h"
#include "reader/reader_api.h"

namespace qev::reader {

namespace {

ReaderState g_reader;

// After a successful parse: the index and counters for the new scene. Any
// failure here leaves an empty scene, as a failed parse does.
bool adopt_scene(ReaderState& r) noexcept {
  try {
    r.materials = std::make_unique<qev3ds::MaterialIndex>(r.scene);
    r.texture_flags.assign(r.scene.meshes.size(), 0);
    if (r.triangle_cursors.size() < r.scene.meshes.size()) {
      r.triangle_cursors.resize(r.scene.meshes.size(), 0);
    }
    return true;
  } catch (...) {
  }
  forget_scene(r);
  return false;
}

}  // namespace

ReaderState& state() { return g_reader; }

void forget_scene(ReaderState& r) noexcept {
  r.materials.reset();
  reset_scene(r.scene);
  r.texture_flags.clear();
  r.texture_flags.shrink_to_fit();
}

bool parse_stream(std::FILE* f, std::int64_t file_size) {
  ReaderState& r = state();
  r.materials.reset();  // it points into the scene about to be replaced
  if (!parse_file_stream(f, file_size, r.scene)) {
    forget_scene(r);
    return false;
  }
  return adopt_scene(r);
}

std::int32_t read_file(const char* path) {
  // Statuses 1 to 3 leave the earlier scene and its index as they were.
  return open_measured(
      path, [](std::FILE* f, std::int64_t size, void*) { return parse_stream(f, size); }, nullptr);
}

}  // namespace qev::reader
