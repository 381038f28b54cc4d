// A child chunk as the walk meets it, and the small steps every loop of the
// walk takes.
#pragma once

#include <climits>
#include <cstdint>

#include "reader/chunk_input.h"

namespace qev::reader {

struct Child {
  std::int64_t start;
  ChunkHeader header;
  std::int64_t end() const { return start + header.length; }
};

// The next child header at the current position. A length below the header's
// own size would read the same header forever, and an end past the largest
// signed 32-bit offset cannot be reached: both end the parse.
inline Child next_child(ChunkInput& in) {
  const std::int64_t start = in.tell_position();
  const ChunkHeader header = in.read_header();
  if (header.length < kChunkHeaderSize || start + header.length > INT32_MAX) fail_parse();
  return Child{start, header};
}

inline bool below(ChunkInput& in, std::int64_t bound) { return in.tell_position() < bound; }

inline void skip(ChunkInput& in, const Child& c) { in.seek_to(c.end()); }

// Reads a record only the scene API reports with read(), under the input's
// second budget: a record that cannot be read is dropped where it failed,
// as is one that would read past its chunk's end, and the walk goes on at
// the chunk's end as if it had skipped it.
template <class Read>
void read_extra(ChunkInput& in, const Child& c, Read&& read) {
  const bool was = in.extra();
  const std::int64_t limit = in.extra_limit();
  // Inside an extra record, a nested one ends where its parent does at most.
  in.set_extra(true, was && limit < c.end() ? limit : c.end());
  try {
    read();
  } catch (const ParseFailure&) {
  }
  in.set_extra(was, limit);
  skip(in, c);
}

}  // namespace qev::reader
