// What a conversion keeps, as a property over real-world 3DS models and the
// corpus scenes: through 3DS -> GLB -> 3DS and 3DS -> OBJ -> 3DS every file
// keeps its material names and count, every material its colours,
// shininess and transparency, every face its material and colour (black
// stays black), and the faces their smoothing partition: faces that meet at
// a position and share a smoothing bit still share one, and faces that did
// not still do not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <unordered_map>

#include "conversion_look.h"
#include "obj_import.h"
#include "qev_3ds_convert.hpp"
#include "qev_3ds_scene.hpp"
#include "support/temp_files.h"

namespace qev::convert {
namespace {

namespace fs = std::filesystem;
using qev::test::TempDir;

std::vector<fs::path> models() {
  std::vector<fs::path> files;
  for (const fs::path& dir : {fs::path(QEV_ASSIMP_MODELS) / "3DS", fs::path(QEV_CORPUS) / "reader",
                              fs::path(QEV_CORPUS) / "scene"}) {
    if (!fs::is_directory(dir)) continue;
    for (const auto& e : fs::directory_iterator(dir)) {
      std::string ext = e.path().extension().string();
      for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (ext == ".3ds") files.push_back(e.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A face by its corners' positions, whatever mesh or order it lands in:
// their bits, or with a grid, their nearest grid points (a mesh placed in
// its own frame comes back within rounding of where it was).
using FaceKey = std::array<std::int64_t, 9>;
double grid = 0;

std::int64_t coordinate_key(float v) {
  if (grid > 0) return std::llround(static_cast<double>(v) / grid);
  std::uint32_t bits;
  v += 0.0f;
  std::memcpy(&bits, &v, 4);
  return bits;
}

// A grid far finer than any model's detail and far coarser than rounding.
double grid_for(const qev3ds::Scene& s) {
  double extent = 1;
  for (const qev3ds::Mesh& m : s.meshes)
    for (const float v : m.vertices)
      if (std::isfinite(v)) extent = std::max(extent, std::fabs(static_cast<double>(v)));
  return extent * 1e-5;
}

struct FaceInfo {
  std::string material;
  qev3ds::Rgb colour;
  std::int32_t transparency;
  std::uint32_t smoothing;
};

FaceKey key_of(const qev3ds::Mesh& m, const qev3ds::Face& f) {
  std::array<std::array<std::int64_t, 3>, 3> corners;
  const std::uint16_t idx[3] = {f.a, f.b, f.c};
  for (int c = 0; c < 3; ++c)
    for (int a = 0; a < 3; ++a)
      corners[std::size_t(c)][std::size_t(a)] =
          coordinate_key(m.vertices[3 * std::size_t(idx[c]) + std::size_t(a)]);
  std::sort(corners.begin(), corners.end());
  FaceKey k;
  for (std::size_t i = 0; i < 9; ++i) k[i] = corners[i / 3][i % 3];
  return k;
}

bool usable(const qev3ds::Mesh& m, const qev3ds::Face& f) {
  const std::size_t n = m.vertex_count();
  return f.a < n && f.b < n && f.c < n;
}

// OBJ material names are single tokens today: blanks become '_'.
std::string through(const std::string& name, bool obj) {
  std::string out = name;
  for (char& c : out)
    if (obj && (static_cast<unsigned char>(c) <= ' ' || c == '#')) c = '_';
  return out;
}

std::map<FaceKey, FaceInfo> faces_of(const qev3ds::Scene& scene, bool obj = false) {
  std::map<FaceKey, FaceInfo> out;
  const qev3ds::MaterialIndex index(scene);
  for (const qev3ds::Mesh& m : scene.meshes) {
    const std::vector<std::int32_t> group_of = qev3ds::face_groups(m);
    for (std::size_t f = 0; f < m.faces.size(); ++f) {
      if (!usable(m, m.faces[f])) continue;
      const qev3ds::Look look = conversion_look(index, m, group_of[f]);
      out.emplace(key_of(m, m.faces[f]),
                  FaceInfo{through(std::string(look.material_name), obj), look.colour,
                           look.transparency, m.faces[f].smoothing});
    }
  }
  return out;
}

// How many faces of the source keep their smoothing partition: with every
// face of their mesh they meet at a position, they share a bit after the
// trip exactly when they shared one before.
std::size_t partition_kept(const qev3ds::Scene& source, const std::map<FaceKey, FaceInfo>& after,
                           std::size_t& counted) {
  std::size_t kept = 0;
  counted = 0;
  for (const qev3ds::Mesh& m : source.meshes) {
    std::map<std::array<std::uint32_t, 3>, std::vector<std::size_t>> at;
    std::vector<const FaceInfo*> back(m.faces.size(), nullptr);
    for (std::size_t f = 0; f < m.faces.size(); ++f) {
      if (!usable(m, m.faces[f])) continue;
      const auto it = after.find(key_of(m, m.faces[f]));
      if (it != after.end()) back[f] = &it->second;
      for (const std::uint16_t v : {m.faces[f].a, m.faces[f].b, m.faces[f].c}) {
        std::array<std::uint32_t, 3> p;
        for (int a = 0; a < 3; ++a) {
          const float x = m.vertices[3 * std::size_t(v) + std::size_t(a)] + 0.0f;
          std::memcpy(&p[std::size_t(a)], &x, 4);
        }
        at[p].push_back(f);
      }
    }
    std::vector<char> broken(m.faces.size(), 0);
    for (const auto& [point, list] : at) {
      (void)point;
      for (std::size_t i = 0; i < list.size(); ++i) {
        for (std::size_t j = i + 1; j < list.size(); ++j) {
          const std::size_t a = list[i], b = list[j];
          if (a == b || back[a] == nullptr || back[b] == nullptr) continue;
          const bool before = (m.faces[a].smoothing & m.faces[b].smoothing) != 0;
          const bool now = (back[a]->smoothing & back[b]->smoothing) != 0;
          if (before != now) broken[a] = broken[b] = 1;
        }
      }
    }
    for (std::size_t f = 0; f < m.faces.size(); ++f) {
      if (back[f] == nullptr) continue;
      ++counted;
      kept += broken[f] ? 0 : 1;
    }
  }
  return kept;
}

// The material names a scene defines, and with_missing those its faces
// name without a material: a conversion writes them as grey materials.
std::vector<std::string> material_names(const qev3ds::Scene& s, bool with_missing,
                                        bool obj = false) {
  std::set<std::string> names;
  for (const qev3ds::Material& m : s.materials) names.insert(through(m.name, obj));
  const qev3ds::MaterialIndex index(s);
  for (const qev3ds::Mesh& m : s.meshes) {
    const std::vector<std::int32_t> group_of = qev3ds::face_groups(m);
    for (std::size_t f = 0; f < m.faces.size() && with_missing; ++f) {
      const qev3ds::Look look = qev3ds::face_look(index, m, group_of[f]);
      if (look.material == nullptr) names.insert(through(std::string(look.material_name), obj));
    }
  }
  return {names.begin(), names.end()};
}

TEST(ConversionFidelity, MaterialsColoursAndSmoothingSurviveGlbAndObj) {
  const std::vector<fs::path> files = models();
  ASSERT_GE(files.size(), 10u);
  std::size_t compared = 0;
  std::map<std::string, std::pair<std::size_t, std::size_t>> partition;  // kept, counted per way
  for (const fs::path& file : files) {
    const qev3ds::ReadResult source = qev3ds::read_scene(file.string());
    if (source.status != qev3ds::read_ok) continue;
    if (faces_of(source.scene).empty()) continue;
    const qev3ds::MaterialIndex source_materials(source.scene);
    for (const char* via : {".glb", ".obj"}) {
      SCOPED_TRACE(file.filename().string() + " through " + via);
      const bool obj = std::string(via) == ".obj";
      grid = obj ? 0 : grid_for(source.scene);
      const std::map<FaceKey, FaceInfo> before = faces_of(source.scene, obj);
      TempDir dir;
      const std::string middle = dir.path("model" + std::string(via)), back = dir.path("back.3ds");
      ASSERT_TRUE(qev3ds::convert_file(file.string(), middle).ok());
      if (obj) {  // every corner names a vn line of the file
        std::ifstream in(middle);
        std::size_t normals = 0, largest = 0;
        for (std::string line; std::getline(in, line);) {
          normals += line.rfind("vn ", 0) == 0 ? 1 : 0;
          std::istringstream corners(line.rfind("f ", 0) == 0 ? line.substr(2) : std::string());
          for (std::string c; corners >> c;)
            largest = std::max<std::size_t>(largest, std::stoul(c.substr(c.rfind('/') + 1)));
        }
        EXPECT_LE(largest, normals);
      }
      const qev3ds::ConvertReport r = qev3ds::convert_file(middle, back);
      ASSERT_TRUE(r.ok()) << r.message;
      const qev3ds::ReadResult trip = qev3ds::read_scene(back);
      ASSERT_EQ(trip.status, qev3ds::read_ok);

      EXPECT_EQ(material_names(trip.scene, false), material_names(source.scene, true, obj));
      EXPECT_EQ(trip.scene.materials.size(), material_names(source.scene, true, obj).size());
      const qev3ds::MaterialIndex trip_materials(trip.scene);
      for (const qev3ds::Material& m : source.scene.materials) {
        const qev3ds::Material* t = trip_materials.find(through(m.name, obj));
        if (t == nullptr || source_materials.find(m.name) != &m) continue;
        EXPECT_EQ(specular_colour(*t), specular_colour(m)) << m.name;
        EXPECT_EQ(t->shininess, std::clamp<std::int16_t>(m.shininess, 0, 100)) << m.name;
        EXPECT_EQ(t->transparency, std::clamp<std::int16_t>(m.transparency, 0, 100)) << m.name;
      }

      const std::map<FaceKey, FaceInfo> after = faces_of(trip.scene);
      std::size_t recoloured = 0;
      for (const auto& [key, face] : before) {
        const auto it = after.find(key);
        if (it == after.end()) continue;  // left out with a warning (a vertex the mesh lacks)
        const bool same = it->second.material == face.material &&
                          it->second.colour == face.colour &&
                          it->second.transparency == face.transparency;
        recoloured += same ? 0 : 1;
      }
      EXPECT_EQ(recoloured, 0u) << "faces whose material or colour changed";
      std::size_t counted = 0;
      const std::size_t kept = partition_kept(source.scene, after, counted);
      partition[via].first += kept;
      partition[via].second += counted;
      std::printf("%-40s %s: %zu materials, %zu of %zu faces keep their smoothing partition\n",
                  file.filename().string().c_str(), via, trip.scene.materials.size(), kept,
                  counted);
      ++compared;
    }
  }
  EXPECT_GE(compared, 20u);
  // Coplanar faces in different groups have equal normals and come back
  // smoothed together: a few faces of the small corpus scenes, which are
  // made of such cases, so the measure is over all faces.
  for (const auto& [via, counts] : partition) {
    std::printf("all files %s: %zu of %zu faces keep their smoothing partition\n", via.c_str(),
                counts.first, counts.second);
    EXPECT_GE(counts.first * 100, counts.second * 99)
        << via << ": " << counts.first << " of " << counts.second << " faces";
  }
}

// A material's own colour in every output: black stays black (grey is for
// faces whose material does not exist) and a float 1.0, read as 256, is 255.
TEST(ConversionFidelity, BlackStaysBlackAndFullIs255InEveryOutput) {
  TempDir dir;
  qev3ds::Scene scene;
  scene.version = 3;
  for (const char* name : {"black", "full"}) {
    qev3ds::Mesh m;
    m.name = name;
    const float z = scene.meshes.empty() ? 0.0f : 1.0f;
    m.vertices = {0, 0, z, 1, 0, z, 0, 1, z};
    m.faces = {{0, 1, 2, 7, 1}};
    m.groups = {{name, 1, {}}};
    scene.meshes.push_back(m);
  }
  qev3ds::Material black, full;
  black.name = "black";
  full.name = "full";
  full.diffuse[0] = full.diffuse[1] = {256, 0, 128};
  full.specular[0] = full.specular[1] = {256, 256, 256};
  scene.materials = {black, full};
  const std::string source = dir.path("colours.3ds");
  ASSERT_TRUE(qev3ds::write_scene(source, scene).ok());
  struct Way {
    const char* middle;
    bool layers;
  };
  for (const Way way : {Way{".glb", false}, Way{".obj", false}, Way{nullptr, true}}) {
    SCOPED_TRACE(way.middle != nullptr ? way.middle : "layers");
    const std::string back = dir.path("back.3ds");
    qev3ds::ConvertOptions options;
    options.layers = way.layers;
    if (way.middle != nullptr) {
      const std::string middle = dir.path(std::string("colours") + way.middle);
      ASSERT_TRUE(qev3ds::convert_file(source, middle).ok());
      ASSERT_TRUE(qev3ds::convert_file(middle, back).ok());
    } else {
      ASSERT_TRUE(qev3ds::convert_file(source, back, options).ok());
    }
    const qev3ds::ReadResult r = qev3ds::read_scene(back);
    ASSERT_EQ(r.status, qev3ds::read_ok);
    const qev3ds::MaterialIndex index(r.scene);
    ASSERT_EQ(r.scene.meshes.size(), 2u);
    EXPECT_EQ(conversion_look(index, r.scene.meshes[0], 0).colour, (qev3ds::Rgb{0, 0, 0}));
    EXPECT_EQ(conversion_look(index, r.scene.meshes[1], 0).colour, (qev3ds::Rgb{255, 0, 128}));
  }
}

// Three triangles of a fan around the origin, their `s` numbers or vertex
// normals as a foreign OBJ gives them: which pairs smooth together.
TEST(ObjSmoothing, SNumbersAndVertexNormalsGiveThePartition) {
  struct Case {
    const char* faces;
    bool share01, share02, share12;
  };
  const std::string points = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv -1 0 0\nv 0 -1 0\n";
  const Case cases[] = {
      {"s 1\nf 1 2 3\nf 1 3 4\ns 2\nf 1 4 5\n", true, false, false},
      {"s 1\nf 1 2 3\ns 9\nf 1 3 4\ns 1\nf 1 4 5\n", false, true, false},  // 9 is not 1
      {"s 3\nf 1 2 3\ns 1\nf 1 3 4\ns 2\nf 1 4 5\n", false, false, false},
      {"s off\nf 1 2 3\nf 1 3 4\ns 4\nf 1 4 5\n", false, false, false},
      // Vertex normals: shared at the origin, smooth; a split normal, hard.
      {"vn 0 0 1\nvn 0 0 1\nvn 0 0.6 0.8\nf 1//1 2//1 3//1\nf 1//1 3//1 4//1\n"
       "f 1//3 4//3 5//3\n",
       true, false, false},
      // A flat face has normals of its own, even where equal to its neighbour's.
      {"vn 0 0 1\nvn 0 0 1\ns 1\nf 1//1 2//1 3//1\nf 1//2 3//2 4//2\nf 1//1 4//1 5//1\n", false,
       true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faces);
    Layers layers;
    std::string error;
    ASSERT_TRUE(read_obj_text(points + c.faces, "", layers, error)) << error;
    std::vector<std::int32_t> words;
    for (const qev3ds::Layer& l : layers)
      words.insert(words.end(), l.smoothing.begin(), l.smoothing.end());
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ((words[0] & words[1]) != 0, c.share01);
    EXPECT_EQ((words[0] & words[2]) != 0, c.share02);
    EXPECT_EQ((words[1] & words[2]) != 0, c.share12);
  }
}

}  // namespace
}  // namespace qev::convert
