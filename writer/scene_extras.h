// The chunks of a scene beyond its faces and first material fields: the
// other maps and map placement, mesh frames, cameras, lights, the master
// scale and the keyframer, each written only when it holds something the
// reader would not give back by default.
#pragma once

#include <string>

#include "interface/qev_3ds_scene.hpp"
#include "writer/chunk_buffer.h"

namespace qev::writer {

// The material's chunks after MAT_TEXMAP's name, amount and tiling: the
// diffuse map's placement (inside the open MAT_TEXMAP) is diffuse_placement.
void diffuse_placement(ChunkBuffer& out, const qev3ds::TextureMap& map);
bool has_placement(const qev3ds::TextureMap& map);
void material_extras(ChunkBuffer& out, const qev3ds::Material& m);
// Inside N_TRI_OBJECT.
void mesh_extras(ChunkBuffer& out, const qev3ds::Mesh& m);
// NAMED_OBJECT chunks of their own.
void camera(ChunkBuffer& out, const qev3ds::Camera& c);
void light(ChunkBuffer& out, const qev3ds::Light& l);
void keyframer(ChunkBuffer& out, const qev3ds::Keyframer& kf);

// What the format cannot hold among these, as write_scene reports it: a
// status and a message, or write_ok.
qev3ds::WriteResult check_extras(const qev3ds::Scene& scene);

}  // namespace qev::writer
