// Transform, viewport mapping, clipping, hostile inputs, clear and present of the software
// pipeline.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestScene.h"
#include "platform/framework/Window.h"

namespace {

using swtest::LitVertex;
using swtest::Scene;

constexpr float kPi = 3.14159265f;

// World space positions with a 90° perspective (so x/z and y/z map straight to the screen).
void UsePerspective(Scene& scene, float nearPlane = 1.0f, float farPlane = 100.0f) {
  scene.state.projection = swtest::Perspective(kPi / 2, 1.0f, nearPlane, farPlane);
  scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
}

int CountLit(const Scene& scene) {
  int lit = 0;
  for (int y = 0; y < scene.height(); ++y)
    for (int x = 0; x < scene.width(); ++x) lit += (scene.Pixel(x, y) & 0xFFFFFF) != 0;
  return lit;
}

TEST(Transform, ProjectsThroughWorldViewProjectionAndViewport) {
  Scene scene;
  UsePerspective(scene);
  scene.state.world = swtest::Translation(1, 0, 0);
  scene.state.view = swtest::Translation(0, 0, 3);
  scene.Clear(0xFF000000);
  // World (1.5, 2.5, 2) → view (2.5, 2.5, 5) → x/w = y/w = 0.5 → pixel (48, 16), y down.
  ASSERT_EQ(scene.Draw(D3DPT_POINTLIST, std::vector<LitVertex>{{1.5f, 2.5f, 2, 0, 0, -1}}), D3D_OK);
  EXPECT_NE(scene.Pixel(48, 16) & 0xFFFFFF, 0u);
  EXPECT_EQ(CountLit(scene), 1);
}

TEST(Transform, ViewportPlacesAndScalesDepth) {
  Scene scene;
  UsePerspective(scene);
  scene.state.viewport = {44, 16, 8, 32, 32, -1, 1, 2, 2, 0.5f, 1.0f};
  scene.Clear(0xFF000000, 1.0f);
  ASSERT_EQ(scene.Draw(D3DPT_POINTLIST, std::vector<LitVertex>{{0, 0, 5, 0, 0, -1}}), D3D_OK);
  EXPECT_NE(scene.Pixel(32, 24) & 0xFFFFFF, 0u);
  // z/w of the projection at 5 is q (1 − n/z) with q = 100/99; then 0.5 + that / 2.
  const double zw = 100.0 / 99.0 * (1.0 - 1.0 / 5.0);
  EXPECT_NEAR(scene.Depth(32, 24) / 65535.0, 0.5 + 0.5 * zw, 2.0 / 65535);
  // The viewport also limits drawing (and clearing): a white triangle over the whole target
  // stays inside it.
  scene.Clear(0xFF000000, 1.0f);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST,
                       std::vector<LitVertex>{
                           {-50, -50, 5, 0, 0, -1}, {50, -50, 5, 0, 0, -1}, {0, 50, 5, 0, 0, -1}}),
            D3D_OK);
  EXPECT_NE(scene.Pixel(15, 20) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_NE(scene.Pixel(20, 7) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(scene.Pixel(16, 8) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(scene.Pixel(47, 39) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_NE(scene.Pixel(48, 39) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_TRUE(scene.GuardsIntact());
}

TEST(Clipping, TriangleThroughTheNearPlaneKeepsItsVisiblePart) {
  // One corner behind the near plane (z = 2). The visible part is the quad cut off at z = 2,
  // whose corners on the cut are (±1, −0.5, 2); drawn as such with a nearer near plane (the
  // x and y mapping does not depend on it) it must cover the same pixels.
  Scene clipped;
  UsePerspective(clipped, 2.0f, 100.0f);
  clipped.Clear(0xFF000000);
  ASSERT_EQ(clipped.Draw(D3DPT_TRIANGLELIST,
                         std::vector<LitVertex>{
                             {0, -1, 0, 0, 0, -1}, {-4, 1, 8, 0, 0, -1}, {4, 1, 8, 0, 0, -1}}),
            D3D_OK);
  Scene reference;
  UsePerspective(reference, 1.0f, 100.0f);
  reference.Clear(0xFF000000);
  ASSERT_EQ(reference.Draw(D3DPT_TRIANGLESTRIP, std::vector<LitVertex>{{-1, -0.5f, 2, 0, 0, -1},
                                                                       {-4, 1, 8, 0, 0, -1},
                                                                       {1, -0.5f, 2, 0, 0, -1},
                                                                       {4, 1, 8, 0, 0, -1}}),
            D3D_OK);
  int differ = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      differ += ((clipped.Pixel(x, y) ^ reference.Pixel(x, y)) & 0xFFFFFF) != 0;
  EXPECT_GT(CountLit(reference), 300);
  EXPECT_LE(differ, 2) << "only rounding at the cut may differ";
  // Nothing below the cut (screen row 40) is drawn.
  for (int x = 0; x < 64; ++x) EXPECT_EQ(clipped.Pixel(x, 41) & 0xFFFFFF, 0u) << x;
  EXPECT_TRUE(clipped.GuardsIntact());
}

TEST(Clipping, FarPlaneAndBehindTheEyeDrawNothing) {
  Scene scene;
  UsePerspective(scene, 1.0f, 10.0f);
  scene.Clear(0xFF000000);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, std::vector<LitVertex>{{-5, -5, 20, 0, 0, -1},
                                                                  {5, -5, 20, 0, 0, -1},
                                                                  {0, 5, 20, 0, 0, -1},
                                                                  {-5, -5, -3, 0, 0, -1},
                                                                  {5, -5, -3, 0, 0, -1},
                                                                  {0, 5, -3, 0, 0, -1}}),
            D3D_OK);
  EXPECT_EQ(CountLit(scene), 0);
  // Crossing the far plane: only the near part shows.
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST,
                       std::vector<LitVertex>{
                           {-1, -1, 5, 0, 0, -1}, {1, -1, 5, 0, 0, -1}, {0, 30, 30, 0, 0, -1}}),
            D3D_OK);
  EXPECT_NE(scene.Pixel(32, 37) & 0xFFFFFF, 0u);  // z ≈ 5.6
  EXPECT_EQ(scene.Pixel(32, 2) & 0xFFFFFF, 0u);   // would be z ≈ 29
}

