// What a scene shows beyond its faces: one row per chunk kind, a hand-built
// file and the field read_scene must give; hostile extra records that are
// dropped without changing what the C functions answer.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "qev_3ds.h"
#include "qev_3ds_scene.hpp"
#include "support/reader_files.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

using qev3ds::Scene;

Chunk track(std::uint16_t kind, std::initializer_list<float> values, std::uint16_t key_flags = 0) {
  Chunk t(kind);
  t.u16(0).u32(0).u32(0).u32(1).u32(0).u16(key_flags);
  for (int b = 0; b < 5; ++b)
    if (key_flags & (1u << b)) t.f32(0.5f);
  for (float v : values) t.f32(v);
  return t;
}

Chunk node(std::uint16_t id, const std::string& name, std::uint16_t parent,
           std::initializer_list<Chunk> more = {}) {
  Chunk n(qev3ds::node_object);
  n.child(Chunk(NODE_ID).u16(id));
  n.child(Chunk(NODE_HDR).str(name).u16(0x0800).u16(0).u16(parent));
  for (const Chunk& c : more) n.child(c);
  return n;
}

Chunk keyframer(std::initializer_list<Chunk> nodes) {
  Chunk kf(KFDATA);
  kf.child(Chunk(KFHDR).u16(5).str("scene").u32(100));
  kf.child(Chunk(KFSEG).u32(0).u32(100));
  for (const Chunk& n : nodes) kf.child(n);
  return kf;
}

Chunk placed_map(std::uint16_t id, const std::string& file) {
  return Chunk(id).children({Chunk(INT_PERCENTAGE).u16(60), Chunk(MAT_MAPNAME).str(file),
                             Chunk(MAT_MAP_TILING).u16(0x10), Chunk(MAT_MAP_TEXBLUR).f32(0.1f),
                             Chunk(MAT_MAP_USCALE).f32(2), Chunk(MAT_MAP_VSCALE).f32(0.5f),
                             Chunk(MAT_MAP_UOFFSET).f32(0.25f), Chunk(MAT_MAP_VOFFSET).f32(-0.1f),
                             Chunk(MAT_MAP_ANG).f32(30)});
}

bool placed_as_built(const qev3ds::TextureMap& m) {
  return m.blur == 0.1f && m.u_scale == 2 && m.v_scale == 0.5f && m.u_offset == 0.25f &&
         m.v_offset == -0.1f && m.rotation == 30;
}

const Chunk kMesh = triangle_object("box", "m");

struct Row {
  const char* what;
  Chunk file;
  std::function<bool(const Scene&)> holds;
};

