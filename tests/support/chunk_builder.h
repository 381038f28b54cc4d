// Builds 3DS byte streams for tests: chunks nest, lengths fill themselves in
// (or take a deliberately wrong value), payload helpers write little-endian.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace qev::test {

using Bytes = std::vector<std::uint8_t>;

class Chunk {
 public:
  explicit Chunk(std::uint16_t id) : id_(id) {}

  Chunk& u8(std::uint8_t v) {
    payload_.push_back(v);
    return *this;
  }
  Chunk& u16(std::uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
  Chunk& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Chunk& f32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return u32(bits);
  }
  Chunk& str(const std::string& s) {
    payload_.insert(payload_.end(), s.begin(), s.end());
    return u8(0);
  }
  Chunk& raw(const Bytes& b) {
    payload_.insert(payload_.end(), b.begin(), b.end());
    return *this;
  }
  Chunk& child(const Chunk& c) {
    children_.push_back(c);
    return *this;
  }
  Chunk& children(std::initializer_list<Chunk> cs) {
    for (const Chunk& c : cs) children_.push_back(c);
    return *this;
  }
  // A length other than the true one.
  Chunk& length(std::uint32_t forced) {
    forced_ = forced;
    return *this;
  }

  Bytes bytes() const {
    Bytes body = payload_;
    for (const Chunk& c : children_) {
      const Bytes b = c.bytes();
      body.insert(body.end(), b.begin(), b.end());
    }
    const auto len = forced_ ? *forced_ : static_cast<std::uint32_t>(body.size() + 6);
    Bytes out(6 + body.size());
    out[0] = static_cast<std::uint8_t>(id_);
    out[1] = static_cast<std::uint8_t>(id_ >> 8);
    for (int i = 0; i < 4; ++i) out[2 + i] = static_cast<std::uint8_t>(len >> (8 * i));
    if (!body.empty()) std::memcpy(out.data() + 6, body.data(), body.size());
    return out;
  }

 private:
  std::uint16_t id_;
  Bytes payload_;
  std::vector<Chunk> children_;
  std::optional<std::uint32_t> forced_;
};

inline Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace qev::test
