#include <gtest/gtest.h>

#include <fstream>

#include "Zentra2/buffer.h"
#include "Zentra2/zentra.h"
#include "tests/support/pixels.h"
#include "tests/support/image_files.h"
#include "platform/fonts.h"

namespace {

void WritePixel(TBuffer64& buf, int x, int y, uint32_t v) {
  uint8_t* p = buf.Rows[size_t(y)] + size_t(x) * buf.BytesPerPixel;
  for (int i = 0; i < buf.BytesPerPixel && i < 3; ++i) p[i] = uint8_t(v >> (8 * i));
}

void Fill(TBuffer64& buf, uint32_t v) {
  for (int y = 0; y < buf.Height; ++y)
    for (int x = 0; x < buf.Width; ++x) WritePixel(buf, x, y, v);
}

// Rows [top, bottom) holding pixels at least half covered by white on black.
void InkRows(const TBuffer64& buf, int* top, int* bottom) {
  *top = buf.Height, *bottom = 0;
  for (int y = 0; y < buf.Height; ++y)
    for (int x = 0; x < buf.Width; ++x) {
      uint8_t r, g, b;
      SplitColor(ReadPixel(buf, x, y), r, g, b);
      if (g >= 128) *top = std::min(*top, y), *bottom = std::max(*bottom, y + 1);
    }
}

TEST(Text, DrawsOnlyInsideItsCellAndLeavesTheRestAlone) {
  for (uint8_t depth : kDepths) {
    THeadlessZentra display(64, 48, depth);
    TBuffer64 buf(&display, 200, 60, false);
    buf.SetFont("Verdana", 16);
    const uint32_t background = MakeColor(10, 20, 30);
    Fill(buf, background);
    buf.DrawText(20, 15, "Hello, W\xF6rld! \xC9t\xE9 gjpq", MakeColor(255, 255, 0));
    int changed = 0;
    for (int y = 0; y < buf.Height; ++y)
      for (int x = 0; x < buf.Width; ++x)
        if (ReadPixel(buf, x, y) != background) {
          ++changed;
          // The cell, with a pixel to spare for hinted accents.
          ASSERT_GE(x, 19) << int(depth);
          ASSERT_GE(y, 15 - 1) << int(depth);
          ASSERT_LE(y, 15 + 16) << int(depth);
        }
    EXPECT_GT(changed, 150) << int(depth);
  }
}

TEST(Text, FullyCoveredPixelsTakeTheColourAndEdgesBlendTowardIt) {
  for (uint8_t depth : kDepths) {
    THeadlessZentra display(64, 48, depth);
    TBuffer64 buf(&display, 120, 50, false);
    buf.SetFont("Arial", 40);
    const uint32_t color = MakeColor(200, 100, 50);
    buf.DrawText(4, 2, "HIM", color);
    uint8_t cr, cg, cb;
    SplitColor(color, cr, cg, cb);
    int exact = 0, partial = 0;
    for (int y = 0; y < buf.Height; ++y)
      for (int x = 0; x < buf.Width; ++x) {
        const uint32_t v = ReadPixel(buf, x, y);
        if (v == color) ++exact;
        if (v == 0 || v == color) continue;
        ++partial;
        uint8_t r, g, b;
        SplitColor(v, r, g, b);
        // Between black and the colour, channel by channel.
        ASSERT_LE(r, cr);
        ASSERT_LE(g, cg);
        ASSERT_LE(b, cb);
      }
    EXPECT_GT(exact, 200) << int(depth);
    EXPECT_GT(partial, 10) << int(depth) << ": antialiased edges";
  }
}

TEST(Text, WhiteFromTheFifteenBitValue) {
  THeadlessZentra display(64, 48, 15);
  TBuffer64 buf(&display, 80, 20, false);
  buf.SetFont("Arial", 12);
  buf.DrawText(1, 1, "White", 0x7FFF);
  int white = 0;
  for (int y = 0; y < buf.Height; ++y)
    for (int x = 0; x < buf.Width; ++x) {
      const uint32_t v = ReadPixel(buf, x, y);
      white += v == 0x7FFF;
      ASSERT_EQ(v >> 10, v & 31) << "grey only";
      ASSERT_EQ((v >> 5) & 31, v & 31) << "grey only";
    }
  EXPECT_GT(white, 20);
}

TEST(Text, ClippedAtEveryEdgeWithoutTouchingMemoryOutside) {
  for (uint8_t depth : kDepths) {
    THeadlessZentra display(64, 48, depth);
    TBuffer64 buf(&display, 13, 9, false);
    const int used = 13 * buf.BytesPerPixel;
    for (auto* row : buf.Rows) std::fill(row + used, row + buf.Pitch, 0xAB);
    buf.SetFont("Verdana", 16);
    for (int x : {-30, -5, 0, 6, 12, 13, 400})
      for (int y : {-20, -8, 0, 4, 9, 100}) buf.DrawText(x, y, "MW\xC6 long text", MakeColor(255, 255, 255));
    buf.DrawText(-2147483000, 0, "far left", MakeColor(255, 255, 255));
    buf.DrawText(0, 2147483647, "far below", MakeColor(255, 255, 255));
    buf.DrawText(-2147483647 - 1, -2147483647 - 1, "far above", MakeColor(255, 255, 255));
    buf.DrawText(2147483647, 0, "far right", MakeColor(255, 255, 255));
    for (auto* row : buf.Rows)
      for (int i = used; i < buf.Pitch; ++i) ASSERT_EQ(row[i], 0xAB) << int(depth);
    int lit = 0;
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 13; ++x) lit += ReadPixel(buf, x, y) != 0;
    EXPECT_GT(lit, 30) << int(depth);
  }
}

