// The thirteen exported functions: each dereferences its by-address
// arguments and forwards to the writer or the reader. Nothing thrown inside
// the library ever crosses this boundary.
#include "interface/qev_3ds.h"
#include "reader/reader_api.h"
#include "writer/writer_api.h"
#include "writer/writer_state.h"

namespace {

// A null integer input reads as a value no call accepts, so it is refused.
constexpr int32_t kMissing = INT32_MIN;

int32_t in(const int32_t* p) { return p != nullptr ? *p : kMissing; }

template <class F>
int32_t guarded(F&& call, int32_t on_exception) noexcept {
  try {
    return call();
  } catch (...) {
    return on_exception;
  }
}

}  // namespace

extern "C" {

int32_t QEV_CALL QEV_FORM_3DS_FILENAME(const char* path) {
  return guarded([&] { return qev::writer::form_file(qev::writer::state(), path); }, QEV_ERR_IO);
}

int32_t QEV_CALL QEV_PUT_3DS_N_LAYER(const int32_t* n_layers) {
  if (n_layers == nullptr) return QEV_ERR_NULL_ARGUMENT;
  return guarded([&] { return qev::writer::put_layer_count(qev::writer::state(), *n_layers); },
                 QEV_ERR_IO);
}

int32_t QEV_CALL QEV_PUT_3DS_LAYER(const int32_t* layer, const char* name,
                                   const int32_t* transparency, const int32_t* red,
                                   const int32_t* green, const int32_t* blue, const char* texture) {
  const bool missing = layer == nullptr || transparency == nullptr || red == nullptr ||
                       green == nullptr || blue == nullptr;
  return guarded(
      [&] {
        return qev::writer::put_layer(qev::writer::state(), in(layer), missing ? nullptr : name,
                                      in(transparency), in(red), in(green), in(blue), texture);
      },
      QEV_ERR_IO);
}

int32_t QEV_CALL QEV_PUT_3DS_N_TRI(const int32_t* layer, const int32_t* n_triangles) {
  if (layer == nullptr || n_triangles == nullptr)
    return qev::writer::refuse_null_layer(qev::writer::state());
  return guarded(
      [&] { return qev::writer::begin_layer(qev::writer::state(), *layer, *n_triangles); },
      QEV_ERR_IO);
}

int32_t QEV_CALL QEV_PUT_3DS_TRIANGLE(const int32_t* layer, const int32_t* triangle,
                                      const int32_t* smoothing, const float* corners,
                                      const int32_t* edge_flags, const float* mapping) {
  const bool missing = layer == nullptr || triangle == nullptr || smoothing == nullptr;
  return guarded(
      [&] {
        return qev::writer::put_triangle(qev::writer::state(), in(layer), in(triangle),
                                         in(smoothing), missing ? nullptr : corners, edge_flags,
                                         mapping);
      },
      QEV_ERR_IO);
}

int32_t QEV_CALL QEV_PUT_3DS_TRIANGLE_END(void) {
  return guarded([] { return qev::writer::end_layer(qev::writer::state()); }, QEV_ERR_IO);
}

int32_t QEV_CALL QEV_PUT_3DS_END(int32_t* status) {
  const int32_t result =
      guarded([] { return qev::writer::finish_file(qev::writer::state()); }, QEV_ERR_IO);
  if (status != nullptr) *status = result;
  return result;
}

int32_t QEV_CALL QEV_READ_3DS_FILENAME(const char* path, int32_t* status) {
  const int32_t result = guarded([&] { return qev::reader::read_file(path); }, QEV_READ_NOT_3DS);
  if (status != nullptr) *status = result;
  return result;
}

int32_t QEV_CALL QEV_READ_3DS_N_LAYER(int32_t* n_layers) {
  const int32_t n = guarded([] { return qev::reader::layer_count(); }, 0);
  if (n_layers != nullptr) *n_layers = n;
  return n;
}

int32_t QEV_CALL QEV_READ_3DS_LAYER(const int32_t* layer, char* name, int32_t* transparency,
                                    int32_t* red, int32_t* green, int32_t* blue, char* texture) {
  return guarded(
      [&] { return qev::reader::layer(in(layer), name, transparency, red, green, blue, texture); },
      QEV_ERR_OUT_OF_RANGE);
}

int32_t QEV_CALL QEV_READ_3DS_N_TRI(const int32_t* layer, int32_t* n_triangles) {
  return guarded([&] { return qev::reader::triangle_count(in(layer), n_triangles); },
                 QEV_ERR_OUT_OF_RANGE);
}

int32_t QEV_CALL QEV_READ_3DS_TRIANGLE(const int32_t* layer, const int32_t* triangle,
                                       int32_t* smoothing, float* corners, float* mapping) {
  return guarded(
      [&] { return qev::reader::triangle(in(layer), in(triangle), smoothing, corners, mapping); },
      QEV_ERR_OUT_OF_RANGE);
}

int32_t QEV_CALL QEV_READ_3DS_END(void) {
  return guarded([] { return qev::reader::end_reading(); }, 0);
}

}  // extern "C"
