#include "cli_common.h"

#include <cstdio>

#include "layer_split.h"
#include "output_file.h"
#include "qev_3ds.h"

namespace qev::tool {

std::string count_of(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

int read_or_report(const std::string& path, qev3ds::Scene& scene) {
  qev3ds::ReadResult read = qev3ds::read_scene(path);
  if (read.status != qev3ds::read_ok) {
    std::fprintf(stderr, "qev3ds: %s: %s (status %d)\n", path.c_str(),
                 qev3ds::status_text(read.status), read.status);
    return kReadBase + read.status;
  }
  scene = std::move(read.scene);
  return kOk;
}

void report_warnings(const std::vector<std::string>& warnings) {
  for (const std::string& w : warnings) std::fprintf(stderr, "qev3ds: warning: %s\n", w.c_str());
}

int write_layers_3ds(Scene& scene, const std::string& in, const std::string& out) {
  std::size_t triangles = 0;
  for (const auto& l : scene.layers) triangles += l.triangles.size();
  if (triangles == 0) {
    std::fprintf(stderr, "qev3ds: warning: %s holds no faces; the 3DS file has no layers\n",
                 in.c_str());
  }
  for (const Split& s : fit_to_capacities(scene)) {
    std::printf("split '%s' (%s) into %zu layers to fit the 3DS writer\n", s.name.c_str(),
                count_of(s.triangles, "triangle", "triangles").c_str(), s.parts);
  }
  std::string why;
  if (!output_allowed(out, in, why)) {
    std::fprintf(stderr, "qev3ds: %s\n", why.c_str());
    return kWriteFailed;
  }
  // Written under a temporary name beside out and renamed into place: a
  // file that lacks part of the scene never replaces anything.
  OutputFile file;
  if (!file.open(out, why, false)) {
    std::fprintf(stderr, "qev3ds: %s\n", why.c_str());
    return kWriteFailed;
  }
  WriteProblem problem = write_3ds(file.temp_path(), scene);
  if (problem.code == 0 && !file.commit(why)) problem = {QEV_ERR_IO, why};
  for (std::size_t at; (at = problem.what.find(file.temp_path())) != std::string::npos;) {
    problem.what.replace(at, file.temp_path().size(), out);
  }
  if (problem.code == QEV_ERR_CAPACITY) {
    std::fprintf(stderr, "qev3ds: %s: %s\n", in.c_str(), problem.what.c_str());
    return kCapacity;
  }
  if (problem.code != 0) {
    std::fprintf(stderr, "qev3ds: %s\n", problem.what.c_str());
    return kWriteFailed;
  }
  std::printf("wrote %s, %s to %s\n", count_of(scene.layers.size(), "layer", "layers").c_str(),
              count_of(triangles, "triangle", "triangles").c_str(), out.c_str());
  return kOk;
}

}  // namespace qev::tool
