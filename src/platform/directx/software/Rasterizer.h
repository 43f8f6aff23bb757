// Rasterisation and pixel processing of the software device: solid triangles with the top-left
// fill rule on 24.8 fixed-point positions, lines and points, then depth test, texture stages,
// specular add, alpha test, alpha blending and the colour write.
//
// Three ways through a solid triangle, all giving the same pixels: the general one (floating
// point, every pixel state); the fast one for plain Gouraud colour and depth (integer planes,
// rows walked between exact edge positions); and, for the small triangles of a finely divided
// mesh, the same planes drawn in blocks of 8 or 16 pixels of a row (AVX2 or AVX-512, chosen
// when the processor has them), every lane tested against the edges at once.
//
// Implemented: every depth comparison on 16-, 24- and 32-bit depth, depth bias, Gouraud and
// flat colour, blend factors D3DBLEND_ZERO … D3DBLEND_BOTHINVSRCALPHA, alpha test, two texture
// stages. Not implemented: dithering, fog, stencil, anti-aliasing, stippling.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/directx/software/RasterTypes.h"
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

// A triangle edge as E(px, Y) = a·px + b·Y + c > 0 inside, with px in pixels and Y in
// sub-pixels; the top-left rule is folded into c.
struct Edge {
  int64_t a, b, c;
};

// One edge walked down the rows with exact integer steps. For a left edge (a > 0) the first
// pixel inside a row is q + 1 with q = floor(N / d), N = −(b·Y + c); for a right edge (a < 0)
// the last is q = floor((b·Y + c − 1) / d); d = |a|. Per row N changes by a constant, so q
// and the remainder r advance without division.
struct EdgeWalker {
  int64_t d = 1, q = 0, r = 0, qStep = 0, rStep = 0;

  void Start(const Edge& e, int64_t firstRow);
  // An edge that never limits a row: q stays at the given value.
  void Unbounded(int64_t value) { *this = EdgeWalker{1, value, 0, 0, 0}; }
  [[gnu::always_inline]] void NextRow() {
    q += qStep;
    r += rStep;
    const bool carry = r >= d;
    r -= carry ? d : 0;
    q += carry ? 1 : 0;
  }

 private:
  void Divide(int64_t n, double inverse, int64_t& quotient, int64_t& remainder) const;
};

// The edges of a triangle, walked as one left and one right edge per row. A side with two
// edges hands over from the upper to the lower one at the row of their shared (middle)
// vertex, where both give the same bound; horizontal edges only narrow the rows.
struct EdgeSet {
  EdgeWalker left, right;  // the edges limiting the current row
  EdgeWalker next;         // the lower edge of the side with two, from splitRow on
  bool nextIsLeft = false;
  int64_t splitRow = 0;  // beyond rowLast when no hand-over happens
  int64_t rowFirst = 0, rowLast = -1;

  // The edges of a clockwise triangle a, b, c (positive area, y down); false when no row is
  // left between firstRow and lastRow.
  bool Start(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, int64_t firstRow,
             int64_t lastRow);
  // Hands over at the split row; call before Row for every row py.
  [[gnu::always_inline]] void Enter(int64_t py) {
    if (py == splitRow) (nextIsLeft ? left : right) = next;
  }
  // The row's pixel range within [xl, xr], then on to the next row.
  [[gnu::always_inline]] void Row(int64_t& xl, int64_t& xr) {
    const int64_t l = left.q + 1, r = right.q;
    xl = xl > l ? xl : l;
    xr = xr < r ? xr : r;
    left.NextRow();
    right.NextRow();
  }
};

// A set-up triangle for the common pixel state (no blending, alpha test or texture). Colour
// is 16.16 fixed point of 0..255 in lanes b, g, r, a whose arithmetic wraps modulo 2^32 (only
// values inside the triangle need come out right); depth is 48.16 of the depth buffer's integer
// range. Both are planes anchored at the pixel (anchorX, anchorY), the one nearest a vertex.
struct FastTriangle {
  const PixelState* state;
  int64_t colFirst, colLast, rowFirst;
  bool cut;  // the scissor narrows the columns
  int32_t anchorX, anchorY;
  int32_t colour[4], colourStepX[4], colourStepY[4];
  int64_t z, zStepX, zStepY;
  uint64_t* written;
};
using FastTriangleFn = void (*)(const FastTriangle&, EdgeSet&);

