// Shared set-up for the DirectX front tests: a test driver with one hardware device, and
// the objects the renderer makes, in the order it makes them.
#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "SurfaceDesc.h"
#include "platform/directx/DirectX.h"
#include "platform/directx/testing/TestDriver.h"
#include "platform/framework/Window.h"

namespace dxtest {

// Releases its interface when it goes (through Release, as a caller would).
template <class T>
class Held {
 public:
  Held() = default;
  explicit Held(T* p) : m_P(p) {}
  Held(Held&& other) noexcept : m_P(other.Take()) {}
  Held& operator=(Held&& other) noexcept {
    if (this != &other) {
      Reset();
      m_P = other.Take();
    }
    return *this;
  }
  ~Held() { Reset(); }
  void Reset() {
    if (T* p = std::exchange(m_P, nullptr)) p->Release();
  }
  T** Out() {
    Reset();
    return &m_P;
  }
  T* Get() const { return m_P; }
  T* operator->() const { return m_P; }
  T* Take() { return std::exchange(m_P, nullptr); }
  explicit operator bool() const { return m_P != nullptr; }

 private:
  T* m_P = nullptr;
};

inline DDSURFACEDESC2 TargetDesc(DWORD width, DWORD height) {
  return SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                     DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, width, height);
}

inline DDSURFACEDESC2 ZDesc(DWORD width, DWORD height, DWORD bits = 16) {
  DDSURFACEDESC2 desc = SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT,
                                    DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY, width, height);
  desc.ddpfPixelFormat = dx::testing::ZFormat(bits);
  return desc;
}

inline D3DVIEWPORT2 ViewportDesc(DWORD width, DWORD height) {
  D3DVIEWPORT2 v{};
  v.dwSize = sizeof(D3DVIEWPORT2);
  v.dwWidth = width;
  v.dwHeight = height;
  v.dvClipX = -1.0f;
  v.dvClipY = 1.0f;
  v.dvClipWidth = 2.0f;
  v.dvClipHeight = 2.0f;
  v.dvMaxZ = 1.0f;
  return v;
}

// DirectDraw, Direct3D, a render target with a z-buffer, a device and a viewport.
class Rig : public ::testing::Test {
 protected:
  static constexpr DWORD kWidth = 64;
  static constexpr DWORD kHeight = 48;

  void SetUp() override {
    hal = &driver.AddHardwareDevice();
    IDirectDraw* dd = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK);
    directDraw = Held<IDirectDraw>(dd);
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(dd4.Out())), S_OK);
    ASSERT_EQ(dd4->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(d3d.Out())), S_OK);
    DDSURFACEDESC2 desc = TargetDesc(kWidth, kHeight);
    ASSERT_EQ(dd4->CreateSurface(&desc, target.Out(), nullptr), DD_OK);
    desc = ZDesc(kWidth, kHeight);
    ASSERT_EQ(dd4->CreateSurface(&desc, zbuffer.Out(), nullptr), DD_OK);
    ASSERT_EQ(target->AddAttachedSurface(zbuffer.Get()), DD_OK);
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, target.Get(), device.Out(), nullptr),
              D3D_OK);
    ASSERT_EQ(d3d->CreateViewport(viewport.Out(), nullptr), D3D_OK);
    ASSERT_EQ(device->AddViewport(viewport.Get()), D3D_OK);
    D3DVIEWPORT2 v = ViewportDesc(kWidth, kHeight);
    ASSERT_EQ(viewport->SetViewport2(&v), D3D_OK);
    ASSERT_EQ(device->SetCurrentViewport(viewport.Get()), D3D_OK);
    driver.Clear();
  }

  dx::testing::PipelineLog& Log() { return hal->Log(); }

  dx::testing::TestDriver driver;
  dx::testing::TestDevice* hal = nullptr;
  // Declared in creation order, so they are released in the reverse order.
  Held<IDirectDraw> directDraw;
  Held<IDirectDraw4> dd4;
  Held<IDirect3D3> d3d;
  Held<IDirectDrawSurface4> target;
  Held<IDirectDrawSurface4> zbuffer;
  Held<IDirect3DDevice3> device;
  Held<IDirect3DViewport3> viewport;
};

}  // namespace dxtest
