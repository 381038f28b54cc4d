// Texture files named by a scene: found beside the scene file whatever the
// case of the name, brought beside the output in a format glTF takes, and
// named in URIs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qev::tool {

// s with every byte outside RFC 3986's unreserved characters (letters,
// digits, "-._~") and "/" percent-encoded.
std::string percent_encode(std::string_view s);

// The bytes a URI reference names: "%XY" decoded, anything else kept.
std::string percent_decode(std::string_view s);

// The file in folder whose name equals name ignoring ASCII case (an exact
// match first); empty when there is none.
std::string find_case_insensitive(const std::string& folder, const std::string& name);

// For a texture name of a scene read from scene_path, written beside
// out_path: the URI to give it. A PNG or JPEG found beside the scene is
// copied beside the output (unless it is there already); another image
// found there (BMP, TGA, GIF, ...) is converted to PNG beside the output.
// When the file is not found or cannot be converted, the name is kept and a
// sentence saying so is added to warnings.
std::string texture_uri(const std::string& scene_path, const std::string& out_path, const std::string& name,
                        std::vector<std::string>& warnings);

}  // namespace qev::tool
