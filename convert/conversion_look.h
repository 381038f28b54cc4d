// What a face looks like in a conversion. The thirteen reading functions
// paint a black material grey; a conversion keeps the material's own
// colour, black included, and paints grey only a face whose material does
// not exist.
#pragma once

#include <cstdint>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

// A colour as bytes: float colours read as 256 (1.0) and above give 255,
// negative ones 0.
qev3ds::Rgb byte_colour(const qev3ds::Rgb& c);

// face_look, with the colour of the material the face's group names (its
// second diffuse colour unless black, else the first) as bytes, black
// kept; grey only when no material has the name.
qev3ds::Look conversion_look(const qev3ds::MaterialIndex& materials, const qev3ds::Mesh& mesh,
                             std::int32_t group);

// The material's specular colour as bytes: the second unless black, else
// the first.
// A material as a face of it would look (for a material no face uses).
qev3ds::Look material_look(const qev3ds::Material& m);

qev3ds::Rgb specular_colour(const qev3ds::Material& m);

}  // namespace qev::convert
