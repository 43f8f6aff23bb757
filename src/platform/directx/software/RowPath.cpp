#include "platform/directx/software/RowPath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/directx/software/ColourLanes.h"
#include "platform/directx/software/Comparison.h"
#include "platform/directx/software/PixelOperations.h"

namespace dx::software {
namespace {

// Largest fixed-point depth step the row path accepts; beyond it (slivers with extreme
// gradients) the general path's floating point takes over. Colour steps must fit 32 bits.
constexpr double kMaxFixedStep = 1.0e13;
constexpr float kMaxColourStep = 2.0e9f;

// The common case: no blending, alpha test or texture; a fixed depth comparison.
template <int kDepthBits, DWORD kFunc, bool kWrite, bool kClamp>
[[gnu::always_inline]] inline void RowSpan(uint8_t* colourRow, [[maybe_unused]] uint8_t* depthRow,
                                           int xl, int xr, Lanes c, Lanes dc, int64_t z, int64_t dz,
                                           uint64_t& written) {
  uint32_t* colour = reinterpret_cast<uint32_t*>(colourRow);
  for (int x = xl; x <= xr; ++x) {
    bool pass = true;
    if constexpr (kDepthBits != 0) {
      constexpr int64_t kMax = DepthMax(kDepthBits);
      int64_t zi = z >> 16;
      if constexpr (kClamp) {
        zi = zi < 0 ? 0 : zi;
        zi = zi > kMax ? kMax : zi;
      }
      const uint32_t zv = static_cast<uint32_t>(zi);
      z += dz;
      if constexpr (kDepthBits == 16) {
        uint16_t* d = reinterpret_cast<uint16_t*>(depthRow) + x;
        pass = Compare<kFunc>(zv, *d);
        if (kWrite && pass) *d = static_cast<uint16_t>(zv);
      } else {
        uint32_t* d = reinterpret_cast<uint32_t*>(depthRow) + x;
        pass = Compare<kFunc>(zv, kDepthBits == 24 ? (*d & 0xFFFFFFu) : *d);
        if (kWrite && pass) *d = zv;
      }
    }
    if (pass) {
      colour[x] = Pack(c);
      ++written;
    }
    c = Add(c, dc);
  }
}

// Colour and depth at a pixel of a triangle's planes. Kept out of line: it is needed once
// per edge and where the scissor cuts a span, and inlined it would crowd the row loop.
[[gnu::noinline]] void ValueAt(const RowTriangle& t, int64_t x, int64_t y, Lanes& colour,
                               int64_t& z) {
  const int32_t dx = static_cast<int32_t>(x - t.anchorX), dy = static_cast<int32_t>(y - t.anchorY);
  colour = Add(LoadLanes(t.colour),
               Add(Mul(LoadLanes(t.colourStepX), dx), Mul(LoadLanes(t.colourStepY), dy)));
  z = t.z + t.zStepX * dx + t.zStepY * dy;
}

// Where the edges put one row: the left edge's first pixel, the right edge's last, and
// whether the left edge moved one pixel more than its usual step going on to the next row.
struct RowBounds {
  int32_t left, right;
  int32_t carry;
};

// Walks rows first..last with the two walkers into bounds (at most kRowChunk rows).
constexpr int kRowChunk = 64;
[[gnu::always_inline]] inline void WalkRows(EdgeWalker& left, EdgeWalker& right, int count,
                                            RowBounds* bounds) {
  for (int i = 0; i < count; ++i) {
    bounds[i].left = static_cast<int32_t>(left.q + 1);
    bounds[i].right = static_cast<int32_t>(right.q);
    bounds[i].carry = left.Carries() ? 1 : 0;
    left.NextRow();
    right.NextRow();
  }
}

// Draws a chunk of rows of a triangle the scissor cuts from their bounds.
template <int kDepthBits, DWORD kFunc, bool kWrite, bool kClamp>
[[gnu::always_inline]] inline void DrawCutRows(const RowTriangle& t, const RowBounds* bounds,
                                               int count, int64_t py, Lanes stepX,
                                               Lanes& edgeColour, int64_t& edgeZ,
                                               const Lanes* colourIncrement,
                                               const int64_t* zIncrement, uint64_t& written) {
  const PixelState& s = *t.state;
  const int32_t colFirst = static_cast<int32_t>(t.colFirst);
  const int32_t colLast = static_cast<int32_t>(t.colLast);
  uint8_t* colourRow = s.colour + static_cast<size_t>(py) * s.colourPitch;
  uint8_t* depthRow = kDepthBits ? s.depth + static_cast<size_t>(py) * s.depthPitch : nullptr;
  for (int i = 0; i < count; ++i) {
    const RowBounds row = bounds[i];
    const int32_t xl = row.left > colFirst ? row.left : colFirst;
    const int32_t xr = row.right < colLast ? row.right : colLast;
    Lanes c = edgeColour;
    int64_t z = edgeZ;
    edgeColour = Add(edgeColour, colourIncrement[row.carry]);
    edgeZ += zIncrement[row.carry];
    if (xl <= xr) {
      if (xl != row.left) ValueAt(t, xl, py + i, c, z);
      RowSpan<kDepthBits, kFunc, kWrite, kClamp>(colourRow, depthRow, xl, xr, c, stepX, z, t.zStepX,
                                                 written);
    }
    colourRow += s.colourPitch;
    if (kDepthBits) depthRow += s.depthPitch;
  }
}

// The rows of a triangle. Colour and depth are carried along the left edge from row to
// row (the edge moves by one of two whole numbers of pixels), so a span starts without
// multiplications unless the scissor cuts it. Cut triangles go in two passes per chunk of rows
// so that few values are live at once: the edges are walked into a small table, then the
// spans are clamped and drawn.
template <int kDepthBits, DWORD kFunc, bool kWrite, bool kClamp>
void DrawRows(const RowTriangle& t, EdgeSet& edges) {
  const Lanes stepX = LoadLanes(t.colourStepX), stepY = LoadLanes(t.colourStepY);
  uint64_t written = 0;
  RowBounds bounds[kRowChunk];
  Lanes edgeColour{};
  int64_t edgeZ = 0;
  Lanes colourIncrement[2];
  int64_t zIncrement[2];
  // Up to two segments: before and from the row where a side hands over to its lower edge.
  int64_t py = edges.rowFirst;
  while (py <= edges.rowLast) {
    const bool handOver = py == edges.splitRow;
    if (handOver) edges.Enter(py);
    const int64_t segmentEnd =
        py < edges.splitRow ? std::min(edges.splitRow - 1, edges.rowLast) : edges.rowLast;
    if (py == edges.rowFirst || (handOver && edges.nextIsLeft)) {
      // Colour and depth at a new left edge, and their change per row for its two steps (a
      // left edge that goes on keeps the values carried along it).
      ValueAt(t, edges.left.q + 1, py, edgeColour, edgeZ);
      for (int k = 0; k < 2; ++k) {
        const int64_t dx = edges.left.qStep + k;
        colourIncrement[k] = Add(Mul(stepX, static_cast<int32_t>(dx)), stepY);
        zIncrement[k] = t.zStepX * dx + t.zStepY;
      }
    }
    while (py <= segmentEnd) {
      const int count = static_cast<int>(std::min<int64_t>(segmentEnd - py + 1, kRowChunk));
      if (!t.cut) {
        // Walked and drawn in one pass: the edges never need clamping here.
        const PixelState& s = *t.state;
        // The walkers' state in locals (pixel stores could alias the set); only the positions
        // change, so only they go back.
        int64_t lq = edges.left.q, lr = edges.left.r, rq = edges.right.q, rr = edges.right.r;
        const int64_t lqStep = edges.left.qStep, lrStep = edges.left.rStep, ld = edges.left.d;
        const int64_t rqStep = edges.right.qStep, rrStep = edges.right.rStep, rd = edges.right.d;
        uint8_t* colourRow = s.colour + static_cast<size_t>(py) * s.colourPitch;
        uint8_t* depthRow = kDepthBits ? s.depth + static_cast<size_t>(py) * s.depthPitch : nullptr;
        for (int i = 0; i < count; ++i) {
          const int32_t xl = static_cast<int32_t>(lq + 1), xr = static_cast<int32_t>(rq);
          lq += lqStep;
          lr += lrStep;
          const bool carry = lr >= ld;
          lr -= carry ? ld : 0;
          lq += carry ? 1 : 0;
          rq += rqStep;
          rr += rrStep;
          const bool rightCarry = rr >= rd;
          rr -= rightCarry ? rd : 0;
          rq += rightCarry ? 1 : 0;
          Lanes c = edgeColour;
          int64_t z = edgeZ;
          edgeColour = Add(edgeColour, colourIncrement[carry]);
          edgeZ += zIncrement[carry];
          if (xl <= xr) {
            RowSpan<kDepthBits, kFunc, kWrite, kClamp>(colourRow, depthRow, xl, xr, c, stepX, z,
                                                       t.zStepX, written);
          }
          colourRow += s.colourPitch;
          if (kDepthBits) depthRow += s.depthPitch;
        }
        edges.left.q = lq;
        edges.left.r = lr;
        edges.right.q = rq;
        edges.right.r = rr;
        py += count;
        continue;
      }
      WalkRows(edges.left, edges.right, count, bounds);
      DrawCutRows<kDepthBits, kFunc, kWrite, kClamp>(t, bounds, count, py, stepX, edgeColour, edgeZ,
                                                     colourIncrement, zIncrement, written);
      py += count;
    }
  }
  *t.written += written;
}

template <int kDepthBits, bool kClamp>
RowPathFn PickForDepth(const PixelState& state) {
  return WithComparison(state.zFunc, [&](auto f) -> RowPathFn {
    constexpr DWORD kFunc = decltype(f)::value;
    return state.zWrite ? &DrawRows<kDepthBits, kFunc, true, kClamp>
                        : &DrawRows<kDepthBits, kFunc, false, kClamp>;
  });
}

template <bool kClamp>
RowPathFn PickFor(const PixelState& state) {
  switch (state.depthBits) {
    case 16:
      return PickForDepth<16, kClamp>(state);
    case 24:
      return PickForDepth<24, kClamp>(state);
    case 32:
      return PickForDepth<32, kClamp>(state);
    default:
      return &DrawRows<0, D3DCMP_ALWAYS, false, false>;
  }
}

}  // namespace

RowPathFn PickRowPath(const PixelState& state, bool clampDepth) {
  return clampDepth ? PickFor<true>(state) : PickFor<false>(state);
}

double RowPathDepthScale(const PixelState& state) {
  return state.depthBits ? static_cast<double>(DepthMax(state.depthBits)) * 65536.0 : 0.0;
}

bool SetupRowTriangle(const PixelState& state, double depthScale, const ScreenVertex& a,
                      const ScreenVertex& b, const ScreenVertex& c, const ScreenVertex& provoking,
                      double inverseArea, RowTriangle& t, bool& clampDepth) {
  // Single precision is plenty: positions are exact multiples of 1/256, the anchor lies within
  // half a pixel of a, and colours need 16 fraction bits of 0..255 at most.
  const float dx1 = b.fx - a.fx, dy1 = b.fy - a.fy;
  const float dx2 = c.fx - a.fx, dy2 = c.fy - a.fy;
  t.anchorX = (a.x + kSubPixelScale / 2) >> kSubPixelBits;
  t.anchorY = (a.y + kSubPixelScale / 2) >> kSubPixelBits;
  const float ox = static_cast<float>(t.anchorX) - a.fx, oy = static_cast<float>(t.anchorY) - a.fy;
  const float scale = static_cast<float>(inverseArea * 65536.0);
  // The colour each vertex contributes: diffuse plus specular (the sum is linear, so it may be
  // taken per vertex), its own or the provoking vertex's when flat.
  const Attributes& ca = state.flat ? provoking.attr : a.attr;
  const Attributes& cb = state.flat ? provoking.attr : b.attr;
  const Attributes& cc = state.flat ? provoking.attr : c.attr;
#if defined(__x86_64__)
  const __m128 specular =
      _mm_castsi128_ps(state.specular ? _mm_set_epi32(0, -1, -1, -1) : _mm_setzero_si128());
  auto colourOf = [&](const Attributes& v) {
    // r g b a, then reordered to the lanes' b g r a.
    const __m128 sum =
        _mm_add_ps(_mm_loadu_ps(v.diffuse), _mm_and_ps(_mm_loadu_ps(v.specular), specular));
    return _mm_shuffle_ps(sum, sum, _MM_SHUFFLE(3, 0, 1, 2));
  };
  const __m128 va = colourOf(ca);
  const __m128 d1 = _mm_sub_ps(colourOf(cb), va), d2 = _mm_sub_ps(colourOf(cc), va);
  const __m128 k = _mm_set1_ps(scale);
  const __m128 ddx =
      _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(d1, _mm_set1_ps(dy2)), _mm_mul_ps(d2, _mm_set1_ps(dy1))), k);
  const __m128 ddy =
      _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(d2, _mm_set1_ps(dx1)), _mm_mul_ps(d1, _mm_set1_ps(dx2))), k);
  const __m128 origin =
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(va, _mm_set1_ps(65536.0f)), _mm_set1_ps(32768.0f)),
                 _mm_add_ps(_mm_mul_ps(ddx, _mm_set1_ps(ox)), _mm_mul_ps(ddy, _mm_set1_ps(oy))));
  // All within 32 bits (false for nan too).
  const __m128 limit = _mm_set1_ps(kMaxColourStep);
  const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
  const __m128 fits = _mm_and_ps(_mm_and_ps(_mm_cmplt_ps(_mm_and_ps(ddx, absMask), limit),
                                            _mm_cmplt_ps(_mm_and_ps(ddy, absMask), limit)),
                                 _mm_cmplt_ps(_mm_and_ps(origin, absMask), limit));
  if (_mm_movemask_ps(fits) != 0xF) return false;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(t.colour), _mm_cvttps_epi32(origin));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(t.colourStepX), _mm_cvttps_epi32(ddx));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(t.colourStepY), _mm_cvttps_epi32(ddy));
