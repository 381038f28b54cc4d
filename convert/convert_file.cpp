// import_file, export_file and convert_file: the conversions by file name,
// their outcome as a report instead of messages.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>
#include <set>

#include "axes.h"
#include "convert_steps.h"
#include "embedded_images.h"
#include "float_text.h"
#include "format_sniff.h"
#include "gltf_export.h"
#include "gltf_import.h"
#include "import_warnings.h"
#include "keyframer_pose.h"
#include "layer_file.h"
#include "layer_scene.h"
#include "obj_export.h"
#include "obj_import.h"
#include "output_file.h"
#include "qev_3ds.h"
#include "qev_3ds_convert.hpp"
#include "referenced_files.h"
#include "stl_export.h"
#include "stl_import.h"
#include "text_encoding.h"

namespace qev3ds {
namespace {

using qev::convert::count_of;
using qev::convert::Layers;

ConvertReport failed(int status, std::string message, ConvertReport report = {}) {
  report.status = status;
  report.message = std::move(message);
  return report;
}

void skipped_faces(ConvertReport& report, std::size_t n, std::size_t not_finite,
                   const std::string& source) {
  if (n > 0) {
    report.warnings.push_back(count_of(n, "face", "faces") + " of " + source +
                              " name a vertex or mapping pair the mesh lacks; not written");
  }
  if (not_finite > 0) {
    report.warnings.push_back(count_of(not_finite, "face", "faces") + " of " + source +
                              " have a corner that is not a finite number; not written");
  }
}

std::size_t face_total(const Scene& scene) {
  std::size_t n = 0;
  for (const Mesh& m : scene.meshes) n += m.faces.size();
  return n;
}

// A 3DS scene in other units: every length it holds (vertices, mesh
// origins, pivots, positions of nodes, cameras and lights) times scale.
// Directions, angles and the keyframer's scale factors have no unit.
void scale_scene(qev3ds::Scene& scene, double scale) {
  const auto times = [scale](float& v) { v = static_cast<float>(v * scale); };
  for (qev3ds::Mesh& mesh : scene.meshes) {
    for (float& v : mesh.vertices) times(v);
    for (int k = 9; k < 12; ++k) times(mesh.matrix[k]);
  }
  for (qev3ds::Camera& camera : scene.cameras) {
    for (int k = 0; k < 3; ++k) times(camera.position[k]), times(camera.target[k]);
    times(camera.near_range), times(camera.far_range);
  }
  for (qev3ds::Light& light : scene.lights)
    for (int k = 0; k < 3; ++k) times(light.position[k]), times(light.target[k]);
  for (qev3ds::Node& node : scene.keyframer.nodes) {
    for (float& v : node.pivot) times(v);
    for (qev3ds::Track& track : node.tracks)
      if (track.kind == qev3ds::track_position)
        for (qev3ds::Key& key : track.keys)
          for (int k = 0; k < 3; ++k) times(key.value[k]);
  }
}

// Names a 3DS file cannot hold whole: a warning for each one cut.
void warn_cut_names(const Layers& layers, const qev::convert::LayerMaterials& materials,
                    std::vector<std::string>& warnings) {
  std::set<std::string> said;
  const auto check = [&](const std::string& what, const std::string& name) {
    const std::string text = name.substr(0, name.find('\0'));
    if (text.size() <= qev3ds::limits::name_kept || !said.insert(what + text).second) return;
    warnings.push_back(what + " \"" + qev::convert::utf8_text(text) + "\" is cut to the " +
                       std::to_string(qev3ds::limits::name_kept) + " characters a 3DS file keeps");
  };
  for (const qev3ds::Layer& layer : layers) {
    check("object name", layer.name);
    check("texture name", layer.texture);
  }
  for (const qev::convert::SourceMaterial& m : materials.materials) check("material name", m.name);
}

// Imported layers as the scene takes them: Z-up, scaled.
void place_layers(Layers& layers, bool from_y_up, double scale) {
  for (Layer& layer : layers) {
    for (std::size_t i = 0; i + 2 < layer.corners.size(); i += 3) {
      float* p = &layer.corners[i];
      if (from_y_up) std::copy_n(qev::convert::z_up_of(p).begin(), 3, p);
      if (scale != 1.0)
        for (int k = 0; k < 3; ++k) p[k] = static_cast<float>(p[k] * scale);
    }
  }
}

// Whether the scene shows more than its meshes where they are: cameras,
// lights, or a keyframer with a group, a parent link or an instance.
bool beyond_meshes(const Scene& scene) {
  if (!scene.cameras.empty() || !scene.lights.empty()) return true;
  for (const Node& n : scene.keyframer.nodes)
    if (n.kind != node_object || n.is_dummy() || n.parent != 0xFFFF || !n.instance.empty())
      return true;
  return false;
}

ImportResult import_layers(const std::string& path, Format from, const ConvertOptions& options,
                           Layers& layers) {
  ImportResult result;
  ConvertReport& report = result.report;
  std::string error;
  bool ok = false;
  qev::convert::LayerMaterials materials;
  qev::convert::LayerScene extras;
  if (from == Format::obj) {
    const auto files = qev::convert::ReferencedFiles::beside(path, options.texture_folders);
    ok = qev::convert::read_obj(path, layers, error, &report.warnings, &files, &materials);
    if (!ok) report = failed(convert_bad_obj, path + ": not a readable OBJ file: " + error, report);
  } else {
    ok = from == Format::stl ? qev::convert::read_stl(path, layers, error, &report.warnings)
                             : qev::convert::read_gltf(path, layers, report.warnings, error,
                                                       nullptr, &materials, &extras);
    if (!ok) {
      report = failed(
          convert_bad_input,
          path + ": not a readable " + (from == Format::stl ? "STL" : "glTF") + " file: " + error,
          report);
    }
  }
  if (ok) {
    place_layers(layers, from == Format::obj && options.up == ConvertOptions::Up::y, options.scale);
    extras.scale(options.scale);
    std::vector<std::size_t> first_mesh;
    result.scene = qev::convert::scene_of_layers(layers, materials, &first_mesh);
    warn_cut_names(layers, materials, result.report.warnings);
    extras.apply(result.scene, first_mesh, result.report.warnings);
    // The layers form shows every instance as geometry of its own.
    extras.add_instance_layers(layers);
  }
  return result;
}

ConvertReport write_3ds(const Scene& source_scene, const Layers* source_layers,
                        const std::string& source, const std::string& out,
                        const ConvertOptions& options) {
  ConvertReport report;
  // Images a glTF embeds go beside the 3DS file, which names them.
  qev::convert::EmbeddedImages images(source, out, source_scene, source_layers,
                                      options.texture_folders, report.warnings);
  Scene renamed_scene;
  Layers renamed_layers;
  const Scene& scene = images.named(source_scene, renamed_scene);
  const Layers* imported = images.named(source_layers, renamed_layers);
  std::string why;
  const std::size_t faces = face_total(scene);
  if (faces == 0) report.warnings.push_back(source + " holds no faces; the 3DS file has none");
  if (!options.layers) {
    const WriteResult written = write_scene(out, scene);
    if (!written.ok()) return failed(convert_write_failed, out + ": " + written.message, report);
    if (!images.commit(why)) report.warnings.push_back("images not written: " + why);
    report.message = "wrote " + count_of(scene.meshes.size(), "mesh", "meshes") + ", " +
                     count_of(faces, "triangle", "triangles") + ", " +
                     count_of(scene.materials.size(), "material", "materials") + " to " + out;
    return report;
  }
  if (beyond_meshes(scene)) {
    report.warnings.push_back(
        "the layers form keeps meshes only: the node tree, cameras and lights are not written");
  }
  std::vector<Layer> layers = imported != nullptr ? *imported : layers_from_scene(scene);
  report.notes = fit_layers(layers);
  const WriteResult written = qev::convert::write_layers(out, layers);
  if (written.status == QEV_ERR_CAPACITY)
    return failed(convert_capacity, source + ": " + written.message, report);
  if (!written.ok()) return failed(convert_write_failed, written.message, report);
  if (!images.commit(why)) report.warnings.push_back("images not written: " + why);
  report.message = "wrote " + count_of(layers.size(), "layer", "layers") + ", " +
                   count_of(qev::convert::triangle_total(layers), "triangle", "triangles") +
                   " to " + out;
  return report;
}

ConvertReport write_other(const Scene& source_scene, const std::string& source,
                          const std::string& out, Format to, const ConvertOptions& options) {
  // glTF instances meshes itself; OBJ and STL get a mesh per instance.
  Scene instanced;
  std::vector<std::string> lost;
  const Scene& scene = to == Format::gltf || to == Format::glb
                           ? source_scene
                           : qev::convert::scene_with_instances(source_scene, instanced, &lost);
  ConvertReport report;
  report.warnings = lost;
  std::string error;
  if (to == Format::stl) {
    qev::convert::StlExport written;
    if (!qev::convert::write_stl(scene, out, written, error))
      return failed(convert_write_failed, error);
    skipped_faces(report, written.faces_skipped, written.faces_not_finite, source);
    report.message = "wrote " + count_of(written.triangles, "triangle", "triangles") + " to " + out;
    return report;
  }
  if (to == Format::obj) {
    qev::convert::ObjExport written;
    const bool ok =
        qev::convert::write_obj(scene, source, out, written, error, options.texture_folders,
                                options.up == ConvertOptions::Up::y);
    report.warnings.insert(report.warnings.end(), written.warnings.begin(), written.warnings.end());
    if (!ok) return failed(convert_write_failed, error, report);
    skipped_faces(report, written.faces_skipped, written.faces_not_finite, source);
    report.message = "wrote " + count_of(scene.meshes.size(), "layer", "layers") + ", " +
                     count_of(written.vertices, "vertex", "vertices") + ", " +
                     count_of(written.faces, "triangle", "triangles") + ", " +
                     count_of(written.materials, "material", "materials") + " to " + out;
    return report;
  }
  qev::convert::GltfExport written;
  const bool ok = qev::convert::write_gltf(scene, source, out, to == Format::glb, written, error,
                                           options.texture_folders);
  report.warnings = written.warnings;
  if (!ok) return failed(convert_write_failed, error, report);
  skipped_faces(report, written.faces_skipped, written.faces_not_finite, source);
  report.message = "wrote " + count_of(written.meshes, "mesh", "meshes") + ", " +
                   count_of(written.primitives, "primitive", "primitives") + ", " +
                   count_of(written.triangles, "triangle", "triangles") + ", " +
                   count_of(written.materials, "material", "materials") + " to " + out;
  return report;
}

const char* format_name(Format f) {
  switch (f) {
    case Format::three_ds:
      return "3DS";
    case Format::obj:
      return "OBJ";
    case Format::gltf:
      return "glTF";
    case Format::glb:
      return "GLB";
    case Format::stl:
      return "STL";
    default:
      return "an unknown format";
  }
}

ConvertReport unknown_type(const std::string& path) {
  return failed(convert_usage, path + ": unknown file type (known: .3ds .obj .gltf .glb .stl)");
}

}  // namespace

Format format_of(const std::string& path) noexcept {
  try {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext == ".3ds") return Format::three_ds;
    if (ext == ".obj") return Format::obj;
    if (ext == ".gltf") return Format::gltf;
    if (ext == ".glb") return Format::glb;
    if (ext == ".stl") return Format::stl;
  } catch (...) {
  }
  return Format::unknown;
}

