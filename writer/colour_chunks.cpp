#include "writer/colour_chunks.h"

#include "format/chunk_ids.h"

namespace qev::writer {

namespace {
// An id no reader knows: a spacer before a second colour (see colour_pair).
constexpr ChunkId kSpacer = 0x0000;
}  // namespace

bool bytes_range(const qev3ds::Rgb& c) {
  const auto in = [](std::int16_t v) { return v >= 0 && v <= 255; };
  return in(c.red) && in(c.green) && in(c.blue);
}

// A colour as the reader keeps it: bytes as COLOR_24 (9 bytes); any other
// value v as the float v / 256, which the reader turns back into v exactly.
void put_colour(ChunkBuffer& out, const qev3ds::Rgb& c, bool linear) {
  if (bytes_range(c)) {
    out.open(linear ? LIN_COLOR_24 : COLOR_24);
    out.put_u8(static_cast<std::uint8_t>(c.red));
    out.put_u8(static_cast<std::uint8_t>(c.green));
    out.put_u8(static_cast<std::uint8_t>(c.blue));
  } else {
    out.open(linear ? LIN_COLOR_F : COLOR_F);
    out.put_f32(static_cast<float>(c.red) / 256.0f);
    out.put_f32(static_cast<float>(c.green) / 256.0f);
    out.put_f32(static_cast<float>(c.blue) / 256.0f);
  }
  out.close();
}

// A MAT_DIFFUSE or MAT_SPECULAR pair. The reader takes the first colour from
// a child starting within 15 bytes of the chunk and the second from one
// starting within 24. A byte colour (9 bytes) leaves room for the second;
// a float one (18 bytes) does not, so its second colour follows in a
// second chunk whose first child is a spacer the reader skips.
void colour_pair(ChunkBuffer& out, ChunkId id, const qev3ds::Rgb (&pair)[2]) {
  out.open(id);
  put_colour(out, pair[0], false);
  const bool first_is_bytes = bytes_range(pair[0]);
  if (first_is_bytes) put_colour(out, pair[1], true);
  out.close();
  if (!first_is_bytes && !pair[1].is_black()) {
    out.open(id);
    out.open(kSpacer);
    out.put_u8(0);
    out.put_u8(0);
    out.put_u8(0);
    out.close();
    put_colour(out, pair[1], true);
    out.close();
  }
}

void percentage(ChunkBuffer& out, ChunkId id, std::int16_t value) {
  out.open(id);
  out.open(INT_PERCENTAGE);
  out.put_u16(static_cast<std::uint16_t>(value));
  out.close();
  out.close();
}

}  // namespace qev::writer
