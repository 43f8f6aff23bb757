// What the OpenGL device claims, and the pieces of it that need no OpenGL context.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/directx/opengl/GlContext.h"
#include "platform/directx/opengl/GlFrame.h"
#include "platform/directx/opengl/OpenGLDevice.h"
#include "render/CapabilityTest.h"

namespace {

constexpr DWORD kAllDepths = DDBD_16 | DDBD_24 | DDBD_32;

TEST(DescriptionTest, EitherKindMeetsEveryCapabilityRowInItsOwnSlot) {
  for (bool hardware : {true, false}) {
    SCOPED_TRACE(hardware ? "hardware" : "software");
    D3DDEVICEDESC hal{}, hel{};
    dx::opengl::DescribeOpenGLDevice(hardware, kAllDepths, 8192, hal, hel);
    const D3DDEVICEDESC& filled = hardware ? hal : hel;
    const D3DDEVICEDESC& empty = hardware ? hel : hal;
    EXPECT_EQ(filled.dwSize, kD3DDeviceDescSize);
    EXPECT_EQ(empty.dwSize, kD3DDeviceDescSize);
    // The capability test counts a device as hardware by the hardware colour model.
    EXPECT_EQ(empty.dcmColorModel, 0u);
    EXPECT_EQ(FailedCapabilityRows(filled), std::vector<int>{});
    EXPECT_EQ(filled.dwDeviceZBufferBitDepth, kAllDepths);
    EXPECT_EQ((filled.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION) != 0, hardware);
    // The saturated and the "both" blend factors are source factors only, as in Direct3D.
    const DWORD sourceOnly =
        D3DPBLENDCAPS_SRCALPHASAT | D3DPBLENDCAPS_BOTHSRCALPHA | D3DPBLENDCAPS_BOTHINVSRCALPHA;
    EXPECT_EQ(filled.dpcTriCaps.dwSrcBlendCaps & sourceOnly, sourceOnly);
    EXPECT_EQ(filled.dpcTriCaps.dwDestBlendCaps & sourceOnly, 0u);
  }
}

TEST(DescriptionTest, OnlyTheDepthsOpenGLRendersAreClaimed) {
  D3DDEVICEDESC hal{}, hel{};
  dx::opengl::DescribeOpenGLDevice(false, DDBD_16, 2048, hal, hel);
  EXPECT_EQ(hel.dwDeviceZBufferBitDepth, DDBD_16);
  EXPECT_EQ(hel.dwMaxTextureWidth, 2048u);
  EXPECT_EQ(FailedCapabilityRows(hel), std::vector<int>{});
}

TEST(DescriptionTest, OwnGuidDiffersFromThePublishedDevices) {
  for (const GUID* published :
       {&IID_IDirect3DHALDevice, &IID_IDirect3DRGBDevice, &IID_IDirect3DRefDevice}) {
    EXPECT_FALSE(IsEqualGUID(dx::opengl::kOpenGLDeviceGuid, *published));
  }
}

TEST(RendererNameTest, SoftwareRenderersAreToldFromGraphicsProcessors) {
  struct Case {
    const char* renderer;
    bool software;
  };
  const Case cases[] = {
      {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
      {"softpipe", true},
      {"Software Rasterizer", true},
      {"SwiftShader Device (Subzero)", true},
      {"AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", false},
      {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
      {"NVIDIA GeForce RTX 3060/PCIe/SSE2", false},
      {"virgl (NVIDIA GeForce RTX 3060)", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dx::opengl::IsSoftwareRendererName(c.renderer), c.software) << c.renderer;
  }
}

D3DVIEWPORT2 Viewport(DWORD x, DWORD y, DWORD w, DWORD h) {
  return {sizeof(D3DVIEWPORT2), x, y, w, h, -1.0f, 1.0f, 2.0f, 2.0f, 0.0f, 1.0f};
}

TEST(ViewportMappingTest, ScissorIsTheViewportInsideTargetAndTestedDepth) {
  using dx::opengl::MapViewport;
  auto m = MapViewport(Viewport(10, 20, 300, 200), 200, 150, 0, 0);
  ASSERT_TRUE(m.valid);
  EXPECT_EQ(m.x0, 10);
  EXPECT_EQ(m.y0, 20);
  EXPECT_EQ(m.x1, 200);
  EXPECT_EQ(m.y1, 150);
  // A smaller z-buffer limits the pixels when depth is tested.
  m = MapViewport(Viewport(0, 0, 200, 150), 200, 150, 120, 100);
  EXPECT_EQ(m.x1, 120);
  EXPECT_EQ(m.y1, 100);
  // A viewport that starts past the target is empty, not inverted.
  m = MapViewport(Viewport(500, 400, 10, 10), 200, 150, 0, 0);
  ASSERT_TRUE(m.valid);
  EXPECT_EQ(m.x1 - m.x0, 0);
  EXPECT_EQ(m.y1 - m.y0, 0);
}

TEST(ViewportMappingTest, DegenerateClipVolumesMapNothing) {
  using dx::opengl::MapViewport;
  D3DVIEWPORT2 v = Viewport(0, 0, 64, 64);
  v.dvClipWidth = 0.0f;
  EXPECT_FALSE(MapViewport(v, 64, 64, 0, 0).valid);
  v = Viewport(0, 0, 64, 64);
  v.dvClipHeight = std::nanf("");
  EXPECT_FALSE(MapViewport(v, 64, 64, 0, 0).valid);
  v = Viewport(0, 0, 64, 64);
  v.dvMaxZ = INFINITY;
  EXPECT_FALSE(MapViewport(v, 64, 64, 0, 0).valid);
}

TEST(RenderStateMappingTest, BothAlphaFactorsSetTheDestinationToo) {
  using dx::opengl::BlendFactors;
  GLenum src = 0, dest = 0;
  BlendFactors(D3DBLEND_BOTHSRCALPHA, D3DBLEND_ONE, src, dest);
  EXPECT_EQ(src, static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(dest, static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
  BlendFactors(D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ONE, src, dest);
  EXPECT_EQ(src, static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
  EXPECT_EQ(dest, static_cast<GLenum>(GL_SRC_ALPHA));
  // Values outside the published range fall back as on the software device: ONE / ZERO.
  BlendFactors(0, 14, src, dest);
  EXPECT_EQ(src, static_cast<GLenum>(GL_ONE));
  EXPECT_EQ(dest, static_cast<GLenum>(GL_ZERO));
}

}  // namespace
