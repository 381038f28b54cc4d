/* QEV_3DS: write triangle meshes into 3DS scene files and read them back.
 *
 * Thirteen functions with C linkage and the C calling convention. Every
 * argument is passed by address (integers as int32_t*, strings as 8-bit
 * NUL-terminated text, vectors as float arrays), so hosts that pass arguments
 * by reference (Fortran, Basic and the like) call them directly.
 *
 * The writer and the reader each keep one process-wide state: one file can be
 * written while another is read, but no two calls may overlap and neither
 * service handles two files of its direction at once.
 */
#ifndef QEV_3DS_H
#define QEV_3DS_H

#include <stdint.h>

#if defined(_WIN32)
/* QEV_3DS.dll uses the C calling convention. QEV_3DS_STDCALL.dll, for
 * 32-bit hosts that can only call __stdcall (classic Visual Basic, VBA),
 * exports the same names in that convention: define QEV_3DS_STDCALL before
 * including this header to call it from C. */
#if defined(QEV_3DS_STDCALL)
#define QEV_CALL __stdcall
#else
#define QEV_CALL __cdecl
#endif
#if defined(QEV_3DS_BUILDING)
#define QEV_API __declspec(dllexport)
#elif defined(QEV_3DS_STATIC)
#define QEV_API
#else
#define QEV_API __declspec(dllimport)
#endif
#else
#define QEV_CALL
#if defined(QEV_3DS_BUILDING)
#define QEV_API __attribute__((visibility("default")))
#else
#define QEV_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results that no successful call returns. Every refusal touches nothing
 * outside the library's tables and leaks nothing. */
enum {
  QEV_OK = 0,
  QEV_ERR_NULL_ARGUMENT = -1, /* a required pointer was null */
  QEV_ERR_OUT_OF_RANGE = -2,  /* a layer or triangle number or a count outside its table */
  QEV_ERR_CAPACITY = -3, /* a triangle would exceed 40,000 triangles, vertices or mapping pairs */
  QEV_ERR_TOO_LONG = -4, /* a string longer than its field */
  QEV_ERR_NO_FILE = -5,  /* no output file is open (or creating it failed) */
  QEV_ERR_CANNOT_CREATE = -6, /* the output file cannot be created */
  QEV_ERR_IO = -7,            /* a write, flush, close or the final measurement failed */
  QEV_ERR_INCOMPLETE = -8     /* the file is complete, but some data handed over was refused */
};

/* Statuses of QEV_READ_3DS_FILENAME. */
enum {
  QEV_READ_OK = 0,          /* parsed */
  QEV_READ_CANNOT_OPEN = 1, /* the file cannot be opened for reading */
  QEV_READ_CANNOT_SEEK = 2, /* positioning at the end of the file was refused */
  QEV_READ_CANNOT_TELL = 3, /* the file position cannot be taken */
  QEV_READ_NOT_3DS = 4      /* not a 3DS file, or a read, seek or allocation failed while parsing */
};

/* ---- Writing, in calling order ---------------------------------------- */

/* Creates (or empties) the file at path and writes a provisional header.
 * Returns 0; QEV_ERR_CANNOT_CREATE when the file cannot be created (every
 * later writer call then refuses with QEV_ERR_NO_FILE until QEV_PUT_3DS_END),
 * QEV_ERR_TOO_LONG for a path of 1024 bytes or more, QEV_ERR_NULL_ARGUMENT.
 * A file still open from an earlier call is finished first, as
 * QEV_PUT_3DS_END would finish it. */
QEV_API int32_t QEV_CALL QEV_FORM_3DS_FILENAME(const char* path);

/* Declares the layer count n (0 to 1400) and clears the names, colours and
 * transparencies of layers 1 to n. Returns 0; QEV_ERR_OUT_OF_RANGE for a
 * negative n or one above 1400 (n is then clamped to 0 or 1400). */
QEV_API int32_t QEV_CALL QEV_PUT_3DS_N_LAYER(const int32_t* n_layers);

/* Describes layer k (1 to 1400): name (at most 76 characters), transparency
 * percentage, diffuse red, green, blue (low 8 bits reach the file) and
 * texture file name (at most 79 characters; empty for an untextured layer).
 * Must come before QEV_PUT_3DS_N_TRI for layer 1. Returns 0, or
 * QEV_ERR_OUT_OF_RANGE, QEV_ERR_TOO_LONG, QEV_ERR_NULL_ARGUMENT (nothing is
 * stored). */
QEV_API int32_t QEV_CALL QEV_PUT_3DS_LAYER(const int32_t* layer, const char* name,
                                           const int32_t* transparency, const int32_t* red,
                                           const int32_t* green, const int32_t* blue,
                                           const char* texture);

