// qev3ds._native: the per-triangle loops of the Python package, over buffers
// the caller owns (numpy arrays or anything with the buffer protocol), so
// no Python code runs per triangle and no numpy header is needed; and the
// C++ API's conversions, layer splitting, limits and status texts.
//
// The thirteen functions are called through a table that starts out with
// the library compiled into this module; use_functions() points it at
// another build of them (a library named by QEV3DS_LIBRARY).
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "qev_3ds.h"
#include "qev_3ds_convert.hpp"
#include "qev_3ds_scene.hpp"

namespace {

struct Functions {
  decltype(&QEV_FORM_3DS_FILENAME) form;
  decltype(&QEV_PUT_3DS_N_LAYER) n_layer;
  decltype(&QEV_PUT_3DS_LAYER) layer;
  decltype(&QEV_PUT_3DS_N_TRI) n_tri;
  decltype(&QEV_PUT_3DS_TRIANGLE) triangle;
  decltype(&QEV_PUT_3DS_TRIANGLE_END) triangle_end;
  decltype(&QEV_PUT_3DS_END) end;
  decltype(&QEV_READ_3DS_FILENAME) read_file;
  decltype(&QEV_READ_3DS_N_LAYER) read_n_layer;
  decltype(&QEV_READ_3DS_LAYER) read_layer;
  decltype(&QEV_READ_3DS_N_TRI) read_n_tri;
  decltype(&QEV_READ_3DS_TRIANGLE) read_triangle;
  decltype(&QEV_READ_3DS_END) read_end;
};

constexpr Functions kBuiltIn = {
    &QEV_FORM_3DS_FILENAME, &QEV_PUT_3DS_N_LAYER,      &QEV_PUT_3DS_LAYER,  &QEV_PUT_3DS_N_TRI,
    &QEV_PUT_3DS_TRIANGLE,  &QEV_PUT_3DS_TRIANGLE_END, &QEV_PUT_3DS_END,    &QEV_READ_3DS_FILENAME,
    &QEV_READ_3DS_N_LAYER,  &QEV_READ_3DS_LAYER,       &QEV_READ_3DS_N_TRI, &QEV_READ_3DS_TRIANGLE,
    &QEV_READ_3DS_END};

Functions g_fn = kBuiltIn;

// A C-contiguous buffer of at least `count` items of `itemsize` bytes, held
// for the life of the object.
class Buffer {
 public:
  Buffer() = default;
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  ~Buffer() {
    if (held_) PyBuffer_Release(&view_);
  }

  // False with a Python exception set when obj does not fit.
  bool take(PyObject* obj, const char* what, Py_ssize_t itemsize, Py_ssize_t count, bool writable) {
    const int flags = PyBUF_C_CONTIGUOUS | PyBUF_FORMAT | (writable ? PyBUF_WRITABLE : 0);
    if (PyObject_GetBuffer(obj, &view_, flags) != 0) return false;
    held_ = true;
    if (view_.itemsize != itemsize || view_.len < itemsize * count) {
      PyErr_Format(PyExc_ValueError,
                   "%s: need %zd items of %zd bytes, got %zd bytes of items of %zd", what, count,
                   itemsize, view_.len, view_.itemsize);
      return false;
    }
    return true;
  }
  template <class T>
  T* data() const {
    return static_cast<T*>(view_.buf);
  }

