// Blt onto the primary surface: screen coordinates, the clipper's window, clipping, and
// which path the image takes to the window.
#include <gtest/gtest.h>

#include "Rig.h"

namespace dxtest {
namespace {

uint32_t Pattern(int x, int y) {
  return 0xFF000000u | static_cast<uint32_t>(y << 8 | x);
}

class PresentTest : public ::testing::Test {
 protected:
  static constexpr int kW = 64, kH = 48;
  static constexpr POINT kOrigin{100, 50};

  void SetUp() override {
    driver.AddHardwareDevice();
    ASSERT_EQ(DirectDrawCreate(nullptr, dd.Out(), nullptr), DD_OK);
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(dd4.Out())), S_OK);
    ASSERT_EQ(dd4->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(d3d.Out())), S_OK);
    DDSURFACEDESC2 desc = SurfaceDesc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    ASSERT_EQ(dd4->CreateSurface(&desc, primary.Out(), nullptr), DD_OK);
    desc = TargetDesc(kW, kH);
    ASSERT_EQ(dd4->CreateSurface(&desc, target.Out(), nullptr), DD_OK);
    DDSURFACEDESC2 locked{};
    locked.dwSize = kDDSurfaceDesc2PublishedSize;
    ASSERT_EQ(target->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    for (int y = 0; y < kH; ++y) {
      auto* row =
          reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.lpSurface) + y * locked.lPitch);
      for (int x = 0; x < kW; ++x) row[x] = Pattern(x, y);
    }
    ASSERT_EQ(target->Unlock(nullptr), DD_OK);
  }
  void AttachClipper(HWND window) {
    Held<IDirectDrawClipper> clipper;
    ASSERT_EQ(dd4->CreateClipper(0, clipper.Out(), nullptr), DD_OK);
    ASSERT_EQ(clipper->SetHWnd(0, window), DD_OK);
    ASSERT_EQ(primary->SetClipper(clipper.Get()), DD_OK);
  }
  // The renderer's Present: the window's client area in screen coordinates.
  HRESULT Present(RECT screen, RECT source) {
    return primary->Blt(&screen, target.Get(), &source, 0, nullptr);
  }
  dx::testing::PipelineLog& Log() {
    return dynamic_cast<dx::testing::TestDevice&>(*driver.GetSystem().devices[0]).Log();
  }

  dx::testing::TestDriver driver;
  Held<IDirectDraw> dd;
  Held<IDirectDraw4> dd4;
  Held<IDirect3D3> d3d;
  Held<IDirectDrawSurface4> primary;
  Held<IDirectDrawSurface4> target;
};

TEST_F(PresentTest, NeedsAClipperWithAWindow) {
  EXPECT_EQ(Present({0, 0, kW, kH}, {0, 0, kW, kH}), DDERR_NOCLIPPERATTACHED);
  AttachClipper(nullptr);
  EXPECT_EQ(Present({0, 0, kW, kH}, {0, 0, kW, kH}), DDERR_NOCLIPPERATTACHED);
}

TEST_F(PresentTest, AWindowSmallerThanTheSourceShowsItsTopLeftPart) {
  OffscreenWindow window(40, 30, kOrigin);
  AttachClipper(&window);
  Held<IDirect3DDevice3> device;
  ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, target.Get(), device.Out(), nullptr), D3D_OK);
  ASSERT_EQ(Present({kOrigin.x, kOrigin.y, kOrigin.x + kW, kOrigin.y + kH}, {0, 0, kW, kH}), DD_OK);
  EXPECT_EQ(Log().presents, 1);  // through the device that owns the target
  EXPECT_EQ(window.PresentCount(), 1);
  EXPECT_EQ(window.PixelAt(0, 0), Pattern(0, 0));
  EXPECT_EQ(window.PixelAt(39, 29), Pattern(39, 29));
  EXPECT_EQ(window.PixelAt(17, 5), Pattern(17, 5));
}

TEST_F(PresentTest, DestinationIsMovedIntoTheWindowAndClippedOnEverySide) {
  OffscreenWindow window(50, 40, kOrigin);
  AttachClipper(&window);
  // Ten pixels left of and five above the client area: those rows and columns fall away.
  ASSERT_EQ(Present({kOrigin.x - 10, kOrigin.y - 5, kOrigin.x - 10 + kW, kOrigin.y - 5 + kH},
                    {0, 0, kW, kH}),
            DD_OK);
  EXPECT_EQ(window.PixelAt(0, 0), Pattern(10, 5));
  EXPECT_EQ(window.PixelAt(49, 39), Pattern(59, 44));
  // No device was made on the target: its pixels went straight to the window.
  EXPECT_EQ(Log().presents, 0);
  EXPECT_EQ(window.PresentCount(), 1);
}

