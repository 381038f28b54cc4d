// Texture files named by a scene: found inside the folders the user allowed,
// brought beside the output under a safe name in a format the output takes,
// or embedded in it, and named in URIs.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <set>
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

// The image a texture name means, inside the folders inputs allows: the
// name as written when it is a plain relative one, else (and when not found
// so) its file name alone, since 3DS files often carry their maker's drive
// and folder (".\\a.jpg", "C:\\maps\\a.jpg"). Its bytes and where it was
// found, or false and why not.
bool read_texture(const ReferencedFiles& inputs, const std::string& name, std::string& bytes,
                  std::filesystem::path& source, std::string& why);

// Pixels of an image in any format the tool reads (PNG, JPEG, BMP, TGA,
// GIF, ... and SGI), at most kMaxImagePixels, top row first.
struct DecodedImage {
  int width = 0, height = 0, channels = 0;
  std::vector<unsigned char> pixels;
};

// Decodes bytes with the channels asked for (3: RGB), or as they are
// stored when channels is 0; false and why when it cannot.
bool decode_image(const std::string& bytes, int channels, DecodedImage& image, std::string& why);

// What an output does with the images its textures name.
enum class ImageUse {
  copy_any,  // copied beside it as they are (OBJ); a missing one keeps its name
  web,       // beside it as PNG or JPEG, others converted to PNG (glTF)
  embed,     // PNG or JPEG bytes kept for the output to embed (GLB)
};

// Images for one output. A texture name is looked up as written when it is
// a plain relative name, else (and when not found so) by its file name
// alone: ".\a.jpg" and "C:\maps\a.jpg" both look for a.jpg in the allowed
// folders. An image in another format than PNG or JPEG (BMP, TGA, GIF,
// SGI) is converted to PNG where the output needs it. Files beside the
// output keep the name the image has on disk, made safe, unless another
// image of this output or a different file already there has it: then a
// suffix makes it unique, and a warning says so for an existing file. Files
// are written as temporary files and put in place by commit, with the
// output.
class TextureExport {
 public:
  TextureExport(const ReferencedFiles& inputs, std::string out_dir, ImageUse use,
                std::vector<std::string>& warnings);

  // A file name beside the output that no image may take (the output's own
  // name, its buffer), compared without regard to ASCII case.
  void reserve(const std::string& file_name);

  // The file name (not yet encoded as a URI) the output gives texture name;
  // empty, with a warning saying why, when the image cannot be used (except
  // with copy_any, where a missing texture keeps a safe form of its name).
  // With embed nothing is written: the name is the image's name.
  std::string place(const std::string& name);

  // The image of texture name with an alpha channel made from the
  // brightness of image opacity (as 3DS reads an opacity map; sampled at
  // the nearest pixel where the sizes differ), as PNG: its file name beside
  // the output (with embed, the name embedded(name + '\0' + opacity) has
  // it by); empty with why when either image cannot be read.
  std::string place_with_alpha(const std::string& name, const std::string& opacity,
                               std::string& why);

  // Bytes that no file holds (an image a glTF embeds), written beside the
  // output as file_name or, when that is taken, a unique variant of it: the
  // name used, or empty with a warning when it cannot be written.
  std::string place_bytes(const std::string& file_name, std::string bytes);

  // With embed, the bytes and MIME type of an image place() named; null
  // when it gave an empty name.
  struct Embedded {
    std::string bytes, mime_type;
  };
  const Embedded* embedded(const std::string& name) const;

  // The image files made, to be committed with the output.
  std::vector<OutputFile*> files();

  // Whether the image place() gave for name has an alpha channel.
  bool has_alpha(const std::string& name) const { return with_alpha_.count(name) != 0; }

 private:
  struct Image {
    std::string file_name;  // safe, as on disk, .png when converted
    std::string bytes;
    std::string mime_type;  // empty when copied as it is
    std::string source;     // the file it came from
  };
  bool load(const std::string& name, Image& image);
  std::string beside_output(const std::string& name, const Image& image);
  void warn_displaced(const std::string& name, const std::string& wanted, const std::string& used);

  const ReferencedFiles& inputs_;
  std::string out_dir_;
  ImageUse use_;
  std::vector<std::string>& warnings_;
  std::set<std::string> taken_;  // lower-case file names beside the output
  std::map<std::string, std::string> placed_;
  std::map<std::string, Embedded> embedded_;
  std::vector<std::unique_ptr<OutputFile>> files_;
  std::set<std::string> with_alpha_;
};

}  // namespace qev::convert
