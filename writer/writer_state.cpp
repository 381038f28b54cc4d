// The process-wide writer state and the stage reset shared by its calls.
#include "writer/writer_state.h"

namespace qev::writer {

namespace {
WriterState g_writer;  // static storage: zero at load
}  // namespace

WriterState& state() { return g_writer; }

void reset_stage(TriangleStage& stage, bool with_triangles) {
  stage.vertex_count = 0;
  stage.mapping_count = 0;
  stage.vertex_index.clear();
  stage.mapping_index.clear();
  stage.recent_vertices.clear();
  stage.recent_mappings.clear();
  if (with_triangles) stage.triangle_count = 0;
}

}  // namespace qev::writer
