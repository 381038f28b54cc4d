// The folder the file-based fuzz targets write their input into, with the
// companions an input may name: a small buffer, a material library and an
// image beside it, a FIFO beside it, and a link to a FIFO outside it. An
// input that makes an importer open either FIFO hangs it, which libFuzzer
// reports as a timeout: nothing outside the folder and nothing but regular
// files may be opened.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class CompanionFolder {
 public:
  CompanionFolder() {
    root_ =
        std::filesystem::temp_directory_path() / ("qev3ds-fuzz-files-" + std::to_string(getpid()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "in");
    const float triangle[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::ofstream(root_ / "in" / "tri.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(triangle), sizeof triangle);
    std::ofstream(root_ / "in" / "m.mtl") << "newmtl red\nKd 1 0 0\nd 0.5\nmap_Kd t.png\n";
    // The eight bytes that open every PNG, and nothing more.
    std::ofstream(root_ / "in" / "t.png", std::ios::binary) << "\x89PNG\r\n\x1a\n";
    for (const char* fifo : {"outside.bin", "in/pipe.bin", "in/pipe.mtl"}) {
      if (mkfifo((root_ / fifo).c_str(), 0600) != 0) std::abort();
    }
    std::filesystem::create_symlink("../outside.bin", root_ / "in" / "link.bin");
    std::filesystem::create_symlink("../outside.bin", root_ / "in" / "link.mtl");
  }
  ~CompanionFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  CompanionFolder(const CompanionFolder&) = delete;
  CompanionFolder& operator=(const CompanionFolder&) = delete;

  // Writes bytes as the input file named name in the folder; its path.
  std::string input(const std::string& name, const std::uint8_t* data, std::size_t size) const {
    const std::filesystem::path path = root_ / "in" / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path.string();
  }

 private:
  std::filesystem::path root_;
};
