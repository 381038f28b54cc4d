// Per-test temporary files, removed when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "chunk_builder.h"
#include "qev_3ds.h"

#if defined(_WIN32)
#include <process.h>
inline int getpid_portable() { return _getpid(); }
#else
#include <unistd.h>
inline int getpid_portable() { return static_cast<int>(getpid()); }
#endif

namespace qev::test {

class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "qev";
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    dir_ = std::filesystem::temp_directory_path() /
           ("qev3ds-" + std::to_string(getpid_portable()) + "-" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string path(const std::string& file) const { return (dir_ / file).string(); }

 private:
  std::filesystem::path dir_;
};

inline Bytes read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_bytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qev::test

namespace qev::test {

// Writes bytes to a file in dir and reads it through the exported call;
// returns the status, checking that result and argument agree.
inline std::int32_t parse_bytes(const TempDir& dir, const Bytes& bytes) {
  const std::string path = dir.path("in.3ds");
  write_bytes(path, bytes);
  std::int32_t status = -1;
  EXPECT_EQ(QEV_READ_3DS_FILENAME(path.c_str(), &status), status);
  return status;
}

}  // namespace qev::test
