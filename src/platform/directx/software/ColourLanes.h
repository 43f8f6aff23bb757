// Four colour channels in one vector register (lanes b, g, r, a), 16.16 fixed point, stepping
// together across a row. Their arithmetic wraps modulo 2^32 (only values inside a triangle
// need come out right), and packing saturates each to a byte of 0xAARRGGBB. SSE2 is part of
// every x86-64 processor, the device's baseline there; elsewhere the same in GCC's vector
// extensions (one NEON register on ARM64).
#pragma once

#if defined(__x86_64__)
#include <emmintrin.h>
#else
#include <cstring>
#endif

#include <cstdint>

namespace dx::software {

#if defined(__x86_64__)

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

typedef int32_t Lanes __attribute__((vector_size(16)));
typedef uint32_t UnsignedLanes __attribute__((vector_size(16)));

// Sums and products in unsigned lanes, which wrap.
inline Lanes Add(Lanes x, Lanes y) {
  return reinterpret_cast<Lanes>(reinterpret_cast<UnsignedLanes>(x) +
                                 reinterpret_cast<UnsignedLanes>(y));
}
inline Lanes LoadLanes(const int32_t* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline Lanes Mul(Lanes x, int32_t k) {
  return reinterpret_cast<Lanes>(reinterpret_cast<UnsignedLanes>(x) * static_cast<uint32_t>(k));
}
// Saturating to 16 bits and then to an unsigned byte is clamping to 0..255.
inline uint32_t Pack(Lanes c) {
  Lanes v = c >> 16;
  v = v < 0 ? Lanes{} : v;
  v = v > 255 ? Lanes{} + 255 : v;
  const UnsignedLanes u = reinterpret_cast<UnsignedLanes>(v);
  return u[0] | (u[1] << 8) | (u[2] << 16) | (u[3] << 24);
}

#endif

}  // namespace dx::software
