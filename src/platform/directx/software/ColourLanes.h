// Four colour channels in one SSE2 register (lanes b, g, r, a), 16.16 fixed point, stepping
// together across a row. Their arithmetic wraps modulo 2^32 (only values inside a triangle
// need come out right), and packing saturates each to a byte of 0xAARRGGBB. SSE2 is part of
// every x86-64 processor, the device's baseline.
#pragma once

#include <emmintrin.h>

#include <cstdint>

namespace dx::software {

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

}  // namespace dx::software
