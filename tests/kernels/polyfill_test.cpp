#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <initializer_list>
#include <vector>

#include "Zentra2/zentra.h"
#include "test_util.h"

using namespace kt;

namespace {

struct Canvas {
  THeadlessZentra display;
  TBuffer64 buf;
  Canvas(uint8_t depth, int w, int h) : display(16, 16, depth), buf(&display, w, h, false) {}
  TBuffer64 Make(int w, int h) { return TBuffer64(&display, w, h, false); }
};

TPolyVertex V(float x, float y, uint32_t color = 0, float u = 0, float v = 0) {
  TPolyVertex p;
  p.X = x, p.Y = y, p.Color = color, p.U = u, p.V = v;
  return p;
}

int CountLit(const TBuffer64& b) {
  int n = 0;
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) n += Px(b, x, y) != 0;
  return n;
}

int RowLit(const TBuffer64& b, int y) {
  int n = 0;
  for (int x = 0; x < b.Width; ++x) n += Px(b, x, y) != 0;
  return n;
}

TEST(Fillers, FlatRowsAndTheSharedEdge) {
  for (uint8_t depth : kDepths) {
    Canvas top(depth, 10, 10), bottom(depth, 10, 10);
    // Two triangles meeting at row 4: that row belongs to the lower one.
    std::vector<TPolyVertex> a = {V(1, 0), V(8, 4), V(1, 4)}, b = {V(1, 4), V(8, 4), V(1, 8)};
    top.buf.FillPoly(a.data(), 3, 1);
    bottom.buf.FillPoly(b.data(), 3, 1);
    EXPECT_EQ(RowLit(top.buf, 4), 0);
    EXPECT_GT(RowLit(top.buf, 3), 0);
    EXPECT_GT(RowLit(bottom.buf, 4), 0);
    EXPECT_EQ(RowLit(bottom.buf, 8), 0);
    // Rows from ceil(minY) to ceil(maxY) - 1; both span ends are filled.
    Canvas q(depth, 10, 10);
    std::vector<TPolyVertex> quad = {V(2.5f, 1.2f), V(6, 1.2f), V(6, 3.0f), V(2.5f, 3.0f)};
    q.buf.FillPoly(quad.data(), 4, 1);
    EXPECT_EQ(RowLit(q.buf, 1), 0);
    EXPECT_EQ(RowLit(q.buf, 2), 5);  // columns 2..6: trunc(2.5) and 6
    EXPECT_EQ(RowLit(q.buf, 3), 0);
    EXPECT_EQ(CountLit(q.buf), 5);
  }
}

TEST(Fillers, DegenerateCounts) {
  for (uint8_t depth : kDepths) {
    Canvas c(depth, 8, 8);
    std::vector<TPolyVertex> flat = {V(0, 3, 0xFF), V(7, 3, 0xFF), V(4, 3, 0xFF)};
    c.buf.FillPoly(flat.data(), 3, 1);
    c.buf.GouraudPoly(flat.data(), 3);
    std::vector<TPolyVertex> tri = {V(1, 1), V(6, 2), V(2, 6)};
    c.buf.FillPoly(tri.data(), 1, 1);
    c.buf.FillPoly(tri.data(), 0, 1);
    c.buf.FillPoly(nullptr, 3, 1);
    EXPECT_EQ(CountLit(c.buf), 0);
    // Count 2: a one-pixel-wide line for the flat filler, nothing for the others.
    std::vector<TPolyVertex> seg = {V(3, 1, 0xFFFFFF, 0, 0), V(3, 5, 0xFFFFFF, 0, 4)};
    TBuffer64 tex = c.Make(4, 4);
    Fill(tex, 1);
    c.buf.GouraudPoly(seg.data(), 2);
    c.buf.TexturePoly(&tex, seg.data(), 2);
    EXPECT_EQ(CountLit(c.buf), 0);
    c.buf.FillPoly(seg.data(), 2, 1);
    EXPECT_EQ(CountLit(c.buf), 4);
    EXPECT_EQ(RowLit(c.buf, 1), 1);
    EXPECT_EQ(RowLit(c.buf, 5), 0);
  }
}

TEST(Fillers, GouraudSteps) {
  for (uint8_t depth : kDepths) {
    Canvas c(depth, 8, 3);
    // Blue 0 on the left, 128 on the right: four steps of 32, both ends drawn.
    uint32_t left = MakeColor(0, 0, 0), right = MakeColor(0, 0, 128);
    std::vector<TPolyVertex> quad = {V(0, 0, left), V(4, 0, right), V(4, 2, right), V(0, 2, left)};
    c.buf.GouraudPoly(quad.data(), 4);
    for (int x = 0; x < 8; ++x) {
      uint32_t want = x <= 4 ? MakeColor(0, 0, uint8_t(32 * x)) : 0;
      EXPECT_EQ(Px(c.buf, x, 0), want) << int(depth) << " x " << x;
      EXPECT_EQ(Px(c.buf, x, 1), want);
      EXPECT_EQ(Px(c.buf, x, 2), 0u);
    }
    // A span whose ends meet draws nothing for the interpolating fillers.
    Canvas d(depth, 8, 8);
    std::vector<TPolyVertex> thin = {V(3, 0, right), V(3.5f, 4, right), V(3, 7, right)};
    d.buf.GouraudPoly(thin.data(), 3);
    EXPECT_EQ(CountLit(d.buf), 0);
    d.buf.FillPoly(thin.data(), 3, 1);
    EXPECT_EQ(CountLit(d.buf), 7);
  }
}

