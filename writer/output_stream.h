// The writer's output: a file written strictly front to back through a large
// buffer of our own, with every failure remembered until the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "format/chunk_header.h"

namespace qev::writer {

class OutputStream {
 public:
  // Opens path with "w+b". False when the file cannot be created.
  bool open(const char* path);
  bool is_open() const { return file_ != nullptr; }

  void put_header(ChunkId id, std::uint32_t length);
  void put_u8(std::uint8_t v) { put_raw(&v, 1); }
  void put_u16(std::uint16_t v);
  void put_u32(std::uint32_t v);
  void put_f32(float v);
  void put_bytes(const void* src, std::size_t n) { put_raw(src, n); }
  // count floats, little-endian, in one go.
  void put_f32_array(const float* values, std::size_t count);

  // Logical bytes handed to the stream since open (written or not).
  std::uint64_t position() const { return written_; }
  // True once any write or flush has failed.
  bool failed() const { return failed_; }

  // Hands the buffered bytes to the C stream, so that a host that never
  // finishes the file still finds them there when its runtime exits.
  void flush();

  // Flushes and closes; false when anything failed since open.
  bool close();

 private:
  void put_raw(const void* src, std::size_t n);

  static constexpr std::size_t kBufferSize = 1 << 18;
  // No initialisers: the writer lives in zero-initialised static storage.
  std::FILE* file_;
  std::size_t used_;
  std::uint64_t written_;
  bool failed_;
  std::uint8_t buffer_[kBufferSize];
};

}  // namespace qev::writer
