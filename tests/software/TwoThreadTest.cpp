// Drawing in two bands on two threads: whatever is drawn, cleared or presented, every colour and
// depth value, the pending tiles and the counts are those of one thread. Each case runs the same
// steps on a pipeline allowed two threads and on one kept to one, at sizes whose bands are not
// whole tiles and whose split lands off the middle.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "FrontRig.h"
#include "TestScene.h"
#include "platform/framework/Window.h"

namespace {

using dx::software::SoftwarePipeline;
using swtest::Scene;
using swtest::TLVertex;

// Thin triangles with horizontal edges on, and vertices next to, every row of tiles, so that
// whatever the split their first or last row is decided by the edge rule right at it.
std::vector<TLVertex> AlongTileRows(int width, int height) {
  std::vector<TLVertex> v;
  for (int row = dx::PendingClear::kTileHeight; row < height;
       row += dx::PendingClear::kTileHeight) {
    const float y = static_cast<float>(row), x = static_cast<float>(row % width);
    const DWORD colour = 0xFF000000u | static_cast<DWORD>(row) * 0x010203u;
    v.insert(v.end(), {{x, y, 0.2f, 1, colour, 0, 0, 0},
                       {x + 300, y, 0.3f, 1, colour, 0, 0, 0},
                       {x + 20, y + 2.5f, 0.1f, 1, colour, 0, 0, 0},
                       {x + 40, y - 1.5f, 0.4f, 1, ~colour, 0, 0, 0},
                       {x + 90, y, 0.3f, 1, ~colour, 0, 0, 0},
                       {x + 10, y, 0.2f, 1, ~colour, 0, 0, 0},
                       {x + 400, y - 0.5f, 0.5f, 1, colour, 0, 0, 0},
                       {x + 500, y + 0.5f, 0.5f, 1, colour, 0, 0, 0},
                       {x + 350, y + 60.0f, 0.5f, 1, ~colour, 0, 0, 0}});
  }
  return v;
}

// Runs steps on both pipelines, then compares the pending tiles, the counts, the two pictures
// presented into windows, every colour and depth value and the guards.
void ExpectAsOneThread(int width, int height, bool fastClears,
                       const std::function<void(Scene&)>& steps, bool banded) {
  Scene two(width, height, 16), one(width, height, 16);
  two.pipeline.SetThreads(2);
  one.pipeline.SetThreads(1);
  for (Scene* s : {&two, &one}) {
    s->SetFastClears(fastClears);
    s->pipeline.SetProfiling(true);
    steps(*s);
  }
  const dx::software::PipelineProfile &p2 = two.pipeline.Profile(), &p1 = one.pipeline.Profile();
  EXPECT_EQ(p2.bandedDraws > 0, banded) << "the case tests what it means to";
  EXPECT_EQ(p1.bandedDraws, 0u);
  EXPECT_EQ(p2.trianglesDrawn, p1.trianglesDrawn);
  EXPECT_EQ(p2.pixelsWritten, p1.pixelsWritten);
  EXPECT_EQ(p2.trianglesInBlocks, p1.trianglesInBlocks);
  for (dx::SurfaceData* s : {&two.target(), &two.depth()}) {
    const dx::PendingClear& a = s->pending;
    const dx::PendingClear& b = (s == &two.target() ? one.target() : one.depth()).pending;
    ASSERT_EQ(a.TileCount(), b.TileCount());
    EXPECT_EQ(a.Any(), b.Any());
    int differ = 0;
    for (int ty = 0; ty * dx::PendingClear::kTileHeight < height; ++ty) {
      for (int tx = 0; tx * dx::PendingClear::kTileWidth < width; ++tx) {
        differ += a.TilePending(tx, ty) != b.TilePending(tx, ty);
      }
    }
    EXPECT_EQ(differ, 0) << "pending tiles";
  }
  OffscreenWindow twoWindow(width, height), oneWindow(width, height);
  const RECT all{0, 0, width, height};
  ASSERT_EQ(two.pipeline.Present(two.target(), all, &twoWindow, POINT{0, 0}), DD_OK);
  ASSERT_EQ(one.pipeline.Present(one.target(), all, &oneWindow, POINT{0, 0}), DD_OK);
  EXPECT_TRUE(twoWindow.Pixels() == oneWindow.Pixels()) << "the windows";
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      wrong += two.Pixel(x, y) != one.Pixel(x, y);
      wrong += two.Depth(x, y) != one.Depth(x, y);
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(two.GuardsIntact());
}

// Sizes just over (and one just under) the threshold, heights off the tile grid: opaque and
// blended triangles after a fast and after a full clear, and a drawing over the upper part of
// the picture only, which leaves tiles pending.
TEST(TwoThreads, PicturesAsOneThreadAtSizesOffTheTileGrid) {
  const struct {
    int w, h;
    bool banded;
  } cases[] = {{1280, 721, true}, {1283, 719, true}, {1100, 1001, true}, {1280, 719, false}};
  static_assert(1280 * 721 >= SoftwarePipeline::kBandPixels &&
                1280 * 719 < SoftwarePipeline::kBandPixels);
  for (const auto& c : cases) {
    for (bool fast : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << (fast ? " fast" : " full"));
      ExpectAsOneThread(
          c.w, c.h, fast,
          [&](Scene& s) {
            s.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
            ASSERT_EQ(s.Clear(0xFF203040, 0.9f), D3D_OK);
            ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::ScatteredTriangles(c.w, c.h, 3000, 40)),
                      D3D_OK);
            ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::ScatteredTriangles(c.w, c.h, 40, 900)),
                      D3D_OK);
            ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, AlongTileRows(c.w, c.h)), D3D_OK);
            s.SetState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
            s.SetState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
            s.SetState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
            ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::RandomTriangles(60, 0, 0, c.w, c.h, 1)),
                      D3D_OK);
          },
          c.banded);
    }
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " partial");
    ExpectAsOneThread(
        c.w, c.h, true,
        [&](Scene& s) {
          s.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
          ASSERT_EQ(s.Clear(0xFF102030, 1.0f), D3D_OK);
          ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST,
                           swtest::RandomTriangles(30, 200, 10, c.w - 300.0f, c.h * 0.45f, 2)),
                    D3D_OK);
        },
        c.banded);
  }
}