TEST(SceneExtras, EachChunkKindReachesItsField) {
  const Row rows[] = {
      {"ambient",
       m3d_file({material("m", {Chunk(MAT_AMBIENT).child(rgb24(COLOR_24, 10, 20, 30))})}),
       [](const Scene& s) {
         return s.materials[0].ambient[0] == qev3ds::Rgb{10, 20, 30};
       }},
      {"two-sided", m3d_file({material("m", {Chunk(MAT_TWO_SIDE)})}),
       [](const Scene& s) { return s.materials[0].two_sided; }},
      {"percentages",
       m3d_file({material("m", {percentage(MAT_SHIN2PCT, 25), percentage(MAT_SELF_ILPCT, 40),
                                percentage(MAT_XPFALL, 10)})}),
       [](const Scene& s) {
         const auto& m = s.materials[0];
         return m.shininess_strength == 25 && m.self_illumination == 40 &&
                m.transparency_falloff == 10;
       }},
      {"shading and flags",
       m3d_file({material("m", {Chunk(MAT_SHADING).u16(3), Chunk(MAT_WIRE), Chunk(MAT_ADDITIVE),
                                Chunk(MAT_XPFALLIN)})}),
       [](const Scene& s) {
         const auto& m = s.materials[0];
         return m.shading == 3 && m.wire && m.additive && m.falloff_in && !m.two_sided;
       }},
      {"diffuse map placement", m3d_file({material("m", {placed_map(MAT_TEXMAP, "a.png")})}),
       [](const Scene& s) {
         const auto& m = s.materials[0];
         return m.texture == "a.png" && m.map_percentage == 60 && m.map_tiling == 0x10 &&
                placed_as_built(m.map(qev3ds::map_diffuse)) &&
                m.map(qev3ds::map_diffuse).name.empty();
       }},
      {"other maps",
       m3d_file({material("m", {placed_map(MAT_OPACMAP, "o.png"), placed_map(MAT_TEX2MAP, "t.png"),
                                placed_map(MAT_BUMPMAP, "b.png")})}),
       [](const Scene& s) {
         const auto& m = s.materials[0];
         return m.texture.empty() && m.map(qev3ds::map_opacity).name == "o.png" &&
                m.map(qev3ds::map_second).name == "t.png" &&
                m.map(qev3ds::map_bump).percentage == 60 &&
                placed_as_built(m.map(qev3ds::map_bump)) &&
                m.map(qev3ds::map_reflection) == qev3ds::TextureMap{};
       }},
      {"mesh frame, colour, mapping info",
       m3d_file(
           {object("box", {points({0, 0, 0, 1, 0, 0, 0, 1, 0}),
                           Chunk(MESH_MATRIX)
                               .f32(0)
                               .f32(1)
                               .f32(0)
                               .f32(-1)
                               .f32(0)
                               .f32(0)
                               .f32(0)
                               .f32(0)
                               .f32(1)
                               .f32(5)
                               .f32(6)
                               .f32(7),
                           Chunk(MESH_COLOR).u8(9),
                           Chunk(MESH_TEXTURE_INFO).u16(1).raw(Bytes(84, 0)), faces({0, 1, 2})})}),
       [](const Scene& s) {
         const auto& m = s.meshes[0];
         return m.matrix[1] == 1 && m.matrix[3] == -1 && m.matrix[9] == 5 && m.matrix[11] == 7 &&
                m.colour == 9 && m.mapping_type == 1 && m.mapping_info.size() == 21 &&
                m.faces.size() == 1;
       }},
      {"camera",
       m3d_file(
           {Chunk(NAMED_OBJECT)
                .str("cam")
                .child(
                    Chunk(N_CAMERA).f32(1).f32(2).f32(3).f32(4).f32(5).f32(6).f32(15).f32(35).child(
                        Chunk(CAM_RANGES).f32(1).f32(900)))}),
       [](const Scene& s) {
         const auto& c = s.cameras.at(0);
         return c.name == "cam" && c.position[2] == 3 && c.target[0] == 4 && c.roll == 15 &&
                c.lens == 35 && c.far_range == 900 && s.meshes.empty();
       }},
      {"spot light",
       m3d_file(
           {Chunk(NAMED_OBJECT)
                .str("sun")
                .child(Chunk(N_DIRECT_LIGHT)
                           .f32(1)
                           .f32(2)
                           .f32(3)
                           .children({rgbf(COLOR_F, 1, 0.5f, 0), Chunk(DL_MULTIPLIER).f32(2),
                                      Chunk(DL_SPOTLIGHT).f32(0).f32(0).f32(0).f32(20).f32(40)}))}),
       [](const Scene& s) {
         const auto& l = s.lights.at(0);
         return l.name == "sun" && l.position[1] == 2 && l.colour[1] == 0.5f && l.spot &&
                l.hotspot == 20 && l.falloff == 40 && l.multiplier == 2 && !l.off;
       }},
      {"master scale", m3d_file({Chunk(MASTER_SCALE).f32(2.5f)}),
       [](const Scene& s) { return s.master_scale == 2.5f; }},
      {"keyframer nodes and tracks",
       m3d_file({kMesh}).child(keyframer(
           {node(0, "$$$DUMMY", 0xFFFF, {Chunk(INSTANCE_NAME).str("group")}),
            node(1, "box", 0,
                 {Chunk(PIVOT).f32(1).f32(2).f32(3), track(qev3ds::track_position, {4, 5, 6}, 1),
                  track(qev3ds::track_rotation, {1.5f, 0, 0, 1}),
                  track(qev3ds::track_scale, {2, 2, 2}), track(qev3ds::track_hide, {})})})),
       [](const Scene& s) {
         const auto& kf = s.keyframer;
         if (kf.nodes.size() != 2 || kf.length != 100 || kf.end != 100) return false;
         const auto &dummy = kf.nodes[0], &box = kf.nodes[1];
         const qev3ds::Pose pose = qev3ds::frame_zero(box);
         return dummy.is_dummy() && dummy.instance == "group" && dummy.parent == 0xFFFF &&
                box.id == 1 && box.parent == 0 && box.hidden() && box.pivot[2] == 3 &&
                box.tracks.size() == 4 && box.tracks[0].keys[0].spline[0] == 0.5f &&
                pose.position[1] == 5 && pose.rotation[0] == 1.5f && pose.scale[2] == 2;
       }},
  };
  for (const Row& row : rows) {
    const Bytes bytes = row.file.bytes();
    const qev3ds::ReadResult r = qev3ds::read_scene(bytes.data(), bytes.size());
    ASSERT_EQ(r.status, qev3ds::read_ok) << row.what;
    EXPECT_TRUE(row.holds(r.scene)) << row.what;
    // Every field also comes back from write_scene.
    std::vector<std::uint8_t> written;
    ASSERT_TRUE(qev3ds::write_scene(r.scene, written).ok()) << row.what;
    const qev3ds::ReadResult back = qev3ds::read_scene(written.data(), written.size());
    EXPECT_TRUE(back.scene == r.scene) << row.what;
  }
}

