// Viewports: the viewport rectangle and clip volume of a device, the clear of colour and
// depth (rectangles clipped to the render target, then done by the device's pipeline), and
// the lights attached to it. A viewport works only once it was added to a device.
// Not implemented: stencil clears (there is no stencil buffer), background materials,
// TransformVertices, light and viewport picking.
#include <algorithm>

#include "platform/directx/Front.h"

namespace dx::front {

Viewport::Viewport(std::shared_ptr<System> system) : ComObject(std::move(system), "viewport") {}

Viewport::~Viewport() {
  for (ComRef<Light>& light : m_Lights) light->SetOwner(nullptr);
}

void* Viewport::Find(REFIID riid) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirect3DViewport3))
    return static_cast<IDirect3DViewport3*>(this);
  return nullptr;
}

void Viewport::ActiveLights(std::vector<D3DLIGHT2>& out) const {
  out.clear();
  for (const ComRef<Light>& light : m_Lights) {
    if (light->Data().dwFlags & D3DLIGHT_ACTIVE) out.push_back(light->Data());
  }
}

HRESULT Viewport::SetViewport2(D3DVIEWPORT2* viewport) {
  if (HRESULT hr = Hook("IDirect3DViewport3::SetViewport2", [&] { return Args(viewport); });
      FAILED(hr))
    return hr;
  if (!viewport || viewport->dwSize != sizeof(D3DVIEWPORT2)) return DDERR_INVALIDPARAMS;
  if (!m_Device) return D3DERR_VIEWPORTHASNODEVICE;
  const SurfaceData& target = m_Device->Target().Data();
  const uint64_t right = uint64_t{viewport->dwX} + viewport->dwWidth;
  const uint64_t bottom = uint64_t{viewport->dwY} + viewport->dwHeight;
  // The viewport must lie on the render target and its clip volume must not be empty.
  if (viewport->dwWidth == 0 || viewport->dwHeight == 0 ||
      right > static_cast<uint64_t>(target.width) || bottom > static_cast<uint64_t>(target.height))
    return DDERR_INVALIDPARAMS;
  if (viewport->dvClipWidth == 0.0f || viewport->dvClipHeight == 0.0f) return DDERR_INVALIDPARAMS;
  m_Data = *viewport;
  m_HasData = true;
  return D3D_OK;
}

HRESULT Viewport::GetViewport2(D3DVIEWPORT2* viewport) {
  if (HRESULT hr = Hook("IDirect3DViewport3::GetViewport2"); FAILED(hr)) return hr;
  if (!viewport || viewport->dwSize != sizeof(D3DVIEWPORT2)) return DDERR_INVALIDPARAMS;
  if (!m_HasData) return D3DERR_VIEWPORTDATANOTSET;
  *viewport = m_Data;
  return D3D_OK;
}

HRESULT Viewport::Clear2(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR colour, D3DVALUE z,
                         DWORD stencil) {
  if (HRESULT hr =
          Hook("IDirect3DViewport3::Clear2",
               [&] { return Args(count, ArgText(rects, count), flags, colour, z, stencil); });
      FAILED(hr))
    return hr;
  if (!m_Device) return D3DERR_VIEWPORTHASNODEVICE;
  if (count > 0 && !rects) return DDERR_INVALIDPARAMS;
  constexpr DWORD kKnown = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  if ((flags & ~kKnown) != 0 || (flags & kKnown) == 0) return DDERR_INVALIDPARAMS;
  if (flags & D3DCLEAR_STENCIL) return D3DERR_STENCILBUFFER_NOTPRESENT;
  Surface& target = m_Device->Target();
  if ((flags & D3DCLEAR_ZBUFFER) && !target.AttachedZBuffer()) return D3DERR_ZBUFFER_NOTPRESENT;

  const LONG width = target.Data().width, height = target.Data().height;
  std::vector<D3DRECT>& clipped = m_Clipped;
  clipped.clear();
  for (DWORD i = 0; i < count; ++i) {
    const D3DRECT r{std::max<LONG>(rects[i].x1, 0), std::max<LONG>(rects[i].y1, 0),
                    std::min(rects[i].x2, width), std::min(rects[i].y2, height)};
    if (r.x1 < r.x2 && r.y1 < r.y2) clipped.push_back(r);
  }
  if (clipped.empty()) return D3D_OK;
  return m_Device->ClearRects(clipped, flags, colour, z);
}

HRESULT Viewport::AddLight(IDirect3DLight* light) {
  if (HRESULT hr = Hook("IDirect3DViewport3::AddLight", [&] { return Args(light); }); FAILED(hr))
    return hr;
  Light* ours = Unwrap<Light>(light);
  if (!ours) return DDERR_INVALIDPARAMS;
  if (ours->Owner()) return D3DERR_LIGHTHASVIEWPORT;
  m_Lights.emplace_back(ours);
  ours->SetOwner(this);
  return D3D_OK;
}

HRESULT Viewport::DeleteLight(IDirect3DLight* light) {
  if (HRESULT hr = Hook("IDirect3DViewport3::DeleteLight", [&] { return Args(light); }); FAILED(hr))
    return hr;
  Light* ours = Unwrap<Light>(light);
  if (!ours) return DDERR_INVALIDPARAMS;
  if (ours->Owner() != this) return D3DERR_LIGHTNOTINTHISVIEWPORT;
  ours->SetOwner(nullptr);
  std::erase_if(m_Lights, [&](const ComRef<Light>& l) { return l.Get() == ours; });
  return D3D_OK;
}

}  // namespace dx::front
