// The block path (8 or 16 pixels of a row at once) must give exactly the pixels and depths of
// the row path: same coverage, colours and depth, at every depth comparison, near the right
// side of the target (where blocks start further left) and under a viewport that cuts
// triangles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "TestScene.h"

namespace {

using swtest::Scene;
using swtest::TLVertex;

struct Case {
  int depthBits;
  DWORD zFunc;
  DWORD zWrite;
  bool targetAlpha;
  int viewportX = 0, viewportWidth = 0;  // a viewport of the target's height less 7 when set
  dx::software::BlockWidth blockWidth = dx::software::BlockWidth::kWidest;
};

// Draws the same triangles with and without the block path; returns the number of
// triangles that took it.
uint64_t CompareBothPaths(const Case& c, int width, int height,
                          const std::vector<TLVertex>& triangles) {
  Scene blocks(width, height, c.depthBits, c.targetAlpha);
  Scene rows(width, height, c.depthBits, c.targetAlpha);
  rows.pipeline.SetBlockWidth(dx::software::BlockWidth::kNone);
  blocks.pipeline.SetBlockWidth(c.blockWidth);
  for (Scene* scene : {&blocks, &rows}) {
    scene->SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    scene->SetState(D3DRENDERSTATE_SPECULARENABLE, 1);
    scene->SetState(D3DRENDERSTATE_ZFUNC, c.zFunc);
    scene->SetState(D3DRENDERSTATE_ZWRITEENABLE, c.zWrite);
    if (c.viewportWidth) {
      scene->state.viewport.dwX = static_cast<DWORD>(c.viewportX);
      scene->state.viewport.dwY = 3;
      scene->state.viewport.dwWidth = static_cast<DWORD>(c.viewportWidth);
      scene->state.viewport.dwHeight = static_cast<DWORD>(height - 7);
    }
    scene->Clear(0xFF203040, 0.5f);
    EXPECT_EQ(scene->Draw(D3DPT_TRIANGLELIST, triangles), D3D_OK);
  }
  int wrongColour = 0, wrongDepth = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      wrongColour += blocks.Pixel(x, y) != rows.Pixel(x, y);
      if (c.depthBits) wrongDepth += blocks.Depth(x, y) != rows.Depth(x, y);
    }
  }
  EXPECT_EQ(wrongColour, 0);
  EXPECT_EQ(wrongDepth, 0);
  EXPECT_EQ(blocks.pipeline.Profile().pixelsWritten, rows.pipeline.Profile().pixelsWritten);
  EXPECT_TRUE(blocks.GuardsIntact());
  EXPECT_EQ(rows.pipeline.Profile().trianglesInBlocks, 0u);
  return blocks.pipeline.Profile().trianglesInBlocks;
}

// Called last in a test. An x86-64 processor without AVX2 has no block drawing, which is a
// skip; elsewhere the portable form always draws, and taking no block is a fault.
void ExpectBlocksTaken(uint64_t taken) {
#if defined(__x86_64__)
  if (taken == 0) GTEST_SKIP() << "this processor has no block drawing";
#else
  EXPECT_GT(taken, 0u) << "no triangle took the block path";
#endif
}

// Both block widths: eight pixels (AVX2) and the widest the processor has.
constexpr dx::software::BlockWidth kWidths[] = {dx::software::BlockWidth::kEight,
                                                dx::software::BlockWidth::kWidest};

TEST(BlockPath, GivesTheRowPathsPixelsForEveryDepthTest) {
  // 61 columns: the last blocks of a row must start left of the triangle to stay inside.
  const std::vector<TLVertex> triangles = swtest::ScatteredTriangles(61, 45, 400, 9.0f);
  uint64_t taken = 0;
  for (const auto blockWidth : kWidths) {
    for (DWORD f = D3DCMP_NEVER; f <= D3DCMP_ALWAYS; ++f) {
      for (DWORD write : {0u, 1u}) {
        SCOPED_TRACE(testing::Message() << "block width " << static_cast<int>(blockWidth)
                                        << " zfunc " << f << " zwrite " << write);
        taken += CompareBothPaths({16, f, write, false, 0, 0, blockWidth}, 61, 45, triangles);
      }
    }
    SCOPED_TRACE("no depth buffer, target with alpha");
    taken += CompareBothPaths({0, D3DCMP_LESSEQUAL, 1, true, 0, 0, blockWidth}, 61, 45, triangles);
  }
  ExpectBlocksTaken(taken);
}

