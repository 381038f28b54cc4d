// Files that an input file names (glTF buffers and images, OBJ material
// libraries, 3DS texture maps), found only inside the folders the user
// allowed: the input's own folder, and any folder given with --textures.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qev::convert {

// The largest file a reference may name: 512 MiB.
inline constexpr std::uint64_t kMaxReferencedFile = std::uint64_t{512} << 20;

class ReferencedFiles {
 public:
  // Names are looked up in folders, in order (the input's folder first).
  explicit ReferencedFiles(std::vector<std::filesystem::path> folders);

  // The folder of input_path, then extra folders.
  static ReferencedFiles beside(const std::string& input_path,
                                const std::vector<std::string>& extra_folders = {});

  // The file a name from an input file stands for, or an empty path with
  // the reason in why. A name is refused when it is empty, holds a NUL, is
  // absolute (/x, \x, \\server\share, C:\x, C:x), carries a URI scheme
  // (file:, http:, ...), or climbs out of its folder with ".."; the file
  // must be a regular file (no FIFO, device or folder) of at most
  // kMaxReferencedFile bytes whose real path, links followed, stays inside
  // the folder. When the exact name is not there, a file whose name differs
  // only in ASCII case is taken (3DS files come from case-blind systems).
  std::filesystem::path find(std::string_view name, std::string& why) const;

  // The bytes of the file a name stands for; false with why when refused or
  // unreadable.
  bool read(std::string_view name, std::string& bytes, std::string& why) const;

 private:
  std::vector<std::filesystem::path> folders_;
};

// Whether a name is a plain relative path with no way out of its folder;
// the reason when not. Exposed for the tests.
bool plain_relative_name(std::string_view name, std::string& why);

// A texture name reduced to a file name that is safe to write beside an
// output and to put in an MTL line or a URI: the last path component,
// letters, digits, '.', '-' and '_' kept, every other byte '_', never
// starting with '-' or '.', never empty ("texture" then).
std::string safe_file_name(std::string_view name);

}  // namespace qev::convert
