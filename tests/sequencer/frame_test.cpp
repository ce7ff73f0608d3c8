#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "Zentra2/buffer.h"
#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "core/globals.h"
#include "core/scene.h"
#include "platform/clock.h"
#include "platform/surface.h"
#include "tests/support/headless_show.h"
#include "trig2/trig2.h"

namespace {

uint32_t Pixel(TBuffer64* b, int x, int y) { return b->GetPixel(x, y); }

// The frame contract alone, without a timeline of its own.
struct BareScene : TScene {
  void Run(const SceneSpan&) override {}
};

TEST(Frame, PacingKeepsFramesTwentyMillisecondsApartAndLetsLateOnesGo) {
  HeadlessShow show;
  BareScene scene;
  scene.BeginScene();
  int64_t before = show.Clock->Micros();
  scene.EndFrame();
  EXPECT_EQ(show.Clock->Micros() - before, 20000);  // a fast frame waits for the rest of 20 ms
  scene.EndFrame();
  EXPECT_EQ(show.Clock->Micros() - before, 40000);
  show.Clock->Advance(35000);  // a frame that took 35 ms is shown at once
  int64_t late = show.Clock->Micros();
  scene.EndFrame();
  EXPECT_EQ(show.Clock->Micros(), late);
  EXPECT_EQ(LastFrameTime, MusicTimer->Elapsed());
}

TEST(Frame, TheSceneConstructorSleepsHalfASecond) {
  HeadlessShow show;
  int64_t before = show.Clock->Micros();
  BareScene scene;
  EXPECT_EQ(show.Clock->Micros() - before, 500000);
  EXPECT_EQ(scene.Buffer->Width, 512);
  EXPECT_EQ(scene.Buffer->Height, 384);
}

TEST(Frame, NoOverlayMeansNoFrameCountAndAnEmptyScreen) {
  HeadlessShow show;
  BareScene scene;
  scene.BeginScene();
  // 40 frames: 800 units, well past the 500 after which an overlay shows.
  for (int i = 0; i < 40; ++i) scene.EndFrame();
  EXPECT_EQ(scene.FrameCount, 0);
  for (int y = 0; y < 384; ++y)
    for (int x = 0; x < 512; ++x) ASSERT_EQ(Pixel(ScreenBuffer, x, y), 0u) << x << ", " << y;
  // What reached the screen is that empty frame.
  const platform::Surface& shown = *Display->PrimarySurface;
  for (int y = 0; y < shown.Height(); ++y)
    for (int x = 0; x < shown.Width() * 4; ++x) ASSERT_EQ(shown.Bits()[y * shown.Pitch() + x], 0) << x << ", " << y;
}

TEST(Frame, OverlayStaysEmptyForTheFirst500UnitsThenDrawsBlue) {
  HeadlessShow show;
  ShowFramerate = FlagOn;
  BareScene scene;
  scene.BeginScene();
  for (int i = 0; i < 16; ++i) {  // 16 frames of 20 ms = 480 units of demo time
    scene.EndFrame();
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 80; ++x) ASSERT_EQ(Pixel(ScreenBuffer, x, y), 0u);
  }
  EXPECT_EQ(scene.FrameCount, 16);
  show.Clock->Advance(200000);
  scene.EndFrame();
  bool blue = false;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 80; ++x) blue |= Pixel(ScreenBuffer, x, y) == MakeColor(0, 0, 255);
  EXPECT_TRUE(blue);
  ShowFramerate = 0;
}

TEST(Frame, OverlayLinesReadAsTheyShould) {
  HeadlessShow show;
  DebugMode = FlagOn;
  ScreenWidth = 640;
  ScreenHeight = 480;
  ScreenBpp = 16;
  MaxPriority = 0;
  BareScene scene;
  scene.BeginScene();
  scene.FrameCount = 100;
  show.Clock->Advance(1337000);  // 2005.5 demo units
  auto lines = scene.OverlayLines(2005.5f);
  ASSERT_EQ(lines.size(), 11u);  // fps and ten debug lines: no music lines without sound
  EXPECT_EQ(lines[0], std::make_pair(2, std::string("49.86 fps")));
  EXPECT_EQ(lines[1], std::make_pair(14, std::string("Sync Timer : 2.01")));
  EXPECT_EQ(lines[2].second, "Frame Count : 100");
  EXPECT_EQ(lines[3].second, "Release Num : 2001.07.09");
  EXPECT_TRUE(lines[4].second == "Using MMX : True" || lines[4].second == "Using MMX : False");
  EXPECT_EQ(lines[5].second, "Max Priority : False");
  EXPECT_EQ(lines[6].second, "Motion Blur : False");
  EXPECT_EQ(lines[7].second, "Screen X : 640");
  EXPECT_EQ(lines[8].second, "Screen Y : 480");
  EXPECT_EQ(lines[9].second, "Screen Bpp : 16");
  EXPECT_EQ(lines[10], std::make_pair(122, std::string("Playing Sound : False")));
  DebugMode = 0;
  EXPECT_EQ(scene.OverlayLines(2005.5f).size(), 1u);
  ScreenWidth = 512;
  ScreenHeight = 384;
  ScreenBpp = 32;
}

