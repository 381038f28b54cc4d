// The images a glTF file embeds, brought beside a 3DS file converted from
// it: a 3DS material names its texture by file name only.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "layer_file.h"
#include "qev_3ds_scene.hpp"
#include "texture_files.h"

namespace qev::convert {

class EmbeddedImages {
 public:
  // Writes (as temporary files) beside out every image that source embeds
  // and that a material of scene, or a layer of layers, names; a name that
  // a different file beside out already has is changed, with a warning.
  // Nothing happens when source is not glTF or names no such image.
  EmbeddedImages(const std::string& source, const std::string& out, const qev3ds::Scene& scene,
                 const Layers* layers, const std::vector<std::string>& texture_folders,
                 std::vector<std::string>& warnings);

  // scene, or a copy in renamed with the texture names changed.
  const qev3ds::Scene& named(const qev3ds::Scene& scene, qev3ds::Scene& renamed) const;
  const Layers* named(const Layers* layers, Layers& renamed) const;

  // Puts the images in place, once the 3DS file is.
  bool commit(std::string& why);

 private:
  std::unique_ptr<ReferencedFiles> inputs_;
  std::unique_ptr<TextureExport> images_;
  std::map<std::string, std::string> renamed_;  // texture name -> file name beside out
};

}  // namespace qev::convert
