// The bytes the writer produces: chunk order, every length computed ahead,
// and the values of each chunk, checked on small scenes with known numbers.
#include <gtest/gtest.h>

#include "format/chunk_ids.h"
#include "support/chunk_tree.h"
#include "support/scene_io.h"
#include "support/temp_files.h"
#include "writer/chunk_lengths.h"

namespace qev::test {
namespace {

void add_tri(qev3ds::Layer& l, const std::array<float, 9>& c) {
  add_triangle(l, c, {0.f, 0.f, 1.f, 0.f, 1.f, 1.f}, 1);
}

// Two triangles sharing the edge (1,0,0)-(0,1,0): four distinct corners.
qev3ds::Layer two_sharing_an_edge(qev3ds::Layer l) {
  add_tri(l, {0, 0, 0, 1, 0, 0, 0, 1, 0});
  add_tri(l, {1, 0, 0, 1, 1, 0, 0, 1, 0});
  return l;
}

Node write_and_parse(const TempDir& dir, const std::vector<qev3ds::Layer>& layers,
                     Bytes* raw = nullptr) {
  const std::string path = dir.path("out.3ds");
  EXPECT_EQ(write_by_calls(path, layers), QEV_OK);
  Bytes bytes = read_bytes(path);
  if (raw) *raw = bytes;
  return parse_file(bytes);
}

TEST(WriterLayout, EmptySceneIsThe32ByteHeader) {
  TempDir dir;
  Bytes raw;
  const Node root = write_and_parse(dir, {}, &raw);
  // M3DMAGIC 32 { M3D_VERSION 3, MDATA 16 { MESH_VERSION 3 } }
  const Bytes expected = {0x4D, 0x4D, 32, 0, 0, 0, 0x02, 0x00, 10, 0, 0, 0, 3, 0, 0, 0,
                          0x3D, 0x3D, 16, 0, 0, 0, 0x3E, 0x3D, 10, 0, 0, 0, 3, 0, 0, 0};
  EXPECT_EQ(raw, expected);
  EXPECT_EQ(root.id, M3DMAGIC);
}

TEST(WriterLayout, UntexturedMaterialOfLength64) {
  TempDir dir;
  const qev3ds::Layer l{"Wall", 255, 128, 0, 30, "", {}, {}, {}};
  const Node root = write_and_parse(dir, {l});
  const Node* mdata = root.find(MDATA);
  ASSERT_NE(mdata, nullptr);
  const Node* mat = mdata->find(MAT_ENTRY);
  ASSERT_NE(mat, nullptr);
  EXPECT_EQ(mat->length, 64u);
  ASSERT_EQ(mat->children.size(), 4u);  // name, diffuse, transparency, two-sided
  const Node& name = mat->children[0];
  EXPECT_EQ(name.id, MAT_NAME);
  EXPECT_EQ(name.length, 14u);
  EXPECT_EQ(name.str(), "WallMAT");
  const Node& diffuse = mat->children[1];
  EXPECT_EQ(diffuse.id, MAT_DIFFUSE);
  EXPECT_EQ(diffuse.length, 24u);
  ASSERT_EQ(diffuse.children.size(), 2u);
  EXPECT_EQ(diffuse.children[0].id, COLOR_24);
  EXPECT_EQ(diffuse.children[0].payload, (Bytes{0xFF, 0x80, 0x00}));
  EXPECT_EQ(diffuse.children[1].id, LIN_COLOR_24);
  EXPECT_EQ(diffuse.children[1].payload, (Bytes{0xFF, 0x80, 0x00}));
  const Node& transparency = mat->children[2];
  EXPECT_EQ(transparency.id, MAT_TRANSPARENCY);
  EXPECT_EQ(transparency.length, 14u);
  EXPECT_EQ(transparency.children.at(0).id, INT_PERCENTAGE);
  EXPECT_EQ(transparency.children.at(0).u16(0), 30u);
  EXPECT_EQ(mat->children[3].id, MAT_TWO_SIDE);
  EXPECT_EQ(mat->children[3].length, 6u);
}

TEST(WriterLayout, TexturedMaterialOfLength119) {
  TempDir dir;
  const qev3ds::Layer l{"Wall", 255, 128, 0, 30, "wall.bmp", {}, {}, {}};
  const Node root = write_and_parse(dir, {l});
  const Node* mat = root.find(MDATA)->find(MAT_ENTRY);
  ASSERT_NE(mat, nullptr);
  EXPECT_EQ(mat->length, 119u);
  ASSERT_EQ(mat->children.size(), 6u);
  EXPECT_EQ(mat->children[4].id, MAT_SHADING);
  EXPECT_EQ(mat->children[4].u16(0), 3u);
  const Node& texmap = mat->children[5];
  EXPECT_EQ(texmap.id, MAT_TEXMAP);
  EXPECT_EQ(texmap.length, 47u);
  ASSERT_EQ(texmap.children.size(), 4u);
  EXPECT_EQ(texmap.children[0].id, INT_PERCENTAGE);
  EXPECT_EQ(texmap.children[0].u16(0), 100u);
  EXPECT_EQ(texmap.children[1].id, MAT_MAPNAME);
  EXPECT_EQ(texmap.children[1].length, 15u);
  EXPECT_EQ(texmap.children[1].str(), "wall.bmp");
  EXPECT_EQ(texmap.children[2].id, MAT_MAP_TILING);
  EXPECT_EQ(texmap.children[2].u16(0), 0u);
  EXPECT_EQ(texmap.children[3].id, MAT_MAP_TEXBLUR);
  EXPECT_EQ(texmap.children[3].length, 10u);
  EXPECT_EQ(texmap.children[3].f32(0), 0.0f);
}

TEST(WriterLayout, EmptyLayerNameGivesMaterialMAT) {
  TempDir dir;
  const Node root = write_and_parse(dir, {qev3ds::Layer{}});
  const Node* mat = root.find(MDATA)->find(MAT_ENTRY);
  ASSERT_NE(mat, nullptr);
  EXPECT_EQ(mat->children[0].str(), "MAT");
  EXPECT_EQ(mat->length, 4u + 56u);
}

TEST(WriterLayout, ColourAndTransparencyTruncation) {
  TempDir dir;
  // Red 300 reaches the file as 44 (low 8 bits); transparency 65537 as 1;
  // transparency 150 is written unchanged.
  const qev3ds::Layer a{"A", 300, 256 + 7, -1, 65537, "", {}, {}, {}};
  const qev3ds::Layer b{"B", 1, 2, 3, 150, "", {}, {}, {}};
  const Node root = write_and_parse(dir, {a, b});
  const auto mats = root.find(MDATA)->all(MAT_ENTRY);
  ASSERT_EQ(mats.size(), 2u);
  EXPECT_EQ(mats[0]->children[1].children[0].payload, (Bytes{44, 7, 255}));
  EXPECT_EQ(mats[0]->children[2].children[0].u16(0), 1u);
  EXPECT_EQ(mats[1]->children[2].children[0].u16(0), 150u);
}

TEST(WriterLayout, UntexturedObjectOfLength185) {
  TempDir dir;
  qev3ds::Layer l = two_sharing_an_edge({"Wall", 1, 2, 3, 0, "", {}, {}, {}});
  l.smoothing[1] = 40000;  // staged as -25536
  const Node root = write_and_parse(dir, {l});
  const Node* obj = root.find(MDATA)->find(NAMED_OBJECT);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->length, 185u);
  EXPECT_EQ(obj->str(), "Wall");
  const Node* mesh = obj->find(N_TRI_OBJECT);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->length, 174u);
  ASSERT_EQ(mesh->children.size(), 3u);  // points, matrix, faces: no TEX_VERTS
  const Node& points = mesh->children[0];
  EXPECT_EQ(points.id, POINT_ARRAY);
  EXPECT_EQ(points.length, 56u);
  EXPECT_EQ(points.u16(0), 4u);
  const Node& matrix = mesh->children[1];
  EXPECT_EQ(matrix.id, MESH_MATRIX);
  EXPECT_EQ(matrix.length, 54u);
  EXPECT_EQ(matrix.u32(0), 0x3F800000u);
  EXPECT_EQ(matrix.u32(36), 0xC11CA8C1u);
  EXPECT_EQ(matrix.u32(40), 0xC20550B1u);
  EXPECT_EQ(matrix.u32(44), 0u);
  const Node& faces = mesh->children[2];
  EXPECT_EQ(faces.id, FACE_ARRAY);
  EXPECT_EQ(faces.length, 58u);
  EXPECT_EQ(faces.u16(0), 2u);
  // Second triangle reuses vertices 1 and 2 of the first.
  EXPECT_EQ(faces.u16(2 + 8), 1u);
  EXPECT_EQ(faces.u16(2 + 8 + 2), 3u);
  EXPECT_EQ(faces.u16(2 + 8 + 4), 2u);
  EXPECT_EQ(faces.u16(2 + 6), 7u);  // edge flags 1, 1, 1
  const Node* group = faces.find(MSH_MAT_GROUP);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->length, 20u);
  EXPECT_EQ(group->str(), "WallMAT");
  EXPECT_EQ(group->u16(8), 2u);
  EXPECT_EQ(group->u16(10), 0u);
  EXPECT_EQ(group->u16(12), 1u);
  const Node* smooth = faces.find(SMOOTH_GROUP);
  ASSERT_NE(smooth, nullptr);
  EXPECT_EQ(smooth->length, 14u);
  EXPECT_EQ(smooth->u32(0), 1u);
  EXPECT_EQ(smooth->u32(4), 0xFFFF9C40u);  // -25536 sign-extended
}

