#include "stl_export.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "face_corners.h"
#include "output_file.h"
#include "smooth_normals.h"

namespace qev::convert {
namespace {

void put_u32(std::ostream& out, std::uint32_t v) {
  const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16),
                              static_cast<unsigned char>(v >> 24)};
  out.write(reinterpret_cast<const char*>(b), 4);
}

void put_f32(std::ostream& out, float f) {
  std::uint32_t v;
  std::memcpy(&v, &f, sizeof v);
  put_u32(out, v);
}

enum class Kept { yes, outside, not_finite };

// Whether a face is written: its corners inside the mesh's vertices and
// finite.
Kept kind_of(const qev3ds::Mesh& m, const qev3ds::Face& f) {
  const std::size_t n = m.vertex_count();
  if (f.a >= n || f.b >= n || f.c >= n) return Kept::outside;
  return finite_corners(m, f) ? Kept::yes : Kept::not_finite;
}

}  // namespace

bool write_stl(const qev3ds::Scene& scene, const std::string& path, StlExport& result,
               std::string& error) {
  result = StlExport{};
  std::size_t total = 0;
  for (const qev3ds::Mesh& m : scene.meshes) {
    for (const qev3ds::Face& f : m.faces) {
      switch (kind_of(m, f)) {
        case Kept::yes:
          ++total;
          break;
        case Kept::outside:
          ++result.faces_skipped;
          break;
        case Kept::not_finite:
          ++result.faces_not_finite;
          break;
      }
    }
  }
  if (total > std::numeric_limits<std::uint32_t>::max()) {
    error = "too many triangles for one STL file";
    return false;
  }
  OutputFile file;
  if (!file.open(path, error)) return false;
  std::ostream& out = file.stream();
  char header[80] = {};
  std::strncpy(header, "binary STL written by qev3ds", sizeof header - 1);
  out.write(header, sizeof header);
  put_u32(out, static_cast<std::uint32_t>(total));
  for (const qev3ds::Mesh& m : scene.meshes) {
    for (const qev3ds::Face& f : m.faces) {
      if (kind_of(m, f) != Kept::yes) continue;
      const float* c[3] = {&m.vertices[3 * std::size_t(f.a)], &m.vertices[3 * std::size_t(f.b)],
                           &m.vertices[3 * std::size_t(f.c)]};
      for (const float v : face_normal(c[0], c[1], c[2])) put_f32(out, v);
      for (const float* p : c)
        for (int i = 0; i < 3; ++i) put_f32(out, p[i]);
      out.write("\0\0", 2);  // attribute byte count
      ++result.triangles;
    }
  }
  return file.commit(error);
}

}  // namespace qev::convert
