// Thousands of files written and read in one process: memory must not grow.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/scene_io.h"
#include "support/temp_files.h"

namespace qev::test {
namespace {

long resident_kb() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

TEST(Soak, WritingAndReadingThousandsOfFilesHoldsNoMemory) {
  if (resident_kb() == 0) GTEST_SKIP() << "no /proc/self/statm";
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer keeps freed memory in quarantine, so resident memory
  // grows there by design; LeakSanitizer checks that build instead.
  GTEST_SKIP() << "resident memory is not meaningful under AddressSanitizer";
#endif
  TempDir dir;
  const std::string path = dir.path("soak.3ds");
  std::vector<qev3ds::Layer> scene(3);
  for (int k = 0; k < 3; ++k) {
    scene[k].name = "L" + std::to_string(k);
    scene[k].texture = k == 1 ? "t.bmp" : "";
    for (int i = 0; i < 50; ++i) {
      const float x = static_cast<float>(i);
      scene[k].corners.insert(scene[k].corners.end(),
                              {x, 0, 0, x + 1, 0, 0, x, 1, static_cast<float>(k)});
    }
  }
  auto round = [&] {
    ASSERT_EQ(write_by_calls(path, scene), QEV_OK);
    const CallsRead r = read_by_calls(path);
    ASSERT_EQ(r.status, QEV_READ_OK);
    ASSERT_EQ(r.layers.size(), 3u);
    std::int32_t status;
    QEV_READ_3DS_FILENAME(dir.path("missing.3ds").c_str(), &status);  // a failed open
    write_bytes(path, Bytes(100, 0x4D));
    QEV_READ_3DS_FILENAME(path.c_str(), &status);  // a failed parse
  };
  for (int i = 0; i < 300; ++i) round();
  const long warmed = resident_kb();
  for (int i = 0; i < 3000; ++i) round();
  EXPECT_LE(resident_kb() - warmed, 512) << "resident memory grew over 3000 rounds";
}

}  // namespace
}  // namespace qev::test
