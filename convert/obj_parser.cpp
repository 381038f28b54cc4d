// The OBJ/MTL parser's implementation, compiled from its header.
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>
