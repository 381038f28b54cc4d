// The implementations of tinygltf and of stb's PNG/JPEG/BMP/TGA/GIF reader
// and PNG writer, compiled from their headers.
#define TINYGLTF_IMPLEMENTATION
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <tiny_gltf.h>