TEST_F(PresentTest, SourceRectangleIsClippedToTheSurfaceAndSizesMeetAtTheSmaller) {
  OffscreenWindow window(100, 100, kOrigin);
  AttachClipper(&window);
  // A source reaching past the surface's right edge, and a destination half as tall.
  ASSERT_EQ(Present({kOrigin.x, kOrigin.y, kOrigin.x + 40, kOrigin.y + 10}, {50, 20, 80, 48}),
            DD_OK);
  EXPECT_EQ(window.PixelAt(0, 0), Pattern(50, 20));
  EXPECT_EQ(window.PixelAt(13, 9), Pattern(63, 29));
  EXPECT_EQ(window.PixelAt(14, 0), 0u);  // beyond the source's last column
  EXPECT_EQ(window.PixelAt(0, 10), 0u);  // beyond the destination's height

  // Wholly outside the window: nothing to do, and no failure.
  ASSERT_EQ(Present({0, 0, kW, kH}, {0, 0, kW, kH}), DD_OK);
  EXPECT_EQ(window.PresentCount(), 1);
  EXPECT_EQ(Present({kOrigin.x + 5, kOrigin.y, kOrigin.x, kOrigin.y + 5}, {0, 0, kW, kH}),
            DDERR_INVALIDRECT);
}

TEST_F(PresentTest, ALockedSourceOrAFailedCallShowsNothing) {
  OffscreenWindow window(kW, kH, kOrigin);
  AttachClipper(&window);
  DDSURFACEDESC2 locked{};
  locked.dwSize = kDDSurfaceDesc2PublishedSize;
  ASSERT_EQ(target->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(Present({kOrigin.x, kOrigin.y, kOrigin.x + kW, kOrigin.y + kH}, {0, 0, kW, kH}),
            DDERR_SURFACEBUSY);
  ASSERT_EQ(target->Unlock(nullptr), DD_OK);
  driver.Fail("IDirectDrawSurface4::Blt", DDERR_WASSTILLDRAWING, /*once=*/true);
  EXPECT_EQ(Present({kOrigin.x, kOrigin.y, kOrigin.x + kW, kOrigin.y + kH}, {0, 0, kW, kH}),
            DDERR_WASSTILLDRAWING);
  EXPECT_EQ(window.PresentCount(), 0);
  EXPECT_EQ(Present({kOrigin.x, kOrigin.y, kOrigin.x + kW, kOrigin.y + kH}, {0, 0, kW, kH}), DD_OK);
  EXPECT_EQ(window.PresentCount(), 1);
  const auto blts = driver.CallsNamed("IDirectDrawSurface4::Blt");
  ASSERT_EQ(blts.size(), 3u);
  EXPECT_EQ(blts[2].args.substr(0, 15), "{100,50,164,98}");
}

TEST_F(PresentTest, OffscreenToOffscreenCopiesPixels) {
  DDSURFACEDESC2 desc =
      SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, 16, 16);
  Held<IDirectDrawSurface4> copy;
  ASSERT_EQ(dd4->CreateSurface(&desc, copy.Out(), nullptr), DD_OK);
  RECT to{4, 4, 16, 16};
  RECT from{10, 10, 30, 30};
  ASSERT_EQ(copy->Blt(&to, target.Get(), &from, DDBLT_WAIT, nullptr), DD_OK);
  DDSURFACEDESC2 locked{};
  locked.dwSize = kDDSurfaceDesc2PublishedSize;
  ASSERT_EQ(copy->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  const auto* pixels = static_cast<const uint32_t*>(locked.lpSurface);
  EXPECT_EQ(pixels[4 * 16 + 4], Pattern(10, 10));
  EXPECT_EQ(pixels[15 * 16 + 15], Pattern(21, 21));
  EXPECT_EQ(pixels[3 * 16 + 3], 0u);
  ASSERT_EQ(copy->Unlock(nullptr), DD_OK);
}

}  // namespace
}  // namespace dxtest
