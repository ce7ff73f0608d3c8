// The loading screen against its formulas, drawn with a background of one
// colour and a logo panel of another, so that every pixel is computable.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "Zentra2/image.h"
#include "core/frame_observer.h"
#include "core/globals.h"
#include "core/loading.h"
#include "tests/support/headless_show.h"
#include "tests/support/png_files.h"

namespace {

constexpr uint32_t kBackground = 0xC86428;  // (200, 100, 40)
constexpr uint32_t kLogoPanel = 0x40A0F0;   // (64, 160, 240): stored inverted, subtracted
constexpr int32_t kLogoWidth = 300, kLogoHeight = 360;

uint32_t Channel(uint32_t rgb, int shift) { return (rgb >> shift) & 255; }

// Per channel: background minus (255 - logo), not below 0.
uint32_t UnderLogo(uint32_t background, uint32_t inverted) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    int32_t v = int32_t(Channel(background, shift)) - int32_t(Channel(inverted, shift));
    out |= uint32_t(v < 0 ? 0 : v) << shift;
  }
  return out;
}

uint32_t Screen(int32_t x, int32_t y) { return ReadPixel(*ScreenBuffer, x, y) & 0xFFFFFF; }

class LoadingWorld : public ::testing::Test {
protected:
  LoadingWorld() : world(32, HeadlessShow::Data::MadeUp) {
    std::filesystem::create_directories("data/gfx/loading");
    WritePng("data/gfx/loading/ld00.jpg", 512, 384, [](int32_t, int32_t) { return kBackground; });
    WritePng("data/gfx/loading/ld01.png", kLogoWidth, kLogoHeight, [](int32_t, int32_t) { return kLogoPanel; });
  }
  HeadlessShow world;
};

// What the frame observer sees of each animation frame once it is drawn.
struct Frame {
  float t;
  uint32_t corner;     // (5, 5): outside the logo's columns
  int32_t logoTop;     // first row of column 100 that differs from the background, or 384
  uint32_t logoPixel;  // column 100 at logoTop
  uint32_t leftOfLogo; // column 27 at logoTop
};

class Probe : public FrameObserver {
public:
  void FrameStarted(const char*, float t) override { t_ = t; }
  void FrameDrawn() override {
    Frame f{t_, Screen(5, 5), 384, 0, 0};
    for (int32_t y = 0; y < 384 && f.logoTop == 384; ++y)
      if (Screen(100, y) != Screen(5, y)) f.logoTop = y;
    if (f.logoTop < 384) {
      f.logoPixel = Screen(100, f.logoTop);
      f.leftOfLogo = Screen(27, f.logoTop);
    }
    frames.push_back(f);
  }
  std::vector<Frame> frames;

private:
  float t_ = 0;
};

TEST_F(LoadingWorld, AnimationFollowsTheFadeAndTheRisingLogo) {
  TLoadingScene loading;
  Probe probe;
  SetFrameObserver(&probe);
  loading.Run({"loading", 10000.0f});
  SetFrameObserver(nullptr);
  const std::vector<Frame>& frames = probe.frames;
  ASSERT_GT(frames.size(), 2u);

  // The scene began before the wait until 2000 units of the demo clock; the
  // constructor's half second already took 750 of them.
  EXPECT_GE(frames.front().t, 1000.0f);
  EXPECT_LE(frames.front().t, 1300.0f);
  EXPECT_NE(frames.front().corner, 0u) << "the first frame is already partly faded in";
  // About 8750 more units at 30 units (20 ms) per frame; the second frame
  // follows the first at once, its pacing counted from BeginScene.
  EXPECT_NEAR(double(frames.size()), 8750.0 / 30.0 + 1.0, 2.0);
  EXPECT_GT(frames.back().t, 10000.0f);
  EXPECT_LE(frames[frames.size() - 2].t, 10000.0f);

  const uint32_t inverted = ~kLogoPanel & 0xFFFFFF;
  uint32_t faded[3] = {0, 0, 0};  // the screen started black
  int fadeFrames = 0, logoFrames = 0;
  for (const Frame& f : frames) {
    SCOPED_TRACE("t = " + std::to_string(f.t));
    if (f.t <= 5000.0f) {
      // Opacity ColorComponent(t / 20) over what the screen held: d + (s - d) * a / 256.
      const uint32_t a = ColorComponent(f.t / 20.0f);
      uint32_t expect = 0;
      for (int c = 0; c < 3; ++c) {
        faded[c] += (Channel(kBackground, 8 * c) - faded[c]) * a / 256;
        expect |= faded[c] << (8 * c);
      }
      EXPECT_EQ(f.corner, expect);
      EXPECT_EQ(f.logoTop, 384) << "no logo while the background fades in";
      ++fadeFrames;
      continue;
    }
    EXPECT_EQ(f.corner, kBackground);
    const double n = (double(f.t) - 5000.0) / 13.44086;
    if (std::abs(n - std::floor(n) - 0.5) < 1e-3) continue;  // too close to a tie to tell
    const int32_t top = 384 - int32_t(std::lround(n));
    EXPECT_EQ(f.logoTop, std::min(top, 384));
    if (top < 384) {
      EXPECT_EQ(f.logoPixel, UnderLogo(kBackground, inverted));
      EXPECT_EQ(f.leftOfLogo, kBackground) << "the logo starts at x = 28";
      ++logoFrames;
    }
  }
  EXPECT_GT(fadeFrames, 100);
  EXPECT_GT(logoFrames, 100);
}

