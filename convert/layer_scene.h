// What an importer's scene holds beside its layers: the node tree, cameras
// and lights, kept until the layers have become meshes and then given to
// the scene as mesh frames, a keyframer, cameras and lights.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "layer_file.h"
#include "qev_3ds_scene.hpp"

namespace qev::convert {

// A 4x4 affine matrix, column-major, in the scene's Z-up axes.
using Frame = std::array<double, 16>;

// One node of the source's tree, in walk order (a parent before its
// children). Its mesh is layers [first_layer, end_layer) of the node named
// by object: itself for the first node showing a mesh, the first one for
// every later node showing the same mesh (an instance).
struct LayerNode {
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::string name;            // the source's node name, never empty
  std::size_t parent = kNone;  // index in LayerScene::nodes
  std::size_t object = kNone;  // the node holding its mesh's layers; kNone for none
  std::size_t first_layer = 0, end_layer = 0;
  bool keyed = true;       // false for a leaf holding only a camera or a light
  Frame local{}, world{};  // relative to the parent, and in the world
};

struct LayerScene {
  std::vector<LayerNode> nodes;
  std::vector<qev3ds::Camera> cameras;
  std::vector<qev3ds::Light> lights;

  bool empty() const { return nodes.empty() && cameras.empty() && lights.empty(); }
  void clear() { *this = LayerScene(); }
  // Every length times factor, as place_layers scales the layers.
  void scale(double factor);
  // Copies of the instances' layers, each moved from its object's place to
  // its own, appended to layers: the layers form has no instances.
  void add_instance_layers(Layers& layers) const;
  // Gives scene (made by scene_of_layers from the layers, first_mesh[l]
  // being layer l's first mesh, first_mesh.back() the mesh count) the mesh
  // frames, the keyframer, the cameras and the lights; names are cut to
  // what a reader keeps and made unique among the scene's objects, and a
  // warning says each one cut.
  void apply(qev3ds::Scene& scene, const std::vector<std::size_t>& first_mesh,
             std::vector<std::string>& warnings) const;
};

}  // namespace qev::convert
