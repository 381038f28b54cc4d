// Scenes as layers of triangles, the shape the welding writer takes: what
// the importers build and what `--layers` writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qev_3ds_scene.hpp"

namespace qev::convert {

// A material as the source file defines it, in 3DS terms. A layer made
// from it carries its diffuse colour, transparency and texture itself (an
// importer may change them per layer); the name, specular colour and
// shininess come from here, and all of it for a material no layer uses.
struct SourceMaterial {
  std::string name;
  qev3ds::Rgb diffuse, specular;  // bytes
  std::int16_t shininess = 0;     // percent
  std::int16_t transparency = 0;  // percent
  std::string texture;
  // The texture's placement (u/v scale and offset, rotation), the fields of
  // a 3DS diffuse map; default when the source has none.
  qev3ds::TextureMap placement;
  bool two_sided = false;              // both sides of its faces show
  std::int16_t self_illumination = 0;  // percent
};

using Layers = std::vector<qev3ds::Layer>;

// The source materials beside an importer's layers: of_layer gives each
// layer's index in materials (a layer past its end, or holding kOwn, gets
// a material of its own named after it, as scene_from_layers makes).
// Layers naming one source material share one 3DS material while they
// look alike. The layers form (LayerWriter, "<name>MAT") writes the layers
// alone.
struct LayerMaterials {
  static constexpr std::size_t kOwn = static_cast<std::size_t>(-1);
  std::vector<SourceMaterial> materials;
  std::vector<std::size_t> of_layer;

  void clear() {
    materials.clear();
    of_layer.clear();
  }
  // Appends layer to layers, made from source material m (kOwn for none).
  void add(Layers& layers, qev3ds::Layer layer, std::size_t m) {
    of_layer.resize(layers.size(), kOwn);
    layers.push_back(std::move(layer));
    of_layer.push_back(m);
  }
};

// The layers as a Scene (scene_from_layers), every layer's material made
// from its source material: names kept (cut to 49 characters, made unique),
// specular, shininess, two-sidedness and self-illumination carried, and
// source materials no face uses kept. When first_mesh is not null it gets
// each layer's first mesh, then the mesh count (layers.size() + 1 values).
qev3ds::Scene scene_of_layers(const Layers& layers, const LayerMaterials& materials,
                              std::vector<std::size_t>* first_mesh = nullptr);

// Appends one triangle: nine corner coordinates, six mapping values (null for
// none: zeros) and its smoothing bits. Every importer keeps the three arrays
// whole, one entry set per triangle.
void add_triangle(qev3ds::Layer& layer, const float* corners, const float* mapping,
                  std::int32_t smoothing);

std::size_t triangle_total(const Layers& layers);

// The limits of one file, in words; empty when the layers fit. Over 1,400
// layers is the only one fitted layers (fit_to_capacities) can break.
std::string capacity_problem(const Layers& layers);

// Writes layers through a LayerWriter after checking the capacities, so
// nothing is written when a layer cannot be honoured. The status is the
// writer's (QEV_ERR_CAPACITY for capacities).
qev3ds::WriteResult write_layers(const std::string& path, const Layers& layers);

}  // namespace qev::convert
