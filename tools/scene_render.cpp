// Each face becomes a cairo mesh-gradient patch whose corners carry the
// lit colour of their normals; faces are painted far to near.
#include "scene_render.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

#include "output_file.h"
#include "smooth_normals.h"

namespace qev::tool {

using namespace qev::convert;
namespace {

using Vec = std::array<double, 3>;

double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec unit(const Vec& v) {
  const double n = std::sqrt(dot(v, v));
  return n > 0 ? Vec{v[0] / n, v[1] / n, v[2] / n} : Vec{0, 0, 1};
}

// The camera: right and up span the picture, forward points into it.
struct Camera {
  Vec right, up, forward;
};

Camera camera_for(View view) {
  Vec eye;  // from the scene towards the viewer, Z up
  switch (view) {
    case View::front:
      eye = {0, -1, 0};
      break;
    case View::top:
      eye = {0, 0, 1};
      break;
    case View::side:
      eye = {1, 0, 0};
      break;
    default:
      eye = unit({1, -1, 0.8});
      break;
  }
  const Vec forward = {-eye[0], -eye[1], -eye[2]};
  const Vec world_up = view == View::top ? Vec{0, 1, 0} : Vec{0, 0, 1};
  const Vec right = unit(cross(forward, world_up));
  return {right, cross(right, forward), forward};
}

struct Corner {
  double x, y;     // in the picture, pixels
  double r, g, b;  // lit colour
};

struct Patch {
  double depth;  // of the centroid along forward; larger is farther
  double alpha;
  std::array<Corner, 3> corners;
};

using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
using ContextPtr = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;

}  // namespace

bool parse_size(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find_first_of("xX");
  auto side = [](const std::string& s, int& out) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos)
      return false;
    out = std::atoi(s.c_str());
    return out >= 1 && out <= 16384;
  };
  if (x == std::string::npos) {
    if (!side(text, width)) return false;
    height = width;
    return true;
  }
  return side(text.substr(0, x), width) && side(text.substr(x + 1), height);
}

