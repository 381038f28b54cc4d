#include "texture_files.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <stb_image.h>
#include <stb_image_write.h>

namespace qev::tool {
namespace fs = std::filesystem;

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// PNG and JPEG by their first bytes, whatever the name says.
bool png_or_jpeg(const fs::path& file) {
  unsigned char head[8] = {};
  std::ifstream in(file, std::ios::binary);
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const bool png = head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G';
  const bool jpeg = head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
  return png || jpeg;
}

}  // namespace

std::string percent_encode(std::string_view s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    const bool unreserved = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                            u == '-' || u == '.' || u == '_' || u == '~' || u == '/';
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

std::string find_case_insensitive(const std::string& folder, const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return {};
  std::error_code ec;
  const fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
  if (fs::is_regular_file(dir / name, ec)) return name;
  std::string found;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    if (same_ignoring_case(candidate, name) && it->is_regular_file(ec)) {
      found = candidate;
      break;
    }
  }
  return found;
}

std::string texture_uri(const std::string& scene_path, const std::string& out_path, const std::string& name,
                        std::vector<std::string>& warnings) {
  const fs::path scene_dir = fs::path(scene_path).parent_path();
  const fs::path out_dir = fs::path(out_path).parent_path();
  const std::string on_disk = find_case_insensitive(scene_dir.string(), name);
  if (on_disk.empty()) {
    warnings.push_back("texture \"" + name + "\" is not beside " + scene_path + "; its name is kept as the URI");
    return percent_encode(name);
  }
  const fs::path source = scene_dir / on_disk;
  std::error_code ec;
  if (png_or_jpeg(source)) {
    const fs::path target = out_dir / on_disk;
    if (!fs::exists(target, ec) || !fs::equivalent(source, target, ec)) {
      fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
      if (ec) warnings.push_back("cannot copy " + source.string() + " beside the output: " + ec.message());
    }
    return percent_encode(on_disk);
  }
  // Another format: decoded and written as PNG of the same stem.
  const std::string png_name = fs::path(on_disk).replace_extension(".png").string();
  int w = 0, h = 0, channels = 0;
  unsigned char* pixels = stbi_load(source.string().c_str(), &w, &h, &channels, 0);
  if (pixels == nullptr) {
    warnings.push_back("texture " + source.string() + " is not an image this tool can read (" +
                       stbi_failure_reason() + "); its name is kept as the URI");
    return percent_encode(on_disk);
  }
  const bool written = stbi_write_png((out_dir / png_name).string().c_str(), w, h, channels, pixels, w * channels) != 0;
  stbi_image_free(pixels);
  if (!written) {
    warnings.push_back("cannot write " + (out_dir / png_name).string() + "; the texture's name is kept as the URI");
    return percent_encode(on_disk);
  }
  return percent_encode(png_name);
}

}  // namespace qev::tool
