// C runtime files behind the platform seam.
#include "platform/file_io.h"

#include <climits>

#include "platform/fault_injection.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qev::platform {

std::FILE* open_file(const char* path, const char* mode) {
  if (should_fail(FaultPoint::open)) return nullptr;
  return std::fopen(path, mode);
}

std::size_t read_file(std::FILE* f, void* dst, std::size_t n) {
  if (should_fail(FaultPoint::read)) return 0;
  return std::fread(dst, 1, n, f);
}

std::size_t write_file(std::FILE* f, const void* src, std::size_t n) {
  if (should_fail(FaultPoint::write)) return 0;
  return std::fwrite(src, 1, n, f);
}

bool seek_file(std::FILE* f, std::int64_t offset) {
  if (should_fail(FaultPoint::seek)) return false;
  // Offsets come from signed 32-bit chunk positions; anything else is refused
  // rather than truncated into a wrong position.
  if (offset < 0 || offset > LONG_MAX) return false;
  return std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0;
}

bool seek_file_end(std::FILE* f) {
  if (should_fail(FaultPoint::seek)) return false;
  return std::fseek(f, 0, SEEK_END) == 0;
}

std::int64_t tell_file(std::FILE* f) {
  if (should_fail(FaultPoint::tell)) return -1;
  return std::ftell(f);
}

bool rewind_file(std::FILE* f) {
  if (should_fail(FaultPoint::seek)) return false;
  return std::fseek(f, 0, SEEK_SET) == 0;
}

bool close_file(std::FILE* f) {
  const bool injected = should_fail(FaultPoint::close);
  // The stream is released whatever happens, so nothing leaks on failure.
  const bool closed = std::fclose(f) == 0;
  return closed && !injected;
}

std::FILE* create_new_file(const char* path) {
  if (should_fail(FaultPoint::open)) return nullptr;
#if defined(_WIN32)
  const int fd = _open(path, _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* f = _fdopen(fd, "wb");
#else
  const int fd = ::open(path, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, "wb");
#endif
  if (f == nullptr) {
#if defined(_WIN32)
    _close(fd);
#else
    ::close(fd);
#endif
  }
  return f;
}

std::FILE* create_temp_beside(const std::string& path, std::string& temp) {
  for (int n = 0; n < 1000; ++n) {
    temp = path + ".qev3ds-" + std::to_string(n) + ".tmp";
    if (std::FILE* f = create_new_file(temp.c_str())) return f;
  }
  temp.clear();
  return nullptr;
}

bool replace_file(const char* from, const char* to) {
#if defined(_WIN32)
  // rename() refuses an existing target on Windows; MoveFileEx replaces it
  // in one step.
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from, to) == 0;
#endif
}

bool remove_file(const char* path) { return std::remove(path) == 0; }

std::int64_t measure_file_size(const char* path) {
  if (should_fail(FaultPoint::measure)) return -1;
#if defined(_WIN32)
  const int fd = _open(path, _O_RDONLY | _O_BINARY);
  if (fd < 0) return -1;
  const long size = _filelength(fd);
  const bool closed = _close(fd) == 0;
  return (size < 0 || !closed) ? -1 : static_cast<std::int64_t>(size);
#else
  const int fd = ::open(path, O_RDONLY);
  if (fd < 0) return -1;
  struct stat st {};
  const bool measured = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const bool closed = ::close(fd) == 0;
  return (measured && closed) ? static_cast<std::int64_t>(st.st_size) : -1;
#endif
}

}  // namespace qev::platform
