// Normals from smoothing groups, for writers whose format stores normals.
#pragma once

#include <array>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

using Normal = std::array<float, 3>;

// One unit normal per face corner (three per face, in face order) of mesh.
// A corner's normal is the sum, weighted by each face's angle at that
// corner, of the normals of the faces around that point that share at
// least one smoothing bit with the face; a face of smoothing word 0 is flat.
// Faces are "around" a corner when one of their corners lies at exactly the
// same position, so vertices duplicated at texture seams still smooth
// together. Faces naming a vertex the mesh lacks get their corners' normal
// as (0, 0, 1) and join nothing; so does a face of zero area, whose
// neighbours' normals it also leaves unchanged.
std::vector<Normal> corner_normals(const qev3ds::Mesh& mesh);

// The face's own unit normal (right-handed, corners a, b, c), (0, 0, 1) when
// the face has no area.
Normal face_normal(const float* a, const float* b, const float* c);

}  // namespace qev::convert
