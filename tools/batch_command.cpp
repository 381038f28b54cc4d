#include "batch_command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "cli_common.h"
#include "render_progress.h"
#include "worker_threads.h"

namespace qev::tool {
namespace fs = std::filesystem;

void add_batch_options(CLI::App& convert, BatchSettings& settings) {
  convert
      .add_option("--to", settings.to,
                  "convert every IN to this format (3ds, obj, gltf, glb or stl) in --out-dir; "
                  "IN may be folders")
      ->transform(CLI::IsMember({"3ds", "obj", "gltf", "glb", "stl"}, CLI::ignore_case));
  convert.add_option("--out-dir", settings.out_dir,
                     "with --to: the folder to write into (made if missing); a folder's files "
                     "keep their sub-folders under it");
  convert
      .add_option("-j,--jobs", settings.jobs,
                  "with --to: files converted at once (default: "
                  "one per processor)")
      ->check(CLI::Range(1u, 256u));
  convert.add_flag("-r,--recursive", settings.recursive,
                   "with --to: take the files of the folders' sub-folders too");
}

namespace {

bool is_model(const fs::path& p) {
  return qev3ds::format_of(p.string()) != qev3ds::Format::unknown;
}

// A folder's model files, sorted by name; sub-folders only when recursive,
// and never the output folder.
std::vector<fs::path> folder_files(const fs::path& root, bool recursive, const fs::path& out_dir,
                                   std::error_code& ec) {
  std::vector<fs::path> files;
  const auto options = fs::directory_options::skip_permission_denied;
  std::error_code ignored;
  auto skip_dir = [&](const fs::path& dir) { return fs::equivalent(dir, out_dir, ignored); };
  if (recursive) {
    for (fs::recursive_directory_iterator it(root, options, ec), end; !ec && it != end;
         it.increment(ec)) {
      if (it->is_directory(ignored)) {
        if (skip_dir(it->path())) it.disable_recursion_pending();
      } else if (it->is_regular_file(ignored) && is_model(it->path())) {
        files.push_back(it->path());
      }
    }
  } else {
    for (fs::directory_iterator it(root, options, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file(ignored) && is_model(it->path())) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A line on stderr: [#####.....] done/total, redrawn as files finish.
class BatchBar {
 public:
  explicit BatchBar(bool enabled) : enabled_(enabled) {}
  ~BatchBar() { clear(); }
  void draw(std::size_t done, std::size_t total, std::size_t failed) {
    if (!enabled_ || total == 0) return;
    constexpr std::size_t kWidth = 30;
    const std::size_t filled = kWidth * done / total;
    std::string line = "\rqev3ds: [" + std::string(filled, '#') +
                       std::string(kWidth - filled, '.') + "] " + std::to_string(done) + "/" +
                       std::to_string(total);
    if (failed) line += ", " + std::to_string(failed) + " failed";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    shown_ = line.size();
  }
  void clear() {
    if (!shown_) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(shown_), "");
    std::fflush(stderr);
    shown_ = 0;
  }

 private:
  bool enabled_;
  std::size_t shown_ = 0;  // the length of the line shown
};

// The report's message without the input's name in front.
std::string reason(const qev3ds::ConvertReport& report, const std::string& in) {
  if (report.message.empty()) return "failed: out of memory or an internal fault";
  const std::string prefix = in + ": ";
  if (report.message.compare(0, prefix.size(), prefix) == 0)
    return report.message.substr(prefix.size());
  return report.message;
}

}  // namespace

BatchPlan plan_batch(const std::vector<std::string>& inputs, const BatchSettings& settings) {
  BatchPlan plan;
  std::string ext = settings.to;
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  const fs::path out_dir(settings.out_dir);
  std::map<fs::path, std::size_t> taken;  // output -> the item that writes it
  auto add = [&](const fs::path& in, const fs::path& sub) {
    fs::path out = out_dir / sub / in.stem();
    out += "." + ext;
    if (taken.count(out)) {
      const fs::path first = out;
      out = out_dir / sub / in.filename();
      out += "." + ext;
      for (int n = 2; taken.count(out); ++n) {
        out = out_dir / sub / in.filename();
        out += "-" + std::to_string(n) + "." + ext;
      }
      plan.notes.push_back(in.string() + ": written as " + out.string() + ", as " +
                           plan.items[taken[first]].in + " writes " + first.string());
    }
    taken[out] = plan.items.size();
    plan.items.push_back({in.string(), out.string()});
  };
  for (const std::string& input : inputs) {
    std::error_code ec;
    if (!fs::is_directory(input, ec)) {
      add(input, {});
      continue;
    }
    const fs::path root(input);
    for (const fs::path& file : folder_files(root, settings.recursive, out_dir, ec))
      add(file, file.lexically_relative(root).parent_path());
    if (ec) plan.unreadable.push_back({input, "cannot list the folder: " + ec.message()});
  }
  return plan;
}

int run_batch(const std::vector<std::string>& inputs, const BatchSettings& settings,
              const qev3ds::ConvertOptions& options) {
  if (settings.to.empty() || settings.out_dir.empty()) {
    std::fprintf(stderr, "qev3ds: convert: --to and --out-dir go together\n");
    return kUsage;
  }
  const BatchPlan plan = plan_batch(inputs, settings);
  if (plan.items.empty() && plan.unreadable.empty()) {
    std::fprintf(stderr, "qev3ds: convert: no model files (.3ds .obj .gltf .glb .stl) in %s\n",
                 inputs.size() == 1 ? inputs[0].c_str() : "the inputs");
    return kUsage;
  }
  const int quiet = quiet_level();
  if (quiet < 1)
    for (const std::string& n : plan.notes) std::printf("%s\n", n.c_str());

  std::vector<qev3ds::ConvertReport> reports(plan.items.size());
  std::atomic<std::size_t> next{0};
  WorkerLock lock;  // guards the terminal and the counts
  std::size_t done = 0, failed = 0;
  BatchBar bar(quiet < 1 && stderr_is_terminal());
  bar.draw(0, plan.items.size(), 0);
  auto convert_each = [&] {
    for (std::size_t i; (i = next++) < plan.items.size();) {
      const BatchItem& item = plan.items[i];
      std::error_code ec;
      fs::create_directories(fs::path(item.out).parent_path(), ec);
      qev3ds::ConvertReport report = qev3ds::convert_file(item.in, item.out, options);
      const WorkerLock::Hold hold(lock);
      bar.clear();
      if (quiet < 2)
        for (const std::string& w : report.warnings)
          std::fprintf(stderr, "qev3ds: %s: warning: %s\n", item.in.c_str(), w.c_str());
      if (quiet < 1 && report.ok()) {
        for (const std::string& n : report.notes)
          std::printf("%s: %s\n", item.in.c_str(), n.c_str());
        std::printf("%s\n", report.message.c_str());
      }
      std::fflush(stdout);
      ++done;
      failed += !report.ok();
      bar.draw(done, plan.items.size(), failed);
      reports[i] = std::move(report);
    }
  };
  std::atomic<bool> fault{false};  // out of memory on a thread: the others stop too
  auto work = [&]() noexcept {
    try {
      convert_each();
    } catch (...) {
      fault = true;
      next = plan.items.size();
    }
  };
  const std::size_t threads =
      std::min<std::size_t>(settings.jobs ? settings.jobs : processor_count(), plan.items.size());
  run_on_threads(threads, work);
  bar.clear();
  if (fault) {
    std::fprintf(stderr, "qev3ds: out of memory\n");
    return kFailed;
  }

  int rc = kOk;
  std::vector<std::string> failures;
  for (const BatchItem& u : plan.unreadable) {
    failures.push_back(u.in + ": " + u.out);
    if (rc == kOk) rc = kReadBase + 1;  // as a file that cannot be opened
  }
  for (std::size_t i = 0; i < plan.items.size(); ++i) {
    if (reports[i].ok()) continue;
    failures.push_back(plan.items[i].in + ": " + reason(reports[i], plan.items[i].in));
    if (rc == kOk) rc = reports[i].status;
  }
  const std::string summary = "qev3ds: converted " + std::to_string(plan.items.size() - failed) +
                              ", failed " + std::to_string(failures.size());
  if (failures.empty()) {
    if (quiet < 1) std::printf("%s\n", summary.c_str());
  } else {
    std::fprintf(stderr, "%s:\n", summary.c_str());
    for (const std::string& f : failures) std::fprintf(stderr, "  %s\n", f.c_str());
  }
  return rc;
}

}  // namespace qev::tool
