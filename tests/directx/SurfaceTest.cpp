// Surface creation rules, Lock/Unlock, descriptions and the published structure layouts.
#include <gtest/gtest.h>

#include <cstddef>

#include "Rig.h"

namespace dxtest {
namespace {

class SurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(DirectDrawCreate(nullptr, dd.Out(), nullptr), DD_OK);
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(dd4.Out())), S_OK);
  }
  HRESULT Create(DDSURFACEDESC2 desc, Held<IDirectDrawSurface4>& out) {
    return dd4->CreateSurface(&desc, out.Out(), nullptr);
  }
  HRESULT Create(DDSURFACEDESC2 desc) {
    Held<IDirectDrawSurface4> surface;
    return Create(desc, surface);
  }

  dx::testing::TestDriver driver;
  Held<IDirectDraw> dd;
  Held<IDirectDraw4> dd4;
};

DDSURFACEDESC2 TextureDesc(DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a) {
  DDSURFACEDESC2 desc =
      SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT, DDSCAPS_TEXTURE, 4, 4);
  DDPIXELFORMAT& f = desc.ddpfPixelFormat;
  f.dwSize = sizeof(DDPIXELFORMAT);
  f.dwFlags = DDPF_RGB | (a ? DDPF_ALPHAPIXELS : 0);
  f.dwRGBBitCount = bits;
  f.dwRBitMask = r;
  f.dwGBitMask = g;
  f.dwBBitMask = b;
  f.dwRGBAlphaBitMask = a;
  return desc;
}

TEST_F(SurfaceTest, CreationChecksSizeCapsAndFormat) {
  EXPECT_EQ(Create(TargetDesc(0, 10)), DDERR_INVALIDPARAMS);
  EXPECT_EQ(Create(TargetDesc(10, 0)), DDERR_INVALIDPARAMS);
  EXPECT_EQ(Create(TargetDesc(100000, 10)), DDERR_INVALIDPARAMS);
  DDSURFACEDESC2 desc = TargetDesc(10, 10);
  desc.dwSize = 100;
  EXPECT_EQ(Create(desc), DDERR_INVALIDPARAMS);
  desc.dwSize = sizeof(DDSURFACEDESC2);
  EXPECT_EQ(Create(desc), DD_OK);
  desc.dwFlags &= ~DDSD_HEIGHT;
  EXPECT_EQ(Create(desc), DDERR_INVALIDPARAMS);

  EXPECT_EQ(Create(SurfaceDesc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE)),
            DDERR_INVALIDCAPS);
  EXPECT_EQ(Create(SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                               DDSCAPS_TEXTURE | DDSCAPS_ZBUFFER, 4, 4)),
            DDERR_INVALIDCAPS);
  EXPECT_EQ(Create(SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_PRIMARYSURFACE, 4, 4)),
            DDERR_INVALIDPARAMS);

  desc = ZDesc(8, 8);
  desc.dwFlags &= ~DDSD_PIXELFORMAT;
  EXPECT_EQ(Create(desc), DDERR_INVALIDPIXELFORMAT);
  EXPECT_EQ(Create(ZDesc(8, 8, 8)), DDERR_INVALIDPIXELFORMAT);
  for (DWORD bits : {16u, 24u, 32u}) EXPECT_EQ(Create(ZDesc(8, 8, bits)), DD_OK) << bits;

  EXPECT_EQ(Create(TextureDesc(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u)), DD_OK);
  EXPECT_EQ(Create(TextureDesc(16, 0xF800, 0x07E0, 0x1F, 0)), DD_OK);
  EXPECT_EQ(Create(TextureDesc(16, 0x7C00, 0x03E0, 0x1F, 0)), DDERR_INVALIDPIXELFORMAT);
  EXPECT_EQ(Create(TextureDesc(24, 0xFF0000, 0xFF00, 0xFF, 0)), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(SurfaceTest, DescriptionsTellSizePitchAndFormat) {
  Held<IDirectDrawSurface4> z;
  ASSERT_EQ(Create(ZDesc(10, 6, 24), z), DD_OK);
  DDSURFACEDESC2 desc{};
  desc.dwSize = kDDSurfaceDesc2PublishedSize;
  ASSERT_EQ(z->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_EQ(desc.dwWidth, 10u);
  EXPECT_EQ(desc.dwHeight, 6u);
  EXPECT_EQ(desc.lPitch, 40);  // 24-bit depth in 32-bit words
  EXPECT_EQ(desc.ddpfPixelFormat.dwZBufferBitDepth, 24u);
  EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_ZBUFFER);

  driver.SetDisplaySize({1024, 768});
  Held<IDirectDrawSurface4> primary;
  ASSERT_EQ(Create(SurfaceDesc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE), primary), DD_OK);
  ASSERT_EQ(primary->GetSurfaceDesc(&desc), DD_OK);
  EXPECT_EQ(desc.dwWidth, 1024u);
  EXPECT_EQ(desc.dwHeight, 768u);
  // The display cannot be read back.
  EXPECT_EQ(primary->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_UNSUPPORTED);
}

