// The thin layer over the C runtime's files: every open, read, write, seek,
// tell and close of the library goes through here, and so does the one
// platform-specific call, measuring a finished file on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace qev::platform {

// fopen in binary mode; null when the file cannot be opened.
std::FILE* open_file(const char* path, const char* mode);

// Bytes actually transferred; fewer than asked means end of file or failure.
std::size_t read_file(std::FILE* f, void* dst, std::size_t n);
std::size_t write_file(std::FILE* f, const void* src, std::size_t n);

bool seek_file(std::FILE* f, std::int64_t offset);  // from the start
bool seek_file_end(std::FILE* f);
std::int64_t tell_file(std::FILE* f);  // -1 on failure
bool rewind_file(std::FILE* f);
bool close_file(std::FILE* f);  // false when a flush or close failed

// Creates path for writing in binary, only when nothing is there yet; null
// when it exists or cannot be created.
std::FILE* create_new_file(const char* path);

// Creates a new file beside path (path + ".qev3ds-N.tmp", the first N not
// taken) for writing in binary, its name in temp; null when none can be made.
std::FILE* create_temp_beside(const std::string& path, std::string& temp);

// Renames from over to, replacing a file at to; false when it cannot.
bool replace_file(const char* from, const char* to);

// Removes the file at path; false when it cannot.
bool remove_file(const char* path);

// Size in bytes of the closed file at path, measured at the low level
// (_open/_filelength/_close on Windows, open/fstat/close elsewhere), or -1
// when it cannot be measured. Never creates the file.
std::int64_t measure_file_size(const char* path);

}  // namespace qev::platform
