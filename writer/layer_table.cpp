// Opening and finishing the output file, and the table of layer descriptions.
#include <cstring>

#include "interface/qev_3ds.h"
#include "platform/file_io.h"
#include "writer/file_header.h"
#include "writer/writer_api.h"
#include "writer/writer_state.h"

namespace qev::writer {

namespace {

// Whether src ends within `field` bytes; reads no byte past its NUL.
bool fits(const char* src, std::size_t field) {
  for (std::size_t i = 0; i < field; ++i) {
    if (src[i] == '\0') return true;
  }
  return false;
}

// Closes the stream, measures the file and rewrites its header with the
// real lengths. Returns 0 or QEV_ERR_IO.
std::int32_t close_and_patch(WriterState& w) {
  const std::uint64_t expected = w.out.position();
  if (!w.out.close()) return QEV_ERR_IO;
  const std::int64_t size = platform::measure_file_size(w.path);
  // The size on disk must be every byte written: anything else means the
  // file was lost or changed behind our back, and patching would lie.
  if (size < 0 || static_cast<std::uint64_t>(size) != expected || size > UINT32_MAX) {
    return QEV_ERR_IO;
  }
  std::FILE* f = platform::open_file(w.path, "r+b");
  if (f == nullptr) return QEV_ERR_IO;
  std::uint8_t header[kFileHeaderSize];
  encode_file_header(header, static_cast<std::uint32_t>(size));
  const bool written = platform::write_file(f, header, sizeof header) == sizeof header;
  const bool closed = platform::close_file(f);
  return written && closed ? QEV_OK : QEV_ERR_IO;
}

}  // namespace

std::int32_t form_file(WriterState& w, const char* path) {
  if (path == nullptr) return QEV_ERR_NULL_ARGUMENT;
  if (!fits(path, kPathField)) return QEV_ERR_TOO_LONG;
  // A file still open is finished first rather than left without its header.
  if (w.phase != FilePhase::closed) finish_file(w);
  std::strcpy(w.path, path);
  w.data_refused = false;
  if (!w.out.open(w.path)) {
    w.phase = FilePhase::create_failed;
    return QEV_ERR_CANNOT_CREATE;
  }
  w.phase = FilePhase::open;
  // Provisional header: M3DMAGIC 16 and MDATA 0 until the end patches them.
  std::uint8_t header[kFileHeaderSize];
  encode_file_header(header, 16);
  w.out.put_bytes(header, sizeof header);
  w.out.flush();
  return QEV_OK;
}

std::int32_t put_layer_count(WriterState& w, std::int32_t n) {
  if (w.phase == FilePhase::create_failed) return QEV_ERR_NO_FILE;
  std::int32_t result = QEV_OK;
  if (n < 0 || n > kMaxLayers) {
    result = QEV_ERR_OUT_OF_RANGE;
    if (n > kMaxLayers) w.data_refused = true;  // layers past the table are lost
    n = n < 0 ? 0 : kMaxLayers;
  }
  w.layer_count = n;
  for (int i = 0; i < n; ++i) {
    // Hosts rely on the texture name surviving a new layer count: only the
    // description clears.
    LayerSpec& desc = w.layers[i];
    desc.name[0] = '\0';
    desc.transparency = desc.red = desc.green = desc.blue = 0;
  }
  reset_stage(w.stage, false);
  return result;
}

std::int32_t put_layer(WriterState& w, std::int32_t k, const char* name, std::int32_t transparency,
                       std::int32_t red, std::int32_t green, std::int32_t blue,
                       const char* texture) {
  if (w.phase == FilePhase::create_failed) return QEV_ERR_NO_FILE;
  std::int32_t refusal = QEV_OK;
  if (name == nullptr || texture == nullptr) {
    refusal = QEV_ERR_NULL_ARGUMENT;
  } else if (k < 1 || k > kMaxLayers) {
    refusal = QEV_ERR_OUT_OF_RANGE;
  } else if (!fits(name, kMaxLayerNameChars + 1) || !fits(texture, kMaxTextureChars + 1)) {
    refusal = QEV_ERR_TOO_LONG;
  }
  if (refusal != QEV_OK) {
    w.data_refused = true;
    return refusal;
  }
  LayerSpec& desc = w.layers[k - 1];
  std::strcpy(desc.name, name);
  // Host integers are kept in 16 bits; only the low 8 of a colour reach the file.
  desc.transparency = static_cast<std::int16_t>(transparency);
  desc.red = static_cast<std::int16_t>(red);
  desc.green = static_cast<std::int16_t>(green);
  desc.blue = static_cast<std::int16_t>(blue);
  std::strcpy(desc.texture, texture);
  desc.texture_length = static_cast<std::int32_t>(std::strlen(desc.texture)) + 1;
  return QEV_OK;
}

std::int32_t finish_file(WriterState& w) {
  if (w.phase == FilePhase::closed) return QEV_ERR_NO_FILE;
  std::int32_t result;
  if (w.phase == FilePhase::create_failed) {
    result = QEV_ERR_CANNOT_CREATE;
  } else {
    result = close_and_patch(w);
    if (result == QEV_OK && w.data_refused) result = QEV_ERR_INCOMPLETE;
  }
  w.phase = FilePhase::closed;
  return result;
}

}  // namespace qev::writer
