// Fuzz target: bytes -> read_scene -> write_scene -> read_scene must give the
// same scene. Only a scene holding a number that is not finite may be
// refused (and it equals nothing, NaN being unequal to itself).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "qev_3ds_scene.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qev3ds::ReadResult first = qev3ds::read_scene(data, size);
  if (first.status != qev3ds::read_ok) return 0;
  std::vector<std::uint8_t> bytes;
  const qev3ds::WriteResult written = qev3ds::write_scene(first.scene, bytes);
  if (written.status == qev3ds::write_not_finite) return 0;
  if (!written.ok()) std::abort();
  const qev3ds::ReadResult second = qev3ds::read_scene(bytes.data(), bytes.size());
  if (second.status != qev3ds::read_ok || !(second.scene == first.scene)) std::abort();
  return 0;
}
