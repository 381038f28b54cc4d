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

Pose frame_zero(const Node& node) {
  Pose pose;
  const auto first = [&](std::uint16_t kind, float* dst, int n) {
    const Track* t = node.track(kind);
    if (t == nullptr || t->keys.empty()) return;
    for (int i = 0; i < n; ++i) dst[i] = t->keys.front().value[i];
  };
  first(track_position, pose.position, 3);
  first(track_rotation, pose.rotation, 4);
  first(track_scale, pose.scale, 3);
  return pose;
}

}  // namespace qev3ds
