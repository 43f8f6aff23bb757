// The row path: a solid triangle in the common pixel state (no blending, alpha test or
// texture) drawn row by row between the exact edge positions, with colour and depth as
// integer planes stepped along each row.
#pragma once

#include <cstdint>

#include "platform/directx/software/EdgeWalk.h"
#include "platform/directx/software/RasterTypes.h"

namespace dx::software {

// A set-up triangle of the row path. Colour is 16.16 fixed point of 0..255 in lanes b, g, r, a
// whose arithmetic wraps modulo 2^32 (only values inside the triangle need come out right);
// depth is 48.16 of the depth buffer's integer range. Both are planes anchored at the pixel
// (anchorX, anchorY), the one nearest a vertex.
struct RowTriangle {
  const PixelState* state;
  int64_t colFirst, colLast, rowFirst;
  bool cut;  // the scissor narrows the columns
  int32_t anchorX, anchorY;
  int32_t colour[4], colourStepX[4], colourStepY[4];
  int64_t z, zStepX, zStepY;
  uint64_t* written;
};
using RowPathFn = void (*)(const RowTriangle&, EdgeSet&);

// Whether a pixel state can take the row path at all.
inline bool RowPathServes(const PixelState& state) {
  return !state.blend && !state.alphaTest && !state.textured;
}

// The row path's drawing for a pixel state; clampDepth for triangles whose depth may leave
// the buffer's range.
RowPathFn PickRowPath(const PixelState& state, bool clampDepth);

// The depth buffer's range in the row path's 48.16 depth, for SetupRowTriangle.
double RowPathDepthScale(const PixelState& state);

// The planes of a clockwise triangle a, b, c (inverseArea: one over its area in pixels);
// false when its gradients are too steep for them. clampDepth tells whether depth may leave
// the range. Sets everything but the state, columns, rows and counter.
bool SetupRowTriangle(const PixelState& state, double depthScale, const ScreenVertex& a,
                      const ScreenVertex& b, const ScreenVertex& c, const ScreenVertex& provoking,
                      double inverseArea, RowTriangle& t, bool& clampDepth);

}  // namespace dx::software
