// The clipper and Blt. A blit to the primary surface shows an off-screen surface in the
// window of the primary's clipper: the destination rectangle is in screen coordinates, is
// moved into the window's client coordinates and clipped to the client area and to the
// source surface. The image goes through the Present of the last device made on the
// source (a device may hold the finished image elsewhere than in the surface's bits), or
// is copied straight from the bits when no device was ever made on it. Tiles of a fast
// clear are filled before a copy between surfaces reads or overwrites them.
// A blit between two off-screen surfaces copies 32-bit pixels, clipped to both.
// Not implemented: stretching (when the two rectangles differ in size, the smaller size is
// copied from both top-left corners), colour fills, colour keys, raster operations, and
// clip lists; a primary surface without a clipper (DDERR_NOCLIPPERATTACHED), or with a
// clipper without a window, has nowhere to show anything.
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/directx/DeviceHelpers.h"
#include "platform/directx/Front.h"
#include "platform/framework/Window.h"

namespace dx::front {

namespace {

// One axis of a copy of length len from src to dst: cuts the span to [0, limit) on the
// side of `clipped`, moving the other side along.
void ClipSpan(int64_t& clipped, int64_t& other, int64_t& len, int64_t limit) {
  if (clipped < 0) {
    other -= clipped;
    len += clipped;
    clipped = 0;
  }
  len = std::min(len, limit - clipped);
}

bool Inverted(const RECT& r) {
  return r.right < r.left || r.bottom < r.top;
}

}  // namespace

Clipper::Clipper(std::shared_ptr<System> system) : ComObject(std::move(system), "clipper") {}

void* Clipper::Find(REFIID riid) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectDrawClipper))
    return static_cast<IDirectDrawClipper*>(this);
  return nullptr;
}

HRESULT Clipper::SetHWnd(DWORD flags, HWND window) {
  if (HRESULT hr = Hook("IDirectDrawClipper::SetHWnd", [&] { return Args(flags, window); });
      FAILED(hr))
    return hr;
  if (flags != 0) return DDERR_INVALIDPARAMS;
  if (window && !IsWindow(window)) return DDERR_INVALIDPARAMS;
  m_Window = window;
  return DD_OK;
}

HRESULT Clipper::GetHWnd(HWND* window) {
  if (HRESULT hr = Hook("IDirectDrawClipper::GetHWnd"); FAILED(hr)) return hr;
  if (!window) return DDERR_INVALIDPARAMS;
  *window = m_Window;
  return DD_OK;
}

HRESULT Surface::Blt(RECT* destRect, IDirectDrawSurface4* source, RECT* sourceRect, DWORD flags,
                     DDBLTFX* effects) {
  if (HRESULT hr = Hook("IDirectDrawSurface4::Blt",
                        [&] { return Args(destRect, source, sourceRect, flags); });
      FAILED(hr))
    return hr;
  Surface* from = Unwrap<Surface>(source);
  if (!from || from == this) return DDERR_INVALIDPARAMS;
  if ((flags & ~DDBLT_WAIT) != 0 || effects) return DDERR_UNSUPPORTED;
  if (from->m_Data.bits.empty() || from->m_Data.format.dwRGBBitCount != 32)
    return DDERR_UNSUPPORTED;
  if (m_Locked || from->m_Locked) return DDERR_SURFACEBUSY;
  const RECT dest = destRect ? *destRect : RECT{0, 0, m_Data.width, m_Data.height};
  const RECT src = sourceRect ? *sourceRect : RECT{0, 0, from->m_Data.width, from->m_Data.height};
  if (Inverted(dest) || Inverted(src)) return DDERR_INVALIDRECT;
  return PresentTo(*from, dest, src);
}

HRESULT Surface::PresentTo(Surface& from, const RECT& dest, const RECT& src) {
  HWND window = nullptr;
  int64_t dx = dest.left, dy = dest.top;
  int64_t limitW = m_Data.width, limitH = m_Data.height;
  if (m_Kind == SurfaceKind::kPrimary) {
    if (!m_Clipper || !m_Clipper->Window()) return DDERR_NOCLIPPERATTACHED;
    window = m_Clipper->Window();
    if (!IsWindow(window)) return DDERR_INVALIDPARAMS;
    const POINT origin = window->ClientOrigin();
    const SIZE client = window->ClientSize();
    dx -= origin.x;
    dy -= origin.y;
    limitW = client.cx;
    limitH = client.cy;
  } else if (m_Data.bits.empty() || m_Data.format.dwRGBBitCount != 32) {
    return DDERR_UNSUPPORTED;
  }
  int64_t sx = src.left, sy = src.top;
  int64_t w = std::min<int64_t>(int64_t{dest.right} - dest.left, int64_t{src.right} - src.left);
  int64_t h = std::min<int64_t>(int64_t{dest.bottom} - dest.top, int64_t{src.bottom} - src.top);
  ClipSpan(sx, dx, w, from.m_Data.width);
  ClipSpan(sy, dy, h, from.m_Data.height);
  ClipSpan(dx, sx, w, limitW);
  ClipSpan(dy, sy, h, limitH);
  if (w <= 0 || h <= 0) return DD_OK;  // nothing of it is visible

  const RECT part{static_cast<LONG>(sx), static_cast<LONG>(sy), static_cast<LONG>(sx + w),
                  static_cast<LONG>(sy + h)};
  const POINT at{static_cast<LONG>(dx), static_cast<LONG>(dy)};
  if (window) {
    if (from.m_Presenter) return from.m_Presenter->Present(from.m_Data, part, window, at);
    PresentScratch scratch;
    return PresentTargetPixels(from.m_Data, part, window, at, scratch);
  }
  FillPending(from.m_Data);
  m_Data.pending.Fill(m_Data.bits.data(), m_Data.pitch, static_cast<int>(dx), static_cast<int>(dy),
                      static_cast<int>(dx + w), static_cast<int>(dy + h));
  for (int64_t row = 0; row < h; ++row) {
    const uint8_t* in =
        std::as_const(from.m_Data.bits).data() + (sy + row) * from.m_Data.pitch + sx * 4;
    uint8_t* out = m_Data.bits.data() + (dy + row) * m_Data.pitch + dx * 4;
    std::memmove(out, in, static_cast<size_t>(w) * 4);
  }
  ++m_Data.version;
  m_Data.opaque = false;
  return DD_OK;
}

}  // namespace dx::front
