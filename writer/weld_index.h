// A uniform grid over a welding pool, hashed into a fixed table. It only
// narrows the candidates: the distance rule decides, and the lowest matching
// pool index wins, exactly as a linear scan of the pool would find it.
//
// Why the grid is complete: a match needs every rounded per-axis difference
// below 0.0001, so the exact difference is below 1.0001e-4, well under the
// cell size of 2^-10 (about 9.8e-4). A value further than that from both
// borders of its cell can only match values in the same cell on that axis;
// otherwise the one neighbouring cell on the near side is searched as well,
// so at most 2^D cells are looked at. From magnitude 2048 on, neighbouring
// floats are more than 1.0001e-4 apart (below 2048 they are 2^-13 apart), so
// only equal values can match there: such values are keyed by their bits and
// only their own cell is searched. Non-finite coordinates never match
// anything and are not indexed.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "interface/qev_3ds_scene.hpp"
#include "writer/weld_tolerance.h"

namespace qev::writer {

template <int D>
class WeldIndex {
 public:
  static constexpr int kCapacity = static_cast<int>(qev3ds::limits::vertices);
  static constexpr double kCellsPerUnit = 1024.0;  // cell size 2^-10

  // Forgets every entry, in constant time.
  void clear() {
    if (++generation_ == UINT32_MAX) {
      std::memset(slots_, 0, sizeof slots_);
      generation_ = 0;
    }
  }

  // Records pool entry `index`, which holds p (entries arrive in ascending
  // index order).
  void insert(const float (*pool)[D], const float* p, std::int32_t index) {
    Cell cell;
    int side[D];
    if (!cell_of(p, cell, side)) return;
    Slot& slot = slots_[probe(pool, cell)];
    next_[index] = -1;
    if (slot.generation == live()) {
      next_[slot.tail] = index;
      slot.tail = index;
      return;
    }
    slot.generation = live();
    slot.fingerprint = fingerprint(cell);
    slot.head = index;
    slot.tail = index;
  }

  // The lowest index i of pool with within_tolerance(pool[i], p), or -1.
  int find(const float (*pool)[D], const float* p) const {
    Cell centre;
    int side[D];
    if (!cell_of(p, centre, side)) return -1;
    int best = -1;
    Cell cell;
    for (int combo = 0; combo < (1 << D); ++combo) {
      bool wanted = true;
      for (int a = 0; a < D; ++a) {
        const bool moved = (combo >> a) & 1;
        if (moved && side[a] == 0) wanted = false;
        cell.key[a] = centre.key[a] + (moved ? side[a] : 0);
      }
      if (!wanted) continue;
      const Slot& slot = slots_[probe(pool, cell)];
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
  static constexpr int kSlots = 1 << 16;  // load at most 0.61
  // Largest exact per-axis difference of a match (1.0001e-4, with margin),
  // in cells: nearer than this to a border, the next cell is searched too.
  static constexpr double kReach = 1.0002e-4 * kCellsPerUnit;
  static constexpr float kBitKeyed = 2048.0f;

  struct Cell {
    std::int64_t key[D];
  };
  // 16 bytes: a cell is recognised by a fingerprint of its key and
  // confirmed from the key of the chain's first pooled entry.
  struct Slot {
    std::uint32_t generation;
    std::uint32_t fingerprint;
    std::int32_t head;
    std::int32_t tail;
  };

  std::uint32_t live() const { return generation_ + 1; }

  // The key of v's cell on one axis, and which neighbour (-1, 0 for none,
  // +1) may also hold matches.
  static std::int64_t axis_key(float v, int& side) {
    side = 0;
    if (std::fabs(v) < kBitKeyed) {
      const double scaled = static_cast<double>(v) * kCellsPerUnit;  // exact
      const double cell = std::floor(scaled);
      const double offset = scaled - cell;  // exact
      if (offset < kReach) side = -1;
      if (offset > 1.0 - kReach) side = 1;
      return static_cast<std::int64_t>(cell);
    }
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    // Far outside the grid's range of +-2^21 cells, and apart for each sign.
    const std::int64_t magnitude = (std::int64_t{1} << 40) + (bits & 0x7FFFFFFFu) * 4;
    return (bits >> 31) ? -magnitude : magnitude;
  }

  static bool cell_of(const float* p, Cell& cell, int* side) {
    for (int a = 0; a < D; ++a) {
      if (!std::isfinite(p[a])) return false;
      cell.key[a] = axis_key(p[a], side[a]);
    }
    return true;
  }

  static std::uint64_t hash(const Cell& cell) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (int a = 0; a < D; ++a) {
      h ^= static_cast<std::uint64_t>(cell.key[a]);
      h *= 0xBF58476D1CE4E5B9ull;
      h ^= h >> 31;
    }
    return h;
  }
  static std::uint32_t fingerprint(const Cell& cell) {
    return static_cast<std::uint32_t>(hash(cell) >> 32);
  }

  static bool same_cell(const float* pooled, const Cell& cell) {
    Cell other;
    int side[D];
    cell_of(pooled, other, side);
    return std::memcmp(other.key, cell.key, sizeof cell.key) == 0;
  }

  // The slot holding cell, or the empty slot where it would go.
  int probe(const float (*pool)[D], const Cell& cell) const {
    const std::uint64_t h = hash(cell);
    const auto print = static_cast<std::uint32_t>(h >> 32);
    int s = static_cast<int>(h & (kSlots - 1));
    for (;;) {
      const Slot& slot = slots_[s];
      if (slot.generation != live()) return s;
      if (slot.fingerprint == print && same_cell(pool[slot.head], cell)) return s;
      s = (s + 1) & (kSlots - 1);
    }
  }

  Slot slots_[kSlots];
  std::int32_t next_[kCapacity];
  std::uint32_t generation_;
};

}  // namespace qev::writer

namespace qev::writer {

// The answers of recent searches, keyed by the exact bits of the point.
// Hosts hand the same corner over once per triangle that shares it; pools
// only grow by appending, so the lowest matching index of a point never
// changes while the pool lives, and a remembered answer stays exact.
template <int D>
class RecentWelds {
 public:
  void clear() {
    if (++generation_ == UINT32_MAX) {
      std::memset(entries_, 0, sizeof entries_);
      generation_ = 0;
    }
  }

  // The remembered index of p, or -1.
  std::int32_t find(const float* p) const {
    const Entry& e = entries_[slot(p)];
    if (e.generation != generation_ + 1 || std::memcmp(e.point, p, sizeof e.point) != 0) return -1;
    return e.index;
  }

  // Remembers the index of a finite p (a NaN corner never matches, not even
  // itself, so it must be searched every time).
  void remember(const float* p, std::int32_t index) {
    for (int a = 0; a < D; ++a) {
      if (!std::isfinite(p[a])) return;
    }
    Entry& e = entries_[slot(p)];
    std::memcpy(e.point, p, sizeof e.point);
    e.index = index;
    e.generation = generation_ + 1;
  }

 private:
  static constexpr int kEntries = 1 << 12;
  struct Entry {
    float point[D];
    std::int32_t index;
    std::uint32_t generation;
  };

  static std::uint32_t slot(const float* p) {
    std::uint32_t h = 0x811C9DC5u;
    for (int a = 0; a < D; ++a) {
      std::uint32_t bits;
      std::memcpy(&bits, &p[a], sizeof bits);
      h = (h ^ bits) * 0x01000193u;
      h ^= h >> 15;
    }
    return h & (kEntries - 1);
  }

  Entry entries_[kEntries];
  std::uint32_t generation_;
};

}  // namespace qev::writer
