// Rasterisation and pixel processing of the software device, on pre-transformed vertices:
// fill rule, depth comparisons and formats, depth bias, culling, blending, shading, lines,
// points and textures.
#include <gtest/gtest.h>

#include <cmath>

#include "TestScene.h"

namespace {

using swtest::A;
using swtest::B;
using swtest::G;
using swtest::R;
using swtest::Scene;
using swtest::TLVertex;

TLVertex V(float x, float y, float z = 0.5f, DWORD diffuse = 0xFFFFFFFF, DWORD specular = 0,
           float u = 0, float v = 0) {
  return TLVertex{x, y, z, 1.0f, diffuse, specular, u, v};
}

// Additive drawing of 1 per covered pixel: every pixel then counts how often it was hit.
void CountHits(Scene& scene) {
  scene.Clear(0xFF000000);
  scene.SetState(D3DRENDERSTATE_ZENABLE, 0);
  scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  scene.SetState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  scene.SetState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
  scene.SetState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
}

// Deterministic fractions in 0..1.
float Jitter(int i) {
  return static_cast<float>((i * 2654435761u) % 1000u) / 1000.0f;
}

TEST(FillRule, JitteredMeshCoversEveryPixelExactlyOnce) {
  Scene scene;
  CountHits(scene);
  // A 9 × 9 grid over the whole target, inner points moved by sub-pixel amounts, quads split
  // along alternating diagonals so that both windings and all edge directions occur.
  constexpr int kN = 9;
  std::vector<TLVertex> vertices;
  for (int j = 0; j < kN; ++j) {
    for (int i = 0; i < kN; ++i) {
      float x = 64.0f * i / (kN - 1), y = 64.0f * j / (kN - 1);
      if (i > 0 && i < kN - 1) x += 3.0f * (Jitter(j * kN + i) - 0.5f);
      if (j > 0 && j < kN - 1) y += 3.0f * (Jitter(j * kN + i + 1000) - 0.5f);
      vertices.push_back(V(x, y, 0.5f, 0x01010101));
    }
  }
  std::vector<WORD> indices;
  for (int j = 0; j + 1 < kN; ++j) {
    for (int i = 0; i + 1 < kN; ++i) {
      const WORD a = static_cast<WORD>(j * kN + i), b = a + 1, c = a + kN, d = c + 1;
      if ((i + j) % 2) {
        indices.insert(indices.end(), {a, b, d, a, d, c});
      } else {
        indices.insert(indices.end(), {a, b, c, b, d, c});
      }
    }
  }
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, vertices, indices), D3D_OK);
  int missing = 0, doubled = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const int hits = R(scene.Pixel(x, y));
      missing += hits == 0;
      doubled += hits > 1;
    }
  }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(doubled, 0);
  EXPECT_TRUE(scene.GuardsIntact());
}

TEST(FillRule, FanSharesEdgesWithoutGapsOrOverlap) {
  Scene scene;
  CountHits(scene);
  // Thirteen thin triangles around an off-centre point, rim points at sub-pixel positions.
  const float cx = 31.37f, cy = 30.81f;
  std::vector<TLVertex> fan{V(cx, cy, 0.5f, 0x01010101)};
  constexpr int kSpokes = 13;
  for (int k = 0; k <= kSpokes; ++k) {
    const float angle = 6.2831853f * k / kSpokes + 0.1f;
    fan.push_back(V(cx + 27.3f * std::cos(angle), cy + 26.9f * std::sin(angle), 0.5f, 0x01010101));
  }
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLEFAN, fan), D3D_OK);
  int doubled = 0, insideMissing = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const int hits = R(scene.Pixel(x, y));
      doubled += hits > 1;
      // Well inside the polygon (its inradius is about 26.9·cos(π/13) ≈ 26.1).
      if (std::hypot(x - cx, y - cy) < 24.0f) insideMissing += hits == 0;
    }
  }
  EXPECT_EQ(doubled, 0);
  EXPECT_EQ(insideMissing, 0);
}