 private:
  Py_buffer view_{};
  bool held_ = false;
};

// ---- reading -----------------------------------------------------------

// read_open(path: bytes) -> (status, [(name, transparency, r, g, b, texture, count), ...])
PyObject* read_open(PyObject*, PyObject* args) {
  const char* path;
  if (!PyArg_ParseTuple(args, "y", &path)) return nullptr;
  std::int32_t status = 0, n = 0;
  Py_BEGIN_ALLOW_THREADS g_fn.read_file(path, &status);
  if (status == QEV_READ_OK) g_fn.read_n_layer(&n);
  Py_END_ALLOW_THREADS PyObject* layers = PyList_New(0);
  if (layers == nullptr) return nullptr;
  for (std::int32_t k = 1; k <= n; ++k) {
    char name[64] = {0}, texture[64] = {0};
    std::int32_t transparency = 0, red = 0, green = 0, blue = 0, count = 0;
    g_fn.read_layer(&k, name, &transparency, &red, &green, &blue, texture);
    g_fn.read_n_tri(&k, &count);
    PyObject* item =
        Py_BuildValue("(y i i i i y i)", name, transparency, red, green, blue, texture, count);
    if (item == nullptr || PyList_Append(layers, item) != 0) {
      Py_XDECREF(item);
      Py_DECREF(layers);
      return nullptr;
    }
    Py_DECREF(item);
  }
  return Py_BuildValue("(i N)", status, layers);
}

// read_fill(k, count, corners f32[9 count], mapping f32[6 count] or None,
// smoothing i32[count]). With None the mapping is fetched into scratch: the
// caller knows it is all zeros (an untextured layer) and keeps a zeroed
// array that need never be touched.
PyObject* read_fill(PyObject*, PyObject* args) {
  std::int32_t k, count;
  PyObject *corners_obj, *mapping_obj, *smoothing_obj;
  if (!PyArg_ParseTuple(args, "iiOOO", &k, &count, &corners_obj, &mapping_obj, &smoothing_obj)) {
    return nullptr;
  }
  if (count < 0) return PyErr_Format(PyExc_ValueError, "negative triangle count");
  Buffer corners, mapping, smoothing;
  const bool mapped = mapping_obj != Py_None;
  if (!corners.take(corners_obj, "corners", 4, 9 * Py_ssize_t{count}, true) ||
      (mapped && !mapping.take(mapping_obj, "mapping", 4, 6 * Py_ssize_t{count}, true)) ||
      !smoothing.take(smoothing_obj, "smoothing", 4, count, true)) {
    return nullptr;
  }
  float* c = corners.data<float>();
  float scratch[6];
  float* m = mapped ? mapping.data<float>() : scratch;
  const std::ptrdiff_t m_step = mapped ? 6 : 0;
  std::int32_t* s = smoothing.data<std::int32_t>();
  Py_BEGIN_ALLOW_THREADS for (std::int32_t t = 1; t <= count; ++t) {
    g_fn.read_triangle(&k, &t, s++, c, m);
    c += 9;
    m += m_step;
  }
  Py_END_ALLOW_THREADS Py_RETURN_NONE;
}

PyObject* read_end(PyObject*, PyObject*) { return PyLong_FromLong(g_fn.read_end()); }

// ---- writing -----------------------------------------------------------

// write_open(path: bytes) -> result of QEV_FORM_3DS_FILENAME
PyObject* write_open(PyObject*, PyObject* args) {
  const char* path;
  if (!PyArg_ParseTuple(args, "y", &path)) return nullptr;
  std::int32_t r;
  Py_BEGIN_ALLOW_THREADS r = g_fn.form(path);
  Py_END_ALLOW_THREADS return PyLong_FromLong(r);
}

// write_layers([(name, transparency, r, g, b, texture), ...]) -> first failed result or 0
PyObject* write_layers(PyObject*, PyObject* args) {
  PyObject* list;
  if (!PyArg_ParseTuple(args, "O!", &PyList_Type, &list)) return nullptr;
  const auto n = static_cast<std::int32_t>(PyList_GET_SIZE(list));
  std::int32_t result = g_fn.n_layer(&n);
  for (std::int32_t k = 1; k <= n; ++k) {
    const char *name, *texture;
    std::int32_t transparency, red, green, blue;
    if (!PyArg_ParseTuple(PyList_GET_ITEM(list, k - 1), "yiiiiy", &name, &transparency, &red,
                          &green, &blue, &texture)) {
      return nullptr;
    }
    const std::int32_t r = g_fn.layer(&k, name, &transparency, &red, &green, &blue, texture);
    if (r != QEV_OK && result == QEV_OK) result = r;
  }
  return PyLong_FromLong(result);
}

// write_triangles(k, count, corners f32[9 count], mapping f32[6 count] or None,
// smoothing i32[count]) -> 0, or the first result that was not the next
// staged count, and the triangle it came from
PyObject* write_triangles(PyObject*, PyObject* args) {
  std::int32_t k, count;
  PyObject *corners_obj, *mapping_obj, *smoothing_obj;
  if (!PyArg_ParseTuple(args, "iiOOO", &k, &count, &corners_obj, &mapping_obj, &smoothing_obj)) {
    return nullptr;
  }
  if (count < 0) return PyErr_Format(PyExc_ValueError, "negative triangle count");
  Buffer corners, mapping, smoothing;
  if (!corners.take(corners_obj, "corners", 4, 9 * Py_ssize_t{count}, false) ||
      !smoothing.take(smoothing_obj, "smoothing", 4, count, false)) {
    return nullptr;
  }
  const bool mapped = mapping_obj != Py_None;
  if (mapped && !mapping.take(mapping_obj, "mapping", 4, 6 * Py_ssize_t{count}, false))
    return nullptr;
  const float* c = corners.data<float>();
  const float* m = mapped ? mapping.data<float>() : nullptr;
  const std::int32_t* s = smoothing.data<std::int32_t>();
  static const float kNoMapping[6] = {0, 0, 0, 0, 0, 0};
  const std::int32_t edges[3] = {1, 1, 1};
  std::int32_t refused = 0, at = 0;
  Py_BEGIN_ALLOW_THREADS g_fn.n_tri(&k, &count);
  for (std::int32_t t = 1; t <= count; ++t) {
    const std::int32_t r = g_fn.triangle(&k, &t, s + (t - 1), c + 9 * (t - 1), edges,
                                         mapped ? m + 6 * (t - 1) : kNoMapping);
    if (r != t && refused == 0) {
      refused = r == 0 ? QEV_ERR_INCOMPLETE : r;
      at = t;
    }
  }
  g_fn.triangle_end();
  Py_END_ALLOW_THREADS return Py_BuildValue("(i i)", refused, at);
}

PyObject* write_end(PyObject*, PyObject*) {
  std::int32_t status = 0;
  Py_BEGIN_ALLOW_THREADS g_fn.end(&status);
  Py_END_ALLOW_THREADS return PyLong_FromLong(status);
}

// ---- the function table ------------------------------------------------

// use_functions(None) goes back to the built-in library; a sequence of the
// thirteen addresses in the header's order selects another.
PyObject* use_functions(PyObject*, PyObject* args) {
  PyObject* seq;
  if (!PyArg_ParseTuple(args, "O", &seq)) return nullptr;
  if (seq == Py_None) {
    g_fn = kBuiltIn;
    Py_RETURN_NONE;
  }
  void* table[13];
  static_assert(sizeof table == sizeof(Functions), "one pointer per function");
  if (!PySequence_Check(seq) || PySequence_Size(seq) != 13) {
    return PyErr_Format(PyExc_ValueError, "need the 13 function addresses");
  }
  for (Py_ssize_t i = 0; i < 13; ++i) {
    PyObject* item = PySequence_GetItem(seq, i);
    if (item == nullptr) return nullptr;
    table[i] = PyLong_AsVoidPtr(item);
    Py_DECREF(item);
    if (table[i] == nullptr) {
      if (!PyErr_Occurred()) PyErr_SetString(PyExc_ValueError, "a null function address");
      return nullptr;
    }
  }
  std::memcpy(&g_fn, table, sizeof g_fn);
  Py_RETURN_NONE;
}

// ---- the scene API -------------------------------------------------------

// face_materials(path: bytes) -> (status, [(names: [bytes], index buffer bytes of i32), ...])
// Per mesh, the materials its faces use (by the face material rule) and,
// per face, the index of its material in that list.
PyObject* face_materials(PyObject*, PyObject* args) {
  const char* path;
  if (!PyArg_ParseTuple(args, "y", &path)) return nullptr;
  qev3ds::ReadResult read;
  Py_BEGIN_ALLOW_THREADS read = qev3ds::read_scene(std::string(path));
  Py_END_ALLOW_THREADS PyObject* meshes = PyList_New(0);
  if (meshes == nullptr) return nullptr;
  const qev3ds::MaterialIndex materials(read.scene);
  for (const qev3ds::Mesh& mesh : read.scene.meshes) {
    const std::vector<std::int32_t> group_of = qev3ds::face_groups(mesh);
    std::vector<std::string> names;
    std::vector<std::int32_t> index(mesh.faces.size());
    // A face's material depends on its group alone: looked up once per
    // group (the last slot for faces that no group lists).
    std::vector<std::int32_t> index_of_group(mesh.groups.size() + 1, -1);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const std::size_t slot =
          group_of[f] < 0 ? mesh.groups.size() : static_cast<std::size_t>(group_of[f]);
      if (index_of_group[slot] < 0) {
        const std::string name(qev3ds::face_look(materials, mesh, group_of[f]).material_name);
        std::size_t i = 0;
        while (i < names.size() && names[i] != name) ++i;
        if (i == names.size()) names.push_back(name);
        index_of_group[slot] = static_cast<std::int32_t>(i);
      }
      index[f] = index_of_group[slot];
    }
    PyObject* name_list = PyList_New(static_cast<Py_ssize_t>(names.size()));
    if (name_list == nullptr) {
      Py_DECREF(meshes);
      return nullptr;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      PyList_SET_ITEM(
          name_list, static_cast<Py_ssize_t>(i),
          PyBytes_FromStringAndSize(names[i].data(), static_cast<Py_ssize_t>(names[i].size())));
    }
    PyObject* item = Py_BuildValue("(N y#)", name_list, reinterpret_cast<const char*>(index.data()),
                                   static_cast<Py_ssize_t>(index.size() * sizeof(std::int32_t)));
    if (item == nullptr || PyList_Append(meshes, item) != 0) {
      Py_XDECREF(item);
      Py_DECREF(meshes);
      return nullptr;
    }
    Py_DECREF(item);
  }
  return Py_BuildValue("(i N)", read.status, meshes);
}

