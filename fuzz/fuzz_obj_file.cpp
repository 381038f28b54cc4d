// Fuzz target: the bytes are an OBJ file in a folder of companions (see
// companion_folder.h), read through the tool's file entry point, so mtllib
// names reach the real lookup. A refused file is fine; a hang (a FIFO
// opened), a crash, or a scene that does not survive writing and reading
// back is not.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "companion_folder.h"
#include "import_check.h"
#include "obj_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const CompanionFolder folder;
  const std::string path = folder.input("input.obj", data, size);
  qev::convert::Layers layers;
  std::vector<std::string> warnings;
  std::string error;
  if (!qev::convert::read_obj(path, layers, error, &warnings)) return 0;
  check_written_whole(layers, "obj-file");
  return 0;
}
