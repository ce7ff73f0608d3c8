// Small helpers shared by the kernel tests: raw pixel access by depth and a
// random source whose bytes lean towards 0 and 255, where saturation and
// carries go wrong.
#pragma once

#include <cstdint>
#include <random>

#include "Zentra2/buffer.h"
#include "Zentra2/cpu.h"
#include "Zentra2/pixel_traits.h"

namespace kt {

constexpr uint8_t kDepths[] = {15, 16, 24, 32};

inline int BytesOf(const TBuffer64& b) { return pixel::BytesOfDepth(b.BitDepth); }

inline uint32_t Px(const TBuffer64& b, int x, int y) {
  const uint8_t* p = b.Rows[size_t(y)] + x * BytesOf(b);
  switch (BytesOf(b)) {
    case 2: return pixel::Load16(p);
    case 3: return pixel::Load24(p);
    default: return pixel::Load32(p);
  }
}

inline void SetPx(TBuffer64& b, int x, int y, uint32_t v) {
  uint8_t* p = b.Rows[size_t(y)] + x * BytesOf(b);
  switch (BytesOf(b)) {
    case 2: pixel::Store16(p, v); break;
    case 3: pixel::Store24(p, v); break;
    default: pixel::Store32(p, v); break;
  }
}

inline void Fill(TBuffer64& b, uint32_t v) {
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) SetPx(b, x, y, v);
}

// Bytes: a quarter 0, a quarter 255, the rest anything.
struct Biased {
  std::mt19937 rng;
  explicit Biased(uint32_t seed) : rng(seed) {}
  uint8_t Byte() {
    uint32_t r = rng();
    switch (r & 3) {
      case 0: return 0;
      case 1: return 255;
      default: return uint8_t(r >> 8);
    }
  }
  int Range(int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); }
  // Every byte of every row, padding included.
  void FillBytes(TBuffer64& b) {
    for (int y = 0; y < b.Height; ++y)
      for (int i = 0; i < b.Pitch; ++i) b.Rows[size_t(y)][i] = Byte();
  }
};

// Restores UseMMX when a test is done with it.
struct VectorFlag {
  bool saved = UseMMX;
  ~VectorFlag() { UseMMX = saved; }
};

}  // namespace kt
