// DirectDraw surfaces: the primary surface (the whole display; no pixel storage, it shows
// render targets in windows through its clipper), off-screen render targets (32-bit RGB),
// z-buffers (16, 24 in 32-bit words, or 32 bits) and textures (32-bit ARGB or 16-bit 565),
// with Lock/Unlock, descriptions, z-buffer attachment and the clipper reference.
// Not implemented: flipping chains, mipmaps, palettes, colour keys, overlays, lost surfaces
// (a surface here is never lost, so IsLost and Restore always succeed).
#include <algorithm>
#include <new>

#include "platform/directx/Front.h"

namespace dx::front {

namespace {

constexpr DWORD kKindCaps =
    DDSCAPS_PRIMARYSURFACE | DDSCAPS_OFFSCREENPLAIN | DDSCAPS_ZBUFFER | DDSCAPS_TEXTURE;
// Large enough for any window, small enough that width × height × 4 cannot overflow.
constexpr DWORD kMaxSide = 16384;

DDPIXELFORMAT RgbFormat(DWORD bits, bool alpha) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof(DDPIXELFORMAT);
  f.dwFlags = DDPF_RGB | (alpha ? DDPF_ALPHAPIXELS : 0);
  f.dwRGBBitCount = bits;
  if (bits == 16) {
    f.dwRBitMask = 0xF800;
    f.dwGBitMask = 0x07E0;
    f.dwBBitMask = 0x001F;
  } else {
    f.dwRBitMask = 0xFF0000;
    f.dwGBitMask = 0x00FF00;
    f.dwBBitMask = 0x0000FF;
    f.dwRGBAlphaBitMask = alpha ? 0xFF000000u : 0;
  }
  return f;
}

bool SameRgb(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
  return a.dwFlags == b.dwFlags && a.dwRGBBitCount == b.dwRGBBitCount &&
         a.dwRBitMask == b.dwRBitMask && a.dwGBitMask == b.dwGBitMask &&
         a.dwBBitMask == b.dwBBitMask && a.dwRGBAlphaBitMask == b.dwRGBAlphaBitMask;
}

// Bytes per pixel of a format this front stores, 0 for one it refuses.
int StoredBytes(SurfaceKind kind, const DDPIXELFORMAT& f) {
  switch (kind) {
    case SurfaceKind::kOffscreen:
      return SameRgb(f, RgbFormat(32, false)) || SameRgb(f, RgbFormat(32, true)) ? 4 : 0;
    case SurfaceKind::kTexture:
      if (SameRgb(f, RgbFormat(32, true)) || SameRgb(f, RgbFormat(32, false))) return 4;
      return SameRgb(f, RgbFormat(16, false)) ? 2 : 0;
    case SurfaceKind::kZBuffer:
      if (!(f.dwFlags & DDPF_ZBUFFER)) return 0;
      if (f.dwZBufferBitDepth == 16) return 2;
      return f.dwZBufferBitDepth == 24 || f.dwZBufferBitDepth == 32 ? 4 : 0;
    case SurfaceKind::kPrimary:
      return 0;
  }
  return 0;
}

HRESULT KindOf(DWORD caps, SurfaceKind& kind) {
  const DWORD kinds = caps & kKindCaps;
  if (kinds & (kinds - 1)) return DDERR_INVALIDCAPS;  // more than one kind asked for
  const bool device = caps & DDSCAPS_3DDEVICE;
  if (kinds == DDSCAPS_PRIMARYSURFACE) {
    kind = SurfaceKind::kPrimary;
  } else if (kinds == DDSCAPS_ZBUFFER) {
    kind = SurfaceKind::kZBuffer;
  } else if (kinds == DDSCAPS_TEXTURE) {
    kind = SurfaceKind::kTexture;
  } else {
    kind = SurfaceKind::kOffscreen;
    return DD_OK;
  }
  // Only off-screen surfaces are drawn into; the screen and z-buffers are not.
  return device ? DDERR_INVALIDCAPS : DD_OK;
}

const char* TagFor(SurfaceKind kind, DWORD caps) {
  switch (kind) {
    case SurfaceKind::kPrimary:
      return "primary";
    case SurfaceKind::kZBuffer:
      return "zbuffer";
    case SurfaceKind::kTexture:
      return "texture";
    case SurfaceKind::kOffscreen:
      break;
  }
  return caps & DDSCAPS_3DDEVICE ? "rendertarget" : "offscreen";
}

}  // namespace

bool IsSurfaceDescSize(DWORD size) {
  return size == kDDSurfaceDesc2PublishedSize || size == sizeof(DDSURFACEDESC2);
}

