// Buffered front-to-back output of the writer.
#include "writer/output_stream.h"

#include <cstring>

#include "platform/file_io.h"

namespace qev::writer {

bool OutputStream::open(const char* path) {
  file_ = platform::open_file(path, "w+b");
  used_ = 0;
  written_ = 0;
  failed_ = false;
  return file_ != nullptr;
}

void OutputStream::flush() {
  if (used_ == 0) return;
  if (file_ == nullptr || platform::write_file(file_, buffer_, used_) != used_) failed_ = true;
  used_ = 0;
}

void OutputStream::put_raw(const void* src, std::size_t n) {
  written_ += n;
  const auto* bytes = static_cast<const std::uint8_t*>(src);
  while (n > 0) {
    if (used_ == kBufferSize) flush();
    const std::size_t take = n < kBufferSize - used_ ? n : kBufferSize - used_;
    std::memcpy(buffer_ + used_, bytes, take);
    used_ += take;
    bytes += take;
    n -= take;
  }
}

void OutputStream::put_header(ChunkId id, std::uint32_t length) {
  std::uint8_t raw[kChunkHeaderSize];
  encode_chunk_header(raw, ChunkHeader{id, length});
  put_raw(raw, sizeof raw);
}

void OutputStream::put_u16(std::uint16_t v) {
  std::uint8_t raw[2];
  qev::put_u16(raw, v);
  put_raw(raw, sizeof raw);
}

void OutputStream::put_u32(std::uint32_t v) {
  std::uint8_t raw[4];
  qev::put_u32(raw, v);
  put_raw(raw, sizeof raw);
}

void OutputStream::put_f32(float v) {
  std::uint8_t raw[4];
  qev::put_f32(raw, v);
  put_raw(raw, sizeof raw);
}

void OutputStream::put_f32_array(const float* values, std::size_t count) {
  if (kHostIsLittleEndian) {
    put_raw(values, count * sizeof(float));
    return;
  }
  for (std::size_t i = 0; i < count; ++i) put_f32(values[i]);
}

bool OutputStream::close() {
  if (file_ == nullptr) return false;
  flush();
  if (!platform::close_file(file_)) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace qev::writer
