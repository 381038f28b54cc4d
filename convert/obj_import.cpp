// Reading OBJ through tinyobjloader into layers.
#include "obj_import.h"

#include <tiny_obj_loader.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <streambuf>

#include "file_bytes.h"
#include "import_warnings.h"
#include "polygon_triangulate.h"
#include "smoothing_from_normals.h"

namespace qev::convert {

namespace {

// v * scale rounded and clamped to 0 .. top; NaN counts as 0. MTL values
// are untrusted text: no value may reach an integer conversion out of range.
std::int32_t scaled_clamped(double v, double scale, double top) {
  const double scaled = std::round(v * scale);
  if (!(scaled > 0)) return 0;
  return static_cast<std::int32_t>(scaled > top ? top : scaled);
}

std::int32_t to_byte(double v) { return scaled_clamped(v, 255.0, 255.0); }

// A face's shading for the smoothing rebuild: its vertex normals when it
// has them, else its `s` number (faces of one number smooth together, "off"
// or 0 is flat), under a key no normal has (its first word is a NaN's).
ShadedFace shaded_face(const tinyobj::attrib_t& attrib, const tinyobj::index_t* idx,
                       const float* corners, unsigned int group) {
  ShadedFace face;
  bool normals = true;
  for (int c = 0; c < 3; ++c)
    normals = normals && idx[c].normal_index >= 0 &&
              std::size_t(idx[c].normal_index) < attrib.normals.size() / 3;
  for (std::size_t c = 0; c < 3; ++c) {
    ShadedCorner& corner = face.corners[c];
    for (std::size_t a = 0; a < 3; ++a) corner.position[a] = corners[3 * c + a];
    if (normals) {
      corner.shade = shade_of(&attrib.normals[3 * std::size_t(idx[c].normal_index)]);
      corner.vertex = std::uint64_t(idx[c].normal_index);
    } else {
      corner.shade = {0xFFFFFFFFu, group, 0};
      corner.vertex = ~std::uint64_t{0};  // shared: never taken as a face of its own
    }
  }
  face.hard = !normals && group == 0;
  return face;
}

// map_Kd's -o and -s as a 3DS placement. A reader looks the texture up at
// s * vt + o per axis; the 3DS rule without rotation is the same affine map
// with u' = (u - u_offset - 0.5) * u_scale + 0.5 and
// v' = (v + v_offset - 0.5) * v_scale + 0.5, so u_scale = s,
// u_offset = (0.5 - o) / s - 0.5 and v_offset = (o - 0.5) / s + 0.5 (the
// third, w, component means nothing on a surface). The options a 3DS map
// has no room for are named in one warning for the material.
qev3ds::TextureMap diffuse_placement(const tinyobj::material_t& m, ImportWarnings& warnings) {
  qev3ds::TextureMap map;
  if (m.diffuse_texname.empty()) return map;
  const tinyobj::texture_option_t& t = m.diffuse_texopt;
  std::vector<std::string> lost;
  const double s[2] = {t.scale[0], t.scale[1]}, o[2] = {t.origin_offset[0], t.origin_offset[1]};
  bool usable = s[0] != 0 && s[1] != 0;
  const double placed[4] = {s[0], s[1], usable ? (0.5 - o[0]) / s[0] - 0.5 : 0,
                            usable ? (o[1] - 0.5) / s[1] + 0.5 : 0};
  for (const double x : placed) usable = usable && std::isfinite(x) && std::fabs(x) < 1e30;
  if (usable) {
    map.u_scale = static_cast<float>(placed[0]);
    map.v_scale = static_cast<float>(placed[1]);
    map.u_offset = static_cast<float>(placed[2]);
    map.v_offset = static_cast<float>(placed[3]);
  } else {
    lost.push_back("-o/-s (a scale of 0 or a value out of range)");
  }
  if (t.turbulence[0] != 0 || t.turbulence[1] != 0 || t.turbulence[2] != 0) lost.push_back("-t");
  if (t.brightness != 0 || t.contrast != 1) lost.push_back("-mm");
  if (t.clamp) lost.push_back("-clamp on");
  if (!t.blendu) lost.push_back("-blendu off");
  if (!t.blendv) lost.push_back("-blendv off");
  if (t.sharpness != 1) lost.push_back("-boost");
  if (t.texture_resolution != -1) lost.push_back("-texres");
  if (t.imfchan != 'm') lost.push_back("-imfchan");
  if (t.type != tinyobj::TEXTURE_TYPE_NONE) lost.push_back("-type");
  if (t.bump_multiplier != 1) lost.push_back("-bm");
  if (!t.colorspace.empty() && t.colorspace != "sRGB") lost.push_back("-colorspace");
  if (!lost.empty()) {
    std::string list;
    for (const std::string& option : lost) list += (list.empty() ? "" : ", ") + option;
    warnings.add("material \"" + m.name + "\": map_Kd option" + (lost.size() == 1 ? " " : "s ") +
                 list + (lost.size() == 1 ? " is" : " are") + " not carried");
  }
  return map;
}

// MTL values as a 3DS material: colours as bytes, Ns (to 1000) as a
// shininess percentage, dissolve as transparency.
SourceMaterial source_material(const tinyobj::material_t& m) {
  const auto rgb = [](const tinyobj::real_t* c) {
    return qev3ds::Rgb{static_cast<std::int16_t>(to_byte(c[0])),
                       static_cast<std::int16_t>(to_byte(c[1])),
                       static_cast<std::int16_t>(to_byte(c[2]))};
  };
  SourceMaterial s;
  s.name = m.name;
  s.diffuse = rgb(m.diffuse);
  s.specular = rgb(m.specular);
  s.shininess = static_cast<std::int16_t>(scaled_clamped(m.shininess, 0.1, 100.0));
  s.transparency = static_cast<std::int16_t>(scaled_clamped(1.0 - m.dissolve, 100.0, 100.0));
  s.texture = m.diffuse_texname;
  return s;
}

// Bytes in memory as a stream, without the copy a std::istringstream makes.
class MemoryStream : public std::streambuf {
 public:
  explicit MemoryStream(const std::string& bytes) {
    char* begin = const_cast<char*>(bytes.data());  // only ever read
    setg(begin, begin, begin + bytes.size());
  }
};

// The parser splits the names on `usemtl` and `mtllib` lines at white
// space. Before it sees the text, the blanks inside those names become
// these bytes, and the names come back whole.
constexpr char kJoinedSpace = '\x1f', kJoinedTab = '\x1e';

std::string joined(std::string name) {
  for (char& c : name) c = c == ' ' ? kJoinedSpace : c == '\t' ? kJoinedTab : c;
  return name;
}

std::string unjoined(std::string name) {
  for (char& c : name) c = c == kJoinedSpace ? ' ' : c == kJoinedTab ? '\t' : c;
  return name;
}

// Joins the blanks inside the name of every `usemtl` and `mtllib` line of
// text, in place. Lines end as the parser ends them: "\n", "\r\n" or "\r".
void join_names(std::string& text) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::size_t i = std::min(text.find_first_not_of(" \t", at), end);
    if (end - i > 7 && (text.compare(i, 6, "usemtl") == 0 || text.compare(i, 6, "mtllib") == 0) &&
        (text[i + 6] == ' ' || text[i + 6] == '\t')) {
      const std::size_t first = text.find_first_not_of(" \t", i + 6);
      const std::size_t last = text.find_last_not_of(" \t", end - 1);
      for (std::size_t k = first; first < end && k < last; ++k) {
        if (text[k] == ' ') text[k] = kJoinedSpace;
        if (text[k] == '\t') text[k] = kJoinedTab;
      }
    }
    at = end + 1;
  }
}

