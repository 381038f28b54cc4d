// A whole input file as bytes, for the importers that parse from memory.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace qev::tool {

inline bool read_file_bytes(const std::string& path, std::string& bytes, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open the file";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  bytes = text.str();
  return true;
}

}  // namespace qev::tool