// ---- conversions, layer splitting, limits ----------------------------------

// Text the library made (it may name paths of any bytes) as str; bytes that
// are not UTF-8 come through as surrogates, as os.fsdecode gives them.
PyObject* text(const std::string& s) {
  return PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogateescape");
}

PyObject* text_list(const std::vector<std::string>& items) {
  PyObject* list = PyList_New(static_cast<Py_ssize_t>(items.size()));
  if (list == nullptr) return nullptr;
  for (std::size_t i = 0; i < items.size(); ++i) {
    PyObject* item = text(items[i]);
    if (item == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), item);
  }
  return list;
}

// convert(src: bytes, dst: bytes, layers: bool, texture_folders: [bytes],
// up: 'y' or 'z', scale: float) -> (status, message, [warning], [note])
PyObject* convert(PyObject*, PyObject* args) {
  const char *src, *dst;
  int layers, up;
  PyObject* folders;
  double scale;
  if (!PyArg_ParseTuple(args, "yypO!Cd", &src, &dst, &layers, &PyList_Type, &folders, &up,
                        &scale)) {
    return nullptr;
  }
  qev3ds::ConvertOptions options;
  options.layers = layers != 0;
  options.up = up == 'z' ? qev3ds::ConvertOptions::Up::z : qev3ds::ConvertOptions::Up::y;
  options.scale = scale;
  for (Py_ssize_t i = 0; i < PyList_GET_SIZE(folders); ++i) {
    const char* folder = PyBytes_AsString(PyList_GET_ITEM(folders, i));
    if (folder == nullptr) return nullptr;
    options.texture_folders.emplace_back(folder);
  }
  qev3ds::ConvertReport report;
  const std::string in(src), out(dst);
  Py_BEGIN_ALLOW_THREADS report = qev3ds::convert_file(in, out, options);
  Py_END_ALLOW_THREADS return Py_BuildValue("(i N N N)", report.status, text(report.message),
                                            text_list(report.warnings), text_list(report.notes));
}

