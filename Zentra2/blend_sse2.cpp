// SSE2 row kernels. Each loop covers the whole vectors of a row; the caller's
// plain kernel does what is left, so the two never disagree on a tail.
#include "Zentra2/blend_simd.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <bit>
#include <type_traits>

#include "platform/pixel_format.h"

namespace simd {

namespace {

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store(uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// Byte-wise d + floor((s - d) * a / 256), written as (s * a + d * (256 - a)) / 256
// so every product and sum stays within an unsigned 16-bit lane (at most 255 * 256).
inline __m128i BlendBytes(__m128i s, __m128i d, __m128i a, __m128i na) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), a), _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), na));
  __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), a), _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), na));
  return _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8));
}

template <class Op>
inline int32_t ByteStream(uint8_t* d, const uint8_t* s, int32_t bytes, Op op) {
  int32_t i = 0;
  for (; i + 32 <= bytes; i += 32) {
    __m128i r0 = op(Load(d + i), Load(s + i));
    __m128i r1 = op(Load(d + i + 16), Load(s + i + 16));
    Store(d + i, r0);
    Store(d + i + 16, r1);
  }
  for (; i + 16 <= bytes; i += 16) Store(d + i, op(Load(d + i), Load(s + i)));
  return i;
}

// Two-byte pixels: every field moved to the top of its 16-bit lane, so the
// unsigned saturating lane operations clamp each field on its own.
template <int Depth>
struct Fields {
  using Px = std::conditional_t<Depth == 16, platform::pixel::Px16, platform::pixel::Px15>;
  static constexpr uint16_t RMask = Px::RMask, GMask = Px::GMask;
  static constexpr int GBits = std::popcount(GMask);
  static constexpr int RPos = std::countr_zero(RMask);
  static constexpr int GShift = 16 - (5 + GBits);  // green to the top
  static constexpr int RShift = 16 - (RPos + 5);   // red to the top
};

template <int Depth, bool Add>
int32_t Saturate16(uint8_t* d, const uint8_t* s, int32_t n) {
  using F = Fields<Depth>;
  const __m128i rm = _mm_set1_epi16(int16_t(F::RMask)), gm = _mm_set1_epi16(int16_t(F::GMask));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i sv = Load(s + 2 * i), dv = Load(d + 2 * i);
    __m128i sr = _mm_slli_epi16(_mm_and_si128(sv, rm), F::RShift), dr = _mm_slli_epi16(_mm_and_si128(dv, rm), F::RShift);
    __m128i sg = _mm_slli_epi16(_mm_and_si128(sv, gm), F::GShift), dg = _mm_slli_epi16(_mm_and_si128(dv, gm), F::GShift);
    __m128i sb = _mm_slli_epi16(sv, 11), db = _mm_slli_epi16(dv, 11);
    __m128i r, g, b;
    if constexpr (Add) {
      r = _mm_adds_epu16(dr, sr);
      g = _mm_adds_epu16(dg, sg);
      b = _mm_adds_epu16(db, sb);
    } else {
      r = _mm_subs_epu16(dr, sr);
      g = _mm_subs_epu16(dg, sg);
      b = _mm_subs_epu16(db, sb);
    }
    r = _mm_and_si128(_mm_srli_epi16(r, F::RShift), rm);
    g = _mm_and_si128(_mm_srli_epi16(g, F::GShift), gm);
    b = _mm_srli_epi16(b, 11);
    Store(d + 2 * i, _mm_or_si128(_mm_or_si128(r, g), b));
  }
  return i;
}

// Per field (s * a + d * (32 - a)) / 32 = d + floor((s - d) * a / 32); at most 63 * 32.
template <int Depth>
inline __m128i Blend16(__m128i sv, __m128i dv, __m128i a, __m128i na) {
  using F = Fields<Depth>;
  const __m128i five = _mm_set1_epi16(31), gmask = _mm_set1_epi16(int16_t((1 << F::GBits) - 1));
  auto mix = [&](__m128i sf, __m128i df) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(sf, a), _mm_mullo_epi16(df, na)), 5);
  };
  __m128i r = mix(_mm_and_si128(_mm_srli_epi16(sv, F::RPos), five), _mm_and_si128(_mm_srli_epi16(dv, F::RPos), five));
  __m128i g = mix(_mm_and_si128(_mm_srli_epi16(sv, 5), gmask), _mm_and_si128(_mm_srli_epi16(dv, 5), gmask));
  __m128i b = mix(_mm_and_si128(sv, five), _mm_and_si128(dv, five));
  return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, F::RPos), _mm_slli_epi16(g, 5)), b);
}