TEST(Clipping, HugeTrianglesAreClippedToTheGuardBand) {
  Scene scene;
  UsePerspective(scene);
  scene.Clear(0xFF000000);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, std::vector<LitVertex>{{-1e6f, -1e6f, 5, 0, 0, -1},
                                                                  {1e6f, -1e6f, 5, 0, 0, -1},
                                                                  {0, 1e6f, 5, 0, 0, -1}}),
            D3D_OK);
  EXPECT_EQ(CountLit(scene), 64 * 64);
  EXPECT_TRUE(scene.GuardsIntact());
  // Lines too.
  scene.Clear(0xFF000000);
  ASSERT_EQ(scene.Draw(D3DPT_LINELIST,
                       std::vector<LitVertex>{{-1e7f, 0, 5, 0, 0, -1}, {1e7f, 0, 5, 0, 0, -1}}),
            D3D_OK);
  EXPECT_EQ(CountLit(scene), 64);
}

TEST(HostileInput, NonFiniteOrHugeVerticesDropOnlyTheirTriangles) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float values[] = {nan, inf, -inf, 1e38f, -1e38f, 3e38f, 1e20f};
  for (float bad : values) {
    for (int component = 0; component < 6; ++component) {
      SCOPED_TRACE(testing::Message() << bad << " in component " << component);
      Scene scene;
      UsePerspective(scene);
      scene.state.hasMaterial = true;
      scene.state.material.dcvDiffuse = {1, 1, 1, 1};
      D3DLIGHT2 light{};
      light.dltType = D3DLIGHT_POINT;
      light.dcvColor = {1, 1, 1, 1};
      light.dvRange = 1e30f;
      light.dvAttenuation0 = 1;
      light.dwFlags = D3DLIGHT_ACTIVE;
      scene.state.lights.push_back(light);
      scene.Clear(0xFF000000);
      std::vector<LitVertex> v{{-4, -4, 5, 0, 0, -1}, {4, -4, 5, 0, 0, -1}, {0, 4, 5, 0, 0, -1},
                               {-2, 1, 3, 0, 0, -1},  {2, 1, 3, 0, 0, -1},  {0, 3, 3, 0, 0, -1}};
      float* fields = &v[3].x;
      fields[component] = bad;
      for (auto type : {D3DPT_TRIANGLELIST, D3DPT_LINELIST, D3DPT_POINTLIST, D3DPT_TRIANGLESTRIP}) {
        for (DWORD fill : {D3DFILL_SOLID, D3DFILL_WIREFRAME}) {
          scene.SetState(D3DRENDERSTATE_FILLMODE, fill);
          EXPECT_EQ(scene.Draw(type, v), D3D_OK);
        }
      }
      EXPECT_TRUE(scene.GuardsIntact());
      // The first, good triangle is drawn.
      EXPECT_NE(scene.Pixel(32, 40) & 0xFFFFFF, 0u);
    }
  }
}

