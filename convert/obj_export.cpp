// Writing OBJ and MTL text from a 3DS scene, every face in its own material.
#include "obj_export.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

#include "axes.h"
#include "conversion_look.h"
#include "face_corners.h"
#include "float_text.h"
#include "map_placement.h"
#include "output_file.h"
#include "referenced_files.h"
#include "smooth_normals.h"
#include "smoothing_from_normals.h"
#include "texture_files.h"

namespace qev::convert {

namespace {

// Names come from untrusted files. As OBJ tokens, no byte of them may end a
// line, separate tokens or start a comment: controls, spaces and '#'
// become '_'.
std::string obj_token(std::string_view s, const char* fallback) {
  std::string out = s.empty() ? std::string(fallback) : std::string(s);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= ' ' || u == 0x7F || c == '#') c = '_';
  }
  return out;
}

// A texture file name keeps its spaces but no byte that could end the line.
std::string obj_path_text(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < ' ' || u == 0x7F) c = '_';
  }
  return out;
}

// A colour component (bytes, or float colours times 256) as 0 to 1.
std::string unit(std::int32_t v) {
  return float_text(static_cast<float>(std::clamp(v, 0, 255)) / 255.0f);
}

std::string rgb_text(const qev3ds::Rgb& c) {
  return unit(c.red) + ' ' + unit(c.green) + ' ' + unit(c.blue);
}

// MTL names for material names, OBJ-safe and unique.
class MaterialNames {
 public:
  // The MTL name of a material name, and whether it is new.
  std::pair<const std::string*, bool> name_of(std::string_view material) {
    const std::string key(material);
    auto it = names_.find(key);
    if (it != names_.end()) return {&it->second, false};
    const std::string base = obj_token(material, "material");
    std::string name = base;
    for (int i = 2; !taken_.insert(name).second; ++i) name = base + "." + std::to_string(i);
    return {&names_.emplace(key, name).first->second, true};
  }

 private:
  std::map<std::string, std::string> names_;
  std::set<std::string> taken_;
};

// The diffuse map's placement in MTL terms. A renderer looks a map_Kd
// texture up at s * vt + o on each axis (-s and -o act on the texture
// coordinates). The 3DS rule without rotation is, per axis, an affine map
// of the same form:
//   u' = (u - u_offset - 0.5) * u_scale + 0.5  ->  s = u_scale, o = 0.5 - u_scale * (u_offset +
//   0.5) v' = (v + v_offset - 0.5) * v_scale + 0.5  ->  s = v_scale, o = 0.5 + v_scale * (v_offset
//   - 0.5)
// A rotation mixes u and v, which -o/-s cannot say; a scale of 0 or a value
// that is not finite has no inverse a reader could take back. Those are
// baked into the written vt values instead (place_uv's rule) and map_Kd
// carries no options.
struct MtlPlacement {
  const qev3ds::TextureMap* bake = nullptr;  // the placement to bake, or null
  bool options = false;                      // -o and -s written
  double s[2] = {1, 1}, o[2] = {0, 0};
};

MtlPlacement mtl_placement(const qev3ds::Look& look) {
  MtlPlacement p;
  if (look.texture.empty() || look.material == nullptr) return p;
  const qev3ds::TextureMap& map = look.material->map(qev3ds::map_diffuse);
  if (!map.placed()) return p;
  const double us = map.u_scale, vs = map.v_scale;
  p.s[0] = us;
  p.s[1] = vs;
  p.o[0] = 0.5 - us * (static_cast<double>(map.u_offset) + 0.5);
  p.o[1] = 0.5 + vs * (static_cast<double>(map.v_offset) - 0.5);
  bool exact = map.rotation == 0.0f && us != 0 && vs != 0;
  for (const double x : {p.s[0], p.s[1], p.o[0], p.o[1]}) exact = exact && std::isfinite(x);
  if (exact) {
    p.options = true;
  } else {
    p.bake = &map;
  }
  return p;
}

