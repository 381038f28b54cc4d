// qev3ds: inspect 3DS files and convert meshes between 3DS and OBJ.
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "demo_scene.h"
#include "layer_split.h"
#include "obj_export.h"
#include "obj_import.h"
#include "qev_3ds.h"
#include "qev_3ds_scene.hpp"
#include "scene_file.h"
#include "scene_report.h"

namespace {

constexpr const char* kVersion = "0.1.0";

// Exit codes, one per kind of failure; a read status s gives 10 + s.
enum Exit {
  kOk = 0,
  kUsage = 2,        // CLI11 reports usage errors with its own codes, mapped here
  kWriteFailed = 3,  // a file could not be written
  kBadObj = 4,       // the OBJ could not be read
  kCapacity = 5,     // more layers than a 3DS file holds
  kReadBase = 10,    // 11 cannot open, 12 cannot seek, 13 cannot take the position, 14 not 3DS
};

const char* read_status_text(int status) {
  switch (status) {
    case QEV_READ_CANNOT_OPEN: return "cannot open the file";
    case QEV_READ_CANNOT_SEEK: return "cannot position in the file";
    case QEV_READ_CANNOT_TELL: return "cannot take the file position";
    case QEV_READ_NOT_3DS: return "not a 3DS file, or damaged";
    default: return "read";
  }
}

std::string count_of(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

int read_or_report(const std::string& path, qev3ds::Scene& scene) {
  qev3ds::ReadResult read = qev3ds::read_scene(path);
  if (read.status != qev3ds::read_ok) {
    std::fprintf(stderr, "qev3ds: %s: %s (status %d)\n", path.c_str(), read_status_text(read.status),
                 read.status);
    return kReadBase + read.status;
  }
  scene = std::move(read.scene);
  return kOk;
}

int run_demo(const std::string& path) {
  std::printf("writing the sample scene to %s\n", path.c_str());
  const int status = write_demo_scene(path.c_str(), stdout);
  if (status != QEV_OK) {
    std::fprintf(stderr, "qev3ds: writing %s failed (result %d)\n", path.c_str(), status);
    return kWriteFailed;
  }
  std::printf("\nread back:\n");
  qev3ds::Scene scene;
  if (const int rc = read_or_report(path, scene)) return rc;
  qev::tool::print_table(scene, stdout);
  return kOk;
}

int run_info(const std::string& path, bool json) {
  qev3ds::Scene scene;
  if (const int rc = read_or_report(path, scene)) return rc;
  if (json) {
    qev::tool::print_json(scene, stdout);
  } else {
    qev::tool::print_table(scene, stdout);
  }
  return kOk;
}

int run_to_obj(const std::string& in, const std::string& out) {
  qev3ds::Scene scene;
  if (const int rc = read_or_report(in, scene)) return rc;
  std::string error;
  qev::tool::ObjExport written;
  if (!qev::tool::write_obj(scene, out, written, error)) {
    std::fprintf(stderr, "qev3ds: %s\n", error.c_str());
    return kWriteFailed;
  }
  if (written.faces_skipped > 0) {
    std::fprintf(stderr, "qev3ds: warning: %s of %s name a vertex or mapping pair the mesh lacks; not written\n",
                 count_of(written.faces_skipped, "face", "faces").c_str(), in.c_str());
  }
  std::printf("wrote %s, %s, %s, %s to %s\n", count_of(scene.meshes.size(), "layer", "layers").c_str(),
              count_of(written.vertices, "vertex", "vertices").c_str(),
              count_of(written.faces, "triangle", "triangles").c_str(),
              count_of(written.materials, "material", "materials").c_str(), out.c_str());
  return kOk;
}

int run_from_obj(const std::string& in, const std::string& out) {
  qev::tool::Scene scene;
  std::string error;
  if (!qev::tool::read_obj(in, scene, error)) {
    std::fprintf(stderr, "qev3ds: %s: not a readable OBJ file: %s\n", in.c_str(), error.c_str());
    return kBadObj;
  }
  std::size_t triangles = 0;
  for (const auto& l : scene.layers) triangles += l.triangles.size();
  if (triangles == 0) {
    std::fprintf(stderr, "qev3ds: warning: %s holds no faces; the 3DS file has no layers\n", in.c_str());
  }
  for (const qev::tool::Split& s : qev::tool::fit_to_capacities(scene)) {
    std::printf("split '%s' (%s) into %zu layers to fit the 3DS writer\n", s.name.c_str(),
                count_of(s.triangles, "triangle", "triangles").c_str(), s.parts);
  }
  const qev::tool::WriteProblem problem = qev::tool::write_3ds(out, scene);
  // A file that lacks part of the scene is not left to pass for a good one.
  if (problem.code != 0) std::remove(out.c_str());
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

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"qev3ds: inspect 3DS files and convert meshes between 3DS and OBJ"};
  app.set_version_flag("--version", std::string("qev3ds ") + kVersion);
  app.require_subcommand(1);
  app.footer(
      "exit codes: 0 done, 2 usage, 3 writing failed, 4 bad OBJ, 5 more than 1,400 layers,\n"
      "11 cannot open, 12 cannot seek, 13 cannot take the position, 14 not a 3DS file");

  std::string in, out;
  bool json = false;
  CLI::App* demo = app.add_subcommand("demo", "write the built-in sample scene, then list it as read back");
  demo->add_option("OUT", out, "the .3ds file to write")->required();
  CLI::App* info = app.add_subcommand("info", "list the layers of a 3DS file with totals and bounds");
  info->add_option("FILE", in, "the .3ds file to read")->required();
  info->add_flag("--json", json, "print JSON for scripts");
  CLI::App* to_obj = app.add_subcommand("to-obj", "convert a 3DS file to OBJ and MTL");
  to_obj->add_option("IN", in, "the .3ds file to read")->required();
  to_obj->add_option("OUT", out, "the .obj file to write (the .mtl goes beside it)")->required();
  CLI::App* from_obj = app.add_subcommand("from-obj", "convert an OBJ file (with its MTL) to 3DS");
  from_obj->add_option("IN", in, "the .obj file to read")->required();
  from_obj->add_option("OUT", out, "the .3ds file to write")->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kUsage;
  }
  if (demo->parsed()) return run_demo(out);
  if (info->parsed()) return run_info(in, json);
  if (to_obj->parsed()) return run_to_obj(in, out);
  return run_from_obj(in, out);
}
