// `qev3ds from-obj`: a Wavefront OBJ (with its MTL) as a scene.
#pragma once

#include <string>
#include <vector>

#include "layer_file.h"
#include "referenced_files.h"

namespace qev::convert {

// Reads obj_path with tinyobjloader; polygons, concave ones and ones with a
// hole cut by a keyhole edge too, are cut into triangles by ear clipping
// (one that crosses itself becomes a fan, with a warning). Every OBJ group
// (or object) becomes a layer, split further by material when a group uses
// several; a layer takes its material's diffuse colour, dissolve and diffuse
// texture. Material libraries are read through files (the OBJ's folder
// when null) and nowhere else; one refused or missing, a `usemtl` naming no
// material read and a texture not found are warnings. Names on `usemtl`
// and `mtllib` lines may hold spaces. Faces
// with a corner that is not a finite number are left out with a warning.
// Warnings go to warnings, or to stderr when it is null. False with a
// message in error when the OBJ is not a regular file or cannot be read,
// or a face index is too large for the parser. Every MTL material goes to
// sources when it is not null, the layers naming theirs there. Smoothing
// groups are rebuilt from the vertex normals (vn) where faces have them,
// else from the `s` numbers: faces of one number smooth together.
bool read_obj(const std::string& obj_path, Layers& layers, std::string& error,
              std::vector<std::string>* warnings = nullptr, const ReferencedFiles* files = nullptr,
              LayerMaterials* sources = nullptr);

// The same from OBJ and MTL text in memory: every mtllib reads mtl.
bool read_obj_text(const std::string& obj, const std::string& mtl, Layers& layers,
                   std::string& error, std::vector<std::string>* warnings = nullptr);

}  // namespace qev::convert
