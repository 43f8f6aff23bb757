// The block path: a row-path triangle drawn in blocks of 8 or 16 pixels of a row at once (on
// x86-64 AVX2 or AVX-512, whichever the processor has, chosen at run time; elsewhere 8 in
// portable vector code), with the values of the row path bit for bit. A triangle whose
// bounding box is small enough for 32-bit edge functions is drawn over its box, every pixel of
// a block tested against all three edges, so that a row costs the same whether one pixel of it
// is inside or all. A wider one is drawn over each row's span from the exact edge walk, in as
// many blocks as the span needs.
#pragma once

#include <cstdint>

#include "platform/directx/software/RasterTypes.h"
#include "platform/directx/software/RowPath.h"

namespace dx::software {

inline constexpr int kMaxBlocks = 8;  // wider boxes are drawn over their rows' spans

// A set-up triangle of the block path. All values are at the block origin (blockX, rowFirst)
// and wrap modulo 2^32 like the row path's colour.
struct BlockTriangle {
  const PixelState* state;
  int32_t blockX, blocks;  // first column of the first block; blocks per row
  int32_t rowFirst, rowLast;
  int32_t colFirst;  // the first column drawn; lanes left of it are masked when cut
  int32_t colLast;   // the last column drawn (spans only)
  bool cut;          // the blocks start left of the scissor
  int32_t edge[3], edgeStepX[3], edgeStepY[3];  // E − 1 (inside when ≥ 0), per column, per row
  int32_t colour[4], colourStepX[4], colourStepY[4];  // lanes b g r a, 16.16
  uint32_t z, zStepX, zStepY;  // the low 32 bits of the row path's 48.16 depth
  uint64_t* written;
};
using BlockPathFn = void (*)(const BlockTriangle&);
using BlockSpansFn = void (*)(const BlockTriangle&, EdgeSet&);

// The blocks the block path may use: none, eight pixels (AVX2, or the portable form) or the
// widest the processor has (sixteen with AVX-512).
enum class BlockWidth { kNone, kEight, kWidest };

// The block path's drawing for a pixel state and its pixels per block, or null when this
// processor or the state has none (it needs AVX2 on x86-64, and a 16-bit or no depth buffer).
struct BlockPath {
  BlockPathFn draw = nullptr;    // over the box
  BlockSpansFn spans = nullptr;  // over the rows' spans
  int lanes = 0;
};
BlockPath PickBlockPath(const PixelState& state, BlockWidth width);

// The blocks of a clockwise triangle a, b, c set up by SetupRowTriangle over its rows and
// columns; false when its box is too wide or its edge functions leave 32 bits there. Sets
// everything but the counter.
bool SetupBlockTriangle(const BlockPath& path, const PixelState& state, const ScreenVertex& a,
                        const ScreenVertex& b, const ScreenVertex& c, const RowTriangle& row,
                        int64_t rowFirst, int64_t rowLast, int64_t colFirst, int64_t colLast,
                        BlockTriangle& t);

// The values of a triangle set up by SetupRowTriangle for drawing over its rows' spans (from
// an EdgeSet started at rowFirst) within columns colFirst..colLast; false when the target is
// narrower than a block. Sets everything but the counter; blocks and edges are unused.
bool SetupBlockSpans(const BlockPath& path, const PixelState& state, const RowTriangle& row,
                     int64_t rowFirst, int64_t colFirst, int64_t colLast, BlockTriangle& t);

}  // namespace dx::software
