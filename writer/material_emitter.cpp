// Beginning a layer, and for layer 1 the MAT_ENTRY of every declared layer.
#include <cassert>
#include <cstring>

#include "format/chunk_ids.h"
#include "interface/qev_3ds.h"
#include "writer/chunk_lengths.h"
#include "writer/writer_api.h"
#include "writer/writer_state.h"

namespace qev::writer {

namespace {

constexpr std::uint16_t kShadingMode = 3;
constexpr std::uint16_t kTexturePercentage = 100;

void write_material(OutputStream& out, const LayerSpec& desc) {
  char material[kNameField + 3];
  std::strcpy(material, desc.name);
  std::strcat(material, "MAT");
  const auto L = static_cast<std::uint32_t>(std::strlen(material) + 1);
  const auto X = static_cast<std::uint32_t>(std::strlen(desc.texture) + 1);
  const bool textured = X > 1;
  const std::uint8_t rgb[3] = {static_cast<std::uint8_t>(desc.red),
                               static_cast<std::uint8_t>(desc.green),
                               static_cast<std::uint8_t>(desc.blue)};
  [[maybe_unused]] const std::uint64_t start = out.position();

  out.put_header(MAT_ENTRY, material_entry_length(L, X));
  out.put_header(MAT_NAME, L + 6);
  out.put_bytes(material, L);
  out.put_header(MAT_DIFFUSE, 24);
  out.put_header(COLOR_24, 9);
  out.put_bytes(rgb, 3);
  out.put_header(LIN_COLOR_24, 9);
  out.put_bytes(rgb, 3);
  out.put_header(MAT_TRANSPARENCY, 14);
  out.put_header(INT_PERCENTAGE, 8);
  out.put_u16(static_cast<std::uint16_t>(desc.transparency));
  out.put_header(MAT_TWO_SIDE, 6);
  if (textured) {
    out.put_header(MAT_SHADING, 8);
    out.put_u16(kShadingMode);
    out.put_header(MAT_TEXMAP, texmap_length(X));
    out.put_header(INT_PERCENTAGE, 8);
    out.put_u16(kTexturePercentage);
    out.put_header(MAT_MAPNAME, X + 6);
    out.put_bytes(desc.texture, X);
    out.put_header(MAT_MAP_TILING, 8);
    out.put_u16(0);
    out.put_header(MAT_MAP_TEXBLUR, 10);
    out.put_f32(0.0f);
  }
  assert(out.position() - start == material_entry_length(L, X));
}

}  // namespace

std::int32_t refuse_null_layer(WriterState& w) {
  if (w.phase == FilePhase::open) w.data_refused = true;
  return QEV_ERR_NULL_ARGUMENT;
}

std::int32_t begin_layer(WriterState& w, std::int32_t k, std::int32_t declared_triangles) {
  if (w.phase != FilePhase::open) return QEV_ERR_NO_FILE;
  if (k < 1 || k > kMaxLayers) {
    w.data_refused = true;
    return QEV_ERR_OUT_OF_RANGE;
  }
  if (k == 1) {
    for (int i = 0; i < w.layer_count; ++i) write_material(w.out, w.layers[i]);
    w.current_layer = 0;
  }
  w.out.flush();
  reset_stage(w.stage, true);
  w.declared_triangles = declared_triangles;
  return k == 1 ? w.layer_count : k - 1;
}

}  // namespace qev::writer
