#include "platform/directx/software/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dx::software {
namespace {

inline uint32_t SaturateFloat(float v) {
  return v > 0.0f ? (v < 255.0f ? static_cast<uint32_t>(v + 0.5f) : 255u) : 0u;
}

constexpr uint32_t DepthMax(int bits) {
  return bits == 16 ? 0xFFFFu : (bits == 24 ? 0xFFFFFFu : 0xFFFFFFFFu);
}

template <DWORD F>
inline bool Compare(uint32_t value, uint32_t stored) {
  if constexpr (F == D3DCMP_NEVER) return false;
  if constexpr (F == D3DCMP_LESS) return value < stored;
  if constexpr (F == D3DCMP_EQUAL) return value == stored;
  if constexpr (F == D3DCMP_LESSEQUAL) return value <= stored;
  if constexpr (F == D3DCMP_GREATER) return value > stored;
  if constexpr (F == D3DCMP_NOTEQUAL) return value != stored;
  if constexpr (F == D3DCMP_GREATEREQUAL) return value >= stored;
  return true;
}

bool CompareRuntime(DWORD f, uint32_t value, uint32_t stored) {
  switch (f) {
    case D3DCMP_NEVER:
      return false;
    case D3DCMP_LESS:
      return value < stored;
    case D3DCMP_EQUAL:
      return value == stored;
    case D3DCMP_LESSEQUAL:
      return value <= stored;
    case D3DCMP_GREATER:
      return value > stored;
    case D3DCMP_NOTEQUAL:
      return value != stored;
    case D3DCMP_GREATEREQUAL:
      return value >= stored;
    default:
      return true;
  }
}

inline uint32_t ReadDepth(const PixelState& s, int x, int y) {
  const uint8_t* row = s.depth + static_cast<size_t>(y) * s.depthPitch;
  if (s.depthBits == 16) return reinterpret_cast<const uint16_t*>(row)[x];
  const uint32_t v = reinterpret_cast<const uint32_t*>(row)[x];
  return s.depthBits == 24 ? (v & 0xFFFFFFu) : v;
}

inline void WriteDepth(const PixelState& s, int x, int y, uint32_t z) {
  uint8_t* row = s.depth + static_cast<size_t>(y) * s.depthPitch;
  if (s.depthBits == 16) {
    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(z);
  } else {
    reinterpret_cast<uint32_t*>(row)[x] = z;
  }
}

// The depth written for z in 0..1 (after bias): the nearest step, within the buffer's range.
inline uint32_t QuantiseDepth(double z, int bits) {
  const double scaled = z * static_cast<double>(DepthMax(bits));
  if (!(scaled > 0.0)) return 0;
  if (scaled >= static_cast<double>(DepthMax(bits))) return DepthMax(bits);
  return static_cast<uint32_t>(scaled + 0.5);
}

// One blend factor for the colour channels (rgb) and for alpha, in 0..255.
struct Factor {
  int rgb[3];
  int a;
};

Factor BlendFactor(DWORD mode, const int* src, const int* dst) {
  auto all = [](int v) { return Factor{{v, v, v}, v}; };
  switch (mode) {
    case D3DBLEND_ZERO:
      return all(0);
    case D3DBLEND_ONE:
      return all(255);
    case D3DBLEND_SRCCOLOR:
      return {{src[0], src[1], src[2]}, src[3]};
    case D3DBLEND_INVSRCCOLOR:
      return {{255 - src[0], 255 - src[1], 255 - src[2]}, 255 - src[3]};
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA:
      return all(src[3]);
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA:
      return all(255 - src[3]);
    case D3DBLEND_DESTALPHA:
      return all(dst[3]);
    case D3DBLEND_INVDESTALPHA:
      return all(255 - dst[3]);
    case D3DBLEND_DESTCOLOR:
      return {{dst[0], dst[1], dst[2]}, dst[3]};
    case D3DBLEND_INVDESTCOLOR:
      return {{255 - dst[0], 255 - dst[1], 255 - dst[2]}, 255 - dst[3]};
    case D3DBLEND_SRCALPHASAT: {
      const int f = std::min(src[3], 255 - dst[3]);
      return {{f, f, f}, 255};
    }
    default:
      return all(255);
  }
}

// Four colour channels (lanes b, g, r, a) in 16.16 fixed point that step together; their
// arithmetic wraps, and packing saturates each to a byte of 0xAARRGGBB.
#if defined(__SSE2__)
using Lanes = __m128i;
inline Lanes Add(Lanes x, Lanes y) {
  return _mm_add_epi32(x, y);
}
inline Lanes LoadLanes(const int32_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
// x · k in every lane, modulo 2^32 (SSE2 has no 32-bit multiply that keeps the low half).
inline Lanes Mul(Lanes x, int32_t k) {
  const __m128i kk = _mm_set1_epi32(k);
  const __m128i even = _mm_mul_epu32(x, kk);
  const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(x, 32), kk);
  return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                            _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}
inline uint32_t Pack(Lanes c) {
  __m128i v = _mm_srai_epi32(c, 16);
  v = _mm_packs_epi32(v, v);
  v = _mm_packus_epi16(v, v);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(v));
}
#else
struct Lanes {
  uint32_t v[4];  // b, g, r, a
};
inline Lanes Add(Lanes x, Lanes y) {
  for (int i = 0; i < 4; ++i) x.v[i] += y.v[i];
  return x;
}
inline Lanes LoadLanes(const int32_t* p) {
  Lanes l;
  for (int i = 0; i < 4; ++i) l.v[i] = static_cast<uint32_t>(p[i]);
  return l;
}
inline Lanes Mul(Lanes x, int32_t k) {
  for (int i = 0; i < 4; ++i) x.v[i] *= static_cast<uint32_t>(k);
  return x;
}
inline uint32_t Pack(Lanes c) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    const int32_t v = static_cast<int32_t>(c.v[i]) >> 16;
    out |= static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v)) << (8 * i);
  }
  return out;
}
#endif

