// Colour chunks as the reader keeps them: bytes as COLOR_24, any other
// value as a float, and pairs of a first and a second colour; and the
// percentages materials hold.
#pragma once

#include "format/chunk_ids.h"
#include "interface/qev_3ds_scene.hpp"
#include "writer/chunk_buffer.h"

namespace qev::writer {

// Every component within 0 to 255, so the colour fits COLOR_24.
bool bytes_range(const qev3ds::Rgb& c);

// One colour chunk: LIN_COLOR_* when linear, else COLOR_*.
void put_colour(ChunkBuffer& out, const qev3ds::Rgb& c, bool linear);

// A chunk id holding the first colour and the second (linear) one where
// the reader finds them.
void colour_pair(ChunkBuffer& out, ChunkId id, const qev3ds::Rgb (&pair)[2]);

// A chunk id holding one INT_PERCENTAGE.
void percentage(ChunkBuffer& out, ChunkId id, std::int16_t value);

}  // namespace qev::writer
