// Device enumeration, z-buffer formats, device creation and the display mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Rig.h"

namespace dxtest {
namespace {

using dx::testing::EmptyDesc;
using dx::testing::FullCapsDesc;
using dx::testing::ZFormat;

const GUID kThirdDevice = {0x12345678, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

struct Seen {
  GUID guid;
  std::string description;
  std::string name;
  DWORD halColourModel;
  DWORD helColourModel;
  DWORD halSize;
};

struct EnumContext {
  std::vector<Seen> seen;
  size_t stopAfter = 100;
};

HRESULT OnDevice(GUID* guid, LPSTR description, LPSTR name, D3DDEVICEDESC* hal, D3DDEVICEDESC* hel,
                 LPVOID context) {
  auto* c = static_cast<EnumContext*>(context);
  c->seen.push_back(
      {*guid, description, name, hal->dcmColorModel, hel->dcmColorModel, hal->dwSize});
  return c->seen.size() >= c->stopAfter ? D3DENUMRET_CANCEL : D3DENUMRET_OK;
}

HRESULT OnFormat(DDPIXELFORMAT* format, LPVOID context) {
  auto* depths = static_cast<std::vector<DWORD>*>(context);
  depths->push_back(format->dwZBufferBitDepth);
  return depths->size() >= 2 && depths->back() == 0 ? D3DENUMRET_CANCEL : D3DENUMRET_OK;
}

class EnumerationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver.AddHardwareDevice();
    driver.AddSoftwareDevice();
    D3DDEVICEDESC mono = FullCapsDesc();
    mono.dcmColorModel = D3DCOLOR_MONO;
    third = &driver.AddDevice(kThirdDevice, "Third", "third name", mono, EmptyDesc(),
                              {ZFormat(24), ZFormat(16), ZFormat(32, 8)});
    ASSERT_EQ(DirectDrawCreate(nullptr, dd.Out(), nullptr), DD_OK);
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(dd4.Out())), S_OK);
    ASSERT_EQ(dd4->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(d3d.Out())), S_OK);
  }

  dx::testing::TestDriver driver;
  dx::testing::TestDevice* third = nullptr;
  Held<IDirectDraw> dd;
  Held<IDirectDraw4> dd4;
  Held<IDirect3D3> d3d;
};

TEST_F(EnumerationTest, ReportsEveryDriverInSystemOrderWithItsTextsAndDescriptions) {
  EnumContext context;
  ASSERT_EQ(d3d->EnumDevices(OnDevice, &context), D3D_OK);
  ASSERT_EQ(context.seen.size(), 3u);
  EXPECT_TRUE(IsEqualGUID(context.seen[0].guid, IID_IDirect3DHALDevice));
  EXPECT_TRUE(IsEqualGUID(context.seen[1].guid, IID_IDirect3DRGBDevice));
  EXPECT_TRUE(IsEqualGUID(context.seen[2].guid, kThirdDevice));
  EXPECT_EQ(context.seen[2].description, "Third");
  EXPECT_EQ(context.seen[2].name, "third name");
  EXPECT_EQ(context.seen[0].halColourModel, D3DCOLOR_RGB);
  EXPECT_EQ(context.seen[1].halColourModel, 0u);
  EXPECT_EQ(context.seen[1].helColourModel, D3DCOLOR_RGB);
  EXPECT_EQ(context.seen[2].halColourModel, D3DCOLOR_MONO);
  EXPECT_EQ(context.seen[0].halSize, kD3DDeviceDescSize);
}

TEST_F(EnumerationTest, StopsAsSoonAsTheCallbackCancels) {
  EnumContext context;
  context.stopAfter = 2;
  ASSERT_EQ(d3d->EnumDevices(OnDevice, &context), D3D_OK);
  EXPECT_EQ(context.seen.size(), 2u);
  EXPECT_EQ(d3d->EnumDevices(nullptr, &context), DDERR_INVALIDPARAMS);
}

TEST_F(EnumerationTest, ZBufferFormatsComeInTheDriversOrder) {
  std::vector<DWORD> depths;
  ASSERT_EQ(d3d->EnumZBufferFormats(kThirdDevice, OnFormat, &depths), D3D_OK);
  EXPECT_EQ(depths, (std::vector<DWORD>{24, 16, 32}));

  third->SetZBufferFormats({ZFormat(8), ZFormat(0), ZFormat(32)});
  depths.clear();
  ASSERT_EQ(d3d->EnumZBufferFormats(kThirdDevice, OnFormat, &depths), D3D_OK);
  EXPECT_EQ(depths, (std::vector<DWORD>{8, 0}));  // cancelled at the second

  const GUID unknown{};
  EXPECT_EQ(d3d->EnumZBufferFormats(unknown, OnFormat, &depths), D3DERR_INVALID_DEVICE);
}

