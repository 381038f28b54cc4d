// Staging one triangle of the current layer: order checks, capacity checks,
// and welding of untextured corners into shared vertices.
#include <cstdint>

#include "interface/qev_3ds.h"
#include "writer/weld_tolerance.h"
#include "writer/writer_api.h"
#include "writer/writer_state.h"

namespace qev::writer {

namespace {

template <int D>
struct Pool {
  float (*entries)[D];
  std::int32_t& count;
  WeldIndex<D>& index;
  RecentWelds<D>& recent;

  std::int32_t append(const float* p) {
    const std::int32_t i = count++;
    for (int a = 0; a < D; ++a) entries[i][a] = p[a];
    index.insert(entries, p, i);
    return i;
  }

  // Lowest pooled entry within tolerance of p, else a new entry.
  std::int32_t weld(const float* p) {
    std::int32_t found = recent.find(p);
    if (found >= 0) return found;
    found = index.find(entries, p);
    if (found < 0) found = append(p);
    recent.remember(p, found);
    return found;
  }

  // How many entries welding these three points in order would add.
  int new_entries_for(const float* p0, const float* p1, const float* p2) const {
    const float* points[3] = {p0, p1, p2};
    const float* added[3];
    int n = 0;
    for (const float* p : points) {
      if (index.find(entries, p) >= 0) continue;
      // Pooled entries come first; then the ones this triangle would add.
      bool matches_new = false;
      for (int i = 0; i < n && !matches_new; ++i) matches_new = within_tolerance<D>(added[i], p);
      if (!matches_new) added[n++] = p;
    }
    return n;
  }
};

}  // namespace

void reset_stage(TriangleStage& stage, bool with_triangles) {
  stage.vertex_count = 0;
  stage.mapping_count = 0;
  stage.vertex_index.clear();
  stage.mapping_index.clear();
  stage.recent_vertices.clear();
  stage.recent_mappings.clear();
  if (with_triangles) stage.triangle_count = 0;
}

std::int32_t put_triangle(WriterState& w, std::int32_t k, std::int32_t t, std::int32_t smoothing,
                          const float* corners, const std::int32_t* edge_flags,
                          const float* mapping) {
  if (w.phase != FilePhase::open) return QEV_ERR_NO_FILE;
  TriangleStage& s = w.stage;
  if (corners == nullptr || edge_flags == nullptr || mapping == nullptr) {
    w.data_refused = true;
    return QEV_ERR_NULL_ARGUMENT;
  }
  // The two order checks, in this order, report where the writer stands.
  // (In 64 bits: a host's INT32_MIN has no predecessor in 32.)
  if (std::int64_t{k} - 1 != w.current_layer) return w.current_layer;
  if (std::int64_t{t} - 1 != s.triangle_count) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(t) - 1u);
  }

  std::int32_t refusal = QEV_OK;
  if (w.current_layer >= w.layer_count) {
    refusal = QEV_ERR_OUT_OF_RANGE;  // every declared layer has ended
  } else if (s.triangle_count >= kStageCapacity) {
    refusal = QEV_ERR_CAPACITY;
  }
  const bool textured = refusal == QEV_OK && is_textured(w.layers[k - 1]);

  Pool<3> vertices{s.vertex_pool, s.vertex_count, s.vertex_index, s.recent_vertices};
  Pool<2> mappings{s.mapping_pool, s.mapping_count, s.mapping_index, s.recent_mappings};
  if (refusal == QEV_OK) {
    // A refused triangle stages nothing, so the room is known before any change.
    const int room_v = kStageCapacity - s.vertex_count;
    const int room_m = kStageCapacity - s.mapping_count;
    if (room_v < 3 || room_m < 3) {
      const int need_v = textured ? 3 : vertices.new_entries_for(corners, corners + 3, corners + 6);
      const int need_m = textured ? 3 : mappings.new_entries_for(mapping, mapping + 2, mapping + 4);
      if (need_v > room_v || need_m > room_m) refusal = QEV_ERR_CAPACITY;
    }
  }
  if (refusal != QEV_OK) {
    w.data_refused = true;
    return refusal;
  }

  StagedTriangle& tri = s.triangles[s.triangle_count];
  for (int c = 0; c < 3; ++c) {
    tri.vertices[c] = textured ? vertices.append(corners + 3 * c) : vertices.weld(corners + 3 * c);
  }
  for (int c = 0; c < 3; ++c) {
    tri.mappings[c] = textured ? mappings.append(mapping + 2 * c) : mappings.weld(mapping + 2 * c);
  }
  tri.smoothing = static_cast<std::int16_t>(smoothing);
  // 4*e1 + 2*e2 + e3 on the host's values, wrapping as 32-bit integers do.
  const auto e = [edge_flags](int i) { return static_cast<std::uint32_t>(edge_flags[i]); };
  tri.face_flags = static_cast<std::int32_t>(4u * e(0) + 2u * e(1) + e(2));
  return ++s.triangle_count;
}

}  // namespace qev::writer