// Triangles the viewport cuts take another way through the rasteriser than those it does not:
// inside a smaller viewport the picture and depth must be those of the whole viewport, and
// outside it nothing may change. Depths near both ends of the range are included, where the
// depth of a pixel is clamped.
TEST(FillRule, ViewportCutsGiveThePixelsOfTheWholePicture) {
  std::vector<TLVertex> triangles;
  for (int i = 0; i < 60; ++i) {
    const float cx = -6.0f + 60.0f * Jitter(6 * i), cy = -6.0f + 60.0f * Jitter(6 * i + 1);
    const float size = 2.0f + 14.0f * Jitter(6 * i + 2);
    const float z = i % 3 == 0 ? 0.0f : (i % 3 == 1 ? 1.0f : Jitter(6 * i + 3));
    const DWORD colour = 0xFF000000u | ((i * 2654435761u) & 0xFFFFFFu);
    for (int k = 0; k < 3; ++k) {
      const float angle = 2.1f * k + 6.0f * Jitter(6 * i + 4);
      triangles.push_back(V(cx + size * std::cos(angle), cy + size * std::sin(angle),
                            std::fabs(z - 0.3f * Jitter(6 * i + 5 + k)),
                            colour ^ (0x3F3F3Fu * static_cast<DWORD>(k))));
    }
  }
  Scene whole(48, 48), part(48, 48);
  for (Scene* scene : {&whole, &part}) {
    scene->SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    scene->Clear(0xFF102030);
  }
  part.state.viewport.dwX = 9;
  part.state.viewport.dwY = 7;
  part.state.viewport.dwWidth = 30;
  part.state.viewport.dwHeight = 33;
  ASSERT_EQ(whole.Draw(D3DPT_TRIANGLELIST, triangles), D3D_OK);
  ASSERT_EQ(part.Draw(D3DPT_TRIANGLELIST, triangles), D3D_OK);
  int drawn = 0, wrong = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      const bool inside = x >= 9 && x < 39 && y >= 7 && y < 40;
      if (inside) {
        drawn += whole.Pixel(x, y) != 0xFF102030u;
        wrong += part.Pixel(x, y) != whole.Pixel(x, y) || part.Depth(x, y) != whole.Depth(x, y);
      } else {
        wrong += part.Pixel(x, y) != 0xFF102030u;
      }
    }
  }
  EXPECT_GT(drawn, 300) << "the scene should cover a good part of the viewport";
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(part.GuardsIntact());
}

// Where the viewport cuts a triangle's columns, the row path carries colour along the left edge
// from a table of the rows' bounds. This left edge's remainder reaches its divisor exactly at
// row 24 (found by walking it: N = −(b·Y + c) advances by a multiple of 256 per row), where the
// edge moves one pixel more than usual; a carry missed there shifts every later row's colour.
TEST(FillRule, CutRowsCarryColourWhereTheEdgeRemainderMeetsItsDivisor) {
  const std::vector<TLVertex> triangle{V(21.92578125f, 5.3046875f, 0.5f, 0xFFFF0000),
                                       V(44.0f, 20.0f, 0.5f, 0xFF00FF00),
                                       V(12.6328125f, 36.19140625f, 0.5f, 0xFF0000FF)};
  Scene whole(48, 48), cut(48, 48);
  cut.state.viewport.dwWidth = 30;
  for (Scene* scene : {&whole, &cut}) {
    scene->pipeline.SetBlockWidth(dx::software::BlockWidth::kNone);
    scene->SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    scene->Clear(0xFF000000);
    ASSERT_EQ(scene->Draw(D3DPT_TRIANGLELIST, triangle), D3D_OK);
  }
  int drawn = 0, wrong = 0;
  for (int y = 25; y < 37; ++y) {
    for (int x = 0; x < 30; ++x) {
      drawn += whole.Pixel(x, y) != 0xFF000000u;
      wrong += cut.Pixel(x, y) != whole.Pixel(x, y);
    }
  }
  EXPECT_GT(drawn, 100);
  EXPECT_EQ(wrong, 0);
}

TEST(FillRule, TopAndLeftEdgesAreInsideBottomAndRightAreNot) {
  Scene scene;
  CountHits(scene);
  // A square with corners on pixel centres: the top row and left column belong to it.
  ASSERT_EQ(
      scene.Draw(D3DPT_TRIANGLESTRIP,
                 std::vector<TLVertex>{V(10, 10, 0.5f, 0x01010101), V(20, 10, 0.5f, 0x01010101),
                                       V(10, 20, 0.5f, 0x01010101), V(20, 20, 0.5f, 0x01010101)}),
      D3D_OK);
  int count = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) count += R(scene.Pixel(x, y));
  EXPECT_EQ(count, 100);
  EXPECT_EQ(R(scene.Pixel(10, 10)), 1);
  EXPECT_EQ(R(scene.Pixel(19, 19)), 1);
  EXPECT_EQ(R(scene.Pixel(20, 15)), 0);
  EXPECT_EQ(R(scene.Pixel(15, 20)), 0);
}