#else
  // The same operations in the same order as the SSE form, lane by lane, so that the planes
  // are bit for bit those of x86-64.
  typedef float Floats __attribute__((vector_size(16)));
  typedef int32_t Ints __attribute__((vector_size(16)));
  const Ints specular = state.specular ? Ints{-1, -1, -1, 0} : Ints{};
  auto colourOf = [&](const Attributes& v) {
    Floats diffuse;
    std::memcpy(&diffuse, v.diffuse, sizeof diffuse);
    const Floats highlight{v.specular[0], v.specular[1], v.specular[2], 0.0f};
    const Floats sum =
        diffuse + reinterpret_cast<Floats>(reinterpret_cast<Ints>(highlight) & specular);
    return Floats{sum[2], sum[1], sum[0], sum[3]};
  };
  const Floats va = colourOf(ca);
  const Floats d1 = colourOf(cb) - va, d2 = colourOf(cc) - va;
  const Floats ddx = (d1 * dy2 - d2 * dy1) * scale;
  const Floats ddy = (d2 * dx1 - d1 * dx2) * scale;
  const Floats origin = (va * 65536.0f + 32768.0f) + (ddx * ox + ddy * oy);
  auto within = [](Floats v) {
    return reinterpret_cast<Floats>(reinterpret_cast<Ints>(v) & 0x7FFFFFFF) < kMaxColourStep;
  };
  const Ints fits = within(ddx) & within(ddy) & within(origin);
  if (!(fits[0] && fits[1] && fits[2] && fits[3])) return false;
  const Ints colour = __builtin_convertvector(origin, Ints);
  const Ints stepX = __builtin_convertvector(ddx, Ints);
  const Ints stepY = __builtin_convertvector(ddy, Ints);
  std::memcpy(t.colour, &colour, sizeof colour);
  std::memcpy(t.colourStepX, &stepX, sizeof stepX);
  std::memcpy(t.colourStepY, &stepY, sizeof stepY);
