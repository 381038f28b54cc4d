// `qev3ds info`: a file's layers as the reader sees them.
#pragma once

#include <cstdio>

// Prints a table of the layers of path (name, triangles, colour,
// transparency, texture) with totals and the bounding box. Returns the read
// status (0 to 4); on failure prints nothing to out.
int print_scene_info(const char* path, std::FILE* out);

// What a read status means, for messages.
const char* read_status_text(int status);
