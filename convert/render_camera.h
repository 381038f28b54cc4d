// Where `qev3ds render` looks from: an orthographic camera given by a named
// view and a turn of its own (yaw about the vertical, pitch up or down).
#pragma once

#include <array>
#include <cmath>

namespace qev::convert {

using Vec3 = std::array<double, 3>;

inline double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline Vec3 unit(const Vec3& v) {
  const double n = std::sqrt(dot(v, v));
  return n > 0 ? Vec3{v[0] / n, v[1] / n, v[2] / n} : Vec3{0, 0, 1};
}

// right and up span the picture, forward points into it; an orthonormal,
// right-handed frame (right x up = -forward).
struct Camera {
  Vec3 right, up, forward;
};

// The camera at yaw degrees about the scene's Z axis (0 looks along +y,
// from the front; 90 from the right, along -x) and pitch degrees above the
// horizon (90 looks down -z, picture up along +y at yaw 0). At the poles the
// frame stays defined: right depends on the yaw alone.
Camera camera_at(double yaw_degrees, double pitch_degrees);

// The sine and cosine of an angle in degrees, computed with + - * / only,
// so that every platform gets the same bits (the C library's sin and cos
// differ in the last place between platforms); exact at multiples of 90.
void sin_cos_degrees(double degrees, double& s, double& c);

}  // namespace qev::convert
