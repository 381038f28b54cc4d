// The parsed scene: layers (one per N_TRI_OBJECT) and materials (one per
// MAT_ENTRY), in file order, owned by the reader until the next parse or the
// end of reading.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "format/chunk_ids.h"

namespace qev::reader {

inline constexpr int kNameBuffer = kReaderNameChars + 1;
inline constexpr char kDefaultGroupName[] = "WG_DEFAULT";

struct FaceRecord {
  std::uint16_t a, b, c;   // 0-based vertex indices, in the file's corner order
  std::uint16_t flags;     // edge visibility bits; kept, not reported
  std::uint32_t smoothing; // smoothing-group bits, 0 until a SMOOTH_GROUP sets them
};

struct FaceGroup {
  char name[kNameBuffer];
  std::int32_t count;
  // Explicit face indices; empty when the group lists faces 0 .. count - 1
  // (a group of count 0 in the file), which costs no memory per face.
  std::vector<std::uint16_t> indices;

  std::uint16_t face_index(std::int32_t j) const {
    return indices.empty() ? static_cast<std::uint16_t>(j) : indices[j];
  }
};

struct MeshLayer {
  char name[kNameBuffer];
  std::vector<FaceRecord> faces;
  std::vector<float> vertices;  // x, y, z per vertex
  std::vector<float> mapping;   // u, v per vertex
  // Groups from MSH_MAT_GROUP; none means the single default group
  // "WG_DEFAULT" listing every face.
  std::vector<FaceGroup> groups;
  std::int32_t texture_flag;    // set by the layer query: name length + 1, or 1

  std::int32_t face_count() const { return static_cast<std::int32_t>(faces.size()); }
  std::int32_t vertex_count() const { return static_cast<std::int32_t>(vertices.size() / 3); }
  std::int32_t mapping_count() const { return static_cast<std::int32_t>(mapping.size() / 2); }
  std::int32_t group_count() const {
    return groups.empty() ? 1 : static_cast<std::int32_t>(groups.size());
  }
  const char* first_group_name() const {
    return groups.empty() ? kDefaultGroupName : groups.front().name;
  }
};

struct Rgb {
  std::int16_t red, green, blue;
};

struct MaterialRecord {
  char name[kNameBuffer];
  Rgb diffuse[2];
  Rgb specular[2];
  std::int16_t shininess;
  std::int16_t transparency;
  char texture[kNameBuffer];
  std::uint16_t map_tiling;
  std::uint16_t map_percentage;
};

struct SceneModel {
  std::uint32_t version;
  std::vector<MeshLayer> layers;
  std::vector<MaterialRecord> materials;
  // Material name to the index of its first entry, built when a parse ends.
  std::unordered_map<std::string_view, std::int32_t> material_by_name;
};

}  // namespace qev::reader
