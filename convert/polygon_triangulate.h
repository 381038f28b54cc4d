// Polygons as triangles: ear clipping in the plane of the polygon, for the
// concave faces and keyhole faces (a hole joined to the outline by an edge
// walked twice) that OBJ files hold.
#pragma once

#include <cstddef>
#include <vector>

namespace qev::convert {

struct PolygonTriangles {
  // Three corner numbers (0 .. count - 1) per triangle, each triangle turning
  // as the polygon does. Corners on a straight run, repeated corners and the
  // tips of spikes are in no triangle: they enclose nothing.
  std::vector<std::size_t> corners;
  // Ear clipping could not go on (a polygon that crosses itself, or one too
  // large for the work allowed) and what was left became a fan from one
  // corner, which may cover the wrong area.
  bool fan = false;
};

// Triangulates the polygon of count corners at xyz (x, y, z per corner),
// projected onto the plane of its Newell normal. A polygon without area
// (every corner on one line) becomes a fan, which covers nothing.
PolygonTriangles triangulate_polygon(const float* xyz, std::size_t count);

}  // namespace qev::convert
