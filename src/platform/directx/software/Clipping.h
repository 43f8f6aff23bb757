// Clipping in homogeneous screen space against the near and far planes, w near zero and the
// guard band (the kMustClip bits of a vertex's outcode). Inside the guard band the
// rasteriser's scissor does the rest.
#pragma once

#include <cstdint>

#include "platform/directx/software/RasterTypes.h"

namespace dx::software {

inline constexpr int kMaxClipVertices = 3 + 8;  // a triangle gains at most one vertex per plane

// Whether a primitive with these outcodes is dropped before clipping: a value of one of its
// vertices is not finite, or all of them lie outside the same plane (all: the AND of the
// outcodes, any: their OR).
inline bool Rejected(uint32_t all, uint32_t any) {
  return (any & kNotFinite) || (all & kRejectMask);
}

// The triangle a, b, c clipped by the planes (kClip* bits) into a convex polygon in out;
// returns its vertex count, below 3 when nothing is left.
int ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, uint32_t planes,
                 ClipVertex (&out)[kMaxClipVertices]);

// The part of the line from a to b inside the planes, as a to b's parameters t0 ≤ t1; false
// when nothing is left.
bool ClipLine(const ClipVertex& a, const ClipVertex& b, uint32_t planes, float& t0, float& t1);

// The point at t of the way from a to b, attributes included.
ClipVertex Lerp(const ClipVertex& a, const ClipVertex& b, float t);

}  // namespace dx::software
