// The records only the scene API reports: the other texture maps and map
// placement, mesh frames, cameras, lights and the keyframer. The chunk walk
// calls these through read_extra, so a record that fails to read is dropped
// without touching what the C functions answer.
#pragma once

#include <cstdint>

#include "reader/chunk_input.h"
#include "reader/scene_model.h"

namespace qev::reader {

// The MapKind of a map chunk id, or -1.
int map_kind_of(ChunkId id);

// A whole map chunk's children, up to bound, into m's map of kind (left
// alone when the chunk holds nothing but defaults).
void read_map(ChunkInput& in, std::int64_t bound, MaterialRecord& m, int kind);
// One placement leaf (blur, scale, offset, rotation) of a map.
void read_placement(ChunkInput& in, ChunkId id, qev3ds::TextureMap& map);
// MESH_MATRIX, MESH_COLOR or MESH_TEXTURE_INFO.
void read_mesh_extra(ChunkInput& in, ChunkId id, MeshLayer& mesh);
void read_camera(ChunkInput& in, std::int64_t bound, const char* name, SceneModel& scene);
void read_light(ChunkInput& in, std::int64_t bound, const char* name, SceneModel& scene);
void read_keyframer(ChunkInput& in, std::int64_t bound, qev3ds::Keyframer& kf);

}  // namespace qev::reader