TEST(WriterLayout, TexturedObjectOfLength265) {
  TempDir dir;
  qev3ds::Layer l = two_sharing_an_edge({"Wall", 1, 2, 3, 0, "wall.bmp", {}, {}, {}});
  const float second_mapping[6] = {0.25f, 0.5f, 0.75f, 1.0f, 0.125f, 0.0f};
  for (std::size_t i = 0; i < 6; ++i) l.mapping[6 + i] = second_mapping[i];
  const Node root = write_and_parse(dir, {l});
  const Node* obj = root.find(MDATA)->find(NAMED_OBJECT);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->length, 265u);
  const Node* mesh = obj->find(N_TRI_OBJECT);
  EXPECT_EQ(mesh->length, 254u);
  EXPECT_EQ(mesh->find(POINT_ARRAY)->length, 80u);
  const Node* uv = mesh->find(TEX_VERTS);
  ASSERT_NE(uv, nullptr);
  EXPECT_EQ(uv->length, 56u);
  EXPECT_EQ(uv->u16(0), 6u);
  // Pair k belongs to vertex k: the second triangle's pairs are 3, 4, 5.
  EXPECT_EQ(uv->f32(2 + 8 * 3), 0.25f);
  EXPECT_EQ(uv->f32(2 + 8 * 4 + 4), 1.0f);
  EXPECT_EQ(uv->f32(2 + 8 * 5), 0.125f);
}

