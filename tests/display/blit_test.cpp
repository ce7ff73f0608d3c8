#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <cstring>
#include <vector>

#include "Zentra2/buffer.h"
#include "Zentra2/zentra.h"
#include "platform/clock.h"
#include "platform/display_device.h"
#include "platform/surface.h"
#include "tests/display/vsync_watch.h"
#include "tests/support/faulty_display.h"

namespace {

using platform::result::SurfaceLost;
using platform::result::WasStillDrawing;

// Pixel values as plain integers, whatever the depth.
uint32_t Get(const TBuffer64& b, int x, int y) {
  const uint8_t* p = b.Rows[size_t(y)] + x * (b.BitDepth == 15 ? 2 : b.BitDepth / 8);
  switch (b.BitDepth) {
    case 15:
    case 16: return uint32_t(p[0] | p[1] << 8);
    case 24: return uint32_t(p[0] | p[1] << 8 | p[2] << 16);
    default: return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24);
  }
}

void Put(TBuffer64& b, int x, int y, uint32_t v) {
  uint8_t* p = b.Rows[size_t(y)] + x * (b.BitDepth == 15 ? 2 : b.BitDepth / 8);
  int n = b.BitDepth == 15 ? 2 : b.BitDepth / 8;
  for (int i = 0; i < n; ++i) p[i] = uint8_t(v >> (8 * i));
}

using Picture = std::vector<std::vector<uint32_t>>;

Picture Snapshot(const TBuffer64& b) {
  Picture p(size_t(b.Height), std::vector<uint32_t>(size_t(b.Width)));
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) p[size_t(y)][size_t(x)] = Get(b, x, y);
  return p;
}

// A pattern with some zeros (the key) and distinct values elsewhere.
void Fill(TBuffer64& b, uint32_t seed) {
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) {
      uint32_t v = (uint32_t(x) * 7 + uint32_t(y) * 13 + seed) % 11;
      Put(b, x, y, v ? v * 0x0101 + seed : 0);
    }
}

// The reference: every pixel of the source rectangle lands at (x, y) plus
// its offset in the rectangle when that is inside the destination, read
// from the picture as it was before the copy.
void Reference(Picture& dst, const Picture& src, int left, int top, int right, int bottom, int x, int y,
               bool keyed) {
  for (int sy = top; sy < bottom; ++sy)
    for (int sx = left; sx < right; ++sx) {
      int dx = x + sx - left, dy = y + sy - top;
      if (dx < 0 || dy < 0 || dy >= int(dst.size()) || dx >= int(dst[0].size())) continue;
      uint32_t v = src[size_t(sy)][size_t(sx)];
      if (keyed && v == 0) continue;
      dst[size_t(dy)][size_t(dx)] = v;
    }
}

TEST(Blit, DrawAndDrawKeyedClipLikeTheReferenceInEveryDepth) {
  for (uint8_t depth : {15, 16, 24, 32}) {
    THeadlessZentra display(32, 32, depth);
    // Sizes around the destination's, one pixel wide and tall included.
    for (auto [sw, sh] : {std::pair{5, 4}, {1, 1}, {1, 6}, {9, 7}, {12, 3}}) {
      TBuffer64 src(&display, sw, sh, false), dst(&display, 7, 6, false);
      Fill(src, 1);
      for (int x : {-sw - 1, -sw, -sw + 1, -2, -1, 0, 1, 3, 5, 6, 7, 8})
        for (int y : {-sh - 1, -sh, -sh + 1, -1, 0, 2, 5, 6, 7})
          for (bool keyed : {false, true}) {
            Fill(dst, 3);
            Picture expect = Snapshot(dst);
            Reference(expect, Snapshot(src), 0, 0, sw, sh, x, y, keyed);
            if (keyed)
              src.DrawKeyed(&dst, x, y, 0);
            else
              src.Draw(&dst, x, y);
            ASSERT_EQ(Snapshot(dst), expect) << int(depth) << "bpp " << sw << "x" << sh << " at " << x << ","
                                             << y << " keyed " << keyed;
          }
    }
  }
}

