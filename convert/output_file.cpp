// Temporary files beside the targets, created exclusively, renamed into place.
#include "output_file.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace qev::convert {
namespace fs = std::filesystem;

namespace {

// Creates path only when nothing is there, so a name another process took
// in the meantime is never truncated or followed.
bool create_exclusive(const fs::path& path) {
#if defined(_WIN32)
  const int fd = _wopen(path.wstring().c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                        _S_IREAD | _S_IWRITE);
  if (fd < 0) return false;
  _close(fd);
#else
  const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::close(fd);
#endif
  return true;
}

long process_id() {
#if defined(_WIN32)
  return _getpid();
#else
  return static_cast<long>(::getpid());
#endif
}

// The file a link at target points to, so that writing replaces the file
// and keeps the link; target itself otherwise.
fs::path resolved(const fs::path& target) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    const fs::path real = fs::canonical(target, ec);
    if (!ec) return real;
  }
  return target;
}

}  // namespace

bool output_allowed(const std::string& target, const std::string& input, std::string& why) {
  std::error_code ec;
  const fs::file_status status = fs::status(target, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    why = target + " exists and is not a regular file; refusing to replace it";
    return false;
  }
  if (!input.empty() && fs::exists(status) && fs::equivalent(target, input, ec) && !ec) {
    why = target + " is the input file; write the output elsewhere";
    return false;
  }
  return true;
}

OutputFile::~OutputFile() {
  if (stream_.is_open()) stream_.close();
  if (!temp_.empty() && !committed_) {
    std::error_code ec;
    fs::remove(temp_, ec);
  }
}

bool OutputFile::open(const std::string& target, std::string& why, bool with_stream) {
  static std::atomic<unsigned> counter{0};
  const fs::path real = resolved(target);
  std::error_code ec;
  const fs::file_status status = fs::status(real, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    why = target + " exists and is not a regular file; refusing to replace it";
    return false;
  }
  target_ = real.string();
  const fs::path dir = real.parent_path();
  const std::string stem = "." + real.filename().string() + ".qev3ds-";
  const auto clock =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate =
        dir / (stem + std::to_string(process_id()) + "-" + std::to_string(counter++) + "-" +
               std::to_string((clock + attempt) % 100000) + ".tmp");
    if (create_exclusive(candidate)) {
      temp_ = candidate.string();
      break;
    }
    if (errno != EEXIST) break;
  }
  if (temp_.empty()) {
    const fs::path where = dir.empty() ? fs::path(".") : dir;
    why = "cannot create a file in " + where.string() + ": " + std::strerror(errno);
    return false;
  }
  if (with_stream) {
    stream_.open(fs::path(temp_), std::ios::binary | std::ios::trunc);
    if (!stream_) {
      why = "cannot write " + temp_;
      return false;
    }
  }
  return true;
}

bool OutputFile::finish(std::string& why) {
  if (!stream_.is_open()) return !temp_.empty();
  stream_.flush();
  const bool good = static_cast<bool>(stream_);
  stream_.close();
  if (!good || stream_.fail()) {
    why = "writing " + target_ + " failed (is the disk full?)";
    return false;
  }
  return true;
}

bool OutputFile::commit(std::string& why) {
  if (!finish(why)) return false;
  std::error_code ec;
  fs::rename(temp_, target_, ec);
  if (ec) {
    why = "cannot put " + target_ + " in place: " + ec.message();
    return false;
  }
  committed_ = true;
  return true;
}

bool commit_all(const std::vector<OutputFile*>& files, std::string& why) {
  for (OutputFile* f : files)
    if (!f->finish(why)) return false;
  for (OutputFile* f : files)
    if (!f->commit(why)) return false;
  return true;
}

}  // namespace qev::convert