// What the thirteen functions answer for a file, as text.
std::string c_answers(const TempDir& dir, const Bytes& bytes) {
  std::ostringstream out;
  out << parse_bytes(dir, bytes);
  std::int32_t layers = 0;
  QEV_READ_3DS_N_LAYER(&layers);
  for (std::int32_t k = 1; k <= layers; ++k) {
    char name[64] = {}, texture[64] = {};
    std::int32_t t = 0, r = 0, g = 0, b = 0, n = 0;
    QEV_READ_3DS_LAYER(&k, name, &t, &r, &g, &b, texture);
    QEV_READ_3DS_N_TRI(&k, &n);
    out << ' ' << name << ' ' << t << ' ' << r << ' ' << g << ' ' << b << ' ' << texture << ' '
        << n;
    for (std::int32_t i = 1; i <= n; ++i) {
      std::int32_t smoothing = 0;
      float corners[9], mapping[6];
      QEV_READ_3DS_TRIANGLE(&k, &i, &smoothing, corners, mapping);
      out << ' ' << smoothing << ' ' << corners[0] << ' ' << corners[8] << ' ' << mapping[0];
    }
  }
  QEV_READ_3DS_END();
  return out.str();
}

// Extra records that cannot be read are dropped where they fail; the rest of
// the file reads as it would without them.
TEST(SceneExtras, BrokenExtraRecordsAreDroppedAndChangeNothingElse) {
  const Chunk mat = material("m", {Chunk(MAT_DIFFUSE).child(rgb24(COLOR_24, 1, 2, 3))});
  const Chunk short_matrix = Chunk(MESH_MATRIX).f32(1).f32(2);  // 8 of 48 bytes
  const Chunk endless_track = Chunk(qev3ds::track_position).u16(0).u32(0).u32(0).u32(0x7FFFFFFF);
  const Chunk unnamed_camera = Chunk(N_CAMERA).f32(1);
  struct Hostile {
    const char* what;
    Chunk file;
    Chunk plain;  // the same file without the broken record
    std::function<bool(const Scene&)> holds;
  };
  const Hostile rows[] = {
      {"short mesh matrix",
       m3d_file({mat, object("box", {points({0, 0, 0, 1, 0, 0, 0, 1, 0}), short_matrix,
                                     faces({0, 1, 2}, {mat_group("m", {0})})})}),
       m3d_file({mat, triangle_object("box", "m")}),
       [](const Scene&
              s) { return !s.meshes.at(0).has_frame() && s.meshes.at(0).faces.size() == 1; }},
      {"track past the end",
       m3d_file({mat, triangle_object("box", "m")})
           .child(keyframer({node(0, "a", 0xFFFF), node(1, "b", 0, {endless_track})})),
       m3d_file({mat, triangle_object("box", "m")}),
       [](const Scene& s) { return s.keyframer.nodes.size() == 1; }},
      {"camera past its chunk",
       m3d_file(
           {Chunk(NAMED_OBJECT).str("c").child(unnamed_camera), mat, triangle_object("box", "m")}),
       m3d_file({Chunk(NAMED_OBJECT).str("c"), mat, triangle_object("box", "m")}),
       [](const Scene& s) { return s.cameras.empty() && s.materials.size() == 1; }},
  };
  TempDir dir;
  for (const Hostile& row : rows) {
    const Bytes bytes = row.file.bytes();
    const qev3ds::ReadResult r = qev3ds::read_scene(bytes.data(), bytes.size());
    ASSERT_EQ(r.status, qev3ds::read_ok) << row.what;
    EXPECT_TRUE(row.holds(r.scene)) << row.what;
    EXPECT_EQ(c_answers(dir, bytes), c_answers(dir, row.plain.bytes())) << row.what;
  }
}

}  // namespace
}  // namespace qev::test