ImportResult import_file(const std::string& path, const ConvertOptions& options) noexcept {
  Layers layers;
  return qev::convert::import_keeping_layers(path, options, layers);
}

ConvertReport export_file(const Scene& scene, const std::string& source, const std::string& out,
                          const ConvertOptions& options) noexcept {
  return qev::convert::export_with_layers(scene, nullptr, source, out, options);
}

ConvertReport convert_file(const std::string& in, const std::string& out,
                           const ConvertOptions& options) noexcept {
  try {
    if (format_of(out) == Format::unknown) return unknown_type(out);
    Layers layers;
    ImportResult imported = qev::convert::import_keeping_layers(in, options, layers);
    if (!imported.report.ok()) return imported.report;
    ConvertReport report =
        qev::convert::export_with_layers(imported.scene, &layers, in, out, options);
    report.warnings.insert(report.warnings.begin(), imported.report.warnings.begin(),
                           imported.report.warnings.end());
    return report;
  } catch (...) {
    ConvertReport failure;
    failure.status = convert_failed;
    return failure;  // out of memory even for the message
  }
}

}  // namespace qev3ds

namespace qev::convert {

qev3ds::ImportResult import_keeping_layers(const std::string& path,
                                           const qev3ds::ConvertOptions& options,
                                           Layers& layers) noexcept {
  using namespace qev3ds;
  layers.clear();
  try {
    if (!(options.scale > 0 && std::isfinite(options.scale))) {
      return {
          failed(convert_usage, "the scale must be a positive finite number, not " +
                                    qev::convert::float_text(static_cast<float>(options.scale))),
          {}};
    }
    const Format named = format_of(path);
    if (named == Format::unknown) return {unknown_type(path), {}};
    const Sniffed sniffed = sniff_format(path, named);
    Format from = sniffed.format;
    if (named == Format::three_ds && from != Format::glb && from != Format::gltf &&
        from != Format::stl) {
      from = Format::three_ds;  // the 3DS reader says what is wrong, by its status
    }
    if (from == Format::unknown) {
      return {failed(named == Format::obj ? convert_bad_obj : convert_bad_input,
                     path + ": not a readable " + format_name(named) + " file: " + sniffed.why),
              {}};
    }
    if (from != Format::three_ds) {
      ImportResult result = import_layers(path, from, options, layers);
      if (from != named && !(from == Format::glb && named == Format::gltf)) {
        result.report.warnings.insert(result.report.warnings.begin(),
                                      path + " holds " + format_name(from) + ", not " +
                                          format_name(named) + "; read as " + format_name(from));
      }
      return result;
    }
    ReadResult read = read_scene(path);
    if (read.status != read_ok) {
      return {failed(convert_read_failed + read.status, path + ": " + status_text(read.status) +
                                                            " (status " +
                                                            std::to_string(read.status) + ")"),
              {}};
    }
    ImportResult result{{}, std::move(read.scene)};
    if (options.scale != 1.0) scale_scene(result.scene, options.scale);
    if (named != Format::three_ds) {
      result.report.warnings.push_back(path + " holds 3DS, not " + format_name(named) +
                                       "; read as 3DS");
    }
    return result;
  } catch (const std::bad_alloc&) {
    return {failed(convert_failed, path + ": out of memory"), {}};
  } catch (const std::exception& e) {
    return {failed(convert_failed, path + ": " + e.what()), {}};
  } catch (...) {
    return {failed(convert_failed, path + ": reading failed"), {}};
  }
}

qev3ds::ConvertReport export_with_layers(const qev3ds::Scene& scene, const Layers* layers,
                                         const std::string& source, const std::string& out,
                                         const qev3ds::ConvertOptions& options) noexcept {
  using namespace qev3ds;
  try {
    const Format to = format_of(out);
    if (to == Format::unknown) return unknown_type(out);
    std::string why;
    if (!output_allowed(out, source, why)) return failed(convert_write_failed, why);
    if (to == Format::three_ds) {
      return write_3ds(scene, layers != nullptr && !layers->empty() ? layers : nullptr, source, out,
                       options);
    }
    return write_other(scene, source, out, to, options);
  } catch (const std::bad_alloc&) {
    return failed(convert_failed, out + ": out of memory");
  } catch (const std::exception& e) {
    return failed(convert_failed, out + ": " + e.what());
  } catch (...) {
    return failed(convert_failed, out + ": writing failed");
  }
}

}  // namespace qev::convert
