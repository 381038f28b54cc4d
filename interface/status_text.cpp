// One sentence per status of the library's readers and writers.
#include "interface/qev_3ds_scene.hpp"

namespace qev3ds {

const char* status_text(int status) noexcept {
  switch (status) {
    case 0:
      return "done";
    case 1:
      return "cannot open the file";
    case 2:
      return "cannot position in the file";
    case 3:
      return "cannot take the file position";
    case 4:
      return "not a 3DS file, or damaged";
    case -1:
      return "a required pointer was null";
    case -2:
      return "a number outside its table or a count the format cannot hold";
    case -3:
      return "over the writer's capacities";
    case -4:
      return "a string longer than its field";
    case -5:
      return "no output file is open";
    case -6:
      return "the file cannot be created";
    case -7:
      return "writing the file failed";
    case -8:
      return "some data was refused";
    case -9:
      return "a number that is not finite";
    default:
      return "unknown status";
  }
}

}  // namespace qev3ds
