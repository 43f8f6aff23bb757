// The block path's drawing and setup. Depth test, depth write and colour write go through lane
// masks, so the thin triangles of a finely divided mesh cost no branch per pixel; the values
// are the row path's integer planes, only evaluated in 32-bit lanes. The rows and blocks are
// walked by BlockPath.inc, included once per instruction set: AVX2 and AVX-512 on x86-64 (chosen
// at run time), vector extensions elsewhere.
#include "platform/directx/software/BlockPath.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/directx/software/Comparison.h"
#include "platform/directx/software/EdgeWalk.h"

#if defined(__x86_64__)
// GCC's AVX-512 headers start some results from a deliberately undefined value, which its
// own uninitialised-use warning then reports.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#elif defined(__ARM_NEON)
#include <arm_neon.h>
#endif

namespace dx::software {
namespace {

#if defined(__x86_64__)

// Eight lanes with AVX2: lane masks are vectors of all ones, and pixels that are not drawn are
// written back as read, since AVX2's masked store is much slower than a load, blend and store.
namespace avx2 {

#define QUENNET_TARGET [[gnu::target("avx2,popcnt")]]

using Vec = __m256i;
using Mask = __m256i;
constexpr int kLanes = 8;

QUENNET_TARGET inline Vec Splat(int32_t v) {
  return _mm256_set1_epi32(v);
}
QUENNET_TARGET inline Vec Add(Vec x, Vec y) {
  return _mm256_add_epi32(x, y);
}
QUENNET_TARGET inline Vec Ramp(int32_t origin, int32_t step) {
  return _mm256_add_epi32(
      _mm256_set1_epi32(origin),
      _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(step)));
}
QUENNET_TARGET inline Mask ColumnsFrom(int32_t x, int32_t first) {
  if (first <= x) return _mm256_set1_epi32(-1);
  return _mm256_cmpgt_epi32(Ramp(x, 1), _mm256_set1_epi32(first - 1));
}

// The depth test of value against stored, both 0..65535 in 32-bit lanes.
template <DWORD F>
QUENNET_TARGET inline Mask DepthPasses(Vec value, Vec stored) {
  const Vec ones = _mm256_set1_epi32(-1);
  if constexpr (F == D3DCMP_NEVER) return _mm256_setzero_si256();
  if constexpr (F == D3DCMP_LESS) return _mm256_cmpgt_epi32(stored, value);
  if constexpr (F == D3DCMP_EQUAL) return _mm256_cmpeq_epi32(value, stored);
  if constexpr (F == D3DCMP_LESSEQUAL) {
    return _mm256_xor_si256(_mm256_cmpgt_epi32(value, stored), ones);
  }
  if constexpr (F == D3DCMP_GREATER) return _mm256_cmpgt_epi32(value, stored);
  if constexpr (F == D3DCMP_NOTEQUAL) {
    return _mm256_xor_si256(_mm256_cmpeq_epi32(value, stored), ones);
  }
  if constexpr (F == D3DCMP_GREATEREQUAL) {
    return _mm256_xor_si256(_mm256_cmpgt_epi32(stored, value), ones);
  }
  return ones;
}

// Eight pixels 0xAARRGGBB from 16.16 channels, each saturated to a byte as the row path's
// packing does.
QUENNET_TARGET inline Vec PackPixels(Vec b, Vec g, Vec r, Vec a) {
  const Vec bg = _mm256_packs_epi32(_mm256_srai_epi32(b, 16), _mm256_srai_epi32(g, 16));
  const Vec ra = _mm256_packs_epi32(_mm256_srai_epi32(r, 16), _mm256_srai_epi32(a, 16));
  // Per 128-bit half: b0..3 g0..3 r0..3 a0..3, then interleaved to pixels.
  const Vec planar = _mm256_packus_epi16(bg, ra);
  const Vec order = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 0, 4, 8,
                                     12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  return _mm256_shuffle_epi8(planar, order);
}

// One block, without branches: which lanes are drawn depends on the data of every block, so
// branching on it would mostly be mispredicted.
template <int kDepthBits, DWORD kFunc, bool kWrite, class L>
QUENNET_TARGET [[gnu::always_inline]] inline uint32_t DrawBlock(const L& v, Mask columns,
                                                                uint8_t* colour, uint8_t* depth) {
  // Inside where all three E − 1 are ≥ 0: no sign bit in their OR.
  const Vec outside = _mm256_or_si256(_mm256_or_si256(v.e0, v.e1), v.e2);
  Mask pass = _mm256_andnot_si256(_mm256_srai_epi32(outside, 31), columns);
  if constexpr (kDepthBits == 16) {
    const __m128i stored16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depth));
    const Vec value = _mm256_srli_epi32(v.z, 16);
    pass = _mm256_and_si256(pass, DepthPasses<kFunc>(value, _mm256_cvtepu16_epi32(stored16)));
    if constexpr (kWrite) {
      const __m128i value16 =
          _mm_packus_epi32(_mm256_castsi256_si128(value), _mm256_extracti128_si256(value, 1));
      const __m128i pass16 =
          _mm_packs_epi32(_mm256_castsi256_si128(pass), _mm256_extracti128_si256(pass, 1));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(depth),
                       _mm_blendv_epi8(stored16, value16, pass16));
    }
  }
  Vec* target = reinterpret_cast<Vec*>(colour);
  _mm256_storeu_si256(
      target, _mm256_blendv_epi8(_mm256_loadu_si256(target), PackPixels(v.b, v.g, v.r, v.a), pass));
  return static_cast<uint32_t>(
      __builtin_popcount(static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(pass)))));
}

