// Reading a file back through the exported reader calls and tabulating it.
#include "scene_info.h"

#include <cfloat>
#include <cstdint>
#include <string>
#include <vector>

#include "qev_3ds.h"

namespace {

struct LayerRow {
  std::string name, texture;
  int32_t triangles = 0, transparency = 0, red = 0, green = 0, blue = 0;
};

}  // namespace

const char* read_status_text(int status) {
  switch (status) {
    case QEV_READ_OK: return "read";
    case QEV_READ_CANNOT_OPEN: return "cannot open the file";
    case QEV_READ_CANNOT_SEEK: return "cannot position in the file";
    case QEV_READ_CANNOT_TELL: return "cannot take the file position";
    case QEV_READ_NOT_3DS: return "not a 3DS file, or damaged";
    default: return "unknown status";
  }
}

int print_scene_info(const char* path, std::FILE* out) {
  int32_t status = 0;
  QEV_READ_3DS_FILENAME(path, &status);
  if (status != QEV_READ_OK) return status;

  int32_t n_layers = 0;
  QEV_READ_3DS_N_LAYER(&n_layers);
  std::vector<LayerRow> rows;
  float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
  long total = 0;
  for (int32_t k = 1; k <= n_layers; ++k) {
    char name[64] = {0}, texture[64] = {0};
    LayerRow row;
    QEV_READ_3DS_LAYER(&k, name, &row.transparency, &row.red, &row.green, &row.blue, texture);
    QEV_READ_3DS_N_TRI(&k, &row.triangles);
    for (int32_t t = 1; t <= row.triangles; ++t) {
      int32_t smoothing = 0;
      float corners[9], mapping[6];
      QEV_READ_3DS_TRIANGLE(&k, &t, &smoothing, corners, mapping);
      for (int i = 0; i < 9; ++i) {
        lo[i % 3] = corners[i] < lo[i % 3] ? corners[i] : lo[i % 3];
        hi[i % 3] = corners[i] > hi[i % 3] ? corners[i] : hi[i % 3];
      }
    }
    row.name = name;
    row.texture = texture;
    total += row.triangles;
    rows.push_back(row);
  }
  QEV_READ_3DS_END();

  std::fprintf(out, "%5s  %-24s %9s  %-11s %5s  %s\n", "layer", "name", "triangles", "colour",
               "transp", "texture");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const LayerRow& r = rows[i];
    char colour[40];
    std::snprintf(colour, sizeof colour, "%d,%d,%d", r.red, r.green, r.blue);
    std::fprintf(out, "%5zu  %-24s %9d  %-11s %5d%%  %s\n", i + 1, r.name.c_str(), r.triangles,
                 colour, r.transparency, r.texture.empty() ? "-" : r.texture.c_str());
  }
  std::fprintf(out, "total: %d layers, %ld triangles\n", n_layers, total);
  if (total > 0) {
    std::fprintf(out, "bounds: x %g .. %g, y %g .. %g, z %g .. %g\n", lo[0], hi[0], lo[1], hi[1],
                 lo[2], hi[2]);
  }
  return QEV_READ_OK;
}