TEST_F(SurfaceTest, LockGivesWritableMemoryUntilUnlock) {
  Held<IDirectDrawSurface4> target;
  ASSERT_EQ(Create(TargetDesc(8, 4), target), DD_OK);
  DDSURFACEDESC2 desc{};
  desc.dwSize = kDDSurfaceDesc2PublishedSize;
  EXPECT_EQ(target->Unlock(nullptr), DDERR_NOTLOCKED);
  ASSERT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  ASSERT_NE(desc.lpSurface, nullptr);
  EXPECT_EQ(desc.lPitch, 32);
  auto* row1 = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(desc.lpSurface) + desc.lPitch);
  row1[3] = 0xFF123456u;
  DDSURFACEDESC2 second{};
  second.dwSize = kDDSurfaceDesc2PublishedSize;
  EXPECT_EQ(target->Lock(nullptr, &second, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  ASSERT_EQ(target->Unlock(nullptr), DD_OK);
  EXPECT_EQ(target->Unlock(nullptr), DDERR_NOTLOCKED);

  // A rectangle lock points at its corner; the earlier write is still there.
  RECT corner{3, 1, 5, 3};
  ASSERT_EQ(target->Lock(&corner, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(*static_cast<uint32_t*>(desc.lpSurface), 0xFF123456u);
  ASSERT_EQ(target->Unlock(nullptr), DD_OK);
  RECT outside{6, 0, 9, 2};
  EXPECT_EQ(target->Lock(&outside, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST(StructureLayout, PublishedOffsetsAreKept) {
  EXPECT_EQ(offsetof(D3DDEVICEDESC, dtcTransformCaps), 16u);
  EXPECT_EQ(offsetof(D3DDEVICEDESC, dlcLightingCaps), 28u);
  EXPECT_EQ(offsetof(D3DDEVICEDESC, dpcLineCaps), 44u);
  EXPECT_EQ(offsetof(D3DDEVICEDESC, dpcTriCaps), 100u);
  EXPECT_EQ(offsetof(D3DDEVICEDESC, dwDeviceRenderBitDepth), 156u);
  EXPECT_EQ(offsetof(D3DDEVICEDESC, dwMaxTextureRepeat), 204u);
  EXPECT_EQ(offsetof(D3DDEVICEDESC, dvGuardBandLeft), 216u);
  EXPECT_EQ(offsetof(D3DDEVICEDESC, wMaxTextureBlendStages), 248u);
  EXPECT_EQ(sizeof(D3DDEVICEDESC), 252u);
  EXPECT_EQ(offsetof(D3DLIGHT2, dvPosition), 24u);
  EXPECT_EQ(offsetof(D3DLIGHT2, dwFlags), 76u);
  EXPECT_EQ(offsetof(D3DMATERIAL, dvPower), 68u);
  EXPECT_EQ(offsetof(D3DVIEWPORT2, dvClipX), 20u);
  EXPECT_EQ(offsetof(D3DVIEWPORT2, dvMaxZ), 40u);
  EXPECT_EQ(offsetof(DDPIXELFORMAT, dwRGBAlphaBitMask), 28u);
  EXPECT_EQ(offsetof(DDSURFACEDESC2, dwAlphaBitDepth), 28u);
  EXPECT_EQ(offsetof(DDSURFACEDESC2, dwReserved), 32u);
}

}  // namespace
}  // namespace dxtest
