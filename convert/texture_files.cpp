#include "texture_files.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <filesystem>
#include <system_error>

namespace qev::convert {
namespace fs = std::filesystem;

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// PNG and JPEG by their first bytes, whatever the name says.
bool png_or_jpeg(const std::string& bytes) {
  const auto b = [&](std::size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
  };
  const bool png = b(0) == 0x89 && b(1) == 'P' && b(2) == 'N' && b(3) == 'G';
  const bool jpeg = b(0) == 0xFF && b(1) == 0xD8 && b(2) == 0xFF;
  return png || jpeg;
}

void append_to(void* context, void* data, int size) {
  static_cast<std::ostream*>(context)->write(static_cast<const char*>(data), size);
}

}  // namespace

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

TextureExport::TextureExport(const ReferencedFiles& inputs, std::string out_dir, bool any_format,
                             std::vector<std::string>& warnings)
    : inputs_(inputs), out_dir_(std::move(out_dir)), any_format_(any_format), warnings_(warnings) {}

std::string TextureExport::place(const std::string& name) {
  const auto known = placed_.find(name);
  if (known != placed_.end()) return known->second;
  std::string& result = placed_[name];
  std::string why;
  const fs::path source = inputs_.find(name, why);
  if (source.empty()) {
    result = safe_file_name(name);
    warnings_.push_back("texture \"" + name + "\" is not used: " + why + "; the output names \"" +
                        result + "\"");
    return result;
  }
  std::string bytes;
  if (!inputs_.read(name, bytes, why)) {
    result = safe_file_name(name);
    warnings_.push_back("texture \"" + name + "\" is not used: " + why);
    return result;
  }
  // The name the file has on disk, made safe.
  const std::string on_disk = safe_file_name(source.filename().string());
  const fs::path out_dir = out_dir_.empty() ? fs::path(".") : fs::path(out_dir_);
  std::error_code ec;
  if (any_format_ || png_or_jpeg(bytes)) {
    result = on_disk;
    const fs::path target = out_dir / on_disk;
    if (fs::exists(target, ec) && fs::equivalent(source, target, ec))
      return result;  // already there
    auto file = std::make_unique<OutputFile>();
    if (!file->open(target.string(), why)) {
      warnings_.push_back("texture \"" + name + "\" is not copied: " + why);
      return result;
    }
    file->stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    files_.push_back(std::move(file));
    return result;
  }
  // Another format: decoded, when its header gives a size worth decoding,
  // and written as PNG of the same stem.
  result = fs::path(on_disk).replace_extension(".png").string();
  int w = 0, h = 0, channels = 0;
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int length = bytes.size() > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes.size());
  if (!stbi_info_from_memory(data, length, &w, &h, &channels)) {
    warnings_.push_back("texture \"" + name + "\" is not an image this tool can read (" +
                        stbi_failure_reason() + "); the output names \"" + result + "\"");
    return result;
  }
  if (static_cast<long long>(w) * h > kMaxImagePixels) {
    warnings_.push_back(
        "texture \"" + name + "\" is " + std::to_string(w) + " x " + std::to_string(h) +
        " pixels, more than this tool converts; the output names \"" + result + "\"");
    return result;
  }
  unsigned char* pixels = stbi_load_from_memory(data, length, &w, &h, &channels, 0);
  if (pixels == nullptr) {
    warnings_.push_back("texture \"" + name + "\" cannot be decoded (" +
                        std::string(stbi_failure_reason()) + "); the output names \"" + result +
                        "\"");
    return result;
  }
  auto file = std::make_unique<OutputFile>();
  if (file->open((out_dir / result).string(), why)) {
    if (stbi_write_png_to_func(append_to, &file->stream(), w, h, channels, pixels, w * channels) !=
        0) {
      files_.push_back(std::move(file));
    } else {
      warnings_.push_back("texture \"" + name + "\" could not be converted to PNG");
    }
  } else {
    warnings_.push_back("texture \"" + name + "\" is not converted: " + why);
  }
  stbi_image_free(pixels);
  return result;
}

std::vector<OutputFile*> TextureExport::files() {
  std::vector<OutputFile*> out;
  for (auto& f : files_) out.push_back(f.get());
  return out;
}

}  // namespace qev::convert