TEST(Blit, DrawRectNormalisesTheRectangleThenClips) {
  THeadlessZentra display(32, 32, 16);
  TBuffer64 src(&display, 8, 6, false), dst(&display, 7, 5, false);
  Fill(src, 2);
  const Picture s = Snapshot(src);
  struct Case {
    int x1, y1, x2, y2, x, y;
  };
  for (Case c : std::vector<Case>{{1, 1, 4, 3, 0, 0},     {4, 3, 1, 1, 2, 1},   {-10, -10, 20, 20, 1, 1},
                                  {2, 0, 8, 6, -3, -2},    {0, 0, 8, 6, 5, 4},   {3, 2, 5, 4, 7, 5},
                                  {0, 0, 3, 3, -5, 0},     {5, 5, 8, 8, -2, 0},  {6, 1, 8, 6, -1, -1},
                                  {0, 0, 8, 6, -8, -6},    {9, 0, 12, 3, 0, 0},  {2, 2, 2, 5, 0, 0}}) {
    Fill(dst, 5);
    Picture expect = Snapshot(dst);
    // Corners in either order, the rectangle then kept inside the source:
    // (-10, -10, 20, 20) is the whole source, unshifted.
    int l = std::max(std::min(c.x1, c.x2), 0), t = std::max(std::min(c.y1, c.y2), 0);
    int r = std::min(std::max(c.x1, c.x2), 8), b = std::min(std::max(c.y1, c.y2), 6);
    Reference(expect, s, l, t, r, b, c.x, c.y, false);
    src.DrawRect(&dst, c.x1, c.y1, c.x2, c.y2, c.x, c.y);
    ASSERT_EQ(Snapshot(dst), expect) << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2 << " to " << c.x << ","
                                     << c.y;
  }
  // Rejected by the whole source's size even where the rectangle alone
  // would have landed inside: nothing drawn.
  Fill(dst, 5);
  Picture before = Snapshot(dst);
  src.DrawRect(&dst, 0, 0, 2, 2, 8, 0);
  EXPECT_EQ(Snapshot(dst), before);
}

TEST(Blit, ScrollingABufferOntoItselfReadsBeforeItWrites) {
  for (uint8_t depth : {16, 24, 32}) {
    THeadlessZentra display(32, 32, depth);
    TBuffer64 buf(&display, 9, 7, false);
    for (auto [dx, dy] : {std::pair{0, -1}, {0, 2}, {-3, 0}, {1, 0}, {2, 2}, {-2, -3}}) {
      for (int mode = 0; mode < 3; ++mode) {
        Fill(buf, 4);
        Picture expect = Snapshot(buf);
        const Picture before = expect;
        if (mode == 0) {
          Reference(expect, before, 0, 0, 9, 7, dx, dy, false);
          buf.Draw(&buf, dx, dy);
        } else if (mode == 1) {
          Reference(expect, before, 0, 0, 9, 7, dx, dy, true);
          buf.DrawKeyed(&buf, dx, dy, 0);
        } else {
          Reference(expect, before, 1, 1, 8, 6, 1 + dx, 1 + dy, false);
          buf.DrawRect(&buf, 1, 1, 8, 6, 1 + dx, 1 + dy);
        }
        ASSERT_EQ(Snapshot(buf), expect) << int(depth) << " by " << dx << "," << dy << " mode " << mode;
      }
    }
  }
}

TEST(Blit, CopiesRetryWhileBusyAndSkipOnALostSurface) {
  THeadlessZentra display(std::make_shared<qo_test::FaultyDevice>(16, 16, 32));
  TBuffer64 src(&display, 4, 4, false), dst(&display, 4, 4, false);
  auto& target = qo_test::FaultyDevice::Of(dst.Surface);
  auto& source = qo_test::FaultyDevice::Of(src.Surface);
  src.Clear(7);
  target.FailNext(3, WasStillDrawing);
  src.Draw(&dst, 0, 0);
  EXPECT_EQ(Get(dst, 3, 3), 7u);
  dst.Clear(0);
  target.FailNext(1, SurfaceLost);
  src.DrawKeyed(&dst, 0, 0, 1);
  EXPECT_EQ(Get(dst, 0, 0), 0u);
  EXPECT_EQ(source.restores, 1);  // restored through the source
  src.DrawRect(&dst, 0, 0, 2, 2, 1, 1);
  EXPECT_EQ(Get(dst, 1, 1), 7u);
  EXPECT_EQ(Get(dst, 0, 0), 0u);
  // Fills follow the same rule.
  target.FailNext(2, WasStillDrawing);
  dst.HardwareFill(0, 0, 2, 2, 9);
  EXPECT_EQ(Get(dst, 1, 1), 9u);
  target.FailNext(1, SurfaceLost);
  dst.HardwareFill(0, 0, 2, 2, 3);
  EXPECT_EQ(Get(dst, 1, 1), 9u);
  EXPECT_EQ(target.restores, 1);
}

