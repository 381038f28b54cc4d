// A 3DS scene's cameras and lights in glTF: perspective cameras and
// KHR_lights_punctual lights, each on a node of its own at the root.
#pragma once

#include <tiny_gltf.h>

#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

// A camera's node stands at its position with its -Z toward the target and
// its +Y turned by the roll (counter-clockwise seen from behind); the lens
// gives yfov = 2 * atan(12 / lens) on the 36 x 24 mm frame (aspect 1.5); the
// camera's ranges are znear and zfar when both make sense, else znear is
// 0.01 and the projection infinite. A light is a point light (an omni) or a
// spot light whose node's -Z points at its target, with half the hotspot
// and falloff angles as its cones; colour clamped to 0..1, intensity the
// multiplier (0 when the light is off, with "3ds_off" and "3ds_multiplier"
// in its extras). Nodes that aim carry "3ds_target_distance" in their
// extras. What cannot be written as it is is warned of.
void add_cameras_and_lights(tinygltf::Model& model, tinygltf::Scene& root,
                            const qev3ds::Scene& scene, std::vector<std::string>& warnings);

// The glTF text or GLB bytes with the "zfar" tinygltf writes for an
// infinite projection (as 0) taken out.
void drop_infinite_far(std::string& bytes, bool binary);

}  // namespace qev::convert
