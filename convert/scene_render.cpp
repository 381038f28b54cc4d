// The picture is drawn in horizontal bands of the supersampled image, each
// band holding at most kBandSamples samples, so memory stays bounded by the
// picture's own bytes whatever its size; every band draws the opaque faces,
// then the translucent ones, then is averaged into the picture.
#include "scene_render.h"

#include <algorithm>
#include <cstdlib>

#include "import_warnings.h"
#include "keyframer_pose.h"
#include "render_camera.h"
#include "render_faces.h"
#include "render_image.h"
#include "render_raster.h"
#include "render_texture.h"

namespace qev::convert {

namespace {

constexpr int kSupersample = 2;  // samples per pixel along each axis
constexpr long long kBandSamples = 1 << 18;

// The view's own yaw and pitch, degrees.
void view_angles(View view, double& yaw, double& pitch) {
  yaw = 0, pitch = 0;
  switch (view) {
    case View::iso:
      yaw = 45, pitch = 30;
      break;
    case View::front:
      break;
    case View::back:
      yaw = 180;
      break;
    case View::right:
      yaw = 90;
      break;
    case View::left:
      yaw = -90;
      break;
    case View::top:
      pitch = 90;
      break;
    case View::bottom:
      pitch = -90;
      break;
  }
}

bool size_allowed(int width, int height) {
  return width >= 1 && height >= 1 && width <= kMaxRenderSide && height <= kMaxRenderSide &&
         static_cast<long long>(width) * height <= kMaxRenderPixels;
}

}  // namespace

bool parse_size(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find_first_of("xX");
  auto side = [](const std::string& s, int& out) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos)
      return false;
    out = std::atoi(s.c_str());
    return true;
  };
  int w = 0, h = 0;
  if (x == std::string::npos) {
    if (!side(text, w)) return false;
    h = w;
  } else if (!side(text.substr(0, x), w) || !side(text.substr(x + 1), h)) {
    return false;
  }
  if (!size_allowed(w, h)) return false;
  width = w, height = h;
  return true;
}

bool render_png(const qev3ds::Scene& scene, const RenderOptions& options, const std::string& path,
                std::string& error) {
  if (!size_allowed(options.width, options.height)) {
    error = "cannot draw " + std::to_string(options.width) + "x" + std::to_string(options.height) +
            " pixels: at most " + std::to_string(kMaxRenderSide) + " a side and " +
            std::to_string(kMaxRenderPixels) + " in all";
    return false;
  }
  double yaw = 0, pitch = 0;
  view_angles(options.view, yaw, pitch);
  FaceSettings settings;
  settings.camera = camera_at(yaw + options.yaw, pitch + options.pitch);
  settings.width = options.width * kSupersample;
  settings.height = options.height * kSupersample;
  settings.force_two_sided = options.force_two_sided;
  TextureCache textures(options.textures, ImportWarnings(options.warnings));
  qev3ds::Scene instanced;
  std::vector<std::string> lost;
  const qev3ds::Scene& shown = scene_with_instances(scene, instanced, &lost);
  for (const std::string& w : lost) ImportWarnings(options.warnings).add(w);
  const SceneTriangles triangles = scene_triangles(shown, settings, textures);

  Sample background = {0, 0, 0, 0};
  if (!options.transparent_background)
    background = {float(options.background[0]), float(options.background[1]),
                  float(options.background[2]), 255.0f};
  // Whole pixels per band: a multiple of kSupersample rows.
  const int rows_per_band = static_cast<int>(std::clamp<long long>(
      kBandSamples / settings.width / kSupersample * kSupersample, kSupersample, settings.height));
  const int bands = (settings.height + rows_per_band - 1) / rows_per_band;
  // Each band's triangles, opaque ones first, each list in drawing order.
  std::vector<std::vector<const RasterTriangle*>> in_band(static_cast<std::size_t>(bands));
  for (const std::vector<RasterTriangle>* list : {&triangles.opaque, &triangles.translucent})
    for (const RasterTriangle& t : *list) {
      const int first = std::clamp(Band::first_row(t), 0, settings.height - 1) / rows_per_band;
      const int last = std::clamp(Band::last_row(t), 0, settings.height - 1) / rows_per_band;
      for (int k = first; k <= last; ++k) in_band[static_cast<std::size_t>(k)].push_back(&t);
    }
  double total = 0, done = 0;
  for (const auto& list : in_band) total += static_cast<double>(list.size());

  Band band(settings.width, rows_per_band);
  Picture picture(options.width, options.height, options.transparent_background ? 4 : 3);
  for (int k = 0; k < bands; ++k) {
    band.clear(k * rows_per_band, background);
    for (const RasterTriangle* t : in_band[static_cast<std::size_t>(k)]) {
      band.draw(*t);
      ++done;
      if (options.progress) options.progress(done, total);
    }
    picture.take_band(band, kSupersample);
  }
  return picture.write_png(path, error);
}

}  // namespace qev::convert
