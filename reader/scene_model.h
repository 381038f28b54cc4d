// The parsed scene is the public scene value: the walk fills a
// qev3ds::Scene directly, for the C functions and the C++ API alike.
#pragma once

#include "format/chunk_ids.h"
#include "interface/qev_3ds_scene.hpp"

namespace qev::reader {

inline constexpr int kNameBuffer = kReaderNameChars + 1;
inline constexpr char kDefaultGroupName[] = "WG_DEFAULT";

using SceneModel = qev3ds::Scene;
using MeshLayer = qev3ds::Mesh;
using FaceRecord = qev3ds::Face;
using FaceGroup = qev3ds::FaceGroup;
using MaterialRecord = qev3ds::Material;
using Rgb = qev3ds::Rgb;

}  // namespace qev::reader
