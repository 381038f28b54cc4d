// Fuzz target: the bytes are an STL file, binary or ASCII. A refused file is
// fine; a crash or a scene that does not survive writing and reading back
// is not.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "import_check.h"
#include "stl_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  qev::convert::Layers layers;
  std::string error;
  std::vector<std::string> warnings;
  if (!qev::convert::read_stl_bytes(input, "fuzz", layers, error, &warnings)) return 0;
  check_written_whole(layers, "stl");
  return 0;
}