// Material names, which `newmtl` keeps whole, are found by the joined
// names of `usemtl` lines as well.
void add_joined_names(std::map<std::string, int>& names) {
  std::vector<std::pair<std::string, int>> blank;
  for (const auto& [name, id] : names)
    if (name.find_first_of(" \t") != std::string::npos) blank.emplace_back(joined(name), id);
  names.insert(blank.begin(), blank.end());
}

void load_mtl(const std::string& bytes, std::vector<tinyobj::material_t>* materials,
              std::map<std::string, int>* names, std::string* warn, std::string* err) {
  MemoryStream buffer(bytes);
  std::istream in(&buffer);
  tinyobj::LoadMtl(names, materials, &in, warn, err);
  add_joined_names(*names);
}

// Material libraries named by mtllib, read through ReferencedFiles: from the
// OBJ's folder only, bounded regular files only. A name with spaces is one
// file when there is one of that name, else several. One that is refused or
// missing is a warning and its materials stay at the default.
class ReferencedMaterials : public tinyobj::MaterialReader {
 public:
  ReferencedMaterials(const ReferencedFiles& files, ImportWarnings& warnings)
      : files_(files), warnings_(warnings) {}
  bool operator()(const std::string& joined_name, std::vector<tinyobj::material_t>* materials,
                  std::map<std::string, int>* names, std::string* warn, std::string* err) override {
    const std::string name = unjoined(joined_name);
    std::string bytes, why;
    if (files_.read(name, bytes, why)) {
      load_mtl(bytes, materials, names, warn, err);
      return true;
    }
    std::vector<std::string> parts;
    for (std::size_t at = 0; (at = name.find_first_not_of(" \t", at)) != std::string::npos;) {
      const std::size_t end = std::min(name.find_first_of(" \t", at), name.size());
      parts.push_back(name.substr(at, end - at));
      at = end;
    }
    if (parts.size() < 2) {
      warnings_.add("material library \"" + name + "\" is not read: " + why +
                    "; its materials are left grey");
      return false;
    }
    for (const std::string& part : parts) {
      if (files_.read(part, bytes, why)) {
        load_mtl(bytes, materials, names, warn, err);
      } else {
        warnings_.add("material library \"" + part + "\" is not read: " + why +
                      "; its materials are left grey");
      }
    }
    return true;
  }

