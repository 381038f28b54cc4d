#include "texture_files.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <filesystem>
#include <fstream>
#include <system_error>

#include "sgi_image.h"

namespace qev::convert {
namespace fs = std::filesystem;

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lower_case(std::string s) {
  for (char& c : s) c = lower(c);
  return s;
}

// The MIME type of a PNG or JPEG by its first bytes, whatever the name
// says; empty for anything else.
std::string mime_type_of(const std::string& bytes) {
  const auto b = [&](std::size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
  };
  if (b(0) == 0x89 && b(1) == 'P' && b(2) == 'N' && b(3) == 'G') return "image/png";
  if (b(0) == 0xFF && b(1) == 0xD8 && b(2) == 0xFF) return "image/jpeg";
  return {};
}

std::string last_component(const std::string& name) {
  const std::size_t cut = name.find_last_of("/\\:");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

bool same_bytes(const fs::path& path, const std::string& bytes) {
  std::error_code ec;
  if (fs::file_size(path, ec) != bytes.size() || ec) return false;
  std::ifstream in(path, std::ios::binary);
  std::string have(bytes.size(), '\0');
  in.read(have.data(), static_cast<std::streamsize>(have.size()));
  return in.gcount() == static_cast<std::streamsize>(bytes.size()) && have == bytes;
}

void append_to(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                             static_cast<std::size_t>(size));
}

// An image in any format stb_image reads (BMP, TGA, GIF, ...) or SGI, as
// PNG bytes; false with why when it cannot be decoded or is too large.
bool to_png(const std::string& bytes, std::string& png, std::string& why) {
  png.clear();
  DecodedImage image;
  if (!decode_image(bytes, 0, image, why)) return false;
  if (stbi_write_png_to_func(append_to, &png, image.width, image.height, image.channels,
                             image.pixels.data(), image.width * image.channels) == 0) {
    why = "it could not be encoded as PNG";
    return false;
  }
  return true;
}

// SGI pixels of any channel count as the channels asked for: grey is
// repeated, alpha dropped or made opaque.
void convert_channels(SgiImage& from, int channels, DecodedImage& to) {
  to.width = from.width;
  to.height = from.height;
  if (channels == 0 || channels == from.channels) {
    to.channels = from.channels;
    to.pixels = std::move(from.pixels);
    return;
  }
  to.channels = channels;
  const std::size_t count = static_cast<std::size_t>(from.width) * from.height;
  to.pixels.assign(count * static_cast<std::size_t>(channels), 255);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char* p = &from.pixels[i * static_cast<std::size_t>(from.channels)];
    const bool grey = from.channels < 3;
    for (int c = 0; c < channels; ++c) {
      unsigned char v = 255;
      if (c < 3)
        v = grey ? p[0] : p[c];
      else if (from.channels == 2 || from.channels == 4)
        v = p[from.channels - 1];
      to.pixels[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = v;
    }
  }
}

}  // namespace

bool decode_image(const std::string& bytes, int channels, DecodedImage& image, std::string& why) {
  if (is_sgi(bytes)) {
    SgiImage sgi;
    if (!decode_sgi(bytes, kMaxImagePixels, sgi, why)) return false;
    convert_channels(sgi, channels, image);
    return true;
  }
  int w = 0, h = 0, stored = 0;
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int length = bytes.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes.size());
  if (!stbi_info_from_memory(data, length, &w, &h, &stored)) {
    why = std::string("it is not an image this tool can read (") + stbi_failure_reason() + ")";
    return false;
  }
  if (static_cast<long long>(w) * h > kMaxImagePixels) {
    why = "it is " + std::to_string(w) + " x " + std::to_string(h) +
          " pixels, more than this tool decodes";
    return false;
  }
  unsigned char* pixels = stbi_load_from_memory(data, length, &w, &h, &stored, channels);
  if (pixels == nullptr) {
    why = std::string("it cannot be decoded (") + stbi_failure_reason() + ")";
    return false;
  }
  image.width = w;
  image.height = h;
  image.channels = channels == 0 ? stored : channels;
  image.pixels.assign(pixels, pixels + static_cast<std::size_t>(w) * h * image.channels);
  stbi_image_free(pixels);
  return true;
}

