// How a material's diffuse map lies over its faces, as the files' own
// viewers show it: how much of the colour the map covers, and where on the
// face each texel lands. The glTF writer and the renderer both use these.
#pragma once

#include "qev_3ds_scene.hpp"

namespace qev::convert {

// The texture's weight over the diffuse colour of a textured look, 0 to 1:
// a map amount of 100% (or none, 0) replaces the colour with the texture;
// a lower amount a shows a * texture + (1 - a) * colour.
float map_amount(const qev3ds::Look& look);

// The diffuse map's placement on one pair of the file's (u, v), as the
// files' own viewers apply it: rotate (u, v) about (0.5, 0.5) by the
// rotation (degrees, counter-clockwise), then u -= u_offset, v += v_offset,
// then u = (u - 0.5) * u_scale + 0.5 and the same for v.
void place_uv(const qev3ds::TextureMap& map, float& u, float& v);

}  // namespace qev::convert
