// A line on stderr that shows how far a long picture has come: only when
// stderr is a terminal, and only once the picture has taken a second.
#pragma once

#include <chrono>

namespace qev::tool {

// Whether stderr is a terminal (not a file or a pipe).
bool stderr_is_terminal();

class Progress {
 public:
  explicit Progress(bool enabled);
  ~Progress();  // clears the line if one was shown
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // done out of total units of work; cheap to call often.
  void update(double done, double total);

 private:
  bool enabled_, shown_ = false;
  std::chrono::steady_clock::time_point start_, last_;
  int calls_ = 0;
};

}  // namespace qev::tool