HRESULT Surface::Create(std::shared_ptr<System> system, const DDSURFACEDESC2& desc,
                        ComRef<Surface>& out) {
  if (!IsSurfaceDescSize(desc.dwSize)) return DDERR_INVALIDPARAMS;
  const DWORD caps = desc.dwFlags & DDSD_CAPS ? desc.ddsCaps.dwCaps : DDSCAPS_OFFSCREENPLAIN;
  SurfaceKind kind{};
  if (HRESULT hr = KindOf(caps, kind); FAILED(hr)) return hr;
  const bool sized = (desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) == (DDSD_WIDTH | DDSD_HEIGHT);

  SurfaceData data;
  data.caps = caps;
  if (kind == SurfaceKind::kPrimary) {
    // The primary surface is the display: its size and format come from the system.
    if (desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) return DDERR_INVALIDPARAMS;
    const DWORD bits = system->displayBitsPerPixel;
    data.width = system->displaySize.cx;
    data.height = system->displaySize.cy;
    data.format = RgbFormat(bits, false);
    data.pitch = data.width * static_cast<int>((bits + 7) / 8);
  } else {
    if (!sized || desc.dwWidth == 0 || desc.dwHeight == 0) return DDERR_INVALIDPARAMS;
    if (desc.dwWidth > kMaxSide || desc.dwHeight > kMaxSide) return DDERR_INVALIDPARAMS;
    if (desc.dwFlags & DDSD_PIXELFORMAT) {
      data.format = desc.ddpfPixelFormat;
      data.format.dwSize = sizeof(DDPIXELFORMAT);
    } else if (kind == SurfaceKind::kZBuffer) {
      return DDERR_INVALIDPIXELFORMAT;  // a z-buffer must say its depth
    } else {
      data.format = RgbFormat(32, kind == SurfaceKind::kTexture);
    }
    const int bytes = StoredBytes(kind, data.format);
    if (bytes == 0) return DDERR_INVALIDPIXELFORMAT;
    data.width = static_cast<int>(desc.dwWidth);
    data.height = static_cast<int>(desc.dwHeight);
    data.pitch = data.width * bytes;
    try {
      data.bits.assign(static_cast<size_t>(data.pitch) * data.height, 0);
    } catch (const std::bad_alloc&) {
      return DDERR_OUTOFMEMORY;
    }
  }
  data.pending.SetEnabled(system->fastClears);
  ComRef<Surface> surface(new Surface(std::move(system), kind, TagFor(kind, caps)));
  surface->m_Data = std::move(data);
  out = std::move(surface);
  return DD_OK;
}

Surface::Surface(std::shared_ptr<System> system, SurfaceKind kind, const char* tag)
    : ComObject(std::move(system), tag), m_Kind(kind) {}

Surface::~Surface() {
  for (ComRef<Surface>& attached : m_Attached) attached->m_AttachedTo = nullptr;
}

void* Surface::Find(REFIID riid) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectDrawSurface4))
    return static_cast<IDirectDrawSurface4*>(this);
  if (m_Kind == SurfaceKind::kTexture && IsEqualGUID(riid, IID_IDirect3DTexture2))
    return static_cast<IDirect3DTexture2*>(this);
  return nullptr;
}

bool Surface::IsRenderTarget() const {
  return m_Kind == SurfaceKind::kOffscreen && (m_Data.caps & DDSCAPS_3DDEVICE);
}

Surface* Surface::AttachedZBuffer() const {
  for (const ComRef<Surface>& attached : m_Attached) {
    if (attached->m_Kind == SurfaceKind::kZBuffer) return attached.Get();
  }
  return nullptr;
}

void Surface::Describe(DDSURFACEDESC2& desc) const {
  const DWORD size = desc.dwSize;
  desc = DDSURFACEDESC2{};
  desc.dwSize = size;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc.dwWidth = static_cast<DWORD>(m_Data.width);
  desc.dwHeight = static_cast<DWORD>(m_Data.height);
  desc.lPitch = m_Data.pitch;
  desc.ddpfPixelFormat = m_Data.format;
  desc.ddsCaps.dwCaps = m_Data.caps;
}

HRESULT Surface::GetSurfaceDesc(DDSURFACEDESC2* desc) {
  if (HRESULT hr = Hook("IDirectDrawSurface4::GetSurfaceDesc"); FAILED(hr)) return hr;
  if (!desc || !IsSurfaceDescSize(desc->dwSize)) return DDERR_INVALIDPARAMS;
  Describe(*desc);
  return DD_OK;
}

HRESULT Surface::Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE /*event*/) {
  if (HRESULT hr = Hook("IDirectDrawSurface4::Lock", [&] { return Args(rect, flags); }); FAILED(hr))
    return hr;
  if (!desc || !IsSurfaceDescSize(desc->dwSize)) return DDERR_INVALIDPARAMS;
  if (m_Data.bits.empty()) return DDERR_UNSUPPORTED;  // the display cannot be read back
  if (m_Locked) return DDERR_SURFACEBUSY;
  RECT area{0, 0, m_Data.width, m_Data.height};
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right > m_Data.width ||
        rect->bottom > m_Data.height || rect->left >= rect->right || rect->top >= rect->bottom)
      return DDERR_INVALIDRECT;
    area = *rect;
  }
  Describe(*desc);
  FillPending(m_Data);
  const int bytes = m_Data.pitch / m_Data.width;
  desc->dwFlags |= DDSD_LPSURFACE;
  desc->lpSurface = m_Data.bits.data() + static_cast<size_t>(area.top) * m_Data.pitch +
                    static_cast<size_t>(area.left) * bytes;
  m_Locked = true;
  return DD_OK;
}