// The bytes of a vector, for numpy.frombuffer on the Python side.
template <class T>
PyObject* vector_bytes(const std::vector<T>& v) {
  return PyBytes_FromStringAndSize(reinterpret_cast<const char*>(v.data()),
                                   static_cast<Py_ssize_t>(v.size() * sizeof(T)));
}

// fit_layers([(name, transparency, r, g, b, texture, corners f32[9n],
// mapping f32[6n] or None, smoothing i32[n]), ...]) -> (layers in the same
// form with bytes for the arrays, [note]): every layer over a writer's
// capacity split by qev3ds::fit_layers.
PyObject* fit_layers(PyObject*, PyObject* args) {
  PyObject* list;
  if (!PyArg_ParseTuple(args, "O!", &PyList_Type, &list)) return nullptr;
  std::vector<qev3ds::Layer> layers(static_cast<std::size_t>(PyList_GET_SIZE(list)));
  for (std::size_t k = 0; k < layers.size(); ++k) {
    qev3ds::Layer& layer = layers[k];
    const char *name, *texture;
    Py_ssize_t count;
    PyObject *corners_obj, *mapping_obj, *smoothing_obj;
    if (!PyArg_ParseTuple(PyList_GET_ITEM(list, static_cast<Py_ssize_t>(k)), "yiiiiynOOO", &name,
                          &layer.transparency, &layer.red, &layer.green, &layer.blue, &texture,
                          &count, &corners_obj, &mapping_obj, &smoothing_obj)) {
      return nullptr;
    }
    if (count < 0) return PyErr_Format(PyExc_ValueError, "negative triangle count");
    layer.name = name;
    layer.texture = texture;
    const auto n = static_cast<std::size_t>(count);
    Buffer corners, mapping, smoothing;
    if (!corners.take(corners_obj, "corners", 4, 9 * count, false) ||
        !smoothing.take(smoothing_obj, "smoothing", 4, count, false) ||
        (mapping_obj != Py_None && !mapping.take(mapping_obj, "mapping", 4, 6 * count, false))) {
      return nullptr;
    }
    layer.corners.assign(corners.data<float>(), corners.data<float>() + 9 * n);
    layer.smoothing.assign(smoothing.data<std::int32_t>(), smoothing.data<std::int32_t>() + n);
    if (mapping_obj != Py_None) {
      layer.mapping.assign(mapping.data<float>(), mapping.data<float>() + 6 * n);
    }
  }
  std::vector<std::string> notes;
  Py_BEGIN_ALLOW_THREADS notes = qev3ds::fit_layers(layers);
  Py_END_ALLOW_THREADS PyObject* fitted = PyList_New(0);
  if (fitted == nullptr) return nullptr;
  for (const qev3ds::Layer& layer : layers) {
    PyObject* mapping = Py_None;
    if (layer.mapping.empty()) {
      Py_INCREF(Py_None);
    } else {
      mapping = vector_bytes(layer.mapping);
    }
    PyObject* item = Py_BuildValue(
        "(y# i i i i y# N N N)", layer.name.data(), static_cast<Py_ssize_t>(layer.name.size()),
        layer.transparency, layer.red, layer.green, layer.blue, layer.texture.data(),
        static_cast<Py_ssize_t>(layer.texture.size()), vector_bytes(layer.corners), mapping,
        vector_bytes(layer.smoothing));
    if (item == nullptr || PyList_Append(fitted, item) != 0) {
      Py_XDECREF(item);
      Py_DECREF(fitted);
      return nullptr;
    }
    Py_DECREF(item);
  }
  return Py_BuildValue("(N N)", fitted, text_list(notes));
}

