// Reading OBJ through tinyobjloader into layers.
#include "obj_import.h"

#include <tiny_obj_loader.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <streambuf>

#include "file_bytes.h"
#include "import_warnings.h"
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

// Material libraries named by mtllib, read through ReferencedFiles: from the
// OBJ's folder only, bounded regular files only. One that is refused or
// missing is a warning and its materials stay at the default.
class ReferencedMaterials : public tinyobj::MaterialReader {
 public:
  ReferencedMaterials(const ReferencedFiles& files, ImportWarnings& warnings)
      : files_(files), warnings_(warnings) {}
  bool operator()(const std::string& name, std::vector<tinyobj::material_t>* materials,
                  std::map<std::string, int>* names, std::string* warn, std::string* err) override {
    std::string bytes, why;
    if (!files_.read(name, bytes, why)) {
      warnings_.add("material library \"" + name + "\" is not read: " + why +
                    "; its materials are left grey");
      return false;
    }
    MemoryStream buffer(bytes);
    std::istream in(&buffer);
    tinyobj::LoadMtl(names, materials, &in, warn, err);
    return true;
  }

 private:
  const ReferencedFiles& files_;
  ImportWarnings& warnings_;
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
};

bool parse(const std::string& text, tinyobj::MaterialReader& materials, Parsed& parsed,
           std::string& error) {
  if (!face_indices_fit(text, error)) return false;
  MemoryStream buffer(text);
  std::istream in(&buffer);
  std::string warn, err;
  if (!tinyobj::LoadObj(&parsed.attrib, &parsed.shapes, &parsed.materials, &warn, &err, &in,
                        &materials,
                        /*triangulate=*/true, /*default_vcols_fallback=*/false)) {
    error = err.empty() ? "cannot read the OBJ" : err;
    while (!error.empty() && error.back() == '\n') error.pop_back();
    return false;
  }
  return true;
}

bool scene_from(const Parsed& parsed, Layers& layers, LayerMaterials& sources,
                ImportWarnings& warnings, std::string& error);

}  // namespace

bool read_obj(const std::string& obj_path, Layers& layers, std::string& error,
              std::vector<std::string>* warnings, const ReferencedFiles* files,
              LayerMaterials* sources) {
  layers.clear();
  ImportWarnings said(warnings);
  const ReferencedFiles beside_input = ReferencedFiles::beside(obj_path);
  ReferencedMaterials materials(files != nullptr ? *files : beside_input, said);
  Parsed parsed;
  {
    std::string text;
    if (!read_file_bytes(obj_path, text, error) || !parse(text, materials, parsed, error))
      return false;
  }
  LayerMaterials unwanted;
  return scene_from(parsed, layers, sources != nullptr ? *sources : unwanted, said, error);
}

bool read_obj_text(const std::string& obj, const std::string& mtl, Layers& layers,
                   std::string& error, std::vector<std::string>* warnings) {
  layers.clear();
  ImportWarnings said(warnings);
  MemoryStream mtl_buffer(mtl);
  std::istream mtl_in(&mtl_buffer);
  tinyobj::MaterialStreamReader materials(mtl_in);
  Parsed parsed;
  if (!parse(obj, materials, parsed, error)) return false;
  LayerMaterials unwanted;
  return scene_from(parsed, layers, unwanted, said, error);
}

namespace {

bool scene_from(const Parsed& parsed, Layers& layers, LayerMaterials& sources,
                ImportWarnings& warnings, std::string& error) {
  const tinyobj::attrib_t& attrib = parsed.attrib;
  const auto& materials = parsed.materials;
  std::size_t non_finite = 0, not_faces = 0;
  layers.clear();
  sources.clear();
  for (const tinyobj::material_t& m : materials) sources.materials.push_back(source_material(m));
  for (const tinyobj::shape_t& shape : parsed.shapes) {
    // The group's smoothing, rebuilt once its faces are read: which layer
    // and triangle each face became.
    std::vector<ShadedFace> shaded;
    std::vector<std::pair<std::size_t, std::size_t>> where;
    const tinyobj::mesh_t& mesh = shape.mesh;
    // One layer per material used by the group, in order of first use; a
    // group with several materials names each layer after both.
    std::map<int, std::size_t> layer_of;
    bool mixed = false;
    for (int id : mesh.material_ids) mixed = mixed || id != mesh.material_ids.front();
    std::size_t offset = 0;
    for (std::size_t f = 0; f < mesh.num_face_vertices.size(); ++f) {
      const unsigned n = mesh.num_face_vertices[f];
      if (n != 3) {  // what triangulation leaves: lines and points
        offset += n;
        ++not_faces;
        continue;
      }
      float corners[9] = {}, mapping[6] = {};
      tinyobj::index_t idx3[3];
      const std::size_t n_vertices = attrib.vertices.size() / 3,
                        n_texcoords = attrib.texcoords.size() / 2;
      bool finite = true;
      for (int c = 0; c < 3; ++c) {
        const tinyobj::index_t idx = idx3[c] = mesh.indices[offset + static_cast<std::size_t>(c)];
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
        for (int a = 0; a < 3; ++a) {
          corners[3 * c + a] = attrib.vertices[3 * static_cast<std::size_t>(idx.vertex_index) + a];
          finite = finite && std::isfinite(corners[3 * c + a]);
        }
        if (idx.texcoord_index >= 0) {
          mapping[2 * c] = attrib.texcoords[2 * static_cast<std::size_t>(idx.texcoord_index)];
          mapping[2 * c + 1] =
              attrib.texcoords[2 * static_cast<std::size_t>(idx.texcoord_index) + 1];
        }
      }
      offset += n;
      if (!finite) {
        ++non_finite;
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
      where.emplace_back(it->second, layers[it->second].triangle_count());
      shaded.push_back(shaded_face(attrib, idx3, corners, group));
      add_triangle(layers[it->second], corners, mapping, 0);
    }
    mark_detached(shaded);
    const std::vector<std::uint32_t> words = smoothing_from_normals(shaded);
    for (std::size_t k = 0; k < words.size(); ++k)
      layers[where[k].first].smoothing[where[k].second] = static_cast<std::int32_t>(words[k]);
  }
  if (non_finite > 0) warnings.add(non_finite_warning(non_finite, "the OBJ"));
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
