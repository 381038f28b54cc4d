// qev3ds: the command-line face of the library.
#include <cstdio>
#include <cstring>

#include "demo_scene.h"
#include "qev_3ds.h"
#include "scene_info.h"

namespace {

constexpr const char* kVersion = "0.1.0";

// Exit codes, one per kind of failure.
enum Exit { kOk = 0, kUsage = 2, kWriteFailed = 3, kReadBase = 10 };

void usage(std::FILE* to) {
  std::fprintf(to,
               "usage: qev3ds COMMAND [ARGS]\n"
               "\n"
               "commands:\n"
               "  demo OUT.3ds    write the built-in sample scene and show it read back\n"
               "  info FILE.3ds   list the layers of a 3DS file with totals\n"
               "  --version       print the version\n"
               "  --help          this text\n"
               "\n"
               "exit codes: 0 done, 2 usage, 3 writing failed, 11 cannot open,\n"
               "12 cannot seek, 13 cannot take the position, 14 not a 3DS file\n");
}

int run_demo(const char* path) {
  std::printf("writing the sample scene to %s\n", path);
  const int status = write_demo_scene(path, stdout);
  if (status != QEV_OK) {
    std::fprintf(stderr, "qev3ds: writing %s failed (result %d)\n", path, status);
    return kWriteFailed;
  }
  std::printf("\nread back:\n");
  const int read = print_scene_info(path, stdout);
  if (read != QEV_READ_OK) {
    std::fprintf(stderr, "qev3ds: %s: %s (status %d)\n", path, read_status_text(read), read);
    return kReadBase + read;
  }
  return kOk;
}

int run_info(const char* path) {
  const int status = print_scene_info(path, stdout);
  if (status != QEV_READ_OK) {
    std::fprintf(stderr, "qev3ds: %s: %s (status %d)\n", path, read_status_text(status), status);
    return kReadBase + status;
  }
  return kOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    usage(stderr);
    return kUsage;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
    usage(stdout);
    return kOk;
  }
  if (std::strcmp(command, "--version") == 0) {
    std::printf("qev3ds %s\n", kVersion);
    return kOk;
  }
  const bool wants_help = argc > 2 && (std::strcmp(argv[2], "--help") == 0);
  if ((std::strcmp(command, "demo") == 0 || std::strcmp(command, "info") == 0) &&
      (wants_help || argc != 3)) {
    usage(wants_help ? stdout : stderr);
    return wants_help ? kOk : kUsage;
  }
  if (std::strcmp(command, "demo") == 0) return run_demo(argv[2]);
  if (std::strcmp(command, "info") == 0) return run_info(argv[2]);
  std::fprintf(stderr, "qev3ds: unknown command '%s'\n", command);
  usage(stderr);
  return kUsage;
}
