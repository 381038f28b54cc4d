// Opening a file, measuring it, and the parse entry: the one place where a
// failed parse is caught and turned into an empty scene.
#include <new>
#include <string_view>

#include "interface/qev_3ds.h"
#include "platform/file_io.h"
#include "reader/chunk_input.h"
#include "reader/reader_api.h"
#include "reader/reader_state.h"

namespace qev::reader {

namespace {
ReaderState g_reader;

void index_materials(SceneModel& scene) {
  scene.material_by_name.reserve(scene.materials.size());
  for (std::size_t i = 0; i < scene.materials.size(); ++i) {
    // The earliest material of a name wins, so later ones are not inserted.
    scene.material_by_name.emplace(std::string_view(scene.materials[i].name),
                                   static_cast<std::int32_t>(i));
  }
}
}  // namespace

ReaderState& state() { return g_reader; }

void reset_scene(SceneModel& scene) { scene = SceneModel{}; }

bool parse_stream(std::FILE* f, std::int64_t file_size) {
  ReaderState& r = state();
  reset_scene(r.scene);
  try {
    ChunkInput in(f, file_size);
    walk_file(in, r.scene);
    index_materials(r.scene);
    if (r.triangle_cursors.size() < r.scene.layers.size()) {
      r.triangle_cursors.resize(r.scene.layers.size(), 0);
    }
    return true;
  } catch (const ParseFailure&) {
  } catch (const std::bad_alloc&) {
  } catch (...) {
  }
  reset_scene(r.scene);
  return false;
}

std::int32_t read_file(const char* path) {
  if (path == nullptr) return QEV_READ_CANNOT_OPEN;
  std::FILE* f = platform::open_file(path, "rb");
  if (f == nullptr) return QEV_READ_CANNOT_OPEN;
  std::int32_t status = QEV_READ_OK;
  std::int64_t size = -1;
  if (!platform::seek_file_end(f)) {
    status = QEV_READ_CANNOT_SEEK;
  } else if ((size = platform::tell_file(f)) < 0) {
    status = QEV_READ_CANNOT_TELL;
  } else if (!platform::rewind_file(f)) {
    status = QEV_READ_CANNOT_SEEK;
  } else if (!parse_stream(f, size)) {
    status = QEV_READ_NOT_3DS;
  }
  platform::close_file(f);  // read-only: nothing to lose on close
  return status;
}

}  // namespace qev::reader
