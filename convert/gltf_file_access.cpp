// tinygltf's file callbacks over ReferencedFiles.
#include "gltf_file_access.h"

namespace qev::convert {

tinygltf::FsCallbacks GltfFileAccess::callbacks() {
  tinygltf::FsCallbacks fs{};
  fs.FileExists = &GltfFileAccess::exists;
  fs.ExpandFilePath = &GltfFileAccess::expand;
  fs.ReadWholeFile = &GltfFileAccess::read;
  fs.WriteWholeFile = &GltfFileAccess::write;
  fs.user_data = this;
  return fs;
}

void GltfFileAccess::refuse(const std::string& name, const std::string& why) {
  // tinygltf asks for "x", then for "./x" (its second search folder); the
  // first answer is the one to report.
  if (refused_name_.empty()) {
    refused_name_ = name;
    refused_why_ = why;
  }
}

bool GltfFileAccess::exists(const std::string& name, void* self) {
  auto* access = static_cast<GltfFileAccess*>(self);
  std::string why;
  if (!access->files_.find(name, why).empty()) return true;
  access->refuse(name, why);
  return false;
}

// The default expands "~" and environment variables; a name in a file is
// taken as it is written.
std::string GltfFileAccess::expand(const std::string& name, void*) { return name; }

bool GltfFileAccess::read(std::vector<unsigned char>* out, std::string* err,
                          const std::string& name, void* self) {
  auto* access = static_cast<GltfFileAccess*>(self);
  std::string bytes, why;
  if (!access->files_.read(name, bytes, why)) {
    access->refuse(name, why);
    if (err != nullptr) *err = why;
    return false;
  }
  out->assign(bytes.begin(), bytes.end());
  return true;
}

bool GltfFileAccess::write(std::string* err, const std::string&, const std::vector<unsigned char>&,
                           void*) {
  if (err != nullptr) *err = "reading a glTF file writes nothing";
  return false;
}

}  // namespace qev::convert
