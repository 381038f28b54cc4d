#include "convert_command.h"

#include <cstdio>
#include <filesystem>

#include "cli_common.h"
#include "gltf_export.h"
#include "gltf_import.h"
#include "obj_export.h"
#include "obj_import.h"
#include "output_file.h"
#include "stl_export.h"
#include "stl_import.h"

namespace qev::tool {
namespace {

const char* name_of(Format f) {
  switch (f) {
    case Format::three_ds:
      return ".3ds";
    case Format::obj:
      return ".obj";
    case Format::gltf:
      return ".gltf";
    case Format::glb:
      return ".glb";
    case Format::stl:
      return ".stl";
    default:
      return "?";
  }
}

void skipped_faces(std::size_t n, std::size_t not_finite, const std::string& in) {
  if (n > 0) {
    std::fprintf(
        stderr,
        "qev3ds: warning: %s of %s name a vertex or mapping pair the mesh lacks; not written\n",
        count_of(n, "face", "faces").c_str(), in.c_str());
  }
  if (not_finite > 0) {
    std::fprintf(
        stderr,
        "qev3ds: warning: %s of %s have a corner that is not a finite number; not written\n",
        count_of(not_finite, "face", "faces").c_str(), in.c_str());
  }
}

// The output may be written: it is neither the input nor something other
// than a regular file.
bool writable(const std::string& in, const std::string& out) {
  std::string why;
  if (output_allowed(out, in, why)) return true;
  std::fprintf(stderr, "qev3ds: %s\n", why.c_str());
  return false;
}

int to_gltf(const std::string& in, const std::string& out, bool binary,
            const ConvertSettings& settings) {
  if (!writable(in, out)) return kWriteFailed;
  qev3ds::Scene scene;
  if (const int rc = read_or_report(in, scene)) return rc;
  GltfExport written;
  std::string error;
  const bool ok = write_gltf(scene, in, out, binary, written, error, settings.texture_folders);
  report_warnings(written.warnings);
  if (!ok) {
    std::fprintf(stderr, "qev3ds: %s\n", error.c_str());
    return kWriteFailed;
  }
  skipped_faces(written.faces_skipped, written.faces_not_finite, in);
  std::printf("wrote %s, %s, %s, %s to %s\n", count_of(written.meshes, "mesh", "meshes").c_str(),
              count_of(written.primitives, "primitive", "primitives").c_str(),
              count_of(written.triangles, "triangle", "triangles").c_str(),
              count_of(written.materials, "material", "materials").c_str(), out.c_str());
  return kOk;
}

int to_stl(const std::string& in, const std::string& out) {
  if (!writable(in, out)) return kWriteFailed;
  qev3ds::Scene scene;
  if (const int rc = read_or_report(in, scene)) return rc;
  StlExport written;
  std::string error;
  if (!write_stl(scene, out, written, error)) {
    std::fprintf(stderr, "qev3ds: %s\n", error.c_str());
    return kWriteFailed;
  }
  skipped_faces(written.faces_skipped, written.faces_not_finite, in);
  std::printf("wrote %s to %s\n", count_of(written.triangles, "triangle", "triangles").c_str(),
              out.c_str());
  return kOk;
}

int from_gltf_or_stl(const std::string& in, const std::string& out, Format from) {
  Scene scene;
  std::vector<std::string> warnings;
  std::string error;
  const bool ok = from == Format::stl ? read_stl(in, scene, error, &warnings)
                                      : read_gltf(in, scene, warnings, error);
  report_warnings(warnings);
  if (!ok) {
    std::fprintf(stderr, "qev3ds: %s: not a readable %s file: %s\n", in.c_str(),
                 from == Format::stl ? "STL" : "glTF", error.c_str());
    return kBadInput;
  }
  return write_layers_3ds(scene, in, out);
}

}  // namespace

Format format_of(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext == ".3ds") return Format::three_ds;
  if (ext == ".obj") return Format::obj;
  if (ext == ".gltf") return Format::gltf;
  if (ext == ".glb") return Format::glb;
  if (ext == ".stl") return Format::stl;
  return Format::unknown;
}

int run_convert(const std::string& in, const std::string& out, const ConvertSettings& settings) {
  const Format from = format_of(in), to = format_of(out);
  for (const std::string* p : {&in, &out}) {
    if (format_of(*p) == Format::unknown) {
      std::fprintf(stderr, "qev3ds: %s: unknown file type (known: .3ds .obj .gltf .glb .stl)\n",
                   p->c_str());
      return kUsage;
    }
  }
  if (from == Format::three_ds) {
    switch (to) {
      case Format::obj:
        return run_to_obj(in, out, settings);
      case Format::gltf:
        return to_gltf(in, out, false, settings);
      case Format::glb:
        return to_gltf(in, out, true, settings);
      case Format::stl:
        return to_stl(in, out);
      default:
        break;
    }
  } else if (to == Format::three_ds) {
    if (from == Format::obj) return run_from_obj(in, out);
    return from_gltf_or_stl(in, out, from);
  }
  std::fprintf(stderr, "qev3ds: converting %s to %s is not supported: one side must be .3ds\n",
               name_of(from), name_of(to));
  return kUsage;
}

int run_to_obj(const std::string& in, const std::string& out, const ConvertSettings& settings) {
  if (!writable(in, out)) return kWriteFailed;
  qev3ds::Scene scene;
  if (const int rc = read_or_report(in, scene)) return rc;
  std::string error;
  ObjExport written;
  const bool ok = write_obj(scene, in, out, written, error, settings.texture_folders);
  report_warnings(written.warnings);
  if (!ok) {
    std::fprintf(stderr, "qev3ds: %s\n", error.c_str());
    return kWriteFailed;
  }
  skipped_faces(written.faces_skipped, written.faces_not_finite, in);
  std::printf("wrote %s, %s, %s, %s to %s\n",
              count_of(scene.meshes.size(), "layer", "layers").c_str(),
              count_of(written.vertices, "vertex", "vertices").c_str(),
              count_of(written.faces, "triangle", "triangles").c_str(),
              count_of(written.materials, "material", "materials").c_str(), out.c_str());
  return kOk;
}

int run_from_obj(const std::string& in, const std::string& out) {
  Scene scene;
  std::string error;
  std::vector<std::string> warnings;
  const bool ok = read_obj(in, scene, error, &warnings);
  report_warnings(warnings);
  if (!ok) {
    std::fprintf(stderr, "qev3ds: %s: not a readable OBJ file: %s\n", in.c_str(), error.c_str());
    return kBadObj;
  }
  return write_layers_3ds(scene, in, out);
}

}  // namespace qev::tool
