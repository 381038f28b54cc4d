// LayerWriter: the thirteen writing functions' calling order over a writer
// state the caller owns instead of the process-wide one.
#include <memory>
#include <new>
#include <string>

#include "interface/qev_3ds.h"
#include "interface/qev_3ds_scene.hpp"
#include "platform/file_io.h"
#include "writer/writer_api.h"
#include "writer/writer_state.h"

namespace qev3ds {

struct LayerWriter::State {
  qev::writer::WriterState writer;
};

LayerWriter::LayerWriter()
    : state_(new State()) {}  // value-initialised: zero, as static storage is
LayerWriter::~LayerWriter() { delete state_; }
LayerWriter::LayerWriter(LayerWriter&& o) noexcept : state_(o.state_) { o.state_ = nullptr; }
LayerWriter& LayerWriter::operator=(LayerWriter&& o) noexcept {
  std::swap(state_, o.state_);
  return *this;
}

namespace {

std::string layer_words(std::size_t k, const Layer& l) {
  return "layer " + std::to_string(k) + " ('" + l.name + "')";
}

}  // namespace

WriteResult LayerWriter::write(const std::string& path, const std::vector<Layer>& layers) noexcept {
  try {
    if (state_ == nullptr) state_ = new State();
    for (std::size_t k = 0; k < layers.size(); ++k) {
      const Layer& l = layers[k];
      const std::size_t n = l.triangle_count();
      if (l.corners.size() != 9 * n || (!l.mapping.empty() && l.mapping.size() != 6 * n) ||
          (!l.smoothing.empty() && l.smoothing.size() != n)) {
        return {
            write_out_of_range,
            layer_words(k + 1, l) + ": its corners, mapping and smoothing are not whole triangles"};
      }
      if (n > 0x7FFFFFFF || layers.size() > 0x7FFFFFFF)
        return {write_out_of_range, layer_words(k + 1, l) + ": too many triangles"};
    }
    std::string temp;
    if (std::FILE* f = qev::platform::create_temp_beside(path, temp)) qev::platform::close_file(f);
    if (temp.empty()) return {write_cannot_create, "cannot create a file beside " + path};

    qev::writer::WriterState& w = state_->writer;
    WriteResult result;
    const auto refused = [&](std::int32_t status, const std::string& what) {
      if (result.ok()) result = {status, what};
    };
    std::int32_t r = qev::writer::form_file(w, temp.c_str());
    if (r != QEV_OK) {
      qev::writer::finish_file(w);
      qev::platform::remove_file(temp.c_str());
      return {write_cannot_create, "cannot create " + path};
    }
    const auto count = static_cast<std::int32_t>(layers.size());
    r = qev::writer::put_layer_count(w, count);
    if (r != QEV_OK) refused(r, "more layers than a file holds");
    for (std::int32_t k = 1; k <= count; ++k) {
      const Layer& l = layers[static_cast<std::size_t>(k - 1)];
      r = qev::writer::put_layer(w, k, l.name.c_str(), l.transparency, l.red, l.green, l.blue,
                                 l.texture.c_str());
      if (r != QEV_OK)
        refused(r, layer_words(static_cast<std::size_t>(k), l) + " was refused (" +
                       std::to_string(r) + ")");
    }
    const std::int32_t edges[3] = {1, 1, 1};
    const float no_mapping[6] = {0, 0, 0, 0, 0, 0};
    for (std::int32_t k = 1; k <= count; ++k) {
      const Layer& l = layers[static_cast<std::size_t>(k - 1)];
      const auto m = static_cast<std::int32_t>(l.triangle_count());
      qev::writer::begin_layer(w, k, m);
      for (std::int32_t t = 1; t <= m; ++t) {
        const std::size_t i = static_cast<std::size_t>(t - 1);
        const std::int32_t smoothing = l.smoothing.empty() ? 0 : l.smoothing[i];
        const float* mapping = l.mapping.empty() ? no_mapping : &l.mapping[6 * i];
        r = qev::writer::put_triangle(w, k, t, smoothing, &l.corners[9 * i], edges, mapping);
        if (r != t) {
          refused(r, layer_words(static_cast<std::size_t>(k), l) + " triangle " +
                         std::to_string(t) + " was refused (" + std::to_string(r) + ")");
        }
      }
      qev::writer::end_layer(w);
    }
    r = qev::writer::finish_file(w);
    if (r != QEV_OK) refused(r, "writing " + path + " failed (" + std::to_string(r) + ")");
    if (result.ok() && !qev::platform::replace_file(temp.c_str(), path.c_str())) {
      result = {write_io, "cannot put " + path + " in place"};
    }
    if (!result.ok()) qev::platform::remove_file(temp.c_str());
    return result;
  } catch (const std::bad_alloc&) {
    return {write_io, "out of memory"};
  } catch (...) {
    return {write_io, "writing " + path + " failed"};
  }
}

}  // namespace qev3ds
