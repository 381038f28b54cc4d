// What a conversion keeps, as a property over real-world 3DS models and the
// corpus scenes: through 3DS -> GLB -> 3DS and 3DS -> OBJ -> 3DS every file
// keeps its material names and count, every material its colours,
// shininess and transparency, every face its material and colour (black
// stays black), and the faces their smoothing partition: faces that meet at
// a position and share a smoothing bit still share one, and faces that did
// not still do not. A diffuse map's placement survives 3DS -> OBJ -> 3DS.
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
#include "gltf_nodes.h"
#include "map_placement.h"
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

// A diffuse map's placement through OBJ and back. What a reader of the OBJ
// looks up, s * vt + o from map_Kd's -s and -o, is what the 3DS rule gives
// the file's mapping; without rotation the options carry the placement and
// it comes back as it was, else the vt values are baked.
TEST(ObjPlacement, ReaderSeesWhatTheFileShowsAndTheWayBackKeepsIt) {
  struct Case {
    float u_scale, v_scale, u_offset, v_offset, rotation;
    bool options;
  };
  const Case cases[] = {
      {2, 3, 0.25f, -0.5f, 0, true}, {-1, 0.5f, 0.1f, 0.7f, 0, true},
      {1, 1, 0, 0.125f, 0, true},    {2, 2, 0.1f, 0, 30, false},  // a rotation: baked
      {0, 1, 0, 0, 0, false},  // a scale of 0, which no reader could take back: baked
  };
  const float mapping[6] = {0.1f, 0.2f, 0.9f, 0.3f, 0.4f, 0.8f};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.u_scale << ' ' << c.v_scale << ' ' << c.u_offset << ' '
                                      << c.v_offset << ' ' << c.rotation);
    TempDir dir;
    qev3ds::Scene scene;
    scene.version = 3;
    qev3ds::Mesh mesh;
    mesh.name = "m";
    mesh.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    mesh.mapping.assign(mapping, mapping + 6);
    mesh.faces = {{0, 1, 2, 7, 1}};
    mesh.groups = {{"mat", 1, {}}};
    scene.meshes = {mesh};
    qev3ds::Material mat;
    mat.name = "mat";
    mat.texture = "t.png";
    mat.map_percentage = 100;
    qev3ds::TextureMap& place = mat.map(qev3ds::map_diffuse);
    place.u_scale = c.u_scale;
    place.v_scale = c.v_scale;
    place.u_offset = c.u_offset;
    place.v_offset = c.v_offset;
    place.rotation = c.rotation;
    scene.materials = {mat};
    std::ofstream(dir.path("t.png")) << "an image";
    ASSERT_TRUE(qev3ds::write_scene(dir.path("in.3ds"), scene).ok());
    ASSERT_TRUE(qev3ds::convert_file(dir.path("in.3ds"), dir.path("mid.obj")).ok());

    double s[2] = {1, 1}, o[2] = {0, 0};
    std::ifstream mtl(dir.path("mid.mtl"));
    std::string line;
    while (std::getline(mtl, line) && line.rfind("map_Kd ", 0) != 0) {
    }
    std::istringstream options(line.substr(7));
    bool has_options = false;
    for (std::string word, rest; options >> word;) {
      double* to = word == "-o" ? o : word == "-s" ? s : nullptr;
      if (to == nullptr) continue;
      options >> to[0] >> to[1] >> rest;
      has_options = true;
    }
    EXPECT_EQ(has_options, c.options) << line;
    std::vector<double> vt;
    std::vector<std::size_t> corners;
    std::ifstream obj(dir.path("mid.obj"));
    while (std::getline(obj, line)) {
      std::istringstream words(line.substr(std::min<std::size_t>(2, line.size())));
      if (line.rfind("vt ", 0) == 0) {
        for (double x; words >> x;) vt.push_back(x);
      } else if (line.rfind("f ", 0) == 0) {
        for (std::string w; words >> w;) corners.push_back(std::stoul(w.substr(w.find('/') + 1)));
      }
    }
    ASSERT_EQ(corners.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
      float u = mapping[2 * k], v = mapping[2 * k + 1];
      place_uv(place, u, v);
      const std::size_t at = 2 * (corners[k] - 1);
      ASSERT_LT(at + 1, vt.size());
      EXPECT_NEAR(s[0] * vt[at] + o[0], u, 1e-5) << k;
      EXPECT_NEAR(s[1] * vt[at + 1] + o[1], v, 1e-5) << k;
    }

    const qev3ds::ConvertReport r = qev3ds::convert_file(dir.path("mid.obj"), dir.path("back.3ds"));
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_TRUE(r.warnings.empty()) << ::testing::PrintToString(r.warnings);
    const qev3ds::ReadResult back = qev3ds::read_scene(dir.path("back.3ds"));
    ASSERT_EQ(back.status, qev3ds::read_ok);
    ASSERT_EQ(back.scene.materials.size(), 1u);
    ASSERT_EQ(back.scene.meshes.size(), 1u);
    const qev3ds::TextureMap& kept = back.scene.materials[0].map(qev3ds::map_diffuse);
    if (c.options) {
      EXPECT_NEAR(kept.u_scale, c.u_scale, 1e-5);
      EXPECT_NEAR(kept.v_scale, c.v_scale, 1e-5);
      EXPECT_NEAR(kept.u_offset, c.u_offset, 1e-5);
      EXPECT_NEAR(kept.v_offset, c.v_offset, 1e-5);
    } else {
      EXPECT_FALSE(kept.placed());
    }
    const qev3ds::Mesh& m = back.scene.meshes[0];
    const std::uint16_t at[3] = {m.faces[0].a, m.faces[0].b, m.faces[0].c};
    for (std::size_t k = 0; k < 3; ++k) {
      float u = mapping[2 * k], v = mapping[2 * k + 1];
      place_uv(place, u, v);
      float bu = m.mapping[2 * std::size_t{at[k]}], bv = m.mapping[2 * std::size_t{at[k]} + 1];
      place_uv(kept, bu, bv);
      EXPECT_NEAR(bu, u, 1e-5) << k;
      EXPECT_NEAR(bv, v, 1e-5) << k;
    }
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
