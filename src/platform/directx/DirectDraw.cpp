// DirectDrawCreate and the DirectDraw side of the DirectDraw object: the windowed
// cooperative level, surface and clipper creation, and the display mode of dx::System.
// Not implemented: exclusive and full-screen levels, display mode changes, palettes.
#include "platform/directx/Front.h"
#include "platform/framework/Window.h"

using namespace dx::front;

HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** directDraw, IUnknown* outer) {
  std::shared_ptr<dx::System> system = dx::SharedSystem();
  if (dx::CallHook* hook = system->hook) {
    if (HRESULT hr = hook->OnCall("DirectDrawCreate", Args(driver, outer)); FAILED(hr)) return hr;
  }
  if (!directDraw) return DDERR_INVALIDPARAMS;
  *directDraw = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  // Only the active display exists; there is no other driver to name.
  if (driver) return DDERR_INVALIDDIRECTDRAWGUID;
  ComRef<DirectDrawObject> object(new DirectDrawObject(std::move(system)));
  *directDraw = object.Detach();
  return DD_OK;
}

namespace dx::front {

DirectDrawObject::DirectDrawObject(std::shared_ptr<System> system)
    : ComObject(std::move(system), "directdraw") {}

void* DirectDrawObject::Find(REFIID riid) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectDraw))
    return static_cast<IDirectDraw*>(this);
  if (IsEqualGUID(riid, IID_IDirectDraw4)) return static_cast<IDirectDraw4*>(this);
  if (IsEqualGUID(riid, IID_IDirect3D3)) return static_cast<IDirect3D3*>(this);
  return nullptr;
}

HRESULT DirectDrawObject::SetCooperativeLevel(HWND window, DWORD flags) {
  if (HRESULT hr = Hook("IDirectDraw4::SetCooperativeLevel", [&] { return Args(window, flags); });
      FAILED(hr))
    return hr;
  // Windowed use only: the display is shared and never changes mode. Other modifier
  // flags (FPU set-up, multithreading) change nothing here.
  if (flags & (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)) return DDERR_UNSUPPORTED;
  if (!(flags & DDSCL_NORMAL)) return DDERR_INVALIDPARAMS;
  if (window && !IsWindow(window)) return DDERR_INVALIDPARAMS;
  m_Window = window;
  m_CooperativeLevel = flags;
  return DD_OK;
}

HRESULT DirectDrawObject::CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** surface,
                                        IUnknown* outer) {
  if (HRESULT hr = Hook("IDirectDraw4::CreateSurface", [&] { return Args(desc, outer); });
      FAILED(hr))
    return hr;
  if (!desc || !surface) return DDERR_INVALIDPARAMS;
  *surface = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  ComRef<Surface> created;
  if (HRESULT hr = Surface::Create(SharedSys(), *desc, created); FAILED(hr)) return hr;
  *surface = created.Detach();
  return DD_OK;
}

HRESULT DirectDrawObject::CreateClipper(DWORD flags, IDirectDrawClipper** clipper,
                                        IUnknown* outer) {
  if (HRESULT hr = Hook("IDirectDraw4::CreateClipper", [&] { return Args(flags, outer); });
      FAILED(hr))
    return hr;
  if (!clipper) return DDERR_INVALIDPARAMS;
  *clipper = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (flags != 0) return DDERR_INVALIDPARAMS;
  ComRef<Clipper> created(new Clipper(SharedSys()));
  *clipper = created.Detach();
  return DD_OK;
}

HRESULT DirectDrawObject::GetDisplayMode(DDSURFACEDESC2* desc) {
  if (HRESULT hr = Hook("IDirectDraw4::GetDisplayMode", [&] { return Args(desc); }); FAILED(hr))
    return hr;
  if (!desc || !IsSurfaceDescSize(desc->dwSize)) return DDERR_INVALIDPARAMS;
  const DWORD size = desc->dwSize;
  const System& system = Sys();
  const DWORD bits = system.displayBitsPerPixel;
  *desc = DDSURFACEDESC2{};
  desc->dwSize = size;
  desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  desc->dwWidth = static_cast<DWORD>(system.displaySize.cx);
  desc->dwHeight = static_cast<DWORD>(system.displaySize.cy);
  desc->lPitch = static_cast<LONG>(desc->dwWidth * ((bits + 7) / 8));
  DDPIXELFORMAT& format = desc->ddpfPixelFormat;
  format.dwSize = sizeof(DDPIXELFORMAT);
  format.dwFlags = bits <= 8 ? DDPF_RGB | DDPF_PALETTEINDEXED8 : DDPF_RGB;
  format.dwRGBBitCount = bits;
  if (bits == 16) {
    format.dwRBitMask = 0xF800;
    format.dwGBitMask = 0x07E0;
    format.dwBBitMask = 0x001F;
  } else if (bits > 16) {
    format.dwRBitMask = 0xFF0000;
    format.dwGBitMask = 0x00FF00;
    format.dwBBitMask = 0x0000FF;
  }
  return DD_OK;
}

}  // namespace dx::front
