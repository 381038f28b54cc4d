// Fuzz target: the bytes are a glTF file (.glb when they start with
// "glTF", else JSON text); external buffers are looked for in a folder that
// does not exist. A refused file is fine; a crash, an unbounded allocation,
// or a scene that does not survive writing and reading back is not.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gltf_import.h"
#include "import_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const bool binary = input.compare(0, 4, "glTF") == 0;
  qev::convert::Layers layers;
  std::vector<std::string> warnings;
  std::string error;
  if (!qev::convert::read_gltf_bytes(input, binary, "/nonexistent-qev3ds-fuzz", layers, warnings,
                                     error))
    return 0;
  check_written_whole(layers, "gltf");
  return 0;
}