struct DepthCase {
  DWORD func;
  bool passLess, passEqual, passGreater;  // new depth below, equal to, above the stored one
};

TEST(DepthTest, EveryComparisonAtEveryFormat) {
  const DepthCase cases[] = {
      {D3DCMP_NEVER, false, false, false},      {D3DCMP_LESS, true, false, false},
      {D3DCMP_EQUAL, false, true, false},       {D3DCMP_LESSEQUAL, true, true, false},
      {D3DCMP_GREATER, false, false, true},     {D3DCMP_NOTEQUAL, true, false, true},
      {D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_ALWAYS, true, true, true},
  };
  for (int bits : {16, 24, 32}) {
    for (const DepthCase& c : cases) {
      for (int which = 0; which < 3; ++which) {
        SCOPED_TRACE(testing::Message()
                     << bits << "-bit depth, function " << c.func << ", case " << which);
        Scene scene(16, 16, bits);
        scene.Clear(0xFF000000, 0.5f);
        scene.SetState(D3DRENDERSTATE_ZFUNC, c.func);
        const float z = which == 0 ? 0.25f : (which == 1 ? 0.5f : 0.75f);
        const bool expected = which == 0 ? c.passLess : (which == 1 ? c.passEqual : c.passGreater);
        ASSERT_EQ(
            scene.Draw(D3DPT_TRIANGLESTRIP,
                       std::vector<TLVertex>{V(0, 0, z, 0xFF00FF00), V(16, 0, z, 0xFF00FF00),
                                             V(0, 16, z, 0xFF00FF00), V(16, 16, z, 0xFF00FF00)}),
            D3D_OK);
        EXPECT_EQ(G(scene.Pixel(8, 8)) == 255, expected);
        // Depth is written exactly where the test passed.
        const double max = bits == 16 ? 65535.0 : (bits == 24 ? 16777215.0 : 4294967295.0);
        const double stored = scene.Depth(8, 8) / max;
        EXPECT_NEAR(stored, expected ? z : 0.5, 1.0 / max + 1e-9);
      }
    }
  }
}

TEST(DepthTest, WriteDisableAndDepthOffLeaveTheBufferAlone) {
  Scene scene(16, 16, 16);
  scene.Clear(0xFF000000, 1.0f);
  scene.SetState(D3DRENDERSTATE_ZWRITEENABLE, 0);
  const std::vector<TLVertex> quad{V(0, 0, 0.25f), V(16, 0, 0.25f), V(0, 16, 0.25f),
                                   V(16, 16, 0.25f)};
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad), D3D_OK);
  EXPECT_EQ(scene.Pixel(4, 4) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(scene.Depth(4, 4), 0xFFFFu);
  scene.SetState(D3DRENDERSTATE_ZWRITEENABLE, 1);
  scene.SetState(D3DRENDERSTATE_ZENABLE, 0);
  scene.SetState(D3DRENDERSTATE_ZFUNC, D3DCMP_NEVER);  // ignored without depth testing
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad), D3D_OK);
  EXPECT_EQ(scene.Depth(4, 4), 0xFFFFu);
}

TEST(DepthTest, BiasPullsCoplanarGeometryTowardsTheViewer) {
  for (int bits : {16, 24, 32}) {
    SCOPED_TRACE(bits);
    Scene scene(16, 16, bits);
    scene.Clear(0xFF000000, 1.0f);
    scene.SetState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESS);
    auto quad = [](DWORD colour) {
      return std::vector<TLVertex>{V(0, 0, 0.6f, colour), V(16, 0, 0.6f, colour),
                                   V(0, 16, 0.3f, colour), V(16, 16, 0.3f, colour)};
    };
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad(0xFFFF0000)), D3D_OK);
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad(0xFF0000FF)), D3D_OK);
    EXPECT_EQ(scene.Pixel(8, 8) & 0xFFFFFF, 0xFF0000u) << "same depth fails LESS without bias";
    scene.SetState(D3DRENDERSTATE_ZBIAS, 1);
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad(0xFF0000FF)), D3D_OK);
    int blue = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) blue += (scene.Pixel(x, y) & 0xFFFFFF) == 0x0000FF;
    EXPECT_EQ(blue, 256) << "the biased copy wins everywhere";
  }
}

