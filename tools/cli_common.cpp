#include "cli_common.h"

#include <cstdio>

namespace qev::tool {

namespace {
int quiet = 0;
}  // namespace

void set_quiet(int level) { quiet = level; }
int quiet_level() { return quiet; }

int print_report(const qev3ds::ConvertReport& report) {
  if (quiet < 2) {
    for (const std::string& w : report.warnings)
      std::fprintf(stderr, "qev3ds: warning: %s\n", w.c_str());
  }
  if (quiet < 1) {
    for (const std::string& n : report.notes) std::printf("%s\n", n.c_str());
  }
  if (report.ok()) {
    if (!report.message.empty() && quiet < 1) std::printf("%s\n", report.message.c_str());
  } else {
    std::fprintf(stderr, "qev3ds: %s\n", report.message.c_str());
  }
  return report.status;
}

int read_or_report(const std::string& path, qev3ds::Scene& scene,
                   const qev3ds::ConvertOptions& options) {
  qev3ds::ImportResult read = qev3ds::import_file(path, options);
  if (const int rc = print_report(read.report)) return rc;
  scene = std::move(read.scene);
  return kOk;
}

}  // namespace qev::tool
