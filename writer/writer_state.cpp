// The process-wide writer state behind the exported functions.
#include "writer/writer_state.h"

namespace qev::writer {

namespace {
WriterState g_writer;  // static storage: zero at load
}  // namespace

WriterState& state() { return g_writer; }

}  // namespace qev::writer