// Metrics of the faces the substitutes resolve to (units of a 2048 em):
// Liberation Sans Bold: ascent 1854, descent 434, cap height 1409;
// DejaVu Sans Bold: ascent 1901, descent 483, cap height 1493.
TEST(Text, CellHeightFollowsTheWindowsAscentAndDescent) {
  struct Case {
    const char* face;
    int height;
    const char* family;
    double winAscent, winSum, cap;
  } cases[] = {{"Arial", 12, "Liberation Sans", 1854, 1854 + 434, 1409},
               {"Verdana", 16, "DejaVu Sans", 1901, 1901 + 483, 1493}};
  THeadlessZentra display(64, 48, 32);
  for (const Case& c : cases) {
    auto font = platform::Font::Create(c.face, c.height);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->Family(), c.family);
    EXPECT_EQ(font->Style(), "Bold");
    TBuffer64 buf(&display, 40, 40, false);
    buf.SetFont(c.face, c.height);
    buf.DrawText(2, 0, "H", MakeColor(255, 255, 255));
    int top, bottom;
    InkRows(buf, &top, &bottom);
    // The letter stands on the baseline, ascent pixels below the cell's top...
    EXPECT_NEAR(bottom, c.height * c.winAscent / c.winSum, 1.0) << c.face;
    // ...and its height, scaled back through the face's proportions, gives the cell.
    EXPECT_NEAR((bottom - top) * c.winSum / c.cap, c.height, 1.0) << c.face;
  }
}

TEST(Text, DefaultFaceEmptyTextAndLatin1) {
  THeadlessZentra display(64, 48, 24);
  TBuffer64 buf(&display, 60, 30, false);
  ASSERT_FALSE(buf.Font);
  buf.DrawText(0, 0, "", MakeColor(255, 255, 255));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(ReadPixel(buf, x, y), 0u);
  buf.DrawText(0, 0, "Default", MakeColor(255, 255, 255));
  int top, bottom;
  InkRows(buf, &top, &bottom);
  EXPECT_LT(top, bottom) << "a buffer without SetFont still draws";

  // A face the machine does not have still gives a bold sans face.
  auto missing = platform::Font::Create("No Such Face At All", 14);
  ASSERT_TRUE(missing);
  EXPECT_FALSE(missing->Family().empty());
  EXPECT_EQ(missing->Style(), "Bold");
  buf.SetFont("No Such Face At All", 14);
  ASSERT_TRUE(buf.Font);

  // An accented capital reaches higher than the plain one.
  TBuffer64 plain(&display, 30, 30, false), accented(&display, 30, 30, false);
  plain.SetFont("Verdana", 16);
  accented.SetFont("Verdana", 16);
  plain.DrawText(2, 0, "E", MakeColor(255, 255, 255));
  accented.DrawText(2, 0, "\xC9", MakeColor(255, 255, 255));
  int plainTop, accentTop;
  InkRows(plain, &plainTop, &bottom);
  InkRows(accented, &accentTop, &bottom);
  EXPECT_LT(accentTop, plainTop);
}

// Two lines as the overlay and the loading screen draw them, in every
// depth: each face inks only its own line, in exactly the colour asked for
// where the glyphs are solid, and leaves the rest of the buffer alone.
TEST(Text, TwoFacesDrawOnlyTheirOwnLinesInTheirColour) {
  for (uint8_t depth : kDepths) {
    SCOPED_TRACE("depth " + std::to_string(int(depth)));
    THeadlessZentra display(64, 48, depth);
    TBuffer64 buf(&display, 220, 44, false);
    const uint32_t background = MakeColor(24, 28, 64), white = MakeColor(255, 255, 255),
                   amber = MakeColor(255, 200, 80);
    Fill(buf, background);
    buf.SetFont("Arial", 12);
    buf.DrawText(4, 3, "FPS: 50.0  Depth", white);
    buf.SetFont("Verdana", 16);
    buf.DrawText(4, 20, "Loading scenes...", amber);
    int whites = 0, ambers = 0;
    for (int y = 0; y < 44; ++y)
      for (int x = 0; x < 220; ++x) {
        const uint32_t p = ReadPixel(buf, x, y);
        if (p == background) continue;
        ASSERT_GE(x, 4) << y;
        if (y < 20) {
          ASSERT_LT(y, 3 + 15) << x;  // the Arial line's cell
          ASSERT_GE(y, 3) << x;
          whites += p == white;
        } else {
          ambers += p == amber;
        }
        ASSERT_NE(p, y < 20 ? amber : white) << x << ", " << y;
      }
    EXPECT_GT(whites, 30);
    EXPECT_GT(ambers, 30);
  }
}

}  // namespace
