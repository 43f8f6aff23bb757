// Reference counts, interface queries and who keeps whom alive.
#include <gtest/gtest.h>

#include "Rig.h"
#include "platform/directx/Front.h"

namespace dxtest {
namespace {

using dx::front::Surface;
using dx::front::Unwrap;
using dx::front::WeakRef;

template <class T, class I>
WeakRef<T> Watch(I* object) {
  return WeakRef<T>(Unwrap<T>(object));
}

class LifetimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver.AddHardwareDevice();
    ASSERT_EQ(DirectDrawCreate(nullptr, dd.Out(), nullptr), DD_OK);
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(dd4.Out())), S_OK);
    ASSERT_EQ(dd4->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(d3d.Out())), S_OK);
  }
  IDirectDrawSurface4* Make(DDSURFACEDESC2 desc) {
    IDirectDrawSurface4* surface = nullptr;
    EXPECT_EQ(dd4->CreateSurface(&desc, &surface, nullptr), DD_OK);
    return surface;
  }

  dx::testing::TestDriver driver;
  Held<IDirectDraw> dd;
  Held<IDirectDraw4> dd4;
  Held<IDirect3D3> d3d;
};

TEST_F(LifetimeTest, QueryInterfaceReachesOneObjectAndCountsEveryReference) {
  IDirectDraw* back = nullptr;
  ASSERT_EQ(d3d->QueryInterface(IID_IDirectDraw, reinterpret_cast<void**>(&back)), S_OK);
  EXPECT_EQ(back, dd.Get());
  IUnknown* unknown = nullptr;
  ASSERT_EQ(dd4->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  // dd, dd4, d3d, back, unknown: five references on one object.
  EXPECT_EQ(dd->AddRef(), 6u);
  EXPECT_EQ(dd->Release(), 5u);
  EXPECT_EQ(unknown->Release(), 4u);
  EXPECT_EQ(back->Release(), 3u);

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(dd->QueryInterface(IID_IDirect3DDevice3, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(dd->QueryInterface(IID_IDirectDraw4, nullptr), E_POINTER);
  EXPECT_EQ(dd->AddRef(), 4u);
  EXPECT_EQ(dd->Release(), 3u);
}

TEST_F(LifetimeTest, OnlyTexturesAnswerTheTextureInterface) {
  DDSURFACEDESC2 desc = SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_TEXTURE, 8, 8);
  Held<IDirectDrawSurface4> texture(Make(desc));
  Held<IDirectDrawSurface4> target(Make(TargetDesc(8, 8)));
  Held<IDirect3DTexture2> asTexture;
  EXPECT_EQ(
      texture->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(asTexture.Out())),
      S_OK);
  IDirectDrawSurface4* surface = nullptr;
  ASSERT_EQ(asTexture->QueryInterface(IID_IDirectDrawSurface4, reinterpret_cast<void**>(&surface)),
            S_OK);
  EXPECT_EQ(surface, texture.Get());
  surface->Release();
  void* none = nullptr;
  EXPECT_EQ(target->QueryInterface(IID_IDirect3DTexture2, &none), E_NOINTERFACE);
}

TEST_F(LifetimeTest, AttachedZBufferLivesUntilItsTargetGoes) {
  IDirectDrawSurface4* target = Make(TargetDesc(16, 16));
  IDirectDrawSurface4* z = Make(ZDesc(16, 16));
  const auto zAlive = Watch<Surface>(z);
  const auto targetAlive = Watch<Surface>(target);
  ASSERT_EQ(target->AddAttachedSurface(z), DD_OK);
  EXPECT_EQ(z->Release(), 1u);  // the target's reference is left
  ASSERT_NE(zAlive.Get(), nullptr);

  DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
  IDirectDrawSurface4* found = nullptr;
  ASSERT_EQ(target->GetAttachedSurface(&caps, &found), DD_OK);
  EXPECT_EQ(found, z);
  EXPECT_EQ(found->Release(), 1u);

  EXPECT_EQ(target->Release(), 0u);
  EXPECT_EQ(targetAlive.Get(), nullptr);
  EXPECT_EQ(zAlive.Get(), nullptr);
}

TEST_F(LifetimeTest, DetachingGivesUpTheTargetsReference) {
  Held<IDirectDrawSurface4> target(Make(TargetDesc(16, 16)));
  IDirectDrawSurface4* z = Make(ZDesc(16, 16));
  const auto zAlive = Watch<Surface>(z);
  ASSERT_EQ(target->AddAttachedSurface(z), DD_OK);
  z->AddRef();
  EXPECT_EQ(z->Release(), 2u);
  ASSERT_EQ(target->DeleteAttachedSurface(0, z), DD_OK);
  EXPECT_EQ(z->Release(), 0u);
  EXPECT_EQ(zAlive.Get(), nullptr);
  DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
  IDirectDrawSurface4* found = nullptr;
  EXPECT_EQ(target->GetAttachedSurface(&caps, &found), DDERR_NOTFOUND);
}

TEST_F(LifetimeTest, AttachmentRulesAreEnforced) {
  Held<IDirectDrawSurface4> target(Make(TargetDesc(16, 16)));
  Held<IDirectDrawSurface4> other(Make(TargetDesc(16, 16)));
  Held<IDirectDrawSurface4> z(Make(ZDesc(16, 16)));
  Held<IDirectDrawSurface4> z2(Make(ZDesc(16, 16, 24)));
  Held<IDirectDrawSurface4> small(Make(ZDesc(8, 16)));
  EXPECT_EQ(target->AddAttachedSurface(small.Get()), DDERR_CANNOTATTACHSURFACE);
  EXPECT_EQ(target->AddAttachedSurface(other.Get()), DDERR_CANNOTATTACHSURFACE);
  EXPECT_EQ(z->AddAttachedSurface(target.Get()), DDERR_CANNOTATTACHSURFACE);
  EXPECT_EQ(target->AddAttachedSurface(nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(target->DeleteAttachedSurface(0, z.Get()), DDERR_SURFACENOTATTACHED);
  ASSERT_EQ(target->AddAttachedSurface(z.Get()), DD_OK);
  EXPECT_EQ(target->AddAttachedSurface(z2.Get()), DDERR_SURFACEALREADYATTACHED);
  EXPECT_EQ(other->AddAttachedSurface(z.Get()), DDERR_SURFACEALREADYATTACHED);
}

TEST_F(LifetimeTest, PrimaryKeepsItsClipperAfterTheCallerLetsGo) {
  OffscreenWindow window(32, 32);
  IDirectDrawSurface4* primary = Make(SurfaceDesc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE));
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(dd4->CreateClipper(0, &clipper, nullptr), DD_OK);
  const auto clipperAlive = Watch<dx::front::Clipper>(clipper);
  ASSERT_EQ(clipper->SetHWnd(0, &window), DD_OK);
  ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
  EXPECT_EQ(clipper->Release(), 1u);

  Held<IDirectDrawClipper> again;
  ASSERT_EQ(primary->GetClipper(again.Out()), DD_OK);
  HWND bound = nullptr;
  ASSERT_EQ(again->GetHWnd(&bound), DD_OK);
  EXPECT_EQ(bound, &window);
  again.Reset();

  EXPECT_EQ(primary->Release(), 0u);
  EXPECT_EQ(clipperAlive.Get(), nullptr);
}

TEST_F(LifetimeTest, DeviceKeepsItsTargetAndTheTargetKeepsThePicture) {
  auto& log = dynamic_cast<dx::testing::TestDevice&>(*driver.GetSystem().devices[0]).Log();
  IDirectDrawSurface4* target = Make(TargetDesc(16, 16));
  const auto targetAlive = Watch<Surface>(target);
  IDirect3DDevice3* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device, nullptr), D3D_OK);
  EXPECT_EQ(target->Release(), 1u);  // the device holds the last reference
  ASSERT_NE(targetAlive.Get(), nullptr);
  EXPECT_EQ(log.pipelinesAlive, 1);
  EXPECT_EQ(device->Release(), 0u);
  // The device took the target, and the pipeline that shows it, with it.
  EXPECT_EQ(targetAlive.Get(), nullptr);
  EXPECT_EQ(log.pipelinesAlive, 0);
}

