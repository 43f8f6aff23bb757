// The eight-pixel path for small triangles (AVX2, chosen at run time). Each block of eight
// pixels of a row is tested against all three edge functions at once, so the thin triangles
// of a finely divided mesh cost no branch per pixel, and depth test, depth write and colour
// write go through lane masks. Values are those of the row-by-row path bit for bit: the same
// integer planes, only evaluated in 32-bit lanes.
#include "platform/directx/software/Rasterizer.h"

#if defined(__x86_64__) || defined(__i386__)
#define QUENNET_HAS_AVX2_PATH 1
// GCC's AVX-512 headers start some results from a deliberately undefined value, which its
// own uninitialised-use warning then reports.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#endif

namespace dx::software {

#if defined(QUENNET_HAS_AVX2_PATH)
namespace {

#define QUENNET_AVX2 [[gnu::target("avx2,popcnt")]]

// The depth test of value against stored, both 0..65535 in 32-bit lanes; all ones where it
// passes.
template <DWORD F>
QUENNET_AVX2 inline __m256i DepthPasses(__m256i value, __m256i stored) {
  const __m256i ones = _mm256_set1_epi32(-1);
  if constexpr (F == D3DCMP_NEVER) return _mm256_setzero_si256();
  if constexpr (F == D3DCMP_LESS) return _mm256_cmpgt_epi32(stored, value);
  if constexpr (F == D3DCMP_EQUAL) return _mm256_cmpeq_epi32(value, stored);
  if constexpr (F == D3DCMP_LESSEQUAL)
    return _mm256_xor_si256(_mm256_cmpgt_epi32(value, stored), ones);
  if constexpr (F == D3DCMP_GREATER) return _mm256_cmpgt_epi32(value, stored);
  if constexpr (F == D3DCMP_NOTEQUAL)
    return _mm256_xor_si256(_mm256_cmpeq_epi32(value, stored), ones);
  if constexpr (F == D3DCMP_GREATEREQUAL) {
    return _mm256_xor_si256(_mm256_cmpgt_epi32(stored, value), ones);
  }
  return ones;
}

// origin + lane · step in lane 0..7.
QUENNET_AVX2 inline __m256i Ramp(int32_t origin, int32_t step) {
  return _mm256_add_epi32(
      _mm256_set1_epi32(origin),
      _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(step)));
}

// Eight pixels 0xAARRGGBB from 16.16 channels, each saturated to a byte as the fast path's
// packing does.
QUENNET_AVX2 inline __m256i PackPixels(__m256i b, __m256i g, __m256i r, __m256i a) {
  const __m256i bg = _mm256_packs_epi32(_mm256_srai_epi32(b, 16), _mm256_srai_epi32(g, 16));
  const __m256i ra = _mm256_packs_epi32(_mm256_srai_epi32(r, 16), _mm256_srai_epi32(a, 16));
  // Per 128-bit half: b0..3 g0..3 r0..3 a0..3, then interleaved to pixels.
  const __m256i planar = _mm256_packus_epi16(bg, ra);
  const __m256i order = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 0, 4,
                                         8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  return _mm256_shuffle_epi8(planar, order);
}

// The per-value state of a block: three edge functions, depth and four colour channels.
struct Lanes8 {
  __m256i e0, e1, e2, z, b, g, r, a;
};

QUENNET_AVX2 inline Lanes8 AddLanes(const Lanes8& x, const Lanes8& d) {
  return {_mm256_add_epi32(x.e0, d.e0), _mm256_add_epi32(x.e1, d.e1), _mm256_add_epi32(x.e2, d.e2),
          _mm256_add_epi32(x.z, d.z),   _mm256_add_epi32(x.b, d.b),   _mm256_add_epi32(x.g, d.g),
          _mm256_add_epi32(x.r, d.r),   _mm256_add_epi32(x.a, d.a)};
}

// One block of eight pixels, without branches: which lanes are drawn depends on the data of
// every block, so branching on it would mostly be mispredicted. Lanes that are not drawn are
// written back as read: AVX2's masked store is much slower than a load, blend and store.
template <int kDepthBits, DWORD kFunc, bool kWrite>
QUENNET_AVX2 [[gnu::always_inline]] inline uint32_t DrawBlock(const Lanes8& v, __m256i columns,
                                                              uint8_t* colour, uint8_t* depth) {
  // Inside where all three E − 1 are ≥ 0: no sign bit in their OR.
  const __m256i outside = _mm256_or_si256(_mm256_or_si256(v.e0, v.e1), v.e2);
  __m256i pass = _mm256_andnot_si256(_mm256_srai_epi32(outside, 31), columns);
  if constexpr (kDepthBits == 16) {
    const __m128i stored16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(depth));
    const __m256i value = _mm256_srli_epi32(v.z, 16);
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
  __m256i* target = reinterpret_cast<__m256i*>(colour);
  _mm256_storeu_si256(
      target, _mm256_blendv_epi8(_mm256_loadu_si256(target), PackPixels(v.b, v.g, v.r, v.a), pass));
  return static_cast<uint32_t>(
      __builtin_popcount(static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(pass)))));
}

