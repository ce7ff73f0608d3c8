#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <utility>

#include "Zentra2/zentra.h"
#include "platform/surface.h"
#include "test_util.h"
#include "tests/support/faulty_display.h"

using namespace kt;

namespace {

using Points = std::set<std::pair<int, int>>;

// Pixels that differ from 0.
Points Lit(const TBuffer64& b) {
  Points p;
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x)
      if (Px(b, x, y) != 0) p.insert({x, y});
  return p;
}

struct Canvas {
  THeadlessZentra display;
  TBuffer64 buf;
  Canvas(uint8_t depth, int w, int h, bool video = false) : display(16, 16, depth), buf(&display, w, h, video) {}
};

uint32_t Colour(int depth) { return depth == 15 ? 0x7ABC : depth == 16 ? 0xFABC : depth == 24 ? 0xFEDCBA : 0x89ABCDEF; }

TEST(Pixels, PutAndGetInsideOnly) {
  for (uint8_t depth : kDepths) {
    Canvas c(depth, 3, 2);
    c.buf.PutPixel(3, 0, 1);
    c.buf.PutPixel(-1, 0, 1);
    c.buf.PutPixel(0, 2, 1);
    EXPECT_TRUE(Lit(c.buf).empty());
    EXPECT_EQ(c.buf.GetPixel(3, 0), 0u);
    EXPECT_EQ(c.buf.GetPixel(0, -1), 0u);
    // The colour's own bits land, the neighbours stay.
    c.buf.PutPixel(1, 1, 0xFFFFFFFF);
    uint32_t want = depth <= 16 ? 0xFFFF : depth == 24 ? 0xFFFFFF : 0xFFFFFFFF;
    EXPECT_EQ(c.buf.GetPixel(1, 1), want);
    EXPECT_EQ(Lit(c.buf), (Points{{1, 1}}));
  }
}

TEST(Lines, ClipLineTruncatesTowardZero) {
  Canvas c(32, 10, 10);
  int x1 = -5, y1 = 0, x2 = 5, y2 = 3;
  EXPECT_FALSE(c.buf.ClipLine(x1, y1, x2, y2));
  EXPECT_EQ(std::make_pair(x1, y1), std::make_pair(0, 1));  // 15 / 10
  x1 = 5, y1 = 3, x2 = -5, y2 = 0;
  EXPECT_FALSE(c.buf.ClipLine(x1, y1, x2, y2));
  EXPECT_EQ(std::make_pair(x2, y2), std::make_pair(0, 2));  // 3 + 15 / -10, not floor
  x1 = 20, y1 = 20, x2 = 12, y2 = 30;
  EXPECT_TRUE(c.buf.ClipLine(x1, y1, x2, y2));
  // Both ends outside on different sides, crossing the corner region.
  x1 = -4, y1 = 5, x2 = 5, y2 = -4;
  EXPECT_FALSE(c.buf.ClipLine(x1, y1, x2, y2));
  EXPECT_EQ(std::make_pair(x1, y1), std::make_pair(0, 1));
  EXPECT_EQ(std::make_pair(x2, y2), std::make_pair(1, 0));
  x1 = -100, y1 = 15, x2 = 15, y2 = -100;
  EXPECT_TRUE(c.buf.ClipLine(x1, y1, x2, y2));
  // Far ends do not overflow the products.
  x1 = INT32_MIN, y1 = 5, x2 = INT32_MAX, y2 = 5;
  EXPECT_FALSE(c.buf.ClipLine(x1, y1, x2, y2));
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(x2, 9);
}

