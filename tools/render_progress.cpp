#include "render_progress.h"

#include <cstdio>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qev::tool {

bool stderr_is_terminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

Progress::Progress(bool enabled)
    : enabled_(enabled), start_(std::chrono::steady_clock::now()), last_(start_) {}

Progress::~Progress() {
  if (shown_) std::fprintf(stderr, "\r%40s\r", "");
}

void Progress::update(double done, double total) {
  // The clock is read every 256th call only.
  if (!enabled_ || (++calls_ & 255) != 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < std::chrono::seconds(1)) return;
  if (shown_ && now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  shown_ = true;
  const int percent = total > 0 ? static_cast<int>(100 * done / total) : 0;
  std::fprintf(stderr, "\rqev3ds: drawing %d%%", percent > 100 ? 100 : percent);
  std::fflush(stderr);
}

}  // namespace qev::tool
