// QEV_3DS scene API: a whole 3DS file as one C++17 value, in file order, as
// the reader parsed it.
//
// The thirteen C functions answer one material per layer (the one its first
// face group names), the low 8 smoothing bits and the mapping of textured
// layers only. This API reports everything the walk found: every face group,
// every material with both diffuse colours, specular, shininess and tiling,
// the full 32-bit smoothing words, edge flags and the file's own vertex and
// mapping arrays. It uses the same parse, with the same bounds on memory and
// time, and holds no process-wide state: any number of threads may read
// files at once, each into its own Scene.
#ifndef QEV_3DS_SCENE_HPP
#define QEV_3DS_SCENE_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qev3ds {

// The statuses of QEV_READ_3DS_FILENAME, with the same values.
enum ReadStatus : int {
  read_ok = 0,      // parsed
  cannot_open = 1,  // the file cannot be opened for reading
  cannot_seek = 2,  // positioning at the end of the file was refused
  cannot_tell = 3,  // the file position cannot be taken
  not_3ds = 4,      // not a 3DS file, or a read, seek or allocation failed while parsing
};

// A colour as the file holds it: bytes 0 to 255, or float colours times 256
// truncated to 16 bits (1.0 gives 256).
struct Rgb {
  std::int16_t red = 0, green = 0, blue = 0;
  bool is_black() const { return red == 0 && green == 0 && blue == 0; }
  bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

struct Face {
  std::uint16_t a, b, c;    // 0-based indices into the mesh's vertices, in the file's order
  std::uint16_t flags;      // edge visibility: bit 2 a-b, bit 1 b-c, bit 0 c-a
  std::uint32_t smoothing;  // smoothing-group bits; bit k is group k + 1
  bool operator==(const Face& o) const {
    return a == o.a && b == o.b && c == o.c && flags == o.flags && smoothing == o.smoothing;
  }
  bool operator!=(const Face& o) const { return !(*this == o); }
};

// The faces of a mesh that one material name covers (an MSH_MAT_GROUP). A
// mesh without any has one group named "WG_DEFAULT" covering every face.
struct FaceGroup {
  std::string material;  // at most 49 characters, as every name the reader keeps
  std::int32_t count = 0;
  // The face indices as listed; empty when the group covers faces 0 to
  // count - 1 (a count of 0 in the file, or the default group).
  std::vector<std::uint16_t> indices;

  // The j-th face index of the group, 0 <= j < count.
  std::uint16_t face(std::int32_t j) const {
    return indices.empty() ? static_cast<std::uint16_t>(j) : indices[static_cast<std::size_t>(j)];
  }
  bool operator==(const FaceGroup& o) const {
    return material == o.material && count == o.count && indices == o.indices;
  }
  bool operator!=(const FaceGroup& o) const { return !(*this == o); }
};

// One N_TRI_OBJECT, named after its NAMED_OBJECT.
struct Mesh {
  std::string name;
  std::vector<float> vertices;  // x, y, z per vertex (POINT_ARRAY)
  std::vector<float> mapping;   // u, v per vertex (TEX_VERTS), possibly fewer than vertices
  std::vector<Face> faces;      // indices are as the file has them, not checked
  std::vector<FaceGroup> groups;

