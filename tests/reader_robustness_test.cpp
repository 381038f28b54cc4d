// Files that are not what they claim: statuses, truncation at every length,
// lengths that would loop or overflow, and the bound on what a parse takes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "reader/reader_state.h"
#include "support/reader_files.h"
#include "support/scene_io.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

class ReaderRobustness : public ::testing::Test {
 protected:
  std::int32_t parse(const Bytes& bytes) { return parse_bytes(dir_, bytes); }
  std::int32_t layers() {
    std::int32_t n = -1;
    return QEV_READ_3DS_N_LAYER(&n);
  }
  const qev::reader::SceneModel& scene() { return qev::reader::state().scene; }

  // A file written by our writer: textured, untextured, several layers.
  Bytes written_file() {
    const std::vector<float> ab = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    const std::string path = dir_.path("written.3ds");
    EXPECT_EQ(write_by_calls(path, {{"One", 1, 2, 3, 10, "", ab, {}, {}},
                                    {"Two", 4, 5, 6, 20, "two.bmp", ab, {}, {}}}),
              QEV_OK);
    return read_bytes(path);
  }

  TempDir dir_;
};

TEST_F(ReaderRobustness, StatusesOfOpeningAndTheRoot) {
  ASSERT_EQ(parse(m3d_file({triangle_object("Keep", "M")}).bytes()), QEV_READ_OK);
  std::int32_t status = -1;
  EXPECT_EQ(QEV_READ_3DS_FILENAME(dir_.path("missing.3ds").c_str(), &status), QEV_READ_CANNOT_OPEN);
  EXPECT_EQ(status, QEV_READ_CANNOT_OPEN);
  EXPECT_EQ(QEV_READ_3DS_FILENAME(nullptr, nullptr), QEV_READ_CANNOT_OPEN);
  EXPECT_EQ(layers(), 1);  // an opening failure leaves the earlier scene

  struct Case {
    const char* what;
    Bytes bytes;
    std::int32_t status;
  } cases[] = {
      {"empty file", {}, QEV_READ_NOT_3DS},
      {"M3DMAGIC of length 6 alone", Chunk(M3DMAGIC).bytes(), QEV_READ_NOT_3DS},
      {"wrong magic", Chunk(0x4D4C).child(Chunk(M3D_VERSION).u32(3)).bytes(), QEV_READ_NOT_3DS},
      {"MDATA of length 6", Chunk(MDATA).bytes(), QEV_READ_OK},
      {"root longer than the file", m3d_file({triangle_object("T", "M")}).length(4000).bytes(),
       QEV_READ_NOT_3DS},
      {"root of length 0", Chunk(M3DMAGIC).length(0).bytes(), QEV_READ_NOT_3DS},
      {"child of length 0", Chunk(MDATA).child(Chunk(0x1111).length(0)).bytes(), QEV_READ_NOT_3DS},
      {"child of length 5", Chunk(MDATA).child(Chunk(0x1111).length(5)).raw(Bytes(8, 0)).bytes(),
       QEV_READ_NOT_3DS},
      {"child ending past 2^31", Chunk(MDATA).child(Chunk(0x1111).length(0x7FFFFFFF)).bytes(),
       QEV_READ_NOT_3DS},
      {"root ending past 2^31", Chunk(MDATA).length(0xFFFFFFF0u).bytes(), QEV_READ_NOT_3DS},
      {"name without NUL before the end",
       Chunk(MDATA).raw({0x00, 0x40, 0x20, 0, 0, 0, 'a', 'b'}).bytes(), QEV_READ_NOT_3DS},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse(c.bytes), c.status) << c.what;
    EXPECT_EQ(layers(), 0) << c.what;  // empty after a failed parse, and for MDATA alone
    EXPECT_TRUE(scene().materials.empty()) << c.what;
  }
}

TEST_F(ReaderRobustness, EveryTruncationOfAWrittenFileFails) {
  const Bytes whole = written_file();
  ASSERT_EQ(parse(whole), QEV_READ_OK);
  for (std::size_t n = 0; n < whole.size(); ++n) {
    const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    ASSERT_EQ(parse(prefix), QEV_READ_NOT_3DS) << "prefix of " << n << " bytes";
    ASSERT_EQ(layers(), 0) << n;
    ASSERT_TRUE(scene().materials.empty()) << n;
  }
}