HRESULT Surface::Unlock(RECT* rect) {
  if (HRESULT hr = Hook("IDirectDrawSurface4::Unlock", [&] { return Args(rect); }); FAILED(hr))
    return hr;
  if (!m_Locked) return DDERR_NOTLOCKED;
  m_Locked = false;
  ++m_Data.version;
  m_Data.opaque = false;
  return DD_OK;
}

HRESULT Surface::AddAttachedSurface(IDirectDrawSurface4* surface) {
  if (HRESULT hr = Hook("IDirectDrawSurface4::AddAttachedSurface", [&] { return Args(surface); });
      FAILED(hr))
    return hr;
  Surface* z = Unwrap<Surface>(surface);
  if (!z) return DDERR_INVALIDPARAMS;
  // Only a z-buffer of the same size goes on an off-screen surface.
  if (z == this || m_Kind != SurfaceKind::kOffscreen || z->m_Kind != SurfaceKind::kZBuffer)
    return DDERR_CANNOTATTACHSURFACE;
  if (z->m_AttachedTo || AttachedZBuffer()) return DDERR_SURFACEALREADYATTACHED;
  if (z->m_Data.width != m_Data.width || z->m_Data.height != m_Data.height)
    return DDERR_CANNOTATTACHSURFACE;
  m_Attached.emplace_back(z);
  z->m_AttachedTo = this;
  return DD_OK;
}

void Surface::Detach(Surface& attached) {
  attached.m_AttachedTo = nullptr;
  // Erasing drops our reference, which may be the last one.
  std::erase_if(m_Attached, [&](const ComRef<Surface>& s) { return s.Get() == &attached; });
}

HRESULT Surface::DeleteAttachedSurface(DWORD flags, IDirectDrawSurface4* surface) {
  if (HRESULT hr =
          Hook("IDirectDrawSurface4::DeleteAttachedSurface", [&] { return Args(flags, surface); });
      FAILED(hr))
    return hr;
  if (flags != 0) return DDERR_INVALIDPARAMS;
  if (!surface) {  // null detaches everything
    std::vector<ComRef<Surface>> attached = std::move(m_Attached);
    m_Attached.clear();
    for (ComRef<Surface>& s : attached) s->m_AttachedTo = nullptr;
    return DD_OK;
  }
  Surface* z = Unwrap<Surface>(surface);
  if (!z || z->m_AttachedTo != this) return DDERR_SURFACENOTATTACHED;
  Detach(*z);
  return DD_OK;
}

HRESULT Surface::GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface4** surface) {
  if (HRESULT hr = Hook("IDirectDrawSurface4::GetAttachedSurface",
                        [&] { return Args(caps ? caps->dwCaps : 0); });
      FAILED(hr))
    return hr;
  if (!caps || !surface) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  for (const ComRef<Surface>& attached : m_Attached) {
    if ((attached->m_Data.caps & caps->dwCaps) == caps->dwCaps) {
      attached->Ref();
      *surface = attached.Get();
      return DD_OK;
    }
  }
  return DDERR_NOTFOUND;
}

HRESULT Surface::SetClipper(IDirectDrawClipper* clipper) {
  if (HRESULT hr = Hook("IDirectDrawSurface4::SetClipper", [&] { return Args(clipper); });
      FAILED(hr))
    return hr;
  if (!clipper) {
    m_Clipper.Reset();
    return DD_OK;
  }
  Clipper* ours = Unwrap<Clipper>(clipper);
  if (!ours) return DDERR_INVALIDPARAMS;
  m_Clipper = ComRef<Clipper>(ours);
  return DD_OK;
}

HRESULT Surface::GetClipper(IDirectDrawClipper** clipper) {
  if (HRESULT hr = Hook("IDirectDrawSurface4::GetClipper"); FAILED(hr)) return hr;
  if (!clipper) return DDERR_INVALIDPARAMS;
  *clipper = nullptr;
  if (!m_Clipper) return DDERR_NOCLIPPERATTACHED;
  m_Clipper->Ref();
  *clipper = m_Clipper.Get();
  return DD_OK;
}

HRESULT Surface::IsLost() {
  return Hook("IDirectDrawSurface4::IsLost");
}

HRESULT Surface::Restore() {
  return Hook("IDirectDrawSurface4::Restore");
}

HRESULT Surface::GetHandle(IDirect3DDevice3* device, D3DTEXTUREHANDLE* handle) {
  if (HRESULT hr = Hook("IDirect3DTexture2::GetHandle", [&] { return Args(device); }); FAILED(hr))
    return hr;
  Device* ours = Unwrap<Device>(device);
  if (!ours || !handle) return DDERR_INVALIDPARAMS;
  *handle = ours->HandleFor(*this, m_Handles);
  return D3D_OK;
}

}  // namespace dx::front