 private:
  const ReferencedFiles& files_;
  ImportWarnings& warnings_;
};

// The MTL text of read_obj_text for every mtllib line.
class TextMaterials : public tinyobj::MaterialReader {
 public:
  explicit TextMaterials(const std::string& mtl) : mtl_(mtl) {}
  bool operator()(const std::string&, std::vector<tinyobj::material_t>* materials,
                  std::map<std::string, int>* names, std::string* warn, std::string* err) override {
    load_mtl(mtl_, materials, names, warn, err);
    return true;
  }

 private:
  const std::string& mtl_;
};

// The largest index tinyobjloader reads without wrapping around: it parses
// indices with atoi, and "4294967299" would come out as 3.
constexpr std::uint64_t kMaxFaceIndex = 2147483647;

// Refuses text whose face lines hold an index too large for the parser,
// naming the line. Lines end as the parser ends them: "\n", "\r\n" or "\r".
bool face_indices_fit(const std::string& text, std::string& error) {
  std::size_t line = 1, at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::size_t i = text.find_first_not_of(" \t", at);
    if (i < end && text[i] == 'f' && i + 1 < end && (text[i + 1] == ' ' || text[i + 1] == '\t')) {
      for (i += 1; i < end; ++i) {
        std::uint64_t value = 0;
        const std::size_t first = i;
        while (i < end && text[i] >= '0' && text[i] <= '9' && value <= kMaxFaceIndex) {
          value = value * 10 + std::uint64_t(text[i] - '0');
          ++i;
        }
        if (value > kMaxFaceIndex) {
          std::size_t last = i;
          while (last < end && text[last] >= '0' && text[last] <= '9') ++last;
          error = "line " + std::to_string(line) + ": face index " +
                  text.substr(first, std::min<std::size_t>(last - first, 40)) + " is larger than " +
                  std::to_string(kMaxFaceIndex);
          return false;
        }
      }
    }
    at = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
    ++line;
  }
  return true;
}

struct Parsed {
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  // The corners of every face line of three or more, in file order: the
  // parser keeps a polygon's corner count in 8 bits (300 reads as 44).
  std::vector<std::size_t> face_sizes;
};

std::vector<std::size_t> face_sizes(const std::string& text) {
  std::vector<std::size_t> sizes;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::size_t i = std::min(text.find_first_not_of(" \t", at), end);
    if (end - i > 1 && text[i] == 'f' && (text[i + 1] == ' ' || text[i + 1] == '\t')) {
      std::size_t corners = 0;
      for (i += 1; (i = text.find_first_not_of(" \t", i)) < end; ++corners)
        i = std::min(text.find_first_of(" \t\r\n", i), end);
      if (corners >= 3) sizes.push_back(corners);
    }
    at = end + 1;
  }
  return sizes;
}