template <int kDepthBits, DWORD kFunc, bool kWrite>
QUENNET_AVX2 void SmallRows(const SmallTriangle& t) {
  const PixelState& s = *t.state;
  Lanes8 row{Ramp(t.edge[0], t.edgeStepX[0]),
             Ramp(t.edge[1], t.edgeStepX[1]),
             Ramp(t.edge[2], t.edgeStepX[2]),
             Ramp(static_cast<int32_t>(t.z), static_cast<int32_t>(t.zStepX)),
             Ramp(t.colour[0], t.colourStepX[0]),
             Ramp(t.colour[1], t.colourStepX[1]),
             Ramp(t.colour[2], t.colourStepX[2]),
             Ramp(t.colour[3], t.colourStepX[3])};
  const Lanes8 stepY{
      _mm256_set1_epi32(t.edgeStepY[0]),   _mm256_set1_epi32(t.edgeStepY[1]),
      _mm256_set1_epi32(t.edgeStepY[2]),   _mm256_set1_epi32(static_cast<int32_t>(t.zStepY)),
      _mm256_set1_epi32(t.colourStepY[0]), _mm256_set1_epi32(t.colourStepY[1]),
      _mm256_set1_epi32(t.colourStepY[2]), _mm256_set1_epi32(t.colourStepY[3])};
  const Lanes8 stepBlock{
      _mm256_set1_epi32(t.edgeStepX[0] * 8),
      _mm256_set1_epi32(t.edgeStepX[1] * 8),
      _mm256_set1_epi32(t.edgeStepX[2] * 8),
      _mm256_set1_epi32(static_cast<int32_t>(t.zStepX * 8)),
      _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(t.colourStepX[0]) * 8)),
      _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(t.colourStepX[1]) * 8)),
      _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(t.colourStepX[2]) * 8)),
      _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(t.colourStepX[3]) * 8))};
  // The scissor's mask of each block's columns (all set unless the blocks start left of it).
  const int blocks = t.blocks;
  __m256i columns[kSmallMaxBlocks];
  for (int k = 0; k < blocks; ++k) {
    const __m256i x = Ramp(t.blockX + 8 * k, 1);
    columns[k] =
        t.cut ? _mm256_cmpgt_epi32(x, _mm256_set1_epi32(t.colFirst - 1)) : _mm256_set1_epi32(-1);
  }
  uint32_t written = 0;
  const int colourPitch = s.colourPitch, depthPitch = s.depthPitch;
  uint8_t* colourRow = s.colour + static_cast<size_t>(t.rowFirst) * colourPitch + 4 * t.blockX;
  uint8_t* depthRow =
      kDepthBits ? s.depth + static_cast<size_t>(t.rowFirst) * depthPitch + 2 * t.blockX : nullptr;
  const int rows = t.rowLast - t.rowFirst + 1;
  if (blocks == 1) {
    for (int i = 0; i < rows; ++i) {
      written += DrawBlock<kDepthBits, kFunc, kWrite>(row, columns[0], colourRow, depthRow);
      row = AddLanes(row, stepY);
      colourRow += colourPitch;
      if (kDepthBits) depthRow += depthPitch;
    }
  } else {
    for (int i = 0; i < rows; ++i) {
      Lanes8 block = row;
      for (int k = 0; k < blocks; ++k) {
        written += DrawBlock<kDepthBits, kFunc, kWrite>(block, columns[k], colourRow + 32 * k,
                                                        kDepthBits ? depthRow + 16 * k : nullptr);
        block = AddLanes(block, stepBlock);
      }
      row = AddLanes(row, stepY);
      colourRow += colourPitch;
      if (kDepthBits) depthRow += depthPitch;
    }
  }
  *t.written += written;
}

