// The writer's whole state: one process-wide record in static storage, zero
// at load, with fixed tables for the layers and the current layer's triangles.
#pragma once

#include <cstdint>
#include <cstdio>

#include "interface/qev_3ds_scene.hpp"
#include "writer/output_stream.h"
#include "writer/weld_index.h"

namespace qev::writer {

inline constexpr int kMaxLayers = static_cast<int>(qev3ds::limits::layers);
inline constexpr int kStageCapacity =
    static_cast<int>(qev3ds::limits::triangles);  // triangles, vertices and mapping pairs per layer
inline constexpr int kNameField = 80;             // layer name, material name, texture name
inline constexpr int kMaxLayerNameChars = kNameField - 4;  // room for "MAT" and the NUL
inline constexpr int kMaxTextureChars = kNameField - 1;
static_assert(kMaxLayerNameChars == static_cast<int>(qev3ds::limits::layer_name) &&
                  kMaxTextureChars == static_cast<int>(qev3ds::limits::texture_name) &&
                  qev3ds::limits::vertices == qev3ds::limits::triangles &&
                  qev3ds::limits::textured_triangles == qev3ds::limits::vertices / 3,
              "the public limits are the writer's fields and tables");
inline constexpr int kPathField = 1024;

struct LayerSpec {
  char name[kNameField];
  std::int16_t transparency;
  std::int16_t red;
  std::int16_t green;
  std::int16_t blue;
  char texture[kNameField];
  std::int32_t texture_length;  // strlen(texture) + 1; textured when above 1
};

struct StagedTriangle {
  std::int32_t vertices[3];
  std::int32_t mappings[3];
  std::int16_t smoothing;
  std::int32_t face_flags;
};

struct TriangleStage {
  float vertex_pool[kStageCapacity][3];
  std::int32_t vertex_count;
  float mapping_pool[kStageCapacity][2];
  std::int32_t mapping_count;
  StagedTriangle triangles[kStageCapacity];
  std::int32_t triangle_count;
  // Search structures over the two pools; they only narrow the candidates.
  WeldIndex<3> vertex_index;
  WeldIndex<2> mapping_index;
  RecentWelds<3> recent_vertices;
  RecentWelds<2> recent_mappings;
};

enum class FilePhase { closed, open, create_failed };

struct WriterState {
  OutputStream out;
  FilePhase phase;
  char path[kPathField];
  std::int32_t layer_count;
  LayerSpec layers[kMaxLayers];
  std::int32_t current_layer;
  std::int32_t declared_triangles;
  TriangleStage stage;
  // Something the host handed over was refused; the end of writing says so.
  bool data_refused;
};

// The one writer of the process.
WriterState& state();

// Empties the stage's pools and their indices; with_triangles also the table.
void reset_stage(TriangleStage& stage, bool with_triangles);

// Whether layer index i (0-based) is textured, from its table entry.
inline bool is_textured(const LayerSpec& desc) { return desc.texture_length > 1; }

}  // namespace qev::writer