// What the parser warns of that a reader must hear: `usemtl` names no
// material read, faces of fewer than three corners.
void pass_on(const std::string& warn, ImportWarnings& warnings) {
  std::set<std::string> unknown;
  std::size_t degenerate = 0;
  const std::string head = "material [ '", tail = "' ] not found";
  for (std::size_t at = 0; at < warn.size();) {
    std::size_t end = warn.find('\n', at);
    if (end == std::string::npos) end = warn.size();
    const std::string line = warn.substr(at, end - at);
    const std::size_t stop = line.rfind(tail);
    if (line.compare(0, head.size(), head) == 0 && stop != std::string::npos && stop >= head.size())
      unknown.insert(unjoined(line.substr(head.size(), stop - head.size())));
    if (line.compare(0, 22, "Degenerated face found") == 0) ++degenerate;
    at = end + 1;
  }
  for (const std::string& name : unknown) {
    warnings.add("material \"" + name +
                 "\" is not in the OBJ's material libraries; its faces are left grey");
  }
  if (degenerate > 0) {
    warnings.add(count_of(degenerate, "face", "faces") +
                 " of the OBJ with fewer than three corners left out");
  }
}

// Parses text, whose usemtl and mtllib names are joined (join_names).
bool parse(const std::string& text, tinyobj::MaterialReader& materials, Parsed& parsed,
           ImportWarnings& warnings, std::string& error) {
  if (!face_indices_fit(text, error)) return false;
  parsed.face_sizes = face_sizes(text);
  MemoryStream buffer(text);
  std::istream in(&buffer);
  std::string warn, err;
  // Polygons are kept whole: triangulate_polygon cuts them.
  if (!tinyobj::LoadObj(&parsed.attrib, &parsed.shapes, &parsed.materials, &warn, &err, &in,
                        &materials,
                        /*triangulate=*/false, /*default_vcols_fallback=*/false)) {
    error = err.empty() ? "cannot read the OBJ" : err;
    while (!error.empty() && error.back() == '\n') error.pop_back();
    return false;
  }
  pass_on(warn, warnings);
  return true;
}

bool scene_from(const Parsed& parsed, const ReferencedFiles* files, Layers& layers,
                LayerMaterials& sources, ImportWarnings& warnings, std::string& error);

}  // namespace

bool read_obj(const std::string& obj_path, Layers& layers, std::string& error,
              std::vector<std::string>* warnings, const ReferencedFiles* files,
              LayerMaterials* sources) {
  layers.clear();
  ImportWarnings said(warnings);
  const ReferencedFiles beside_input = ReferencedFiles::beside(obj_path);
  const ReferencedFiles& referenced = files != nullptr ? *files : beside_input;
  ReferencedMaterials materials(referenced, said);
  Parsed parsed;
  {
    std::string text;
    if (!read_file_bytes(obj_path, text, error)) return false;
    join_names(text);
    if (!parse(text, materials, parsed, said, error)) return false;
  }
  LayerMaterials unwanted;
  return scene_from(parsed, &referenced, layers, sources != nullptr ? *sources : unwanted, said,
                    error);
}

bool read_obj_text(const std::string& obj, const std::string& mtl, Layers& layers,
                   std::string& error, std::vector<std::string>* warnings) {
  layers.clear();
  ImportWarnings said(warnings);
  TextMaterials materials(mtl);
  std::string text = obj;
  join_names(text);
  Parsed parsed;
  if (!parse(text, materials, parsed, said, error)) return false;
  LayerMaterials unwanted;
  return scene_from(parsed, nullptr, layers, unwanted, said, error);
}

