// Creation, rebuilding and release of the DirectDraw and Direct3D objects, the device
// choice, and the copy of finished frames onto the screen.
#include "render/Renderer.h"

#include <cstring>

#include "platform/framework/Window.h"

namespace {

void ZeroDesc(D3DDEVICEDESC& desc) {
  desc = D3DDEVICEDESC{};
  desc.dwSize = kD3DDeviceDescSize;
}

DDSURFACEDESC2 NewSurfaceDesc() {
  DDSURFACEDESC2 desc{};
  desc.dwSize = kDDSurfaceDesc2PublishedSize;
  return desc;
}

template <typename T>
void ReleaseAndClear(T*& object) {
  if (!object) return;
  object->Release();
  object = nullptr;
}

LONG Width(const RECT& r) {
  return r.right - r.left;
}
LONG Height(const RECT& r) {
  return r.bottom - r.top;
}

}  // namespace

Renderer::Renderer() {
  ZeroDesc(m_HalDesc);
  ZeroDesc(m_HelDesc);
  ZeroDesc(m_DeviceDesc);
}

Renderer::~Renderer() {
  // Newest first, so nothing is released while something made from it is still held.
  ReleaseMaterialObjects();
  ReleaseViewport();
  ReleaseDevice();
  ReleaseZBuffer();
  ReleaseAndClear(m_BackBuffer);
  ReleaseAndClear(m_Primary);
  ReleaseAndClear(m_Direct3D);
  ReleaseAndClear(m_DirectDraw4);
  ReleaseAndClear(m_DirectDraw);
  m_Lights.RemoveAll();
  m_Materials.RemoveAll();
}

int Renderer::Create(HWND window) {
  m_Window = window;

  if (FAILED(DirectDrawCreate(nullptr, &m_DirectDraw, nullptr))) return 2;
  if (FAILED(m_DirectDraw->QueryInterface(IID_IDirectDraw4,
                                          reinterpret_cast<LPVOID*>(&m_DirectDraw4))))
    return 2;

  if (FAILED(m_DirectDraw4->SetCooperativeLevel(m_Window, DDSCL_NORMAL))) return 3;

  DDSURFACEDESC2 primary = NewSurfaceDesc();
  primary.dwFlags = DDSD_CAPS;
  primary.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  if (FAILED(m_DirectDraw4->CreateSurface(&primary, &m_Primary, nullptr))) return 4;

  UpdateRects(false);
  if (CreateBackBuffer() != 0) return 4;
  if (AttachClipper() != 0) return 4;

  if (FAILED(m_DirectDraw4->QueryInterface(IID_IDirect3D3, reinterpret_cast<LPVOID*>(&m_Direct3D))))
    return 5;

  if (ChooseDevice() != 0) return 6;
  if (CreateZBuffer() != 0) return 7;
  if (CreateDevice() != 0) return 8;
  if (CreateViewport() != 0) return 9;

  Matrix4 identity;
  identity.SetIdentity();
  SetTransform(TransformKind::World, &identity);
  SetTransform(TransformKind::Projection, &identity);
  SetTransform(TransformKind::View, &identity);
  return 0;
}

void Renderer::UpdateRects(bool rebuildIfResized) {
  if (!m_Window) return;
  const LONG oldWidth = Width(m_ScreenRect);
  const LONG oldHeight = Height(m_ScreenRect);

  GetClientRect(m_Window, &m_ScreenRect);
  GetClientRect(m_Window, &m_ClientRect);
  POINT topLeft{m_ScreenRect.left, m_ScreenRect.top};
  POINT bottomRight{m_ScreenRect.right, m_ScreenRect.bottom};
  ClientToScreen(m_Window, &topLeft);
  ClientToScreen(m_Window, &bottomRight);
  m_ScreenRect = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};

  if (rebuildIfResized && (Width(m_ScreenRect) != oldWidth || Height(m_ScreenRect) != oldHeight))
    Rebuild();
}

int Renderer::WindowMoved() {
  UpdateRects(true);
  return 0;
}

int Renderer::WindowSized() {
  UpdateRects(true);
  return 0;
}

