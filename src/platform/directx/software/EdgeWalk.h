// Edge walking: a triangle's edges as exact integer functions of 24.8 fixed-point positions,
// with the top-left fill rule folded in, walked down the rows without division.
#pragma once

#include <cstdint>

#include "platform/directx/software/RasterTypes.h"

namespace dx::software {

// A triangle edge as E(px, Y) = a·px + b·Y + c > 0 inside, with px in pixels and Y in
// sub-pixels; the top-left rule is folded into c.
struct Edge {
  int64_t a, b, c;
};

// The edge from one vertex to the next of a clockwise triangle (y down).
inline Edge MakeEdge(const ScreenVertex& from, const ScreenVertex& to) {
  const int64_t dx = int64_t{to.x} - from.x, dy = int64_t{to.y} - from.y;
  Edge e;
  e.a = -dy * kSubPixelScale;
  e.b = dx;
  // Pixels exactly on an edge belong to the triangle only for top and left edges.
  const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
  e.c = -dx * from.y + dy * from.x + (topLeft ? 1 : 0);
  return e;
}

// One edge walked down the rows with exact integer steps. For a left edge (a > 0) the first
// pixel inside a row is q + 1 with q = floor(N / d), N = −(b·Y + c); for a right edge (a < 0)
// the last is q = floor((b·Y + c − 1) / d); d = |a|. Per row N changes by a constant, so q
// and the remainder r advance without division.
struct EdgeWalker {
  int64_t d = 1, q = 0, r = 0, qStep = 0, rStep = 0;

  void Start(const Edge& e, int64_t firstRow);
  // An edge that never limits a row: q stays at the given value.
  void Unbounded(int64_t value) { *this = EdgeWalker{1, value, 0, 0, 0}; }
  // Whether going on to the next row moves q one more than qStep: the remainder reaches d.
  [[gnu::always_inline]] bool Carries() const { return r + rStep >= d; }
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
  // The first row a horizontal top edge lets in (the lowest value when there is none), before
  // firstRow limits it.
  int64_t flatTop = INT64_MIN;

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

}  // namespace dx::software