// Draws `poly` into a 12 x 12 buffer as given and into a buffer grown by
// (dx, dy) with the polygon moved by as much; the small one must be the big
// one's window. (Columns truncate toward zero, so a horizontal move is only
// exact where the edges sit on whole columns.)
template <class Draw>
void ExpectClippedLikeShifted(uint8_t depth, std::vector<TPolyVertex> poly, int dx, int dy, Draw draw) {
  Canvas small(depth, 12, 12), big(depth, 12 + dx, 12 + dy);
  draw(small.buf, poly);
  for (auto& p : poly) p.X += float(dx), p.Y += float(dy);
  draw(big.buf, poly);
  int lit = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      ASSERT_EQ(Px(small.buf, x, y), Px(big.buf, x + dx, y + dy)) << int(depth) << " at " << x << "," << y;
      lit += Px(small.buf, x, y) != 0;
    }
  EXPECT_GT(lit, 20);
}

TEST(Fillers, HiddenPartsAreSteppedNotDrawn) {
  for (uint8_t depth : kDepths) {
    Canvas t(depth, 1, 1);
    TBuffer64 tex = t.Make(16, 16);
    Biased rnd(3);
    rnd.FillBytes(tex);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) SetPx(tex, x, y, Px(tex, x, y) | 0x10);  // no texel reads as unlit
    auto gouraud = [](TBuffer64& b, std::vector<TPolyVertex>& p) { b.GouraudPoly(p.data(), int32_t(p.size())); };
    auto texture = [&](TBuffer64& b, std::vector<TPolyVertex>& p) { b.TexturePoly(&tex, p.data(), int32_t(p.size())); };
    // Above row 0.
    std::vector<TPolyVertex> tri = {V(2.25f, -6.5f, MakeColor(255, 20, 30), -5, 0), V(11.5f, 2.75f, MakeColor(20, 255, 200), 15, 3),
                                    V(1.75f, 9.5f, MakeColor(40, 40, 255), 3, 15)};
    ExpectClippedLikeShifted(depth, tri, 0, 10, gouraud);
    ExpectClippedLikeShifted(depth, tri, 0, 10, texture);
    // Left of column 0, on whole columns.
    std::vector<TPolyVertex> quad = {V(-6, 1, MakeColor(255, 20, 30), 0, 0), V(9, 1, MakeColor(20, 255, 200), 15, 2),
                                     V(9, 11, MakeColor(40, 40, 255), 13, 15), V(-6, 11, MakeColor(90, 200, 20), 1, 12)};
    ExpectClippedLikeShifted(depth, quad, 10, 0, gouraud);
    ExpectClippedLikeShifted(depth, quad, 10, 0, texture);
    // Wholly below or right of the buffer: nothing.
    Canvas c(depth, 12, 12);
    std::vector<TPolyVertex> below = {V(0, 12, 0xFF), V(8, 12, 0xFF), V(4, 20, 0xFF)};
    std::vector<TPolyVertex> right = {V(12, 0, 0xFF), V(20, 5, 0xFF), V(13, 9, 0xFF)};
    for (auto* p : {&below, &right}) {
      c.buf.FillPoly(p->data(), 3, 1);
      c.buf.GouraudPoly(p->data(), 3);
      c.buf.TexturePoly(&tex, p->data(), 3);
    }
    EXPECT_EQ(CountLit(c.buf), 0);
  }
}

TEST(Fillers, OtherDepthsWriteNothing) {
  Canvas c(32, 6, 6);
  TBuffer64 tex = c.Make(4, 4);
  Fill(tex, 5);
  c.buf.BitDepth = 8;
  tex.BitDepth = 8;
  std::vector<TPolyVertex> tri = {V(0, 0, 0xFFFFFF, 0, 0), V(6, 0, 0xFFFFFF, 4, 0), V(0, 6, 0xFFFFFF, 0, 4)};
  c.buf.GouraudPoly(tri.data(), 3);
  c.buf.TexturePoly(&tex, tri.data(), 3);
  EXPECT_EQ(CountLit(c.buf), 0);
}

