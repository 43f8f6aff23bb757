// Small pieces both devices need in the same form: texel conversions for textures, and the
// copy of a finished render target's pixels to a window.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/directx/Pipeline.h"
#include "platform/framework/Window.h"

namespace dx {

// RGB 565 to 0xAARRGGBB, opaque, with the low bits filled from the high ones.
inline uint32_t Expand565(uint16_t p) {
  const uint32_t r = (p >> 11) & 0x1F, g = (p >> 5) & 0x3F, b = p & 0x1F;
  return 0xFF000000u | (((r << 3) | (r >> 2)) << 16) | (((g << 2) | (g >> 4)) << 8) |
         ((b << 3) | (b >> 2));
}

// Average of four texels per channel, rounded, for the next smaller mip level.
inline uint32_t AverageTexels(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t sum = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF) + ((c >> shift) & 0xFF) +
                         ((d >> shift) & 0xFF);
    out |= ((sum + 2) / 4) << shift;
  }
  return out;
}

// Lists kept between presents, so that showing a frame allocates nothing once they have grown.
struct PresentScratch {
  std::vector<PendingClear::Run> runs;
  std::vector<PresentPart> parts;

  // Room for the most parts a surface of so many tiles can give, so that a changing picture
  // does not grow the lists frame by frame.
  void Reserve(size_t tiles) {
    runs.reserve(tiles);
    parts.reserve(tiles);
  }
};

// Hands src of a 32-bit render target to the window at dst (client coordinates). The source
// is kept inside the image here; the window clips the destination itself. Tiles still pending
// from a fast clear go as solid parts.
inline HRESULT PresentTargetPixels(const SurfaceData& target, RECT src, HWND window, POINT dst,
                                   PresentScratch& scratch) {
  if (src.left < 0) {
    dst.x -= src.left;
    src.left = 0;
  }
  if (src.top < 0) {
    dst.y -= src.top;
    src.top = 0;
  }
  src.right = std::min<LONG>(src.right, target.width);
  src.bottom = std::min<LONG>(src.bottom, target.height);
  if (src.left >= src.right || src.top >= src.bottom) return DD_OK;
  const auto* pixels = reinterpret_cast<const uint32_t*>(target.bits.data());
  if (!target.pending.Any())
    return window->PresentImage(pixels, target.pitch, src, dst) ? DD_OK : DDERR_GENERIC;
  // Tiles of a fast clear that nothing drew on are shown as the clear colour, unwritten.
  std::vector<PendingClear::Run>& runs = scratch.runs;
  std::vector<PresentPart>& parts = scratch.parts;
  scratch.Reserve(target.pending.TileCount());
  target.pending.Split(src, runs);
  parts.clear();
  for (const PendingClear::Run& run : runs) {
    const POINT at{dst.x + (run.rect.left - src.left), dst.y + (run.rect.top - src.top)};
    parts.push_back({run.rect, at, run.pending, target.pending.Value()});
  }
  return window->PresentParts(pixels, target.pitch, parts.data(), parts.size()) ? DD_OK
                                                                                : DDERR_GENERIC;
}

}  // namespace dx
