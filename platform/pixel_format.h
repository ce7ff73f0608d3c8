// The four pixel layouts, keyed by their depth (15, 16, 24, 32): how a pixel
// is loaded from and stored into a row, packed from and split into 8-bit
// channels, and how a display describes the layout (bits per pixel and green
// mask). Surfaces, the display, buffers, text, image loading and the kernels
// all use this one vocabulary; none packs or splits a pixel by itself.
//
// Kernels are templates over the traits structs, chosen by one switch on the
// depth (WithDepth) outside the row loop.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform::pixel {

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

// Channel packing for the two-byte depths (the channel's high bits moved to
// its field), and 5- and 6-bit channels stretched back to 0..255
// (floor(v * 255 / 31) and floor(v * 255 / 63)).
namespace tables {
constexpr std::array<uint16_t, 256> Pack(int shift, int pos) {
  std::array<uint16_t, 256> t{};
  for (int v = 0; v < 256; ++v) t[size_t(v)] = uint16_t((v >> shift) << pos);
  return t;
}
template <size_t N>
constexpr std::array<uint8_t, N> Expand() {
  std::array<uint8_t, N> t{};
  for (size_t v = 0; v < N; ++v) t[v] = uint8_t(v * 255 / (N - 1));
  return t;
}
}  // namespace tables

inline constexpr std::array<uint16_t, 256> Pack15R = tables::Pack(3, 10), Pack15G = tables::Pack(3, 5),
                                           Pack15B = tables::Pack(3, 0);
inline constexpr std::array<uint16_t, 256> Pack16R = tables::Pack(3, 11), Pack16G = tables::Pack(2, 5),
                                           Pack16B = tables::Pack(3, 0);
inline constexpr std::array<uint8_t, 32> Expand5 = tables::Expand<32>();
inline constexpr std::array<uint8_t, 64> Expand6 = tables::Expand<64>();

// 8-bit channels of one pixel.
struct RGB {
  uint32_t r, g, b;
};

// Every layout: Depth, Bytes (per pixel), the layout as a display reports it
// (BitCount, GreenMask), Mask (the bits a stored pixel holds), NoColour (the
// stored bits that carry no colour, which writes of a colour leave alone),
// Load, Store, Split and Pack. The two-byte ones add their fields' masks and
// carry bits for the packed kernels.

// 0RRRRRGGGGGBBBBB
struct Px15 {
  static constexpr int Depth = 15, Bytes = 2;
  static constexpr uint32_t BitCount = 16, GreenMask = 0x03E0;
  static constexpr uint32_t Mask = 0xFFFF, NoColour = 0;
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
  static constexpr uint32_t BitCount = 16, GreenMask = 0x07E0;
  static constexpr uint32_t Mask = 0xFFFF, NoColour = 0;
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
  static constexpr uint32_t BitCount = 24, GreenMask = 0xFF00;
  static constexpr uint32_t Mask = 0xFFFFFF, NoColour = 0;
  static constexpr uint32_t FastBlurMask = 0xFCFCFC;
  static constexpr uint32_t KeyMask = 0xFFFFFF;
  static constexpr uint32_t RedOnly = 0xFF0000;
  static uint32_t Load(const uint8_t* row, int32_t x) { return Load24(row + 3 * x); }
  static void Store(uint8_t* row, int32_t x, uint32_t v) { Store24(row + 3 * x, v); }
  static RGB Split(uint32_t p) { return {(p >> 16) & 255, (p >> 8) & 255, p & 255}; }
  static uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16; }
};

// bytes B, G, R and one byte without colour
struct Px32 {
  static constexpr int Depth = 32, Bytes = 4;
  static constexpr uint32_t BitCount = 32, GreenMask = 0xFF00;
  static constexpr uint32_t Mask = 0xFFFFFFFF, NoColour = 0xFF000000;
  static constexpr uint32_t FastBlurMask = 0xFCFCFC;
  static constexpr uint32_t KeyMask = 0xFFFFFF;
  static constexpr uint32_t RedOnly = 0xFF0000;
  static uint32_t Load(const uint8_t* row, int32_t x) { return Load32(row + 4 * x); }
  static void Store(uint8_t* row, int32_t x, uint32_t v) { Store32(row + 4 * x, v); }
  static RGB Split(uint32_t p) { return {(p >> 16) & 255, (p >> 8) & 255, p & 255}; }
  static uint32_t Pack(uint8_t r, uint8_t g, uint8_t b) { return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16; }
};

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

constexpr bool SupportedDepth(int32_t depth) { return depth == 15 || depth == 16 || depth == 24 || depth == 32; }

// Bytes per pixel of a depth; 0 for a depth no kernel draws.
constexpr int BytesOfDepth(int32_t depth) {
  return depth == 15 || depth == 16 ? 2 : depth == 24 ? 3 : depth == 32 ? 4 : 0;
}

// A layout as a display describes it: bits per pixel (16 for both two-byte
// layouts, 32 for the four-byte one) and the mask of its green bits.
struct Layout {
  uint32_t bitCount = 0, greenMask = 0;
};

// The description of a supported depth; {0, 0} for others.
constexpr Layout LayoutOf(int32_t depth) {
  switch (depth) {
    case 15: return {Px15::BitCount, Px15::GreenMask};
    case 16: return {Px16::BitCount, Px16::GreenMask};
    case 24: return {Px24::BitCount, Px24::GreenMask};
    case 32: return {Px32::BitCount, Px32::GreenMask};
    default: return {};
  }
}

// The depth a description stands for: its bits per pixel, except that a
// 5-bit green is the 15-bit layout. Unsupported bit counts come back as they
// are, for the caller to refuse.
constexpr int32_t DepthOf(Layout layout) {
  return layout.greenMask == Px15::GreenMask ? 15 : int32_t(layout.bitCount);
}

}  // namespace platform::pixel
