// Fast clears: whatever is drawn, cleared, locked, blitted or presented after them, the pixels
// are those of clears that write every pixel. Each case runs the same steps twice, with fast
// clears and without, on surfaces whose rows and tail carry guard bytes, so a tile left unfilled
// or filled over a drawing shows as a difference.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "FrontRig.h"
#include "TestScene.h"
#include "platform/directx/DirectX.h"
#include "platform/directx/software/SoftwareDriver.h"
#include "platform/framework/Window.h"

namespace {

using swtest::Scene;

HRESULT ClearRects(Scene& scene, std::vector<D3DRECT> rects, DWORD flags, D3DCOLOR colour,
                   float z) {
  return scene.pipeline.Clear(scene.state, rects.data(), static_cast<DWORD>(rects.size()), flags,
                              colour, z);
}

// Runs steps on a scene with fast clears and on one without, presents both whole into windows,
// and compares the windows, then every colour and depth value and the guards.
void ExpectAsFullClears(int width, int height, int depthBits,
                        const std::function<void(Scene&)>& steps, bool leavesTilesPending) {
  Scene fast(width, height, depthBits), full(width, height, depthBits);
  fast.SetFastClears(true);
  full.SetFastClears(false);
  steps(fast);
  steps(full);
  EXPECT_EQ(fast.target().pending.Any(), leavesTilesPending) << "the case tests what it means to";
  EXPECT_FALSE(full.target().pending.Any());
  OffscreenWindow fastWindow(width + 3, height + 2), fullWindow(width + 3, height + 2);
  const RECT all{0, 0, width, height};
  ASSERT_EQ(fast.pipeline.Present(fast.target(), all, &fastWindow, POINT{2, 1}), DD_OK);
  ASSERT_EQ(full.pipeline.Present(full.target(), all, &fullWindow, POINT{2, 1}), DD_OK);
  EXPECT_EQ(fastWindow.Pixels(), fullWindow.Pixels());
  EXPECT_EQ(fastWindow.PresentCount(), 1);
  EXPECT_EQ(fast.target().pending.Any(), leavesTilesPending) << "presenting writes no tiles";
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      wrong += fast.Pixel(x, y) != full.Pixel(x, y);
      if (depthBits) wrong += fast.Depth(x, y) != full.Depth(x, y);
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(fast.GuardsIntact());
}

constexpr DWORD kBoth = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER;

// Sizes around and off the 128 × 32 tile, with the drawing over part of the picture only.
TEST(FastClear, PartialDrawingsAtSizesOffTheTileGrid) {
  // Whether tiles are left that no triangle reached (the one pixel lies outside them all).
  const struct {
    int w, h;
    bool pending;
  } cases[] = {{1, 1, true}, {127, 31, false}, {129, 33, true}, {200, 45, true}, {300, 70, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    const int w = c.w, h = c.h;
    ExpectAsFullClears(
        w, h, 16,
        [&](Scene& s) {
          s.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
          ASSERT_EQ(s.Clear(0xFF203040, 1.0f), D3D_OK);
          ASSERT_EQ(
              s.Draw(D3DPT_TRIANGLELIST, swtest::RandomTriangles(30, w * 0.3f, h * 0.2f,
                                                                 w * 0.6f + 1, h * 0.7f + 1, w)),
              D3D_OK);
        },
        c.pending);
  }
}

// A viewport smaller than the target makes every clear partial; rectangles, colour-only and
// depth-only clears then land on tiles still pending from an earlier whole clear.
TEST(FastClear, ViewportCutsAndClearRectanglesOverPendingTiles) {
  for (int bits : {16, 24, 32}) {
    SCOPED_TRACE(bits);
    ExpectAsFullClears(
        300, 70, bits,
        [](Scene& s) {
          s.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
          ASSERT_EQ(s.Clear(0xFF101010, 0.9f), D3D_OK);
          s.state.viewport.dwX = 140;
          s.state.viewport.dwY = 20;
          s.state.viewport.dwWidth = 100;
          s.state.viewport.dwHeight = 40;
          ASSERT_EQ(s.pipeline.Clear(s.state, nullptr, 0, kBoth, 0xFF804020, 1.0f), D3D_OK);
          ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::RandomTriangles(20, 100, 0, 280, 70, 1)),
                    D3D_OK);
          s.state.viewport = {44, 0, 0, 300, 70, -1, 1, 2, 2, 0, 1};
          ASSERT_EQ(
              ClearRects(s, {{5, 40, 20, 69}, {250, -5, 400, 10}}, D3DCLEAR_TARGET, 0xFF00FF00, 0),
              D3D_OK);
          ASSERT_EQ(ClearRects(s, {{0, 0, 60, 35}}, D3DCLEAR_ZBUFFER, 0, 0.2f), D3D_OK);
          ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::RandomTriangles(20, 0, 0, 150, 70, 2)),
                    D3D_OK);
        },
        true);
  }
}