// With motion blur each frame is blended over the running blend at opacity
// ColorComponent(128): d + floor((s - d) * 128 / 256) per 8-bit channel, or
// in 16 bits a = 132 shr 3 = 16 of 32 on the 5- and 6-bit fields; the blend,
// not the frame, is what reaches the screen.
TEST(Frame, MotionBlurAccumulatesOverFramesAndPresentsTheBlend) {
  struct Case {
    uint8_t depth;
    uint32_t blend[3];
  };
  // Frames: (200, 100, 0) twice, then (0, 0, 255). 32 bits: (100, 50, 0),
  // (150, 75, 0), (75, 37, 127), the last two rounding down past a half.
  // 16 bits: R and G fields 25 -> 12 -> 18 -> 9, B 0 -> 0 -> 0 -> 15.
  const Case cases[] = {{32, {0x643200, 0x964B00, 0x4B257F}}, {16, {0x6180, 0x9240, 0x492F}}};
  for (const Case& c : cases) {
    HeadlessShow show(c.depth);
    MotionBlur = FlagOn;
    BareScene scene;
    scene.BeginScene();
    const uint32_t frames[] = {MakeColor(200, 100, 0), MakeColor(200, 100, 0), MakeColor(0, 0, 255)};
    for (int i = 0; i < 3; ++i) {
      ScreenBuffer->Clear(frames[i]);
      scene.EndFrame();
      EXPECT_EQ(Pixel(ScreenBuffer, 7, 9), frames[i]) << int(c.depth) << " frame " << i;
      EXPECT_EQ(Pixel(BlurBuffer, 7, 9), c.blend[i]) << int(c.depth) << " frame " << i;
      EXPECT_EQ(Pixel(BlurBuffer, 511, 383), c.blend[i]) << int(c.depth) << " frame " << i;
      const platform::Surface& shown = *Display->PrimarySurface;
      ASSERT_EQ(shown.Width(), 512);
      const int bytes = c.depth / 8;
      for (int y = 0; y < 384; ++y)
        ASSERT_EQ(std::memcmp(shown.Bits() + y * shown.Pitch(), BlurBuffer->Rows[size_t(y)], size_t(512 * bytes)), 0)
            << int(c.depth) << " frame " << i << " row " << y;
    }
    MotionBlur = 0;
  }
}

// The wave bars on the absolute demo clock T: each box's half height r is
// round(FastCos(angle) * 12 + 8), the angle a Single holding T / 600 + x1
// (top) or T / 600 - x1 (bottom) evaluated exactly and rounded once. Each
// column through a box is modelled by the drawing steps in their order (the
// bars' lines, the bars, each box filled black and outlined white). The
// frames sweep T around 106730, where the float chain (T / 600 rounded, then
// the sum rounded) puts the box at column 470 one row off.
TEST(Frame, WaveBarsFollowTheDemoClock) {
  HeadlessShow show;
  BareScene scene;
  TBuffer64* target = scene.Buffer;
  const uint32_t black = 0, white = 0xFFFFFFFFu & 0xFFFFFF, picture = MakeColor(0, 128, 0);
  auto radius = [](long double angle) { return int(std::nearbyint(FastCos(float(angle)) * 12.0L + 8.0L)); };
  int chainDiffers = 0;
  for (int k = -300; k <= 300; ++k) {
    const long double micros = (106730.0L + 30 * k) * 1000 / 1.5L;
    SyncTimer->StartCount = show.Clock->Micros() - std::llround(micros);
    const float T = SyncTimer->Elapsed();
    target->Clear(picture);
    scene.DrawWaveBars(target);
    for (int i = 0; i < 8; ++i) {
      const int x1 = 64 * i + 16;
      const int top = std::abs(radius(T / 600.0L + x1)), bottom = std::abs(radius(T / 600.0L - x1));
      uint32_t column[384];
      auto fill = [&](int from, int to, uint32_t v) {
        for (int y = std::max(from, 0); y < std::min(to, 384); ++y) column[y] = v;
      };
      fill(0, 384, picture);
      fill(63, 64, white);
      fill(0, 63, black);
      fill(321, 322, white);
      fill(321, 384, black);
      for (auto [middle, r] : {std::pair(63, top), std::pair(321, bottom)}) {
        fill(middle - r, middle + r, black);
        fill(middle - r, middle - r + 1, white);
        fill(middle + r, middle + r + 1, white);
      }
      for (int x : {x1 + 1, x1 + 17, x1 + 31})
        for (int y = 0; y < 384; ++y)
          ASSERT_EQ(Pixel(target, x, y) & 0xFFFFFF, column[y]) << "T " << T << " box " << i << " at " << x << "," << y;
      chainDiffers += std::abs(int(std::nearbyint(FastCos(T / 600.0f + float(x1)) * 12.0f + 8.0f))) != top;
    }
  }
  EXPECT_GT(chainDiffers, 0);
}

}  // namespace