// limits() -> {name: int}, qev3ds::limits as the C++ API states them.
PyObject* limits(PyObject*, PyObject*) {
  namespace l = qev3ds::limits;
  const auto n = [](std::size_t v) { return static_cast<Py_ssize_t>(v); };
  return Py_BuildValue("{s n s n s n s n s n s n s n s n}", "layers", n(l::layers), "triangles",
                       n(l::triangles), "vertices", n(l::vertices), "textured_triangles",
                       n(l::textured_triangles), "layer_name", n(l::layer_name), "texture_name",
                       n(l::texture_name), "name_kept", n(l::name_kept), "mesh_items",
                       n(l::mesh_items));
}

PyObject* status_text(PyObject*, PyObject* args) {
  int status;
  if (!PyArg_ParseTuple(args, "i", &status)) return nullptr;
  return PyUnicode_FromString(qev3ds::status_text(status));
}

PyMethodDef kMethods[] = {
    {"read_open", read_open, METH_VARARGS, "Parse a file; its status and layers."},
    {"read_fill", read_fill, METH_VARARGS, "Fetch a layer's triangles into buffers."},
    {"read_end", read_end, METH_NOARGS, "End reading."},
    {"write_open", write_open, METH_VARARGS, "Create a file."},
    {"write_layers", write_layers, METH_VARARGS, "Declare and describe the layers."},
    {"write_triangles", write_triangles, METH_VARARGS, "Write one layer's triangles from buffers."},
    {"write_end", write_end, METH_NOARGS, "Finish the file; the status."},
    {"use_functions", use_functions, METH_VARARGS, "Call another build of the library."},
    {"face_materials", face_materials, METH_VARARGS, "Each face's material, by the scene API."},
    {"convert", convert, METH_VARARGS, "Convert a file; status, message, warnings, notes."},
    {"fit_layers", fit_layers, METH_VARARGS, "Split layers at the writer's capacities."},
    {"limits", limits, METH_NOARGS, "What one file and one layer hold."},
    {"status_text", status_text, METH_VARARGS, "A sentence for a status."},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef kModule = {PyModuleDef_HEAD_INIT,
                       "_native",
                       "qev3ds's compiled loops",
                       -1,
                       kMethods,
                       nullptr,
                       nullptr,
                       nullptr,
                       nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__native(void) { return PyModule_Create(&kModule); }
