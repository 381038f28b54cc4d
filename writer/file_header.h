// The 32 bytes at the start of every written file: M3DMAGIC, M3D_VERSION,
// MDATA and MESH_VERSION, for a file of total length T.
#pragma once

#include <cstdint>

#include "format/chunk_header.h"
#include "writer/chunk_lengths.h"

namespace qev::writer {

inline constexpr std::uint32_t kFormatVersion = 3;

inline void encode_file_header(std::uint8_t out[kFileHeaderSize], std::uint32_t total) {
  encode_chunk_header(out + 0, ChunkHeader{M3DMAGIC, total});
  encode_chunk_header(out + 6, ChunkHeader{M3D_VERSION, 10});
  put_u32(out + 12, kFormatVersion);
  // MDATA runs from offset 16 to the end of the file.
  encode_chunk_header(out + 16, ChunkHeader{MDATA, total - 16});
  encode_chunk_header(out + 22, ChunkHeader{MESH_VERSION, 10});
  put_u32(out + 28, kFormatVersion);
}

}  // namespace qev::writer