// Heap bytes a string holds beyond its own object.
std::size_t string_bytes(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; }

// Heap bytes the reader holds for its scene, by capacity.
std::size_t scene_bytes(const qev::reader::SceneModel& s) {
  std::size_t total = s.meshes.capacity() * sizeof(qev::reader::MeshLayer) +
                      s.materials.capacity() * sizeof(qev::reader::MaterialRecord);
  for (const auto& m : s.materials) total += string_bytes(m.name) + string_bytes(m.texture);
  for (const auto& l : s.meshes) {
    total += l.faces.capacity() * sizeof(qev::reader::FaceRecord) + l.vertices.capacity() * 4 +
             l.mapping.capacity() * 4 + l.groups.capacity() * sizeof(qev::reader::FaceGroup) +
             string_bytes(l.name);
    for (const auto& g : l.groups) total += g.indices.capacity() * 2 + string_bytes(g.material);
  }
  // The material index: a bucket array and a node per distinct name.
  const auto& r = qev::reader::state();
  total += r.scene.materials.size() * (sizeof(void*) * 2 + 32);
  return total + (r.triangle_cursors.capacity() + r.texture_flags.capacity()) * 4;
}

TEST_F(ReaderRobustness, HostileFilesStayWithinTheMemoryBound) {
  // Thousands of face groups of count 0, each naming 65,535 faces.
  std::vector<std::uint16_t> abc(3 * 65535, 0);
  Chunk big_faces = faces(abc);
  for (int i = 0; i < 5000; ++i) big_faces.child(mat_group("", {}));
  const Chunk groups = m3d_file({object("G", {points({0, 0, 0}), big_faces})});

  // Many empty meshes, the smallest record a few bytes can make.
  Chunk many_meshes(NAMED_OBJECT);
  many_meshes.str("");
  for (int i = 0; i < 100000; ++i) many_meshes.child(Chunk(N_TRI_OBJECT));

  // Many empty materials.
  Chunk many_materials(MDATA);
  for (int i = 0; i < 100000; ++i) many_materials.child(Chunk(MAT_ENTRY));

  // Overlapping objects: each mesh's array runs through the objects after it,
  // so a literal walk would read (and keep) the rest of the file again and
  // again.
  Chunk overlapping(MDATA);
  for (int i = 0; i < 100000; ++i) {
    overlapping.child(
        Chunk(NAMED_OBJECT)
            .str("")
            .child(Chunk(N_TRI_OBJECT).child(Chunk(POINT_ARRAY).u16(65535).length(14))));
  }

  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {{"count-0 groups", groups.bytes()},
               {"many meshes", Chunk(MDATA).child(many_meshes).bytes()},
               {"many materials", many_materials.bytes()},
               {"overlapping arrays", overlapping.bytes()}};
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    const std::int32_t status = parse(c.bytes);
    const std::size_t held = scene_bytes(scene());
    EXPECT_LE(held, 64 * c.bytes.size() + (1u << 20))
        << c.what << ": " << c.bytes.size() << " bytes of file, status " << status;
    // Generous: a quadratic walk would take minutes here.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << c.what;
  }
}

TEST_F(ReaderRobustness, CountZeroGroupsStillListEveryFace) {
  std::vector<std::uint16_t> abc(3 * 10, 0);
  Chunk f = faces(abc);
  for (int i = 0; i < 3; ++i) f.child(mat_group("G" + std::to_string(i), {}));
  ASSERT_EQ(parse(m3d_file({object("O", {points({0, 0, 0}), f})}).bytes()), QEV_READ_OK);
  const auto& l = scene().meshes.at(0);
  ASSERT_EQ(l.groups.size(), 3u);
  for (const auto& g : l.groups) {
    ASSERT_EQ(g.count, 10);
    for (int j = 0; j < 10; ++j) EXPECT_EQ(g.face(j), j);
  }
}

}  // namespace
}  // namespace qev::test
