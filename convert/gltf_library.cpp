// The implementations of tinygltf and of stb's PNG/JPEG/BMP/TGA/GIF reader
// and PNG writer, compiled from their headers.
#define TINYGLTF_IMPLEMENTATION
// Images a glTF names are never read: only their names become texture
// names, and reading a file a document names is a way to reach files that
// are not the user's to convert.
#define TINYGLTF_NO_EXTERNAL_IMAGE
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <tiny_gltf.h>