void write_material(std::ostream& mtl, const std::string& name, const qev3ds::Look& look,
                    TextureExport& images) {
  mtl << "\nnewmtl " << name << "\nKd " << rgb_text(look.colour) << "\n";
  if (look.material != nullptr) {
    const qev3ds::Material& m = *look.material;
    // Shininess is a percentage; OBJ's specular exponent runs to 1000.
    mtl << "Ks " << rgb_text(specular_colour(m)) << "\nNs "
        << std::clamp<int>(m.shininess, 0, 100) * 10 << "\n";
  }
  const float opacity = 1.0f - static_cast<float>(std::clamp(look.transparency, 0, 100)) / 100.0f;
  mtl << "d " << float_text(opacity) << "\n";
  // A safe file name: it cannot end the line or read as an option.
  if (look.texture.empty()) return;
  mtl << "map_Kd ";
  const MtlPlacement p = mtl_placement(look);
  if (p.options) {
    const auto text = [](double x) { return float_text(static_cast<float>(x)); };
    mtl << "-o " << text(p.o[0]) << ' ' << text(p.o[1]) << " 0 -s " << text(p.s[0]) << ' '
        << text(p.s[1]) << " 1 ";
  }
  mtl << images.place(std::string(look.texture)) << "\n";
}

// A value that is not a finite number is written as 0; no face written uses
// it, since faces with such a corner are left out.
std::string number(float v) { return float_text(std::isfinite(v) ? v : 0.0f); }

bool inside(const qev3ds::Face& f, std::size_t n) { return f.a < n && f.b < n && f.c < n; }

// The vertex normals of a mesh's faces from their smoothing groups, as vn
// lines: one per distinct normal of the smoothed faces, and one of its own
// for each flat face, so that a reader rebuilding the groups from shared
// normals keeps it flat. Returns the 0-based vn index of every corner.
std::vector<std::size_t> write_normals(std::ostream& obj, const qev3ds::Mesh& mesh,
                                       const std::vector<bool>& written, bool y_up,
                                       std::size_t& count) {
  const std::vector<Normal> normals = corner_normals(mesh);
  std::vector<std::size_t> index(normals.size(), 0);
  std::map<std::array<std::uint32_t, 3>, std::size_t> shared;
  for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
    if (!written[f]) continue;
    const bool flat = mesh.faces[f].smoothing == 0;
    for (std::size_t c = 0; c < 3; ++c) {
      const Normal& n = normals[3 * f + c];
      if (flat && c > 0) {
        index[3 * f + c] = index[3 * f];
        continue;
      }
      if (!flat) {
        const auto [it, added] = shared.emplace(shade_of(n.data()), count);
        if (!added) {
          index[3 * f + c] = it->second;
          continue;
        }
      }
      const std::array<float, 3> v = y_up ? y_up_of(n.data()) : n;  // turned as the vertices are
      obj << "vn " << number(v[0]) << ' ' << number(v[1]) << ' ' << number(v[2]) << "\n";
      index[3 * f + c] = count++;
    }
  }
  return index;
}

}  // namespace

