// Writing OBJ and MTL text from a scene.
#include "obj_export.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <tuple>

namespace qev::tool {

namespace {

// OBJ names are single tokens: spaces and control characters become '_'.
std::string token(const std::string& s, const std::string& fallback) {
  std::string out = s.empty() ? fallback : s;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) <= ' ') c = '_';
  }
  return out;
}

std::string number(float v) {
  std::ostringstream o;
  o << std::setprecision(9) << v;  // enough digits to give back the same float
  return o.str();
}

}  // namespace

bool write_obj(const Scene& scene, const std::string& obj_path, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path mtl_path = fs::path(obj_path).replace_extension(".mtl");
  std::ofstream obj(obj_path), mtl(mtl_path);
  if (!obj || !mtl) {
    error = "cannot write " + (obj ? mtl_path.string() : obj_path);
    return false;
  }
  obj << "# written by qev3ds\nmtllib " << mtl_path.filename().string() << "\n";
  mtl << "# written by qev3ds\n";

  // Equal positions and mapping pairs are written once.
  std::map<std::tuple<float, float, float>, std::size_t> positions;
  std::map<std::pair<float, float>, std::size_t> uvs;
  for (std::size_t k = 0; k < scene.layers.size(); ++k) {
    const Layer& l = scene.layers[k];
    const std::string name = token(l.name, "layer" + std::to_string(k + 1));
    const std::string material = name + "_material";
    mtl << "\nnewmtl " << material << "\n"
        << "Kd " << number(static_cast<float>(l.red) / 255.0f) << ' '
        << number(static_cast<float>(l.green) / 255.0f) << ' '
        << number(static_cast<float>(l.blue) / 255.0f) << "\n"
        << "d " << number(1.0f - static_cast<float>(l.transparency) / 100.0f) << "\n";
    if (!l.texture.empty()) mtl << "map_Kd " << l.texture << "\n";

    obj << "\ng " << name << "\nusemtl " << material << "\n";
    std::int32_t smoothing = -1;
    for (const Triangle& t : l.triangles) {
      std::size_t v[3], vt[3];
      for (int c = 0; c < 3; ++c) {
        const auto key = std::make_tuple(t.corners[3 * c], t.corners[3 * c + 1], t.corners[3 * c + 2]);
        auto [it, added] = positions.emplace(key, positions.size() + 1);
        if (added) {
          obj << "v " << number(t.corners[3 * c]) << ' ' << number(t.corners[3 * c + 1]) << ' '
              << number(t.corners[3 * c + 2]) << "\n";
        }
        v[c] = it->second;
        if (!l.texture.empty()) {
          auto [uv, new_uv] = uvs.emplace(std::make_pair(t.mapping[2 * c], t.mapping[2 * c + 1]), uvs.size() + 1);
          if (new_uv) obj << "vt " << number(t.mapping[2 * c]) << ' ' << number(t.mapping[2 * c + 1]) << "\n";
          vt[c] = uv->second;
        }
      }
      if (t.smoothing != smoothing) {
        smoothing = t.smoothing;
        obj << "s " << (smoothing == 0 ? std::string("off") : std::to_string(smoothing)) << "\n";
      }
      obj << 'f';
      for (int c = 0; c < 3; ++c) {
        obj << ' ' << v[c];
        if (!l.texture.empty()) obj << '/' << vt[c];
      }
      obj << "\n";
    }
  }
  obj.flush();
  mtl.flush();
  if (!obj || !mtl) {
    error = "writing " + obj_path + " failed";
    return false;
  }
  return true;
}

}  // namespace qev::tool
