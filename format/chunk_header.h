// ChunkHeader and the little-endian encoding shared by the reader and writer.
#pragma once

#include <cstdint>
#include <cstring>

#include "format/chunk_ids.h"

namespace qev {

struct ChunkHeader {
  ChunkId id;
  std::uint32_t length;  // the whole chunk: header, payload and sub-chunks
};

inline void put_u16(std::uint8_t* out, std::uint16_t v) {
  out[0] = static_cast<std::uint8_t>(v);
  out[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void put_u32(std::uint8_t* out, std::uint32_t v) {
  out[0] = static_cast<std::uint8_t>(v);
  out[1] = static_cast<std::uint8_t>(v >> 8);
  out[2] = static_cast<std::uint8_t>(v >> 16);
  out[3] = static_cast<std::uint8_t>(v >> 24);
}

inline void put_f32(std::uint8_t* out, float v) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  put_u32(out, bits);
}

inline std::uint16_t get_u16(const std::uint8_t* in) {
  return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

inline std::uint32_t get_u32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

inline float get_f32(const std::uint8_t* in) {
  const std::uint32_t bits = get_u32(in);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// The id first, then the length, as every chunk begins.
inline void encode_chunk_header(std::uint8_t out[kChunkHeaderSize], ChunkHeader h) {
  put_u16(out, h.id);
  put_u32(out + 2, h.length);
}

inline ChunkHeader decode_chunk_header(const std::uint8_t in[kChunkHeaderSize]) {
  return ChunkHeader{get_u16(in), get_u32(in + 2)};
}

// Bulk copies of f32 arrays are plain memcpy on little-endian hosts.
inline constexpr bool kHostIsLittleEndian =
#if defined(__BYTE_ORDER__) && defined(__ORDER_BIG_ENDIAN__) && \
    __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    false;
#else
    true;
#endif

}  // namespace qev
