// 3DS colours are sRGB bytes; glTF's colour factors are linear.
#pragma once

namespace qev::convert {

// sRGB byte (clamped to 0..255) to its linear factor, the float nearest the
// sRGB curve; and a linear factor back to the nearest byte. Every byte
// survives the round trip, and both give the same answer on every platform.
float srgb_to_linear(int byte);
int linear_to_srgb(double linear);

}  // namespace qev::convert