// The common case: no blending, alpha test or texture; a fixed depth comparison.
template <int kDepthBits, DWORD kFunc, bool kWrite, bool kClamp>
[[gnu::always_inline]] inline void FastSpan(uint8_t* colourRow, [[maybe_unused]] uint8_t* depthRow,
                                            int xl, int xr, Lanes c, Lanes dc, int64_t z,
                                            int64_t dz, uint64_t& written) {
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

// Colour and depth at a pixel of a fast triangle's planes. Kept out of line: it is needed once
// per edge and where the scissor cuts a span, and inlined it would crowd the row loop.
[[gnu::noinline]] void ValueAt(const FastTriangle& t, int64_t x, int64_t y, Lanes& colour,
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
    bounds[i].carry = left.r + left.rStep >= left.d ? 1 : 0;
    left.NextRow();
    right.NextRow();
  }
}

// Draws a chunk of rows of a triangle the scissor cuts from their bounds.
template <int kDepthBits, DWORD kFunc, bool kWrite, bool kClamp>
[[gnu::always_inline]] inline void DrawCutRows(const FastTriangle& t, const RowBounds* bounds,
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
      FastSpan<kDepthBits, kFunc, kWrite, kClamp>(colourRow, depthRow, xl, xr, c, stepX, z,
                                                  t.zStepX, written);
    }
    colourRow += s.colourPitch;
    if (kDepthBits) depthRow += s.depthPitch;
  }
}