TEST_F(EnumerationTest, CreateDeviceNeedsAKnownDeviceAndARenderTarget) {
  DDSURFACEDESC2 desc = TargetDesc(8, 8);
  Held<IDirectDrawSurface4> target;
  ASSERT_EQ(dd4->CreateSurface(&desc, target.Out(), nullptr), DD_OK);
  desc = SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, 8, 8);
  Held<IDirectDrawSurface4> plain;
  ASSERT_EQ(dd4->CreateSurface(&desc, plain.Out(), nullptr), DD_OK);

  IDirect3DDevice3* device = reinterpret_cast<IDirect3DDevice3*>(1);
  const GUID unknown{};
  EXPECT_EQ(d3d->CreateDevice(unknown, target.Get(), &device, nullptr), D3DERR_INVALID_DEVICE);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(d3d->CreateDevice(kThirdDevice, plain.Get(), &device, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(d3d->CreateDevice(kThirdDevice, nullptr, &device, nullptr), DDERR_INVALIDPARAMS);

  third->FailCreate(D3DERR_INITFAILED);
  EXPECT_EQ(d3d->CreateDevice(kThirdDevice, target.Get(), &device, nullptr), D3DERR_INITFAILED);
  EXPECT_EQ(device, nullptr);
  third->FailCreate(S_OK);
  Held<IDirect3DDevice3> made;
  ASSERT_EQ(d3d->CreateDevice(kThirdDevice, target.Get(), made.Out(), nullptr), D3D_OK);
  EXPECT_EQ(third->Log().pipelinesCreated, 1);

  D3DDEVICEDESC hal{}, hel{};
  hal.dwSize = hel.dwSize = kD3DDeviceDescSize;
  ASSERT_EQ(made->GetCaps(&hal, &hel), D3D_OK);
  EXPECT_EQ(hal.dcmColorModel, D3DCOLOR_MONO);
  hal.dwSize = 200;
  EXPECT_EQ(made->GetCaps(&hal, &hel), DDERR_INVALIDPARAMS);
}

TEST_F(EnumerationTest, DisplayModeFollowsTheSystem) {
  DDSURFACEDESC2 mode{};
  mode.dwSize = kDDSurfaceDesc2PublishedSize;
  ASSERT_EQ(dd4->GetDisplayMode(&mode), DD_OK);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 32u);
  EXPECT_EQ(mode.dwWidth, 1920u);
  EXPECT_EQ(mode.dwSize, kDDSurfaceDesc2PublishedSize);

  driver.SetDisplayBitsPerPixel(8);
  driver.SetDisplaySize({800, 600});
  ASSERT_EQ(dd4->GetDisplayMode(&mode), DD_OK);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 8u);
  EXPECT_TRUE(mode.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8);
  EXPECT_EQ(mode.dwHeight, 600u);

  mode.dwSize = 100;
  EXPECT_EQ(dd4->GetDisplayMode(&mode), DDERR_INVALIDPARAMS);
}

TEST_F(EnumerationTest, OnlyTheActiveDisplayAndWindowedUseAreOffered) {
  IDirectDraw* other = nullptr;
  GUID driverGuid = IID_IDirect3DHALDevice;
  EXPECT_EQ(DirectDrawCreate(&driverGuid, &other, nullptr), DDERR_INVALIDDIRECTDRAWGUID);
  EXPECT_EQ(other, nullptr);
  OffscreenWindow window(10, 10);
  EXPECT_EQ(dd4->SetCooperativeLevel(&window, DDSCL_NORMAL), DD_OK);
  EXPECT_EQ(dd4->SetCooperativeLevel(&window, 0x11), DDERR_UNSUPPORTED);  // exclusive, full
  EXPECT_EQ(dd4->SetCooperativeLevel(&window, 0), DDERR_INVALIDPARAMS);
}

TEST_F(EnumerationTest, InjectedFailuresReachTheCallerWithoutSideEffects) {
  driver.Fail("DirectDrawCreate", DDERR_OUTOFMEMORY, /*once=*/true);
  IDirectDraw* again = nullptr;
  EXPECT_EQ(DirectDrawCreate(nullptr, &again, nullptr), DDERR_OUTOFMEMORY);
  EXPECT_EQ(again, nullptr);
  ASSERT_EQ(DirectDrawCreate(nullptr, &again, nullptr), DD_OK);
  again->Release();

  driver.Fail("IDirect3D3::EnumDevices", DDERR_GENERIC);
  EnumContext context;
  EXPECT_EQ(d3d->EnumDevices(OnDevice, &context), DDERR_GENERIC);
  EXPECT_TRUE(context.seen.empty());
  const auto calls = driver.CallsNamed("IDirect3D3::EnumDevices");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].injected, DDERR_GENERIC);
}

}  // namespace
}  // namespace dxtest
