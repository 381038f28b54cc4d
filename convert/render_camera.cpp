#include "render_camera.h"

namespace qev::convert {
namespace {

constexpr double kPi = 3.14159265358979323846;

// sin and cos of x in radians, |x| <= pi/4, by their Taylor series: the
// terms fall below 1e-17 by the eleventh power.
void sin_cos_small(double x, double& s, double& c) {
  const double x2 = x * x;
  double term = x, sum_s = x;
  for (int k = 1; k <= 8; ++k) {
    term = -term * x2 / ((2 * k) * (2 * k + 1));
    sum_s += term;
  }
  term = 1;
  double sum_c = 1;
  for (int k = 1; k <= 8; ++k) {
    term = -term * x2 / ((2 * k - 1) * (2 * k));
    sum_c += term;
  }
  s = sum_s;
  c = sum_c;
}

}  // namespace

void sin_cos_degrees(double degrees, double& s, double& c) {
  if (!std::isfinite(degrees)) degrees = 0;
  double turn = std::fmod(degrees, 360.0);  // exact
  if (turn < 0) turn += 360.0;
  // The nearest quarter turn, and what is left of the angle past it.
  const double quarter = std::floor(turn / 90.0 + 0.5);
  const double rest = (turn - quarter * 90.0) * (kPi / 180.0);
  double rs = 0, rc = 1;
  if (rest != 0) sin_cos_small(rest, rs, rc);
  switch (static_cast<int>(quarter) % 4) {
    case 0:
      s = rs, c = rc;
      break;
    case 1:
      s = rc, c = -rs;
      break;
    case 2:
      s = -rs, c = -rc;
      break;
    default:
      s = -rc, c = rs;
      break;
  }
}

Camera camera_at(double yaw_degrees, double pitch_degrees) {
  double sy = 0, cy = 1, sp = 0, cp = 1;
  sin_cos_degrees(yaw_degrees, sy, cy);
  sin_cos_degrees(pitch_degrees, sp, cp);
  // From the scene towards the viewer, Z up.
  const Vec3 eye = {sy * cp, -cy * cp, sp};
  const Vec3 forward = {-eye[0], -eye[1], -eye[2]};
  const Vec3 right = {cy, sy, 0};
  return {right, cross(right, forward), forward};
}

}  // namespace qev::convert