TEST_F(LifetimeTest, ViewportHoldsItsLightsAndTheDeviceItsViewports) {
  Held<IDirectDrawSurface4> target(Make(TargetDesc(16, 16)));
  Held<IDirect3DDevice3> device;
  ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, target.Get(), device.Out(), nullptr), D3D_OK);
  IDirect3DViewport3* viewport = nullptr;
  ASSERT_EQ(d3d->CreateViewport(&viewport, nullptr), D3D_OK);
  const auto viewportAlive = Watch<dx::front::Viewport>(viewport);
  IDirect3DLight* light = nullptr;
  ASSERT_EQ(d3d->CreateLight(&light, nullptr), D3D_OK);
  const auto lightAlive = Watch<dx::front::Light>(light);
  ASSERT_EQ(viewport->AddLight(light), D3D_OK);
  EXPECT_EQ(light->Release(), 1u);
  ASSERT_EQ(device->AddViewport(viewport), D3D_OK);
  EXPECT_EQ(viewport->Release(), 1u);
  ASSERT_NE(lightAlive.Get(), nullptr);

  device.Reset();
  EXPECT_EQ(viewportAlive.Get(), nullptr);
  EXPECT_EQ(lightAlive.Get(), nullptr);
}

TEST_F(LifetimeTest, ReleasesAreRecordedInOrderWithTheObjectKind) {
  IDirectDrawSurface4* target = Make(TargetDesc(16, 16));
  IDirectDrawSurface4* z = Make(ZDesc(16, 16));
  ASSERT_EQ(target->AddAttachedSurface(z), DD_OK);
  driver.Clear();
  z->Release();  // still attached: the renderer's ReleaseZBuffer does this
  target->Release();
  const auto releases = driver.CallsNamed("IDirectDrawSurface4::Release");
  ASSERT_EQ(releases.size(), 2u);
  EXPECT_TRUE(releases[0].args.starts_with("zbuffer#"));
  EXPECT_TRUE(releases[1].args.starts_with("rendertarget#"));
  // The target's own reference on the z-buffer goes without a recorded call.
  EXPECT_EQ(driver.Calls().size(), 2u);
}

}  // namespace
}  // namespace dxtest
