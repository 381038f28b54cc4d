// The host's queries over the parsed scene: layers, their materials, their
// triangles, and the end of reading. None touches the file.
#include <cstring>

#include "interface/qev_3ds.h"
#include "reader/reader_api.h"
#include "reader/reader_state.h"

namespace qev::reader {

namespace {

const MeshLayer* find_layer(std::int32_t k) {
  const auto& layers = state().scene.meshes;
  if (k < 1 || static_cast<std::size_t>(k) > layers.size()) return nullptr;
  return &layers[static_cast<std::size_t>(k) - 1];
}

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
  const auto n = static_cast<std::int32_t>(r.scene.meshes.size());
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
  ReaderState& r = state();
  std::strcpy(name, found->name.c_str());

  // The layer's material is the one its first face group names.
  const qev3ds::Look look = qev3ds::mesh_look(*r.materials, *found);
  // At most 49 characters; an empty view may have no storage at all.
  if (!look.texture.empty()) std::memcpy(texture, look.texture.data(), look.texture.size());
  texture[look.texture.size()] = '\0';
  r.texture_flags[static_cast<std::size_t>(k) - 1] =
      look.material == nullptr ? 1 : static_cast<std::int32_t>(look.texture.size()) + 1;
  *transparency = look.transparency;
  *red = look.colour.red;
  *green = look.colour.green;
  *blue = look.colour.blue;
  return QEV_OK;
}

std::int32_t triangle_count(std::int32_t k, std::int32_t* count) {
  const MeshLayer* l = find_layer(k);
  set_int(count, l != nullptr ? static_cast<std::int32_t>(l->faces.size()) : 0);
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
  if (l == nullptr || t < 1 || static_cast<std::size_t>(t) > l->faces.size()) {
    return QEV_ERR_OUT_OF_RANGE;
  }

  const FaceRecord& f = l->faces[static_cast<std::size_t>(t) - 1];
  const std::uint16_t corner_index[3] = {f.a, f.b, f.c};
  for (int c = 0; c < 3; ++c) put_vertex(l->vertices, 3, corner_index[c], corners + 3 * c);
  if (state().texture_flags[static_cast<std::size_t>(k) - 1] > 1) {
    for (int c = 0; c < 3; ++c) put_vertex(l->mapping, 2, corner_index[c], mapping + 2 * c);
  }
  *smoothing = smoothing_index(f.smoothing);
  return ++state().triangle_cursors[static_cast<std::size_t>(k) - 1];
}

std::int32_t end_reading() {
  ReaderState& r = state();
  std::int32_t result = 0;
  const auto& layers = r.scene.meshes;
  for (std::size_t i = 0; i < layers.size(); ++i) {
    if (r.triangle_cursors[i] < static_cast<std::int32_t>(layers[i].faces.size())) result = 1;
  }
  // The layers go; the materials stay until the next parse.
  r.scene.meshes.clear();
  r.scene.meshes.shrink_to_fit();
  r.texture_flags.clear();
  return result;
}

}  // namespace qev::reader