// The same drawing sixteen pixels at a time with AVX-512: one block covers most rows of the
// mesh's thin triangles, and lane masks replace the blends.
#define QUENNET_AVX512 [[gnu::target("avx512f,avx512bw,avx512vl,avx2,popcnt")]]

template <DWORD F>
QUENNET_AVX512 inline __mmask16 DepthPasses16(__mmask16 lanes, __m512i value, __m512i stored) {
  if constexpr (F == D3DCMP_NEVER) return 0;
  if constexpr (F == D3DCMP_LESS)
    return _mm512_mask_cmp_epi32_mask(lanes, value, stored, _MM_CMPINT_LT);
  if constexpr (F == D3DCMP_EQUAL)
    return _mm512_mask_cmp_epi32_mask(lanes, value, stored, _MM_CMPINT_EQ);
  if constexpr (F == D3DCMP_LESSEQUAL)
    return _mm512_mask_cmp_epi32_mask(lanes, value, stored, _MM_CMPINT_LE);
  if constexpr (F == D3DCMP_GREATER)
    return _mm512_mask_cmp_epi32_mask(lanes, value, stored, _MM_CMPINT_NLE);
  if constexpr (F == D3DCMP_NOTEQUAL)
    return _mm512_mask_cmp_epi32_mask(lanes, value, stored, _MM_CMPINT_NE);
  if constexpr (F == D3DCMP_GREATEREQUAL)
    return _mm512_mask_cmp_epi32_mask(lanes, value, stored, _MM_CMPINT_NLT);
  return lanes;
}

QUENNET_AVX512 inline __m512i Ramp16(int32_t origin, int32_t step) {
  return _mm512_add_epi32(
      _mm512_set1_epi32(origin),
      _mm512_mullo_epi32(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                         _mm512_set1_epi32(step)));
}

QUENNET_AVX512 inline __m512i PackPixels16(__m512i b, __m512i g, __m512i r, __m512i a) {
  const __m512i bg = _mm512_packs_epi32(_mm512_srai_epi32(b, 16), _mm512_srai_epi32(g, 16));
  const __m512i ra = _mm512_packs_epi32(_mm512_srai_epi32(r, 16), _mm512_srai_epi32(a, 16));
  const __m512i planar = _mm512_packus_epi16(bg, ra);
  const __m512i order =
      _mm512_broadcast_i32x4(_mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15));
  return _mm512_shuffle_epi8(planar, order);
}

// v · 16 in every lane, wrapping.
QUENNET_AVX512 inline __m512i Times16(int32_t v) {
  return _mm512_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(v) * 16));
}

struct Lanes16 {
  __m512i e0, e1, e2, z, b, g, r, a;
};