int Renderer::Rebuild() {
  ReleaseViewport();
  ReleaseDevice();
  ReleaseZBuffer();
  ReleaseBackBuffer();
  // Primary surface, clipper and device choice stay: the capability test is not repeated.
  if (int result = CreateBackBuffer(); result != 0) return result;
  if (int result = CreateZBuffer(); result != 0) return result;
  if (int result = CreateDevice(); result != 0) return result;
  return CreateViewport();
}

int Renderer::CreateBackBuffer() {
  if (!m_DirectDraw4 || !m_Window) return 1;
  RECT client{};
  GetClientRect(m_Window, &client);

  DDSURFACEDESC2 desc = NewSurfaceDesc();
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
  desc.dwWidth = static_cast<DWORD>(Width(client));
  desc.dwHeight = static_cast<DWORD>(Height(client));
  if (FAILED(m_DirectDraw4->CreateSurface(&desc, &m_BackBuffer, nullptr))) return 2;
  return 0;
}

int Renderer::ReleaseBackBuffer() {
  if (!m_DirectDraw4 || !m_Window) return 1;
  ReleaseAndClear(m_BackBuffer);
  return 0;
}

int Renderer::AttachClipper() {
  if (!m_Window || !m_DirectDraw4) return 1;
  IDirectDrawClipper* clipper = nullptr;
  if (FAILED(m_DirectDraw4->CreateClipper(0, &clipper, nullptr)) || !clipper) return 2;
  clipper->SetHWnd(0, m_Window);
  if (m_Primary) m_Primary->SetClipper(clipper);
  // The primary surface holds the clipper from here on.
  clipper->Release();
  return 0;
}

int Renderer::ChooseDevice() {
  if (!m_Direct3D) return 1;
  m_AppliedStates.m_ResendAll = 1;
  m_HalGuid.reset();
  m_HelGuid.reset();
  m_DeviceGuid.reset();
  ZeroDesc(m_HalDesc);
  ZeroDesc(m_HelDesc);
  ZeroDesc(m_DeviceDesc);

  m_Direct3D->EnumDevices(&Renderer::OnEnumDevice, this);
  // The caption pointed into the enumeration's texts, which are gone now.
  m_MessageTitle = nullptr;

  if (m_HalGuid) {
    m_DeviceGuid = m_HalGuid;
    m_DeviceDesc = m_HalDesc;
  } else {
    m_DeviceGuid = m_HelGuid;
    m_DeviceDesc = m_HelDesc;
  }
  return 0;
}

HRESULT Renderer::OnEnumZFormat(DDPIXELFORMAT* format, LPVOID context) {
  auto* renderer = static_cast<Renderer*>(context);
  // Formats that carry stencil bits (or anything but depth) are passed over.
  if (!renderer || !format || format->dwFlags != DDPF_ZBUFFER) return D3DENUMRET_OK;

  const DWORD offered = format->dwZBufferBitDepth;
  const DWORD kept = renderer->m_ZFormat.dwZBufferBitDepth;
  const DWORD wanted = renderer->m_ZDepthWanted;
  // Keeps the first format deep enough, or failing that the last one offered.
  if ((offered > kept && offered <= wanted) || kept < wanted) {
    renderer->m_ZFormat = *format;
    renderer->m_ZFormatFound = 1;
  }
  return D3DENUMRET_OK;
}

int Renderer::CreateZBuffer() {
  if (!m_Window || !m_Direct3D || !m_DeviceGuid || !m_DirectDraw4 || !m_BackBuffer) return 1;

  m_ZFormatFound = 0;
  m_ZFormat = DDPIXELFORMAT{};
  m_ZFormat.dwSize = sizeof(DDPIXELFORMAT);
  m_Direct3D->EnumZBufferFormats(*m_DeviceGuid, &Renderer::OnEnumZFormat, this);
  if (!m_ZFormatFound) return 1;

  DDSURFACEDESC2 desc = NewSurfaceDesc();
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.dwWidth = static_cast<DWORD>(Width(m_ScreenRect));
  desc.dwHeight = static_cast<DWORD>(Height(m_ScreenRect));
  desc.ddpfPixelFormat = m_ZFormat;
  // Only the hardware device can use a z-buffer in video memory.
  desc.ddsCaps.dwCaps =
      DDSCAPS_ZBUFFER | (IsEqualGUID(*m_DeviceGuid, IID_IDirect3DHALDevice) ? DDSCAPS_VIDEOMEMORY
                                                                            : DDSCAPS_SYSTEMMEMORY);
  if (FAILED(m_DirectDraw4->CreateSurface(&desc, &m_ZBuffer, nullptr))) return 2;
  if (FAILED(m_BackBuffer->AddAttachedSurface(m_ZBuffer))) return 3;
  return 0;
}