template <int Depth, bool Keyed>
int32_t AlphaRows16(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha5, uint32_t key) {
  const __m128i a = _mm_set1_epi16(int16_t(alpha5)), na = _mm_set1_epi16(int16_t(32 - alpha5));
  const __m128i k = _mm_set1_epi16(int16_t(uint16_t(key)));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i sv = Load(s + 2 * i), dv = Load(d + 2 * i);
    __m128i r = Blend16<Depth>(sv, dv, a, na);
    if constexpr (Keyed) {
      __m128i hit = _mm_cmpeq_epi16(sv, k);
      r = _mm_or_si128(_mm_and_si128(hit, dv), _mm_andnot_si128(hit, r));
    }
    Store(d + 2 * i, r);
  }
  return i;
}

}  // namespace

int32_t AddBytes(uint8_t* d, const uint8_t* s, int32_t bytes) {
  return ByteStream(d, s, bytes, [](__m128i dv, __m128i sv) { return _mm_adds_epu8(dv, sv); });
}

int32_t SubBytes(uint8_t* d, const uint8_t* s, int32_t bytes) {
  return ByteStream(d, s, bytes, [](__m128i dv, __m128i sv) { return _mm_subs_epu8(dv, sv); });
}

int32_t XorBytes(uint8_t* d, const uint8_t* s, int32_t bytes) {
  return ByteStream(d, s, bytes, [](__m128i dv, __m128i sv) { return _mm_xor_si128(dv, sv); });
}

int32_t InvertBytes(uint8_t* d, int32_t bytes) {
  const __m128i ones = _mm_set1_epi32(-1);
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16) Store(d + i, _mm_xor_si128(Load(d + i), ones));
  return i;
}

int32_t AlphaBytes(uint8_t* d, const uint8_t* s, int32_t bytes, uint32_t alpha) {
  const __m128i a = _mm_set1_epi16(int16_t(alpha)), na = _mm_set1_epi16(int16_t(256 - alpha));
  return ByteStream(d, s, bytes, [&](__m128i dv, __m128i sv) { return BlendBytes(sv, dv, a, na); });
}

int32_t Alpha32(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha) {
  const __m128i a = _mm_set1_epi16(int16_t(alpha)), na = _mm_set1_epi16(int16_t(256 - alpha));
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);  // byte 3 becomes 0
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) Store(d + 4 * i, _mm_and_si128(BlendBytes(Load(s + 4 * i), Load(d + 4 * i), a, na), colour));
  return i;
}

int32_t AlphaKeyed32(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha, uint32_t key) {
  const __m128i a = _mm_set1_epi16(int16_t(alpha)), na = _mm_set1_epi16(int16_t(256 - alpha));
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
  const __m128i k = _mm_set1_epi32(int32_t(key & 0x00FFFFFF));
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    __m128i sv = Load(s + 4 * i), dv = Load(d + 4 * i);
    __m128i r = _mm_and_si128(BlendBytes(sv, dv, a, na), colour);
    __m128i hit = _mm_cmpeq_epi32(_mm_and_si128(sv, colour), k);
    Store(d + 4 * i, _mm_or_si128(_mm_and_si128(hit, dv), _mm_andnot_si128(hit, r)));
  }
  return i;
}

int32_t Masked32(uint8_t* d, const uint8_t* s, int32_t n) {
  const __m128i red = _mm_set1_epi32(0x00FF0000);
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) Store(d + 4 * i, _mm_and_si128(Load(s + 4 * i), red));
  return i;
}

int32_t Fill32(uint8_t* d, int32_t n, uint32_t color) {
  const __m128i c = _mm_set1_epi32(int32_t(color));
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    Store(d + 4 * i, c);
    Store(d + 4 * i + 16, c);
  }
  for (; i + 4 <= n; i += 4) Store(d + 4 * i, c);
  return i;
}

int32_t Add16(uint8_t* d, const uint8_t* s, int32_t n, int depth) {
  return depth == 15 ? Saturate16<15, true>(d, s, n) : Saturate16<16, true>(d, s, n);
}

int32_t Sub16(uint8_t* d, const uint8_t* s, int32_t n, int depth) {
  return depth == 15 ? Saturate16<15, false>(d, s, n) : Saturate16<16, false>(d, s, n);
}

int32_t Alpha16(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha5, int depth) {
  return depth == 15 ? AlphaRows16<15, false>(d, s, n, alpha5, 0) : AlphaRows16<16, false>(d, s, n, alpha5, 0);
}

int32_t AlphaKeyed16(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha5, uint32_t key, int depth) {
  // A key with bits above the pixel's 16 never matches: plain blending then.
  if (key > 0xFFFF) return Alpha16(d, s, n, alpha5, depth);
  return depth == 15 ? AlphaRows16<15, true>(d, s, n, alpha5, key) : AlphaRows16<16, true>(d, s, n, alpha5, key);
}

}  // namespace simd

#endif
