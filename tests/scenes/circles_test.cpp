#include <gtest/gtest.h>

#include <memory>

#include "core/globals.h"
#include "scenes/circles.h"
#include "tests/support/headless_show.h"
#include "tests/support/pixels.h"
#include "trig2/trig2.h"

namespace {

TEST(Circles, RingsAreTenPixelsWideFromAWhiteCentre) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  TBuffer64 rings(Display, 1024, 1024, false);
  TCirclesScene::DrawRings(&rings);
  const uint32_t white = 0xFFFFFFFF;
  // Along the row and the column through the centre: white up to radius 10,
  // then black 11..20, white 21..30, and so on out to the buffer's edge.
  for (int32_t d = 0; d <= 512; ++d) {
    const uint32_t expected = (d == 0 || ((d - 1) / 10) % 2 == 0) ? white : 0u;
    ASSERT_EQ(ReadPixel(rings, 511 - d, 511), expected) << d;
    if (511 + d <= 1023) {
      ASSERT_EQ(ReadPixel(rings, 511 + d, 511), expected) << d;
      ASSERT_EQ(ReadPixel(rings, 511, 511 + d), expected) << d;
    }
  }
  // The corner lies 722 pixels out: black ring 711..720, white 721..730.
  EXPECT_EQ(ReadPixel(rings, 0, 0), white);
}

TEST(Circles, BothRingCopiesAlwaysCoverTheLayer) {
  BuildSinTable();
  for (float t = 0.0f; t <= 60030.0f; t += 7.0f) {
    for (TOrbitPoint p : {TCirclesScene::RingsPosition(t), TCirclesScene::XorRingsPosition(t)}) {
      ASSERT_LE(p.X, 0) << t;
      ASSERT_LE(p.Y, 0) << t;
      ASSERT_GE(p.X + 1024, 512) << t;
      ASSERT_GE(p.Y + 1024, 384) << t;
    }
  }
}

TEST(Circles, ClosingBarsMeetAt60000) {
  EXPECT_EQ(TCirclesScene::ClosingBars(50000.5f).Side, 0);
  EXPECT_EQ(TCirclesScene::ClosingBars(50000.5f).Top, 0);
  EXPECT_EQ(TCirclesScene::ClosingBars(55000.0f).Side, 128);  // 128.2
  EXPECT_EQ(TCirclesScene::ClosingBars(55000.0f).Top, 96);    // 96.15
  EXPECT_EQ(TCirclesScene::ClosingBars(60000.0f).Side, 256);
  EXPECT_EQ(TCirclesScene::ClosingBars(60000.0f).Top, 192);
  EXPECT_EQ(TCirclesScene::BackdropOffset(20480.0f), 0);
  EXPECT_EQ(TCirclesScene::BackdropOffset(20520.0f), 1);
}

TEST(Circles, BarsBlackenTheEdgesOfTheFrame) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  auto scene = std::make_unique<TCirclesScene>();
  scene->DrawFrame(55000.0f);  // bars 128 columns and 96 rows wide
  const TBuffer64& screen = *ScreenBuffer;
  EXPECT_EQ(ReadPixel(screen, 127, 200), 0u);
  EXPECT_NE(ReadPixel(screen, 128, 200), 0u);
  EXPECT_NE(ReadPixel(screen, 383, 200), 0u);
  EXPECT_EQ(ReadPixel(screen, 384, 200), 0u);
  EXPECT_EQ(ReadPixel(screen, 300, 95), 0u);
  EXPECT_NE(ReadPixel(screen, 300, 96), 0u);
  EXPECT_NE(ReadPixel(screen, 300, 287), 0u);
  EXPECT_EQ(ReadPixel(screen, 300, 288), 0u);
  // Before 50000 there are no bars.
  scene->DrawFrame(49990.0f);
  EXPECT_NE(ReadPixel(screen, 0, 0), 0u);
  EXPECT_NE(ReadPixel(screen, 511, 383), 0u);
}

}  // namespace
