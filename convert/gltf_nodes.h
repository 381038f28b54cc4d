// What a 3DS scene shows beyond faces and colours, in glTF terms: two-sided
// materials and the texture's tint, each mesh's local frame and the
// keyframer's node tree.
#pragma once

#include <tiny_gltf.h>

#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

// doubleSided from the material's two-sided flag (and only from it); a
// textured look's base colour: a map amount of 100% (or none) replaces the
// diffuse colour with the texture, so the factor is white; a lower amount a
// blends linearly toward the diffuse colour: a + (1 - a) * colour
// (map_amount).
void apply_scene_look(tinygltf::Material& m, const qev3ds::Look& look);

// A mesh's local frame as its glTF node carries it: its MESH_MATRIX when
// that is a rotation with a uniform scale (a mirrored frame turned into the
// unmirrored one beside it, so the faces keep facing out), else the
// identity, and the vertices stay in world space.
class MeshFrame {
 public:
  explicit MeshFrame(const qev3ds::Mesh& mesh);
  bool identity() const { return identity_; }
  // A file point or normal into the frame (still the file's Z-up axes).
  void point(const float* world, float* local) const;
  void normal(const float* world, float* local) const;
  // The frame as a column-major glTF matrix in glTF's Y-up axes.
  std::vector<double> gltf_matrix() const;

 private:
  bool identity_ = true;
  double axes_[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // x, y, z axes
  double origin_[3] = {0, 0, 0};
  double scale2_ = 1;  // squared length of each axis
};

// The scene's nodes: the keyframer's object nodes as a tree (dummies as
// empty nodes named by their instance name, every other node carrying the
// mesh of its object's name), then every mesh no node names; with no
// keyframer, one node per mesh. mesh_of[k] is the glTF mesh of scene mesh
// k, or -1 when it has none. Each node's transform is relative to its
// parent, so that world positions equal the file's vertices.
void add_scene_nodes(tinygltf::Model& model, tinygltf::Scene& root, const qev3ds::Scene& scene,
                     const std::vector<int>& mesh_of, const std::vector<MeshFrame>& frames);

}  // namespace qev::convert