TEST_F(LoadingWorld, ProgressStepsScrollTheTextAndFillOneBlockEach) {
  TLoadingScene loading;
  const uint32_t panel = MakeColor(255 - 64, 255 - 160, 255 - 240);
  ASSERT_EQ(ReadPixel(*loading.ProgressBuffer, 0, 0) & 0xFFFFFF, panel);

  std::vector<uint32_t> before;
  for (int32_t k = 0; k < 7; ++k) {
    SCOPED_TRACE("step " + std::to_string(k));
    loading.ShowProgress(k % 2 ? "Loading Cube Scene.." : "Calculating Stuff..");
    EXPECT_EQ(loading.Counter, k + 1);
    const TBuffer64& text = *loading.ProgressBuffer;
    // The previous bottom line (rows 298..313) moved up by 16 rows.
    for (size_t i = 0; i < before.size(); ++i)
      ASSERT_EQ(ReadPixel(text, int32_t(i % 260), 282 + int32_t(i / 260)), before[i]) << "pixel " << i;
    before.clear();
    int white = 0;
    for (int32_t y = 298; y < 314; ++y) {
      for (int32_t x = 0; x < 260; ++x) {
        before.push_back(ReadPixel(text, x, y));
        if ((before.back() & 0xFFFFFF) == 0xFFFFFF) {
          ++white;
          // White text subtracts the whole background: black on the screen.
          EXPECT_EQ(Screen(28 + 8 + x, 12 + 8 + y), 0u);
        }
      }
    }
    EXPECT_GT(white, 20) << "the message is drawn in white";
    // Block k covers [12 + 37k, 44 + 37k) x [333, 353) of the logo.
    const TBuffer64& logo = *loading.Logo;
    const uint32_t block = MakeColor(192, 192, 0);
    const int32_t left = 12 + 37 * k;
    EXPECT_EQ(ReadPixel(logo, left, 333) & 0xFFFFFF, block);
    EXPECT_EQ(ReadPixel(logo, left + 31, 352) & 0xFFFFFF, block);
    EXPECT_EQ(ReadPixel(logo, left - 1, 340) & 0xFFFFFF, panel);
    EXPECT_EQ(ReadPixel(logo, left + 32, 340) & 0xFFFFFF, panel);
    EXPECT_EQ(ReadPixel(logo, left, 332) & 0xFFFFFF, panel);
    EXPECT_EQ(ReadPixel(logo, left, 353) & 0xFFFFFF, panel);
    // On the screen the logo sits at (28, 12) over the whole background.
    EXPECT_EQ(Screen(28 + left + 5, 12 + 340), UnderLogo(kBackground, block));
    EXPECT_EQ(Screen(27, 200), kBackground);
    EXPECT_EQ(Screen(28, 11), kBackground);
    EXPECT_EQ(Screen(100, 12), UnderLogo(kBackground, panel));
  }
  // Earlier blocks stay filled; the seventh ends before x = 266.
  EXPECT_EQ(ReadPixel(*loading.Logo, 12, 340) & 0xFFFFFF, MakeColor(192, 192, 0));
  EXPECT_EQ(ReadPixel(*loading.Logo, 265, 340) & 0xFFFFFF, MakeColor(192, 192, 0));
  EXPECT_EQ(ReadPixel(*loading.Logo, 266, 340) & 0xFFFFFF, panel);
}

}  // namespace