TEST(Rotated, AngleZeroZoomOneIsAnUnturnedCopy) {
  for (uint8_t depth : kDepths) {
    Canvas c(depth, 16, 12);
    TBuffer64 pic = c.Make(7, 5);
    Biased rnd(11);
    rnd.FillBytes(pic);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) SetPx(pic, x, y, Px(pic, x, y) | 1);
    // Top-left corner at (CX - hw, CY - hh) = (5, 4).
    pic.DrawRotated(&c.buf, 8, 6, 1.0f, 0.0f);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x) {
        uint32_t want = 0;
        if (y >= 4 && y < 9 && x >= 5 && x < 12) want = Px(pic, x - 5, y - 4);
        // The span's right end carries U = Width: the last column once more.
        if (y >= 4 && y < 9 && x == 12) want = Px(pic, 6, y - 4);
        ASSERT_EQ(Px(c.buf, x, y), want) << int(depth) << " at " << x << "," << y;
      }
    // A quarter turn stands the picture upright: 5 columns by 7 rows, give or
    // take the inclusive right end and rounding of the turned corners.
    Canvas q(depth, 16, 12);
    pic.DrawRotated(&q.buf, 8, 6, 1.0f, 90.0f);
    int minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 16; ++x)
        if (Px(q.buf, x, y) != 0) minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    EXPECT_NEAR(maxX - minX + 1, 5, 1);
    EXPECT_NEAR(maxY - minY + 1, 7, 1);
    pic.DrawRotated(nullptr, 0, 0, 1, 0);
  }
}

// The corners DrawRotated hands to the texture filler: a = Angle / 180 * pi,
// c = cos(a) * Zoom, s = sin(a) * Zoom and each corner's X and Y are Singles,
// each its expression evaluated exactly (long double here) and rounded once.
// The picture drawn must be the one the filler draws from those corners; the
// float chain (a float pi, every product and sum rounded) moves corners
// enough to change the picture in some of the cases.
TEST(Rotated, CornersAreTheFormulaRoundedOnce) {
  using L = long double;
  const L pi = 3.141592653589793238462643383279502884L;
  Canvas c(32, 64, 64), want(32, 64, 64), chain(32, 64, 64);
  TBuffer64 pic = c.Make(29, 21);
  Biased rnd(23);
  rnd.FillBytes(pic);
  std::uniform_real_distribution<float> turn(-400.0f, 400.0f), zoom(0.3f, 2.5f);
  int chainDiffers = 0;
  for (int i = 0; i < 1500; ++i) {
    const int cx = rnd.Range(16, 48), cy = rnd.Range(16, 48);
    const float z = zoom(rnd.rng), angle = turn(rnd.rng);
    const float a = float(angle / L(180) * pi);
    const float cs = float(std::cos(L(a)) * z), sn = float(std::sin(L(a)) * z);
    volatile float ca = angle / 180.0f;
    ca = ca * 3.14159265f;
    const float cc = std::cos(float(ca)) * z, cn = std::sin(float(ca)) * z;
    TPolyVertex exact[4], floats[4];
    const int corners[4][2] = {{0, 0}, {29, 0}, {29, 21}, {0, 21}};
    for (int k = 0; k < 4; ++k) {
      const int dx = corners[k][0] - 14, dy = corners[k][1] - 10;
      exact[k] = V(float(cx + dx * L(cs) - dy * L(sn)), float(cy + dx * L(sn) + dy * L(cs)), 0, float(corners[k][0]),
                   float(corners[k][1]));
      volatile float p = float(dx) * cc, q = float(dy) * cn, r = float(cx) + p;
      volatile float x = r - q;
      p = float(dx) * cn;
      q = float(dy) * cc;
      r = float(cy) + p;
      volatile float y = r + q;
      floats[k] = V(x, y, 0, float(corners[k][0]), float(corners[k][1]));
    }
    for (Canvas* b : {&c, &want, &chain}) b->buf.Clear(0);
    pic.DrawRotated(&c.buf, cx, cy, z, angle);
    want.buf.TexturePoly(&pic, exact, 4);
    chain.buf.TexturePoly(&pic, floats, 4);
    bool chainSame = true;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        ASSERT_EQ(Px(c.buf, x, y), Px(want.buf, x, y)) << i << " at " << x << "," << y;
        chainSame &= Px(chain.buf, x, y) == Px(want.buf, x, y);
      }
    chainDiffers += !chainSame;
  }
  EXPECT_GT(chainDiffers, 0);
}

// A positive angle turns clockwise on the screen (y down): at 90 degrees the
// top row becomes the right column and the left column the top row.
TEST(Rotated, AQuarterTurnIsClockwise) {
  Canvas c(32, 32, 32);
  TBuffer64 pic = c.Make(11, 7);
  const uint32_t top = 0x00FF0000, left = 0x0000FF00, rest = 0x000000FF;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 11; ++x) SetPx(pic, x, y, y == 0 ? top : x == 0 ? left : rest);
  pic.DrawRotated(&c.buf, 16, 16, 1.0f, 90.0f);
  int minX = 99, maxX = -1, minY = 99, maxY = -1;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (Px(c.buf, x, y) != 0) minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
  ASSERT_LT(minX, maxX);
  const int midX = (minX + maxX) / 2, midY = (minY + maxY) / 2;
  EXPECT_EQ(Px(c.buf, maxX, midY) & 0xFFFFFF, top);
  EXPECT_EQ(Px(c.buf, minX, midY) & 0xFFFFFF, rest);
  EXPECT_EQ(Px(c.buf, midX, minY) & 0xFFFFFF, left);
  EXPECT_EQ(Px(c.buf, midX, maxY) & 0xFFFFFF, rest);
}

}  // namespace
