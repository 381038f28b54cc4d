// The reader's whole state: the parsed scene and the per-layer counts of
// fetched triangles, one process-wide instance.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "reader/scene_model.h"

namespace qev::reader {

struct ReaderState {
  SceneModel scene;
  // One counter per layer; grows with the layer table and is never shrunk,
  // so the counts survive a new parse until the next layer-count query.
  std::vector<std::int32_t> triangle_cursors;
};

ReaderState& state();

// Empties the scene and frees its storage: before every parse and after a
// failed one, so a failed parse always leaves an empty scene.
void reset_scene(SceneModel& scene);

// Parses an open stream positioned at its start into the reader's scene.
// False (and an empty scene) when the stream is not a 3DS file or any read,
// seek or allocation failed. file_size bounds the bytes the parse may read.
bool parse_stream(std::FILE* f, std::int64_t file_size);

// The chunk walk below the root: fills scene from in, up to the root's end.
class ChunkInput;
void walk_file(ChunkInput& in, SceneModel& scene);

}  // namespace qev::reader
