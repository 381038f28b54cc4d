#include "render_faces.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "map_placement.h"
#include "render_texture.h"
#include "smooth_normals.h"

namespace qev::convert {
namespace {

struct Lights {
  Vec3 key, fill;
};

// Both in the camera's frame, so every view shows its faces' angles.
Lights lights_for(const Camera& cam) {
  const auto in_world = [&](double r, double u, double f) {
    return unit({r * cam.right[0] + u * cam.up[0] + f * cam.forward[0],
                 r * cam.right[1] + u * cam.up[1] + f * cam.forward[1],
                 r * cam.right[2] + u * cam.up[2] + f * cam.forward[2]});
  };
  return {in_world(-0.35, 0.75, -0.55), in_world(0.6, -0.3, -0.4)};
}

float shade_of(const Vec3& normal, const Lights& lights) {
  const double key = std::max(0.0, dot(normal, lights.key));
  const double fill = std::max(0.0, dot(normal, lights.fill));
  return static_cast<float>(0.28 + 0.62 * key + 0.14 * fill);
}

float byte_of(std::int16_t c) { return static_cast<float>(std::clamp<std::int16_t>(c, 0, 255)); }

// A coordinate of the picture, in fixed point, kept inside what the
// rasterizer's integers hold whatever the input.
std::int32_t fixed(double v) {
  const double f = std::floor(v * (1 << kSubpixelBits) + 0.5);
  return static_cast<std::int32_t>(std::clamp(f, -67108864.0, 67108864.0));  // 2^26
}

struct Projected {
  double x, y, z;
};

}  // namespace

SceneTriangles scene_triangles(const qev3ds::Scene& scene, const FaceSettings& settings,
                               TextureCache& textures) {
  const Camera& cam = settings.camera;
  const Lights lights = lights_for(cam);
  const qev3ds::MaterialIndex materials(scene);

  // Every vertex in the camera's frame, and the extent of those used.
  std::vector<std::vector<Projected>> projected(scene.meshes.size());
  std::vector<std::vector<bool>> usable(scene.meshes.size());
  std::size_t drawable = 0;
  double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
    const qev3ds::Mesh& mesh = scene.meshes[m];
    const std::size_t n = mesh.vertex_count();
    std::vector<Projected>& p = projected[m];
    p.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      const Vec3 v = {mesh.vertices[3 * i], mesh.vertices[3 * i + 1], mesh.vertices[3 * i + 2]};
      p[i] = {dot(v, cam.right), dot(v, cam.up), dot(v, cam.forward)};
    }
    std::vector<bool>& ok = usable[m];
    ok.assign(mesh.faces.size(), false);
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      const qev3ds::Face& face = mesh.faces[f];
      if (face.a >= n || face.b >= n || face.c >= n) continue;
      const Projected* c[3] = {&p[face.a], &p[face.b], &p[face.c]};
      bool finite = true;
      for (const Projected* k : c)
        finite = finite && std::isfinite(k->x) && std::isfinite(k->y) && std::isfinite(k->z);
      if (!finite) continue;
      ok[f] = true;
      ++drawable;
      for (const Projected* k : c) {
        lo[0] = std::min(lo[0], k->x), hi[0] = std::max(hi[0], k->x);
        lo[1] = std::min(lo[1], k->y), hi[1] = std::max(hi[1], k->y);
        lo[2] = std::min(lo[2], k->z), hi[2] = std::max(hi[2], k->z);
      }
    }
  }
  SceneTriangles out;
  if (!(lo[0] <= hi[0])) return out;  // nothing to draw

  const double w = settings.width, h = settings.height;
  const double span = std::max({hi[0] - lo[0], hi[1] - lo[1], 1e-30});
  const double margin = 0.06 * std::min(w, h);
  const double fit = std::min((w - 2 * margin) / std::max(hi[0] - lo[0], span * 1e-9),
                              (h - 2 * margin) / std::max(hi[1] - lo[1], span * 1e-9));
  const double cx = (lo[0] + hi[0]) / 2, cy = (lo[1] + hi[1]) / 2, cz = (lo[2] + hi[2]) / 2;

  out.opaque.reserve(drawable);
  std::vector<double> translucent_depth;
  for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
    const qev3ds::Mesh& mesh = scene.meshes[m];
    const std::vector<Projected>& p = projected[m];
    const std::vector<Normal> normals = corner_normals(mesh);
    const std::vector<std::int32_t> group_of = qev3ds::face_groups(mesh);
    // A face's look depends on its group alone: found once per group (the
    // last slot for faces that no group lists).
    std::vector<std::optional<qev3ds::Look>> look_of_group(mesh.groups.size() + 1);
    const std::size_t mapped = mesh.mapping_count();
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
      if (!usable[m][f]) continue;
      const qev3ds::Face& face = mesh.faces[f];
      const std::size_t idx[3] = {face.a, face.b, face.c};
      // Which side the viewer sees, from the face's own winding.
      const float* a = &mesh.vertices[3 * idx[0]];
      const float* b = &mesh.vertices[3 * idx[1]];
      const float* c = &mesh.vertices[3 * idx[2]];
      const Vec3 e1 = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
      const Vec3 e2 = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
      const bool from_behind = dot(cross(e1, e2), cam.forward) > 0;

      const std::size_t slot =
          group_of[f] < 0 ? mesh.groups.size() : static_cast<std::size_t>(group_of[f]);
      if (!look_of_group[slot])
        look_of_group[slot] = qev3ds::face_look(materials, mesh, group_of[f]);
      const qev3ds::Look& look = *look_of_group[slot];
      // The back of a face shows only where its material is two-sided.
      if (from_behind && !settings.force_two_sided &&
          !(look.material != nullptr && look.material->two_sided))
        continue;

      RasterTriangle t;
      t.colour[0] = byte_of(look.colour.red);
      t.colour[1] = byte_of(look.colour.green);
      t.colour[2] = byte_of(look.colour.blue);
      t.alpha = 1.0f - static_cast<float>(std::clamp(look.transparency, 0, 100)) / 100.0f;
      const bool has_mapping = idx[0] < mapped && idx[1] < mapped && idx[2] < mapped;
      if (!look.texture.empty() && has_mapping && look.material != nullptr) {
        t.texture = textures.find(std::string(look.texture));
        t.texture_weight = map_amount(look);
      }
      const double side = from_behind ? -1 : 1;
      double depth = 0;
      for (int k = 0; k < 3; ++k) {
        const Projected& q = p[idx[k]];
        t.x[k] = fixed(w / 2 + (q.x - cx) * fit);
        t.y[k] = fixed(h / 2 - (q.y - cy) * fit);
        t.z[k] = static_cast<float>(q.z - cz);
        depth += q.z;
        const Normal& nn = normals[3 * f + static_cast<std::size_t>(k)];
        t.shade[k] = shade_of({side * nn[0], side * nn[1], side * nn[2]}, lights);
        if (t.texture != nullptr) {
          t.u[k] = mesh.mapping[2 * idx[k]];
          t.v[k] = mesh.mapping[2 * idx[k] + 1];
          place_uv(look.material->map(qev3ds::map_diffuse), t.u[k], t.v[k]);
        } else {
          t.u[k] = t.v[k] = 0;
        }
      }
      if (t.alpha >= 1) {
        out.opaque.push_back(t);
      } else if (t.alpha > 0) {
        out.translucent.push_back(t);
        translucent_depth.push_back(depth);
      }
    }
  }
  // Far to near; equal depths keep the file's order.
  std::vector<std::size_t> order(out.translucent.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
    return translucent_depth[i] > translucent_depth[j];
  });
  std::vector<RasterTriangle> sorted;
  sorted.reserve(order.size());
  for (const std::size_t i : order) sorted.push_back(out.translucent[i]);
  out.translucent = std::move(sorted);
  return out;
}

}  // namespace qev::convert