/* Begins layer k with a declared triangle count. For k = 1 it first writes
 * the materials of all declared layers. Returns, for k = 1, the declared
 * layer count; for any other k, k - 1; QEV_ERR_OUT_OF_RANGE for k outside
 * 1 to 1400, QEV_ERR_NULL_ARGUMENT for a null pointer (both refusals make
 * QEV_PUT_3DS_END report QEV_ERR_INCOMPLETE), QEV_ERR_NO_FILE. */
QEV_API int32_t QEV_CALL QEV_PUT_3DS_N_TRI(const int32_t* layer, const int32_t* n_triangles);

/* Stages triangle t of layer k: smoothing value, 9 corner floats (x, y, z of
 * corners 1, 2, 3), 3 edge flags, 6 mapping floats (u, v of corners 1, 2, 3).
 * Corners of untextured layers closer than 0.0001 (sum of absolute
 * differences) share one vertex. Returns the new staged count (t). Out of
 * order: the current 0-based layer when k is not the current layer, t - 1
 * when t is not the next triangle. Refused (nothing staged):
 * QEV_ERR_CAPACITY, QEV_ERR_OUT_OF_RANGE (all declared layers ended),
 * QEV_ERR_NULL_ARGUMENT, QEV_ERR_NO_FILE. */
QEV_API int32_t QEV_CALL QEV_PUT_3DS_TRIANGLE(const int32_t* layer, const int32_t* triangle,
                                              const int32_t* smoothing, const float* corners,
                                              const int32_t* edge_flags, const float* mapping);

/* Writes the current layer as a mesh object and moves to the next layer.
 * Returns 0; QEV_ERR_OUT_OF_RANGE when every declared layer has ended
 * (nothing is written), QEV_ERR_NO_FILE. */
QEV_API int32_t QEV_CALL QEV_PUT_3DS_TRIANGLE_END(void);

/* Closes the file and rewrites its header with the real lengths. Returns 0,
 * also stored through status (when it is not null); QEV_ERR_NO_FILE when no
 * file was open, QEV_ERR_IO when any write, flush, close or measurement
 * failed, QEV_ERR_INCOMPLETE when the file is sound but some data handed
 * over was refused. */
QEV_API int32_t QEV_CALL QEV_PUT_3DS_END(int32_t* status);

/* ---- Reading, in calling order ---------------------------------------- */

/* Parses the 3DS file at path into memory. Returns the status 0 to 4 (see
 * QEV_READ_*), also stored through status when it is not null. Statuses 1 to
 * 3 leave an earlier scene as it was; 4 leaves an empty scene. */
QEV_API int32_t QEV_CALL QEV_READ_3DS_FILENAME(const char* path, int32_t* status);

/* Returns the number of layers, also stored through n_layers, and restarts
 * the per-layer count of fetched triangles. */
QEV_API int32_t QEV_CALL QEV_READ_3DS_N_LAYER(int32_t* n_layers);

/* Layer k (1 to the layer count): name (buffer of at least 50 bytes),
 * transparency, red, green, blue (180 each when the layer has no colour),
 * texture file name (buffer of at least 50 bytes). Decides whether the
 * layer's triangles carry mapping coordinates. Returns 0;
 * QEV_ERR_OUT_OF_RANGE or QEV_ERR_NULL_ARGUMENT with outputs empty or 0. */
QEV_API int32_t QEV_CALL QEV_READ_3DS_LAYER(const int32_t* layer, char* name, int32_t* transparency,
                                            int32_t* red, int32_t* green, int32_t* blue,
                                            char* texture);

/* Triangle count of layer k through n_triangles. Returns 0;
 * QEV_ERR_OUT_OF_RANGE (count 0) or QEV_ERR_NULL_ARGUMENT. */
QEV_API int32_t QEV_CALL QEV_READ_3DS_N_TRI(const int32_t* layer, int32_t* n_triangles);

/* Triangle t of layer k: smoothing index (0, or 1 to 8 for the highest of the
 * low 8 smoothing bits), 9 corner floats, 6 mapping floats (zeros unless the
 * layer is textured). Returns how many triangles of this layer were fetched
 * since QEV_READ_3DS_N_LAYER, this one included; QEV_ERR_OUT_OF_RANGE or
 * QEV_ERR_NULL_ARGUMENT with outputs 0 (not counted). */
QEV_API int32_t QEV_CALL QEV_READ_3DS_TRIANGLE(const int32_t* layer, const int32_t* triangle,
                                               int32_t* smoothing, float* corners, float* mapping);

/* Releases the scene. Returns 1 when some layer had fewer triangles fetched
 * than it has, else 0. */
QEV_API int32_t QEV_CALL QEV_READ_3DS_END(void);

#ifdef __cplusplus
}
#endif

#endif /* QEV_3DS_H */
