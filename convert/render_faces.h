// The faces of a scene as `qev3ds render` draws them: projected into the
// supersampled picture, lit, coloured and textured.
#pragma once

#include <vector>

#include "qev_3ds_scene.hpp"
#include "render_camera.h"
#include "render_raster.h"

namespace qev::convert {

class TextureCache;

struct FaceSettings {
  Camera camera;
  int width = 1, height = 1;  // of the supersampled picture
  // true: both sides of every face are drawn; false: a face seen from
  // behind is drawn only when its material is two-sided.
  bool force_two_sided = false;
};

struct SceneTriangles {
  std::vector<RasterTriangle> opaque;
  std::vector<RasterTriangle> translucent;  // sorted far to near
};

// Every face whose corners exist and are finite numbers, the whole scene
// fitted into the picture with a margin. Faces take their colour from
// face_look; where the material has a texture map that textures finds and
// the mesh has mapping coordinates for the corners, the texture is laid on
// as the glTF writer lays it (map_amount, place_uv). A key light from
// over the viewer's left shoulder and a weak fill from the lower right, plus
// ambient light, shade the smoothing groups' corner normals; a face seen
// from behind is lit as its front would be.
SceneTriangles scene_triangles(const qev3ds::Scene& scene, const FaceSettings& settings,
                               TextureCache& textures);

}  // namespace qev::convert