TEST(BlockPath, GivesTheRowPathsPixelsUnderACuttingViewport) {
  const std::vector<TLVertex> triangles = swtest::ScatteredTriangles(40, 40, 300, 14.0f);
  uint64_t taken = 0;
  for (const auto blockWidth : kWidths) {
    for (DWORD f : {D3DCMP_LESS, D3DCMP_GREATEREQUAL}) {
      SCOPED_TRACE(testing::Message()
                   << "block width " << static_cast<int>(blockWidth) << " zfunc " << f);
      taken += CompareBothPaths({16, f, 1, true, 5, 28, blockWidth}, 40, 40, triangles);
      // Narrower than the blocks: blocks that end inside it start left of it.
      taken += CompareBothPaths({16, f, 1, true, 11, 12, blockWidth}, 40, 40, triangles);
    }
  }
  ExpectBlocksTaken(taken);
}

TEST(BlockPath, GivesTheRowPathsPixelsForTrianglesSeveralBlocksWide) {
  // Up to about 120 pixels across: up to the eight blocks of sixteen a box may have, and past
  // eight of eight.
  const std::vector<TLVertex> triangles = swtest::ScatteredTriangles(240, 140, 150, 58.0f);
  uint64_t taken = 0;
  for (const auto blockWidth : kWidths) {
    SCOPED_TRACE(testing::Message() << "block width " << static_cast<int>(blockWidth));
    taken +=
        CompareBothPaths({16, D3DCMP_LESSEQUAL, 1, false, 0, 0, blockWidth}, 240, 140, triangles);
    taken += CompareBothPaths({16, D3DCMP_LESS, 1, true, 3, 200, blockWidth}, 240, 140, triangles);
  }
  ExpectBlocksTaken(taken);
}

TEST(BlockPath, GivesTheRowPathsPixelsForWideAndHugeTriangles) {
  // Wider than the box's blocks (drawn over their spans), up to far beyond the target, where
  // the edge functions leave 32 bits; 203 columns, so the last blocks of a row start left.
  std::vector<TLVertex> triangles = swtest::ScatteredTriangles(203, 150, 40, 140.0f);
  const std::vector<TLVertex> huge = swtest::ScatteredTriangles(203, 150, 6, 9000.0f);
  triangles.insert(triangles.end(), huge.begin(), huge.end());
  uint64_t taken = 0;
  for (const auto blockWidth : kWidths) {
    SCOPED_TRACE(testing::Message() << "block width " << static_cast<int>(blockWidth));
    taken +=
        CompareBothPaths({16, D3DCMP_LESSEQUAL, 1, false, 0, 0, blockWidth}, 203, 150, triangles);
    taken += CompareBothPaths({16, D3DCMP_GREATER, 1, true, 0, 0, blockWidth}, 203, 150, triangles);
    taken += CompareBothPaths({0, D3DCMP_ALWAYS, 0, true, 9, 181, blockWidth}, 203, 150, triangles);
    // Narrower than two blocks, inside the target.
    taken += CompareBothPaths({16, D3DCMP_LESS, 1, false, 50, 21, blockWidth}, 203, 150, triangles);
  }
  ExpectBlocksTaken(taken);
}

TEST(BlockPath, LeavesNarrowTargetsAndOtherDepthFormatsToTheRowPath) {
  // Narrower than a block: no block fits inside a row.
  const std::vector<TLVertex> narrow = swtest::ScatteredTriangles(7, 30, 60, 4.0f);
  for (const auto blockWidth : kWidths) {
    EXPECT_EQ(CompareBothPaths({16, D3DCMP_LESS, 1, false, 0, 0, blockWidth}, 7, 30, narrow), 0u);
  }
  // 24- and 32-bit depth keep the row path, with the same result.
  const std::vector<TLVertex> triangles = swtest::ScatteredTriangles(40, 40, 100, 6.0f);
  EXPECT_EQ(CompareBothPaths({24, D3DCMP_LESS, 1, false}, 40, 40, triangles), 0u);
  EXPECT_EQ(CompareBothPaths({32, D3DCMP_LESS, 1, false}, 40, 40, triangles), 0u);
}

}  // namespace