#endif
  if (!state.targetHasAlpha) {
    // A target without alpha stores opaque pixels: the alpha lane stays at 255.
    t.colour[3] = (255 << 16) + 32768;
    t.colourStepX[3] = t.colourStepY[3] = 0;
  }
  t.z = t.zStepX = t.zStepY = 0;
  clampDepth = false;
  if (state.depthBits != 0) {
    const double z1 = b.z - a.z, z2 = c.z - a.z;
    const double ddx = (z1 * dy2 - z2 * dy1) * inverseArea * depthScale;
    const double ddy = (z2 * dx1 - z1 * dx2) * inverseArea * depthScale;
    // Rounded to the nearest depth step, as the clear rounds its depth.
    const double origin = (a.z - state.zBias) * depthScale + 32768.0 + ddx * ox + ddy * oy;
    if (!(std::fabs(ddx) < kMaxFixedStep && std::fabs(ddy) < kMaxFixedStep &&
          std::fabs(origin) < 1.0e18)) {
      return false;
    }
    t.z = static_cast<int64_t>(origin);
    t.zStepX = static_cast<int64_t>(ddx);
    t.zStepY = static_cast<int64_t>(ddy);
    // Inside the triangle depth stays between its vertices' (to within the steps' rounding),
    // so with a step of margin at both ends no pixel needs clamping.
    const double zMin = (std::min({a.z, b.z, c.z}) - state.zBias) * depthScale;
    const double zMax = (std::max({a.z, b.z, c.z}) - state.zBias) * depthScale;
    clampDepth = !(zMin >= 65536.0 && zMax <= depthScale - 65536.0);
  }
  return true;
}

}  // namespace dx::software