// The rows of a fast triangle. Colour and depth are carried along the left edge from row to
// row (the edge moves by one of two whole numbers of pixels), so a span starts without
// multiplications unless the scissor cuts it. Cut triangles go in two passes per chunk of rows
// so that few values are live at once: the edges are walked into a small table, then the
// spans are clamped and drawn.
template <int kDepthBits, DWORD kFunc, bool kWrite, bool kClamp>
void FastRows(const FastTriangle& t, EdgeSet& edges) {
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
            FastSpan<kDepthBits, kFunc, kWrite, kClamp>(colourRow, depthRow, xl, xr, c, stepX, z,
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

template <int kDepthBits, bool kWrite, bool kClamp>
FastTriangleFn PickByFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER:
      return &FastRows<kDepthBits, D3DCMP_NEVER, kWrite, kClamp>;
    case D3DCMP_LESS:
      return &FastRows<kDepthBits, D3DCMP_LESS, kWrite, kClamp>;
    case D3DCMP_EQUAL:
      return &FastRows<kDepthBits, D3DCMP_EQUAL, kWrite, kClamp>;
    case D3DCMP_LESSEQUAL:
      return &FastRows<kDepthBits, D3DCMP_LESSEQUAL, kWrite, kClamp>;
    case D3DCMP_GREATER:
      return &FastRows<kDepthBits, D3DCMP_GREATER, kWrite, kClamp>;
    case D3DCMP_NOTEQUAL:
      return &FastRows<kDepthBits, D3DCMP_NOTEQUAL, kWrite, kClamp>;
    case D3DCMP_GREATEREQUAL:
      return &FastRows<kDepthBits, D3DCMP_GREATEREQUAL, kWrite, kClamp>;
    default:
      return &FastRows<kDepthBits, D3DCMP_ALWAYS, kWrite, kClamp>;
  }
}

template <int kDepthBits, bool kClamp>
FastTriangleFn PickByWrite(DWORD f, bool write) {
  return write ? PickByFunc<kDepthBits, true, kClamp>(f) : PickByFunc<kDepthBits, false, kClamp>(f);
}

template <bool kClamp>
FastTriangleFn PickFastTriangle(const PixelState& state) {
  switch (state.depthBits) {
    case 16:
      return PickByWrite<16, kClamp>(state.zFunc, state.zWrite);
    case 24:
      return PickByWrite<24, kClamp>(state.zFunc, state.zWrite);
    case 32:
      return PickByWrite<32, kClamp>(state.zFunc, state.zWrite);
    default:
      return &FastRows<0, D3DCMP_ALWAYS, false, false>;
  }
}

Edge MakeEdge(const ScreenVertex& from, const ScreenVertex& to) {
  const int64_t dx = int64_t{to.x} - from.x, dy = int64_t{to.y} - from.y;
  Edge e;
  e.a = -dy * kSubPixelScale;
  e.b = dx;
  // Pixels exactly on an edge belong to the triangle only for top and left edges.
  const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
  e.c = -dx * from.y + dy * from.x + (topLeft ? 1 : 0);
  return e;
}

// Largest fixed-point depth step the fast path accepts; beyond it (slivers with extreme
// gradients) the general path's floating point takes over. Colour steps must fit 32 bits.
constexpr double kMaxFixedStep = 1.0e13;
constexpr float kMaxColourStep = 2.0e9f;

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

namespace {
int64_t FloorDivide(int64_t n, int64_t d) {
  int64_t q = n / d;
  if ((n % d != 0) && ((n < 0) != (d < 0))) --q;
  return q;
}
}  // namespace

