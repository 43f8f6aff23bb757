// The software device as the front enumerates it.
#include <gtest/gtest.h>

#include "platform/directx/software/SoftwareDriver.h"

namespace {

using dx::software::SoftwareDriver;

TEST(SoftwareDriver, IdentifiesAsTheRgbEmulationDevice) {
  SoftwareDriver driver;
  EXPECT_TRUE(IsEqualGUID(driver.Guid(), IID_IDirect3DRGBDevice));
  EXPECT_FALSE(IsEqualGUID(driver.Guid(), IID_IDirect3DHALDevice));
  EXPECT_EQ(driver.Name(), "RGB Emulation");
  EXPECT_FALSE(driver.Description().empty());
  auto shared = dx::software::MakeSoftwareDriver();
  ASSERT_NE(shared, nullptr);
  EXPECT_TRUE(IsEqualGUID(shared->Guid(), IID_IDirect3DRGBDevice));
}

TEST(SoftwareDriver, DescribesItselfAsSoftwareOnly) {
  SoftwareDriver driver;
  D3DDEVICEDESC hardware, software;
  std::memset(&hardware, 0xCD, sizeof hardware);
  std::memset(&software, 0xCD, sizeof software);
  driver.Describe(hardware, software);
  EXPECT_EQ(hardware.dwSize, kD3DDeviceDescSize);
  EXPECT_EQ(hardware.dcmColorModel, 0u) << "a software device has no hardware description";
  EXPECT_EQ(hardware.dwFlags, 0u);
  EXPECT_EQ(software.dwSize, kD3DDeviceDescSize);
  EXPECT_EQ(software.dcmColorModel, D3DCOLOR_RGB);
  EXPECT_EQ(software.dpcTriCaps.dwSize, sizeof(D3DPRIMCAPS));
  EXPECT_EQ(software.dpcLineCaps.dwSize, sizeof(D3DPRIMCAPS));
  // No sorting: the depth buffer decides visibility.
  EXPECT_EQ(software.dwDevCaps &
                (D3DDEVCAPS_SORTDECREASINGZ | D3DDEVCAPS_SORTEXACT | D3DDEVCAPS_SORTINCREASINGZ),
            0u);
  EXPECT_EQ(software.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION, 0u);
  EXPECT_TRUE(software.dwDevCaps & D3DDEVCAPS_DRAWPRIMTLVERTEX);
  // Every comparison, every source factor up to BOTHINVSRCALPHA; the saturated and the "both"
  // factors are source factors only, as in Direct3D (and on the OpenGL device).
  EXPECT_EQ(software.dpcTriCaps.dwZCmpCaps, 0xFFu);
  EXPECT_EQ(software.dpcTriCaps.dwSrcBlendCaps, 0x1FFFu);
  EXPECT_EQ(
      software.dpcTriCaps.dwDestBlendCaps &
          (D3DPBLENDCAPS_SRCALPHASAT | D3DPBLENDCAPS_BOTHSRCALPHA | D3DPBLENDCAPS_BOTHINVSRCALPHA),
      0u);
  EXPECT_EQ(software.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY, 0u);
  EXPECT_EQ(software.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_POW2, 0u);
}

TEST(SoftwareDriver, OffersSixteenTwentyFourAndThirtyTwoBitDepthWithoutStencil) {
  SoftwareDriver driver;
  const auto formats = driver.ZBufferFormats();
  ASSERT_EQ(formats.size(), 3u);
  const DWORD bits[] = {16, 24, 32};
  const DWORD masks[] = {0xFFFF, 0xFFFFFF, 0xFFFFFFFF};
  for (size_t i = 0; i < formats.size(); ++i) {
    SCOPED_TRACE(bits[i]);
    EXPECT_EQ(formats[i].dwSize, sizeof(DDPIXELFORMAT));
    EXPECT_EQ(formats[i].dwFlags, DDPF_ZBUFFER) << "exactly DDPF_ZBUFFER, no stencil";
    EXPECT_EQ(formats[i].dwZBufferBitDepth, bits[i]);
    EXPECT_EQ(formats[i].dwZBitMask, masks[i]);
  }
  D3DDEVICEDESC hardware, software;
  driver.Describe(hardware, software);
  EXPECT_EQ(software.dwDeviceZBufferBitDepth, DDBD_16 | DDBD_24 | DDBD_32);
}

TEST(SoftwareDriver, CreatesPipelinesOnlyForThirtyTwoBitTargets) {
  SoftwareDriver driver;
  dx::SurfaceData target;
  target.width = 8;
  target.height = 8;
  target.pitch = 32;
  target.format.dwRGBBitCount = 32;
  target.bits.resize(256);
  HRESULT hr = E_FAIL;
  EXPECT_NE(driver.CreatePipeline(target, hr), nullptr);
  EXPECT_EQ(hr, D3D_OK);
  target.format.dwRGBBitCount = 16;
  EXPECT_EQ(driver.CreatePipeline(target, hr), nullptr);
  EXPECT_TRUE(FAILED(hr));
}

}  // namespace
