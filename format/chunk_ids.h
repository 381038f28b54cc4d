// Chunk identifiers of the 3DS subset this library reads and writes, and the
// fixed sizes both directions agree on.
#pragma once

#include <cstdint>

namespace qev {

using ChunkId = std::uint16_t;

// File root and version records.
inline constexpr ChunkId M3DMAGIC = 0x4D4D;
inline constexpr ChunkId M3D_VERSION = 0x0002;
inline constexpr ChunkId MDATA = 0x3D3D;
inline constexpr ChunkId MESH_VERSION = 0x3D3E;

// Materials.
inline constexpr ChunkId MAT_ENTRY = 0xAFFF;
inline constexpr ChunkId MAT_NAME = 0xA000;
inline constexpr ChunkId MAT_DIFFUSE = 0xA020;
inline constexpr ChunkId MAT_SPECULAR = 0xA030;
inline constexpr ChunkId MAT_SHININESS = 0xA040;
inline constexpr ChunkId MAT_TRANSPARENCY = 0xA050;
inline constexpr ChunkId MAT_TWO_SIDE = 0xA081;
inline constexpr ChunkId MAT_SHADING = 0xA100;
inline constexpr ChunkId MAT_TEXMAP = 0xA200;
inline constexpr ChunkId MAT_MAPNAME = 0xA300;
inline constexpr ChunkId MAT_MAP_TILING = 0xA351;
inline constexpr ChunkId MAT_MAP_TEXBLUR = 0xA353;

// More of a material: ambient colour, flags, percentages and the other maps.
inline constexpr ChunkId MAT_AMBIENT = 0xA010;
inline constexpr ChunkId MAT_SHIN2PCT = 0xA041;
inline constexpr ChunkId MAT_XPFALL = 0xA052;
inline constexpr ChunkId MAT_SELF_ILPCT = 0xA084;
inline constexpr ChunkId MAT_ADDITIVE = 0xA083;
inline constexpr ChunkId MAT_WIRE = 0xA085;
inline constexpr ChunkId MAT_XPFALLIN = 0xA08A;
inline constexpr ChunkId MAT_SPECMAP = 0xA204;
inline constexpr ChunkId MAT_OPACMAP = 0xA210;
inline constexpr ChunkId MAT_REFLMAP = 0xA220;
inline constexpr ChunkId MAT_BUMPMAP = 0xA230;
inline constexpr ChunkId MAT_TEX2MAP = 0xA33A;
inline constexpr ChunkId MAT_SHINMAP = 0xA33C;
inline constexpr ChunkId MAT_SELFIMAP = 0xA33D;
inline constexpr ChunkId MAT_MAP_USCALE = 0xA354;
inline constexpr ChunkId MAT_MAP_VSCALE = 0xA356;
inline constexpr ChunkId MAT_MAP_UOFFSET = 0xA358;
inline constexpr ChunkId MAT_MAP_VOFFSET = 0xA35A;
inline constexpr ChunkId MAT_MAP_ANG = 0xA35C;

// The whole scene's scale, mesh extras, cameras and lights.
inline constexpr ChunkId MASTER_SCALE = 0x0100;
inline constexpr ChunkId MESH_COLOR = 0x4165;
inline constexpr ChunkId MESH_TEXTURE_INFO = 0x4170;
inline constexpr ChunkId N_DIRECT_LIGHT = 0x4600;
inline constexpr ChunkId DL_SPOTLIGHT = 0x4610;
inline constexpr ChunkId DL_OFF = 0x4620;
inline constexpr ChunkId DL_MULTIPLIER = 0x465B;
inline constexpr ChunkId N_CAMERA = 0x4700;
inline constexpr ChunkId CAM_RANGES = 0x4720;

// The keyframer: its header and segment, node tags and their children.
inline constexpr ChunkId KFDATA = 0xB000;
inline constexpr ChunkId KFSEG = 0xB008;
inline constexpr ChunkId KFCURTIME = 0xB009;
inline constexpr ChunkId KFHDR = 0xB00A;
inline constexpr ChunkId NODE_HDR = 0xB010;
inline constexpr ChunkId INSTANCE_NAME = 0xB011;
inline constexpr ChunkId PIVOT = 0xB013;
inline constexpr ChunkId NODE_ID = 0xB030;

// Colour and percentage leaves.
inline constexpr ChunkId COLOR_F = 0x0010;
inline constexpr ChunkId COLOR_24 = 0x0011;
inline constexpr ChunkId LIN_COLOR_24 = 0x0012;
inline constexpr ChunkId LIN_COLOR_F = 0x0013;
inline constexpr ChunkId INT_PERCENTAGE = 0x0030;
inline constexpr ChunkId FLOAT_PERCENTAGE = 0x0031;

// Objects and meshes.
inline constexpr ChunkId NAMED_OBJECT = 0x4000;
inline constexpr ChunkId N_TRI_OBJECT = 0x4100;
inline constexpr ChunkId POINT_ARRAY = 0x4110;
inline constexpr ChunkId FACE_ARRAY = 0x4120;
inline constexpr ChunkId MSH_MAT_GROUP = 0x4130;
inline constexpr ChunkId TEX_VERTS = 0x4140;
inline constexpr ChunkId SMOOTH_GROUP = 0x4150;
inline constexpr ChunkId MESH_MATRIX = 0x4160;

// Every chunk starts with a u16 id and a u32 length that counts these bytes.
inline constexpr std::uint32_t kChunkHeaderSize = 6;
// Payload sizes of the fixed-size records.
inline constexpr std::uint32_t kPointSize = 12;   // f32 x, y, z
inline constexpr std::uint32_t kTexVertSize = 8;  // f32 u, v
inline constexpr std::uint32_t kFaceSize = 8;     // u16 a, b, c, flags
inline constexpr std::uint32_t kMeshMatrixFloats = 12;
// The reader keeps at most this many characters of any name, plus a NUL.
inline constexpr int kReaderNameChars = 49;

}  // namespace qev
