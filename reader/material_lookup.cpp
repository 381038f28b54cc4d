// Which material and which colour a layer or a face gets: the one rule that
// the layer query of the C functions and the scene API share.
#include <cstdint>

#include "reader/scene_model.h"

namespace qev3ds {

MaterialIndex::MaterialIndex(const Scene& scene) : scene_(&scene) {
  by_name_.reserve(scene.materials.size());
  for (std::size_t i = 0; i < scene.materials.size(); ++i) {
    // The earliest material of a name wins, so later ones are not inserted.
    by_name_.emplace(std::string_view(scene.materials[i].name), i);
  }
}

const Material* MaterialIndex::find(std::string_view name) const {
  const auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : &scene_->materials[it->second];
}

namespace {

// A group name's material: its texture and transparency, and the second
// diffuse colour, else the first, else grey. No material: grey, opaque,
// untextured.
Look look_of(const MaterialIndex& materials, std::string_view name) {
  Look look;
  look.material_name = name;
  look.material = materials.find(name);
  const Rgb grey{kGrey, kGrey, kGrey};
  if (look.material == nullptr) {
    look.colour = grey;
    return look;
  }
  const Material& m = *look.material;
  look.texture = m.texture;
  look.transparency = m.transparency;
  const Rgb& c = !m.diffuse[1].is_black() ? m.diffuse[1] : m.diffuse[0];
  look.colour = c.is_black() ? grey : c;
  return look;
}

}  // namespace

Look mesh_look(const MaterialIndex& materials, const Mesh& mesh) {
  const std::string_view first = mesh.groups.empty()
                                     ? std::string_view(qev::reader::kDefaultGroupName)
                                     : std::string_view(mesh.groups.front().material);
  return look_of(materials, first);
}

std::vector<std::int32_t> face_groups(const Mesh& mesh) {
  std::vector<std::int32_t> group_of(mesh.faces.size(), -1);
  std::size_t open = group_of.size();  // faces no group has listed yet
  for (std::size_t g = 0; g < mesh.groups.size() && open > 0; ++g) {
    const FaceGroup& group = mesh.groups[g];
    for (std::int32_t j = 0; j < group.count; ++j) {
      const std::uint16_t f = group.face(j);
      // The first group that lists a face decides it, as the first group
      // decides the layer.
      if (f < group_of.size() && group_of[f] < 0) {
        group_of[f] = static_cast<std::int32_t>(g);
        --open;
      }
    }
  }
  // Once every face is decided the later groups change nothing: a file of
  // many all-faces groups costs one pass, not one per group.
  return group_of;
}

Look face_look(const MaterialIndex& materials, const Mesh& mesh, std::int32_t group) {
  if (group < 0 || static_cast<std::size_t>(group) >= mesh.groups.size()) {
    return mesh_look(materials, mesh);
  }
  return look_of(materials, mesh.groups[static_cast<std::size_t>(group)].material);
}

}  // namespace qev3ds