QUENNET_AVX512 inline Lanes16 AddLanes16(const Lanes16& x, const Lanes16& d) {
  return {_mm512_add_epi32(x.e0, d.e0), _mm512_add_epi32(x.e1, d.e1), _mm512_add_epi32(x.e2, d.e2),
          _mm512_add_epi32(x.z, d.z),   _mm512_add_epi32(x.b, d.b),   _mm512_add_epi32(x.g, d.g),
          _mm512_add_epi32(x.r, d.r),   _mm512_add_epi32(x.a, d.a)};
}

template <int kDepthBits, DWORD kFunc, bool kWrite>
QUENNET_AVX512 [[gnu::always_inline]] inline uint32_t DrawBlock16(const Lanes16& v,
                                                                  __mmask16 columns,
                                                                  uint8_t* colour, uint8_t* depth) {
  // Inside where all three E − 1 are ≥ 0.
  const __m512i any = _mm512_or_si512(_mm512_or_si512(v.e0, v.e1), v.e2);
  __mmask16 pass = _mm512_mask_cmp_epi32_mask(columns, any, _mm512_setzero_si512(), _MM_CMPINT_NLT);
  if constexpr (kDepthBits == 16) {
    const __m512i value = _mm512_srli_epi32(v.z, 16);
    const __m512i stored =
        _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(depth)));
    pass = DepthPasses16<kFunc>(pass, value, stored);
    if constexpr (kWrite) _mm256_mask_storeu_epi16(depth, pass, _mm512_cvtepi32_epi16(value));
  }
  _mm512_mask_storeu_epi32(colour, pass, PackPixels16(v.b, v.g, v.r, v.a));
  return static_cast<uint32_t>(__builtin_popcount(pass));
}

template <int kDepthBits, DWORD kFunc, bool kWrite>
QUENNET_AVX512 void SmallRows16(const SmallTriangle& t) {
  const PixelState& s = *t.state;
  Lanes16 row{Ramp16(t.edge[0], t.edgeStepX[0]),
              Ramp16(t.edge[1], t.edgeStepX[1]),
              Ramp16(t.edge[2], t.edgeStepX[2]),
              Ramp16(static_cast<int32_t>(t.z), static_cast<int32_t>(t.zStepX)),
              Ramp16(t.colour[0], t.colourStepX[0]),
              Ramp16(t.colour[1], t.colourStepX[1]),
              Ramp16(t.colour[2], t.colourStepX[2]),
              Ramp16(t.colour[3], t.colourStepX[3])};
  const Lanes16 stepY{
      _mm512_set1_epi32(t.edgeStepY[0]),   _mm512_set1_epi32(t.edgeStepY[1]),
      _mm512_set1_epi32(t.edgeStepY[2]),   _mm512_set1_epi32(static_cast<int32_t>(t.zStepY)),
      _mm512_set1_epi32(t.colourStepY[0]), _mm512_set1_epi32(t.colourStepY[1]),
      _mm512_set1_epi32(t.colourStepY[2]), _mm512_set1_epi32(t.colourStepY[3])};
  const Lanes16 stepBlock{Times16(t.edgeStepX[0]),   Times16(t.edgeStepX[1]),
                          Times16(t.edgeStepX[2]),   Times16(static_cast<int32_t>(t.zStepX)),
                          Times16(t.colourStepX[0]), Times16(t.colourStepX[1]),
                          Times16(t.colourStepX[2]), Times16(t.colourStepX[3])};
  const int blocks = t.blocks;
  __mmask16 columns[kSmallMaxBlocks];
  for (int k = 0; k < blocks; ++k) {
    const int before = t.cut ? t.colFirst - (t.blockX + 16 * k) : 0;
    columns[k] = before <= 0
                     ? __mmask16{0xFFFF}
                     : (before >= 16 ? __mmask16{0} : static_cast<__mmask16>(0xFFFFu << before));
  }
  uint32_t written = 0;
  const int colourPitch = s.colourPitch, depthPitch = s.depthPitch;
  uint8_t* colourRow = s.colour + static_cast<size_t>(t.rowFirst) * colourPitch + 4 * t.blockX;
  uint8_t* depthRow =
      kDepthBits ? s.depth + static_cast<size_t>(t.rowFirst) * depthPitch + 2 * t.blockX : nullptr;
  const int rows = t.rowLast - t.rowFirst + 1;
  if (blocks == 1) {
    for (int i = 0; i < rows; ++i) {
      written += DrawBlock16<kDepthBits, kFunc, kWrite>(row, columns[0], colourRow, depthRow);
      row = AddLanes16(row, stepY);
      colourRow += colourPitch;
      if (kDepthBits) depthRow += depthPitch;
    }
  } else {
    for (int i = 0; i < rows; ++i) {
      Lanes16 block = row;
      for (int k = 0; k < blocks; ++k) {
        written += DrawBlock16<kDepthBits, kFunc, kWrite>(block, columns[k], colourRow + 64 * k,
                                                          kDepthBits ? depthRow + 32 * k : nullptr);
        block = AddLanes16(block, stepBlock);
      }
      row = AddLanes16(row, stepY);
      colourRow += colourPitch;
      if (kDepthBits) depthRow += depthPitch;
    }
  }
  *t.written += written;
}

