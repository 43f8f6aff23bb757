// Rasterisation and pixel processing of the software device: solid triangles with the top-left
// fill rule on 24.8 fixed-point positions, lines and points, then depth test, texture stages,
// specular add, alpha test, alpha blending and the colour write.
//
// Three ways through a solid triangle, all giving the same pixels (Triangle in Rasterizer.cpp
// says which is taken when): the general path (GeneralPath.cpp: floating point, every pixel
// state); the row path (RowPath.h: plain Gouraud colour and depth as integer planes, rows
// walked between exact edge positions, EdgeWalk.h); and, for the small triangles of a finely
// divided mesh, the block path (BlockPath.h: the same planes in blocks of 8 or 16 pixels of a
// row). Depth and blending are PixelOperations.h.
//
// Implemented: every depth comparison on 16-, 24- and 32-bit depth, depth bias, Gouraud and
// flat colour, blend factors D3DBLEND_ZERO … D3DBLEND_BOTHINVSRCALPHA, alpha test, two texture
// stages. Not implemented: dithering, fog, stencil, anti-aliasing, stippling.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/directx/software/BlockPath.h"
#include "platform/directx/software/EdgeWalk.h"
#include "platform/directx/software/RasterTypes.h"
#include "platform/directx/software/RowPath.h"
#include "platform/directx/software/Texture.h"

namespace dx::software {

// Interpolated attributes, in one array so that triangles, lines and points share the pixel
// code: diffuse r g b a, specular r g b, 1/w, then u/w and v/w of each texture set.
enum AttributeIndex {
  kAttrDiffuse = 0,
  kAttrSpecular = 4,
  kAttrRhw = 7,
  kAttrTex = 8,
  kAttrCount = kAttrTex + 2 * kMaxTexCoordSets,
};

// Attributes of a triangle as planes over the screen: value = origin + ddx (x - x0) +
// ddy (y - y0), with x and y in pixels.
struct AttributePlane {
  float origin[kAttrCount];
  float ddx[kAttrCount];
  float ddy[kAttrCount];
  double z, dzdx, dzdy;
  float x0, y0;
};

class Rasterizer {
 public:
  // Fixes the pixel state for the following primitives.
  void Begin(const PixelState& state, const TextureStages* stages);

  // Draws a solid triangle in either winding (culling is the caller's business). For flat
  // shading the colours of 'provoking' (one of the three) are used.
  void Triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                const ScreenVertex& provoking);
  // A line from a to b, the last pixel only when the state asks for it.
  void Line(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& provoking);
  void Point(const ScreenVertex& a);

  // Draws only the rows [y0, y1) of the state's scissor, filling pending tiles through the
  // given lane (PendingClear::SplitLanes): a band of the target, another Rasterizer drawing the
  // rest with the same primitives. Each triangle still takes the path it takes over the whole
  // scissor and is counted in the band of its first row, so that the bands' counts add up to
  // those of one Rasterizer. Until the next Begin.
  void SetBand(int y0, int y1, int lane);

  // The blocks the block path may use (the widest by default); tests narrow it to compare the
  // paths. Takes effect at Begin.
  void SetBlockWidth(BlockWidth width) { m_BlockWidth = width; }

  // Pixels written since Begin (for tests and statistics).
  uint64_t PixelsWritten() const { return m_PixelsWritten; }
  // Triangles since Begin that took the block path.
  uint64_t BlockTriangles() const { return m_BlockTriangles; }

 private:
  using Plane = AttributePlane;

  void BuildPlane(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                  const ScreenVertex& provoking, double inverseArea, Plane& plane) const;
  // The general path over the rows of a clockwise triangle.
  void GeneralTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                       const ScreenVertex& provoking, double inverseArea, int64_t colFirst,
                       int64_t colLast, EdgeSet& edges);
  void GeneralSpan(int py, int xl, int xr, const Plane& plane);
  // Shades and writes one pixel at depth z (0..1, before bias) with the interpolated
  // attributes; the plane, when given, supplies the derivatives texturing needs.
  void ShadePixel(int px, int py, double z, const float* attr, const Plane* plane);
  void PrepareAttributes(const ScreenVertex& v, const ScreenVertex& provoking, float* out) const;

  PixelState m_State;
  const TextureStages* m_Stages = nullptr;
  // Null: every pixel takes the general path. [0] clamps depth to the buffer's range, [1] is
  // for triangles whose vertices all lie well inside it.
  RowPathFn m_RowPath[2] = {nullptr, nullptr};
  BlockPath m_BlockPath;  // only for triangles that need no depth clamp
  BlockWidth m_BlockWidth = BlockWidth::kWidest;
  int m_RowsY0 = 0, m_RowsY1 = 0;  // the scissor's rows; m_State's are the band's
  double m_DepthScale = 0.0;       // depth 0..1 to the fixed-point depth of the row path
  uint64_t m_PixelsWritten = 0;
  uint64_t m_BlockTriangles = 0;
};

}  // namespace dx::software
