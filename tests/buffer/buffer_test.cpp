#include <gtest/gtest.h>

#include "Zentra2/buffer.h"
#include "Zentra2/zentra.h"
#include "platform/display_device.h"
#include "platform/surface.h"
#include "tests/support/faulty_display.h"

namespace {

TEST(Colours, MakeAndSplitInEveryDepth) {
  uint8_t r, g, b;
  DisplayDepth = 15;
  EXPECT_EQ(MakeColor(255, 255, 255), 0x7FFFu);
  SplitColor(0x7FFF, r, g, b);
  EXPECT_EQ(r + g + b, 3 * 255);
  SplitColor(0x0020, r, g, b);
  EXPECT_EQ(g, 8);
  DisplayDepth = 16;
  EXPECT_EQ(MakeColor(255, 255, 255), 0xFFFFu);
  EXPECT_EQ(MakeColor(0, 4, 0), 0x0020u);
  SplitColor(0x0020, r, g, b);
  EXPECT_EQ(g, 4);
  SplitColor(MakeColor(200, 100, 50), r, g, b);
  EXPECT_EQ(r, Expand5[200 >> 3]);
  EXPECT_EQ(g, Expand6[100 >> 2]);
  EXPECT_EQ(b, Expand5[50 >> 3]);
  for (uint8_t depth : {24, 32}) {
    DisplayDepth = depth;
    EXPECT_EQ(MakeColor(255, 255, 255), 0xFFFFFFu);
    EXPECT_EQ(MakeColor(1, 2, 3), 0x010203u);
    SplitColor(0xAB123456, r, g, b);
    EXPECT_EQ(r, 0x12);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x56);
  }
  DisplayDepth = 8;
  EXPECT_EQ(MakeColor(255, 255, 255), 0u);
  r = g = b = 7;
  SplitColor(0xFFFF, r, g, b);
  EXPECT_EQ(r + g + b, 21);
  EXPECT_EQ(Expand5[5], 41);
  EXPECT_EQ(Expand6[20], 80);
  EXPECT_EQ(Expand6[21], 85);
}

TEST(Buffer, NewBuffersAreClearAndDescribeTheirLayout) {
  for (uint8_t depth : {15, 16, 24, 32}) {
    THeadlessZentra display(64, 48, depth);
    TBuffer64 buf(&display, 13, 7, false);
    EXPECT_EQ(buf.BitDepth, depth);
    EXPECT_EQ(buf.Width, 13);
    EXPECT_EQ(buf.MaxY, 6);
    EXPECT_EQ(buf.CenterX, 6);
    EXPECT_EQ(buf.Pitch % 4, 0);
    EXPECT_EQ(buf.BytesPerPixel, buf.Pitch / 13);
    ASSERT_EQ(buf.Rows.size(), 7u);
    for (int y = 0; y < 7; ++y) {
      EXPECT_EQ(buf.Rows[y], buf.Bits + y * buf.Pitch);
      for (int i = 0; i < buf.Pitch; ++i) ASSERT_EQ(buf.Rows[y][i], 0);
    }
    // A one-pixel-wide buffer: bytes per pixel is the whole pitch.
    TBuffer64 thin(&display, 1, 3, false);
    EXPECT_EQ(thin.BytesPerPixel, thin.Pitch);
  }
}

// A buffer on a device whose surfaces fail when the test says so.
struct OnFaultyDevice {
  std::shared_ptr<qo_test::FaultyDevice> device;
  THeadlessZentra display;
  explicit OnFaultyDevice(int32_t depth)
      : device(std::make_shared<qo_test::FaultyDevice>(8, 8, depth)), display(device) {}
};

TEST(Buffer, ClearFillsAndALostSurfaceSkipsOneFill) {
  OnFaultyDevice d(32);
  TBuffer64 buf(&d.display, 4, 4, false);
  auto& surface = qo_test::FaultyDevice::Of(buf.Surface);
  buf.Clear(0x11223344);
  EXPECT_EQ(reinterpret_cast<uint32_t*>(buf.Rows[3])[3], 0x11223344u);
  surface.FailNext(1, platform::result::SurfaceLost);
  buf.Clear(5);
  EXPECT_EQ(reinterpret_cast<uint32_t*>(buf.Rows[0])[0], 0x11223344u);
  EXPECT_EQ(surface.restores, 1);
  surface.FailNext(3, platform::result::WasStillDrawing);
  buf.Clear(6);
  EXPECT_EQ(reinterpret_cast<uint32_t*>(buf.Rows[0])[0], 6u);
}

TEST(Buffer, VideoMemoryFallsBackToSystemMemory) {
  OnFaultyDevice d(16);
  d.device->refuseVideoMemory = 1;
  TBuffer64 buf(&d.display, 5, 5, true);
  EXPECT_TRUE(buf.VideoMemory);
  EXPECT_EQ(buf.Width, 5);
  EXPECT_EQ(d.device->refuseVideoMemory, 0);  // it was asked for video memory first
}

TEST(Buffer, AFailedLockIsFatal) {
  OnFaultyDevice d(32);
  TBuffer64 buf(&d.display, 5, 5, false);
  qo_test::FaultyDevice::Of(buf.Surface).FailNext(1, platform::result::SurfaceLost);
  EXPECT_EXIT(buf.LockSurface(), ::testing::ExitedWithCode(1),
              "\\[TBuffer64\\]Lock -> Access to this surface is being refused");
}

TEST(Surface, SelfCopiesScrollLikeAReadThenWrite) {
  // Every direction of overlap, keyed and not, against a reference copy.
  for (bool keyed : {false, true}) {
    for (auto [dx, dy] : {std::pair{0, -2}, {0, 2}, {-3, 0}, {3, 0}, {2, 2}, {-2, -1}}) {
      platform::Surface s(9, 7, 32);
      uint32_t ref[7][9];
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x) {
          uint32_t v = (x * 7 + y * 3) % 5;  // some zeros: the key
          reinterpret_cast<uint32_t*>(s.Bits() + y * s.Pitch())[x] = v;
          ref[y][x] = v;
        }
      uint32_t before[7][9];
      std::copy(&ref[0][0], &ref[0][0] + 63, &before[0][0]);
      platform::Rect src{std::max(0, -dx), std::max(0, -dy), 9 - std::max(0, dx), 7 - std::max(0, dy)};
      for (int y = src.top; y < src.bottom; ++y)
        for (int x = src.left; x < src.right; ++x)
          if (!keyed || before[y][x] != 0) ref[y + dy][x + dx] = before[y][x];
      s.SetColorKey(0);
      ASSERT_EQ(s.BltFast(src.left + dx, src.top + dy, s, src, keyed), platform::result::Ok);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
          ASSERT_EQ(reinterpret_cast<uint32_t*>(s.Bits() + y * s.Pitch())[x], ref[y][x])
              << dx << "," << dy << " keyed " << keyed << " at " << x << "," << y;
    }
  }
}

TEST(Surface, CopiesOutsideEitherSurfaceAreRefused) {
  platform::Surface a(4, 4, 16), b(4, 4, 16);
  EXPECT_EQ(a.BltFast(1, 0, b, {0, 0, 4, 4}, false), platform::result::InvalidRect);
  EXPECT_EQ(a.BltFast(0, 0, b, {0, 0, 0, 4}, false), platform::result::InvalidRect);
  EXPECT_EQ(a.BltFast(0, 0, b, {-1, 0, 2, 4}, false), platform::result::InvalidRect);
  EXPECT_EQ(a.BltFast(0, 0, b, {0, 0, 4, 4}, false), platform::result::Ok);
}

}  // namespace
