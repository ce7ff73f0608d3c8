// Text of the overlay and the loading screen: bold antialiased glyphs in one
// colour, blended over the buffer's pixels without a background, clipped to
// the buffer. The glyphs come rasterized (and cached) from platform::Font.
#include <algorithm>

#include "Zentra2/buffer.h"
#include "Zentra2/pixel_traits.h"
#include "platform/fonts.h"

namespace {

unsigned Mix(unsigned dst, unsigned src, unsigned a) { return (src * a + dst * (255 - a) + 127) / 255; }

// One pixel `a` / 255 of the way to the colour, channel by channel; the
// bits without colour stay as they are.
template <class Px>
void BlendPixel(uint8_t* row, int32_t x, unsigned r, unsigned g, unsigned b, unsigned a) {
  const uint32_t old = Px::Load(row, x);
  const pixel::RGB c = Px::Split(old);
  Px::Store(row, x, Px::Pack(uint8_t(Mix(c.r, r, a)), uint8_t(Mix(c.g, g, a)), uint8_t(Mix(c.b, b, a))) |
                        (old & Px::NoColour));
}

// Blends one glyph's coverage with its top-left pixel at (x, y).
template <class Px>
void BlendGlyph(TBuffer64& buf, const platform::GlyphBitmap& g, int32_t x, int32_t y, uint8_t r, uint8_t gr,
                uint8_t b) {
  const int32_t x0 = std::max(x, 0), x1 = std::min(x + g.width, buf.Width);
  const int32_t y0 = std::max(y, 0), y1 = std::min(y + g.rows, buf.Height);
  if (x0 >= x1 || y0 >= y1) return;
  for (int32_t py = y0; py < y1; ++py) {
    const uint8_t* cov = g.coverage.data() + size_t(py - y) * size_t(g.width) + size_t(x0 - x);
    uint8_t* row = buf.Rows[size_t(py)];
    for (int32_t px = x0; px < x1; ++px, ++cov)
      if (*cov) BlendPixel<Px>(row, px, r, gr, b, *cov);
  }
}

template <class Px>
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
      BlendGlyph<Px>(buf, glyph, int32_t(left), int32_t(top), r, g, b);
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
  pixel::WithDepth(BitDepth, [&](auto px) { DrawRun<decltype(px)>(*this, *font, x, y, text, r, g, b); });
}
