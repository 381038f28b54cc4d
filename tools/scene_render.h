// `qev3ds render`: a shaded picture of a 3DS scene, drawn with cairo.
#pragma once

#include <string>

#include "qev_3ds_scene.hpp"

namespace qev::tool {

enum class View { iso, front, top, side };

struct RenderOptions {
  int width = 800, height = 600;
  View view = View::iso;
};

// Draws every face in its material's colour, lit by a fixed light from the
// viewer's upper left, smooth across edges where the smoothing groups say so
// (colours blended between corners), nearer faces over farther ones, the
// whole scene fitted into the picture (orthographic). Writes a PNG to path.
// False with a message in error when the picture cannot be made or written.
bool render_png(const qev3ds::Scene& scene, const RenderOptions& options, const std::string& path,
                std::string& error);

// "800x600" or "256" (a square); false when text is neither or a side is
// outside 1 to 16384.
bool parse_size(const std::string& text, int& width, int& height);

}  // namespace qev::tool
