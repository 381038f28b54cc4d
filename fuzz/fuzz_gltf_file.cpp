// Fuzz target: the bytes are a glTF file (.glb when they start with
// "glTF") in a folder of companions (see companion_folder.h), read through
// the tool's file entry point, so buffer and image names reach the real
// lookup. A refused file is fine; a hang (a FIFO opened), a crash, or a
// scene that does not survive writing and reading back is not.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "companion_folder.h"
#include "gltf_import.h"
#include "import_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const CompanionFolder folder;
  const std::string path = folder.input("input.gltf", data, size);
  qev::convert::Layers layers;
  std::vector<std::string> warnings;
  std::string error;
  if (!qev::convert::read_gltf(path, layers, warnings, error)) return 0;
  check_written_whole(layers, "gltf-file");
  return 0;
}