// A fast triangle whose bounding box is small enough for 32-bit edge functions: drawn in
// blocks of 8 or 16 pixels of a row at once, every pixel of a block tested against all three
// edges, so that a row costs the same whether one pixel of it is inside or all. All values
// are at the block origin (blockX, rowFirst) and wrap modulo 2^32 like the fast path's colour.
inline constexpr int kSmallMaxBlocks = 4;  // wider triangles are walked row by row
struct SmallTriangle {
  const PixelState* state;
  int32_t blockX, blocks;  // first column of the first block; blocks per row
  int32_t rowFirst, rowLast;
  int32_t colFirst;  // the first column drawn; lanes left of it are masked when cut
  bool cut;          // the blocks start left of the scissor
  int32_t edge[3], edgeStepX[3], edgeStepY[3];  // E − 1 (inside when ≥ 0), per column, per row
  int32_t colour[4], colourStepX[4], colourStepY[4];  // lanes b g r a, 16.16
  uint32_t z, zStepX, zStepY;  // the low 32 bits of the fast path's 48.16 depth
  uint64_t* written;
};
using SmallTriangleFn = void (*)(const SmallTriangle&);

// Which block drawing small triangles may use: none, eight pixels (AVX2) or the widest the
// processor has (sixteen with AVX-512).
enum class VectorPath { kOff, kEight, kWidest };

// The block drawing for a pixel state and the pixels per block, or null when this processor or
// the state has none (it needs AVX2 and a 16-bit or no depth buffer).
struct SmallDrawing {
  SmallTriangleFn draw = nullptr;
  int lanes = 0;
};
SmallDrawing PickSmallTriangle(const PixelState& state, VectorPath path);

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

  // How small triangles may be drawn (the widest blocks by default); tests narrow it to compare
  // the paths. Takes effect at Begin.
  void SetVectorPath(VectorPath path) { m_VectorPath = path; }

  // Pixels written since Begin (for tests and statistics).
  uint64_t PixelsWritten() const { return m_PixelsWritten; }
  // Triangles since Begin that were drawn in blocks.
  uint64_t VectorTriangles() const { return m_VectorTriangles; }

 private:
  using Plane = AttributePlane;

  // Fixed-point planes of a triangle for the fast path (clockwise a, b, c); false when its
  // gradients are too steep for them. clampDepth tells whether depth may leave the range.
  bool SetupFast(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                 const ScreenVertex& provoking, double inverseArea, FastTriangle& t,
                 bool& clampDepth) const;
  // The block form of a fast triangle set up by SetupFast; false when its box is too wide
  // or its edge functions leave 32 bits there.
  bool SetupSmall(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                  const FastTriangle& fast, int64_t rowFirst, int64_t rowLast, int64_t colFirst,
                  int64_t colLast, SmallTriangle& t) const;
  void BuildPlane(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                  const ScreenVertex& provoking, double inverseArea, Plane& plane) const;
  void GenericSpan(int py, int xl, int xr, const Plane& plane);
  // Shades and writes one pixel at depth z (0..1, before bias) with the interpolated
  // attributes; the plane, when given, supplies the derivatives texturing needs.
  void ShadePixel(int px, int py, double z, const float* attr, const Plane* plane);
  void PrepareAttributes(const ScreenVertex& v, const ScreenVertex& provoking, float* out) const;

  PixelState m_State;
  const TextureStages* m_Stages = nullptr;
  // Null: every pixel takes the general path. [0] clamps depth to the buffer's range, [1] is
  // for triangles whose vertices all lie well inside it.
  FastTriangleFn m_FastTriangle[2] = {nullptr, nullptr};
  SmallDrawing m_Small;  // only for triangles that need no depth clamp
  VectorPath m_VectorPath = VectorPath::kWidest;
  double m_DepthScale = 0.0;  // depth 0..1 to the fixed-point depth of the fast path
  uint64_t m_PixelsWritten = 0;
  uint64_t m_VectorTriangles = 0;
};

}  // namespace dx::software