TEST(Culling, EachModeRemovesTheRightWinding) {
  struct Case {
    DWORD mode;
    bool clockwiseDrawn, counterClockwiseDrawn;
  } cases[] = {{D3DCULL_NONE, true, true}, {D3DCULL_CW, false, true}, {D3DCULL_CCW, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Scene scene(32, 16, 0);
    scene.Clear(0xFF000000);
    scene.SetState(D3DRENDERSTATE_CULLMODE, c.mode);
    // Clockwise on screen (y down): right, then down-left.
    ASSERT_EQ(
        scene.Draw(D3DPT_TRIANGLELIST,
                   std::vector<TLVertex>{V(1, 1, 0.5f, 0xFFFF0000), V(15, 1, 0.5f, 0xFFFF0000),
                                         V(1, 15, 0.5f, 0xFFFF0000), V(17, 1, 0.5f, 0xFF00FF00),
                                         V(17, 15, 0.5f, 0xFF00FF00), V(31, 1, 0.5f, 0xFF00FF00)}),
        D3D_OK);
    EXPECT_EQ(R(scene.Pixel(4, 4)) == 255, c.clockwiseDrawn);
    EXPECT_EQ(G(scene.Pixel(20, 4)) == 255, c.counterClockwiseDrawn);
  }
}

struct BlendCase {
  const char* name;
  DWORD src, dest;
  int r, g, b, a;  // worked out by hand from Direct3D's blend equation
};

TEST(Blending, FactorPairsGiveTheBlendEquation) {
  // Source (200, 100, 50, alpha 128) over destination (64, 128, 192, alpha 64).
  const BlendCase cases[] = {
      {"SRCALPHA/INVSRCALPHA", D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 132, 114, 121, 96},
      {"ONE/ONE", D3DBLEND_ONE, D3DBLEND_ONE, 255, 228, 242, 192},
      {"ZERO/SRCCOLOR", D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, 50, 50, 38, 32},
      {"DESTCOLOR/ZERO", D3DBLEND_DESTCOLOR, D3DBLEND_ZERO, 50, 50, 38, 32},
      {"INVDESTCOLOR/ZERO", D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, 150, 50, 12, 96},
      {"DESTALPHA/INVDESTALPHA", D3DBLEND_DESTALPHA, D3DBLEND_INVDESTALPHA, 98, 121, 156, 80},
      {"SRCALPHASAT/ONE", D3DBLEND_SRCALPHASAT, D3DBLEND_ONE, 164, 178, 217, 192},
      {"BOTHSRCALPHA", D3DBLEND_BOTHSRCALPHA, D3DBLEND_ONE, 132, 114, 121, 96},
      {"BOTHINVSRCALPHA", D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ONE, 132, 114, 121, 96},
      {"INVSRCCOLOR/INVSRCALPHA", D3DBLEND_INVSRCCOLOR, D3DBLEND_INVSRCALPHA, 75, 125, 136, 96},
      {"ONE/ZERO", D3DBLEND_ONE, D3DBLEND_ZERO, 200, 100, 50, 128},
  };
  for (const BlendCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene(8, 8, 0, /*targetAlpha=*/true);
    scene.Clear(0x404080C0);
    scene.SetState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
    scene.SetState(D3DRENDERSTATE_SRCBLEND, c.src);
    scene.SetState(D3DRENDERSTATE_DESTBLEND, c.dest);
    const DWORD colour = 0x80C86432;
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP,
                         std::vector<TLVertex>{V(0, 0, 0.5f, colour), V(8, 0, 0.5f, colour),
                                               V(0, 8, 0.5f, colour), V(8, 8, 0.5f, colour)}),
              D3D_OK);
    const uint32_t p = scene.Pixel(3, 3);
    EXPECT_NEAR(R(p), c.r, 1);
    EXPECT_NEAR(G(p), c.g, 1);
    EXPECT_NEAR(B(p), c.b, 1);
    EXPECT_NEAR(A(p), c.a, 1);
  }
}

TEST(Blending, TargetWithoutAlphaReadsAsOpaque) {
  Scene scene(8, 8, 0, /*targetAlpha=*/false);
  scene.Clear(0x00408040);
  EXPECT_EQ(A(scene.Pixel(0, 0)), 255);
  scene.SetState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  scene.SetState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_INVDESTALPHA);
  scene.SetState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_DESTALPHA);
  const DWORD colour = 0x80FFFFFF;
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP,
                       std::vector<TLVertex>{V(0, 0, 0.5f, colour), V(8, 0, 0.5f, colour),
                                             V(0, 8, 0.5f, colour), V(8, 8, 0.5f, colour)}),
            D3D_OK);
  EXPECT_EQ(scene.Pixel(3, 3), 0xFF408040u);
}