TEST(HostileInput, NonFiniteMatricesAndViewportsDrawNothingAndNeverCrash) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {nan, inf, 1e38f, 0.0f}) {
    for (int element = 0; element < 16; ++element) {
      for (int which = 0; which < 3; ++which) {
        Scene scene;
        UsePerspective(scene);
        D3DMATRIX& m = which == 0 ? scene.state.world
                                  : (which == 1 ? scene.state.view : scene.state.projection);
        reinterpret_cast<float*>(&m)[element] = bad;
        scene.Clear(0xFF000000);
        const HRESULT hr =
            scene.Draw(D3DPT_TRIANGLELIST,
                       std::vector<LitVertex>{
                           {-1e30f, -4, 5, 0, 0, -1}, {4, -4, 5, 0, 0, -1}, {0, 4, 5, 0, 0, -1}});
        EXPECT_EQ(hr, D3D_OK);
        EXPECT_TRUE(scene.GuardsIntact()) << bad << " at " << which << "/" << element;
      }
    }
  }
  Scene scene;
  scene.state.viewport.dvClipWidth = 0;
  EXPECT_TRUE(FAILED(scene.Draw(D3DPT_POINTLIST, std::vector<LitVertex>{{0, 0, 0.5f, 0, 0, -1}})));
  scene.state.viewport.dvClipWidth = 2;
  scene.state.viewport.dwWidth = 0xFFFFFFFFu;  // beyond the target: limited to it
  scene.state.viewport.dwX = 0x7FFFFFFFu;
  EXPECT_EQ(scene.Draw(D3DPT_POINTLIST, std::vector<LitVertex>{{0, 0, 0.5f, 0, 0, -1}}), D3D_OK);
  EXPECT_TRUE(scene.GuardsIntact());
}

TEST(HostileInput, PretransformedVerticesOutsideTheGuardBandAreDropped) {
  Scene scene;
  scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  scene.Clear(0xFF000000);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<swtest::TLVertex> v{{0, 0, 0.5f, 1, ~0u, 0, 0, 0},  {1e9f, 0, 0.5f, 1, ~0u, 0, 0, 0},
                                  {0, 64, 0.5f, 1, ~0u, 0, 0, 0}, {0, 0, nan, 1, ~0u, 0, 0, 0},
                                  {64, 0, 0.5f, 1, ~0u, 0, 0, 0}, {0, 64, 0.5f, 1, ~0u, 0, 0, 0}};
  EXPECT_EQ(scene.Draw(D3DPT_TRIANGLELIST, v), D3D_OK);
  EXPECT_EQ(CountLit(scene), 0);
  EXPECT_TRUE(scene.GuardsIntact());
}

TEST(Clear, FillsRectanglesWithinTheViewportAtEveryDepthFormat) {
  for (int bits : {16, 24, 32}) {
    SCOPED_TRACE(bits);
    Scene scene(16, 16, bits);
    scene.state.viewport = {44, 0, 0, 12, 12, -1, 1, 2, 2, 0, 1};
    const D3DRECT whole{0, 0, 16, 16};
    ASSERT_EQ(scene.pipeline.Clear(scene.state, &whole, 1, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                                   0xFF112233, 0.25f),
              D3D_OK);
    EXPECT_EQ(scene.Pixel(11, 11), 0xFF112233u);
    EXPECT_NE(scene.Pixel(12, 3), 0xFF112233u) << "outside the viewport";
    const double max = bits == 16 ? 65535.0 : (bits == 24 ? 16777215.0 : 4294967295.0);
    EXPECT_EQ(scene.Depth(5, 5), static_cast<uint32_t>(0.25 * max + 0.5));
    const D3DRECT rects[2] = {{2, 2, 4, 4}, {-10, 10, 3, 100}};
    ASSERT_EQ(scene.pipeline.Clear(scene.state, rects, 2, D3DCLEAR_TARGET, 0xFF445566, 0), D3D_OK);
    EXPECT_EQ(scene.Pixel(3, 3), 0xFF445566u);
    EXPECT_EQ(scene.Pixel(4, 3), 0xFF112233u);
    EXPECT_EQ(scene.Pixel(0, 11), 0xFF445566u);
    EXPECT_EQ(scene.Pixel(0, 12), scene.Pixel(15, 15)) << "the viewport ends at row 12";
    EXPECT_EQ(scene.Depth(3, 3), static_cast<uint32_t>(0.25 * max + 0.5)) << "colour only";
    EXPECT_TRUE(scene.GuardsIntact());
  }
}

TEST(Present, HandsTheImageToTheWindowClippedToTheSource) {
  Scene scene(16, 16, 0);
  scene.Clear(0xFF0000FF);
  const D3DRECT corner{0, 0, 4, 4};
  scene.pipeline.Clear(scene.state, &corner, 1, D3DCLEAR_TARGET, 0xFFFF0000, 0);
  OffscreenWindow window(16, 16);
  const RECT all{0, 0, 16, 16};
  ASSERT_EQ(scene.pipeline.Present(scene.target(), all, &window, POINT{0, 0}), DD_OK);
  EXPECT_EQ(window.PixelAt(1, 1) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(window.PixelAt(8, 8) & 0xFFFFFF, 0x0000FFu);
  // A source reaching outside the image is cut to it and the destination moves along.
  OffscreenWindow second(16, 16);
  const RECT outside{-2, -2, 40, 40};
  ASSERT_EQ(scene.pipeline.Present(scene.target(), outside, &second, POINT{0, 0}), DD_OK);
  EXPECT_EQ(second.PixelAt(3, 3) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(second.PixelAt(6, 6) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(second.PresentCount(), 1);
  EXPECT_TRUE(FAILED(scene.pipeline.Present(scene.target(), all, nullptr, POINT{0, 0})));
}

}  // namespace