bool write_obj(const qev3ds::Scene& scene, const std::string& scene_path,
               const std::string& obj_path, ObjExport& result, std::string& error,
               const std::vector<std::string>& texture_folders, bool y_up) {
  namespace fs = std::filesystem;
  const fs::path mtl_path = fs::path(obj_path).replace_extension(".mtl");
  if (!output_allowed(mtl_path.string(), scene_path, error)) return false;
  OutputFile obj_file, mtl_file;
  if (!obj_file.open(obj_path, error) || !mtl_file.open(mtl_path.string(), error)) return false;
  std::ostream& obj = obj_file.stream();
  std::ostream& mtl = mtl_file.stream();
  const ReferencedFiles inputs = ReferencedFiles::beside(scene_path, texture_folders);
  TextureExport images(inputs, fs::path(obj_path).parent_path().string(), ImageUse::copy_any,
                       result.warnings);
  images.reserve(fs::path(obj_path).filename().string());
  images.reserve(mtl_path.filename().string());
  obj << "# written by qev3ds\nmtllib " << obj_path_text(mtl_path.filename().string()) << "\n";
  mtl << "# written by qev3ds\n";

  const qev3ds::MaterialIndex materials(scene);
  MaterialNames names;
  result = ObjExport{};
  std::size_t vertex_base = 0, mapping_base = 0, normal_count = 0;  // 1-based across the file
  for (std::size_t k = 0; k < scene.meshes.size(); ++k) {
    const qev3ds::Mesh& mesh = scene.meshes[k];
    obj << "\ng " << obj_token(mesh.name, ("mesh" + std::to_string(k + 1)).c_str()) << "\n";
    for (std::size_t v = 0; v < mesh.vertex_count(); ++v) {
      const float* z_up = &mesh.vertices[3 * v];
      const std::array<float, 3> p =
          y_up ? y_up_of(z_up) : std::array<float, 3>{z_up[0], z_up[1], z_up[2]};
      obj << "v " << number(p[0]) << ' ' << number(p[1]) << ' ' << number(p[2]) << "\n";
    }
    const bool mapped = mesh.mapping_count() > 0;
    std::vector<bool> written(mesh.faces.size());
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const qev3ds::Face& face = mesh.faces[f];
      written[f] = inside(face, mesh.vertex_count()) &&
                   (!mapped || inside(face, mesh.mapping_count())) && finite_corners(mesh, face);
    }
    const std::vector<std::int32_t> group_of = qev3ds::face_groups(mesh);
    // The mapping as the file has it (set 0), then once more for each
    // placement that MTL cannot carry, baked: the vt set of each group.
    std::vector<std::size_t> vt_set(mesh.groups.size() + 1, 0);
    std::vector<const qev3ds::TextureMap*> baked;
    if (mapped) {
      std::vector<bool> seen(mesh.groups.size() + 1, false);
      for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const std::size_t slot =
            group_of[f] < 0 ? mesh.groups.size() : static_cast<std::size_t>(group_of[f]);
        if (!written[f] || seen[slot]) continue;
        seen[slot] = true;
        const MtlPlacement p = mtl_placement(conversion_look(materials, mesh, group_of[f]));
        if (p.bake == nullptr) continue;
        const auto known = std::find(baked.begin(), baked.end(), p.bake);
        vt_set[slot] = static_cast<std::size_t>(known - baked.begin()) + 1;
        if (known == baked.end()) baked.push_back(p.bake);
      }
    }
    for (std::size_t set = 0; set <= baked.size(); ++set) {
      for (std::size_t v = 0; v < mesh.mapping_count(); ++v) {
        float u = mesh.mapping[2 * v], w = mesh.mapping[2 * v + 1];
        if (set > 0) place_uv(*baked[set - 1], u, w);
        obj << "vt " << number(u) << ' ' << number(w) << "\n";
      }
    }
    const std::vector<std::size_t> normal_of =
        write_normals(obj, mesh, written, y_up, normal_count);
    // A face's look and MTL name depend on its group alone: found once per
    // group (the last slot for faces that no group lists).
    std::vector<const std::string*> name_of_group(mesh.groups.size() + 1, nullptr);
    const std::string* current = nullptr;
    std::int64_t smoothing = -1;
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const qev3ds::Face& face = mesh.faces[f];
      if (!inside(face, mesh.vertex_count()) || (mapped && !inside(face, mesh.mapping_count()))) {
        ++result.faces_skipped;
        continue;
      }
      if (!finite_corners(mesh, face)) {
        ++result.faces_not_finite;
        continue;
      }
      const std::size_t slot =
          group_of[f] < 0 ? mesh.groups.size() : static_cast<std::size_t>(group_of[f]);
      if (name_of_group[slot] == nullptr) {
        const qev3ds::Look look = conversion_look(materials, mesh, group_of[f]);
        const auto [name, added] = names.name_of(look.material_name);
        if (added) {
          write_material(mtl, *name, look, images);
          ++result.materials;
        }
        name_of_group[slot] = name;
      }
      const std::string* name = name_of_group[slot];
      if (name != current) {
        obj << "usemtl " << *name << "\n";
        current = name;
      }
      // The vertex normals carry which faces smooth together; the full word
      // is written as the `s` number too, 0 as "off", for readers that use
      // only that.
      if (face.smoothing != smoothing) {
        smoothing = face.smoothing;
        obj << "s " << (smoothing == 0 ? std::string("off") : std::to_string(smoothing)) << "\n";
      }
      obj << 'f';
      const std::uint16_t corner[3] = {face.a, face.b, face.c};
      for (std::size_t c = 0; c < 3; ++c) {
        obj << ' ' << vertex_base + corner[c] + 1 << '/';
        if (mapped) obj << mapping_base + vt_set[slot] * mesh.mapping_count() + corner[c] + 1;
        obj << '/' << normal_of[3 * f + c] + 1;  // counted across the file
      }
      obj << "\n";
      ++result.faces;
    }
    vertex_base += mesh.vertex_count();
    mapping_base += mesh.mapping_count() * (baked.size() + 1);
  }
  // Materials no face uses travel too.
  for (const qev3ds::Material& m : scene.materials) {
    const auto [name, added] = names.name_of(m.name);
    if (!added) continue;
    write_material(mtl, *name, material_look(m), images);
    ++result.materials;
  }
  result.vertices = vertex_base;
  std::vector<OutputFile*> files{&obj_file, &mtl_file};
  for (OutputFile* f : images.files()) files.push_back(f);
  return commit_all(files, error);
}

}  // namespace qev::convert
