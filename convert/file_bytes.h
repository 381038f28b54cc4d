// A whole input file as bytes, for the importers that parse from memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace qev::convert {

// Reads the regular file at path whole. A FIFO, a device or a folder is
// refused before it is opened: reading one would block forever (a FIFO) or
// never end (/dev/zero). At most the size measured is read, so a file that
// grows while it is read cannot make the read unbounded.
inline bool read_file_bytes(const std::string& path, std::string& bytes, std::string& error) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) {
    error = "cannot open the file";
    return false;
  }
  if (!std::filesystem::is_regular_file(status)) {
    error = std::filesystem::is_directory(status) ? "it is a folder, not a file"
                                                  : "it is not a regular file (a pipe or a device)";
    return false;
  }
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (!ec && size > bytes.max_size()) {
    error = "it is too large to read into memory";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) {
    error = "cannot open the file";
    return false;
  }
  bytes.assign(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (static_cast<std::uintmax_t>(in.gcount()) != size ||
      in.peek() != std::ifstream::traits_type::eof()) {
    bytes.clear();
    error = "the file changed while it was read";
    return false;
  }
  return true;
}

}  // namespace qev::convert
