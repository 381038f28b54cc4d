#include "smooth_normals.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace qev::convert {
namespace {

struct Vec {
  double x = 0, y = 0, z = 0;
};

Vec sub(const float* p, const float* q) {
  return {double(p[0]) - q[0], double(p[1]) - q[1], double(p[2]) - q[2]};
}
Vec cross(const Vec& u, const Vec& v) {
  return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}
double dot(const Vec& u, const Vec& v) { return u.x * v.x + u.y * v.y + u.z * v.z; }
double length(const Vec& v) { return std::sqrt(dot(v, v)); }

Normal unit_or_up(const Vec& v) {
  const double n = length(v);
  if (!(n > 0) || !std::isfinite(n)) return {0.0f, 0.0f, 1.0f};
  return {float(v.x / n), float(v.y / n), float(v.z / n)};
}

// acos from a fixed polynomial (Abramowitz and Stegun 4.4.46, within 2e-8
// rad): only IEEE arithmetic and sqrt, so every platform weighs a corner
// alike and writes the same normals; a C runtime's acos may differ in the
// last bit.
double stable_acos(double x) {
  const double a = x < 0 ? -x : x;
  const double p =
      1.5707963050 +
      a * (-0.2145988016 +
           a * (0.0889789874 +
                a * (-0.0501743046 +
                     a * (0.0308918810 +
                          a * (-0.0170881256 + a * (0.0066700901 - a * 0.0012624911))))));
  const double r = std::sqrt(1.0 - a) * p;
  return x < 0 ? 3.14159265358979323846 - r : r;
}

// The interior angle at p of the triangle p, q, r.
double angle_at(const float* p, const float* q, const float* r) {
  const Vec u = sub(q, p), v = sub(r, p);
  const double lu = length(u), lv = length(v);
  if (!(lu > 0) || !(lv > 0)) return 0;
  const double c = dot(u, v) / (lu * lv);
  return stable_acos(c < -1 ? -1 : (c > 1 ? 1 : c));
}

// A position as a key: its three coordinates' bits, with -0 taken as +0.
struct Point {
  std::uint32_t bits[3];
  bool operator==(const Point& o) const { return std::memcmp(bits, o.bits, sizeof bits) == 0; }
};
struct PointHash {
  std::size_t operator()(const Point& p) const {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint32_t b : p.bits) h = (h ^ b) * 1099511628211ull;
    return static_cast<std::size_t>(h);
  }
};
Point point_of(const float* v) {
  Point p{};
  for (int i = 0; i < 3; ++i) {
    const float f = v[i] == 0.0f ? 0.0f : v[i];
    std::memcpy(&p.bits[i], &f, sizeof f);
  }
  return p;
}

// What the faces around one point bring, summed per smoothing word.
struct Contribution {
  std::uint32_t word;
  Vec sum;
};

}  // namespace

Normal face_normal(const float* a, const float* b, const float* c) {
  return unit_or_up(cross(sub(b, a), sub(c, a)));
}

std::vector<Normal> corner_normals(const qev3ds::Mesh& mesh) {
  const std::size_t n_faces = mesh.faces.size(), n_vertices = mesh.vertex_count();
  std::vector<Normal> out(n_faces * 3, Normal{0.0f, 0.0f, 1.0f});
  auto at = [&](std::uint16_t i) { return &mesh.vertices[std::size_t(i) * 3]; };
  auto usable = [&](const qev3ds::Face& f) {
    return f.a < n_vertices && f.b < n_vertices && f.c < n_vertices;
  };

  // Every point's contributions, one entry per distinct smoothing word.
  std::unordered_map<Point, std::vector<Contribution>, PointHash> around;
  std::vector<Vec> weighted(n_faces);  // unit face normal, not yet weighted
  for (std::size_t k = 0; k < n_faces; ++k) {
    const qev3ds::Face& f = mesh.faces[k];
    if (!usable(f)) continue;
    const float *a = at(f.a), *b = at(f.b), *c = at(f.c);
    const Vec n = cross(sub(b, a), sub(c, a));
    const double len = length(n);
    const Normal flat = unit_or_up(n);
    for (int i = 0; i < 3; ++i) out[k * 3 + i] = flat;
    if (f.smoothing == 0 || !(len > 0) || !std::isfinite(len)) continue;
    const Vec unit{n.x / len, n.y / len, n.z / len};
    weighted[k] = unit;
    const float* corner[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
      const double w = angle_at(corner[i], corner[(i + 1) % 3], corner[(i + 2) % 3]);
      std::vector<Contribution>& list = around[point_of(corner[i])];
      Contribution* slot = nullptr;
      for (Contribution& c2 : list)
        if (c2.word == f.smoothing) slot = &c2;
      if (slot == nullptr) slot = &list.emplace_back(Contribution{f.smoothing, {}});
      slot->sum.x += w * unit.x;
      slot->sum.y += w * unit.y;
      slot->sum.z += w * unit.z;
    }
  }

  for (std::size_t k = 0; k < n_faces; ++k) {
    const qev3ds::Face& f = mesh.faces[k];
    if (!usable(f) || f.smoothing == 0 || dot(weighted[k], weighted[k]) == 0) continue;
    const float* corner[3] = {at(f.a), at(f.b), at(f.c)};
    for (int i = 0; i < 3; ++i) {
      Vec sum;
      for (const Contribution& c : around[point_of(corner[i])]) {
        if ((c.word & f.smoothing) == 0) continue;
        sum.x += c.sum.x;
        sum.y += c.sum.y;
        sum.z += c.sum.z;
      }
      // Opposite faces can cancel out; the face's own normal stands then.
      if (length(sum) > 1e-12) out[k * 3 + i] = unit_or_up(sum);
    }
  }
  return out;
}

}  // namespace qev::convert
