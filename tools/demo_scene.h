// The built-in sample scene of `qev3ds demo`.
#pragma once

#include <cstdio>

// Writes the sample scene to path through the library's writer calls and
// describes it on out. Returns the status of QEV_PUT_3DS_END (0 on success),
// or the failing call's result.
int write_demo_scene(const char* path, std::FILE* out);