bool read_texture(const ReferencedFiles& inputs, const std::string& name, std::string& bytes,
                  fs::path& source, std::string& why) {
  std::vector<std::string> candidates;
  std::string first_why;
  if (plain_relative_name(name, first_why)) candidates.push_back(name);
  const std::string file_name = last_component(name);
  if (!file_name.empty() && (candidates.empty() || candidates[0] != file_name))
    candidates.push_back(file_name);
  for (const std::string& c : candidates) {
    source = inputs.find(c, why);
    if (first_why.empty()) first_why = why;
    if (!source.empty()) return inputs.read(c, bytes, why);
  }
  if (!first_why.empty()) why = first_why;
  return false;
}

std::string percent_encode(std::string_view s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    const bool unreserved = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                            (u >= '0' && u <= '9') || u == '-' || u == '.' || u == '_' ||
                            u == '~' || u == '/';
    if (unreserved) {
      out += c;
    } else {
      out += '%';
      out += hex[u >> 4];
      out += hex[u & 15];
    }
  }
  return out;
}

std::string percent_decode(std::string_view s) {
  auto value = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && value(s[i + 1]) >= 0 && value(s[i + 2]) >= 0) {
      out += static_cast<char>(value(s[i + 1]) * 16 + value(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

TextureExport::TextureExport(const ReferencedFiles& inputs, std::string out_dir, ImageUse use,
                             std::vector<std::string>& warnings)
    : inputs_(inputs), out_dir_(std::move(out_dir)), use_(use), warnings_(warnings) {}

void TextureExport::reserve(const std::string& file_name) { taken_.insert(lower_case(file_name)); }

bool TextureExport::load(const std::string& name, Image& image) {
  fs::path source;
  std::string why;
  if (!read_texture(inputs_, name, image.bytes, source, why)) {
    warnings_.push_back("texture \"" + name + "\" is not used: " + why);
    return false;
  }
  image.source = source.string();
  image.file_name = safe_file_name(source.filename().string());
  image.mime_type = mime_type_of(image.bytes);
  if (!image.mime_type.empty() || use_ == ImageUse::copy_any) return true;
  // Another format, decoded and encoded again as PNG of the same stem.
  std::string png;
  if (!to_png(image.bytes, png, why)) {
    warnings_.push_back("texture \"" + name + "\" is not used: " + why);
    return false;
  }
  image.bytes = std::move(png);
  image.mime_type = "image/png";
  image.file_name = fs::path(image.file_name).replace_extension(".png").string();
  return true;
}

void TextureExport::warn_displaced(const std::string& name, const std::string& wanted,
                                   const std::string& used) {
  warnings_.push_back("texture \"" + name + "\" is named \"" + used + "\" beside the output: \"" +
                      wanted + "\" there is a different file, kept");
}

std::string TextureExport::beside_output(const std::string& name, const Image& image) {
  const fs::path out_dir = out_dir_.empty() ? fs::path(".") : fs::path(out_dir_);
  const fs::path wanted(image.file_name);
  const std::string stem = wanted.stem().string(), ext = wanted.extension().string();
  std::error_code ec;
  bool displaced = false;
  for (int n = 1;; ++n) {
    const std::string candidate = n == 1 ? image.file_name : stem + "_" + std::to_string(n) + ext;
    if (taken_.count(lower_case(candidate)) != 0) continue;
    const fs::path target = out_dir / candidate;
    if (fs::exists(fs::symlink_status(target, ec))) {
      const bool same = (!image.source.empty() && fs::equivalent(image.source, target, ec)) ||
                        (fs::is_regular_file(target, ec) && same_bytes(target, image.bytes));
      if (!same) {
        displaced = true;
        continue;
      }
      taken_.insert(lower_case(candidate));
      if (displaced) warn_displaced(name, image.file_name, candidate);
      return candidate;  // already there
    }
    std::string why;
    auto file = std::make_unique<OutputFile>();
    if (!file->open(target.string(), why)) {
      warnings_.push_back("texture \"" + name + "\" is not written: " + why);
      return {};
    }
    file->stream().write(image.bytes.data(), static_cast<std::streamsize>(image.bytes.size()));
    files_.push_back(std::move(file));
    taken_.insert(lower_case(candidate));
    if (displaced) warn_displaced(name, image.file_name, candidate);
    return candidate;
  }
}

std::string TextureExport::place(const std::string& name) {
  const auto known = placed_.find(name);
  if (known != placed_.end()) return known->second;
  std::string& result = placed_[name];
  Image image;
  if (!load(name, image)) {
    if (use_ == ImageUse::copy_any) result = safe_file_name(name);
    return result;
  }
  int width = 0, height = 0, channels = 0;
  const int length =
      image.bytes.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(image.bytes.size());
  if (stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(image.bytes.data()), length, &width,
                            &height, &channels) &&
      (channels == 2 || channels == 4))
    with_alpha_.insert(name);
  if (use_ == ImageUse::embed) {
    result = image.file_name;
    embedded_[name] = Embedded{std::move(image.bytes), image.mime_type};
    return result;
  }
  result = beside_output(name, image);
  return result;
}

std::string TextureExport::place_with_alpha(const std::string& name, const std::string& opacity,
                                            std::string& why) {
  const std::string key = name + std::string(1, '\0') + opacity;
  const auto known = placed_.find(key);
  if (known != placed_.end()) return known->second;
  std::string& result = placed_[key];
  DecodedImage colour, alpha;
  fs::path colour_source, alpha_source;
  std::string bytes;
  if (!read_texture(inputs_, name, bytes, colour_source, why) ||
      !decode_image(bytes, 4, colour, why)) {
    why = "\"" + name + "\" " + why;
    return result;
  }
  if (!read_texture(inputs_, opacity, bytes, alpha_source, why) ||
      !decode_image(bytes, 3, alpha, why)) {
    why = "\"" + opacity + "\" " + why;
    return result;
  }
  const std::size_t cw = static_cast<std::size_t>(colour.width);
  const std::size_t ch = static_cast<std::size_t>(colour.height);
  const std::size_t aw = static_cast<std::size_t>(alpha.width);
  const std::size_t ah = static_cast<std::size_t>(alpha.height);
  for (std::size_t y = 0; y < ch; ++y)
    for (std::size_t x = 0; x < cw; ++x) {
      const unsigned char* p = &alpha.pixels[3 * ((y * ah / ch) * aw + x * aw / cw)];
      const int luma = (299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000;
      colour.pixels[4 * (y * cw + x) + 3] = static_cast<unsigned char>(luma);
    }
  Image image;
  image.file_name = safe_file_name(colour_source.stem().string() + "_" +
                                   alpha_source.stem().string() + "_alpha.png");
  image.mime_type = "image/png";
  if (stbi_write_png_to_func(append_to, &image.bytes, colour.width, colour.height, 4,
                             colour.pixels.data(), colour.width * 4) == 0) {
    why = "\"" + name + "\" could not be encoded as PNG";
    return result;
  }
  if (use_ == ImageUse::embed) {
    result = image.file_name;
    embedded_[key] = Embedded{std::move(image.bytes), image.mime_type};
    return result;
  }
  result = beside_output(name, image);
  if (result.empty()) why = "it could not be written";
  return result;
}

std::string TextureExport::place_bytes(const std::string& file_name, std::string bytes) {
  Image image;
  image.file_name = safe_file_name(file_name);
  image.bytes = std::move(bytes);
  return beside_output(file_name, image);
}

const TextureExport::Embedded* TextureExport::embedded(const std::string& name) const {
  const auto it = embedded_.find(name);
  return it == embedded_.end() ? nullptr : &it->second;
}

std::vector<OutputFile*> TextureExport::files() {
  std::vector<OutputFile*> out;
  for (auto& f : files_) out.push_back(f.get());
  return out;
}

}  // namespace qev::convert
