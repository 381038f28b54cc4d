// QEV_3DS scene API: a whole 3DS file as one C++17 value, in file order, as
// the reader parsed it.
//
// The thirteen C functions answer one material per layer (the one its first
// face group names), the low 8 smoothing bits and the mapping of textured
// layers only. This API reports everything the walk found: every face group,
// every material with both diffuse colours, specular, shininess and tiling,
// the full 32-bit smoothing words, edge flags and the file's own vertex and
// mapping arrays, every texture map and its placement, mesh frames,
// cameras, lights and the keyframer. It uses the same parse, with the same bounds on memory and
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

// ---- what a scene shows beyond its faces ------------------------------------

// One texture map of a material: MAT_TEXMAP and its kin. Fields not in the
// file keep their defaults, and the writer leaves a map whose fields are all
// default out of the file.
struct TextureMap {
  std::string name;             // MAT_MAPNAME
  std::int16_t percentage = 0;  // INT_PERCENTAGE: the amount, 0 to 100 (0 also when absent)
  std::uint16_t tiling = 0;     // MAT_MAP_TILING flags
  float blur = 0.0f;            // MAT_MAP_TEXBLUR
  float u_scale = 1.0f, v_scale = 1.0f;    // MAT_MAP_USCALE, MAT_MAP_VSCALE
  float u_offset = 0.0f, v_offset = 0.0f;  // MAT_MAP_UOFFSET, MAT_MAP_VOFFSET
  float rotation = 0.0f;                   // MAT_MAP_ANG, degrees
  // True when the map has a placement other than the identity.
  bool placed() const {
    return u_scale != 1.0f || v_scale != 1.0f || u_offset != 0.0f || v_offset != 0.0f ||
           rotation != 0.0f;
  }
  bool operator==(const TextureMap& o) const {
    return name == o.name && percentage == o.percentage && tiling == o.tiling && blur == o.blur &&
           u_scale == o.u_scale && v_scale == o.v_scale && u_offset == o.u_offset &&
           v_offset == o.v_offset && rotation == o.rotation;
  }
  bool operator!=(const TextureMap& o) const { return !(*this == o); }
};

// The maps a material may hold, in the order of Material::maps.
enum MapKind : int {
  map_diffuse = 0,  // MAT_TEXMAP
  map_opacity,      // MAT_OPACMAP
  map_bump,         // MAT_BUMPMAP
  map_specular,     // MAT_SPECMAP
  map_shininess,    // MAT_SHINMAP
  map_self_illum,   // MAT_SELFIMAP
  map_reflection,   // MAT_REFLMAP
  map_second,       // MAT_TEX2MAP
  map_kinds
};

// One animation key: its frame, its spline flags and the spline parameters
// they announce (bit 0 tension, 1 continuity, 2 bias, 3 ease to, 4 ease
// from; the others 0), and up to four values (as many as the track's kind
// holds: position and scale x, y, z; rotation angle in radians and axis
// x, y, z; one value for field of view, roll, hotspot and falloff; a colour
// r, g, b; none for hide).
struct Key {
  std::uint32_t frame = 0;
  std::uint16_t flags = 0;
  float spline[5] = {0, 0, 0, 0, 0};
  float value[4] = {0, 0, 0, 0};
  bool operator==(const Key& o) const {
    for (int i = 0; i < 5; ++i)
      if (spline[i] != o.spline[i]) return false;
    for (int i = 0; i < 4; ++i)
      if (value[i] != o.value[i]) return false;
    return frame == o.frame && flags == o.flags;
  }
  bool operator!=(const Key& o) const { return !(*this == o); }
};

// A track of a keyframer node, as the file holds it.
struct Track {
  std::uint16_t kind = 0;  // the chunk id: POS_TRACK_TAG (0xB020) to HIDE_TRACK_TAG (0xB029)
  std::uint16_t flags = 0;
  std::vector<Key> keys;
  bool operator==(const Track& o) const {
    return kind == o.kind && flags == o.flags && keys == o.keys;
  }
  bool operator!=(const Track& o) const { return !(*this == o); }
};

// The track kinds read and written; a node's other tracks (morph) are skipped.
inline constexpr std::uint16_t track_position = 0xB020, track_rotation = 0xB021,
                               track_scale = 0xB022, track_fov = 0xB023, track_roll = 0xB024,
                               track_colour = 0xB025, track_hotspot = 0xB027,
                               track_falloff = 0xB028, track_hide = 0xB029;

// The numbers a key of a track kind holds, or -1 for a kind not kept.
inline int track_values(std::uint16_t kind) {
  switch (kind) {
    case track_position:
    case track_scale:
    case track_colour:
      return 3;
    case track_rotation:
      return 4;
    case track_fov:
    case track_roll:
    case track_hotspot:
    case track_falloff:
      return 1;
    case track_hide:
      return 0;
    default:
      return -1;
  }
}

