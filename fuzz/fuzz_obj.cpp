// Fuzz target: the bytes are OBJ text, followed after a NUL byte and "MTL"
// by the text of its material library. What the OBJ import makes of them is
// fitted to the writer's capacities, written as 3DS and read back: a refused
// OBJ is fine, a crash, a refused write or a lost triangle is not.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "import_check.h"
#include "obj_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string marker("\0MTL", 4);
  const std::size_t at = input.find(marker);
  const std::string obj = input.substr(0, at);
  const std::string mtl =
      at == std::string::npos ? std::string() : input.substr(at + marker.size());

  qev::convert::Layers layers;
  std::string error;
  std::vector<std::string> warnings;
  if (!qev::convert::read_obj_text(obj, mtl, layers, error, &warnings)) return 0;
  check_written_whole(layers, "obj");
  return 0;
}
