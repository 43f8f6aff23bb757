#include "platform/directx/software/Rasterizer.h"

#include <algorithm>
#include <cstdlib>

namespace dx::software {

void Rasterizer::Begin(const PixelState& state, const TextureStages* stages) {
  m_State = state;
  m_Stages = stages;
  m_PixelsWritten = 0;
  m_BlockTriangles = 0;
  m_RowsY0 = state.y0;
  m_RowsY1 = state.y1;
  m_RowPath[0] = m_RowPath[1] = nullptr;
  m_BlockPath = BlockPath{};
  m_DepthScale = RowPathDepthScale(state);
  if (!RowPathServes(state)) return;
  m_RowPath[0] = PickRowPath(state, true);
  m_RowPath[1] = PickRowPath(state, false);
  m_BlockPath = PickBlockPath(state, m_BlockWidth);
}

void Rasterizer::SetBand(int y0, int y1, int lane) {
  m_State.y0 = std::clamp(y0, m_RowsY0, m_RowsY1);
  m_State.y1 = std::clamp(y1, m_State.y0, m_RowsY1);
  m_State.lane = lane;
}

void Rasterizer::Triangle(const ScreenVertex& a, const ScreenVertex& b0, const ScreenVertex& c0,
                          const ScreenVertex& provoking) {
  // A triangle is drawn one of three ways, all giving the same pixels:
  //   1. the block path (BlockPath.h), when the pixel state is the common one (no blending,
  //      alpha test or texture) and its depth stays inside the buffer's range: over its box
  //      when that is at most kMaxBlocks blocks wide, else over its rows' spans;
  //   2. else the row path (RowPath.h), when the pixel state is the common one and its
  //      gradients fit the fixed-point planes;
  //   3. else the general path (GeneralPath.cpp), in floating point for every pixel state.
  const int64_t area = SignedArea(a, b0, c0);
  if (area == 0) return;
  // Edges are set up for clockwise order on screen (y down), where the inside is positive.
  const ScreenVertex& b = area > 0 ? b0 : c0;
  const ScreenVertex& c = area > 0 ? c0 : b0;

  // Rows and columns whose sample points can be inside (samples at integer positions).
  const int64_t yMin = std::min({a.y, b.y, c.y}), yMax = std::max({a.y, b.y, c.y});
  const int64_t xMin = std::min({a.x, b.x, c.x}), xMax = std::max({a.x, b.x, c.x});
  const int64_t rowFirst =
      std::max<int64_t>((yMin + kSubPixelScale - 1) >> kSubPixelBits, m_RowsY0);
  const int64_t rowLast = std::min<int64_t>(yMax >> kSubPixelBits, m_RowsY1 - 1);
  const int64_t colMin = (xMin + kSubPixelScale - 1) >> kSubPixelBits;
  const int64_t colMax = xMax >> kSubPixelBits;
  const int64_t colFirst = std::max<int64_t>(colMin, m_State.x0);
  const int64_t colLast = std::min<int64_t>(colMax, m_State.x1 - 1);
  if (rowFirst > rowLast || colFirst > colLast) return;
  // The rows of this band (SetBand), all of them without one.
  const int64_t bandFirst = std::max<int64_t>(rowFirst, m_State.y0);
  const int64_t bandLast = std::min<int64_t>(rowLast, m_State.y1 - 1);
  if (bandFirst > bandLast) return;
  FillPendingTiles(m_State, colFirst, bandFirst, colLast, bandLast);

  // Pixel-unit area from the exact sub-pixel area.
  const double inverseArea =
      static_cast<double>(kSubPixelScale) * kSubPixelScale / static_cast<double>(std::llabs(area));
  RowTriangle row;
  bool rowReady = false, clampDepth = true;
  BlockTriangle block;
  bool spans = false;
  if (m_RowPath[0]) {
    rowReady =
        SetupRowTriangle(m_State, m_DepthScale, a, b, c, provoking, inverseArea, row, clampDepth);
    row.state = &m_State;
    row.written = &m_PixelsWritten;
    if (rowReady && !clampDepth && m_BlockPath.draw) {
      block.written = &m_PixelsWritten;
      if (SetupBlockTriangle(m_BlockPath, m_State, a, b, c, row, rowFirst, rowLast, colFirst,
                             colLast, block)) {
        if (bandFirst == rowFirst) ++m_BlockTriangles;
        // A box whose edge functions fit fits over any of its rows.
        if (bandFirst != rowFirst || bandLast != rowLast) {
          SetupBlockTriangle(m_BlockPath, m_State, a, b, c, row, bandFirst, bandLast, colFirst,
                             colLast, block);
        }
        m_BlockPath.draw(block);
        return;
      }
      spans = SetupBlockSpans(m_BlockPath, m_State, row, bandFirst, colFirst, colLast, block);
    }
  }

  EdgeSet edges;
  if (!edges.Start(a, b, c, bandFirst, bandLast)) return;
  if (spans) {
    // Counted by the band that holds the first row the edges let in.
    if (std::max(rowFirst, edges.flatTop) >= bandFirst) ++m_BlockTriangles;
    m_BlockPath.spans(block, edges);
    return;
  }
  if (rowReady) {
    row.colFirst = colFirst;
    row.colLast = colLast;
    row.cut = colFirst != colMin || colLast != colMax;
    row.rowFirst = edges.rowFirst;
    m_RowPath[clampDepth ? 0 : 1](row, edges);
    return;
  }
  GeneralTriangle(a, b, c, provoking, inverseArea, colFirst, colLast, edges);
}

}  // namespace dx::software
