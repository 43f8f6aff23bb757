// Shared records of the software device: a vertex after transform and lighting, the
// per-draw pixel state, and the fixed-point conventions of the rasteriser.
#pragma once

#include <cstdint>

#include "platform/directx/DirectX.h"
#include "platform/directx/PendingClear.h"

namespace dx::software {

// Screen positions are 24.8 fixed point. Direct3D samples pixels at integer coordinates
// (the centre of pixel (x, y) is the point (x, y)), and so does this device.
inline constexpr int kSubPixelBits = 8;
inline constexpr int kSubPixelScale = 1 << kSubPixelBits;
// Geometry is clipped only where it leaves this band (absolute screen pixels); inside it the
// rasteriser's scissor does the work. It keeps fixed-point edge products within 64 bits.
inline constexpr float kGuardBand = 16384.0f;
// One unit of D3DRENDERSTATE_ZBIAS moves depth this far towards the viewer (two steps of a
// 16-bit depth buffer), so that coplanar decals win at every depth format.
inline constexpr double kZBiasUnit = 2.0 / 65535.0;
inline constexpr int kMaxTexCoordSets = 2;

// Outcode bits of a transformed vertex.
enum ClipBits : uint32_t {
  kClipNear = 1u << 0,    // z < 0
  kClipFar = 1u << 1,     // z > w
  kClipW = 1u << 2,       // w too small to divide by
  kClipGuardL = 1u << 3,  // beyond the guard band: must be clipped
  kClipGuardR = 1u << 4,
  kClipGuardT = 1u << 5,
  kClipGuardB = 1u << 6,
  kClipViewL = 1u << 7,  // outside the viewport: only used to reject whole primitives
  kClipViewR = 1u << 8,
  kClipViewT = 1u << 9,
  kClipViewB = 1u << 10,
  kNotFinite = 1u << 11,  // any coordinate or colour is nan or infinite: drop the primitive
  kMustClip = kClipNear | kClipFar | kClipW | kClipGuardL | kClipGuardR | kClipGuardT | kClipGuardB,
  kRejectMask = kClipNear | kClipFar | kClipW | kClipViewL | kClipViewR | kClipViewT | kClipViewB,
};

// Attributes interpolated across a primitive. Colours are in 0..255 units.
struct Attributes {
  float diffuse[4];   // r, g, b, a
  float specular[3];  // r, g, b
  float tex[kMaxTexCoordSets][2];
};

// A vertex in homogeneous screen space: x and y already carry the viewport scale and offset
// (pixel = x / w), z is the clip-space depth (0 at the near plane, w at the far plane).
struct ClipVertex {
  float x, y, z, w;
  Attributes attr;
};

// A vertex ready for rasterisation.
struct ScreenVertex {
  int32_t x, y;  // 24.8 fixed point pixels
  float fx, fy;  // the same position in pixels, for attribute planes
  double z;      // depth in 0..1 buffer units (after the viewport's MinZ/MaxZ)
  float rhw;     // 1 / w, for perspective-correct texture coordinates
  Attributes attr;
};

// Twice the area of the triangle a, b, c in square sub-pixels: positive when it is clockwise on
// the screen (y down), zero when it has none.
inline int64_t SignedArea(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
  return (int64_t{b.x} - a.x) * (int64_t{c.y} - a.y) - (int64_t{c.x} - a.x) * (int64_t{b.y} - a.y);
}

// A transformed and lit vertex of the current draw, cached once per draw call.
struct TransformedVertex {
  float x, y, z, w;  // homogeneous screen space, as in ClipVertex
  uint32_t clipBits;
  // The attributes always; the position only when clipBits has none of kMustClip | kNotFinite.
  ScreenVertex screen;

  ClipVertex Clip() const { return ClipVertex{x, y, z, w, screen.attr}; }
};

// Pixel processing, fixed for one draw call.
struct PixelState {
  // target
  uint8_t* colour = nullptr;
  int colourPitch = 0;
  bool targetHasAlpha = false;
  // depth
  uint8_t* depth = nullptr;
  int depthPitch = 0;
  int depthBits = 0;  // 0 (no test, no write), 16, 24 or 32
  DWORD zFunc = D3DCMP_LESSEQUAL;
  bool zWrite = false;
  double zBias = 0.0;  // subtracted from depth in 0..1 units
  // scissor: the viewport clipped to the target and depth buffer, [x0, x1) × [y0, y1)
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  // colour
  bool flat = false;
  bool specular = false;
  bool blend = false;
  DWORD srcBlend = D3DBLEND_ONE;
  DWORD destBlend = D3DBLEND_ZERO;
  bool alphaTest = false;
  DWORD alphaFunc = D3DCMP_ALWAYS;
  uint32_t alphaRef = 0;
  // texture stages; textured is set when stage 0 samples a texture
  bool textured = false;
  const struct TextureStages* stages = nullptr;
  bool lastPixel = true;  // lines draw their final pixel
  // Fast-clear tiles of the target and of the depth buffer in use; null when none is pending.
  PendingClear* colourPending = nullptr;
  PendingClear* depthPending = nullptr;
  int lane = 0;  // the lane of both (PendingClear::SplitLanes) this state's rows belong to
};

// Fills the pending tiles under the pixels [x0, x1] × [y0, y1] (inclusive, inside the
// scissor) before a primitive touches them.
inline void FillPendingTiles(const PixelState& s, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  const int left = static_cast<int>(x0), top = static_cast<int>(y0);
  const int right = static_cast<int>(x1) + 1, bottom = static_cast<int>(y1) + 1;
  if (s.colourPending) {
    s.colourPending->Fill(s.colour, s.colourPitch, left, top, right, bottom, s.lane);
  }
  if (s.depthPending) s.depthPending->Fill(s.depth, s.depthPitch, left, top, right, bottom, s.lane);
}

}  // namespace dx::software
