#include "platform/directx/software/EdgeWalk.h"

#include <algorithm>

namespace dx::software {
namespace {

int64_t FloorDivide(int64_t n, int64_t d) {
  int64_t q = n / d;
  if ((n % d != 0) && ((n < 0) != (d < 0))) --q;
  return q;
}

}  // namespace

void EdgeWalker::Start(const Edge& e, int64_t firstRow) {
  const int64_t y = firstRow * kSubPixelScale;
  d = e.a > 0 ? e.a : -e.a;
  const int64_t n = e.a > 0 ? -(e.b * y + e.c) : e.b * y + e.c - 1;
  const int64_t step = e.a > 0 ? -e.b * kSubPixelScale : e.b * kSubPixelScale;
  const double inverse = 1.0 / static_cast<double>(d);
  Divide(n, inverse, q, r);
  Divide(step, inverse, qStep, rStep);
}

bool EdgeSet::Start(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    int64_t firstRow, int64_t lastRow) {
  const ScreenVertex* from[3] = {&a, &b, &c};
  const ScreenVertex* to[3] = {&b, &c, &a};
  Edge edges[3];
  int lefts[2], rights[2];
  int leftCount = 0, rightCount = 0;
  flatTop = INT64_MIN;
  for (int i = 0; i < 3; ++i) {
    edges[i] = MakeEdge(*from[i], *to[i]);
    const Edge& e = edges[i];
    if (e.a == 0) {
      // Horizontal: inside while b·256·row + c > 0 (b is not 0 for a triangle with area),
      // which can only drop the first or the last row.
      const int64_t slope = e.b * kSubPixelScale;
      if (slope > 0) {
        flatTop = FloorDivide(-e.c, slope) + 1;
        firstRow = std::max(firstRow, flatTop);
      } else if (slope < 0) {
        lastRow = std::min(lastRow, FloorDivide(e.c - 1, -slope));
      }
    } else if (e.a > 0) {
      if (leftCount < 2) lefts[leftCount++] = i;
    } else if (rightCount < 2) {
      rights[rightCount++] = i;
    }
  }
  rowFirst = firstRow;
  rowLast = lastRow;
  if (rowFirst > rowLast || leftCount == 0 || rightCount == 0) return false;
  splitRow = rowLast + 1;
  int upperLeft = lefts[0], upperRight = rights[0];
  if (leftCount == 2 || rightCount == 2) {
    // The two edges of one side meet at the middle vertex; the upper one starts higher.
    const int* pair = leftCount == 2 ? lefts : rights;
    const int first = pair[0], second = pair[1];
    const int32_t topFirst = std::min(from[first]->y, to[first]->y);
    const int32_t topSecond = std::min(from[second]->y, to[second]->y);
    const int upper = topFirst <= topSecond ? first : second;
    const int lower = upper == first ? second : first;
    const int32_t middle = std::max(topFirst, topSecond);
    nextIsLeft = leftCount == 2;
    (nextIsLeft ? upperLeft : upperRight) = upper;
    splitRow = std::max<int64_t>((int64_t{middle} + kSubPixelScale - 1) >> kSubPixelBits, rowFirst);
    if (splitRow <= rowLast) next.Start(edges[lower], splitRow);
    if (splitRow == rowFirst) {
      (nextIsLeft ? upperLeft : upperRight) = lower;
      splitRow = rowLast + 1;
    }
  }
  left.Start(edges[upperLeft], rowFirst);
  right.Start(edges[upperRight], rowFirst);
  return true;
}

// Floor division of n by d from a floating-point estimate, made exact by the remainder.
void EdgeWalker::Divide(int64_t n, double inverse, int64_t& quotient, int64_t& remainder) const {
  quotient = static_cast<int64_t>(static_cast<double>(n) * inverse);
  remainder = n - quotient * d;
  while (remainder < 0) {
    remainder += d;
    --quotient;
  }
  while (remainder >= d) {
    remainder -= d;
    ++quotient;
  }
}

}  // namespace dx::software