  std::size_t vertex_count() const { return vertices.size() / 3; }
  std::size_t mapping_count() const { return mapping.size() / 2; }
  // Floats compare by value: a mesh holding NaN equals nothing.
  bool operator==(const Mesh& o) const {
    return name == o.name && vertices == o.vertices && mapping == o.mapping && faces == o.faces &&
           groups == o.groups;
  }
  bool operator!=(const Mesh& o) const { return !(*this == o); }
};

struct Material {
  std::string name;
  Rgb diffuse[2];                 // first and second colour of MAT_DIFFUSE
  Rgb specular[2];                // first and second colour of MAT_SPECULAR
  std::int16_t shininess = 0;     // percentage
  std::int16_t transparency = 0;  // percentage
  std::string texture;            // MAT_MAPNAME; empty when the material has no texture map
  std::uint16_t map_tiling = 0;
  std::uint16_t map_percentage = 0;
  bool operator==(const Material& o) const {
    return name == o.name && diffuse[0] == o.diffuse[0] && diffuse[1] == o.diffuse[1] &&
           specular[0] == o.specular[0] && specular[1] == o.specular[1] &&
           shininess == o.shininess && transparency == o.transparency && texture == o.texture &&
           map_tiling == o.map_tiling && map_percentage == o.map_percentage;
  }
  bool operator!=(const Material& o) const { return !(*this == o); }
};

struct Scene {
  std::uint32_t version = 0;        // of M3D_VERSION
  std::vector<Mesh> meshes;         // one per N_TRI_OBJECT, in file order
  std::vector<Material> materials;  // one per MAT_ENTRY, in file order
  bool operator==(const Scene& o) const {
    return version == o.version && meshes == o.meshes && materials == o.materials;
  }
  bool operator!=(const Scene& o) const { return !(*this == o); }
};

struct ReadResult {
  int status = not_3ds;  // a ReadStatus; the scene is empty unless it is read_ok
  Scene scene;
};

// Reads the 3DS file at path. Statuses 0 to 4 as QEV_READ_3DS_FILENAME
// gives them. Never throws.
ReadResult read_scene(const std::string& path) noexcept;

// Reads a 3DS file held in memory: read_ok or not_3ds. Never throws.
ReadResult read_scene(const void* bytes, std::size_t size) noexcept;

// ---- limits and status texts ------------------------------------------------

// What one file and one layer hold, for every writer of this library.
namespace limits {
inline constexpr std::size_t layers = 1400;  // layers a LayerWriter or the thirteen functions write
inline constexpr std::size_t triangles = 40000;  // triangles of one layer
inline constexpr std::size_t vertices = 40000;   // welded vertices (and mapping pairs) of one layer
inline constexpr std::size_t textured_triangles =
    13333;  // a textured layer's triangles: three vertices of their own each
inline constexpr std::size_t layer_name =
    76;  // characters of a layer name (its material adds "MAT")
inline constexpr std::size_t texture_name = 79;  // characters of a texture name
inline constexpr std::size_t name_kept = 49;     // characters of any name a reader keeps
inline constexpr std::size_t mesh_items =
    65535;  // vertices, mapping pairs, faces, group faces of a mesh in write_scene
}  // namespace limits

// A sentence for a status of read_scene (0 to 4), write_scene, LayerWriter
// or the thirteen functions (0 and the negative refusals).
const char* status_text(int status) noexcept;

// ---- writing a whole scene --------------------------------------------------

// The statuses of write_scene; the negative values are those of the C
// functions' refusals with the same meaning.
enum WriteStatus : int {
  write_ok = 0,
  write_out_of_range =
      -2,  // a count or an index the format cannot hold (over 65,535), or arrays of odd size
  write_too_long = -4,  // a name longer than the 49 characters a reader keeps, or one holding a NUL
  write_cannot_create = -6,  // the file cannot be created
  write_io = -7,             // writing, closing or renaming the file failed
  write_not_finite = -9,     // a coordinate or mapping value that is not a finite number
};

struct WriteResult {
  int status = write_ok;  // a WriteStatus
  std::string message;    // what was refused, naming the mesh or material and the limit
  bool ok() const { return status == write_ok; }
};

// Writes scene as a 3DS file: every mesh's own vertex and mapping arrays and
// faces (indices, edge flags, the full smoothing words), every face group
// and every material with all its fields. For every scene read_scene
// returns, read_scene of the written file equals it. A scene the format
// cannot hold is refused before anything is written. The file is written
// under a temporary name beside path and renamed over it once whole, so a
// failure leaves whatever was at path untouched. Never throws.
WriteResult write_scene(const std::string& path, const Scene& scene) noexcept;

// The same into bytes (replaced), for callers that keep files themselves.
WriteResult write_scene(const Scene& scene, std::vector<std::uint8_t>& bytes) noexcept;

// ---- writing layers as the thirteen functions do ----------------------------

// One layer in the shape the thirteen writing functions take: a mesh with a
// material of its own named after it (name + "MAT").
struct Layer {
  std::string name;                           // at most 76 characters
  std::int32_t red = 0, green = 0, blue = 0;  // the low 8 bits reach the file
  std::int32_t transparency = 0;              // percent
  std::string texture;                  // empty for an untextured layer; at most 79 characters
  std::vector<float> corners;           // x, y, z of three corners per triangle
  std::vector<float> mapping;           // u, v of three corners per triangle; empty reads as zeros
  std::vector<std::int32_t> smoothing;  // group bits per triangle; empty reads as 0
  std::size_t triangle_count() const { return corners.size() / 9; }
};

// The welding writer of the thirteen functions as a value of its own: the
// same bytes for the same layers, the same statuses, but any number of
// writers may work at once, each on its own file and thread. A writer holds
// about 5 MB of tables (on the heap); reuse one for many files.
class LayerWriter {
 public:
  LayerWriter();
  ~LayerWriter();
  LayerWriter(LayerWriter&&) noexcept;
  LayerWriter& operator=(LayerWriter&&) noexcept;

  // Writes layers to path in the thirteen functions' calling order, every
  // edge visible. status is what QEV_PUT_3DS_END would return (0, or a
  // negative refusal) unless a call before it refused (the first refusal,
  // with the layer and triangle in message); arrays that are not whole
  // triangles are refused before anything is written. The file is written
  // beside path and renamed over it only when whole. Never throws.
  WriteResult write(const std::string& path, const std::vector<Layer>& layers) noexcept;

 private:
  struct State;
  State* state_;
};

// ---- which material and colour a face gets ---------------------------------

// The grey of every colour component that has no usable colour.
inline constexpr std::int16_t kGrey = 180;

// Materials by name: the earliest material of a name wins, names compare
// byte for byte. Valid while the scene's materials are not changed.
class MaterialIndex {
 public:
  explicit MaterialIndex(const Scene& scene);
  const Material* find(std::string_view name) const;

 private:
  const Scene* scene_;
  std::unordered_map<std::string_view, std::size_t> by_name_;
};

// What a face looks like.
struct Look {
  const Material* material = nullptr;  // null when no material has the name
  std::string_view material_name;      // the name the face's group gives
  Rgb colour;                          // second diffuse colour, else the first, else grey
  std::int32_t transparency = 0;
  std::string_view texture;  // empty when untextured
};

// The look of layer mesh as the thirteen functions report it: the material
// its first face group names.
Look mesh_look(const MaterialIndex& materials, const Mesh& mesh);

// For each face of mesh, the index of the first group that lists it, or -1
// when no group does. Indices past the faces are ignored.
std::vector<std::int32_t> face_groups(const Mesh& mesh);

// The look of a face whose first group is group (as face_groups gives it):
// the material that group names; a face that no group names (group -1)
// looks like its mesh. A one-group mesh's faces therefore look exactly as
// the thirteen functions report the layer.
Look face_look(const MaterialIndex& materials, const Mesh& mesh, std::int32_t group);

}  // namespace qev3ds

#endif  // QEV_3DS_SCENE_HPP
