// Results of the writer calls: order checks, truncation of host integers,
// and every refusal of what the writer cannot honour.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "support/chunk_tree.h"
#include "support/scene_io.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

const float kCorners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
const float kMapping[6] = {0, 0, 1, 0, 0, 1};
const std::int32_t kEdges[3] = {1, 0, 1};

std::int32_t put(std::int32_t k, std::int32_t t, std::int32_t smoothing = 1,
                 const float* corners = kCorners) {
  return QEV_PUT_3DS_TRIANGLE(&k, &t, &smoothing, corners, kEdges, kMapping);
}

std::int32_t n_tri(std::int32_t k, std::int32_t m) { return QEV_PUT_3DS_N_TRI(&k, &m); }

std::int32_t layer(std::int32_t k, const char* name, const char* texture = "") {
  const std::int32_t z = 0;
  return QEV_PUT_3DS_LAYER(&k, name, &z, &z, &z, &z, texture);
}

std::int32_t finish() {
  std::int32_t status = 12345;
  const std::int32_t r = QEV_PUT_3DS_END(&status);
  EXPECT_EQ(r, status);
  return r;
}

// Opens a file and declares n untextured layers.
void open_with_layers(const TempDir& dir, std::int32_t n, const std::string& file = "out.3ds") {
  ASSERT_EQ(QEV_FORM_3DS_FILENAME(dir.path(file).c_str()), QEV_OK);
  EXPECT_EQ(QEV_PUT_3DS_N_LAYER(&n), QEV_OK);
  for (std::int32_t k = 1; k <= n; ++k) layer(k, "L");
}

TEST(WriterCalls, ResultsOfTheOrderChecks) {
  TempDir dir;
  open_with_layers(dir, 3);
  EXPECT_EQ(n_tri(1, 2), 3);  // layer 1: the declared layer count
  EXPECT_EQ(put(1, 1), 1);    // the new staged count
  EXPECT_EQ(put(1, 3), 2);    // wrong triangle: t - 1, nothing staged
  EXPECT_EQ(put(2, 2), 0);    // wrong layer: the current 0-based layer
  EXPECT_EQ(put(1, 2), 2);
  EXPECT_EQ(QEV_PUT_3DS_TRIANGLE_END(), QEV_OK);
  EXPECT_EQ(n_tri(2, 0), 1);  // other layers: k - 1
  EXPECT_EQ(put(1, 1), 1);    // layer 1 has ended: current layer is 1
  EXPECT_EQ(QEV_PUT_3DS_TRIANGLE_END(), QEV_OK);
  EXPECT_EQ(n_tri(3, 0), 2);
  EXPECT_EQ(QEV_PUT_3DS_TRIANGLE_END(), QEV_OK);
  EXPECT_EQ(finish(), QEV_OK);  // out-of-order triangles were reported, not lost
  const Node root = parse_file(read_bytes(dir.path("out.3ds")));
  const Node* faces = root.find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT)->find(FACE_ARRAY);
  EXPECT_EQ(faces->u16(0), 2u);
  EXPECT_EQ(faces->u16(8), 5u);  // edge flags 1, 0, 1
}

TEST(WriterCalls, ATriangleNumberAlreadyStagedIsRefusedAndStagesNothing) {
  TempDir dir;
  open_with_layers(dir, 1);
  const float other[9] = {7, 7, 7, 8, 8, 8, 9, 9, 9};
  EXPECT_EQ(n_tri(1, 3), 1);
  EXPECT_EQ(put(1, 1), 1);
  EXPECT_EQ(put(1, 2), 2);
  EXPECT_EQ(put(1, 1, 1, other), 0);  // t - 1
  EXPECT_EQ(put(1, 2, 1, other), 1);
  EXPECT_EQ(put(1, 3), 3);
  EXPECT_EQ(QEV_PUT_3DS_TRIANGLE_END(), QEV_OK);
  EXPECT_EQ(finish(), QEV_OK);
  const Node root = parse_file(read_bytes(dir.path("out.3ds")));
  const Node* mesh = root.find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT);
  EXPECT_EQ(mesh->find(FACE_ARRAY)->u16(0), 3u);
  EXPECT_EQ(mesh->find(POINT_ARRAY)->u16(0), 3u);  // the refused corners were not pooled
}

