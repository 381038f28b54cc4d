// QEV_3DS conversions: 3DS, OBJ, glTF, GLB and STL files to and from the one
// scene model of qev_3ds_scene.hpp. Link the CMake target QEV_3DS::convert.
//
//   qev3ds::ConvertReport r = qev3ds::convert_file("ship.3ds", "ship.glb");
//   for (const std::string& w : r.warnings) std::cerr << "warning: " << w << '\n';
//   if (!r.ok()) std::cerr << r.message << '\n';
//
// Nothing here throws. Every file a converted file names (OBJ material
// libraries, glTF buffers, textures) is looked up only in the input's folder
// and the texture folders the options name; every output is written to a
// temporary file beside it and renamed into place, so a failed conversion
// leaves what was there before.
#ifndef QEV_3DS_CONVERT_HPP
#define QEV_3DS_CONVERT_HPP

#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev3ds {

enum class Format { unknown, three_ds, obj, gltf, glb, stl };

// The format a file name's extension names, ignoring case.
Format format_of(const std::string& path) noexcept;

// A conversion's status; the qev3ds tool exits with it.
enum ConvertStatus : int {
  convert_ok = 0,
  convert_usage = 2,         // an unknown file type, or an output that is the input
  convert_write_failed = 3,  // an output could not be written
  convert_bad_obj = 4,       // the OBJ could not be read
  convert_capacity = 5,      // more than a 3DS file holds (the layers form)
  convert_bad_input = 6,     // a glTF or STL file could not be read
  convert_failed = 7,        // out of memory, or a fault of the library
  convert_read_failed = 10,  // 10 + a ReadStatus: the 3DS input could not be read
};

struct ConvertOptions {
  // A 3DS output through LayerWriter, as the thirteen writing functions
  // write: one material per object (named after it with "MAT"), layers
  // split at their capacities, corners welded within the writer's
  // tolerance. Choose it when the file is read back through the thirteen
  // reading functions and must hold what a host would have written. The
  // default writes the scene as it is with write_scene: every mesh and
  // material name and every vertex kept exactly.
  bool layers = false;
  // Folders searched for textures after the input's own folder.
  std::vector<std::string> texture_folders;
  // The axis that points up in OBJ files, read and written: y (the default,
  // as glTF and most OBJ tools have it) or z (as 3DS and STL have it). Y-up
  // and Z-up differ by a quarter turn about x: (x, y, z) in 3DS is
  // (x, z, -y) Y-up. glTF is always Y-up and STL always Z-up.
  enum class Up { y, z };
  Up up = Up::y;
  // Every coordinate is multiplied by scale once on import (import_file and
  // convert_file), whatever the formats: 0.001 reads millimetres as metres.
  // A positive finite number; anything else is refused (convert_usage).
  double scale = 1.0;
};

struct ConvertReport {
  int status = convert_ok;            // a ConvertStatus
  std::string message;                // written: what was written; else why not
  std::vector<std::string> warnings;  // what did not carry or changed on the way
  std::vector<std::string> notes;     // what was done to fit the output (layers split)
  bool ok() const { return status == convert_ok; }
};

struct ImportResult {
  ConvertReport report;  // message empty when it is ok
  Scene scene;
};

// Reads a 3DS, OBJ, glTF, GLB or STL file into a Scene. Other formats than
// 3DS give one mesh per source object and material, each mesh within
// write_scene's limits (larger ones are split); the source's materials
// become 3DS materials of their names (objects sharing one share it), with
// their colours, shininess and transparency, and its normals smoothing
// groups (docs/convert.md).
ImportResult import_file(const std::string& path, const ConvertOptions& options = {}) noexcept;

// Writes scene to out in the format its extension names. source is the file
// the scene came from: textures are found beside it, and out must not be it.
ConvertReport export_file(const Scene& scene, const std::string& source, const std::string& out,
                          const ConvertOptions& options = {}) noexcept;

// import_file, then export_file to out.
ConvertReport convert_file(const std::string& in, const std::string& out,
                           const ConvertOptions& options = {}) noexcept;

// The scene as the welding writer takes it: a layer per mesh and material,
// coloured as face_look reports except that a material's own colour is
// kept, black included, and a float 1.0 (read as 256) gives 255.
std::vector<Layer> layers_from_scene(const Scene& scene);

// Layers as a Scene: one mesh per layer with one material of the layer's
// name, colour, transparency and texture; corners that agree exactly in
// position and mapping share a vertex. Layers over a mesh's 65,535 vertices
// or faces become several meshes; names end at a NUL, are cut to the 49
// characters a reader keeps and are made unique.
Scene scene_from_layers(const std::vector<Layer>& layers);

// Splits every layer over a LayerWriter capacity into consecutive layers
// "name", "name.2", ..., cuts names to their fields and makes them unique.
// Returns one sentence per layer split.
std::vector<std::string> fit_layers(std::vector<Layer>& layers);

}  // namespace qev3ds

#endif  // QEV_3DS_CONVERT_HPP
