// Looking up the files an input names, inside the allowed folders only.
#include "referenced_files.h"

#include <fstream>
#include <system_error>

namespace qev::convert {
namespace fs = std::filesystem;

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// The name's components, "." and empty ones dropped; ".." already refused.
std::vector<std::string> components(std::string_view name) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : name) {
    if (c == '/' || c == '\\') {
      if (!part.empty() && part != ".") parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty() && part != ".") parts.push_back(part);
  return parts;
}

// Whether path lies inside folder (both real paths, links resolved).
bool inside(const fs::path& path, const fs::path& folder) {
  const fs::path rel = path.lexically_relative(folder);
  return !rel.empty() && *rel.begin() != ".." && !rel.is_absolute();
}

// The entry of dir whose name equals name, ASCII case aside: the exact name
// first; empty when none.
fs::path entry_ignoring_case(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(dir / name, ec))) return dir / name;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (same_ignoring_case(it->path().filename().string(), name)) return it->path();
  }
  return {};
}

}  // namespace

bool plain_relative_name(std::string_view name, std::string& why) {
  if (name.empty()) {
    why = "the name is empty";
    return false;
  }
  if (name.find('\0') != std::string_view::npos) {
    why = "the name holds a NUL byte";
    return false;
  }
  if (name.front() == '/' || name.front() == '\\') {
    why = "it is an absolute path";
    return false;
  }
  // "C:x", "C:\x", "file:", "http:" and NTFS streams ("a:b") all need a
  // colon; no plain file name does.
  if (name.find(':') != std::string_view::npos) {
    why = "it names a drive, a URI scheme or a stream";
    return false;
  }
  int depth = 0;
  std::string_view rest = name;
  while (!rest.empty()) {
    const std::size_t cut = rest.find_first_of("/\\");
    const std::string_view part = rest.substr(0, cut);
    if (part == "..") {
      if (--depth < 0) {
        why = "it leaves the folder with \"..\"";
        return false;
      }
    } else if (!part.empty() && part != ".") {
      ++depth;
    }
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
  }
  return true;
}

ReferencedFiles::ReferencedFiles(std::vector<fs::path> folders) : folders_(std::move(folders)) {}

ReferencedFiles ReferencedFiles::beside(const std::string& input_path,
                                        const std::vector<std::string>& extra_folders) {
  fs::path own = fs::path(input_path).parent_path();
  if (own.empty()) own = ".";
  std::vector<fs::path> folders{own};
  for (const std::string& f : extra_folders) folders.emplace_back(f);
  return ReferencedFiles(std::move(folders));
}

fs::path ReferencedFiles::find(std::string_view name, std::string& why) const {
  if (!plain_relative_name(name, why)) return {};
  // A name with ".." that stays inside is resolved lexically first.
  std::vector<std::string> parts;
  for (std::string& p : components(name)) {
    if (p == "..") {
      parts.pop_back();
    } else {
      parts.push_back(std::move(p));
    }
  }
  if (parts.empty()) {
    why = "it names the folder itself";
    return {};
  }
  why = "not found";
  for (const fs::path& folder : folders_) {
    std::error_code ec;
    const fs::path root = fs::canonical(folder, ec);
    if (ec) continue;
    fs::path candidate = root;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) candidate /= parts[i];
    candidate = entry_ignoring_case(candidate, parts.back());
    if (candidate.empty()) continue;
    const fs::path real = fs::canonical(candidate, ec);
    if (ec) continue;  // a dangling link
    if (!inside(real, root)) {
      why = "it is a link that leads out of " + folder.string();
      return {};
    }
    const fs::file_status status = fs::status(real, ec);
    if (ec || !fs::is_regular_file(status)) {
      why = "it is not a regular file";
      return {};
    }
    const std::uintmax_t size = fs::file_size(real, ec);
    if (ec || size > kMaxReferencedFile) {
      why = "it is larger than " + std::to_string(kMaxReferencedFile >> 20) + " MiB";
      return {};
    }
    why.clear();
    return real;
  }
  return {};
}

bool ReferencedFiles::read(std::string_view name, std::string& bytes, std::string& why) const {
  const fs::path path = find(name, why);
  if (path.empty()) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "it cannot be opened";
    return false;
  }
  // At most the cap and one byte more: a file that grew after it was
  // measured is refused too.
  bytes.clear();
  char block[1 << 16];
  while (in) {
    in.read(block, sizeof block);
    bytes.append(block, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxReferencedFile) {
      why = "it is larger than " + std::to_string(kMaxReferencedFile >> 20) + " MiB";
      bytes.clear();
      return false;
    }
  }
  if (in.bad()) {
    why = "reading it failed";
    return false;
  }
  return true;
}

std::string safe_file_name(std::string_view name) {
  const std::size_t slash = name.find_last_of("/\\:");
  std::string out(slash == std::string_view::npos ? name : name.substr(slash + 1));
  for (char& c : out) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
    if (!plain) c = '_';
  }
  while (!out.empty() && (out.front() == '-' || out.front() == '.')) out.front() = '_';
  return out.empty() ? std::string("texture") : out;
}

}  // namespace qev::convert
