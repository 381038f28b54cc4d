// Buffered, checked input of the chunk walk.
#include "reader/chunk_input.h"

#include <climits>
#include <cstring>

#include "platform/file_io.h"
#include "reader/scene_model.h"

namespace qev::reader {

void fail_parse() { throw ParseFailure{}; }

ChunkInput::ChunkInput(std::FILE* f, std::int64_t file_size)
    : file_(f),
      budget_(read_budget(file_size)),
      owned_(new std::uint8_t[kBufferSize]),
      buffer_(owned_.get()) {}

// The whole input is the buffer; reading past it fails like the end of a file.
ChunkInput::ChunkInput(const void* bytes, std::size_t size)
    : file_(nullptr),
      buf_len_(size),
      budget_(read_budget(static_cast<std::int64_t>(size))),
      buffer_(static_cast<const std::uint8_t*>(bytes)) {}

void ChunkInput::reserve_read(std::uint64_t n) const {
  if (n > budget_ - (extra_ ? extra_consumed_ : consumed_)) fail_parse();
}

void ChunkInput::fill_buffer() {
  if (stream_pos_ != pos_) {
    if (!platform::seek_file(file_, pos_)) fail_parse();
    stream_pos_ = pos_;
  }
  buf_start_ = pos_;
  buf_len_ = platform::read_file(file_, owned_.get(), kBufferSize);
  stream_pos_ += static_cast<std::int64_t>(buf_len_);
  if (buf_len_ == 0) fail_parse();
}

void ChunkInput::read_exact(void* dst, std::size_t n) {
  reserve_read(n);
  if (extra_ && (pos_ > extra_limit_ || static_cast<std::uint64_t>(extra_limit_ - pos_) < n)) {
    fail_parse();
  }
  (extra_ ? extra_consumed_ : consumed_) += n;
  auto* out = static_cast<std::uint8_t*>(dst);
  while (n > 0) {
    const std::int64_t offset = pos_ - buf_start_;
    if (offset >= 0 && offset < static_cast<std::int64_t>(buf_len_)) {
      const std::size_t avail = buf_len_ - static_cast<std::size_t>(offset);
      const std::size_t take = n < avail ? n : avail;
      std::memcpy(out, buffer_ + offset, take);
      out += take;
      n -= take;
      pos_ += static_cast<std::int64_t>(take);
    } else if (file_ == nullptr) {
      fail_parse();  // past the end of the bytes in memory
    } else if (n >= kBufferSize) {
      // Large arrays go straight from the stream into their destination.
      if (stream_pos_ != pos_) {
        if (!platform::seek_file(file_, pos_)) fail_parse();
        stream_pos_ = pos_;
      }
      const std::size_t got = platform::read_file(file_, out, n);
      stream_pos_ += static_cast<std::int64_t>(got);
      if (got != n) fail_parse();
      pos_ += static_cast<std::int64_t>(n);
      n = 0;
    } else {
      fill_buffer();
    }
  }
}

void ChunkInput::seek_to(std::int64_t offset) {
  // Positions are signed 32-bit file offsets; the stream refuses the rest.
  if (offset < 0 || offset > INT32_MAX) fail_parse();
  pos_ = offset;
}

std::int32_t ChunkInput::tell_position() const {
  if (pos_ > INT32_MAX) fail_parse();
  return static_cast<std::int32_t>(pos_);
}

std::uint8_t ChunkInput::read_u8() {
  std::uint8_t v;
  read_exact(&v, 1);
  return v;
}

std::uint16_t ChunkInput::read_u16() {
  std::uint8_t raw[2];
  read_exact(raw, sizeof raw);
  return get_u16(raw);
}

std::uint32_t ChunkInput::read_u32() {
  std::uint8_t raw[4];
  read_exact(raw, sizeof raw);
  return get_u32(raw);
}

float ChunkInput::read_f32() {
  std::uint8_t raw[4];
  read_exact(raw, sizeof raw);
  return get_f32(raw);
}

ChunkHeader ChunkInput::read_header() {
  std::uint8_t raw[kChunkHeaderSize];
  read_exact(raw, sizeof raw);
  return decode_chunk_header(raw);
}

void ChunkInput::read_name(char* dst) {
  int kept = 0;
  for (;;) {
    const char c = static_cast<char>(read_u8());
    if (c == '\0') break;
    if (kept < kReaderNameChars) dst[kept++] = c;
  }
  dst[kept] = '\0';
}

}  // namespace qev::reader
