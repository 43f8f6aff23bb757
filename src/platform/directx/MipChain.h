// The mip chain both devices build from a texture surface: its texels as 0xAARRGGBB (alpha 255
// where the format has none) and the smaller levels down to 1 × 1, each the rounded mean of up
// to four texels of the one above.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/directx/Pipeline.h"

namespace dx {

struct MipLevel {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> texels;  // 0xAARRGGBB
};

// Builds the chain of a 32-bit ARGB or RGB or a 16-bit RGB 565 surface into the first levels
// of 'levels' and returns how many; 0 if the surface cannot be read (another format, a size
// beyond 65536, or bits smaller than pitch × height). 'levels' only grows, so that rebuilding
// a chain of the same size allocates nothing.
int BuildMipChain(const SurfaceData& surface, std::vector<MipLevel>& levels);

}  // namespace dx
