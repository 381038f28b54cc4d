#include "format_sniff.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "stl_import.h"

namespace qev::convert {
namespace {

using qev3ds::Format;

constexpr std::size_t kHead = 512;

bool starts(const std::string& head, const char* magic, std::size_t n) {
  return head.size() >= n && std::memcmp(head.data(), magic, n) == 0;
}

// Files people hand a converter by mistake, by their signatures.
const char* other_kind(const std::string& head) {
  static const struct {
    const char* magic;
    std::size_t size;
    const char* what;
  } kinds[] = {
      {"\x89PNG\r\n\x1a\n", 8, "a PNG image"},
      {"\xFF\xD8\xFF", 3, "a JPEG image"},
      {"GIF8", 4, "a GIF image"},
      {"BM", 2, "a BMP image"},
      {"PK\x03\x04", 4, "a ZIP archive"},
      {"%PDF", 4, "a PDF document"},
      {"\x1F\x8B", 2, "a gzip archive"},
      {"\x7F"
       "ELF",
       4, "a program"},
      {"MZ", 2, "a Windows program"},
  };
  for (const auto& k : kinds)
    if (starts(head, k.magic, k.size)) return k.what;
  return nullptr;
}

// Text as the OBJ, ASCII STL and glTF readers take it: no NUL bytes.
bool is_text(const std::string& head) { return head.find('\0') == std::string::npos; }

std::string first_word(const std::string& head) {
  std::size_t at = head.find_first_not_of(" \t\r\n");
  if (at == std::string::npos) return {};
  if (starts(head.substr(at), "\xEF\xBB\xBF", 3)) at += 3;  // a UTF-8 byte order mark
  const std::size_t end = head.find_first_of(" \t\r\n", at);
  return head.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

}  // namespace

Sniffed sniff_format(const std::string& path, Format hint) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return {Format::unknown, "cannot open the file"};
  if (std::filesystem::is_directory(status)) return {Format::unknown, "it is a folder, not a file"};
  if (!std::filesystem::is_regular_file(status))
    return {Format::unknown, "it is not a regular file (a pipe or a device)"};
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return {Format::unknown, "cannot open the file"};
  if (size == 0) return {Format::unknown, "the file is empty"};
  std::string head(kHead, '\0');
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {Format::unknown, "cannot open the file"};
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
  }
  if (starts(head, "glTF", 4)) return {Format::glb, {}};
  if (is_binary_stl(head, size)) return {Format::stl, {}};
  if (starts(head, "MM", 2) && head.size() >= 6) return {Format::three_ds, {}};
  if (starts(head, "\xFF\xFE", 2) || starts(head, "\xFE\xFF", 2))
    return {Format::unknown, "it is UTF-16 text; save it as UTF-8"};
  if (const char* what = other_kind(head)) return {Format::unknown, std::string("it is ") + what};
  if (!is_text(head)) return {Format::unknown, "it holds binary data, not a model this reads"};
  const std::string word = first_word(head);
  if (!word.empty() && word[0] == '{') return {Format::gltf, {}};
  if (word == "solid") return {Format::stl, {}};
  if (hint == Format::gltf) return {Format::unknown, "it is not glTF JSON"};
  if (hint == Format::stl) return {Format::unknown, "it is not an STL file"};
  return {Format::obj, {}};
}

}  // namespace qev::convert
