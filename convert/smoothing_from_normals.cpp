#include "smoothing_from_normals.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <unordered_map>

namespace qev::convert {
namespace {

// A position as a key: its bits, -0 taken as +0.
struct Point {
  std::array<std::uint32_t, 3> bits;
  bool operator==(const Point& o) const { return bits == o.bits; }
};
struct PointHash {
  std::size_t operator()(const Point& p) const {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint32_t b : p.bits) h = (h ^ b) * 1099511628211ull;
    return static_cast<std::size_t>(h);
  }
};

// Faces around one position past this many are joined by their shading
// alone, without the pairwise list of which meet: a fan of thousands would
// otherwise cost millions of pairs.
constexpr std::size_t kMaxPairwise = 256;

struct Relations {
  std::vector<std::vector<std::size_t>> meets;   // faces meeting at a position, not smooth
  std::vector<std::vector<std::size_t>> smooth;  // faces meeting with equal shading
  std::vector<std::size_t> parent;               // union-find over smooth pairs

  std::size_t root(std::size_t f) {
    while (parent[f] != f) f = parent[f] = parent[parent[f]];
    return f;
  }
  void join(std::size_t a, std::size_t b) { parent[root(a)] = root(b); }
  bool smooths(std::size_t a, std::size_t b) const {
    return std::binary_search(smooth[a].begin(), smooth[a].end(), b);
  }
};

void sort_unique(std::vector<std::size_t>& v) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
}

Relations relate(const std::vector<ShadedFace>& faces) {
  const std::size_t n = faces.size();
  Relations r{std::vector<std::vector<std::size_t>>(n), std::vector<std::vector<std::size_t>>(n),
              std::vector<std::size_t>(n)};
  std::iota(r.parent.begin(), r.parent.end(), std::size_t{0});
  struct At {
    std::size_t face;
    std::array<std::uint32_t, 3> shade;
  };
  std::unordered_map<Point, std::vector<At>, PointHash> around;
  for (std::size_t f = 0; f < n; ++f) {
    if (faces[f].hard) continue;
    for (const ShadedCorner& c : faces[f].corners)
      around[Point{shade_of(c.position.data())}].push_back({f, c.shade});
  }
  for (auto& [point, list] : around) {
    (void)point;
    std::sort(list.begin(), list.end(), [](const At& a, const At& b) { return a.shade < b.shade; });
    for (std::size_t i = 1; i < list.size(); ++i)
      if (list[i].shade == list[i - 1].shade) r.join(list[i].face, list[i - 1].face);
    if (list.size() > kMaxPairwise) continue;
    for (std::size_t i = 0; i < list.size(); ++i) {
      for (std::size_t j = i + 1; j < list.size(); ++j) {
        const std::size_t a = list[i].face, b = list[j].face;
        if (a == b) continue;
        auto& into = list[i].shade == list[j].shade ? r.smooth : r.meets;
        into[a].push_back(b);
        into[b].push_back(a);
      }
    }
  }
  for (std::size_t f = 0; f < n; ++f) {
    sort_unique(r.smooth[f]);
    sort_unique(r.meets[f]);
    // Faces meeting at one position smoothly and at another split are not
    // smooth-adjacent only: they conflict too, and stay in meets.
  }
  return r;
}

}  // namespace

std::array<std::uint32_t, 3> shade_of(const float* normal) {
  std::array<std::uint32_t, 3> bits{};
  for (int i = 0; i < 3; ++i) {
    const float v = normal[i] == 0.0f ? 0.0f : normal[i];
    std::memcpy(&bits[std::size_t(i)], &v, sizeof v);
  }
  return bits;
}

