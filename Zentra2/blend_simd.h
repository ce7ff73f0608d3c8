// Vector row kernels (SSE2) behind UseMMX. Each one handles the leading part
// of a row that fills whole vectors and returns how many pixels (or bytes,
// for the byte-stream kernels) it did; the plain kernel finishes the rest.
// Every result is byte for byte the plain kernel's.
#pragma once

#include <cstdint>

namespace simd {

#if defined(__SSE2__)
constexpr bool Available = true;

// Byte streams: saturating add and subtract, xor, complement, per-byte blend
// d + floor((s - d) * a / 256).
int32_t AddBytes(uint8_t* d, const uint8_t* s, int32_t bytes);
int32_t SubBytes(uint8_t* d, const uint8_t* s, int32_t bytes);
int32_t XorBytes(uint8_t* d, const uint8_t* s, int32_t bytes);
int32_t InvertBytes(uint8_t* d, int32_t bytes);
int32_t AlphaBytes(uint8_t* d, const uint8_t* s, int32_t bytes, uint32_t alpha);

// Depth 32 pixels.
int32_t Alpha32(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha);
int32_t AlphaKeyed32(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha, uint32_t key);
int32_t Masked32(uint8_t* d, const uint8_t* s, int32_t n);
int32_t Fill32(uint8_t* d, int32_t n, uint32_t color);

// Two-byte depths; `depth` is 15 or 16.
int32_t Add16(uint8_t* d, const uint8_t* s, int32_t n, int depth);
int32_t Sub16(uint8_t* d, const uint8_t* s, int32_t n, int depth);
int32_t Alpha16(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha5, int depth);
int32_t AlphaKeyed16(uint8_t* d, const uint8_t* s, int32_t n, uint32_t alpha5, uint32_t key, int depth);
#else
constexpr bool Available = false;
inline int32_t AddBytes(uint8_t*, const uint8_t*, int32_t) { return 0; }
inline int32_t SubBytes(uint8_t*, const uint8_t*, int32_t) { return 0; }
inline int32_t XorBytes(uint8_t*, const uint8_t*, int32_t) { return 0; }
inline int32_t InvertBytes(uint8_t*, int32_t) { return 0; }
inline int32_t AlphaBytes(uint8_t*, const uint8_t*, int32_t, uint32_t) { return 0; }
inline int32_t Alpha32(uint8_t*, const uint8_t*, int32_t, uint32_t) { return 0; }
inline int32_t AlphaKeyed32(uint8_t*, const uint8_t*, int32_t, uint32_t, uint32_t) { return 0; }
inline int32_t Masked32(uint8_t*, const uint8_t*, int32_t) { return 0; }
inline int32_t Fill32(uint8_t*, int32_t, uint32_t) { return 0; }
inline int32_t Add16(uint8_t*, const uint8_t*, int32_t, int) { return 0; }
inline int32_t Sub16(uint8_t*, const uint8_t*, int32_t, int) { return 0; }
inline int32_t Alpha16(uint8_t*, const uint8_t*, int32_t, uint32_t, int) { return 0; }
inline int32_t AlphaKeyed16(uint8_t*, const uint8_t*, int32_t, uint32_t, uint32_t, int) { return 0; }
#endif

}  // namespace simd
