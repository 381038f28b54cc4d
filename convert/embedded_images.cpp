// Embedded glTF images beside a 3DS output, named as its materials name them.
#include "embedded_images.h"

#include <filesystem>
#include <set>

#include "format_sniff.h"
#include "gltf_import.h"

namespace qev::convert {

EmbeddedImages::EmbeddedImages(const std::string& source, const std::string& out,
                               const qev3ds::Scene& scene, const Layers* layers,
                               const std::vector<std::string>& texture_folders,
                               std::vector<std::string>& warnings) {
  inputs_ = std::make_unique<ReferencedFiles>(ReferencedFiles::beside(source, texture_folders));
  // Only names that are no file beside the source can be embedded images.
  std::set<std::string> wanted;
  std::string why;
  for (const qev3ds::Material& m : scene.materials)
    if (!m.texture.empty() && inputs_->find(m.texture, why).empty()) wanted.insert(m.texture);
  if (layers != nullptr)
    for (const qev3ds::Layer& l : *layers)
      if (!l.texture.empty() && inputs_->find(l.texture, why).empty()) wanted.insert(l.texture);
  if (wanted.empty()) return;
  const qev3ds::Format format = sniff_format(source, qev3ds::format_of(source)).format;
  if (format != qev3ds::Format::gltf && format != qev3ds::Format::glb) return;
  std::map<std::string, std::string> embedded;
  if (!read_gltf_embedded_images(source, *inputs_, embedded, why)) return;
  images_ = std::make_unique<TextureExport>(
      *inputs_, std::filesystem::path(out).parent_path().string(), ImageUse::copy_any, warnings);
  images_->reserve(std::filesystem::path(out).filename().string());
  for (auto& [name, bytes] : embedded) {
    if (wanted.count(name) == 0) continue;
    // Only PNG and JPEG are glTF images; the extension follows the bytes.
    const bool png = bytes.compare(0, 4, "\x89PNG") == 0;
    const bool jpeg = bytes.compare(0, 3, "\xFF\xD8\xFF") == 0;
    if (!png && !jpeg) {
      warnings.push_back("the image the glTF embeds as \"" + name +
                         "\" is neither PNG nor JPEG; it is not written");
      continue;
    }
    const std::string file = name.substr(0, name.rfind('.')) + (png ? ".PNG" : ".JPG");
    const std::string placed = images_->place_bytes(file, std::move(bytes));
    if (!placed.empty() && placed != name) renamed_[name] = placed;
  }
}

const qev3ds::Scene& EmbeddedImages::named(const qev3ds::Scene& scene,
                                           qev3ds::Scene& renamed) const {
  if (renamed_.empty()) return scene;
  renamed = scene;
  for (qev3ds::Material& m : renamed.materials) {
    const auto it = renamed_.find(m.texture);
    if (it != renamed_.end()) m.texture = it->second;
  }
  return renamed;
}

const Layers* EmbeddedImages::named(const Layers* layers, Layers& renamed) const {
  if (renamed_.empty() || layers == nullptr) return layers;
  renamed = *layers;
  for (qev3ds::Layer& l : renamed) {
    const auto it = renamed_.find(l.texture);
    if (it != renamed_.end()) l.texture = it->second;
  }
  return &renamed;
}

bool EmbeddedImages::commit(std::string& why) {
  return images_ == nullptr || commit_all(images_->files(), why);
}

}  // namespace qev::convert
