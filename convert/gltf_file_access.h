// tinygltf's file access for reading: every buffer a glTF file names is
// looked up through ReferencedFiles, so only the input's folder is searched
// and only a bounded regular file is read.
#pragma once

#include <tiny_gltf.h>

#include <string>

#include "referenced_files.h"

namespace qev::convert {

class GltfFileAccess {
 public:
  explicit GltfFileAccess(const ReferencedFiles& files) : files_(files) {}
  GltfFileAccess(const GltfFileAccess&) = delete;
  GltfFileAccess& operator=(const GltfFileAccess&) = delete;

  // Callbacks bound to this object. Writing is always refused.
  tinygltf::FsCallbacks callbacks();

  // The first name that was refused or not found, and why; empty when none.
  const std::string& refused_name() const { return refused_name_; }
  const std::string& refused_why() const { return refused_why_; }

 private:
  static bool exists(const std::string& name, void* self);
  static std::string expand(const std::string& name, void* self);
  static bool read(std::vector<unsigned char>* out, std::string* err, const std::string& name,
                   void* self);
  static bool write(std::string* err, const std::string& name,
                    const std::vector<unsigned char>& bytes, void* self);
  void refuse(const std::string& name, const std::string& why);

  const ReferencedFiles& files_;
  std::string refused_name_, refused_why_;
};

}  // namespace qev::convert
