// The scene API's entry points: the reader's parse into a scene of the
// caller's own, with no state shared between calls.
#include "interface/qev_3ds_scene.hpp"
#include "reader/reader_state.h"

namespace qev3ds {

ReadResult read_scene(const std::string& path) noexcept {
  ReadResult result;
  try {
    result.status = qev::reader::parse_path(path.c_str(), result.scene);
  } catch (...) {
    result.status = not_3ds;
  }
  if (result.status != read_ok) qev::reader::reset_scene(result.scene);
  return result;
}

ReadResult read_scene(const void* bytes, std::size_t size) noexcept {
  ReadResult result;
  if (bytes == nullptr && size != 0) return result;
  result.status = qev::reader::parse_memory(bytes != nullptr ? bytes : "", size, result.scene)
                      ? read_ok
                      : not_3ds;
  return result;
}

}  // namespace qev3ds
