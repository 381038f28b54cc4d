// Every file the tool writes goes to a temporary file beside its target and
// is renamed into place once whole: a failed write leaves whatever was at the
// target untouched, and the only file ever removed is the tool's own.
#pragma once

#include <fstream>
#include <string>
#include <vector>

namespace qev::convert {

// Whether target may be written: refused when it exists and is not a
// regular file (a folder, a device, a FIFO) or when it is input itself
// under any spelling or link. why says which.
bool output_allowed(const std::string& target, const std::string& input, std::string& why);

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // removes the temporary file unless committed

  // Makes the temporary file beside target (beside the file a link at
  // target points to, so the link survives), opened for writing unless
  // with_stream is false (for writers that open the path themselves).
  bool open(const std::string& target, std::string& why, bool with_stream = true);

  std::ostream& stream() { return stream_; }
  const std::string& temp_path() const { return temp_; }
  const std::string& target() const { return target_; }

  // Flushes and closes the stream; false with why when any write failed.
  bool finish(std::string& why);
  // Renames the finished temporary file over the target.
  bool commit(std::string& why);

 private:
  std::string target_;  // links resolved
  std::string temp_;
  std::ofstream stream_;
  bool committed_ = false;
};

// Finishes every file, then renames them all into place; nothing is renamed
// unless every file was written whole.
bool commit_all(const std::vector<OutputFile*>& files, std::string& why);

}  // namespace qev::convert
