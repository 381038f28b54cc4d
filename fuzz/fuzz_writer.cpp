// Fuzz target: the bytes are a sequence of writer calls with arbitrary
// arguments (in contract or not), ending in QEV_PUT_3DS_END; the file
// written is then read back whole.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "qev_3ds.h"
#include "tests/support/scene_io.h"

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // Mostly small numbers (the useful ones), sometimes any 32-bit value.
  std::int32_t integer() {
    const std::uint8_t b = byte();
    if (b < 240) return static_cast<std::int32_t>(b) - 8;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | byte();
    return static_cast<std::int32_t>(v);
  }
  float real() {
    const std::uint8_t b = byte();
    if (b < 200) return static_cast<float>(b % 16) * 0.5f + static_cast<float>(b / 16) * 0.00003f;
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) bits = (bits << 8) | byte();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;  // any bit pattern: NaN, infinities, subnormals
  }
  std::string text() {
    const std::size_t n = byte() % 100;
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + byte() % 26));
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// In memory-backed storage where there is one: the target writes a file per input.
std::string scratch_path() {
  static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/qev3ds-fuzz-writer-" + std::to_string(getpid()) + ".3ds";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::string path = scratch_path();
  QEV_FORM_3DS_FILENAME(path.c_str());
  // The writer's layer table outlives a file; start every input from the
  // same state so that an input always does the same work.
  const std::int32_t no_layers = 0;
  QEV_PUT_3DS_N_LAYER(&no_layers);
  std::int32_t layer = 1, next = 1;  // a well-behaved host's position
  for (int ops = 0; ops < 300 && !in.empty(); ++ops) {
    switch (in.byte() % 10) {
      case 0: {
        const std::uint8_t which = in.byte() % 4;
        if (which == 0) QEV_FORM_3DS_FILENAME(path.c_str());
        if (which == 1) QEV_FORM_3DS_FILENAME("/nonexistent-dir/x.3ds");
        if (which == 2) QEV_FORM_3DS_FILENAME(nullptr);
        if (which == 3) QEV_FORM_3DS_FILENAME(std::string(1100, 'p').c_str());
        break;
      }
      case 1: {
        // Mostly a few layers (each costs a material per N_TRI for layer 1),
        // now and then any count.
        const std::uint8_t how = in.byte();
        const std::int32_t n = how < 252 ? how % 12 : in.integer();
        QEV_PUT_3DS_N_LAYER(in.byte() == 0 ? nullptr : &n);
        break;
      }
      case 2: {
        const std::int32_t k = in.integer(), tr = in.integer(), r = in.integer(), g = in.integer(),
                           b = in.integer();
        const std::string name = in.text(), texture = in.byte() % 2 ? in.text() : std::string();
        QEV_PUT_3DS_LAYER(&k, in.byte() == 0 ? nullptr : name.c_str(), &tr, &r, &g, &b,
                          texture.c_str());
        break;
      }
      case 3: {
        const std::int32_t k = in.byte() % 2 ? layer : in.integer(), m = in.integer();
        if (k == layer) next = 1;
        QEV_PUT_3DS_N_TRI(&k, &m);
        break;
      }
      case 4:
      case 5:
      case 6: {
        // Mostly the triangle a host would send next, sometimes any.
        const bool in_order = in.byte() % 4 != 0;
        const std::int32_t k = in_order ? layer : in.integer();
        const std::int32_t t = in_order ? next : in.integer();
        const std::int32_t s = in.integer();
        float corners[9], mapping[6];
        std::int32_t edges[3];
        for (float& c : corners) c = in.real();
        for (float& m : mapping) m = in.real();
        for (std::int32_t& e : edges) e = in.integer();
        const std::uint8_t nulls = in.byte();
        const std::int32_t r =
            QEV_PUT_3DS_TRIANGLE(&k, &t, &s, nulls == 1 ? nullptr : corners,
                                 nulls == 2 ? nullptr : edges, nulls == 3 ? nullptr : mapping);
        if (r == t && k == layer) next = t + 1;
        break;
      }
      case 7:
        if (QEV_PUT_3DS_TRIANGLE_END() == QEV_OK) {
          ++layer;
          next = 1;
        }
        break;
      case 8: {
        std::int32_t status;
        QEV_PUT_3DS_END(in.byte() % 2 ? &status : nullptr);
        break;
      }
      default: {
        // A well-behaved run of triangles sharing corners.
        const int count = in.byte() % 32;
        for (int i = 0; i < count; ++i) {
          const float x = static_cast<float>(i % 8), y = static_cast<float>(i / 8);
          const float corners[9] = {x, y, 0, x + 1, y, 0, x, y + 1, 0};
          const float mapping[6] = {0, 0, 1, 0, 0, 1};
          const std::int32_t edges[3] = {1, 1, 1}, s = 1;
          if (QEV_PUT_3DS_TRIANGLE(&layer, &next, &s, corners, edges, mapping) == next) ++next;
        }
      }
    }
  }
  std::int32_t status;
  QEV_PUT_3DS_END(&status);
  qev::test::read_whole_scene(path);
  std::remove(path.c_str());
  return 0;
}