// The node kinds: the chunk ids of the keyframer's node tags.
inline constexpr std::uint16_t node_object = 0xB002, node_camera = 0xB003,
                               node_camera_target = 0xB004, node_light = 0xB005,
                               node_light_target = 0xB006, node_spot = 0xB007;

// One node of the keyframer. An object node named "$$$DUMMY" is a dummy: a
// group with no mesh, named by its instance name.
struct Node {
  std::uint16_t kind = node_object;
  std::int32_t id = -1;  // NODE_ID; -1 when the node has none
  std::string name;      // of NODE_HDR: the object, camera or light it moves
  std::uint16_t flags1 = 0, flags2 = 0;
  std::uint16_t parent = 0xFFFF;  // the parent's id; 0xFFFF for a root
  std::string instance;           // INSTANCE_NAME
  float pivot[3] = {0, 0, 0};     // PIVOT
  std::vector<Track> tracks;      // in file order

  bool is_dummy() const { return kind == node_object && name == "$$$DUMMY"; }
  bool hidden() const { return (flags1 & 0x0800) != 0; }
  // The first track of a kind, or null.
  const Track* track(std::uint16_t kind_of_track) const {
    for (const Track& t : tracks)
      if (t.kind == kind_of_track) return &t;
    return nullptr;
  }
  bool operator==(const Node& o) const {
    return kind == o.kind && id == o.id && name == o.name && flags1 == o.flags1 &&
           flags2 == o.flags2 && parent == o.parent && instance == o.instance &&
           pivot[0] == o.pivot[0] && pivot[1] == o.pivot[1] && pivot[2] == o.pivot[2] &&
           tracks == o.tracks;
  }
  bool operator!=(const Node& o) const { return !(*this == o); }
};

// The keyframer (KFDATA): its header, segment and nodes.
struct Keyframer {
  std::uint16_t revision = 0;        // of KFHDR
  std::string file_name;             // of KFHDR
  std::uint32_t length = 0;          // animation length in frames, of KFHDR
  std::uint32_t start = 0, end = 0;  // KFSEG
  std::uint32_t current = 0;         // KFCURTIME
  std::vector<Node> nodes;           // in file order
  bool empty() const {
    return revision == 0 && file_name.empty() && length == 0 && start == 0 && end == 0 &&
           current == 0 && nodes.empty();
  }
  bool operator==(const Keyframer& o) const {
    return revision == o.revision && file_name == o.file_name && length == o.length &&
           start == o.start && end == o.end && current == o.current && nodes == o.nodes;
  }
  bool operator!=(const Keyframer& o) const { return !(*this == o); }
};

// A node's pose at frame 0: each track's first key (3DS tracks start at
// frame 0), or the identity where the node has no such track.
struct Pose {
  float position[3] = {0, 0, 0};
  float rotation[4] = {0, 1, 0, 0};  // angle in radians, axis x, y, z
  float scale[3] = {1, 1, 1};
};
Pose frame_zero(const Node& node);

// A camera (N_CAMERA) under its named object.
struct Camera {
  std::string name;
  float position[3] = {0, 0, 0};
  float target[3] = {0, 0, 0};
  float roll = 0.0f;                          // degrees
  float lens = 0.0f;                          // focal length in millimetres (of a 35 mm frame)
  float near_range = 0.0f, far_range = 0.0f;  // CAM_RANGES; both 0 when absent
  bool operator==(const Camera& o) const {
    for (int i = 0; i < 3; ++i)
      if (position[i] != o.position[i] || target[i] != o.target[i]) return false;
    return name == o.name && roll == o.roll && lens == o.lens && near_range == o.near_range &&
           far_range == o.far_range;
  }
  bool operator!=(const Camera& o) const { return !(*this == o); }
};

// A light (N_DIRECT_LIGHT) under its named object: an omni light, or a spot
// light when spot is set, shining at target with its cone.
struct Light {
  std::string name;
  float position[3] = {0, 0, 0};
  float colour[3] = {0, 0, 0};  // 0 to 1; a byte colour in the file is divided by 255
  bool off = false;             // DL_OFF
  float multiplier = 1.0f;      // DL_MULTIPLIER
  bool spot = false;            // DL_SPOTLIGHT
  float target[3] = {0, 0, 0};
  float hotspot = 0.0f, falloff = 0.0f;  // the cone's inner and outer angles, degrees
  bool operator==(const Light& o) const {
    for (int i = 0; i < 3; ++i)
      if (position[i] != o.position[i] || colour[i] != o.colour[i] || target[i] != o.target[i])
        return false;
    return name == o.name && off == o.off && multiplier == o.multiplier && spot == o.spot &&
           hotspot == o.hotspot && falloff == o.falloff;
  }
  bool operator!=(const Light& o) const { return !(*this == o); }
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
  // MESH_MATRIX: the mesh's local frame in world space, the x, y and z axes
  // then the origin. The vertices are in world space already; the frame
  // says where the object's own origin and axes are. Identity when absent.
  float matrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  std::uint8_t colour = 0;  // MESH_COLOR: the editor's palette index
  // MESH_TEXTURE_INFO: the mapping icon's type and its 21 numbers (tiling
  // x, y; icon position x, y, z; scale; 12 matrix values; planar width,
  // height; cylinder height); mapping_info is empty when the mesh has none,
  // and the type is written only with the numbers.
  std::uint16_t mapping_type = 0;
  std::vector<float> mapping_info;

