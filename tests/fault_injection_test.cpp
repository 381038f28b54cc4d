// Every file call and allocation of a parse, and every file call of a write,
// made to fail in turn: the reader must end with its documented status, an
// empty scene and nothing held; the writer must report a failure at the end.
// Built against the library compiled with the fault-injection seam.
#include "platform/fault_injection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "qev_3ds_scene.hpp"
#include "reader/reader_state.h"
#include "support/scene_io.h"
#include "support/temp_files.h"

// The replaced operators below pair malloc with free themselves; GCC cannot
// see that across the inlined standard containers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

bool g_armed = false;  // allocations count only while a call is under test
long g_live = 0;       // allocations not yet freed

}  // namespace

void* operator new(std::size_t n) {
  if (g_armed && qev::platform::should_fail(qev::platform::FaultPoint::alloc))
    throw std::bad_alloc();
  void* p = std::malloc(n ? n : 1);
  if (p == nullptr) throw std::bad_alloc();
  ++g_live;
  return p;
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept {
  if (p != nullptr) --g_live;
  std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace qev::test {
namespace {

using qev::platform::counted_calls;
using qev::platform::fail_nth_call;

std::vector<qev3ds::Layer> rich_scene() {
  const std::vector<float> corners = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  const std::vector<float> mapping = {0, 0, 1, 0, 0, 1, 1, 0, 1, 1, 0, 1};
  return {{"Plain", 1, 2, 3, 10, "", corners, mapping, {}},
          {"Textured", 4, 5, 6, 20, "t.bmp", corners, mapping, {}},
          {"Empty", 0, 0, 0, 0, "", {}, {}, {}}};
}

TEST(FaultInjection, EveryFailurePointOfAParse) {
  TempDir dir;
  const std::string path = dir.path("rich.3ds");
  ASSERT_EQ(write_by_calls(path, rich_scene()), QEV_OK);

  // One clean run counts the points (after a first parse has grown the
  // per-layer counters, which later parses of the same file reuse).
  std::int32_t status = -1;
  QEV_READ_3DS_FILENAME(path.c_str(), &status);
  fail_nth_call(0);
  g_armed = true;
  QEV_READ_3DS_FILENAME(path.c_str(), &status);
  g_armed = false;
  const long points = counted_calls();
  ASSERT_EQ(status, QEV_READ_OK);
  ASSERT_GT(points, 20);

  // What the library holds with an empty scene: after a parse that failed.
  const std::string junk = dir.path("junk.3ds");
  write_bytes(junk, Bytes(10, 0x11));
  ASSERT_EQ(QEV_READ_3DS_FILENAME(junk.c_str(), &status), QEV_READ_NOT_3DS);
  const long live_empty = g_live;
  ASSERT_EQ(QEV_READ_3DS_FILENAME(path.c_str(), &status), QEV_READ_OK);

  for (long n = 1; n <= points; ++n) {
    QEV_READ_3DS_END();
    const long live_before = g_live;
    fail_nth_call(n);
    g_armed = true;
    const std::int32_t result = QEV_READ_3DS_FILENAME(path.c_str(), &status);
    g_armed = false;
    fail_nth_call(0);
    ASSERT_EQ(result, status) << n;
    if (status == QEV_READ_OK) {
      // Only the closing of the input can fail without effect on the scene.
      ASSERT_EQ(n, points) << "failure point " << n << " went unnoticed";
      continue;
    }
    switch (n) {
      case 1:
        ASSERT_EQ(status, QEV_READ_CANNOT_OPEN);
        break;
      case 2:
        ASSERT_EQ(status, QEV_READ_CANNOT_SEEK);
        break;
      case 3:
        ASSERT_EQ(status, QEV_READ_CANNOT_TELL);
        break;
      case 4:
        ASSERT_EQ(status, QEV_READ_CANNOT_SEEK);
        break;  // back to the start
      default:
        ASSERT_EQ(status, QEV_READ_NOT_3DS) << n;
    }
    std::int32_t layers = -1;
    ASSERT_EQ(QEV_READ_3DS_N_LAYER(&layers), 0) << n;
    // Opening failures leave the scene as it was (its materials outlive the
    // end of reading); a failed parse leaves it empty.
    ASSERT_EQ(qev::reader::state().scene.materials.empty(), status == QEV_READ_NOT_3DS) << n;
    ASSERT_EQ(g_live, status == QEV_READ_NOT_3DS ? live_empty : live_before)
        << "storage held after failure point " << n;
  }
}

// The scene API through the same seam: every failure gives its status and
// an empty scene, and whatever a failed parse took is freed with it.
TEST(FaultInjection, EveryFailurePointOfASceneRead) {
  TempDir dir;
  const std::string path = dir.path("rich.3ds");
  ASSERT_EQ(write_by_calls(path, rich_scene()), QEV_OK);
  const Bytes bytes = read_bytes(path);
  fail_nth_call(0);
  g_armed = true;
  const long live_before_clean = g_live;
  {
    const auto clean = qev3ds::read_scene(path);
    ASSERT_EQ(clean.status, qev3ds::read_ok);
  }
  g_armed = false;
  const long points = counted_calls();
  ASSERT_EQ(g_live, live_before_clean);
  ASSERT_GT(points, 20);

  for (const bool from_memory : {false, true}) {
    for (long n = 1; n <= points; ++n) {
      const long live_before = g_live;
      fail_nth_call(n);
      g_armed = true;
      qev3ds::ReadResult read =
          from_memory ? qev3ds::read_scene(bytes.data(), bytes.size()) : qev3ds::read_scene(path);
      g_armed = false;
      fail_nth_call(0);
      if (read.status == qev3ds::read_ok && !from_memory) {
        ASSERT_EQ(n, points) << "failure point " << n << " went unnoticed";  // the close
      } else if (read.status != qev3ds::read_ok) {
        if (!from_memory && n <= 4) {
          ASSERT_EQ(read.status, n == 1   ? qev3ds::cannot_open
                                 : n == 3 ? qev3ds::cannot_tell
                                          : qev3ds::cannot_seek)
              << n;
        } else {
          ASSERT_EQ(read.status, qev3ds::not_3ds) << n;
        }
        ASSERT_TRUE(read.scene.meshes.empty() && read.scene.materials.empty()) << n;
      }
      read = qev3ds::ReadResult{};
      ASSERT_EQ(g_live, live_before) << "storage held after failure point " << n;
    }
  }
}

TEST(FaultInjection, EveryFailurePointOfAWrite) {
  TempDir dir;
  const std::string path = dir.path("out.3ds");
  fail_nth_call(0);
  ASSERT_EQ(write_by_calls(path, rich_scene()), QEV_OK);
  const long points = counted_calls();
  ASSERT_GT(points, 5);
  for (long n = 1; n <= points; ++n) {
    fail_nth_call(n);
    const std::int32_t result = write_by_calls(path, rich_scene());
    fail_nth_call(0);
    EXPECT_TRUE(result == QEV_ERR_IO || result == QEV_ERR_CANNOT_CREATE)
        << "failure point " << n << " of " << points << " gave " << result;
  }
  // And the writer works again afterwards.
  EXPECT_EQ(write_by_calls(path, rich_scene()), QEV_OK);
  EXPECT_EQ(read_by_calls(path).layers.size(), 3u);
}

}  // namespace
}  // namespace qev::test