// A viewport off the tile grid that cuts triangles on every side, a partial clear inside it,
// and a lit sphere through the near plane (clipped polygons, lighting after culling).
TEST(TwoThreads, ViewportCutsAndClippedLitTrianglesAsOneThread) {
  ExpectAsOneThread(
      1400, 900, true,
      [](Scene& s) {
        ASSERT_EQ(s.Clear(0xFF101010, 1.0f), D3D_OK);
        s.state.viewport = {44, 13, 37, 1300, 750, -1, 1, 2, 2, 0, 1};
        const D3DRECT part{300, 100, 900, 500};
        ASSERT_EQ(s.pipeline.Clear(s.state, &part, 1, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                                   0xFF804020, 0.8f),
                  D3D_OK);
        s.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, swtest::ScatteredTriangles(1400, 900, 2000, 60)),
                  D3D_OK);
        s.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);
        swtest::LightScene(s);
        s.state.view = swtest::Translation(0.3f, 0, 1.2f);
        std::vector<swtest::LitVertex> v;
        std::vector<WORD> i;
        swtest::Sphere(40, 30, v, i);
        ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, v, i), D3D_OK);
      },
      true);
}

// Through the front, surfaces made again at each size as a resize does: what the window shows
// and what Lock reads of the target and the depth buffer are those of one thread.
TEST(TwoThreads, FramesAcrossResizesAsOneThread) {
  swtest::FrontRig two(true, 2), one(true, 1);
  const SIZE sizes[] = {{1283, 719}, {700, 500}, {1500, 650}, {1280, 721}};
  for (const SIZE size : sizes) {
    SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
    std::vector<uint32_t> shown[2];
    for (swtest::FrontRig* rig : {&two, &one}) {
      rig->Build(static_cast<DWORD>(size.cx), static_cast<DWORD>(size.cy));
      ASSERT_EQ(rig->Clear(0xFF405060, 1.0f), D3D_OK);
      rig->Draw(-1.2f, -0.9f, 1.1f, 1.0f, static_cast<int>(size.cx));
      rig->Draw(-0.5f, -0.6f, 0.2f, 0.3f, static_cast<int>(size.cy));
      shown[rig == &one] = rig->Present(size.cx, size.cy);
    }
    EXPECT_TRUE(shown[0] == shown[1]);
    EXPECT_TRUE(two.Locked(two.target.get(), 4) == one.Locked(one.target.get(), 4));
    EXPECT_TRUE(two.Locked(two.zbuffer.get(), 2) == one.Locked(one.zbuffer.get(), 2));
  }
}

}  // namespace