TEST(Display, ClearsRetryWhileBusyAndSkipOnALostSurface) {
  THeadlessZentra display(std::make_shared<qo_test::FaultyDevice>(4, 4, 16));
  auto& back = qo_test::FaultyDevice::Of(display.BackSurface);
  auto& primary = qo_test::FaultyDevice::Of(display.PrimarySurface);
  auto pixel = [](const platform::Surface& s) { return uint32_t(s.Bits()[0] | s.Bits()[1] << 8); };
  back.FailNext(5, WasStillDrawing);
  display.ClearBackSurface(0x1234);
  EXPECT_EQ(pixel(back), 0x1234u);
  back.FailNext(1, SurfaceLost);
  display.ClearBackSurface(0x4321);
  EXPECT_EQ(pixel(back), 0x1234u);
  display.ClearBackSurface(0x4321);
  EXPECT_EQ(pixel(back), 0x4321u);
  primary.FailNext(1, SurfaceLost);
  display.ClearScreen(0x7777);
  EXPECT_EQ(pixel(primary), 0u);
  EXPECT_EQ(primary.restores, 2);  // the display restores its primary on either loss
  display.ClearScreen(0x7777);
  EXPECT_EQ(pixel(primary), 0x7777u);
  // Any other failure drops the fill silently.
  primary.FailNext(1, platform::result::Generic);
  display.ClearScreen(1);
  EXPECT_EQ(pixel(primary), 0x7777u);
}

TEST(Flip, PresentsStretchedAndHandsTheUnstretchedFrameToTheListener) {
  THeadlessZentra display(std::make_shared<qo_test::FaultyDevice>(16, 12, 24));
  TBuffer64 frame(&display, 8, 6, false);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) Put(frame, x, y, uint32_t(x + 10 * y + 1));
  int presented = 0;
  display.DirectDraw->SetPresentListener([&](const platform::Surface& s) {
    ++presented;
    EXPECT_EQ(s.Width(), 8);
    EXPECT_EQ(s.Bits(), frame.Bits);
  });
  frame.Flip(false);
  EXPECT_EQ(presented, 1);
  const platform::Surface& primary = *display.PrimarySurface;
  auto at = [&](int x, int y) {
    const uint8_t* p = primary.Bits() + y * primary.Pitch() + 3 * x;
    return uint32_t(p[0] | p[1] << 8 | p[2] << 16);
  };
  EXPECT_EQ(at(0, 0), 1u);
  EXPECT_EQ(at(15, 11), 8u + 50u);
  EXPECT_EQ(at(5, 3), 3u + 10u);

  // A lost primary: restored, nothing shown this frame; the next one shows.
  Put(frame, 0, 0, 99);
  qo_test::FaultyDevice::Of(display.PrimarySurface).FailNext(1, SurfaceLost);
  frame.Flip(false);
  EXPECT_EQ(presented, 1);
  EXPECT_EQ(at(0, 0), 1u);
  qo_test::FaultyDevice::Of(display.PrimarySurface).FailNext(4, WasStillDrawing);
  frame.Flip(false);
  EXPECT_EQ(presented, 2);
  EXPECT_EQ(at(0, 0), 99u);

  // The fullscreen path: stretched onto the back buffer, shown by the flip.
  frame.Fullscreen = true;
  Put(frame, 0, 0, 42);
  qo_test::FaultyDevice::Of(display.BackSurface).FailNext(1, SurfaceLost);
  frame.Flip(false);
  EXPECT_EQ(presented, 2);
  frame.Flip(false);
  EXPECT_EQ(presented, 3);
  EXPECT_EQ(at(1, 1), 42u);
}

// Flip(true) in a window returns once the display's scan line has reached
// the buffer's last row (Height - 1 of the buffer, not of the window): at
// row 239 or below it for a 240-row frame on a 480-row screen. A frame
// taller than the screen waits for the screen's last row instead of for a
// row that never comes.
// The present itself is the one wait (on the beam model here): the frame
// reaches the screen at its end, nothing waits after it, and no frame waits
// longer than one refresh. Flip(false) does not wait.
TEST(Flip, WithVSyncReturnsWhenTheBeamReachesTheBuffersLastRow) {
  platform::UseClock(std::make_unique<platform::VirtualClock>());
  THeadlessZentra display(64, 480, 32);
  auto& device = *display.DirectDraw;
  VSyncWatch watch(device);
  for (auto [rows, last] : {std::pair{240, 239u}, {384, 383u}, {1, 0u}, {600, 479u}}) {
    TBuffer64 frame(&display, 32, rows, false);
    for (int i = 0; i < 12; ++i) {
      watch.Flip(frame);
      uint32_t line = 0;
      ASSERT_EQ(device.GetScanLine(&line), platform::result::Ok);
      EXPECT_GE(line, last) << rows << " rows";
      // 20 ms of drawing, give or take, before the next frame.
      platform::GetClock().Sleep(uint32_t(15 + i % 9));
    }
    const int64_t before = platform::GetClock().Micros();
    frame.Flip(false);
    EXPECT_EQ(platform::GetClock().Micros(), before);
    EXPECT_EQ(watch.shownAt, before);
  }
  platform::UseClock(std::make_unique<platform::RealClock>());
}

}  // namespace
