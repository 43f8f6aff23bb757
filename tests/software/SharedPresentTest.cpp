// A window shows the render target's bits without a copy: whatever the device does to the
// target after a present, the window keeps showing that present's picture, and the target's
// two buffers take turns rather than being copied or made anew.
#include <gtest/gtest.h>

#include <set>

#include "TestScene.h"
#include "platform/framework/Window.h"

namespace {

using swtest::Scene;
using swtest::TLVertex;

// Copies at once, as a window that cannot share does: the reference.
struct CopyingWindow : OffscreenWindow {
  using OffscreenWindow::OffscreenWindow;
  bool PresentShared(std::shared_ptr<const void> owner, const uint32_t* pixels, int pitch,
                     const PresentPart* parts, size_t count) override {
    return WindowObject::PresentShared(std::move(owner), pixels, pitch, parts, count);
  }
};

void DrawFrame(Scene& s, int k) {
  ASSERT_EQ(s.Clear(0xFF102030u + static_cast<D3DCOLOR>(k) * 0x00030507u), D3D_OK);
  const float x = 10.0f + 17.0f * static_cast<float>(k);
  const std::vector<TLVertex> v = {{x, 5, 0.5f, 1, 0xFFFF0000u, 0, 0, 0},
                                   {x + 60, 12, 0.5f, 1, 0xFF00FF00u, 0, 0, 0},
                                   {x + 20, 40, 0.5f, 1, 0xFF0000FFu, 0, 0, 0}};
  ASSERT_EQ(s.Draw(D3DPT_TRIANGLELIST, v), D3D_OK);
}

TEST(SharedPresent, TheWindowKeepsEachPictureWhileTheNextIsDrawnAndTheBuffersTakeTurns) {
  // Off the tile grid, so that the picture has tiles still pending from the clear.
  for (const bool fastClears : {true, false}) {
    SCOPED_TRACE(fastClears ? "fast clears" : "full clears");
    Scene scene(200, 45);
    scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    scene.SetFastClears(fastClears);
    const RECT all{0, 0, 200, 45};
    OffscreenWindow window(200, 45);
    std::set<const uint8_t*> buffers;
    for (int k = 0; k < 6; ++k) {
      DrawFrame(scene, k);
      buffers.insert(std::as_const(scene.target().bits).data());
      CopyingWindow reference(200, 45);
      ASSERT_EQ(scene.pipeline.Present(scene.target(), all, &window, POINT{0, 0}), DD_OK);
      ASSERT_EQ(scene.pipeline.Present(scene.target(), all, &reference, POINT{0, 0}), DD_OK);
      ASSERT_TRUE(window.HoldsShared());
      if (k % 2 == 1) {
        // A raw write, as through a lock, reaches a copy of the target's own.
        const uint32_t before = scene.Pixel(0, 0);
        scene.target().bits.data()[0] ^= 0xFFu;
        EXPECT_EQ(scene.Pixel(0, 0), before ^ 0xFFu);
        EXPECT_EQ(scene.Pixel(150, 40), reference.PixelAt(150, 40));
      }
      DrawFrame(scene, k + 1);
      ASSERT_EQ(window.Pixels(), reference.Pixels()) << "frame " << k;
      // Drawing again, the window having let go: the other buffer was free, and is reused.
      DrawFrame(scene, k);
      ASSERT_EQ(scene.pipeline.Present(scene.target(), all, &reference, POINT{0, 0}), DD_OK);
      ASSERT_EQ(reference.Pixels(), window.Pixels()) << "the same frame again, " << k;
    }
    EXPECT_EQ(buffers.size(), 2u) << "two buffers, each frame in the one not shown";
  }
}

TEST(SharedPresent, OnlyOpaqueWholeClearedTargetsAreShared) {
  const RECT all{0, 0, 64, 64};
  Scene alpha(64, 64, 16, true);
  DrawFrame(alpha, 0);
  OffscreenWindow window(64, 64);
  ASSERT_EQ(alpha.pipeline.Present(alpha.target(), all, &window, POINT{0, 0}), DD_OK);
  EXPECT_FALSE(window.HoldsShared()) << "a target with alpha keeps any alpha in its pixels";
  Scene opaque(64, 64);
  ASSERT_EQ(opaque.pipeline.Present(opaque.target(), all, &window, POINT{0, 0}), DD_OK);
  EXPECT_FALSE(window.HoldsShared()) << "never cleared, so its alpha is unknown";
  DrawFrame(opaque, 0);
  ASSERT_EQ(opaque.pipeline.Present(opaque.target(), all, &window, POINT{0, 0}), DD_OK);
  EXPECT_TRUE(window.HoldsShared());
  for (const uint32_t p : window.Pixels()) ASSERT_EQ(p >> 24, 0xFFu);
}

}  // namespace