TEST(WriterCalls, FaceFlagsAndSmoothingTruncation) {
  TempDir dir;
  struct Case {
    std::int32_t edges[3];
    std::uint16_t flags;
    std::int32_t smoothing;
    std::uint32_t word;
  } cases[] = {
      {{1, 0, 1}, 5, 1, 1},
      {{1, 1, 1}, 7, 65537, 1},
      {{0, 0, 0}, 0, 40000, 0xFFFF9C40u},
      {{2, 3, 4}, 18, -1, 0xFFFFFFFFu},  // no masking to 0 or 1
      {{INT32_MAX, 0, 0}, 0xFFFC, 0x12345, 0x2345},
  };
  ASSERT_EQ(QEV_FORM_3DS_FILENAME(dir.path("f.3ds").c_str()), QEV_OK);
  const std::int32_t one = 1;
  QEV_PUT_3DS_N_LAYER(&one);
  layer(1, "L");
  n_tri(1, static_cast<std::int32_t>(std::size(cases)));
  std::int32_t t = 0;
  for (const Case& c : cases) {
    ++t;
    ASSERT_EQ(QEV_PUT_3DS_TRIANGLE(&one, &t, &c.smoothing, kCorners, c.edges, kMapping), t);
  }
  QEV_PUT_3DS_TRIANGLE_END();
  ASSERT_EQ(finish(), QEV_OK);
  const Node root = parse_file(read_bytes(dir.path("f.3ds")));
  const Node* faces = root.find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT)->find(FACE_ARRAY);
  const Node* smooth = faces->find(SMOOTH_GROUP);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(faces->u16(2 + 8 * i + 6), cases[i].flags) << i;
    EXPECT_EQ(smooth->u32(4 * i), cases[i].word) << i;
  }
}

TEST(WriterCalls, DeclaredLayerWithoutDescriptionIsEmptyAndBlack) {
  TempDir dir;
  ASSERT_EQ(QEV_FORM_3DS_FILENAME(dir.path("d.3ds").c_str()), QEV_OK);
  const std::int32_t two = 2;
  QEV_PUT_3DS_N_LAYER(&two);
  layer(2, "Only");
  n_tri(1, 0);
  QEV_PUT_3DS_TRIANGLE_END();
  n_tri(2, 0);
  QEV_PUT_3DS_TRIANGLE_END();
  ASSERT_EQ(finish(), QEV_OK);
  const Node root = parse_file(read_bytes(dir.path("d.3ds")));
  const auto mats = root.find(MDATA)->all(MAT_ENTRY);
  ASSERT_EQ(mats.size(), 2u);
  EXPECT_EQ(mats[0]->children[0].str(), "MAT");
  EXPECT_EQ(mats[0]->children[1].children[0].payload, (Bytes{0, 0, 0}));
  EXPECT_EQ(mats[1]->children[0].str(), "OnlyMAT");
}

TEST(WriterCalls, DeclaredMoreThanStagedWritesOnlyTheStaged) {
  TempDir dir;
  // Layer 1 stages 3 triangles; layer 2 declares 3 but stages 1: no face of
  // layer 1 may leak into layer 2.
  open_with_layers(dir, 2);
  n_tri(1, 3);
  const float far[9] = {7, 7, 7, 8, 7, 7, 7, 8, 7};
  for (int t = 1; t <= 3; ++t) put(1, t, 1, far);
  QEV_PUT_3DS_TRIANGLE_END();
  n_tri(2, 3);
  put(2, 1);
  QEV_PUT_3DS_TRIANGLE_END();
  EXPECT_EQ(finish(), QEV_OK);
  const Bytes raw = read_bytes(dir.path("out.3ds"));
  const Node root = parse_file(raw);
  EXPECT_EQ(root.length, raw.size());
  const Node& second = *root.find(MDATA)->all(NAMED_OBJECT).at(1);
  const Node* faces = second.find(N_TRI_OBJECT)->find(FACE_ARRAY);
  EXPECT_EQ(faces->u16(0), 1u);
  EXPECT_EQ(faces->find(MSH_MAT_GROUP)->u16(5), 1u);  // "LMAT\0" then the count
  EXPECT_EQ(faces->find(SMOOTH_GROUP)->length, 10u);
}

