// Parses a written file into a tree of chunks, knowing which chunks carry a
// payload before their sub-chunks, so tests can check layouts and lengths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chunk_builder.h"
#include "format/chunk_header.h"

namespace qev::test {

struct Node {
  std::uint16_t id = 0;
  std::uint32_t length = 0;
  std::size_t offset = 0;
  Bytes payload;  // bytes before the first sub-chunk
  std::vector<Node> children;

  const Node* find(std::uint16_t child_id, int nth = 0) const {
    for (const Node& c : children) {
      if (c.id == child_id && nth-- == 0) return &c;
    }
    return nullptr;
  }
  std::vector<const Node*> all(std::uint16_t child_id) const {
    std::vector<const Node*> out;
    for (const Node& c : children) {
      if (c.id == child_id) out.push_back(&c);
    }
    return out;
  }
  std::uint16_t u16(std::size_t at) const { return get_u16(payload.data() + at); }
  std::uint32_t u32(std::size_t at) const { return get_u32(payload.data() + at); }
  float f32(std::size_t at) const { return get_f32(payload.data() + at); }
  std::string str(std::size_t at = 0) const {
    return std::string(reinterpret_cast<const char*>(payload.data() + at));
  }
};

// How many payload bytes come before the sub-chunks, or -1 for a leaf.
inline long payload_before_children(std::uint16_t id, const std::uint8_t* body, std::size_t size) {
  switch (id) {
    case M3DMAGIC:
    case MDATA:
    case MAT_ENTRY:
    case MAT_DIFFUSE:
    case MAT_SPECULAR:
    case MAT_SHININESS:
    case MAT_TRANSPARENCY:
    case MAT_TEXMAP:
    case N_TRI_OBJECT:
      return 0;
    case NAMED_OBJECT: {
      std::size_t n = 0;
      while (n < size && body[n] != 0) ++n;
      return static_cast<long>(n + 1);
    }
    case FACE_ARRAY:
      return size < 2 ? -1 : static_cast<long>(2 + 8 * get_u16(body));
    default:
      return -1;
  }
}

// Parses chunks in [begin, end); lengths are trusted and must nest exactly.
inline std::vector<Node> parse_chunks(const Bytes& file, std::size_t begin, std::size_t end) {
  std::vector<Node> nodes;
  std::size_t at = begin;
  while (at + 6 <= end) {
    Node n;
    n.offset = at;
    n.id = get_u16(file.data() + at);
    n.length = get_u32(file.data() + at + 2);
    if (n.length < 6 || at + n.length > end) break;  // caller sees the mismatch
    const std::uint8_t* body = file.data() + at + 6;
    const std::size_t size = n.length - 6;
    const long before = payload_before_children(n.id, body, size);
    if (before < 0) {
      n.payload.assign(body, body + size);
    } else {
      n.payload.assign(body, body + before);
      n.children = parse_chunks(file, at + 6 + before, at + n.length);
    }
    nodes.push_back(std::move(n));
    at += n.length;
  }
  return nodes;
}

// The root chunk of a whole file.
inline Node parse_file(const Bytes& file) {
  std::vector<Node> top = parse_chunks(file, 0, file.size());
  return top.empty() ? Node{} : top.front();
}

}  // namespace qev::test
