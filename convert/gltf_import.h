// `qev3ds convert x.gltf|x.glb y.3ds`: a glTF 2.0 scene as layers.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "layer_file.h"
#include "layer_scene.h"
#include "referenced_files.h"

namespace qev::convert {

// Reads every triangle primitive of every mesh reachable from the default
// scene, where the first node showing it puts it, Y-up turned into Z-up as
// (x, y, z) -> (x, -z, y). One layer per primitive: colour from
// baseColorFactor (back to sRGB bytes), transparency from its alpha,
// texture name from the base colour texture's URI (or a made-up 8.3 name
// for an embedded image, see read_gltf_embedded_images), mapping from
// TEXCOORD_0 (v flipped back, KHR_texture_transform applied); strips and
// fans become triangles, points and lines are named in warnings, and so are
// triangles with a corner that is not a finite number, which are left out.
// Buffers and images are looked up in files (the input's folder when null)
// and nowhere else; images are never decoded. False with a message in error
// when the file is not glTF 2.0 (glTF 1.0 is named), requires compressed
// geometry (the extension is named), a buffer is missing or
// refused, an accessor or index lies outside its data, its JSON nests
// deeper than kMaxJsonDepth, or its node graph stands for more instances
// than the walk allows.
// Every material of the file goes to materials when it is not null, the
// layers naming theirs there (doubleSided as two-sided, the emissive colour
// as self-illumination). A mesh that several nodes show is read once, at
// its first node; the node tree (every node's local and world transform,
// Z-up, and which layers its mesh became), the perspective cameras and the
// KHR_lights_punctual lights go to scene when it is not null.
bool read_gltf(const std::string& path, Layers& layers, std::vector<std::string>& warnings,
               std::string& error, const ReferencedFiles* files = nullptr,
               LayerMaterials* materials = nullptr, LayerScene* scene = nullptr);

// The same from bytes in memory (.glb when binary); external buffers are
// looked for in files, or in base_dir when files is null.
bool read_gltf_bytes(const std::string& bytes, bool binary, const std::string& base_dir,
                     Layers& layers, std::vector<std::string>& warnings, std::string& error,
                     const ReferencedFiles* files = nullptr, LayerMaterials* materials = nullptr,
                     LayerScene* scene = nullptr);

// The images a glTF file embeds (data: URIs and buffer views) that its
// materials may use, by the texture names read_gltf gives them (8.3 names
// such as BRICK.PNG or IMAGE3.JPG): their bytes, to be written beside a 3DS
// output. False with error when the file cannot be read as glTF.
bool read_gltf_embedded_images(const std::string& path, const ReferencedFiles& files,
                               std::map<std::string, std::string>& images, std::string& error);

}  // namespace qev::convert