bool EdgeSet::Start(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                    int64_t firstRow, int64_t lastRow) {
  const ScreenVertex* from[3] = {&a, &b, &c};
  const ScreenVertex* to[3] = {&b, &c, &a};
  Edge edges[3];
  int lefts[2], rights[2];
  int leftCount = 0, rightCount = 0;
  for (int i = 0; i < 3; ++i) {
    edges[i] = MakeEdge(*from[i], *to[i]);
    const Edge& e = edges[i];
    if (e.a == 0) {
      // Horizontal: inside while b·256·row + c > 0 (b is not 0 for a triangle with area),
      // which can only drop the first or the last row.
      const int64_t slope = e.b * kSubPixelScale;
      if (slope > 0) {
        firstRow = std::max(firstRow, FloorDivide(-e.c, slope) + 1);
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

void Rasterizer::Begin(const PixelState& state, const TextureStages* stages) {
  m_State = state;
  m_Stages = stages;
  m_PixelsWritten = 0;
  m_VectorTriangles = 0;
  m_FastTriangle[0] = m_FastTriangle[1] = nullptr;
  m_Small = SmallDrawing{};
  m_DepthScale = state.depthBits ? static_cast<double>(DepthMax(state.depthBits)) * 65536.0 : 0.0;
  if (state.blend || state.alphaTest || state.textured) return;
  m_FastTriangle[0] = PickFastTriangle<true>(state);
  m_FastTriangle[1] = PickFastTriangle<false>(state);
  m_Small = PickSmallTriangle(state, m_VectorPath);
}

void Rasterizer::PrepareAttributes(const ScreenVertex& v, const ScreenVertex& provoking,
                                   float* out) const {
  const Attributes& colours = m_State.flat ? provoking.attr : v.attr;
  for (int i = 0; i < 4; ++i) out[kAttrDiffuse + i] = colours.diffuse[i];
  for (int i = 0; i < 3; ++i) {
    out[kAttrSpecular + i] = m_State.specular ? colours.specular[i] : 0.0f;
  }
  out[kAttrRhw] = v.rhw;
  for (int t = 0; t < kMaxTexCoordSets; ++t) {
    out[kAttrTex + 2 * t] = v.attr.tex[t][0] * v.rhw;
    out[kAttrTex + 2 * t + 1] = v.attr.tex[t][1] * v.rhw;
  }
}

bool Rasterizer::SetupFast(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                           const ScreenVertex& provoking, double inverseArea, FastTriangle& t,
                           bool& clampDepth) const {
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
  const Attributes& ca = m_State.flat ? provoking.attr : a.attr;
  const Attributes& cb = m_State.flat ? provoking.attr : b.attr;
  const Attributes& cc = m_State.flat ? provoking.attr : c.attr;
#if defined(__SSE2__)
  const __m128 specular =
      _mm_castsi128_ps(m_State.specular ? _mm_set_epi32(0, -1, -1, -1) : _mm_setzero_si128());
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
  const float add = m_State.specular ? 1.0f : 0.0f;
  auto channel = [&](const Attributes& v, int i) {
    return i < 3 ? v.diffuse[i] + add * v.specular[i] : v.diffuse[3];
  };
  for (int lane = 0; lane < 4; ++lane) {
    const int i = lane < 3 ? 2 - lane : 3;  // lanes b g r a
    const float va = channel(ca, i);
    const float d1 = channel(cb, i) - va, d2 = channel(cc, i) - va;
    const float ddx = (d1 * dy2 - d2 * dy1) * scale;
    const float ddy = (d2 * dx1 - d1 * dx2) * scale;
    const float origin = va * 65536.0f + 32768.0f + ddx * ox + ddy * oy;
    if (!(std::fabs(ddx) < kMaxColourStep && std::fabs(ddy) < kMaxColourStep &&
          std::fabs(origin) < kMaxColourStep)) {
      return false;
    }
    t.colour[lane] = static_cast<int32_t>(origin);
    t.colourStepX[lane] = static_cast<int32_t>(ddx);
    t.colourStepY[lane] = static_cast<int32_t>(ddy);
  }
#endif
  if (!m_State.targetHasAlpha) {
    // A target without alpha stores opaque pixels: the alpha lane stays at 255.
    t.colour[3] = (255 << 16) + 32768;
    t.colourStepX[3] = t.colourStepY[3] = 0;
  }
  t.z = t.zStepX = t.zStepY = 0;
  clampDepth = false;
  if (m_State.depthBits != 0) {
    const double z1 = b.z - a.z, z2 = c.z - a.z;
    const double ddx = (z1 * dy2 - z2 * dy1) * inverseArea * m_DepthScale;
    const double ddy = (z2 * dx1 - z1 * dx2) * inverseArea * m_DepthScale;
    // Rounded to the nearest depth step, as the clear rounds its depth.
    const double origin = (a.z - m_State.zBias) * m_DepthScale + 32768.0 + ddx * ox + ddy * oy;
    if (!(std::fabs(ddx) < kMaxFixedStep && std::fabs(ddy) < kMaxFixedStep &&
          std::fabs(origin) < 1.0e18)) {
      return false;
    }
    t.z = static_cast<int64_t>(origin);
    t.zStepX = static_cast<int64_t>(ddx);
    t.zStepY = static_cast<int64_t>(ddy);
    // Inside the triangle depth stays between its vertices' (to within the steps' rounding),
    // so with a step of margin at both ends no pixel needs clamping.
    const double zMin = (std::min({a.z, b.z, c.z}) - m_State.zBias) * m_DepthScale;
    const double zMax = (std::max({a.z, b.z, c.z}) - m_State.zBias) * m_DepthScale;
    clampDepth = !(zMin >= 65536.0 && zMax <= m_DepthScale - 65536.0);
  }
  return true;
}

bool Rasterizer::SetupSmall(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                            const FastTriangle& fast, int64_t rowFirst, int64_t rowLast,
                            int64_t colFirst, int64_t colLast, SmallTriangle& t) const {
  const int64_t lanes = m_Small.lanes;
  // A shift, not a division: lanes is 8 or 16 and a 64-bit division costs as much as the rest.
  const int64_t blocks = (colLast - colFirst + lanes) >> (lanes == 16 ? 4 : 3);
  if (blocks > kSmallMaxBlocks) return false;
  // Every lane of every block reads its pixel, so the blocks must end inside the scissor's
  // columns (and so inside both buffers' rows): near the right side they start further left.
  // Lanes right of the triangle's columns are outside its edges; lanes left of them only need
  // a mask when they reach left of the scissor.
  const int64_t blockX = std::min<int64_t>(colFirst, m_State.x1 - lanes * blocks);
  if (blockX < 0) return false;
  const int64_t lastX = blockX + lanes * blocks - 1;
  const int64_t top = rowFirst * kSubPixelScale, bottom = rowLast * kSubPixelScale;
  auto fits = [](int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; };
  const ScreenVertex* from[3] = {&a, &b, &c};
  const ScreenVertex* to[3] = {&b, &c, &a};
  for (int i = 0; i < 3; ++i) {
    const Edge e = MakeEdge(*from[i], *to[i]);
    // Linear over the box, so it stays within 32 bits if it does at the corners.
    const int64_t origin = e.a * blockX + e.b * top + e.c - 1;
    const int64_t acrossX = e.a * (lastX - blockX), acrossY = e.b * (bottom - top);
    if (!fits(origin) || !fits(origin + acrossX) || !fits(origin + acrossY) ||
        !fits(origin + acrossX + acrossY) || !fits(e.a * lanes) || !fits(e.b * kSubPixelScale)) {
      return false;
    }
    t.edge[i] = static_cast<int32_t>(origin);
    t.edgeStepX[i] = static_cast<int32_t>(e.a);
    t.edgeStepY[i] = static_cast<int32_t>(e.b * kSubPixelScale);
  }
  // Colour and depth moved from the anchor to the block origin, in the planes' own wrapping
  // arithmetic, so that every pixel gets the value the row-by-row path gives it.
  const uint32_t dx = static_cast<uint32_t>(blockX - fast.anchorX);
  const uint32_t dy = static_cast<uint32_t>(rowFirst - fast.anchorY);
  for (int i = 0; i < 4; ++i) {
    t.colour[i] = static_cast<int32_t>(static_cast<uint32_t>(fast.colour[i]) +
                                       static_cast<uint32_t>(fast.colourStepX[i]) * dx +
                                       static_cast<uint32_t>(fast.colourStepY[i]) * dy);
    t.colourStepX[i] = fast.colourStepX[i];
    t.colourStepY[i] = fast.colourStepY[i];
  }
  t.z = static_cast<uint32_t>(fast.z) + static_cast<uint32_t>(fast.zStepX) * dx +
        static_cast<uint32_t>(fast.zStepY) * dy;
  t.zStepX = static_cast<uint32_t>(fast.zStepX);
  t.zStepY = static_cast<uint32_t>(fast.zStepY);
  t.state = &m_State;
  t.blockX = static_cast<int32_t>(blockX);
  t.blocks = static_cast<int32_t>(blocks);
  t.rowFirst = static_cast<int32_t>(rowFirst);
  t.rowLast = static_cast<int32_t>(rowLast);
  t.colFirst = static_cast<int32_t>(colFirst);
  t.cut = blockX < m_State.x0;
  return true;
}

void Rasterizer::BuildPlane(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                            const ScreenVertex& provoking, double inverseArea, Plane& plane) const {
  float va[kAttrCount], vb[kAttrCount], vc[kAttrCount];
  PrepareAttributes(a, provoking, va);
  PrepareAttributes(b, provoking, vb);
  PrepareAttributes(c, provoking, vc);
  const double dx1 = static_cast<double>(b.fx) - a.fx, dy1 = static_cast<double>(b.fy) - a.fy;
  const double dx2 = static_cast<double>(c.fx) - a.fx, dy2 = static_cast<double>(c.fy) - a.fy;
  for (int i = 0; i < kAttrCount; ++i) {
    const double d1 = static_cast<double>(vb[i]) - va[i], d2 = static_cast<double>(vc[i]) - va[i];
    plane.origin[i] = va[i];
    plane.ddx[i] = static_cast<float>((d1 * dy2 - d2 * dy1) * inverseArea);
    plane.ddy[i] = static_cast<float>((d2 * dx1 - d1 * dx2) * inverseArea);
  }
  const double d1 = b.z - a.z, d2 = c.z - a.z;
  plane.z = a.z;
  plane.dzdx = (d1 * dy2 - d2 * dy1) * inverseArea;
  plane.dzdy = (d2 * dx1 - d1 * dx2) * inverseArea;
  plane.x0 = a.fx;
  plane.y0 = a.fy;
}

void Rasterizer::Triangle(const ScreenVertex& a, const ScreenVertex& b0, const ScreenVertex& c0,
                          const ScreenVertex& provoking) {
  const int64_t area =
      (int64_t{b0.x} - a.x) * (int64_t{c0.y} - a.y) - (int64_t{c0.x} - a.x) * (int64_t{b0.y} - a.y);
  if (area == 0) return;
  // Edges are set up for clockwise order on screen (y down), where the inside is positive.
  const ScreenVertex& b = area > 0 ? b0 : c0;
  const ScreenVertex& c = area > 0 ? c0 : b0;

  // Rows and columns whose sample points can be inside (samples at integer positions).
  const int64_t yMin = std::min({a.y, b.y, c.y}), yMax = std::max({a.y, b.y, c.y});
  const int64_t xMin = std::min({a.x, b.x, c.x}), xMax = std::max({a.x, b.x, c.x});
  const int64_t rowFirst =
      std::max<int64_t>((yMin + kSubPixelScale - 1) >> kSubPixelBits, m_State.y0);
  const int64_t rowLast = std::min<int64_t>(yMax >> kSubPixelBits, m_State.y1 - 1);
  const int64_t colMin = (xMin + kSubPixelScale - 1) >> kSubPixelBits;
  const int64_t colMax = xMax >> kSubPixelBits;
  const int64_t colFirst = std::max<int64_t>(colMin, m_State.x0);
  const int64_t colLast = std::min<int64_t>(colMax, m_State.x1 - 1);
  if (rowFirst > rowLast || colFirst > colLast) return;

  // Pixel-unit area from the exact sub-pixel area.
  const double inverseArea =
      static_cast<double>(kSubPixelScale) * kSubPixelScale / static_cast<double>(std::llabs(area));
  FastTriangle fast;
  bool fastReady = false, clampDepth = true;
  if (m_FastTriangle[0]) {
    fastReady = SetupFast(a, b, c, provoking, inverseArea, fast, clampDepth);
    fast.state = &m_State;
    fast.written = &m_PixelsWritten;
    SmallTriangle small;
    if (fastReady && !clampDepth && m_Small.draw &&
        SetupSmall(a, b, c, fast, rowFirst, rowLast, colFirst, colLast, small)) {
      small.written = &m_PixelsWritten;
      ++m_VectorTriangles;
      m_Small.draw(small);
      return;
    }
  }

  EdgeSet edges;
  if (!edges.Start(a, b, c, rowFirst, rowLast)) return;
  if (fastReady) {
    fast.colFirst = colFirst;
    fast.colLast = colLast;
    fast.cut = colFirst != colMin || colLast != colMax;
    fast.rowFirst = edges.rowFirst;
    m_FastTriangle[clampDepth ? 0 : 1](fast, edges);
    return;
  }

  Plane plane;
  BuildPlane(a, b, c, provoking, inverseArea, plane);
  for (int64_t py = edges.rowFirst; py <= edges.rowLast; ++py) {
    int64_t xl = colFirst, xr = colLast;
    edges.Enter(py);
    edges.Row(xl, xr);
    if (xl <= xr)
      GenericSpan(static_cast<int>(py), static_cast<int>(xl), static_cast<int>(xr), plane);
  }
}

void Rasterizer::GenericSpan(int py, int xl, int xr, const Plane& plane) {
  const float fx = static_cast<float>(xl) - plane.x0, fy = static_cast<float>(py) - plane.y0;
  float attr[kAttrCount];
  for (int i = 0; i < kAttrCount; ++i) {
    attr[i] = plane.origin[i] + plane.ddx[i] * fx + plane.ddy[i] * fy;
  }
  double z = plane.z + plane.dzdx * (xl - plane.x0) + plane.dzdy * (py - plane.y0);
  for (int x = xl; x <= xr; ++x) {
    ShadePixel(x, py, z, attr, &plane);
    for (int i = 0; i < kAttrCount; ++i) attr[i] += plane.ddx[i];
    z += plane.dzdx;
  }
}

void Rasterizer::ShadePixel(int px, int py, double z, const float* attr, const Plane* plane) {
  const PixelState& s = m_State;
  if (px < s.x0 || px >= s.x1 || py < s.y0 || py >= s.y1) return;
  uint32_t zv = 0;
  if (s.depthBits != 0) {
    zv = QuantiseDepth(z - s.zBias, s.depthBits);
    if (!CompareRuntime(s.zFunc, zv, ReadDepth(s, px, py))) return;
  }
  Colour4 diffuse{attr[kAttrDiffuse], attr[kAttrDiffuse + 1], attr[kAttrDiffuse + 2],
                  attr[kAttrDiffuse + 3]};
  Colour4 result = diffuse;
  if (s.textured && m_Stages) {
    const Colour4 specular{attr[kAttrSpecular], attr[kAttrSpecular + 1], attr[kAttrSpecular + 2],
                           0.0f};
    Colour4 texels[kTextureStageCount]{};
    float rhw = attr[kAttrRhw];
    if (!(rhw > 1.0e-30f)) rhw = 1.0e-30f;
    for (int i = 0; i < m_Stages->count; ++i) {
      const StageState& stage = m_Stages->stage[i];
      if (!stage.texture) continue;
      const int set = kAttrTex + 2 * stage.texCoordSet;
      const float u = attr[set] / rhw, v = attr[set + 1] / rhw;
      float dudx = 0, dvdx = 0, dudy = 0, dvdy = 0;
      if (plane) {
        dudx = (plane->ddx[set] - u * plane->ddx[kAttrRhw]) / rhw;
        dvdx = (plane->ddx[set + 1] - v * plane->ddx[kAttrRhw]) / rhw;
        dudy = (plane->ddy[set] - u * plane->ddy[kAttrRhw]) / rhw;
        dvdy = (plane->ddy[set + 1] - v * plane->ddy[kAttrRhw]) / rhw;
      }
      texels[i] = SampleTexture(stage, u, v, dudx, dvdx, dudy, dvdy);
    }
    result = CombineStages(*m_Stages, diffuse, specular, texels);
  }
  int src[4];
  src[0] = static_cast<int>(SaturateFloat(result.r + attr[kAttrSpecular]));
  src[1] = static_cast<int>(SaturateFloat(result.g + attr[kAttrSpecular + 1]));
  src[2] = static_cast<int>(SaturateFloat(result.b + attr[kAttrSpecular + 2]));
  src[3] = static_cast<int>(SaturateFloat(result.a));
  if (s.alphaTest && !CompareRuntime(s.alphaFunc, static_cast<uint32_t>(src[3]), s.alphaRef)) {
    return;
  }
  uint32_t* target =
      reinterpret_cast<uint32_t*>(s.colour + static_cast<size_t>(py) * s.colourPitch) + px;
  int out[4] = {src[0], src[1], src[2], src[3]};
  if (s.blend) {
    const uint32_t d = *target;
    const int dst[4] = {static_cast<int>((d >> 16) & 0xFF), static_cast<int>((d >> 8) & 0xFF),
                        static_cast<int>(d & 0xFF),
                        s.targetHasAlpha ? static_cast<int>(d >> 24) : 255};
    const Factor fs = BlendFactor(s.srcBlend, src, dst);
    Factor fd;
    if (s.srcBlend == D3DBLEND_BOTHSRCALPHA) {
      fd = BlendFactor(D3DBLEND_INVSRCALPHA, src, dst);
    } else if (s.srcBlend == D3DBLEND_BOTHINVSRCALPHA) {
      fd = BlendFactor(D3DBLEND_SRCALPHA, src, dst);
    } else {
      fd = BlendFactor(s.destBlend, src, dst);
    }
    for (int i = 0; i < 3; ++i) {
      out[i] = std::min(255, (src[i] * fs.rgb[i] + dst[i] * fd.rgb[i] + 127) / 255);
    }
    out[3] = std::min(255, (src[3] * fs.a + dst[3] * fd.a + 127) / 255);
  }
  const uint32_t alpha = s.targetHasAlpha ? static_cast<uint32_t>(out[3]) : 0xFFu;
  *target = (alpha << 24) | (static_cast<uint32_t>(out[0]) << 16) |
            (static_cast<uint32_t>(out[1]) << 8) | static_cast<uint32_t>(out[2]);
  if (s.depthBits != 0 && s.zWrite) WriteDepth(s, px, py, zv);
  ++m_PixelsWritten;
}

void Rasterizer::Line(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& provoking) {
  float va[kAttrCount], vb[kAttrCount];
  PrepareAttributes(a, provoking, va);
  PrepareAttributes(b, provoking, vb);
  const float dx = b.fx - a.fx, dy = b.fy - a.fy;
  const bool xMajor = std::fabs(dx) >= std::fabs(dy);
  const float major0 = xMajor ? a.fx : a.fy, major1 = xMajor ? b.fx : b.fy;
  const float minor0 = xMajor ? a.fy : a.fx, dMinor = xMajor ? dy : dx;
  const float dMajor = major1 - major0;
  // Pixels whose centres the line passes, from the first endpoint's pixel to the last's.
  const int first = static_cast<int>(std::floor(major0 + 0.5f));
  const int last = static_cast<int>(std::floor(major1 + 0.5f));
  const int step = last >= first ? 1 : -1;
  const int count = (last - first) * step + (m_State.lastPixel ? 1 : 0);
  float attr[kAttrCount];
  for (int i = 0; i < count; ++i) {
    const int m = first + i * step;
    float t = dMajor != 0.0f ? (static_cast<float>(m) - major0) / dMajor : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const int n = static_cast<int>(std::floor(minor0 + dMinor * t + 0.5f));
    for (int k = 0; k < kAttrCount; ++k) attr[k] = va[k] + (vb[k] - va[k]) * t;
    const double z = a.z + (b.z - a.z) * t;
    if (xMajor) {
      ShadePixel(m, n, z, attr, nullptr);
    } else {
      ShadePixel(n, m, z, attr, nullptr);
    }
  }
}

void Rasterizer::Point(const ScreenVertex& a) {
  float va[kAttrCount];
  PrepareAttributes(a, a, va);
  ShadePixel(static_cast<int>(std::floor(a.fx + 0.5f)), static_cast<int>(std::floor(a.fy + 0.5f)),
             a.z, va, nullptr);
}

}  // namespace dx::software