TEST(WriterLayout, LayerWithNoTriangles) {
  TempDir dir;
  const qev3ds::Layer l{"Wall", 1, 2, 3, 0, "wall.bmp", {}, {}, {}};
  const Node root = write_and_parse(dir, {l});
  const Node* obj = root.find(MDATA)->find(NAMED_OBJECT);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->length, 5u + 8u + 96u);  // O + L + 96
  const Node* mesh = obj->find(N_TRI_OBJECT);
  EXPECT_EQ(mesh->find(POINT_ARRAY)->length, 8u);
  EXPECT_EQ(mesh->find(TEX_VERTS), nullptr);  // textured, but nothing staged
  const Node* faces = mesh->find(FACE_ARRAY);
  EXPECT_EQ(faces->length, 8u + 22u);
  EXPECT_EQ(faces->find(MSH_MAT_GROUP)->length, 8u + 8u);
  EXPECT_EQ(faces->find(SMOOTH_GROUP)->length, 6u);
}

TEST(WriterLayout, ChunkOrderAndLengthsOfAThreeLayerScene) {
  TempDir dir;
  Bytes raw;
  std::vector<qev3ds::Layer> layers = {
      two_sharing_an_edge({"First", 10, 20, 30, 0, "", {}, {}, {}}),
      two_sharing_an_edge({"Second", 40, 50, 60, 10, "tex.png", {}, {}, {}}),
      {"Third", 0, 0, 0, 20, "", {}, {}, {}},
  };
  add_tri(layers[2], {0, 0, 0, 0, 0, 0, 0, 0, 0});
  const Node root = write_and_parse(dir, layers, &raw);
  EXPECT_EQ(root.length, raw.size());
  const Node* mdata = root.find(MDATA);
  ASSERT_NE(mdata, nullptr);
  EXPECT_EQ(mdata->length, raw.size() - 16);
  ASSERT_EQ(mdata->children.size(), 7u);
  EXPECT_EQ(mdata->children[0].id, MESH_VERSION);
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(mdata->children[i].id, MAT_ENTRY);
  for (int i = 4; i <= 6; ++i) {
    EXPECT_EQ(mdata->children[i].id, NAMED_OBJECT);
    EXPECT_EQ(mdata->children[i].str(), layers[i - 4].name);
  }
  // The children tile MDATA exactly: no byte outside a chunk.
  std::size_t sum = 6;
  for (const Node& c : mdata->children) sum += c.length;
  EXPECT_EQ(sum, mdata->length);
  // A degenerate triangle welds its three corners into one vertex.
  EXPECT_EQ(mdata->children[6].find(N_TRI_OBJECT)->find(POINT_ARRAY)->u16(0), 1u);
}

TEST(WriterLayout, LengthFunctionsAgreeWithTheFormatArithmetic) {
  using namespace qev::writer;
  EXPECT_EQ(material_entry_length(8, 1), 64u);
  EXPECT_EQ(material_entry_length(8, 9), 119u);
  EXPECT_EQ(texmap_length(9), 47u);
  EXPECT_EQ(named_object_length(5, 8, 4, 2, false), 185u);
  EXPECT_EQ(named_object_length(5, 8, 6, 2, true), 265u);
  EXPECT_EQ(face_array_length(8, 2), 58u);
  EXPECT_EQ(mat_group_length(8, 2), 20u);
  EXPECT_EQ(smooth_group_length(3), 18u);
  // N_TRI_OBJECT = 6 + points + [uv] + matrix + faces, NAMED_OBJECT adds 6 + O.
  for (std::uint32_t V : {0u, 1u, 40000u}) {
    for (std::uint32_t N : {0u, 3u, 40000u}) {
      for (bool t : {false, true}) {
        const std::uint32_t mesh = 6 + point_array_length(V) + (t ? tex_verts_length(V) : 0) +
                                   kMeshMatrixLength + face_array_length(9, N);
        EXPECT_EQ(named_object_length(7, 9, V, N, t), 6 + 7 + mesh);
        EXPECT_EQ(face_array_length(9, N),
                  6 + 2 + 8 * N + mat_group_length(9, N) + smooth_group_length(N));
      }
    }
  }
}

}  // namespace
}  // namespace qev::test
