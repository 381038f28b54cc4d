#include "convert_command.h"

#include <cstdio>

#include "cli_common.h"
#include "convert_steps.h"
#include "format_sniff.h"

namespace qev::tool {
namespace {

// The older commands take one direction only.
bool expect(const std::string& path, qev3ds::Format format, const char* ext) {
  if (qev3ds::format_of(path) == format) return true;
  std::fprintf(stderr, "qev3ds: %s: expected a %s file\n", path.c_str(), ext);
  return false;
}

}  // namespace

int run_convert(const std::string& in, const std::vector<std::string>& outs,
                const qev3ds::ConvertOptions& options) {
  std::vector<std::string> all{in};
  all.insert(all.end(), outs.begin(), outs.end());
  for (const std::string& p : all) {
    if (qev3ds::format_of(p) == qev3ds::Format::unknown) {
      std::fprintf(stderr, "qev3ds: %s: unknown file type (known: .3ds .obj .gltf .glb .stl)\n",
                   p.c_str());
      return kUsage;
    }
  }
  qev::convert::Layers layers;
  const qev3ds::ImportResult read = qev::convert::import_keeping_layers(in, options, layers);
  if (const int rc = print_report(read.report)) return rc;
  int rc = kOk;
  for (const std::string& out : outs) {
    const int r =
        print_report(qev::convert::export_with_layers(read.scene, &layers, in, out, options));
    if (rc == kOk) rc = r;
  }
  return rc;
}

int run_to_obj(const std::string& in, const std::string& out,
               const qev3ds::ConvertOptions& options) {
  if (!expect(in, qev3ds::Format::three_ds, ".3ds") || !expect(out, qev3ds::Format::obj, ".obj"))
    return kUsage;
  return run_convert(in, {out}, options);
}

int run_from_obj(const std::string& in, const std::string& out, qev3ds::ConvertOptions options) {
  if (!expect(in, qev3ds::Format::obj, ".obj") || !expect(out, qev3ds::Format::three_ds, ".3ds"))
    return kUsage;
  // The OBJ command reads OBJ only, whatever else the content would be.
  const qev::convert::Sniffed sniffed = qev::convert::sniff_format(in, qev3ds::Format::obj);
  if (sniffed.format != qev3ds::Format::obj) {
    std::fprintf(
        stderr, "qev3ds: %s: not a readable OBJ file: %s\n", in.c_str(),
        sniffed.why.empty() ? "it holds another model format; use convert" : sniffed.why.c_str());
    return kBadObj;
  }
  options.layers = true;
  return run_convert(in, {out}, options);
}

}  // namespace qev::tool