TEST(WriterCalls, StagedMoreThanDeclaredWritesTheDeclared) {
  TempDir dir;
  open_with_layers(dir, 1);
  n_tri(1, 1);
  EXPECT_EQ(put(1, 1), 1);
  EXPECT_EQ(put(1, 2), 2);
  QEV_PUT_3DS_TRIANGLE_END();
  EXPECT_EQ(finish(), QEV_OK);
  const Node root = parse_file(read_bytes(dir.path("out.3ds")));
  const Node* mesh = root.find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT);
  EXPECT_EQ(mesh->find(FACE_ARRAY)->u16(0), 1u);
  EXPECT_EQ(mesh->find(POINT_ARRAY)->u16(0), 3u);  // the pool is written whole
}

TEST(WriterCalls, FileThatCannotBeCreated) {
  TempDir dir;
  const std::string missing = dir.path("no/such/dir/x.3ds");
  EXPECT_EQ(QEV_FORM_3DS_FILENAME(missing.c_str()), QEV_ERR_CANNOT_CREATE);
  // Every later call refuses and touches nothing.
  const std::int32_t one = 1;
  EXPECT_EQ(QEV_PUT_3DS_N_LAYER(&one), QEV_ERR_NO_FILE);
  EXPECT_EQ(layer(1, "L"), QEV_ERR_NO_FILE);
  EXPECT_EQ(n_tri(1, 1), QEV_ERR_NO_FILE);
  EXPECT_EQ(put(1, 1), QEV_ERR_NO_FILE);
  EXPECT_EQ(QEV_PUT_3DS_TRIANGLE_END(), QEV_ERR_NO_FILE);
  EXPECT_EQ(finish(), QEV_ERR_CANNOT_CREATE);
  EXPECT_FALSE(std::filesystem::exists(missing));
  // The writer is usable again afterwards.
  EXPECT_EQ(write_by_calls(dir.path("ok.3ds"), {}), QEV_OK);
}

TEST(WriterCalls, WritesThatFailAreReportedAtTheEnd) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  qev3ds::Layer big{"Big", 1, 2, 3, 0, "", {}, {}, {}};
  for (int i = 0; i < 200; ++i) {
    const auto f = static_cast<float>(i);
    add_triangle(big, {f, 0, 0, 0, f, 0, 0, 0, f});
  }
  EXPECT_EQ(write_by_calls("/dev/full", {big}), QEV_ERR_IO);
  EXPECT_EQ(write_by_calls("/dev/full", {}), QEV_ERR_IO);
}

TEST(WriterCalls, FileRemovedBeforeTheEnd) {
  TempDir dir;
  open_with_layers(dir, 1, "gone.3ds");
  n_tri(1, 1);
  put(1, 1);
  QEV_PUT_3DS_TRIANGLE_END();
  std::filesystem::remove(dir.path("gone.3ds"));
  EXPECT_EQ(finish(), QEV_ERR_IO);
  EXPECT_FALSE(std::filesystem::exists(dir.path("gone.3ds")));  // not recreated empty
}

// Makes path read-only even for root (where chmod alone does not stop writes).
bool make_read_only(const std::string& path) {
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  if (getuid() != 0) return true;
  return std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) == 0;
}

