// Fuzz target: the bytes are a 3DS file, and its scene is exported the way
// the tool does it, as glTF, GLB, OBJ and STL, into a folder of its own. A
// scene's names may hold any bytes (Latin-1, a UTF-8 character cut by the
// name limit, controls, path separators) and its coordinates any floats. An
// export that throws, crashes or fails to write, a glTF whose JSON does not
// parse, or an output that names a file outside its folder is a fault.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "gltf_export.h"
#include "obj_export.h"
#include "qev_3ds_scene.hpp"
#include "stl_export.h"

namespace {

std::string folder() {
  static const std::string dir = [] {
    const auto d =
        std::filesystem::temp_directory_path() / ("qev3ds-fuzz-export-" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    return d.string();
  }();
  return dir;
}

std::string text_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qev3ds::ReadResult read = qev3ds::read_scene(data, size);
  if (read.status != qev3ds::read_ok) return 0;
  const std::string dir = folder(), in = dir + "/in.3ds";
  std::string error;
  qev::convert::GltfExport gltf;
  if (!qev::convert::write_gltf(read.scene, in, dir + "/out.gltf", false, gltf, error))
    std::abort();
  const nlohmann::json doc = nlohmann::json::parse(text_of(dir + "/out.gltf"), nullptr, false);
  if (doc.is_discarded()) std::abort();
  // Every image the glTF names is a plain file name in its own folder.
  if (doc.contains("images")) {
    for (const auto& image : doc["images"]) {
      const std::string uri = image.value("uri", "");
      if (uri.empty() || uri.find('/') != std::string::npos ||
          uri.find('\\') != std::string::npos || uri.find(':') != std::string::npos ||
          uri.front() == '.' || uri.front() == '-') {
        std::abort();
      }
    }
  }
  qev::convert::GltfExport glb;
  if (!qev::convert::write_gltf(read.scene, in, dir + "/out.glb", true, glb, error)) std::abort();
  qev::convert::ObjExport obj;
  if (!qev::convert::write_obj(read.scene, in, dir + "/out.obj", obj, error)) std::abort();
  qev::convert::StlExport stl;
  if (!qev::convert::write_stl(read.scene, dir + "/out.stl", stl, error)) std::abort();
  return 0;
}
