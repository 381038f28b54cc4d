// Where the keyframer puts things at frame 0, and the scene with every
// instance of an object as a mesh of its own, for the outputs that have no
// instancing (OBJ, STL, pictures).
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

// An affine map of the file's Z-up space: a column-major 4x4 matrix.
using Transform = std::array<double, 16>;

Transform identity_transform();
Transform compose(const Transform& a, const Transform& b);  // a after b
// The inverse; false (and the identity) when a has no inverse.
bool invert(const Transform& a, Transform& inverse);
void transform_point(const Transform& a, const float* in, float* out);
// The mesh's MESH_MATRIX: its axes as columns, then its origin.
Transform mesh_transform(const qev3ds::Mesh& mesh);

// The same map in glTF's Y-up axes, where (x, y, z) is (x, z, -y).
Transform y_up_transform(const Transform& z_up);

// Each keyframer node's world at frame 0, in file order: its parent's world
// * T(position) * R(rotation) * S(scale) of qev3ds::frame_zero. A node whose
// parent id no earlier node carries is a root.
std::vector<Transform> frame_zero_worlds(const qev3ds::Keyframer& keyframer);

// Where an object node shows its object's stored (world-space) vertices:
// world * T(-pivot) * inverse(MESH_MATRIX). A mesh whose matrix has no
// inverse is taken as having none.
Transform object_placement(const Transform& world, const qev3ds::Node& node,
                           const qev3ds::Mesh& mesh);

// An instance: a keyframer object node naming an object that an earlier
// node already names, with the mesh of that name.
struct Instance {
  std::size_t node;   // in the keyframer's nodes
  std::size_t first;  // the earliest node naming the same object
  std::size_t mesh;   // in the scene's meshes
};
std::vector<Instance> scene_instances(const qev3ds::Scene& scene);

// What carries the stored mesh (where its first node shows it) to the
// instance: placement of the instance * inverse(placement of the first
// node), or the instance's placement alone when the first one has no
// inverse. worlds are frame_zero_worlds of the scene's keyframer.
Transform instance_carry(const qev3ds::Scene& scene, const Instance& instance,
                         const std::vector<Transform>& worlds);

// The scene with one more mesh per instance: the object's mesh carried from
// its first node's place to the instance's (placement of the instance *
// inverse(placement of the first node)), named by the instance name (made
// unique among the meshes) and appended to the meshes; the keyframer is
// left out of the copy. A scene without instances is returned itself,
// unchanged; otherwise storage is filled and returned. The copies hold at
// most budget vertices and faces in all, so that a small file
// naming one large object many times cannot fill the memory; the instances
// past that are left out, and warnings (when given) says how many.
inline constexpr std::size_t kInstanceItems = 20000000;
const qev3ds::Scene& scene_with_instances(const qev3ds::Scene& scene, qev3ds::Scene& storage,
                                          std::vector<std::string>* warnings = nullptr,
                                          std::size_t budget = kInstanceItems);

}  // namespace qev::convert
