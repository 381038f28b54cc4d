// What the exported writer functions forward to, with arguments dereferenced.
// Results are those of the public header.
#pragma once

#include <cstdint>

namespace qev::writer {

struct WriterState;

// Each works on the writer state it is given: the exported functions pass
// the one process-wide state, a LayerWriter its own.
std::int32_t form_file(WriterState& w, const char* path);
std::int32_t put_layer_count(WriterState& w, std::int32_t n);
std::int32_t put_layer(WriterState& w, std::int32_t k, const char* name, std::int32_t transparency,
                       std::int32_t red, std::int32_t green, std::int32_t blue,
                       const char* texture);
std::int32_t begin_layer(WriterState& w, std::int32_t k, std::int32_t declared_triangles);
// A layer begun with a null layer number or count: refused like a layer
// number out of range, so the file ends incomplete, but as a null argument.
std::int32_t refuse_null_layer(WriterState& w);
std::int32_t put_triangle(WriterState& w, std::int32_t k, std::int32_t t, std::int32_t smoothing,
                          const float* corners, const std::int32_t* edge_flags,
                          const float* mapping);
std::int32_t end_layer(WriterState& w);
std::int32_t finish_file(WriterState& w);

}  // namespace qev::writer
