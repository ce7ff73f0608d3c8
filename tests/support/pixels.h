// Reading a buffer straight from its rows, independent of the drawing code,
// and the four depths the tests run in.
#pragma once

#include <cstdint>

#include "Zentra2/buffer.h"

inline constexpr uint8_t kDepths[] = {15, 16, 24, 32};

// The pixel at (x, y) as stored: every byte of it, little-endian. The pixel
// size comes from the depth, not from BytesPerPixel: that one is the pitch
// divided by the width, larger than the pixel in narrow buffers whose rows
// are padded.
inline uint32_t ReadPixel(const TBuffer64& buf, int32_t x, int32_t y) {
  const uint8_t* row = buf.Rows[size_t(y)];
  switch (buf.BitDepth) {
    case 15:
    case 16: {
      const uint8_t* p = row + size_t(x) * 2;
      return uint32_t(p[0] | p[1] << 8);
    }
    case 24: {
      const uint8_t* p = row + size_t(x) * 3;
      return uint32_t(p[0] | p[1] << 8 | p[2] << 16);
    }
    default: {
      const uint8_t* p = row + size_t(x) * 4;
      return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
    }
  }
}