void mark_detached(std::vector<ShadedFace>& faces) {
  std::unordered_map<std::uint64_t, std::size_t> users;  // vertex -> faces using it
  for (const ShadedFace& f : faces) {
    for (int c = 0; c < 3; ++c) {
      const std::uint64_t v = f.corners[std::size_t(c)].vertex;
      bool seen = false;
      for (int d = 0; d < c; ++d) seen = seen || f.corners[std::size_t(d)].vertex == v;
      if (!seen) ++users[v];
    }
  }
  for (ShadedFace& f : faces) {
    bool shared = false;
    for (const ShadedCorner& c : f.corners) shared = shared || users[c.vertex] > 1;
    // A face of its own whose normals differ smooths with faces elsewhere
    // (in another primitive, or across mapping seams): it is not flat.
    const bool one_normal =
        f.corners[0].shade == f.corners[1].shade && f.corners[1].shade == f.corners[2].shade;
    if (!shared && one_normal) f.hard = true;
  }
}

std::vector<std::uint32_t> smoothing_from_normals(const std::vector<ShadedFace>& faces) {
  const std::size_t n = faces.size();
  std::vector<std::uint32_t> word(n, 0);
  Relations r = relate(faces);

  // Regions (connected by smooth pairs), cut into parts where two of their
  // faces meet at a split normal: a part grows from a face along smooth
  // pairs, taking no face that conflicts with one it already holds.
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> part(n, kNone);
  std::vector<std::size_t> part_size;
  std::vector<std::size_t> queue;
  for (std::size_t start = 0; start < n; ++start) {
    if (part[start] != kNone || r.smooth[start].empty()) continue;
    const std::size_t id = part_size.size();
    part_size.push_back(1);
    part[start] = id;
    queue.assign(1, start);
    for (std::size_t q = 0; q < queue.size(); ++q) {
      for (std::size_t g : r.smooth[queue[q]]) {
        if (part[g] != kNone) continue;
        bool conflict = false;
        for (std::size_t h : r.meets[g]) conflict = conflict || part[h] == id;
        if (conflict) continue;
        part[g] = id;
        ++part_size[id];
        queue.push_back(g);
      }
    }
  }
  // Faces joined only around crowded positions (no pairwise list) take
  // their region's part.
  for (std::size_t f = 0; f < n; ++f) {
    if (part[f] != kNone || faces[f].hard) continue;
    const std::size_t root = r.root(f);
    if (root != f && part[root] != kNone) {
      part[f] = part[root];
    } else if (root != f) {
      part[root] = part[f] = part_size.size();
      part_size.push_back(2);
    }
  }

  // Parts that meet get different bits: greedy colouring, largest first.
  const std::size_t parts = part_size.size();
  std::vector<std::vector<std::size_t>> members(parts);
  for (std::size_t f = 0; f < n; ++f)
    if (part[f] != kNone) members[part[f]].push_back(f);
  std::vector<std::size_t> order(parts);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return part_size[a] > part_size[b]; });
  std::vector<std::uint32_t> bit_of(parts, 0);
  for (std::size_t p : order) {
    std::uint32_t taken = 0;
    for (std::size_t f : members[p]) {
      for (const auto* list : {&r.meets[f], &r.smooth[f]})
        for (std::size_t g : *list)
          if (part[g] != kNone && part[g] != p) taken |= bit_of[part[g]];
    }
    std::uint32_t bit = ~taken & (taken + 1);          // the lowest free bit
    if (bit == 0) bit = std::uint32_t{1} << (p % 32);  // all 32 taken around it
    bit_of[p] = bit;
    for (std::size_t f : members[p]) word[f] = bit;
  }

  // Smooth pairs across a cut share a bit where that adds no sharing with a
  // face that meets at a split normal.
  const auto can_take = [&](std::size_t f, std::uint32_t bit) {
    for (std::size_t h : r.meets[f])
      if ((word[h] & bit) != 0) return false;
    return true;
  };
  for (std::size_t f = 0; f < n; ++f) {
    for (std::size_t g : r.smooth[f]) {
      if ((word[f] & word[g]) != 0 || word[f] == 0 || word[g] == 0) continue;
      const std::uint32_t from_g = word[g] & (~word[g] + 1), from_f = word[f] & (~word[f] + 1);
      if (can_take(f, from_g)) {
        word[f] |= from_g;
      } else if (can_take(g, from_f)) {
        word[g] |= from_f;
      }
    }
  }
  return word;
}

}  // namespace qev::convert