TEST(Lines, ExactPixels) {
  for (uint8_t depth : kDepths) {
    Canvas c(depth, 5, 7);
    c.buf.Line(-10, 5, 10, 5, 1);
    EXPECT_EQ(Lit(c.buf), (Points{{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}}));
    Canvas d(depth, 5, 7);
    d.buf.Line(-10, 0, -1, 6, 1);
    EXPECT_TRUE(Lit(d.buf).empty());
    d.buf.Line(2, 2, 2, 2, 1);
    EXPECT_EQ(Lit(d.buf), (Points{{2, 2}}));
    Canvas e(depth, 5, 7);
    e.buf.Line(0, 0, 3, 3, 1);
    EXPECT_EQ(Lit(e.buf), (Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    Canvas f(depth, 5, 7);
    f.buf.Line(0, 0, 3, 1, 1);
    EXPECT_EQ(Lit(f.buf), (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    Canvas g(depth, 5, 7);
    g.buf.Line(3, 1, 0, 0, Colour(depth));
    EXPECT_EQ(Lit(g.buf), (Points{{3, 1}, {2, 1}, {1, 0}, {0, 0}}));
    EXPECT_EQ(g.buf.GetPixel(2, 1), g.buf.GetPixel(0, 0));
  }
}

TEST(Spans, HLineAndVLine) {
  VectorFlag keep;
  for (uint8_t depth : kDepths)
    for (bool vec : {false, true}) {
      UseMMX = vec;
      Canvas c(depth, 23, 4);
      const uint32_t col = Colour(depth);
      c.buf.HLine(5, 2, 0, col);
      EXPECT_EQ(Lit(c.buf), (Points{{2, 0}, {3, 0}, {4, 0}, {5, 0}}));
      c.buf.HLine(-3, -1, 1, col);
      c.buf.HLine(23, 40, 1, col);
      c.buf.HLine(0, 5, -1, col);
      c.buf.HLine(0, 5, 4, col);
      EXPECT_EQ(Lit(c.buf).size(), 4u);
      // Odd lengths reach their last pixel; the clipped end stops at the edge.
      c.buf.HLine(INT32_MIN, INT32_MAX, 1, col);
      c.buf.HLine(1, 19, 2, col);
      for (int x = 0; x < 23; ++x) {
        EXPECT_EQ(c.buf.GetPixel(x, 1), c.buf.GetPixel(2, 0)) << int(depth) << " " << x;
        EXPECT_EQ(c.buf.GetPixel(x, 2) != 0, x >= 1 && x <= 19);
      }
      c.buf.VLine(10, -10, 22, col);
      c.buf.VLine(0, 3, 23, col);
      for (int y = 0; y < 4; ++y) EXPECT_EQ(c.buf.GetPixel(22, y) != 0, true);
    }
}

TEST(Spans, VideoMemorySpansGoThroughTheHardwareFill) {
  THeadlessZentra display(std::make_shared<qo_test::FaultyDevice>(16, 16, 16));
  TBuffer64 buf(&display, 8, 2, true);
  ASSERT_TRUE(buf.VideoMemory);
  buf.HLine(6, 2, 1, 0x1234);
  EXPECT_EQ(Lit(buf), (Points{{2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}}));
  auto& surface = qo_test::FaultyDevice::Of(buf.Surface);
  surface.FailNext(1, platform::result::SurfaceLost);
  buf.HLine(0, 7, 0, 0x1234);
  EXPECT_EQ(Lit(buf).size(), 5u);  // dropped for this call
  EXPECT_EQ(surface.restores, 1);
}

TEST(Shapes, FillRectExcludesRightAndBottomRectangleIncludesThem) {
  for (uint8_t depth : kDepths) {
    Canvas f(depth, 12, 12), r(depth, 12, 12);
    f.buf.FillRect(10, 10, 0, 0, 1);
    r.buf.Rectangle(0, 0, 10, 10, 1);
    Points filled, outline;
    for (int i = 0; i < 10; ++i)
      for (int j = 0; j < 10; ++j) filled.insert({i, j});
    for (int i = 0; i <= 10; ++i) outline.insert({i, 0}), outline.insert({i, 10}), outline.insert({0, i}), outline.insert({10, i});
    EXPECT_EQ(Lit(f.buf), filled);
    EXPECT_EQ(Lit(r.buf), outline);
    Canvas g(depth, 4, 4);
    g.buf.FillRect(-5, -5, 100, 2, 1);
    g.buf.FillRect(5, 0, 9, 9, 1);
    EXPECT_EQ(Lit(g.buf).size(), 8u);
  }
}

TEST(Shapes, FillCircle) {
  for (uint8_t depth : kDepths) {
    Canvas c(depth, 9, 9);
    c.buf.FillCircle(4, 4, 0, 1);
    EXPECT_EQ(Lit(c.buf), (Points{{4, 4}}));
    Canvas n(depth, 9, 9);
    n.buf.FillCircle(4, 4, -1, 1);
    n.buf.FillCircle(4, 4, -7, 1);
    EXPECT_TRUE(Lit(n.buf).empty());
    Canvas r(depth, 9, 9);
    r.buf.FillCircle(4, 4, 2, 1);
    Points want;
    for (int x = 2; x <= 6; ++x)
      for (int y = 3; y <= 5; ++y) want.insert({x, y});
    for (int x = 3; x <= 5; ++x) want.insert({x, 2}), want.insert({x, 6});
    EXPECT_EQ(Lit(r.buf), want);
    // A disc far larger than the buffer covers all of it, quickly.
    Canvas h(depth, 9, 9);
    h.buf.FillCircle(4, 4, INT32_MAX, 1);
    EXPECT_EQ(Lit(h.buf).size(), 81u);
  }
}

// The whole midpoint walk with every span, no early end: the disc must not
// change when the loop stops as soon as no later span can reach the buffer.
TEST(Shapes, FillCircleEndsEarlyWithoutLosingSpans) {
  Biased rnd(2024);
  int edges = 0;
  for (int i = 0; i < 500; ++i) {
    Canvas fast(32, 13, 9), full(32, 13, 9);
    int cx = rnd.Range(-3000, 3000), cy = rnd.Range(-3000, 3000), r = rnd.Range(-5, 5000);
    if (i >= 300) {
      // Big discs whose edge crosses the buffer anywhere along the octant.
      r = rnd.Range(16, 2000000);
      const double along = rnd.Range(0, 1000) / 1000.0;
      const int off = int(r * along), rise = int(std::sqrt(double(r) * r - double(off) * off));
      cx = 6 + (rnd.Range(0, 1) ? off : -off) + rnd.Range(-3, 3);
      cy = 4 + (rnd.Range(0, 1) ? rise : -rise) + rnd.Range(-3, 3);
      if (rnd.Range(0, 1)) std::swap(cx, cy);
    }
    fast.buf.FillCircle(cx, cy, r, 1);
    if (!(cx + r < 0 || cx - r >= 13 || cy + r < 0 || cy - r >= 9)) {
      for (int x = 0, y = r, d = 3 - 2 * r; y >= x; ++x) {
        full.buf.HLine(cx + y, cx - y, cy + x, 1);
        full.buf.HLine(cx + y, cx - y, cy - x, 1);
        full.buf.HLine(cx + x, cx - x, cy + y, 1);
        full.buf.HLine(cx + x, cx - x, cy - y, 1);
        if (d < 0) d += 4 * x + 6;
        else d += 4 * (x - y) + 10, --y;
      }
    }
    ASSERT_EQ(Lit(fast.buf), Lit(full.buf)) << cx << "," << cy << " r " << r;
    size_t lit = Lit(fast.buf).size();
    edges += i >= 300 && lit > 0 && lit < 13 * 9;
  }
  EXPECT_GT(edges, 100);  // the big discs do cut through the buffer
}

}  // namespace