TEST(Shading, FlatTakesTheFirstVertexAndGouraudInterpolates) {
  Scene scene(32, 32, 0);
  scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  const std::vector<TLVertex> tri{V(0, 0, 0.5f, 0xFFFF0000), V(32, 0, 0.5f, 0xFF00FF00),
                                  V(0, 32, 0.5f, 0xFF0000FF)};
  scene.Clear(0xFF000000);
  scene.SetState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, tri), D3D_OK);
  EXPECT_EQ(scene.Pixel(1, 1) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(scene.Pixel(25, 2) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(scene.Pixel(2, 25) & 0xFFFFFF, 0xFF0000u);
  scene.SetState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, tri), D3D_OK);
  // At (8, 8): weights 1/2 red, 1/4 green, 1/4 blue.
  const uint32_t p = scene.Pixel(8, 8);
  EXPECT_NEAR(R(p), 128, 1);
  EXPECT_NEAR(G(p), 64, 1);
  EXPECT_NEAR(B(p), 64, 1);
}

TEST(Shading, SpecularIsAddedAndSaturatesOnlyWhenEnabled) {
  Scene scene(8, 8, 0);
  const DWORD diffuse = 0xFF804020, specular = 0xFFA0A0A0;
  const std::vector<TLVertex> quad{
      V(0, 0, 0.5f, diffuse, specular), V(8, 0, 0.5f, diffuse, specular),
      V(0, 8, 0.5f, diffuse, specular), V(8, 8, 0.5f, diffuse, specular)};
  scene.Clear(0xFF000000);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad), D3D_OK);
  EXPECT_EQ(scene.Pixel(4, 4) & 0xFFFFFF, 0x804020u);
  scene.SetState(D3DRENDERSTATE_SPECULARENABLE, 1);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad), D3D_OK);
  EXPECT_EQ(scene.Pixel(4, 4) & 0xFFFFFF, 0xFFE0C0u);
}

// The row and block paths take a vertex's colour with its specular in one load; the texture
// coordinates stored right after the specular must not reach the alpha channel.
TEST(Shading, SpecularLeavesAlphaToDiffuseWhateverTheTextureCoordinates) {
  Scene scene(64, 64, 16, true);
  scene.SetState(D3DRENDERSTATE_SPECULARENABLE, 1);
  scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  scene.Clear(0x00000000);
  const DWORD diffuse = 0x80402010, specular = 0x00101010;
  // A large triangle (row path) and a small one (block path where the processor has it).
  const std::vector<TLVertex> triangles{V(2, 2, 0.5f, diffuse, specular, 37.5f, 11.0f),
                                        V(60, 4, 0.5f, diffuse, specular, 90.0f, 3.0f),
                                        V(6, 58, 0.5f, diffuse, specular, 64.0f, 25.0f),
                                        V(40, 40, 0.5f, diffuse, specular, 51.0f, 7.0f),
                                        V(46, 41, 0.5f, diffuse, specular, 70.0f, 9.0f),
                                        V(42, 47, 0.5f, diffuse, specular, 45.0f, 2.0f)};
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, triangles), D3D_OK);
  int drawn = 0, wrongAlpha = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const uint32_t p = scene.Pixel(x, y);
      if (p == 0) continue;
      ++drawn;
      wrongAlpha += A(p) != 0x80;
    }
  }
  EXPECT_GT(drawn, 1000);
  EXPECT_EQ(wrongAlpha, 0);
  EXPECT_EQ(scene.Pixel(43, 43), 0x80503020u);
}

TEST(AlphaTest, RejectsPixelsByAlphaWithoutTouchingDepth) {
  Scene scene(8, 8, 16);
  scene.Clear(0xFF000000, 1.0f);
  scene.SetState(D3DRENDERSTATE_ALPHATESTENABLE, 1);
  scene.SetState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER);
  scene.SetState(D3DRENDERSTATE_ALPHAREF, 0x80);
  auto quad = [](DWORD colour) {
    return std::vector<TLVertex>{V(0, 0, 0.5f, colour), V(8, 0, 0.5f, colour),
                                 V(0, 8, 0.5f, colour), V(8, 8, 0.5f, colour)};
  };
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad(0x40FF0000)), D3D_OK);
  EXPECT_EQ(scene.Pixel(4, 4) & 0xFFFFFF, 0u);
  EXPECT_EQ(scene.Depth(4, 4), 0xFFFFu);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad(0xC000FF00)), D3D_OK);
  EXPECT_EQ(scene.Pixel(4, 4) & 0xFFFFFF, 0x00FF00u);
}

