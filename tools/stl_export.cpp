#include "stl_export.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>

#include "smooth_normals.h"

namespace qev::tool {
namespace {

void put_u32(std::ostream& out, std::uint32_t v) {
  const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  out.write(reinterpret_cast<const char*>(b), 4);
}

void put_f32(std::ostream& out, float f) {
  std::uint32_t v;
  std::memcpy(&v, &f, sizeof v);
  put_u32(out, v);
}

}  // namespace

bool write_stl(const qev3ds::Scene& scene, const std::string& path, StlExport& result, std::string& error) {
  result = StlExport{};
  std::size_t total = 0;
  for (const qev3ds::Mesh& m : scene.meshes) {
    const std::size_t n = m.vertex_count();
    for (const qev3ds::Face& f : m.faces) (f.a < n && f.b < n && f.c < n ? total : result.faces_skipped)++;
  }
  if (total > std::numeric_limits<std::uint32_t>::max()) {
    error = "too many triangles for one STL file";
    return false;
  }
  std::ofstream out(path, std::ios::binary);
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  char header[80] = {};
  std::strncpy(header, "binary STL written by qev3ds", sizeof header - 1);
  out.write(header, sizeof header);
  put_u32(out, static_cast<std::uint32_t>(total));
  for (const qev3ds::Mesh& m : scene.meshes) {
    const std::size_t n = m.vertex_count();
    for (const qev3ds::Face& f : m.faces) {
      if (f.a >= n || f.b >= n || f.c >= n) continue;
      const float* c[3] = {&m.vertices[3 * std::size_t(f.a)], &m.vertices[3 * std::size_t(f.b)],
                           &m.vertices[3 * std::size_t(f.c)]};
      for (const float v : face_normal(c[0], c[1], c[2])) put_f32(out, v);
      for (const float* p : c)
        for (int i = 0; i < 3; ++i) put_f32(out, p[i]);
      out.write("\0\0", 2);  // attribute byte count
      ++result.triangles;
    }
  }
  out.flush();
  if (!out) {
    error = "writing " + path + " failed";
    return false;
  }
  return true;
}

}  // namespace qev::tool