#include "platform/directx/software/BlockPath.inc"

#undef QUENNET_TARGET

}  // namespace avx2

// Sixteen lanes with AVX-512: one block covers most rows of the mesh's thin triangles, and
// mask registers replace the blends.
namespace avx512 {

#define QUENNET_TARGET [[gnu::target("avx512f,avx512bw,avx512vl,avx2,popcnt")]]

using Vec = __m512i;
using Mask = __mmask16;
constexpr int kLanes = 16;

QUENNET_TARGET inline Vec Splat(int32_t v) {
  return _mm512_set1_epi32(v);
}
QUENNET_TARGET inline Vec Add(Vec x, Vec y) {
  return _mm512_add_epi32(x, y);
}
QUENNET_TARGET inline Vec Ramp(int32_t origin, int32_t step) {
  return _mm512_add_epi32(
      _mm512_set1_epi32(origin),
      _mm512_mullo_epi32(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                         _mm512_set1_epi32(step)));
}
QUENNET_TARGET inline Mask ColumnsFrom(int32_t x, int32_t first) {
  if (first <= x) return 0xFFFF;
  return first - x >= 16 ? 0 : static_cast<Mask>(0xFFFFu << (first - x));
}

// The _MM_CMPINT_ predicate of a comparison between NEVER and ALWAYS (exclusive).
constexpr int Predicate(DWORD f) {
  switch (f) {
    case D3DCMP_LESS:
      return _MM_CMPINT_LT;
    case D3DCMP_EQUAL:
      return _MM_CMPINT_EQ;
    case D3DCMP_LESSEQUAL:
      return _MM_CMPINT_LE;
    case D3DCMP_GREATER:
      return _MM_CMPINT_NLE;
    case D3DCMP_NOTEQUAL:
      return _MM_CMPINT_NE;
    default:
      return _MM_CMPINT_NLT;  // D3DCMP_GREATEREQUAL
  }
}

// The depth test of value against stored within lanes.
template <DWORD F>
QUENNET_TARGET inline Mask DepthPasses(Mask lanes, Vec value, Vec stored) {
  if constexpr (F == D3DCMP_NEVER) {
    return 0;
  } else if constexpr (F == D3DCMP_ALWAYS) {
    return lanes;
  } else {
    constexpr int kPredicate = Predicate(F);
    return _mm512_mask_cmp_epi32_mask(lanes, value, stored, kPredicate);
  }
}

QUENNET_TARGET inline Vec PackPixels(Vec b, Vec g, Vec r, Vec a) {
  const Vec bg = _mm512_packs_epi32(_mm512_srai_epi32(b, 16), _mm512_srai_epi32(g, 16));
  const Vec ra = _mm512_packs_epi32(_mm512_srai_epi32(r, 16), _mm512_srai_epi32(a, 16));
  const Vec planar = _mm512_packus_epi16(bg, ra);
  const Vec order =
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15));
  return _mm512_shuffle_epi8(planar, order);
}

template <int kDepthBits, DWORD kFunc, bool kWrite, class L>
QUENNET_TARGET [[gnu::always_inline]] inline uint32_t DrawBlock(const L& v, Mask columns,
                                                                uint8_t* colour, uint8_t* depth) {
  // Inside where all three E − 1 are ≥ 0.
  const Vec any = _mm512_or_si512(_mm512_or_si512(v.e0, v.e1), v.e2);
  Mask pass = _mm512_mask_cmp_epi32_mask(columns, any, _mm512_setzero_si512(), _MM_CMPINT_NLT);
  if constexpr (kDepthBits == 16) {
    const Vec value = _mm512_srli_epi32(v.z, 16);
    const Vec stored =
        _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(depth)));
    pass = DepthPasses<kFunc>(pass, value, stored);
    if constexpr (kWrite) _mm256_mask_storeu_epi16(depth, pass, _mm512_cvtepi32_epi16(value));
  }
  _mm512_mask_storeu_epi32(colour, pass, PackPixels(v.b, v.g, v.r, v.a));
  return static_cast<uint32_t>(__builtin_popcount(pass));
}

#include "platform/directx/software/BlockPath.inc"

#undef QUENNET_TARGET

}  // namespace avx512

