// Pixel operations after shading: reading, writing and quantising depth in the buffer's own
// format, and blending a shaded pixel with the one in the target.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/directx/software/RasterTypes.h"

namespace dx::software {

// The largest value of a depth buffer of the given bits (16, 24 or 32).
constexpr uint32_t DepthMax(int bits) {
  return bits == 16 ? 0xFFFFu : (bits == 24 ? 0xFFFFFFu : 0xFFFFFFFFu);
}

// The depth stored for z in 0..1: the nearest step, within the buffer's range (nan is 0).
inline uint32_t QuantiseDepth(double z, int bits) {
  const double max = static_cast<double>(DepthMax(bits));
  const double scaled = z * max;
  if (!(scaled > 0.0)) return 0;
  if (scaled >= max) return DepthMax(bits);
  return static_cast<uint32_t>(scaled + 0.5);
}

inline uint32_t ReadDepth(const PixelState& s, int x, int y) {
  const uint8_t* row = s.depth + static_cast<size_t>(y) * s.depthPitch;
  if (s.depthBits == 16) return reinterpret_cast<const uint16_t*>(row)[x];
  const uint32_t v = reinterpret_cast<const uint32_t*>(row)[x];
  return s.depthBits == 24 ? (v & 0xFFFFFFu) : v;
}

inline void WriteDepth(const PixelState& s, int x, int y, uint32_t z) {
  uint8_t* row = s.depth + static_cast<size_t>(y) * s.depthPitch;
  if (s.depthBits == 16) {
    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(z);
  } else {
    reinterpret_cast<uint32_t*>(row)[x] = z;
  }
}

// A colour channel in 0..255 units rounded to a byte, saturated.
inline uint32_t SaturateFloat(float v) {
  return v > 0.0f ? (v < 255.0f ? static_cast<uint32_t>(v + 0.5f) : 255u) : 0u;
}

// The blended pixel for the shaded source src (r g b a, 0..255) over the target's pixel dest
// (0xAARRGGBB) with the state's factors, as r g b a in out.
void Blend(const PixelState& s, const int* src, uint32_t dest, int* out);

}  // namespace dx::software
