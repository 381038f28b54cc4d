// What the exported reader functions forward to. Results are those of the
// public header.
#pragma once

#include <cstdint>

namespace qev::reader {

std::int32_t read_file(const char* path);
std::int32_t layer_count();
std::int32_t layer(std::int32_t k, char* name, std::int32_t* transparency, std::int32_t* red,
                   std::int32_t* green, std::int32_t* blue, char* texture);
std::int32_t triangle_count(std::int32_t k, std::int32_t* count);
std::int32_t triangle(std::int32_t k, std::int32_t t, std::int32_t* smoothing, float* corners,
                      float* mapping);
std::int32_t end_reading();

}  // namespace qev::reader
