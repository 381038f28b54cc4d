// `qev3ds convert IN OUT` and its older forms `to-obj` and `from-obj`.
#pragma once

#include <string>
#include <vector>

namespace qev::tool {

enum class Format { unknown, three_ds, obj, gltf, glb, stl };

// The format a file name's extension says, ignoring case.
Format format_of(const std::string& path);

// What the user allowed besides the input's own folder.
struct ConvertSettings {
  std::vector<std::string> texture_folders;  // --textures DIR, searched after the input's folder
};

// Converts by the extensions: a .3ds file to .obj, .gltf, .glb or .stl, and
// .obj, .gltf, .glb or .stl to .3ds. Returns an exit code; unknown
// extensions and other directions give kUsage with a message.
int run_convert(const std::string& in, const std::string& out,
                const ConvertSettings& settings = {});

int run_to_obj(const std::string& in, const std::string& out, const ConvertSettings& settings = {});
int run_from_obj(const std::string& in, const std::string& out);

}  // namespace qev::tool
