// The welding distance: when a corner or a mapping pair reuses a pooled entry.
// The rounding steps are part of the file format's contract (different
// rounding gives different vertices), so each one is spelled out.
#pragma once

#include <cmath>

namespace qev::writer {

inline constexpr double kWeldTolerance = 0.0001;

// Sum of absolute differences: each difference (pooled minus given) rounded
// to f32, x and z added in f32, y added in double; strictly below 0.0001.
inline bool vertex_within_tolerance(const float* pooled, const float* given) {
  const float dx = pooled[0] - given[0];
  const float dy = pooled[1] - given[1];
  const float dz = pooled[2] - given[2];
  const float xz = std::fabs(dx) + std::fabs(dz);
  const double distance = static_cast<double>(xz) + static_cast<double>(std::fabs(dy));
  return distance < kWeldTolerance;
}

// The same for (u, v): each difference rounded to f32, added in double.
inline bool mapping_within_tolerance(const float* pooled, const float* given) {
  const float du = pooled[0] - given[0];
  const float dv = pooled[1] - given[1];
  const double distance = static_cast<double>(std::fabs(du)) + static_cast<double>(std::fabs(dv));
  return distance < kWeldTolerance;
}

template <int D>
inline bool within_tolerance(const float* pooled, const float* given) {
  if constexpr (D == 3) {
    return vertex_within_tolerance(pooled, given);
  } else {
    return mapping_within_tolerance(pooled, given);
  }
}

// The reference search: the lowest pool index within tolerance, or -1.
template <int D>
int find_linear(const float (*pool)[D], int count, const float* given) {
  for (int i = 0; i < count; ++i) {
    if (within_tolerance<D>(pool[i], given)) return i;
  }
  return -1;
}

}  // namespace qev::writer
