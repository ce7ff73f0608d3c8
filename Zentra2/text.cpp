// Text of the overlay and the loading screen: bold antialiased glyphs in one
// colour, blended over the buffer's pixels without a background, clipped to
// the buffer. The glyphs come rasterized (and cached) from platform::Font.
#include <algorithm>
#include <cstring>

#include "Zentra2/buffer.h"
#include "platform/fonts.h"

namespace {

// One depth's pixel access in 8-bit channels.
template <int Depth>
struct Pixel;

template <>
struct Pixel<15> {
  static constexpr int kBytes = 2;
  static void Blend(uint8_t* p, unsigned r, unsigned g, unsigned b, unsigned a) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    v = uint16_t(Pack15R[Mix(Expand5[(v >> 10) & 31], r, a)] | Pack15G[Mix(Expand5[(v >> 5) & 31], g, a)] |
                 Pack15B[Mix(Expand5[v & 31], b, a)]);
    std::memcpy(p, &v, 2);
  }
  static unsigned Mix(unsigned dst, unsigned src, unsigned a) { return (src * a + dst * (255 - a) + 127) / 255; }
};

template <>
struct Pixel<16> {
  static constexpr int kBytes = 2;
  static void Blend(uint8_t* p, unsigned r, unsigned g, unsigned b, unsigned a) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    v = uint16_t(Pack16R[Pixel<15>::Mix(Expand5[(v >> 11) & 31], r, a)] |
                 Pack16G[Pixel<15>::Mix(Expand6[(v >> 5) & 63], g, a)] |
                 Pack16B[Pixel<15>::Mix(Expand5[v & 31], b, a)]);
    std::memcpy(p, &v, 2);
  }
};

template <>
struct Pixel<24> {
  static constexpr int kBytes = 3;
  static void Blend(uint8_t* p, unsigned r, unsigned g, unsigned b, unsigned a) {
    p[0] = uint8_t(Pixel<15>::Mix(p[0], b, a));
    p[1] = uint8_t(Pixel<15>::Mix(p[1], g, a));
    p[2] = uint8_t(Pixel<15>::Mix(p[2], r, a));
  }
};

// Byte 3 carries no colour and is left as it is.
template <>
struct Pixel<32> : Pixel<24> {
  static constexpr int kBytes = 4;
};


// Blends one glyph's coverage with its top-left pixel at (x, y).
template <int Depth>
void BlendGlyph(TBuffer64& buf, const platform::GlyphBitmap& g, int32_t x, int32_t y, uint8_t r, uint8_t gr,
                uint8_t b) {
  const int32_t x0 = std::max(x, 0), x1 = std::min(x + g.width, buf.Width);
  const int32_t y0 = std::max(y, 0), y1 = std::min(y + g.rows, buf.Height);
  if (x0 >= x1 || y0 >= y1) return;
  for (int32_t py = y0; py < y1; ++py) {
    const uint8_t* cov = g.coverage.data() + size_t(py - y) * size_t(g.width) + size_t(x0 - x);
    uint8_t* dst = buf.Rows[size_t(py)] + size_t(x0) * Pixel<Depth>::kBytes;
    for (int32_t px = x0; px < x1; ++px, ++cov, dst += Pixel<Depth>::kBytes)
      if (*cov) Pixel<Depth>::Blend(dst, r, gr, b, *cov);
  }
}

template <int Depth>
void DrawRun(TBuffer64& buf, platform::Font& font, int32_t x, int32_t y, const std::string& text, uint8_t r,
             uint8_t g, uint8_t b) {
  // 64-bit positions: a text far outside the buffer must not overflow.
  const int64_t baseline = int64_t(y) + font.Ascent();
  int64_t pen = x;
  for (unsigned char ch : text) {
    if (pen > buf.Width) break;  // everything further right is clipped away
    const platform::GlyphBitmap& glyph = font.Glyph(ch);
    const int64_t left = pen + glyph.left, top = baseline - glyph.top;
    if (!glyph.coverage.empty() && left > -int64_t(glyph.width) && left < buf.Width && top > -int64_t(glyph.rows) &&
        top < buf.Height)
      BlendGlyph<Depth>(buf, glyph, int32_t(left), int32_t(top), r, g, b);
    pen += glyph.advance;
  }
}

}  // namespace

void TBuffer64::SetFont(const std::string& faceName, int32_t height) {
  // Replaces (and so frees) the previous font. A face that cannot be had
  // leaves none: text then comes in the default face.
  Font = platform::Font::Create(faceName, height);
}

void TBuffer64::DrawText(int32_t x, int32_t y, const std::string& text, uint32_t color) {
  if (!Surface || text.empty() || Rows.empty()) return;
  platform::Font* font = Font ? Font.get() : platform::Font::Default().get();
  if (!font) return;
  uint8_t r = 0, g = 0, b = 0;
  SplitColor(color, r, g, b);
  switch (BitDepth) {
    case 15: DrawRun<15>(*this, *font, x, y, text, r, g, b); break;
    case 16: DrawRun<16>(*this, *font, x, y, text, r, g, b); break;
    case 24: DrawRun<24>(*this, *font, x, y, text, r, g, b); break;
    case 32: DrawRun<32>(*this, *font, x, y, text, r, g, b); break;
    default: break;
  }
}
