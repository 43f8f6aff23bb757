// Small pieces both devices need in the same form: texel conversions for textures, and the
// copy of a finished render target's pixels to a window.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
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
  // What a window holds of a picture it shows without a copy: the bits, and the parts.
  struct Shown {
    std::shared_ptr<const void> bits;
    std::vector<PresentPart> parts;
  };

  std::vector<PendingClear::Run> runs;
  std::vector<PresentPart> parts;
  // Two pictures take turns, as the surface's two buffers do.
  std::shared_ptr<Shown> shown[2];
  size_t room = 1;

  // Room for the most parts a surface of so many tiles can give, so that a changing picture
  // does not grow the lists frame by frame.
  void Reserve(size_t tiles) {
    room = std::max(room, tiles);
    runs.reserve(room);
    parts.reserve(room);
    for (const std::shared_ptr<Shown>& s : shown) {
      if (s && s.use_count() == 1) s->parts.reserve(room);
    }
  }
  // Drops the bits of pictures no window holds any longer, so that they count as free.
  void LetGo() {
    for (const std::shared_ptr<Shown>& s : shown) {
      if (s && s.use_count() == 1) s->bits.reset();
    }
  }
  // A picture no window holds, to hand to one.
  std::shared_ptr<Shown> Free() {
    // Both are made at the first present, so that the second allocates nothing.
    for (std::shared_ptr<Shown>& s : shown) {
      if (!s) {
        s = std::make_shared<Shown>();
        s->parts.reserve(room);
      }
    }
    for (const std::shared_ptr<Shown>& s : shown) {
      if (s.use_count() == 1) return s;
    }
    return std::make_shared<Shown>();  // both still shown: a window held on to one
  }
};

// Hands src of a 32-bit render target to the window at dst (client coordinates). The source
// is kept inside the image here; the window clips the destination itself. Tiles still pending
// from a fast clear go as solid parts. Opaque bits are shared with the window, not copied:
// the target's next whole clear moves on to its other buffer.
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
  std::vector<PresentPart>& parts = scratch.parts;
  parts.clear();
  if (!target.pending.Any()) {
    if (!target.opaque)
      return window->PresentImage(pixels, target.pitch, src, dst) ? DD_OK : DDERR_GENERIC;
    parts.push_back({src, dst});
  } else {
    // Tiles of a fast clear that nothing drew on are shown as the clear colour, unwritten.
    std::vector<PendingClear::Run>& runs = scratch.runs;
    scratch.Reserve(target.pending.TileCount());
    target.pending.Split(src, runs);
    for (const PendingClear::Run& run : runs) {
      const POINT at{dst.x + (run.rect.left - src.left), dst.y + (run.rect.top - src.top)};
      parts.push_back({run.rect, at, run.pending, target.pending.Value()});
    }
  }
  if (!target.opaque)
    return window->PresentParts(pixels, target.pitch, parts.data(), parts.size()) ? DD_OK
                                                                                  : DDERR_GENERIC;
  const std::shared_ptr<PresentScratch::Shown> shown = scratch.Free();
  shown->bits = target.bits.Share();
  shown->parts.assign(parts.begin(), parts.end());
  const PresentPart* given = shown->parts.data();
  return window->PresentShared(shown, pixels, target.pitch, given, shown->parts.size())
             ? DD_OK
             : DDERR_GENERIC;
}

}  // namespace dx