// Primitives wholly beyond the viewport are rejected before rasterisation, with a margin: a
// triangle lying in its last columns or rows must still be drawn.
TEST(Culling, TrianglesInTheLastColumnsAndRowsOfTheViewportAreDrawn) {
  Scene scene(64, 64);
  scene.state.viewport.dwWidth = 40;
  scene.state.viewport.dwHeight = 30;
  scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  scene.Clear(0xFF000000);
  const std::vector<TLVertex> triangles{V(38.2f, 10.0f), V(39.9f, 12.0f), V(38.6f, 16.0f),
                                        V(10.0f, 28.2f), V(16.0f, 28.4f), V(12.0f, 29.9f)};
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, triangles), D3D_OK);
  EXPECT_EQ(scene.Pixel(39, 13), 0xFFFFFFFFu) << "last column";
  EXPECT_EQ(scene.Pixel(12, 29), 0xFFFFFFFFu) << "last row";
  EXPECT_NE(scene.Pixel(40, 13), 0xFFFFFFFFu) << "beyond the viewport";
  EXPECT_NE(scene.Pixel(12, 30), 0xFFFFFFFFu) << "beyond the viewport";
}

TEST(Lines, DrawFromFirstPixelWithTheLastOnlyWhenAsked) {
  Scene scene(32, 32, 0);
  scene.Clear(0xFF000000);
  const std::vector<TLVertex> line{V(10, 10, 0.5f, 0xFFFF0000), V(20, 10, 0.5f, 0xFF0000FF)};
  scene.SetState(D3DRENDERSTATE_LASTPIXEL, 0);
  ASSERT_EQ(scene.Draw(D3DPT_LINELIST, line), D3D_OK);
  int drawn = 0;
  for (int x = 0; x < 32; ++x) drawn += (scene.Pixel(x, 10) & 0xFFFFFF) != 0;
  EXPECT_EQ(drawn, 10);
  EXPECT_EQ(scene.Pixel(10, 10) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(scene.Pixel(20, 10) & 0xFFFFFF, 0u);
  // Colour runs from red to blue along the line.
  EXPECT_NEAR(R(scene.Pixel(15, 10)), 128, 2);
  EXPECT_NEAR(B(scene.Pixel(15, 10)), 128, 2);
  scene.SetState(D3DRENDERSTATE_LASTPIXEL, 1);
  ASSERT_EQ(scene.Draw(D3DPT_LINELIST, line), D3D_OK);
  EXPECT_EQ(scene.Pixel(20, 10) & 0xFFFFFF, 0x0000FFu);
  // A steep strip of two segments touches one pixel per row.
  scene.Clear(0xFF000000);
  ASSERT_EQ(scene.Draw(D3DPT_LINESTRIP, std::vector<TLVertex>{V(5, 2), V(8, 20), V(8, 30)}),
            D3D_OK);
  for (int y = 2; y <= 30; ++y) {
    int inRow = 0;
    for (int x = 0; x < 32; ++x) inRow += (scene.Pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_EQ(inRow, 1) << "row " << y;
  }
}

TEST(Points, LightTheNearestPixelAndRespectTheViewport) {
  Scene scene(16, 16, 0);
  scene.Clear(0xFF000000);
  ASSERT_EQ(scene.Draw(D3DPT_POINTLIST, std::vector<TLVertex>{V(3.4f, 5.6f, 0.5f, 0xFF00FF00),
                                                              V(-1, 4), V(16.4f, 4), V(4, 40)}),
            D3D_OK);
  int lit = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) lit += (scene.Pixel(x, y) & 0xFFFFFF) != 0;
  EXPECT_EQ(lit, 1);
  EXPECT_EQ(scene.Pixel(3, 6) & 0xFFFFFF, 0x00FF00u);
  EXPECT_TRUE(scene.GuardsIntact());
}

TEST(FillMode, WireframeDrawsOutlinesAndPointModeDrawsCorners) {
  Scene scene(32, 32, 0);
  scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  const std::vector<TLVertex> tri{V(4, 4), V(28, 4), V(4, 28)};
  scene.Clear(0xFF000000);
  scene.SetState(D3DRENDERSTATE_FILLMODE, D3DFILL_WIREFRAME);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, tri), D3D_OK);
  EXPECT_NE(scene.Pixel(16, 4) & 0xFFFFFF, 0u);
  EXPECT_NE(scene.Pixel(4, 16) & 0xFFFFFF, 0u);
  EXPECT_NE(scene.Pixel(16, 16) & 0xFFFFFF, 0u);
  EXPECT_EQ(scene.Pixel(10, 10) & 0xFFFFFF, 0u) << "the inside stays empty";
  scene.Clear(0xFF000000);
  scene.SetState(D3DRENDERSTATE_FILLMODE, D3DFILL_POINT);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, tri), D3D_OK);
  int lit = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) lit += (scene.Pixel(x, y) & 0xFFFFFF) != 0;
  EXPECT_EQ(lit, 3);
}

