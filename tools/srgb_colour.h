// 3DS colours are sRGB bytes; glTF's colour factors are linear.
#pragma once

namespace qev::tool {

// sRGB byte to a linear factor, and back (rounded): every byte survives.
double srgb_to_linear(int byte);
int linear_to_srgb(double linear);

}  // namespace qev::tool
