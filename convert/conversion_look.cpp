#include "conversion_look.h"

#include <algorithm>

namespace qev::convert {
namespace {

std::int16_t byte_of(std::int16_t v) {
  return static_cast<std::int16_t>(std::clamp<int>(v, 0, 255));
}

const qev3ds::Rgb& second_unless_black(const qev3ds::Rgb (&pair)[2]) {
  return !pair[1].is_black() ? pair[1] : pair[0];
}

}  // namespace

qev3ds::Rgb byte_colour(const qev3ds::Rgb& c) {
  return {byte_of(c.red), byte_of(c.green), byte_of(c.blue)};
}

qev3ds::Look conversion_look(const qev3ds::MaterialIndex& materials, const qev3ds::Mesh& mesh,
                             std::int32_t group) {
  qev3ds::Look look = qev3ds::face_look(materials, mesh, group);
  if (look.material != nullptr) look.colour = second_unless_black(look.material->diffuse);
  look.colour = byte_colour(look.colour);
  return look;
}

qev3ds::Look material_look(const qev3ds::Material& m) {
  qev3ds::Look look;
  look.material = &m;
  look.material_name = m.name;
  look.colour = byte_colour(second_unless_black(m.diffuse));
  look.transparency = m.transparency;
  look.texture = m.texture;
  return look;
}

qev3ds::Rgb specular_colour(const qev3ds::Material& m) {
  return byte_colour(second_unless_black(m.specular));
}

}  // namespace qev::convert
