// How deeply JSON text nests, measured without parsing it: tinygltf's JSON
// parser recurses once per level, so a file of a few kilobytes of "[[[[..."
// would overflow the stack before any of our checks ran.
#pragma once

#include <cstddef>
#include <string_view>

namespace qev::convert {

// The deepest nesting of arrays and objects a glTF file may have: a glTF's
// own structure needs 6 levels; extras and extensions get the rest.
inline constexpr std::size_t kMaxJsonDepth = 64;

// Whether the arrays and objects of text (brackets inside strings aside)
// nest at most limit deep. The text need not be valid JSON.
bool json_depth_within(std::string_view text, std::size_t limit);

// The JSON text of a glTF file: the whole of a .gltf, or the first chunk of
// a .glb (as far as the bytes go when its length is damaged).
std::string_view gltf_json_text(std::string_view bytes, bool binary);

}  // namespace qev::convert