TEST(Primitives, IndicesBeyondTheVerticesDropOnlyTheirTriangle) {
  Scene scene(16, 16, 0);
  scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  scene.Clear(0xFF000000);
  const std::vector<TLVertex> v{V(0, 0), V(16, 0), V(0, 16), V(16, 16)};
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, v, {0, 1, 2, 1, 3, 999}), D3D_OK);
  EXPECT_NE(scene.Pixel(2, 2) & 0xFFFFFF, 0u);
  EXPECT_EQ(scene.Pixel(14, 14) & 0xFFFFFF, 0u);
  EXPECT_TRUE(scene.GuardsIntact());
}

TEST(Primitives, RefusesFormatsAndTypesItCannotRead) {
  Scene scene(8, 8, 0);
  const std::vector<TLVertex> v{V(0, 0), V(8, 0), V(0, 8)};
  EXPECT_EQ(scene.DrawRaw(D3DPT_TRIANGLELIST, D3DFVF_NORMAL, v.data(), sizeof(TLVertex), 3),
            D3DERR_INVALIDVERTEXFORMAT);
  EXPECT_EQ(scene.DrawRaw(D3DPT_TRIANGLELIST, swtest::kTLFormat, v.data(), 8, 3),
            D3DERR_INVALIDVERTEXFORMAT)
      << "a stride shorter than the format";
  EXPECT_EQ(scene.DrawRaw(static_cast<D3DPRIMITIVETYPE>(9), swtest::kTLFormat, v.data(),
                          sizeof(TLVertex), 3),
            D3DERR_INVALIDPRIMITIVETYPE);
  scene.state.hasViewport = false;
  EXPECT_EQ(scene.Draw(D3DPT_TRIANGLELIST, v), D3DERR_VIEWPORTDATANOTSET);
}

dx::SurfaceData Checker(int size, bool rgb565) {
  dx::SurfaceData t;
  t.width = t.height = size;
  const int bytes = rgb565 ? 2 : 4;
  t.pitch = size * bytes;
  t.bits.resize(static_cast<size_t>(t.pitch) * size);
  t.format.dwSize = sizeof(DDPIXELFORMAT);
  t.format.dwFlags = DDPF_RGB | (rgb565 ? 0 : DDPF_ALPHAPIXELS);
  t.format.dwRGBBitCount = rgb565 ? 16 : 32;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const bool white = (x + y) % 2 == 0;
      uint8_t* p = t.bits.data() + static_cast<size_t>(y) * t.pitch + x * bytes;
      if (rgb565) {
        const uint16_t v = white ? 0xFFFF : 0x001F;  // white or blue
        std::memcpy(p, &v, 2);
      } else {
        const uint32_t v = white ? 0xFFFFFFFFu : 0xFF0000FFu;
        std::memcpy(p, &v, 4);
      }
    }
  }
  return t;
}