int Renderer::ReleaseZBuffer() {
  ReleaseAndClear(m_ZBuffer);
  return 0;
}

int Renderer::CreateDevice() {
  if (!m_Direct3D || !m_DirectDraw4) return 1;

  DDSURFACEDESC2 display = NewSurfaceDesc();
  m_DirectDraw4->GetDisplayMode(&display);
  m_AppliedStates.m_ResendAll = 1;
  // Palettised displays are refused.
  if (display.ddpfPixelFormat.dwRGBBitCount <= 8) return 2;

  if (m_HalGuid &&
      SUCCEEDED(m_Direct3D->CreateDevice(*m_HalGuid, m_BackBuffer, &m_Device, nullptr))) {
    m_DeviceGuid = m_HalGuid;
    m_DeviceDesc = m_HalDesc;
    return 0;
  }
  m_Device = nullptr;
  if (m_HelGuid &&
      SUCCEEDED(m_Direct3D->CreateDevice(*m_HelGuid, m_BackBuffer, &m_Device, nullptr))) {
    m_DeviceGuid = m_HelGuid;
    m_DeviceDesc = m_HelDesc;
    return 0;
  }
  m_Device = nullptr;
  return 1;
}

int Renderer::ReleaseDevice() {
  ReleaseLightObjects();
  ReleaseAndClear(m_Device);
  return 0;
}

HRESULT Renderer::CreateViewport() {
  if (!m_Direct3D || !m_Device) return 1;
  m_AppliedStates.m_ResendAll = 1;

  D3DVIEWPORT2 viewport{};
  viewport.dwSize = sizeof(D3DVIEWPORT2);
  viewport.dwX = 0;
  viewport.dwY = 0;
  viewport.dwWidth = static_cast<DWORD>(Width(m_ScreenRect));
  viewport.dwHeight = static_cast<DWORD>(Height(m_ScreenRect));
  viewport.dvClipX = -1.0f;
  viewport.dvClipY = 1.0f;
  viewport.dvClipWidth = 2.0f;
  viewport.dvClipHeight = 2.0f;
  viewport.dvMinZ = 0.0f;
  viewport.dvMaxZ = 1.0f;

  if (HRESULT hr = m_Direct3D->CreateViewport(&m_Viewport, nullptr); FAILED(hr)) {
    m_Viewport = nullptr;
    return hr;
  }
  if (HRESULT hr = m_Device->AddViewport(m_Viewport); FAILED(hr)) return hr;
  if (HRESULT hr = m_Viewport->SetViewport2(&viewport); FAILED(hr)) {
    switch (hr) {
      case DDERR_INVALIDPARAMS:
        SetMessageText("DDERR_INVALIDPARAMS");
        break;
      case DDERR_INVALIDOBJECT:
        SetMessageText("DDERR_INVALIDOBJECT");
        break;
      case D3DERR_VIEWPORTHASNODEVICE:
        SetMessageText("D3DERR_VIEWPORTHASNODEVICE");
        break;
      default:
        break;
    }
    return hr;
  }
  if (HRESULT hr = m_Device->SetCurrentViewport(m_Viewport); FAILED(hr)) return hr;
  return 0;
}

int Renderer::ReleaseViewport() {
  // Light objects hang on the viewport, so they go first.
  ReleaseLightObjects();
  ReleaseAndClear(m_Viewport);
  return 0;
}

int Renderer::Present() {
  if (!m_Primary || !m_BackBuffer) return 1;
  // No DDBLT_WAIT: a busy blitter drops this frame rather than stalling the loop.
  if (FAILED(m_Primary->Blt(&m_ScreenRect, m_BackBuffer, &m_ClientRect, 0, nullptr))) return 2;
  return 0;
}

void Renderer::SetMessageText(const char* text) {
  std::strncpy(m_MessageText, text ? text : "", kMessageTextSize - 1);
  m_MessageText[kMessageTextSize - 1] = '\0';
}
