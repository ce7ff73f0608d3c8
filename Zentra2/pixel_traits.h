// One traits struct per pixel depth: how a pixel is loaded from and stored
// into a row, how its channels are found, and the masks the packed kernels
// work with. Kernels are templates over these, chosen by one switch on the
// depth outside the row loop.
#pragma once

#include <cstdint>
#include <cstring>

#include "Zentra2/buffer.h"

namespace pixel {

inline uint16_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store16(uint8_t* p, uint32_t v) {
  uint16_t w = uint16_t(v);
  std::memcpy(p, &w, 2);
}
inline uint32_t Load24(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }
inline void Store24(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
}
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// 8-bit channels of one pixel.
struct RGB {
  uint32_t r, g, b;
};

// 0RRRRRGGGGGBBBBB
struct Px15 {
  static constexpr int Depth = 15, Bytes = 2;
  static constexpr uint32_t RMask = 0x7C00, GMask = 0x03E0, BMask = 0x001F;
  static constexpr uint32_t RCarry = 0x8000, GCarry = 0x0400, BCarry = 0x0020;
  static constexpr uint32_t AlphaSpread = 0x03E07C1F;  // green moved to the high half
  static constexpr uint32_t FastBlurMask = 0x739C;     // top three bits of each field
  static constexpr uint32_t RedOnly = 0x7C00;
  static uint32_t Load(const uint8_t* row, int32_t x) { return Load16(row + 2 * x); }
  static void Store(uint8_t* row, int32_t x, uint32_t v) { Store16(row + 2 * x, v); }
  static RGB Split(uint32_t p) { return {Expand5[(p >> 10) & 31], Expand5[(p >> 5) & 31], Expand5[p & 31]}; }
  static uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) { return Pack15R[r] | Pack15G[g] | Pack15B[b]; }
};

// RRRRRGGGGGGBBBBB
struct Px16 {
  static constexpr int Depth = 16, Bytes = 2;
  static constexpr uint32_t RMask = 0xF800, GMask = 0x07E0, BMask = 0x001F;
  static constexpr uint32_t RCarry = 0x10000, GCarry = 0x0800, BCarry = 0x0020;
  static constexpr uint32_t AlphaSpread = 0x07E0F81F;
  static constexpr uint32_t FastBlurMask = 0xE71C;
  static constexpr uint32_t RedOnly = 0xF800;
  static uint32_t Load(const uint8_t* row, int32_t x) { return Load16(row + 2 * x); }
  static void Store(uint8_t* row, int32_t x, uint32_t v) { Store16(row + 2 * x, v); }
  static RGB Split(uint32_t p) { return {Expand5[(p >> 11) & 31], Expand6[(p >> 5) & 63], Expand5[p & 31]}; }
  static uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) { return Pack16R[r] | Pack16G[g] | Pack16B[b]; }
};

// bytes B, G, R
struct Px24 {
  static constexpr int Depth = 24, Bytes = 3;
  static constexpr uint32_t FastBlurMask = 0xFCFCFC;
  static constexpr uint32_t KeyMask = 0xFFFFFF;
  static uint32_t Load(const uint8_t* row, int32_t x) { return Load24(row + 3 * x); }
  static void Store(uint8_t* row, int32_t x, uint32_t v) { Store24(row + 3 * x, v); }
  static RGB Split(uint32_t p) { return {(p >> 16) & 255, (p >> 8) & 255, p & 255}; }
  static uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16; }
};

// bytes B, G, R and one byte without colour
struct Px32 {
  static constexpr int Depth = 32, Bytes = 4;
  static constexpr uint32_t FastBlurMask = 0xFCFCFC;
  static constexpr uint32_t KeyMask = 0xFFFFFF;
  static uint32_t Load(const uint8_t* row, int32_t x) { return Load32(row + 4 * x); }
  static void Store(uint8_t* row, int32_t x, uint32_t v) { Store32(row + 4 * x, v); }
  static RGB Split(uint32_t p) { return {(p >> 16) & 255, (p >> 8) & 255, p & 255}; }
  static uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16; }
};

// Bytes per pixel of a buffer depth; 0 for a depth no kernel draws.
constexpr int BytesOfDepth(int32_t depth) {
  return depth == 15 || depth == 16 ? 2 : depth == 24 ? 3 : depth == 32 ? 4 : 0;
}

// True when the buffer has pixels and a row table that covers them.
inline bool HasRows(const TBuffer64& b) { return b.Width > 0 && b.Height > 0 && b.Rows.size() >= size_t(b.Height); }

// Calls f(PxN{}) for the traits of `depth`; nothing for other depths.
template <class F>
void WithDepth(int32_t depth, F&& f) {
  switch (depth) {
    case 15: f(Px15{}); break;
    case 16: f(Px16{}); break;
    case 24: f(Px24{}); break;
    case 32: f(Px32{}); break;
    default: break;
  }
}

}  // namespace pixel
