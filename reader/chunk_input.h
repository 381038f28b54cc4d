// The reader's input and its checked primitives. None of them returns an
// error: every failure throws ParseFailure, which only the parse entry
// catches, so the chunk walk has no error paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "format/chunk_header.h"

namespace qev::reader {

struct ParseFailure {};

// Abandons the parse.
[[noreturn]] void fail_parse();

class ChunkInput {
 public:
  // f is positioned at its start; file_size bounds how much the parse may read.
  ChunkInput(std::FILE* f, std::int64_t file_size);
  // size bytes at bytes, read in place; they must outlive the input.
  ChunkInput(const void* bytes, std::size_t size);

  // The five primitives (allocation is the caller's, through the containers).
  void read_exact(void* dst, std::size_t n);
  void seek_to(std::int64_t offset);  // beyond the end is allowed; a read there fails
  std::int32_t tell_position() const;

  std::uint8_t read_u8();
  std::uint16_t read_u16();
  std::uint32_t read_u32();
  float read_f32();
  ChunkHeader read_header();

  // A NUL-terminated name into dst (kNameBuffer bytes): the first 49
  // characters are kept, and the rest of a longer name is consumed through
  // its NUL. A name without a NUL before the end of the file fails.
  void read_name(char* dst);

  // Fails unless n more bytes may be read under the parse's budget. Called
  // before allocating for an array that is about to be read.
  void reserve_read(std::uint64_t n) const;

  // While set, reads count against a second budget of the same size. The
  // records only the scene API reports are read this way, so whatever they
  // hold, the walk of the records the C functions answer from reads and
  // fails exactly as it would without them.
  // An extra record is read inside its chunk: a read past limit fails.
  void set_extra(bool on, std::int64_t limit) {
    extra_ = on;
    extra_limit_ = limit;
  }
  bool extra() const { return extra_; }
  std::int64_t extra_limit() const { return extra_limit_; }

 private:
  void fill_buffer();

  static constexpr std::size_t kBufferSize = 1 << 16;
  std::FILE* file_;              // null for input held in memory
  std::int64_t pos_ = 0;         // logical position in the file
  std::int64_t stream_pos_ = 0;  // where the C stream stands
  std::int64_t buf_start_ = 0;   // file offset of buffer_[0]
  std::size_t buf_len_ = 0;
  std::uint64_t consumed_ = 0;  // bytes read so far, re-reads included
  std::uint64_t budget_;
  bool extra_ = false;
  std::int64_t extra_limit_ = 0;
  std::uint64_t extra_consumed_ = 0;
  std::unique_ptr<std::uint8_t[]> owned_;  // the buffer of a file
  const std::uint8_t* buffer_;             // owned_, or the bytes in memory
};

// Bytes a parse may read in all, re-reads included: twice the file, plus a
// little. A well-formed file reads each byte once; the budget only stops
// files whose chunks overlap so that the walk would read them again and again.
inline std::uint64_t read_budget(std::int64_t file_size) {
  return 2 * static_cast<std::uint64_t>(file_size < 0 ? 0 : file_size) + 64;
}

}  // namespace qev::reader
