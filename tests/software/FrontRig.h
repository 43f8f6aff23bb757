// The renderer's DirectDraw and Direct3D objects on a system of its own with the software
// device, for tests that go through the front as the program does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SurfaceDesc.h"
#include "TestScene.h"
#include "platform/directx/DirectX.h"
#include "platform/directx/software/SoftwareDriver.h"
#include "platform/framework/Window.h"

namespace swtest {

// The renderer's objects, rebuilt at each size as after a resize, with or without fast clears,
// allowed the given number of threads.
class FrontRig {
 public:
  explicit FrontRig(bool fastClears, unsigned threads = dx::DefaultThreads())
      : m_Previous(dx::SharedSystem()) {
    auto system = std::make_shared<dx::System>();
    system->devices.push_back(dx::software::MakeSoftwareDriver());
    system->fastClears = fastClears;
    system->threads = threads;
    dx::SetSystem(system);
    IDirectDraw* dd = nullptr;
    EXPECT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    m_DirectDraw.reset(dd);
    EXPECT_EQ(dd->QueryInterface(IID_IDirectDraw4, Out(m_DD4)), S_OK);
    EXPECT_EQ(m_DD4->QueryInterface(IID_IDirect3D3, Out(m_D3D)), S_OK);
    DDSURFACEDESC2 desc = dxtest::SurfaceDesc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE, 0, 0);
    EXPECT_EQ(m_DD4->CreateSurface(&desc, Out(primary), nullptr), DD_OK);
  }
  ~FrontRig() {
    Release();
    primary.reset();
    m_D3D.reset();
    m_DD4.reset();
    m_DirectDraw.reset();
    dx::SetSystem(m_Previous);
  }

  void Build(DWORD width, DWORD height) {
    Release();
    DDSURFACEDESC2 desc =
        dxtest::SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                            DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, width, height);
    ASSERT_EQ(m_DD4->CreateSurface(&desc, Out(target), nullptr), DD_OK);
    desc = dxtest::SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT,
                               DDSCAPS_ZBUFFER, width, height);
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
    desc.ddpfPixelFormat.dwZBufferBitDepth = 16;
    desc.ddpfPixelFormat.dwZBitMask = 0xFFFF;
    ASSERT_EQ(m_DD4->CreateSurface(&desc, Out(zbuffer), nullptr), DD_OK);
    ASSERT_EQ(target->AddAttachedSurface(zbuffer.get()), DD_OK);
    ASSERT_EQ(m_D3D->CreateDevice(IID_IDirect3DRGBDevice, target.get(), Out(device), nullptr),
              D3D_OK);
    ASSERT_EQ(m_D3D->CreateViewport(Out(viewport), nullptr), D3D_OK);
    ASSERT_EQ(device->AddViewport(viewport.get()), D3D_OK);
    D3DVIEWPORT2 v{sizeof(D3DVIEWPORT2), 0, 0, width, height, -1, 1, 2, 2, 0, 1};
    ASSERT_EQ(viewport->SetViewport2(&v), D3D_OK);
    ASSERT_EQ(device->SetCurrentViewport(viewport.get()), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE), D3D_OK);
  }
  HRESULT Clear(D3DCOLOR colour, float z) {
    D3DRECT all{0, 0, 1 << 20, 1 << 20};
    return viewport->Clear2(1, &all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, z, 0);
  }
  // Coloured triangles in clip space, in the box x0..x1 × y0..y1 (-1..1, y up).
  void Draw(float x0, float y0, float x1, float y1, int seed) {
    struct Vertex {
      float x, y, z;
      DWORD colour;
    };
    std::vector<Vertex> v;
    for (const TLVertex& t : RandomTriangles(20, x0, y0, x1, y1, seed))
      v.push_back({t.x, t.y, t.z, t.diffuse | 0xFF000000u});
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZ | D3DFVF_DIFFUSE, v.data(),
                                    static_cast<DWORD>(v.size()), 0),
              D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
  }
  // The renderer's Present into a window whose client area is the target's size.
  std::vector<uint32_t> Present(LONG width, LONG height) {
    OffscreenWindow window(width, height, POINT{30, 20});
    IDirectDrawClipper* clipper = nullptr;
    EXPECT_EQ(m_DD4->CreateClipper(0, &clipper, nullptr), DD_OK);
    EXPECT_EQ(clipper->SetHWnd(0, &window), DD_OK);
    EXPECT_EQ(primary->SetClipper(clipper), DD_OK);
    clipper->Release();
    RECT screen{30, 20, 30 + width, 20 + height}, source{0, 0, width, height};
    EXPECT_EQ(primary->Blt(&screen, target.get(), &source, 0, nullptr), DD_OK);
    EXPECT_EQ(primary->SetClipper(nullptr), DD_OK);
    return window.Pixels();
  }
  // The rows of a locked surface, bytes per pixel wide, without what lies past them.
  std::vector<uint8_t> Locked(IDirectDrawSurface4* surface, int bytesPerPixel) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = kDDSurfaceDesc2PublishedSize;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    std::vector<uint8_t> rows;
    for (DWORD y = 0; y < desc.dwHeight; ++y) {
      const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + y * desc.lPitch;
      rows.insert(rows.end(), row, row + desc.dwWidth * bytesPerPixel);
    }
    EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
    return rows;
  }
  IDirectDrawSurface4* MakePlain(DWORD width, DWORD height) {
    DDSURFACEDESC2 desc = dxtest::SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                                              DDSCAPS_OFFSCREENPLAIN, width, height);
    IDirectDrawSurface4* plain = nullptr;
    EXPECT_EQ(m_DD4->CreateSurface(&desc, &plain, nullptr), DD_OK);
    return plain;
  }

  struct Releaser {
    void operator()(IUnknown* p) const { p->Release(); }
  };
  template <class T>
  using Ref = std::unique_ptr<T, Releaser>;

  Ref<IDirectDrawSurface4> primary, target, zbuffer;
  Ref<IDirect3DDevice3> device;
  Ref<IDirect3DViewport3> viewport;

 private:
  // Fills a reference through the out-parameter of a creating call.
  template <class T>
  struct OutRef {
    Ref<T>& ref;
    T* raw = nullptr;
    ~OutRef() { ref.reset(raw); }
    operator T**() { return &raw; }
    operator void**() { return reinterpret_cast<void**>(&raw); }
  };
  template <class T>
  static OutRef<T> Out(Ref<T>& ref) {
    return OutRef<T>{ref};
  }
  void Release() {
    viewport.reset();
    device.reset();
    zbuffer.reset();
    target.reset();
  }

  std::shared_ptr<dx::System> m_Previous;
  Ref<IDirectDraw> m_DirectDraw;
  Ref<IDirectDraw4> m_DD4;
  Ref<IDirect3D3> m_D3D;
};

}  // namespace swtest
