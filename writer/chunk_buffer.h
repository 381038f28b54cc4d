// Nested chunks written in two passes over the same calls: the first only
// measures (every chunk's length, in the order the chunks open), the second
// writes each header with its length already known, so the bytes stream
// out through a small buffer and nothing is patched afterwards.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "format/chunk_header.h"
#include "interface/qev_3ds_scene.hpp"
#include "platform/file_io.h"

namespace qev::writer {

// Where the second pass's bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void put(const std::uint8_t* p, std::size_t n) = 0;
};

class VectorSink : public ByteSink {
 public:
  explicit VectorSink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  void put(const std::uint8_t* p, std::size_t n) override { bytes_.insert(bytes_.end(), p, p + n); }

 private:
  std::vector<std::uint8_t>& bytes_;
};

class FileSink : public ByteSink {
 public:
  explicit FileSink(std::FILE* f) : f_(f) {}
  void put(const std::uint8_t* p, std::size_t n) override {
    if (ok_ && qev::platform::write_file(f_, p, n) != n) ok_ = false;
  }
  bool ok() const { return ok_; }

 private:
  std::FILE* f_;
  bool ok_ = true;
};

class ChunkBuffer {
 public:
  // The measuring pass: lengths receives every chunk's length.
  explicit ChunkBuffer(std::vector<std::uint32_t>& lengths) : lengths_(lengths), sink_(nullptr) {}
  // The writing pass, given the measuring pass's lengths.
  ChunkBuffer(std::vector<std::uint32_t>& lengths, ByteSink& sink)
      : lengths_(lengths), sink_(&sink), buffer_(kBufferSize) {}
  ~ChunkBuffer() { flush(); }
  ChunkBuffer(const ChunkBuffer&) = delete;
  ChunkBuffer& operator=(const ChunkBuffer&) = delete;

  std::uint64_t size() const { return position_; }

  void open(ChunkId id) {
    if (measuring()) {
      open_.push_back({lengths_.size(), position_});
      lengths_.push_back(0);
      position_ += 6;
      return;
    }
    put_u16(id);
    put_u32(lengths_[next_++]);
  }
  void close() {
    if (!measuring()) return;
    const Open o = open_.back();
    open_.pop_back();
    lengths_[o.index] = static_cast<std::uint32_t>(position_ - o.start);
  }

  void put_u8(std::uint8_t v) { put_le(v, 1); }
  void put_u16(std::uint16_t v) { put_le(v, 2); }
  void put_u32(std::uint32_t v) { put_le(v, 4); }
  void put_f32(float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, sizeof v);
    put_le(v, 4);
  }
  void put_name(const std::string& s) {
    put_bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    put_u8(0);
  }
  // Arrays in one go where the host is little-endian.
  void put_f32_array(const std::vector<float>& values) {
    if (kHostIsLittleEndian) {
      put_bytes(reinterpret_cast<const std::uint8_t*>(values.data()), 4 * values.size());
    } else {
      for (const float f : values) put_f32(f);
    }
  }
  void put_u16_array(const std::vector<std::uint16_t>& values) {
    if (measuring()) {
      position_ += 2 * values.size();
      return;
    }
    for (const std::uint16_t v : values) put_le(v, 2);
  }
  void put_faces(const std::vector<qev3ds::Face>& faces) {
    if (measuring()) {
      position_ += 8 * faces.size();
      return;
    }
    for (const qev3ds::Face& f : faces) {
      room(8);
      put_le(f.a, 2);
      put_le(f.b, 2);
      put_le(f.c, 2);
      put_le(f.flags, 2);
    }
  }
  void put_smoothing(const std::vector<qev3ds::Face>& faces) {
    if (measuring()) {
      position_ += 4 * faces.size();
      return;
    }
    for (const qev3ds::Face& f : faces) put_le(f.smoothing, 4);
  }

  void flush() {
    if (sink_ != nullptr && used_ > 0) sink_->put(buffer_.data(), used_);
    used_ = 0;
  }

 private:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 16;
  struct Open {
    std::size_t index;
    std::uint64_t start;
  };

  bool measuring() const { return sink_ == nullptr; }
  void room(std::size_t n) {
    if (used_ + n > buffer_.size()) flush();
  }
  void put_le(std::uint32_t v, int size) {
    position_ += static_cast<std::uint64_t>(size);
    if (measuring()) return;
    room(static_cast<std::size_t>(size));
    std::uint8_t* p = buffer_.data() + used_;
    if (kHostIsLittleEndian) {
      std::memcpy(p, &v, static_cast<std::size_t>(size));
    } else {
      for (int b = 0; b < size; ++b) p[b] = static_cast<std::uint8_t>(v >> (8 * b));
    }
    used_ += static_cast<std::size_t>(size);
  }
  void put_bytes(const std::uint8_t* p, std::size_t n) {
    position_ += n;
    if (measuring() || n == 0) return;  // an empty array's data() may be null
    if (n > buffer_.size() / 2) {       // large arrays go straight through
      flush();
      sink_->put(p, n);
      return;
    }
    room(n);
    std::memcpy(buffer_.data() + used_, p, n);
    used_ += n;
  }

  std::vector<std::uint32_t>& lengths_;
  ByteSink* sink_;
  std::vector<std::uint8_t> buffer_;
  std::size_t used_ = 0;
  std::uint64_t position_ = 0;
  std::size_t next_ = 0;
  std::vector<Open> open_;
};

}  // namespace qev::writer