void make_writable(const std::string& path) {
  if (getuid() == 0) (void)std::system(("chattr -i '" + path + "' 2>/dev/null").c_str());
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

TEST(WriterCalls, ReadOnlyFiles) {
  TempDir dir;
  const std::string path = dir.path("ro.3ds");
  write_bytes(path, Bytes(4, 0));
  if (!make_read_only(path)) GTEST_SKIP() << "cannot make a file read-only for root here";
  // Read-only from the start: it cannot be created.
  EXPECT_EQ(QEV_FORM_3DS_FILENAME(path.c_str()), QEV_ERR_CANNOT_CREATE);
  EXPECT_EQ(finish(), QEV_ERR_CANNOT_CREATE);
  make_writable(path);
  // Read-only by the end: the header cannot be rewritten.
  open_with_layers(dir, 1, "ro.3ds");
  n_tri(1, 0);
  QEV_PUT_3DS_TRIANGLE_END();
  ASSERT_TRUE(make_read_only(path));
  EXPECT_EQ(finish(), QEV_ERR_IO);
  make_writable(path);
}

TEST(WriterCalls, EndWithNoFileOpen) {
  EXPECT_EQ(finish(), QEV_ERR_NO_FILE);
  EXPECT_EQ(QEV_PUT_3DS_END(nullptr), QEV_ERR_NO_FILE);
}

TEST(WriterCalls, SecondFormFinishesTheFirstFile) {
  TempDir dir;
  open_with_layers(dir, 1, "first.3ds");
  n_tri(1, 1);
  put(1, 1);
  QEV_PUT_3DS_TRIANGLE_END();
  ASSERT_EQ(QEV_FORM_3DS_FILENAME(dir.path("second.3ds").c_str()), QEV_OK);
  const Bytes first = read_bytes(dir.path("first.3ds"));
  EXPECT_EQ(parse_file(first).length, first.size());
  EXPECT_EQ(finish(), QEV_OK);
  EXPECT_EQ(read_bytes(dir.path("second.3ds")).size(), 32u);
}

TEST(WriterCalls, RefusalsAndTheirResults) {
  TempDir dir;
  open_with_layers(dir, 2);
  const std::int32_t big = 1401, negative = -1, zero = 0;
  std::string long_name(77, 'n'), longest_name(76, 'n');
  std::string long_texture(80, 't'), longest_texture(79, 't');
  struct Case {
    const char* what;
    std::int32_t result;
    std::int32_t expected;
  } cases[] = {
      {"layer 0", layer(0, "x"), QEV_ERR_OUT_OF_RANGE},
      {"layer 1401", layer(1401, "x"), QEV_ERR_OUT_OF_RANGE},
      {"name of 77", layer(1, long_name.c_str()), QEV_ERR_TOO_LONG},
      {"name of 76", layer(1, longest_name.c_str()), QEV_OK},
      {"texture of 80", layer(1, "x", long_texture.c_str()), QEV_ERR_TOO_LONG},
      {"texture of 79", layer(2, "y", longest_texture.c_str()), QEV_OK},
      {"null name", layer(1, nullptr), QEV_ERR_NULL_ARGUMENT},
      {"null layer number", QEV_PUT_3DS_LAYER(nullptr, "x", &zero, &zero, &zero, &zero, ""),
       QEV_ERR_NULL_ARGUMENT},
      {"N_TRI layer 0", n_tri(0, 1), QEV_ERR_OUT_OF_RANGE},
      {"N_TRI layer 1401", n_tri(1401, 1), QEV_ERR_OUT_OF_RANGE},
      {"N_TRI null", QEV_PUT_3DS_N_TRI(nullptr, &zero), QEV_ERR_NULL_ARGUMENT},
      {"N_LAYER null", QEV_PUT_3DS_N_LAYER(nullptr), QEV_ERR_NULL_ARGUMENT},
      {"FORM null", QEV_FORM_3DS_FILENAME(nullptr), QEV_ERR_NULL_ARGUMENT},
      {"FORM path of 1024", QEV_FORM_3DS_FILENAME(std::string(1024, 'p').c_str()),
       QEV_ERR_TOO_LONG},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
  EXPECT_EQ(n_tri(1, 1), 2);
  EXPECT_EQ(put(1, 1, 1, nullptr), QEV_ERR_NULL_ARGUMENT);
  const std::int32_t one = 1;
  EXPECT_EQ(QEV_PUT_3DS_TRIANGLE(&one, nullptr, &one, kCorners, kEdges, kMapping),
            QEV_ERR_NULL_ARGUMENT);
  EXPECT_EQ(put(1, 1), 1);  // the refusals staged nothing
  QEV_PUT_3DS_TRIANGLE_END();
  n_tri(2, 0);
  QEV_PUT_3DS_TRIANGLE_END();
  EXPECT_EQ(QEV_PUT_3DS_TRIANGLE_END(), QEV_ERR_OUT_OF_RANGE);  // more ends than layers
  EXPECT_EQ(put(3, 1), QEV_ERR_OUT_OF_RANGE);                   // a layer never declared
  EXPECT_EQ(finish(), QEV_ERR_INCOMPLETE);
  const Bytes raw = read_bytes(dir.path("out.3ds"));
  const Node root = parse_file(raw);
  EXPECT_EQ(root.length, raw.size());
  EXPECT_EQ(root.find(MDATA)->all(NAMED_OBJECT).size(), 2u);
  EXPECT_EQ(root.find(MDATA)->find(NAMED_OBJECT)->str(), longest_name);
  (void)big;
  (void)negative;
}

// A layer that cannot be begun loses its triangles: the end says so, whether
// its number is out of range or a pointer is null.
TEST(WriterCalls, ALayerRefusedAtItsStartMakesTheFileIncomplete) {
  const std::int32_t zero = 0, one = 1;
  const struct {
    const char* what;
    std::function<std::int32_t()> call;
    std::int32_t refusal;
  } cases[] = {
      {"layer 0", [] { return n_tri(0, 1); }, QEV_ERR_OUT_OF_RANGE},
      {"null layer", [&] { return QEV_PUT_3DS_N_TRI(nullptr, &one); }, QEV_ERR_NULL_ARGUMENT},
      {"null count", [&] { return QEV_PUT_3DS_N_TRI(&one, nullptr); }, QEV_ERR_NULL_ARGUMENT},
      {"accepted", [&] { return QEV_PUT_3DS_N_TRI(&one, &zero); }, 1},
  };
  for (const auto& c : cases) {
    TempDir dir;
    open_with_layers(dir, 1);
    EXPECT_EQ(c.call(), c.refusal) << c.what;
    EXPECT_EQ(finish(), c.refusal == 1 ? QEV_OK : QEV_ERR_INCOMPLETE) << c.what;
  }
}

TEST(WriterCalls, LayerCountOutsideTheTable) {
  TempDir dir;
  ASSERT_EQ(QEV_FORM_3DS_FILENAME(dir.path("c.3ds").c_str()), QEV_OK);
  const std::int32_t too_many = 1401, negative = -3;
  EXPECT_EQ(QEV_PUT_3DS_N_LAYER(&negative), QEV_ERR_OUT_OF_RANGE);
  EXPECT_EQ(n_tri(1, 0), 0);  // clamped to 0 layers: no material
  EXPECT_EQ(QEV_PUT_3DS_N_LAYER(&too_many), QEV_ERR_OUT_OF_RANGE);
  EXPECT_EQ(finish(), QEV_ERR_INCOMPLETE);
  EXPECT_EQ(read_bytes(dir.path("c.3ds")).size(), 32u);
}

TEST(WriterCalls, CapacityOfAnUntexturedLayer) {
  TempDir dir;
  open_with_layers(dir, 1);
  n_tri(1, 40001);
  // Distinct corners: 3 new vertices per triangle, so 13,333 take 39,999
  // and leave room for one.
  std::int32_t t = 1;
  auto corners_of = [](int i) {
    const float x = static_cast<float>(i);
    return std::array<float, 9>{x, 0, 0, x, 1, 0, x, 0, 1};
  };
  for (; t <= 13333; ++t) ASSERT_EQ(put(1, t, 1, corners_of(t).data()), t);
  const std::array<float, 9> two_new = {-6, 0, 0, -7, 0, 0, 1, 0, 0};
  EXPECT_EQ(put(1, t, 1, two_new.data()), QEV_ERR_CAPACITY);  // 2 new, room for 1
  const std::array<float, 9> two_same = {-6, 0, 0, -6, 0, 0, 1, 0, 0};
  EXPECT_EQ(put(1, t, 1, two_same.data()), t);  // the second corner welds to the first
  QEV_PUT_3DS_TRIANGLE_END();
  EXPECT_EQ(finish(), QEV_ERR_INCOMPLETE);
  const Node root = parse_file(read_bytes(dir.path("out.3ds")));
  const Node* mesh = root.find(MDATA)->find(NAMED_OBJECT)->find(N_TRI_OBJECT);
  EXPECT_EQ(mesh->find(POINT_ARRAY)->u16(0), 40000u);
  EXPECT_EQ(mesh->find(FACE_ARRAY)->u16(0), 13334u);
}

TEST(WriterCalls, CapacityOfTriangles) {
  TempDir dir;
  open_with_layers(dir, 1);
  n_tri(1, 40000);
  for (std::int32_t t = 1; t <= 40000; ++t) ASSERT_EQ(put(1, t), t);  // all weld together
  EXPECT_EQ(put(1, 40001), QEV_ERR_CAPACITY);
  QEV_PUT_3DS_TRIANGLE_END();
  EXPECT_EQ(finish(), QEV_ERR_INCOMPLETE);
}

}  // namespace
}  // namespace qev::test
