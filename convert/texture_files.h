// Texture files named by a scene: found inside the folders the user allowed,
// brought beside the output under a safe name in a format the output takes,
// and named in URIs.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "output_file.h"
#include "referenced_files.h"

namespace qev::convert {

// s with every byte outside RFC 3986's unreserved characters (letters,
// digits, "-._~") and "/" percent-encoded.
std::string percent_encode(std::string_view s);

// The bytes a URI reference names: "%XY" decoded, anything else kept.
std::string percent_decode(std::string_view s);

// The largest image decoded to be converted: 8192 x 8192 pixels, decided
// from the image's header before any pixel is decoded.
inline constexpr long long kMaxImagePixels = 8192LL * 8192LL;

// Images for one output: each texture name becomes a safe file name beside
// the output; the image is copied there (PNG and JPEG, or any image when
// any_format) or converted to PNG (BMP, TGA, GIF, ...). The files are
// written as temporary files and put in place by commit, with the output.
class TextureExport {
 public:
  TextureExport(const ReferencedFiles& inputs, std::string out_dir, bool any_format,
                std::vector<std::string>& warnings);

  // The file name (not yet encoded as a URI) the output gives texture name.
  // A texture that cannot be found or converted keeps a safe form of its
  // name, and a warning says why.
  std::string place(const std::string& name);

  // The image files made, to be committed with the output.
  std::vector<OutputFile*> files();

 private:
  const ReferencedFiles& inputs_;
  std::string out_dir_;
  bool any_format_;
  std::vector<std::string>& warnings_;
  std::map<std::string, std::string> placed_;
  std::vector<std::unique_ptr<OutputFile>> files_;
};

}  // namespace qev::convert
