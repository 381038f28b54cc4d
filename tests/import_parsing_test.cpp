// Reading polygons, names and solids right, and placing what is read: OBJ
// polygons cut into triangles that cover them exactly, names with spaces,
// every STL solid, the up axis and the scale of a conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "demo_scene.h"
#include "obj_import.h"
#include "polygon_triangulate.h"
#include "qev_3ds_convert.hpp"
#include "stl_import.h"
#include "support/temp_files.h"

namespace qev::convert {
namespace {

using qev::test::TempDir;
using Point2 = std::array<double, 2>;
using Polygon2 = std::vector<Point2>;

double cross(const Point2& a, const Point2& b, const Point2& c) {
  return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

double signed_area(const Polygon2& p) {
  double twice = 0;
  for (std::size_t i = 0; i < p.size(); ++i)
    twice += p[i][0] * p[(i + 1) % p.size()][1] - p[(i + 1) % p.size()][0] * p[i][1];
  return twice / 2;
}

// Even-odd: inside the polygon, holes cut by a keyhole left out.
bool inside(const Polygon2& p, const Point2& q) {
  bool in = false;
  for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
    if ((p[i][1] > q[1]) != (p[j][1] > q[1]) &&
        q[0] < p[j][0] + (p[i][0] - p[j][0]) * (q[1] - p[j][1]) / (p[i][1] - p[j][1]))
      in = !in;
  }
  return in;
}

// A ring of n corners about the origin, counter-clockwise from angle 0.
Polygon2 ring(int n, double radius) {
  Polygon2 p;
  for (int i = 0; i < n; ++i)
    p.push_back({radius * std::cos(6.283185307179586 * i / n),
                 radius * std::sin(6.283185307179586 * i / n)});
  return p;
}

// An outline with a hole, joined by a keyhole edge from the outline's first
// corner to the hole's: the edge is walked there and back.
Polygon2 keyhole(const Polygon2& outline, const Polygon2& hole) {
  Polygon2 p{outline[0]};
  for (std::size_t i = 0; i <= hole.size(); ++i) p.push_back(hole[(hole.size() - i) % hole.size()]);
  p.insert(p.end(), outline.begin(), outline.end());
  return p;
}

Polygon2 star() {
  Polygon2 p;
  for (int i = 0; i < 10; ++i)
    p.push_back({(i % 2 ? 1.5 : 4.0) * std::cos(0.6283185307179586 * i),
                 (i % 2 ? 1.5 : 4.0) * std::sin(0.6283185307179586 * i)});
  return p;
}

Polygon2 reversed(Polygon2 p) {
  std::reverse(p.begin(), p.end());
  return p;
}

// Every polygon, in a tilted plane: its triangles all turn as it does, and
// every point of the plane is under exactly as many triangles as the
// polygon covers it (one inside, none outside): no gap, no overlap.
TEST(Polygons, TrianglesCoverThePolygonExactlyAndFaceItsWay) {
  const Polygon2 square{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  const Polygon2 hole{{1, 1}, {3, 1}, {3, 2.5}, {1, 2.5}};
  const Polygon2 comb{{0, 0}, {5, 0}, {5, 3}, {4, 3}, {4, 1}, {3, 1},
                      {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
  const struct {
    const char* name;
    Polygon2 corners;
  } cases[] = {
      {"convex", square},
      {"concave", {{0, 0}, {4, 0}, {4, 4}, {2, 1}, {0, 4}}},
      {"comb", comb},
      {"clockwise comb", reversed(comb)},
      {"star", star()},
      {"keyhole", keyhole(square, hole)},
      {"round keyhole", keyhole(ring(32, 4), ring(24, 2.5))},
      {"clockwise keyhole", reversed(keyhole(ring(16, 4), ring(8, 1)))},
      {"repeated points", {{0, 0}, {0, 0}, {4, 0}, {4, 0}, {4, 4}, {2, 1}, {2, 1}, {0, 4}}},
      {"collinear runs",
       {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2}, {2, 2}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}},
      {"spike", {{0, 0}, {4, 0}, {4, 4}, {2, 4}, {2, 6}, {2, 4}, {0, 4}}},
  };
  for (const auto& c : cases) {
    const Polygon2& p = c.corners;
    std::vector<float> xyz;  // (x, y) in the plane through the x axis tilted 53 degrees
    for (const Point2& q : p)
      xyz.insert(xyz.end(), {static_cast<float>(q[0] + 10), static_cast<float>(0.6 * q[1]),
                             static_cast<float>(0.8 * q[1])});
    const PolygonTriangles cut = triangulate_polygon(xyz.data(), p.size());
    EXPECT_FALSE(cut.fan) << c.name;
    const double way = signed_area(p) > 0 ? 1 : -1;
    std::vector<std::array<Point2, 3>> triangles;
    double area = 0;
    for (std::size_t t = 0; t + 2 < cut.corners.size(); t += 3) {
      triangles.push_back({p[cut.corners[t]], p[cut.corners[t + 1]], p[cut.corners[t + 2]]});
      const auto& [a, b, d] = triangles.back();
      EXPECT_GT(way * cross(a, b, d), 0) << c.name << ": triangle " << t / 3 << " is reversed";
      area += std::abs(cross(a, b, d)) / 2;
    }
    EXPECT_NEAR(area, std::abs(signed_area(p)), 1e-4) << c.name;
    std::size_t wrong = 0;
    for (double x = -5.03; x < 6; x += 0.137) {
      for (double y = -5.07; y < 7; y += 0.131) {
        const Point2 q{x, y};
        int under = 0;
        for (const auto& [a, b, d] : triangles)
          under += way * cross(a, b, q) > 0 && way * cross(b, d, q) > 0 && way * cross(d, a, q) > 0;
        wrong += under != (inside(p, q) ? 1 : 0);
      }
    }
    EXPECT_EQ(wrong, 0u) << c.name;
  }
}

void write_text(const TempDir& dir, const std::string& name, const std::string& text) {
  std::ofstream(dir.path(name), std::ios::binary) << text;
}

std::array<double, 3> normal_of(const float* t) {
  const double u[3] = {t[3] - t[0], t[4] - t[1], t[5] - t[2]};
  const double v[3] = {t[6] - t[0], t[7] - t[1], t[8] - t[2]};
  return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

// The OBJ's one face, projected on the plane x = 0: its area.
double face_area_across_x(const std::string& obj) {
  std::istringstream in(obj);
  std::vector<Point2> v;
  Polygon2 face;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    double x, y, z;
    if (word == "v" && words >> x >> y >> z) v.push_back({y, z});
    for (std::string corner; word == "f" && words >> corner;)
      face.push_back(v[std::stoul(corner) - 1]);
  }
  return std::abs(signed_area(face));
}

// Files as users have them: each read gives the layers, colours and
// warnings named, and the faces of a layer all face one way and cover the
// area given.
TEST(ObjAndStl, NamesSolidsAndPolygonsAreReadAsWritten) {
  TempDir dir;
  write_text(dir, "my scene.mtl", "newmtl my mat\nKd 1 0 0\nmap_Kd gone.png\n");
  write_text(dir, "my scene.obj",
             "mtllib my scene.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\ng part\nusemtl my mat\nf 1 2 3\n");
  write_text(dir, "unknown.obj",
             "mtllib my scene.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
             "usemtl no such\nf 1 2 3\n");
  write_text(dir, "keyhole.obj",
             "v 0 0 0\nv 4 0 0\nv 4 4 0\nv 0 4 0\nv 1 1 0\nv 3 1 0\nv 3 3 0\nv 1 3 0\n"
             "g holed\nf 1 5 8 7 6 5 1 2 3 4\n");
  write_text(dir, "two.stl",
             "solid first\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\n"
             "vertex 0 1 0\nendloop\nendfacet\nendsolid first\nsolid\nfacet normal 0 0 1\n"
             "outer loop\nvertex 0 0 1\nvertex 1 0 1\nvertex 0 1 1\nendloop\nendfacet\n"
             "endsolid\n");
  std::string round = "g round\n";  // more corners than a byte counts
  for (const Point2& q : ring(300, 4))
    round += "v " + std::to_string(q[0]) + " " + std::to_string(q[1]) + " 0\n";
  round += "f";
  for (int i = 1; i <= 300; ++i) round += " " + std::to_string(i);
  write_text(dir, "round.obj", round + "\n");
  const std::string concave =
      std::filesystem::path(QEV_ASSIMP_MODELS).append("OBJ/concave_polygon.obj").string();
  std::string concave_text;
  if (std::ifstream in{concave}) std::getline(in, concave_text, '\0');
  ASSERT_FALSE(concave_text.empty()) << concave;
  const struct {
    std::string file;
    const char* layers;  // names, each ending in ';'
    std::size_t triangles;
    double area;        // of all triangles
    const char* warns;  // in the warnings; nullptr: none
  } cases[] = {
      {dir.path("my scene.obj"), "part;", 1, 0.5, "texture \"gone.png\" of material \"my mat\""},
      {dir.path("unknown.obj"), "layer1;", 1, 0.5, "material \"no such\" is not in"},
      {dir.path("keyhole.obj"), "holed;", 8, 12, nullptr},
      {concave, "default;", 64, face_area_across_x(concave_text), nullptr},
      {dir.path("round.obj"), "round;", 298, std::abs(signed_area(ring(300, 4))), nullptr},
      {dir.path("two.stl"), "first;two;", 2, 1, nullptr},
  };
  for (const auto& c : cases) {
    Layers layers;
    std::vector<std::string> warnings;
    std::string error;
    const bool stl = c.file.size() > 4 && c.file.substr(c.file.size() - 4) == ".stl";
    ASSERT_TRUE(stl ? read_stl(c.file, layers, error, &warnings)
                    : read_obj(c.file, layers, error, &warnings))
        << c.file << ": " << error;
    std::string names;
    std::size_t triangles = 0;
    double area = 0;
    std::array<double, 3> first{};
    for (const qev3ds::Layer& l : layers) {
      names += l.name + ";";
      for (std::size_t t = 0; t < l.triangle_count(); ++t, ++triangles) {
        const std::array<double, 3> n = normal_of(&l.corners[9 * t]);
        if (triangles == 0) first = n;
        EXPECT_GT(n[0] * first[0] + n[1] * first[1] + n[2] * first[2], 0)
            << c.file << ": triangle " << t << " is reversed";
        area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2;
      }
    }
    EXPECT_EQ(names, c.layers) << c.file;
    EXPECT_EQ(triangles, c.triangles) << c.file;
    EXPECT_NEAR(area, c.area, 1e-3 * c.area) << c.file;
    std::string said;
    for (const std::string& w : warnings) said += w + "\n";
    if (c.warns == nullptr) {
      EXPECT_EQ(said, "") << c.file;
    } else {
      EXPECT_NE(said.find(c.warns), std::string::npos) << c.file << ": " << said;
    }
    if (c.file == dir.path("my scene.obj")) {
      EXPECT_EQ(layers.at(0).red, 255) << said;  // the material was found
    }
  }
}

// The corners of every face, sorted: the same geometry whatever the meshes.
std::vector<std::array<float, 3>> corners(const qev3ds::Scene& scene) {
  std::vector<std::array<float, 3>> out;
  for (const qev3ds::Mesh& m : scene.meshes)
    for (const qev3ds::Face& f : m.faces)
      for (const std::uint16_t v : {f.a, f.b, f.c})
        out.push_back({m.vertices[3 * v], m.vertices[3 * v + 1], m.vertices[3 * v + 2]});
  std::sort(out.begin(), out.end());
  return out;
}

// 3DS -> format -> 3DS returns every corner where it was, with any up axis
// and a scale undone on the way back; an OBJ written Y-up holds the 3DS z
// in its y, one written Z-up the coordinates as they are.
TEST(Placement, UpAxisAndScaleRoundTrip) {
  TempDir dir;
  std::FILE* quiet = std::tmpfile();
  ASSERT_TRUE(write_demo_scene(dir.path("demo.3ds"), quiet).ok());
  std::fclose(quiet);
  const qev3ds::Scene scene = qev3ds::read_scene(dir.path("demo.3ds")).scene;
  const std::vector<std::array<float, 3>> original = corners(scene);
  using Up = qev3ds::ConvertOptions::Up;
  const struct {
    const char* ext;
    Up up;
    double there;
  } cases[] = {{".obj", Up::y, 1}, {".obj", Up::z, 1}, {".obj", Up::y, 4}, {".stl", Up::y, 0.25},
               {".glb", Up::z, 8}, {".3ds", Up::y, 2}, {".gltf", Up::y, 1}};
  for (const auto& c : cases) {
    const std::string out = dir.path(std::string("out") + c.ext);
    qev3ds::ConvertOptions options;
    options.up = c.up;
    options.scale = c.there;
    const qev3ds::ConvertReport r = qev3ds::convert_file(dir.path("demo.3ds"), out, options);
    ASSERT_TRUE(r.ok()) << c.ext << ": " << r.message;
    options.scale = 1 / c.there;
    const qev3ds::ImportResult back = qev3ds::import_file(out, options);
    ASSERT_TRUE(back.report.ok()) << back.report.message;
    EXPECT_EQ(corners(back.scene), original) << c.ext << " scaled " << c.there;
    if (std::string(c.ext) == ".obj") {
      std::ifstream in(out);
      std::string word;
      while (in >> word && word != "v") continue;
      float v[3];
      in >> v[0] >> v[1] >> v[2];
      const float* p = scene.meshes[0].vertices.data();
      const float want[3] = {p[0], c.up == Up::y ? p[2] : p[1], c.up == Up::y ? -p[1] : p[2]};
      for (int k = 0; k < 3; ++k)
        EXPECT_EQ(v[k], static_cast<float>(want[k] * c.there)) << "up " << int(c.up) << " " << k;
    }
  }
  for (const double bad : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
    qev3ds::ConvertOptions options;
    options.scale = bad;
    EXPECT_EQ(qev3ds::convert_file(dir.path("demo.3ds"), dir.path("bad.obj"), options).status,
              qev3ds::convert_usage)
        << bad;
  }
}

}  // namespace
}  // namespace qev::convert
