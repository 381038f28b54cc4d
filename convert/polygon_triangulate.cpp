// Ear clipping: cut off, one at a time, a corner whose triangle lies inside
// the polygon, until three corners are left.
#include "polygon_triangulate.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qev::convert {

namespace {

struct Point {
  double x, y;
};

// Twice the signed area of a, b, c: positive when they turn left.
double turn(const Point& a, const Point& b, const Point& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Point tests allowed per corner: clipping is quadratic in the corners, and
// a polygon in an untrusted file may have millions of them.
constexpr std::size_t kWorkPerCorner = 4096;

constexpr double kFullTurn = 6.283185307179586;  // radians

class Clipper {
 public:
  Clipper(const float* xyz, std::size_t count) : xyz_(xyz), n_(count) {}

  PolygonTriangles run() {
    PolygonTriangles out;
    if (n_ < 3) return out;
    if (!project()) {
      // No normal: a polygon on one line covers nothing and its fan is
      // exact; any other (a figure eight) has no one side to clip on.
      out.fan = !on_one_line();
      fan_all(out);
      return out;
    }
    if (convex()) {
      if (n_ == 4 && !shorter_diagonal_02()) {
        out.corners = {0, 1, 3, 1, 2, 3};
      } else {
        fan_all(out);
      }
      return out;
    }
    clip(out);
    return out;
  }

 private:
  const float* at(std::size_t i) const { return xyz_ + 3 * i; }

  bool same(std::size_t i, std::size_t j) const {
    return i == j || (at(i)[0] == at(j)[0] && at(i)[1] == at(j)[1] && at(i)[2] == at(j)[2]);
  }

  // The corners in the plane of the Newell normal, seen from its tip, so
  // the polygon turns left (positive area). False when it has no normal.
  bool project() {
    double c[3] = {0, 0, 0};
    for (std::size_t i = 0; i < n_; ++i)
      for (int k = 0; k < 3; ++k) c[k] += at(i)[k];
    for (double& v : c) v /= static_cast<double>(n_);
    double nx = 0, ny = 0, nz = 0, extent = 0;
    for (std::size_t i = 0; i < n_; ++i) {
      const float* a = at(i);
      const float* b = at((i + 1) % n_);
      const double ax = a[0] - c[0], ay = a[1] - c[1], az = a[2] - c[2];
      const double bx = b[0] - c[0], by = b[1] - c[1], bz = b[2] - c[2];
      nx += (ay - by) * (az + bz);
      ny += (az - bz) * (ax + bx);
      nz += (ax - bx) * (ay + by);
      extent = std::max({extent, std::abs(ax), std::abs(ay), std::abs(az)});
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    tolerance_ = 1e-12 * extent * extent;
    if (!(length > tolerance_) || !std::isfinite(length)) return false;
    nx /= length, ny /= length, nz /= length;
    // u across the normal, away from its largest component; v = n x u.
    double ux, uy, uz;
    if (std::abs(nx) <= std::abs(ny) && std::abs(nx) <= std::abs(nz)) {
      ux = 0, uy = nz, uz = -ny;  // n x (1, 0, 0)
    } else if (std::abs(ny) <= std::abs(nz)) {
      ux = -nz, uy = 0, uz = nx;  // n x (0, 1, 0)
    } else {
      ux = ny, uy = -nx, uz = 0;  // n x (0, 0, 1)
    }
    const double u_length = std::sqrt(ux * ux + uy * uy + uz * uz);
    ux /= u_length, uy /= u_length, uz /= u_length;
    const double vx = ny * uz - nz * uy, vy = nz * ux - nx * uz, vz = nx * uy - ny * ux;
    points_.resize(n_);
    for (std::size_t i = 0; i < n_; ++i) {
      const double px = at(i)[0] - c[0], py = at(i)[1] - c[1], pz = at(i)[2] - c[2];
      points_[i] = {px * ux + py * uy + pz * uz, px * vx + py * vy + pz * vz};
    }
    return true;
  }

  bool on_one_line() const {
    std::size_t far = 0;
    double far_d = 0;
    for (std::size_t i = 1; i < n_; ++i) {
      double d = 0;
      for (int k = 0; k < 3; ++k) {
        const double e = double(at(i)[k]) - at(0)[k];
        d += e * e;
      }
      if (d > far_d) far_d = d, far = i;
    }
    if (!(far_d > 0)) return true;
    for (std::size_t i = 1; i < n_; ++i) {
      double e[3], f[3];
      for (int k = 0; k < 3; ++k) {
        e[k] = double(at(far)[k]) - at(0)[k];
        f[k] = double(at(i)[k]) - at(0)[k];
      }
      const double x = e[1] * f[2] - e[2] * f[1], y = e[2] * f[0] - e[0] * f[2],
                   z = e[0] * f[1] - e[1] * f[0];
      if (x * x + y * y + z * z > 1e-24 * far_d * far_d) return false;
    }
    return true;
  }

  // Every corner turns left and the outline goes round once: a fan is exact.
  bool convex() const {
    double turning = 0;
    for (std::size_t i = 0; i < n_; ++i) {
      const Point& a = points_[(i + n_ - 1) % n_];
      const Point& b = points_[i];
      const Point& c = points_[(i + 1) % n_];
      const double cross = turn(a, b, c);
      if (!(cross > tolerance_)) return false;
      const double dot = (b.x - a.x) * (c.x - b.x) + (b.y - a.y) * (c.y - b.y);
      turning += std::atan2(cross, dot);
    }
    return std::abs(turning - kFullTurn) < 1.0;
  }

  // A convex quadrilateral is cut along its shorter diagonal (as other OBJ
  // readers cut it): whether that is the one from corner 0 to corner 2.
  // Compared in floats, in their order, so that ties fall as they did.
  bool shorter_diagonal_02() const {
    float d02 = 0, d13 = 0;
    for (int k = 0; k < 3; ++k) {
      const float e02 = at(2)[k] - at(0)[k], e13 = at(3)[k] - at(1)[k];
      d02 += e02 * e02;
      d13 += e13 * e13;
    }
    return d02 < d13;
  }

  void fan_all(PolygonTriangles& out) const {
    for (std::size_t i = 1; i + 1 < n_; ++i) out.corners.insert(out.corners.end(), {0, i, i + 1});
  }

  double turn_at(std::size_t i) const {
    return turn(points_[prev_[i]], points_[i], points_[next_[i]]);
  }

  void unlink(std::size_t i) {
    next_[prev_[i]] = next_[i];
    prev_[next_[i]] = prev_[i];
    --left_;
  }

  // Whether the corner b's triangle holds no corner left that does not turn
  // left (only those can reach into it). A corner at the same place as one
  // of the triangle's is where a keyhole edge starts or ends: it is the
  // triangle's own corner, not one inside it.
  bool ear(std::size_t b, std::size_t& work) const {
    const std::size_t a = prev_[b], c = next_[b];
    const Point &pa = points_[a], &pb = points_[b], &pc = points_[c];
    if (!(turn(pa, pb, pc) > tolerance_)) return false;
    for (std::size_t p = next_[c]; p != a; p = next_[p]) {
      ++work;
      if (same(p, a) || same(p, b) || same(p, c) || turn_at(p) > tolerance_) continue;
      const Point& q = points_[p];
      if (turn(pa, pb, q) >= -tolerance_ && turn(pb, pc, q) >= -tolerance_ &&
          turn(pc, pa, q) >= -tolerance_)
        return false;
    }
    return true;
  }

  void clip(PolygonTriangles& out) {
    next_.resize(n_);
    prev_.resize(n_);
    for (std::size_t i = 0; i < n_; ++i) {
      next_[i] = (i + 1) % n_;
      prev_[i] = (i + n_ - 1) % n_;
    }
    left_ = n_;
    const std::size_t budget = n_ > std::numeric_limits<std::size_t>::max() / kWorkPerCorner
                                   ? std::numeric_limits<std::size_t>::max()
                                   : kWorkPerCorner * n_;
    std::size_t work = 0, at = 0, tried = 0;
    while (left_ > 3) {
      if (std::abs(turn_at(at)) <= tolerance_) {
        // A corner on a straight run, a repeated corner or a spike's tip:
        // without it the polygon covers the same area.
        const std::size_t before = prev_[at];
        unlink(at);
        at = before;
        tried = 0;
        continue;
      }
      // The budget is checked before each ear test, not only after a miss: a
      // comb of teeth is all ears, each test costing the whole polygon.
      if (work <= budget && ear(at, work)) {
        out.corners.insert(out.corners.end(), {prev_[at], at, next_[at]});
        const std::size_t after = next_[at];
        unlink(at);
        at = next_[after];
        tried = 0;
        continue;
      }
      at = next_[at];
      if (++tried > left_ || work > budget) {
        // No ear anywhere: the rest crosses itself.
        out.fan = true;
        const std::size_t first = at;
        for (std::size_t p = next_[first]; next_[p] != first; p = next_[p])
          out.corners.insert(out.corners.end(), {first, p, next_[p]});
        return;
      }
    }
    if (turn_at(at) > tolerance_) out.corners.insert(out.corners.end(), {prev_[at], at, next_[at]});
  }

  const float* xyz_;
  std::size_t n_;
  double tolerance_ = 0;
  std::vector<Point> points_;
  std::vector<std::size_t> next_, prev_;
  std::size_t left_ = 0;
};

}  // namespace

PolygonTriangles triangulate_polygon(const float* xyz, std::size_t count) {
  return Clipper(xyz, count).run();
}

}  // namespace qev::convert
