// `qev3ds render`: a shaded picture of a 3DS scene, drawn by the tool's own
// rasterizer (no display, no GPU, no graphics library).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

class ReferencedFiles;

// Where the camera looks from: iso from front-right-above, the others along
// an axis (front along +y, right along -x, top down -z).
enum class View { iso, front, back, top, bottom, left, right };

// The largest picture: 8192 pixels a side and 16,777,216 pixels in all
// (4096 x 4096, 8192 x 2048), checked before anything is allocated. Drawing
// then holds at most the picture, a band of samples and the PNG's bytes.
inline constexpr int kMaxRenderSide = 8192;
inline constexpr long long kMaxRenderPixels = 16777216;

struct RenderOptions {
  int width = 800, height = 600;
  View view = View::iso;
  double yaw = 0, pitch = 0;  // degrees, added to the view's own
  // The colour behind the scene; transparent_background leaves it clear
  // (a PNG with alpha).
  unsigned char background[3] = {237, 240, 245};
  bool transparent_background = false;
  // A face seen from behind is drawn only when its material is two-sided,
  // as the files' own viewers draw it; true draws both sides of every face
  // (for open models whose materials lack the flag).
  bool force_two_sided = false;
  // Where texture maps are looked up; null draws textured faces in their
  // colour, with a warning.
  const ReferencedFiles* textures = nullptr;
  // Warnings (a texture not found or not decodable) go here, or to stderr
  // when null.
  std::vector<std::string>* warnings = nullptr;
  // Told how many of the triangles' band passes are drawn, of how many;
  // called often, so it should be cheap.
  std::function<void(double done, double total)> progress;
};

// Draws every face that faces the viewer or has a two-sided material, in
// its material's colour or texture (placed as the map says), lit so that
// faces at different angles differ in tone, smooth across edges where the
// smoothing groups say so, each sample showing the nearest face (depth per
// sample), translucent faces blended over it far to near, the whole scene
// fitted into the picture (orthographic) and antialiased by 2 x 2
// supersampling. Writes a PNG to path (a temporary file renamed into
// place). False with a message in error when the size is over the limits
// or the picture cannot be written.
bool render_png(const qev3ds::Scene& scene, const RenderOptions& options, const std::string& path,
                std::string& error);

// "800x600" or "256" (a square); false when text is neither, a side is
// outside 1 to kMaxRenderSide, or the picture exceeds kMaxRenderPixels.
bool parse_size(const std::string& text, int& width, int& height);

}  // namespace qev::convert
