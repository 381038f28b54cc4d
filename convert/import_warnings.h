// Where an importer's warnings go: the caller's list, or stderr when the
// caller keeps none, so that nothing an import leaves out goes unsaid.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace qev::convert {

class ImportWarnings {
 public:
  explicit ImportWarnings(std::vector<std::string>* list) : list_(list) {}
  void add(const std::string& text) {
    if (list_ != nullptr) {
      list_->push_back(text);
    } else {
      std::fprintf(stderr, "qev3ds: warning: %s\n", text.c_str());
    }
  }

 private:
  std::vector<std::string>* list_;
};

// "n triangles of what have a corner that is not a finite number; they are
// left out", the one warning each import gives for such corners.
// "1 face", "3 faces".
inline std::string count_of(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

inline std::string non_finite_warning(std::size_t n, const std::string& what) {
  return std::to_string(n) + (n == 1 ? " triangle of " : " triangles of ") + what +
         (n == 1 ? " has" : " have") + " a corner that is not a finite number; " +
         (n == 1 ? "it is" : "they are") + " left out";
}

}  // namespace qev::convert
