// The host's queries over the parsed scene: layers, their materials, their
// triangles, and the end of reading. None touches the file.
#include <cstring>

#include "interface/qev_3ds.h"
#include "reader/reader_api.h"
#include "reader/reader_state.h"

namespace qev::reader {

namespace {

constexpr std::int32_t kGrey = 180;

const MeshLayer* find_layer(std::int32_t k) {
  const auto& layers = state().scene.layers;
  if (k < 1 || static_cast<std::size_t>(k) > layers.size()) return nullptr;
  return &layers[static_cast<std::size_t>(k) - 1];
}

const MaterialRecord* find_material(const char* key) {
  const SceneModel& scene = state().scene;
  const auto it = scene.material_by_name.find(std::string_view(key));
  return it == scene.material_by_name.end() ? nullptr : &scene.materials[it->second];
}

bool is_zero(const Rgb& c) { return c.red == 0 && c.green == 0 && c.blue == 0; }

void set_int(std::int32_t* out, std::int32_t v) {
  if (out != nullptr) *out = v;
}

void set_text(char* out, const char* v) {
  if (out != nullptr) std::strcpy(out, v);
}

// Highest set bit among the low 8 smoothing bits, 1-based; 0 when none.
std::int32_t smoothing_index(std::uint32_t word) {
  for (int bit = 7; bit >= 0; --bit) {
    if (word & (1u << bit)) return bit + 1;
  }
  return 0;
}

void put_vertex(const std::vector<float>& values, int width, std::uint16_t index, float* out) {
  const std::size_t at = static_cast<std::size_t>(index) * width;
  for (int i = 0; i < width; ++i) {
    // A face may name a vertex the arrays do not hold: zeros stand in.
    out[i] = at + width <= values.size() ? values[at + i] : 0.0f;
  }
}

}  // namespace

std::int32_t layer_count() {
  ReaderState& r = state();
  const auto n = static_cast<std::int32_t>(r.scene.layers.size());
  for (std::int32_t i = 0; i < n; ++i) r.triangle_cursors[i] = 0;
  return n;
}

std::int32_t layer(std::int32_t k, char* name, std::int32_t* transparency, std::int32_t* red,
                   std::int32_t* green, std::int32_t* blue, char* texture) {
  set_text(name, "");
  set_text(texture, "");
  set_int(transparency, 0);
  set_int(red, 0);
  set_int(green, 0);
  set_int(blue, 0);
  if (name == nullptr || transparency == nullptr || red == nullptr || green == nullptr ||
      blue == nullptr || texture == nullptr) {
    return QEV_ERR_NULL_ARGUMENT;
  }
  const MeshLayer* found = find_layer(k);
  if (found == nullptr) return QEV_ERR_OUT_OF_RANGE;
  MeshLayer& l = state().scene.layers[static_cast<std::size_t>(k) - 1];
  std::strcpy(name, l.name);

  // The layer's material is the one its first face group names.
  const MaterialRecord* m = find_material(l.first_group_name());
  if (m == nullptr) {
    l.texture_flag = 1;
    *red = *green = *blue = kGrey;
    return QEV_OK;
  }
  std::strcpy(texture, m->texture);
  l.texture_flag = static_cast<std::int32_t>(std::strlen(m->texture)) + 1;
  *transparency = m->transparency;
  // The second diffuse colour, else the first, else grey.
  const Rgb& c = !is_zero(m->diffuse[1]) ? m->diffuse[1] : m->diffuse[0];
  if (is_zero(c)) {
    *red = *green = *blue = kGrey;
  } else {
    *red = c.red;
    *green = c.green;
    *blue = c.blue;
  }
  return QEV_OK;
}

std::int32_t triangle_count(std::int32_t k, std::int32_t* count) {
  const MeshLayer* l = find_layer(k);
  set_int(count, l != nullptr ? l->face_count() : 0);
  if (count == nullptr) return QEV_ERR_NULL_ARGUMENT;
  return l != nullptr ? QEV_OK : QEV_ERR_OUT_OF_RANGE;
}

std::int32_t triangle(std::int32_t k, std::int32_t t, std::int32_t* smoothing, float* corners,
                      float* mapping) {
  set_int(smoothing, 0);
  if (corners != nullptr) std::memset(corners, 0, 9 * sizeof(float));
  if (mapping != nullptr) std::memset(mapping, 0, 6 * sizeof(float));
  if (smoothing == nullptr || corners == nullptr || mapping == nullptr) {
    return QEV_ERR_NULL_ARGUMENT;
  }
  const MeshLayer* l = find_layer(k);
  if (l == nullptr || t < 1 || t > l->face_count()) return QEV_ERR_OUT_OF_RANGE;

  const FaceRecord& f = l->faces[static_cast<std::size_t>(t) - 1];
  const std::uint16_t corner_index[3] = {f.a, f.b, f.c};
  for (int c = 0; c < 3; ++c) put_vertex(l->vertices, 3, corner_index[c], corners + 3 * c);
  if (l->texture_flag > 1) {
    for (int c = 0; c < 3; ++c) put_vertex(l->mapping, 2, corner_index[c], mapping + 2 * c);
  }
  *smoothing = smoothing_index(f.smoothing);
  return ++state().triangle_cursors[static_cast<std::size_t>(k) - 1];
}

std::int32_t end_reading() {
  ReaderState& r = state();
  std::int32_t result = 0;
  const auto& layers = r.scene.layers;
  for (std::size_t i = 0; i < layers.size(); ++i) {
    if (r.triangle_cursors[i] < layers[i].face_count()) result = 1;
  }
  // The layers go; the materials stay until the next parse.
  r.scene.layers.clear();
  r.scene.layers.shrink_to_fit();
  return result;
}

}  // namespace qev::reader