// Colour and depth are pending each on their own: a colour-only whole clear keeps the depth,
// a depth-only one the colour, and drawings between them test against and blend with both.
TEST(FastClear, ColourOnlyAndDepthOnlyClearsKeepTheOtherBuffer) {
  ExpectAsFullClears(
      260, 100, 16,
      [](Scene& s) {
        s.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        ASSERT_EQ(s.Clear(0xFF000080, 0.5f), D3D_OK);
        ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::RandomTriangles(20, 0, 0, 260, 100, 3)),
                  D3D_OK);
        ASSERT_EQ(s.pipeline.Clear(s.state, nullptr, 0, D3DCLEAR_TARGET, 0xFF405060, 0), D3D_OK);
        ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::RandomTriangles(10, 0, 0, 120, 60, 4)),
                  D3D_OK);
        ASSERT_EQ(s.pipeline.Clear(s.state, nullptr, 0, D3DCLEAR_ZBUFFER, 0, 0.7f), D3D_OK);
        s.SetState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
        s.SetState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
        s.SetState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
        ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::RandomTriangles(10, 100, 20, 250, 90, 5)),
                  D3D_OK);
      },
      true);
}

// Lines and points are drawn after a whole fill of what is pending.
TEST(FastClear, WireframeAndPointsAfterAFastClear) {
  ExpectAsFullClears(
      200, 64, 16,
      [](Scene& s) {
        s.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        ASSERT_EQ(s.Clear(0xFF332211, 1.0f), D3D_OK);
        s.SetState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
        ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::RandomTriangles(5, 10, 10, 60, 50, 6)),
                  D3D_OK);
        ASSERT_EQ(s.Clear(0xFF332211, 1.0f), D3D_OK);
        ASSERT_EQ(s.Draw(D3DPT_POINTLIST, swtest::RandomTriangles(5, 0, 0, 200, 64, 7)), D3D_OK);
      },
      false);
}

// Frames at one size after another, the surfaces made again at each, as a resize does.
TEST(FastClear, FramesAcrossResizesPresentAsFullClearsDo) {
  swtest::FrontRig fast(true), full(false);
  const SIZE sizes[] = {{300, 70}, {129, 33}, {64, 64}, {513, 97}};
  for (const SIZE size : sizes) {
    SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
    std::vector<uint32_t> shown[2];
    for (swtest::FrontRig* rig : {&fast, &full}) {
      rig->Build(static_cast<DWORD>(size.cx), static_cast<DWORD>(size.cy));
      ASSERT_EQ(rig->Clear(0xFF405060, 1.0f), D3D_OK);
      rig->Draw(-0.5f, -0.6f, 0.2f, 0.3f, static_cast<int>(size.cx));
      shown[rig == &full] = rig->Present(size.cx, size.cy);
    }
    EXPECT_EQ(shown[0], shown[1]);
    EXPECT_EQ(fast.Locked(fast.target.get(), 4), full.Locked(full.target.get(), 4));
  }
}

// Lock sees the clear colour and depth; Blt copies them out of a pending surface and into one
// without a later fill painting over what it brought.
TEST(FastClear, LockAndBltAfterAFastClearSeeTheClearedPixels) {
  swtest::FrontRig fast(true), full(false);
  std::vector<uint8_t> results[2][3];
  for (swtest::FrontRig* rig : {&fast, &full}) {
    rig->Build(200, 45);
    ASSERT_EQ(rig->Clear(0xFF336699, 0.5f), D3D_OK);
    std::vector<uint8_t>* r = results[rig == &full];
    r[0] = rig->Locked(rig->zbuffer.get(), 2);
    swtest::FrontRig::Ref<IDirectDrawSurface4> copy(rig->MakePlain(200, 45));
    ASSERT_EQ(copy->Blt(nullptr, rig->target.get(), nullptr, 0, nullptr), DD_OK);
    r[1] = rig->Locked(copy.get(), 4);
    ASSERT_EQ(rig->Clear(0xFF102030, 1.0f), D3D_OK);
    RECT into{150, 10, 190, 40};
    RECT from{0, 0, 40, 30};
    swtest::FrontRig::Ref<IDirectDrawSurface4> small(rig->MakePlain(40, 30));
    ASSERT_EQ(small->Blt(nullptr, copy.get(), nullptr, 0, nullptr), DD_OK);
    ASSERT_EQ(rig->target->Blt(&into, small.get(), &from, 0, nullptr), DD_OK);
    r[2] = rig->Locked(rig->target.get(), 4);
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(results[0][i], results[1][i]) << i;
  const uint8_t depth[2] = {results[0][0][0], results[0][0][1]};
  EXPECT_EQ(depth[0] | depth[1] << 8, 32768) << "depth 0.5 of 16 bits";
  EXPECT_EQ(results[0][1][0] | results[0][1][1] << 8 | results[0][1][2] << 16, 0x336699);
  const size_t inside = (20 * 200 + 160) * 4, outside = (20 * 200 + 100) * 4;
  EXPECT_EQ(results[0][2][inside], 0x99) << "the blitted block";
  EXPECT_EQ(results[0][2][outside], 0x30) << "the second clear";
}

}  // namespace
