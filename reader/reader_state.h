// The reader's whole state behind the C functions: the parsed scene, its
// material index, and per layer the texture flag and the count of fetched
// triangles; one process-wide instance.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "reader/scene_model.h"

namespace qev::reader {

struct ReaderState {
  SceneModel scene;
  std::unique_ptr<qev3ds::MaterialIndex> materials;
  // Set by the layer query: the texture name's length + 1, or 1; 0 until then.
  std::vector<std::int32_t> texture_flags;
  // One counter per layer; grows with the layer table and is never shrunk,
  // so the counts survive a new parse until the next layer-count query.
  std::vector<std::int32_t> triangle_cursors;
};

ReaderState& state();

// Empties a scene and frees its storage: before every parse and after a
// failed one, so a failed parse always leaves an empty scene.
void reset_scene(SceneModel& scene);

// Empties the reader's scene with everything that refers to it.
void forget_scene(ReaderState& r) noexcept;

// Opens path, measures it and hands the stream, positioned at its start, to
// parse; the statuses of QEV_READ_3DS_FILENAME (4 when parse is false).
// The file is closed before it returns.
using StreamParse = bool (*)(std::FILE* f, std::int64_t size, void* context);
std::int32_t open_measured(const char* path, StreamParse parse, void* context);

// The parse entry over a stream or over bytes in memory: false (and an
// empty scene) when the input is not a 3DS file or any read, seek or
// allocation failed. file_size bounds the bytes a parse may read. They
// touch no state of their own, so threads may parse into scenes of their own.
bool parse_file_stream(std::FILE* f, std::int64_t file_size, SceneModel& scene) noexcept;
bool parse_memory(const void* bytes, std::size_t size, SceneModel& scene) noexcept;

// Opens path and parses it into scene: a status 0 to 4.
std::int32_t parse_path(const char* path, SceneModel& scene);

// Parses an open stream positioned at its start into the reader's state.
bool parse_stream(std::FILE* f, std::int64_t file_size);

class ChunkInput;

// The chunk walk below the root: fills scene from in, up to the root's end.
void walk_file(ChunkInput& in, SceneModel& scene);

}  // namespace qev::reader