TEST(Texture, PointSamplingReadsTexelsOfBothFormats) {
  for (bool rgb565 : {false, true}) {
    SCOPED_TRACE(rgb565 ? "565" : "ARGB");
    Scene scene(16, 16, 0);
    dx::SurfaceData texture = Checker(4, rgb565);
    scene.state.textures[0] = &texture;
    scene.Clear(0xFF000000);
    // The quad maps 4 × 4 texels onto 16 × 16 pixels; diffuse white leaves texels as they are.
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, std::vector<TLVertex>{V(0, 0, 0.5f, ~0u, 0, 0, 0),
                                                                    V(16, 0, 0.5f, ~0u, 0, 1, 0),
                                                                    V(0, 16, 0.5f, ~0u, 0, 0, 1),
                                                                    V(16, 16, 0.5f, ~0u, 0, 1, 1)}),
              D3D_OK);
    EXPECT_EQ(scene.Pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(scene.Pixel(5, 1) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(scene.Pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
    // Modulate with the diffuse colour.
    ASSERT_EQ(
        scene.Draw(D3DPT_TRIANGLESTRIP,
                   std::vector<TLVertex>{
                       V(0, 0, 0.5f, 0xFF808080, 0, 0, 0), V(16, 0, 0.5f, 0xFF808080, 0, 1, 0),
                       V(0, 16, 0.5f, 0xFF808080, 0, 0, 1), V(16, 16, 0.5f, 0xFF808080, 0, 1, 1)}),
        D3D_OK);
    EXPECT_NEAR(R(scene.Pixel(1, 1)), 128, 1);
    EXPECT_EQ(R(scene.Pixel(5, 1)), 0);
    EXPECT_NEAR(B(scene.Pixel(5, 1)), 128, 1);
  }
}

TEST(Texture, MipmapsAverageWhenMinifiedAndLinearFilterBlends) {
  Scene scene(8, 8, 0);
  dx::SurfaceData texture = Checker(64, false);
  scene.state.textures[0] = &texture;
  // 64 texels onto 8 pixels: without mipmaps every sample is one texel (white or blue).
  const std::vector<TLVertex> quad{V(0, 0, 0.5f, ~0u, 0, 0, 0), V(8, 0, 0.5f, ~0u, 0, 1, 0),
                                   V(0, 8, 0.5f, ~0u, 0, 0, 1), V(8, 8, 0.5f, ~0u, 0, 1, 1)};
  scene.Clear(0xFF000000);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad), D3D_OK);
  const int r0 = R(scene.Pixel(3, 3));
  EXPECT_TRUE(r0 == 0 || r0 == 255);
  for (DWORD mip : {D3DTFP_POINT, D3DTFP_LINEAR}) {
    scene.state.textureStages[0][D3DTSS_MIPFILTER] = mip;
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad), D3D_OK);
    EXPECT_NEAR(R(scene.Pixel(3, 3)), 128, 2) << "the smaller levels average the checker";
    EXPECT_EQ(B(scene.Pixel(3, 3)), 255);
  }
  // Magnified 2 × 2 texels with a linear filter: between texel centres the colours blend.
  dx::SurfaceData small = Checker(2, false);
  scene.state.textures[0] = &small;
  scene.state.textureStages[0][D3DTSS_MAGFILTER] = D3DTFG_LINEAR;
  scene.state.textureStages[0][D3DTSS_ADDRESS] = scene.state.textureStages[0][D3DTSS_ADDRESSU] =
      scene.state.textureStages[0][D3DTSS_ADDRESSV] = D3DTADDRESS_CLAMP;
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, quad), D3D_OK);
  const int middle = R(scene.Pixel(4, 2));
  EXPECT_GT(middle, 40);
  EXPECT_LT(middle, 215);
}

TEST(Texture, CoordinatesAreInterpolatedWithPerspective) {
  // A quad whose right side is four times as far (rhw a quarter): texture coordinate 0.5 lies
  // at four fifths of the width (u = 0.25 t / (1 − 0.75 t)), not at the middle.
  Scene scene(50, 4, 0);
  dx::SurfaceData texture;
  texture.width = 2;
  texture.height = 1;
  texture.pitch = 8;
  texture.format.dwRGBBitCount = 32;
  texture.format.dwFlags = DDPF_RGB;
  const uint32_t texels[2] = {0xFFFF0000u, 0xFF00FF00u};
  texture.bits.resize(8);
  std::memcpy(texture.bits.data(), texels, 8);
  scene.state.textures[0] = &texture;
  auto vertex = [](float x, float y, float rhw, float u) {
    return TLVertex{x, y, 0.5f, rhw, ~0u, 0, u, 0.5f};
  };
  scene.Clear(0xFF000000);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP,
                       std::vector<TLVertex>{vertex(0, 0, 1, 0), vertex(50, 0, 0.25f, 1),
                                             vertex(0, 4, 1, 0), vertex(50, 4, 0.25f, 1)}),
            D3D_OK);
  EXPECT_EQ(scene.Pixel(30, 2) & 0xFFFFFF, 0xFF0000u) << "affine interpolation would be green";
  EXPECT_EQ(scene.Pixel(38, 2) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(scene.Pixel(42, 2) & 0xFFFFFF, 0x00FF00u);
}

}  // namespace