bool render_png(const qev3ds::Scene& scene, const RenderOptions& options, const std::string& path,
                std::string& error) {
  const Camera cam = camera_for(options.view);
  // The light comes from over the viewer's left shoulder.
  const Vec light = unit({-0.4 * cam.right[0] + 0.6 * cam.up[0] - cam.forward[0],
                          -0.4 * cam.right[1] + 0.6 * cam.up[1] - cam.forward[1],
                          -0.4 * cam.right[2] + 0.6 * cam.up[2] - cam.forward[2]});
  const qev3ds::MaterialIndex materials(scene);

  std::vector<Patch> patches;
  double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
  for (const qev3ds::Mesh& mesh : scene.meshes) {
    const std::vector<Normal> normals = corner_normals(mesh);
    const std::vector<std::int32_t> group_of = qev3ds::face_groups(mesh);
    // A face's look depends on its group alone: found once per group (the
    // last slot for faces that no group lists).
    std::vector<std::optional<qev3ds::Look>> look_of_group(mesh.groups.size() + 1);
    const std::size_t n = mesh.vertex_count();
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const qev3ds::Face& face = mesh.faces[f];
      if (face.a >= n || face.b >= n || face.c >= n) continue;
      const std::size_t slot =
          group_of[f] < 0 ? mesh.groups.size() : static_cast<std::size_t>(group_of[f]);
      if (!look_of_group[slot])
        look_of_group[slot] = qev3ds::face_look(materials, mesh, group_of[f]);
      const qev3ds::Look& look = *look_of_group[slot];
      Patch p;
      p.alpha = 1.0 - std::clamp(look.transparency, 0, 100) / 100.0;
      p.depth = 0;
      const std::uint16_t idx[3] = {face.a, face.b, face.c};
      bool finite = true;
      for (int c = 0; c < 3; ++c) {
        const float* q = &mesh.vertices[3 * std::size_t(idx[c])];
        const Vec v = {q[0], q[1], q[2]};
        const Normal& nn = normals[3 * f + std::size_t(c)];
        // Both sides of a face are lit alike: many 3DS models are not closed.
        const double lambert = std::fabs(dot({nn[0], nn[1], nn[2]}, light));
        const double shade = 0.3 + 0.7 * lambert;
        Corner& k = p.corners[std::size_t(c)];
        k.x = dot(v, cam.right);
        k.y = dot(v, cam.up);
        k.r = std::clamp(look.colour.red, std::int16_t(0), std::int16_t(255)) / 255.0 * shade;
        k.g = std::clamp(look.colour.green, std::int16_t(0), std::int16_t(255)) / 255.0 * shade;
        k.b = std::clamp(look.colour.blue, std::int16_t(0), std::int16_t(255)) / 255.0 * shade;
        p.depth += dot(v, cam.forward) / 3.0;
        finite = finite && std::isfinite(k.x) && std::isfinite(k.y) && std::isfinite(p.depth);
      }
      if (!finite) continue;
      for (const Corner& k : p.corners) {
        lo[0] = std::min(lo[0], k.x), hi[0] = std::max(hi[0], k.x);
        lo[1] = std::min(lo[1], k.y), hi[1] = std::max(hi[1], k.y);
      }
      patches.push_back(p);
    }
  }

  // Drawn at twice the size without antialiasing, so that faces meet
  // without seams, then scaled down smoothly.
  const int scale = 2, w = options.width * scale, h = options.height * scale;
  SurfacePtr big(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h), cairo_surface_destroy);
  if (cairo_surface_status(big.get()) != CAIRO_STATUS_SUCCESS) {
    error = "cannot make a picture of " + std::to_string(options.width) + "x" +
            std::to_string(options.height);
    return false;
  }
  ContextPtr cr(cairo_create(big.get()), cairo_destroy);
  cairo_set_source_rgb(cr.get(), 0.93, 0.94, 0.96);
  cairo_paint(cr.get());
  if (!patches.empty()) {
    const double span = std::max({hi[0] - lo[0], hi[1] - lo[1], 1e-30});
    const double margin = 0.06 * std::min(w, h);
    const double fit = std::min((w - 2 * margin) / std::max(hi[0] - lo[0], span * 1e-9),
                                (h - 2 * margin) / std::max(hi[1] - lo[1], span * 1e-9));
    const double cx = (lo[0] + hi[0]) / 2, cy = (lo[1] + hi[1]) / 2;
    std::stable_sort(patches.begin(), patches.end(),
                     [](const Patch& a, const Patch& b) { return a.depth > b.depth; });
    cairo_set_antialias(cr.get(), CAIRO_ANTIALIAS_NONE);
    for (const Patch& p : patches) {
      // The triangle in pixels, once for its gradient and once for its path.
      double x[3], y[3];
      for (std::size_t c = 0; c < 3; ++c) {
        x[c] = w / 2.0 + (p.corners[c].x - cx) * fit;
        y[c] = h / 2.0 - (p.corners[c].y - cy) * fit;
      }
      cairo_pattern_t* mesh = cairo_pattern_create_mesh();
      cairo_mesh_pattern_begin_patch(mesh);
      cairo_mesh_pattern_move_to(mesh, x[0], y[0]);
      cairo_mesh_pattern_line_to(mesh, x[1], y[1]);
      cairo_mesh_pattern_line_to(mesh, x[2], y[2]);
      for (unsigned c = 0; c < 3; ++c) {
        const Corner& k = p.corners[c];
        cairo_mesh_pattern_set_corner_color_rgba(mesh, c, k.r, k.g, k.b, p.alpha);
      }
      cairo_mesh_pattern_end_patch(mesh);
      cairo_set_source(cr.get(), mesh);
      cairo_move_to(cr.get(), x[0], y[0]);
      cairo_line_to(cr.get(), x[1], y[1]);
      cairo_line_to(cr.get(), x[2], y[2]);
      cairo_close_path(cr.get());
      cairo_fill(cr.get());
      cairo_pattern_destroy(mesh);
    }
  }

  SurfacePtr out(cairo_image_surface_create(CAIRO_FORMAT_RGB24, options.width, options.height),
                 cairo_surface_destroy);
  ContextPtr small(cairo_create(out.get()), cairo_destroy);
  cairo_scale(small.get(), 1.0 / scale, 1.0 / scale);
  cairo_set_source_surface(small.get(), big.get(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(small.get()), CAIRO_FILTER_GOOD);
  cairo_paint(small.get());
  cairo_surface_flush(out.get());
  OutputFile file;
  if (!file.open(path, error)) return false;
  const auto append = [](void* stream, const unsigned char* data, unsigned int length) {
    static_cast<std::ostream*>(stream)->write(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
  };
  if (cairo_surface_write_to_png_stream(out.get(), append, &file.stream()) !=
      CAIRO_STATUS_SUCCESS) {
    error = "cannot encode the picture as PNG";
    return false;
  }
  return file.commit(error);
}

}  // namespace qev::tool
