// A uniform grid over a welding pool, hashed into a fixed table. It only
// narrows the candidates: the distance rule decides, and the lowest matching
// pool index wins, exactly as a linear scan of the pool would find it.
//
// Why the grid is complete: a match needs every rounded per-axis difference
// below 0.0001, so the exact difference is below 1.0001e-4, well under the
// cell size of 2^-12 (about 2.44e-4); two matching values therefore lie in
// the same or adjacent cells on every axis. At magnitudes of 2048 and above
// neighbouring floats are 2^-12 or more apart, so only equal values can match
// there, and such values are keyed by their bits. Non-finite coordinates never
// match anything and are not indexed.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "writer/weld_tolerance.h"

namespace qev::writer {

template <int D>
class WeldIndex {
 public:
  static constexpr int kCapacity = 40000;

  // Forgets every entry, in constant time.
  void clear() {
    if (++generation_ == UINT32_MAX) {
      std::memset(slots_, 0, sizeof slots_);
      generation_ = 0;
    }
  }

  // Records pool entry `index` (entries arrive in ascending index order).
  void insert(const float* p, std::int32_t index) {
    Cell cell;
    if (!cell_of(p, cell)) return;
    Slot& slot = slots_[probe(cell)];
    next_[index] = -1;
    if (slot.generation == live()) {
      next_[slot.tail] = index;
      slot.tail = index;
      return;
    }
    slot.generation = live();
    std::memcpy(slot.key, cell.key, sizeof cell.key);
    slot.head = index;
    slot.tail = index;
  }

  // The lowest index i of pool with within_tolerance(pool[i], p), or -1.
  int find(const float (*pool)[D], const float* p) const {
    Cell centre;
    if (!cell_of(p, centre)) return -1;
    int best = -1;
    Cell cell;
    for (int n = 0; n < kNeighbours; ++n) {
      int code = n;
      for (int a = 0; a < D; ++a) {
        cell.key[a] = centre.key[a] + (code % 3) - 1;
        code /= 3;
      }
      const Slot& slot = slots_[probe(cell)];
      if (slot.generation != live()) continue;
      // Each chain is in ascending index order: its first match is its lowest.
      for (std::int32_t i = slot.head; i >= 0; i = next_[i]) {
        if (best >= 0 && i >= best) break;
        if (within_tolerance<D>(pool[i], p)) {
          best = i;
          break;
        }
      }
    }
    return best;
  }

 private:
  static constexpr int kSlots = 1 << 17;
  static constexpr int kNeighbours = D == 3 ? 27 : 9;
  static constexpr double kCellsPerUnit = 4096.0;  // cell size 2^-12
  static constexpr float kBitKeyed = 2048.0f;

  struct Cell {
    std::int64_t key[D];
  };
  struct Slot {
    std::int64_t key[D];
    std::int32_t head;
    std::int32_t tail;
    std::uint32_t generation;
  };

  std::uint32_t live() const { return generation_ + 1; }

  static std::int64_t axis_key(float v) {
    if (std::fabs(v) < kBitKeyed) {
      return static_cast<std::int64_t>(std::floor(static_cast<double>(v) * kCellsPerUnit));
    }
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    // Far outside the grid's range of +-2^23 cells, and apart for each sign.
    const std::int64_t magnitude = (std::int64_t{1} << 40) + (bits & 0x7FFFFFFFu) * 4;
    return (bits >> 31) ? -magnitude : magnitude;
  }

  static bool cell_of(const float* p, Cell& cell) {
    for (int a = 0; a < D; ++a) {
      if (!std::isfinite(p[a])) return false;
      cell.key[a] = axis_key(p[a]);
    }
    return true;
  }

  static std::uint32_t hash(const Cell& cell) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (int a = 0; a < D; ++a) {
      h ^= static_cast<std::uint64_t>(cell.key[a]);
      h *= 0xBF58476D1CE4E5B9ull;
      h ^= h >> 31;
    }
    return static_cast<std::uint32_t>(h >> 32);
  }

  // The slot holding cell, or the empty slot where it would go.
  int probe(const Cell& cell) const {
    int s = static_cast<int>(hash(cell) & (kSlots - 1));
    while (slots_[s].generation == live() &&
           std::memcmp(slots_[s].key, cell.key, sizeof cell.key) != 0) {
      s = (s + 1) & (kSlots - 1);
    }
    return s;
  }

  Slot slots_[kSlots];
  std::int32_t next_[kCapacity];
  std::uint32_t generation_;
};

}  // namespace qev::writer