// The drawing for each depth comparison, at one block width.
template <template <int, DWORD, bool> class Rows, int kDepthBits, bool kWrite>
SmallTriangleFn PickByFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER:
      return &Rows<kDepthBits, D3DCMP_NEVER, kWrite>::Draw;
    case D3DCMP_LESS:
      return &Rows<kDepthBits, D3DCMP_LESS, kWrite>::Draw;
    case D3DCMP_EQUAL:
      return &Rows<kDepthBits, D3DCMP_EQUAL, kWrite>::Draw;
    case D3DCMP_LESSEQUAL:
      return &Rows<kDepthBits, D3DCMP_LESSEQUAL, kWrite>::Draw;
    case D3DCMP_GREATER:
      return &Rows<kDepthBits, D3DCMP_GREATER, kWrite>::Draw;
    case D3DCMP_NOTEQUAL:
      return &Rows<kDepthBits, D3DCMP_NOTEQUAL, kWrite>::Draw;
    case D3DCMP_GREATEREQUAL:
      return &Rows<kDepthBits, D3DCMP_GREATEREQUAL, kWrite>::Draw;
    default:
      return &Rows<kDepthBits, D3DCMP_ALWAYS, kWrite>::Draw;
  }
}

template <int kDepthBits, DWORD kFunc, bool kWrite>
struct Rows8 {
  static void Draw(const SmallTriangle& t) { SmallRows<kDepthBits, kFunc, kWrite>(t); }
};
template <int kDepthBits, DWORD kFunc, bool kWrite>
struct Rows16 {
  static void Draw(const SmallTriangle& t) { SmallRows16<kDepthBits, kFunc, kWrite>(t); }
};

template <template <int, DWORD, bool> class Rows>
SmallTriangleFn PickFor(const PixelState& state) {
  switch (state.depthBits) {
    case 0:
      return &Rows<0, D3DCMP_ALWAYS, false>::Draw;
    case 16:
      return state.zWrite ? PickByFunc<Rows, 16, true>(state.zFunc)
                          : PickByFunc<Rows, 16, false>(state.zFunc);
    default:
      return nullptr;
  }
}

}  // namespace

SmallDrawing PickSmallTriangle(const PixelState& state, VectorPath path) {
  static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
  static const bool avx512 = avx2 && __builtin_cpu_supports("avx512f") &&
                             __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vl");
  if (path == VectorPath::kOff || !avx2) return {};
  if (path == VectorPath::kWidest && avx512) {
    const SmallTriangleFn draw = PickFor<Rows16>(state);
    return {draw, draw ? 16 : 0};
  }
  const SmallTriangleFn draw = PickFor<Rows8>(state);
  return {draw, draw ? 8 : 0};
}

#else

SmallDrawing PickSmallTriangle(const PixelState&, VectorPath) {
  return {};
}

#endif

}  // namespace dx::software