  std::size_t vertex_count() const { return vertices.size() / 3; }
  std::size_t mapping_count() const { return mapping.size() / 2; }
  bool has_frame() const {
    static const float identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    for (int i = 0; i < 12; ++i)
      if (matrix[i] != identity[i]) return true;
    return false;
  }
  // Floats compare by value: a mesh holding NaN equals nothing.
  bool operator==(const Mesh& o) const {
    for (int i = 0; i < 12; ++i)
      if (matrix[i] != o.matrix[i]) return false;
    return name == o.name && vertices == o.vertices && mapping == o.mapping && faces == o.faces &&
           groups == o.groups && colour == o.colour && mapping_type == o.mapping_type &&
           mapping_info == o.mapping_info;
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
  Rgb ambient[2];                         // first and second colour of MAT_AMBIENT
  std::int16_t shininess_strength = 0;    // MAT_SHIN2PCT, percentage
  std::int16_t self_illumination = 0;     // MAT_SELF_ILPCT, percentage
  std::int16_t transparency_falloff = 0;  // MAT_XPFALL, percentage
  std::uint16_t shading = 0;  // MAT_SHADING: 0 wire, 1 flat, 2 Gouraud, 3 Phong, 4 metal
  bool two_sided = false;     // MAT_TWO_SIDE: both sides of its faces show
  bool wire = false;          // MAT_WIRE
  bool additive = false;      // MAT_ADDITIVE: transparency adds
  bool falloff_in = false;    // MAT_XPFALLIN: the falloff is toward the inside
  // Every texture map by MapKind: map(kind). The diffuse map's name,
  // amount and tiling are texture, map_percentage and map_tiling above;
  // map(map_diffuse) holds its blur and placement only (its name,
  // percentage and tiling stay empty and 0, and the writer ignores them).
  // maps is empty while every map is default, so a material without maps
  // stays small; map() on a non-const material makes room for all of them.
  std::vector<TextureMap> maps;
  const TextureMap& map(int kind) const {
    static const TextureMap none;
    return maps.empty() ? none : maps[static_cast<std::size_t>(kind)];
  }
  TextureMap& map(int kind) {
    if (maps.empty()) maps.resize(map_kinds);
    return maps[static_cast<std::size_t>(kind)];
  }
  bool operator==(const Material& o) const {
    for (int i = 0; i < map_kinds; ++i)
      if (map(i) != o.map(i)) return false;
    return name == o.name && diffuse[0] == o.diffuse[0] && diffuse[1] == o.diffuse[1] &&
           specular[0] == o.specular[0] && specular[1] == o.specular[1] &&
           shininess == o.shininess && transparency == o.transparency && texture == o.texture &&
           map_tiling == o.map_tiling && map_percentage == o.map_percentage &&
           ambient[0] == o.ambient[0] && ambient[1] == o.ambient[1] &&
           shininess_strength == o.shininess_strength && self_illumination == o.self_illumination &&
           transparency_falloff == o.transparency_falloff && shading == o.shading &&
           two_sided == o.two_sided && wire == o.wire && additive == o.additive &&
           falloff_in == o.falloff_in;
  }
  bool operator!=(const Material& o) const { return !(*this == o); }
};

struct Scene {
  std::uint32_t version = 0;        // of M3D_VERSION
  std::vector<Mesh> meshes;         // one per N_TRI_OBJECT, in file order
  std::vector<Material> materials;  // one per MAT_ENTRY, in file order
  float master_scale = 1.0f;        // MASTER_SCALE: world units per file unit
  std::vector<Camera> cameras;      // one per N_CAMERA, in file order
  std::vector<Light> lights;        // one per N_DIRECT_LIGHT, in file order
  Keyframer keyframer;              // KFDATA; empty when the file has none
  bool operator==(const Scene& o) const {
    return version == o.version && meshes == o.meshes && materials == o.materials &&
           master_scale == o.master_scale && cameras == o.cameras && lights == o.lights &&
           keyframer == o.keyframer;
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
