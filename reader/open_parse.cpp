// Opening a file, measuring it, and the parse entry: the one place where a
// failed parse is caught and turned into an empty scene. Nothing here keeps
// state between calls.
#include <new>

#include "interface/qev_3ds.h"
#include "platform/file_io.h"
#include "reader/chunk_input.h"
#include "reader/reader_state.h"

namespace qev::reader {

namespace {

// The input is made inside the guarded region: its buffer is an allocation
// that may fail like any other.
template <class MakeInput>
bool guarded_parse(SceneModel& scene, MakeInput&& make_input) noexcept {
  reset_scene(scene);
  try {
    ChunkInput in = make_input();
    walk_file(in, scene);
    return true;
  } catch (const ParseFailure&) {
  } catch (const std::bad_alloc&) {
  } catch (...) {
  }
  reset_scene(scene);
  return false;
}

}  // namespace

void reset_scene(SceneModel& scene) { scene = SceneModel{}; }

std::int32_t open_measured(const char* path, StreamParse parse, void* context) {
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
  } else if (!parse(f, size, context)) {
    status = QEV_READ_NOT_3DS;
  }
  platform::close_file(f);  // read-only: nothing to lose on close
  return status;
}

bool parse_file_stream(std::FILE* f, std::int64_t file_size, SceneModel& scene) noexcept {
  return guarded_parse(scene, [&] { return ChunkInput(f, file_size); });
}

bool parse_memory(const void* bytes, std::size_t size, SceneModel& scene) noexcept {
  return guarded_parse(scene, [&] { return ChunkInput(bytes, size); });
}

std::int32_t parse_path(const char* path, SceneModel& scene) {
  return open_measured(
      path,
      [](std::FILE* f, std::int64_t size, void* context) {
        return parse_file_stream(f, size, *static_cast<SceneModel*>(context));
      },
      &scene);
}

}  // namespace qev::reader