namespace {

// Adds a polygon of the OBJ (x, y, z and u, v per corner) to layer as
// triangles; true when it had to be cut as a fan.
// The polygon corners of each triangle added go to cut_corners.
bool add_polygon(qev3ds::Layer& layer, const std::vector<float>& xyz, const std::vector<float>& uv,
                 std::int32_t smoothing, std::vector<std::size_t>& cut_corners) {
  cut_corners.clear();
  if (xyz.size() == 9) {
    add_triangle(layer, xyz.data(), uv.data(), smoothing);
    cut_corners = {0, 1, 2};
    return false;
  }
  const PolygonTriangles cut = triangulate_polygon(xyz.data(), xyz.size() / 3);
  for (std::size_t t = 0; t + 2 < cut.corners.size(); t += 3) {
    float corners[9], mapping[6];
    for (std::size_t c = 0; c < 3; ++c) {
      const std::size_t i = cut.corners[t + c];
      std::copy_n(&xyz[3 * i], 3, &corners[3 * c]);
      std::copy_n(&uv[2 * i], 2, &mapping[2 * c]);
    }
    add_triangle(layer, corners, mapping, smoothing);
    cut_corners.insert(cut_corners.end(), &cut.corners[t], &cut.corners[t] + 3);
  }
  return cut.fan;
}

bool scene_from(const Parsed& parsed, const ReferencedFiles* files, Layers& layers,
                LayerMaterials& sources, ImportWarnings& warnings, std::string& error) {
  const tinyobj::attrib_t& attrib = parsed.attrib;
  const auto& materials = parsed.materials;
  std::size_t non_finite = 0, not_faces = 0, fanned = 0;
  std::vector<float> polygon, polygon_mapping;
  std::vector<tinyobj::index_t> polygon_index;
  std::vector<std::size_t> cut_corners;
  std::set<int> used;
  std::size_t file_face = 0;  // the face's number in parsed.face_sizes
  layers.clear();
  sources.clear();
  for (const tinyobj::material_t& m : materials) {
    sources.materials.push_back(source_material(m));
    sources.materials.back().placement = diffuse_placement(m, warnings);
    bool outside = false;
    for (int k = 0; k < 3; ++k)
      for (const tinyobj::real_t v : {m.diffuse[k], m.specular[k]})
        outside = outside || !(v >= 0 && v <= 1);
    if (outside)
      warnings.add("material \"" + m.name +
                   "\": colour components outside 0 to 1 are clamped to fit a 3DS colour");
  }
  for (const tinyobj::shape_t& shape : parsed.shapes) {
    const tinyobj::mesh_t& mesh = shape.mesh;
    // The group's smoothing, rebuilt once its faces are read: which layer
    // and triangle each face became.
    std::vector<ShadedFace> shaded;
    std::vector<std::pair<std::size_t, std::size_t>> where;
    // One layer per material used by the group, in order of first use; a
    // group with several materials names each layer after both.
    std::map<int, std::size_t> layer_of;
    bool mixed = false;
    for (int id : mesh.material_ids) mixed = mixed || id != mesh.material_ids.front();
    std::size_t offset = 0;
    for (std::size_t f = 0; f < mesh.num_face_vertices.size(); ++f) {
      std::size_t n = mesh.num_face_vertices[f];
      if (file_face < parsed.face_sizes.size() && parsed.face_sizes[file_face] % 256 == n % 256)
        n = parsed.face_sizes[file_face];
      ++file_face;
      if (offset + n > mesh.indices.size()) {
        error = "face " + std::to_string(f + 1) + " of group '" + shape.name +
                "' has more corners than the parser kept";
        layers.clear();
        return false;
      }
      if (n < 3) {  // the parser leaves none; lines and points are apart
        offset += n;
        ++not_faces;
        continue;
      }
      const std::size_t n_vertices = attrib.vertices.size() / 3,
                        n_texcoords = attrib.texcoords.size() / 2;
      polygon.clear();
      polygon_mapping.clear();
      polygon_index.clear();
      bool finite = true;
      for (std::size_t c = 0; c < n; ++c) {
        const tinyobj::index_t idx = mesh.indices[offset + c];
        polygon_index.push_back(idx);
        // The parser does not check indices against the arrays; a face that
        // names a vertex the file lacks makes the file unreadable.
        if (idx.vertex_index < 0 || static_cast<std::size_t>(idx.vertex_index) >= n_vertices ||
            (idx.texcoord_index >= 0 &&
             static_cast<std::size_t>(idx.texcoord_index) >= n_texcoords)) {
          error = "face " + std::to_string(f + 1) + " of group '" + shape.name +
                  "' names a vertex or texture coordinate the file does not have";
          layers.clear();
          sources.clear();
          return false;
        }
        for (std::size_t a = 0; a < 3; ++a) {
          polygon.push_back(attrib.vertices[3 * static_cast<std::size_t>(idx.vertex_index) + a]);
          finite = finite && std::isfinite(polygon.back());
        }
        for (std::size_t a = 0; a < 2; ++a) {
          polygon_mapping.push_back(
              idx.texcoord_index < 0
                  ? 0.0f
                  : attrib.texcoords[2 * static_cast<std::size_t>(idx.texcoord_index) + a]);
        }
      }
      offset += n;
      if (!finite) {
        non_finite += n - 2;
        continue;
      }
      const unsigned int group =
          f < mesh.smoothing_group_ids.size() ? mesh.smoothing_group_ids[f] : 0;
      const int material = f < mesh.material_ids.size() ? mesh.material_ids[f] : -1;
      auto [it, added] = layer_of.emplace(material, layers.size());
      if (added) {
        qev3ds::Layer l;
        l.name = shape.name;
        l.red = l.green = l.blue = 200;  // no material: light grey
        if (material >= 0 && static_cast<std::size_t>(material) < materials.size()) {
          const tinyobj::material_t& m = materials[static_cast<std::size_t>(material)];
          if (mixed || l.name.empty()) l.name += (l.name.empty() ? "" : "_") + m.name;
          l.red = to_byte(m.diffuse[0]);
          l.green = to_byte(m.diffuse[1]);
          l.blue = to_byte(m.diffuse[2]);
          l.transparency = scaled_clamped(1.0 - m.dissolve, 100.0, 100.0);
          l.texture = m.diffuse_texname;
        }
        if (l.name.empty()) l.name = "layer" + std::to_string(layers.size() + 1);
        const bool known = material >= 0 && static_cast<std::size_t>(material) < materials.size();
        sources.add(layers, std::move(l),
                    known ? static_cast<std::size_t>(material) : LayerMaterials::kOwn);
      }
      if (material >= 0) used.insert(material);
      const std::size_t first = layers[it->second].triangle_count();
      if (add_polygon(layers[it->second], polygon, polygon_mapping, 0, cut_corners)) ++fanned;
      for (std::size_t t = 0; t + 2 < cut_corners.size(); t += 3) {
        tinyobj::index_t idx3[3];
        float corners[9];
        for (std::size_t c = 0; c < 3; ++c) {
          idx3[c] = polygon_index[cut_corners[t + c]];
          std::copy_n(&polygon[3 * cut_corners[t + c]], 3, &corners[3 * c]);
        }
        where.emplace_back(it->second, first + t / 3);
        shaded.push_back(shaded_face(attrib, idx3, corners, group));
      }
    }
    mark_detached(shaded);
    const std::vector<std::uint32_t> words = smoothing_from_normals(shaded);
    for (std::size_t k = 0; k < words.size(); ++k)
      layers[where[k].first].smoothing[where[k].second] = static_cast<std::int32_t>(words[k]);
    if (offset != mesh.indices.size()) {
      error = "the corners of group '" + shape.name + "' do not match its faces";
      layers.clear();
      return false;
    }
  }
  if (non_finite > 0) warnings.add(non_finite_warning(non_finite, "the OBJ"));
  if (fanned > 0) {
    warnings.add(count_of(fanned, "polygon", "polygons") +
                 " of the OBJ cross themselves or are too large to cut into triangles; cut as"
                 " fans, which may not cover them exactly");
  }
  for (const int id : used) {
    const tinyobj::material_t& m = materials[static_cast<std::size_t>(id)];
    std::string why;
    if (files != nullptr && !m.diffuse_texname.empty() &&
        files->find(m.diffuse_texname, why).empty()) {
      warnings.add("texture \"" + m.diffuse_texname + "\" of material \"" + m.name +
                   "\" is not read: " + why);
    }
  }
  std::size_t lines = 0, points = 0;
  for (const tinyobj::shape_t& shape : parsed.shapes) {
    lines += shape.lines.num_line_vertices.size();
    points += shape.points.indices.empty() ? 0 : 1;
  }
  if (not_faces + lines + points > 0) {
    warnings.add("the OBJ's lines and points are not carried (a 3DS scene holds triangles only)");
  }
  return true;
}

}  // namespace

}  // namespace qev::convert
