// What the exported writer functions forward to, with arguments dereferenced.
// Results are those of the public header.
#pragma once

#include <cstdint>

namespace qev::writer {

std::int32_t form_file(const char* path);
std::int32_t put_layer_count(std::int32_t n);
std::int32_t put_layer(std::int32_t k, const char* name, std::int32_t transparency,
                       std::int32_t red, std::int32_t green, std::int32_t blue,
                       const char* texture);
std::int32_t begin_layer(std::int32_t k, std::int32_t declared_triangles);
std::int32_t put_triangle(std::int32_t k, std::int32_t t, std::int32_t smoothing,
                          const float* corners, const std::int32_t* edge_flags,
                          const float* mapping);
std::int32_t end_layer();
std::int32_t finish_file();

}  // namespace qev::writer