#else

namespace portable {

#include "platform/directx/software/BlockPathPortable.inc"

// The driver, on the primitives above.
#include "platform/directx/software/BlockPath.inc"

#undef QUENNET_TARGET

}  // namespace portable

#endif

// The drawing for the state's depth test at one block width.
template <template <int, DWORD, bool> class Rows>
BlockPath PickFor(const PixelState& state, int lanes) {
  auto path = [lanes](auto rows) {
    using R = decltype(rows);
    return BlockPath{&R::Draw, &R::Spans, lanes};
  };
  switch (state.depthBits) {
    case 0:
      return path(Rows<0, D3DCMP_ALWAYS, false>{});
    case 16:
      return WithComparison(state.zFunc, [&](auto f) -> BlockPath {
        constexpr DWORD kFunc = decltype(f)::value;
        return state.zWrite ? path(Rows<16, kFunc, true>{}) : path(Rows<16, kFunc, false>{});
      });
    default:
      return {};
  }
}

// Colour and depth moved from the anchor to (x, y), in the planes' own wrapping arithmetic,
// so that every pixel gets the value the row path gives it.
void MoveValues(const RowTriangle& row, int64_t x, int64_t y, BlockTriangle& t) {
  const uint32_t dx = static_cast<uint32_t>(x - row.anchorX);
  const uint32_t dy = static_cast<uint32_t>(y - row.anchorY);
  for (int i = 0; i < 4; ++i) {
    t.colour[i] = static_cast<int32_t>(static_cast<uint32_t>(row.colour[i]) +
                                       static_cast<uint32_t>(row.colourStepX[i]) * dx +
                                       static_cast<uint32_t>(row.colourStepY[i]) * dy);
    t.colourStepX[i] = row.colourStepX[i];
    t.colourStepY[i] = row.colourStepY[i];
  }
  t.z = static_cast<uint32_t>(row.z) + static_cast<uint32_t>(row.zStepX) * dx +
        static_cast<uint32_t>(row.zStepY) * dy;
  t.zStepX = static_cast<uint32_t>(row.zStepX);
  t.zStepY = static_cast<uint32_t>(row.zStepY);
}

}  // namespace

BlockPath PickBlockPath(const PixelState& state, BlockWidth width) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
  static const bool avx512 = avx2 && __builtin_cpu_supports("avx512f") &&
                             __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vl");
  if (width == BlockWidth::kNone || !avx2) return {};
  if (width == BlockWidth::kWidest && avx512) return PickFor<avx512::Rows>(state, 16);
  return PickFor<avx2::Rows>(state, 8);
#else
  if (width == BlockWidth::kNone) return {};
  return PickFor<portable::Rows>(state, 8);
#endif
}

bool SetupBlockTriangle(const BlockPath& path, const PixelState& state, const ScreenVertex& a,
                        const ScreenVertex& b, const ScreenVertex& c, const RowTriangle& row,
                        int64_t rowFirst, int64_t rowLast, int64_t colFirst, int64_t colLast,
                        BlockTriangle& t) {
  const int64_t lanes = path.lanes;
  // A shift, not a division: lanes is 8 or 16 and a 64-bit division costs as much as the rest.
  const int64_t blocks = (colLast - colFirst + lanes) >> (lanes == 16 ? 4 : 3);
  if (blocks > kMaxBlocks) return false;
  // Every lane of every block reads its pixel, so the blocks must end inside the scissor's
  // columns (and so inside both buffers' rows): near the right side they start further left.
  // Lanes right of the triangle's columns are outside its edges; lanes left of them only need
  // a mask when they reach left of the scissor.
  const int64_t blockX = std::min<int64_t>(colFirst, state.x1 - lanes * blocks);
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
  MoveValues(row, blockX, rowFirst, t);
  t.state = &state;
  t.blockX = static_cast<int32_t>(blockX);
  t.blocks = static_cast<int32_t>(blocks);
  t.rowFirst = static_cast<int32_t>(rowFirst);
  t.rowLast = static_cast<int32_t>(rowLast);
  t.colFirst = static_cast<int32_t>(colFirst);
  t.colLast = static_cast<int32_t>(colLast);
  t.cut = blockX < state.x0;
  return true;
}

bool SetupBlockSpans(const BlockPath& path, const PixelState& state, const RowTriangle& row,
                     int64_t rowFirst, int64_t colFirst, int64_t colLast, BlockTriangle& t) {
  if (state.x1 < path.lanes) return false;
  MoveValues(row, colFirst, rowFirst, t);
  t.state = &state;
  t.blockX = static_cast<int32_t>(colFirst);
  t.blocks = 0;
  t.rowFirst = t.rowLast = static_cast<int32_t>(rowFirst);
  t.colFirst = static_cast<int32_t>(colFirst);
  t.colLast = static_cast<int32_t>(colLast);
  t.cut = false;
  return true;
}

}  // namespace dx::software
