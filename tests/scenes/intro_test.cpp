#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Zentra2/image.h"
#include "Zentra2/timer.h"
#include "core/globals.h"
#include "scenes/intro.h"
#include "tests/support/frame_model.h"
#include "tests/support/headless_show.h"
#include "tests/support/png_files.h"
#include "trig2/trig2.h"

namespace {

// round(a * f(t / d1) + g(t / d2)) + offset with the library's sin and cos;
// the test times below keep every value away from a rounding tie.
int32_t Swing(double a, double (*f)(double), double d1, double (*g)(double), double d2, int32_t offset,
              double t) {
  const double v = a * f(t / d1) + g(t / d2);
  EXPECT_GT(std::abs(v - std::floor(v) - 0.5), 0.02) << "too close to a tie at t = " << t;
  return int32_t(std::lround(v)) + offset;
}

double Sin(double a) { return std::sin(a); }
double Cos(double a) { return std::cos(a); }

TEST(Intro, ParticlesFollowTheirOrbits) {
  BuildSinTable();
  for (double t : {31000.0, 45210.0, 69990.0}) {
    TOrbitPoint p = TIntroScene::ParticlePosition(0, float(t));
    EXPECT_EQ(p.X, Swing(112, Cos, 900, Sin, 5400, 240, t));
    EXPECT_EQ(p.Y, Swing(80, Sin, 800, Cos, 4500, 176, t));
    p = TIntroScene::ParticlePosition(5, float(t));
    EXPECT_EQ(p.X, Swing(48, Cos, 650, Sin, 3000, 240, t));
    EXPECT_EQ(p.Y, Swing(32, Sin, 850, Cos, 3500, 176, t));
    // The last three orbit a centre 16 pixels further up and left.
    p = TIntroScene::ParticlePosition(8, float(t));
    EXPECT_EQ(p.X, Swing(20, Sin, 600, Cos, 3900, 224, t));
    EXPECT_EQ(p.Y, Swing(160, Cos, 700, Sin, 2900, 160, t));
  }
}

TEST(Intro, BackdropScrollsOneRowPer40UnitsAndWraps) {
  EXPECT_EQ(TIntroScene::BackdropOffset(0.0f), 0);
  EXPECT_EQ(TIntroScene::BackdropOffset(8000.0f), 200);
  // 384.5 rounds to the even 384 (wrapping to 0), 385.5 to 386.
  EXPECT_EQ(TIntroScene::BackdropOffset(15380.0f), 0);
  EXPECT_EQ(TIntroScene::BackdropOffset(15420.0f), 2);
  EXPECT_EQ(TIntroScene::BackdropOffset(80000.0f), 2000 % 384);
}

uint32_t AddSaturated(uint32_t a, uint32_t b) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t s = ((a >> shift) & 255) + ((b >> shift) & 255);
    out |= (s > 255 ? 255 : s) << shift;
  }
  return out;
}

TEST(Intro, FrameAddsTheLayerOverTheScrolledBackdrop) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  auto scene = std::make_unique<TIntroScene>();
  scene->DrawFrame(8000.0f);  // the title, drawn opaque into the layer
  const int32_t k = 200;
  for (int32_t y : {0, 100, 199, 200, 383}) {
    for (int32_t x : {0, 77, 511}) {
      const uint32_t backdrop = ReadPixel(*scene->Backdrop, x, (y - k + 384) % 384);
      const uint32_t layer = ReadPixel(*scene->Picture1, x, y);
      EXPECT_EQ(ReadPixel(*ScreenBuffer, x, y), AddSaturated(backdrop, layer)) << x << "," << y;
    }
  }
}

TEST(Intro, RisingEndMovesTheLayerUpTwoRows) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  auto scene = std::make_unique<TIntroScene>();
  TBuffer64& layer = *scene->Buffer;
  for (int32_t y = 0; y < layer.Height; ++y) {
    for (int32_t x = 0; x < layer.Width; ++x) reinterpret_cast<uint32_t*>(layer.Rows[y])[x] = uint32_t(y * 1000 + x);
  }
  scene->DrawFrame(72000.0f);  // trunc(72000 / 500) is even: no blur
  // Column 5 lies left of every bobbing box; rows 90..290 between the bars.
  for (int32_t y = 90; y <= 290; y += 10) EXPECT_EQ(ReadPixel(layer, 5, y), uint32_t((y + 2) * 1000 + 5)) << y;
}

TEST(Intro, TiledBackdropRepeatsItsPictureAndClipsTheEdges) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  TImage64 tile(Display, "./data/gfx/intro/in69.png", false);
  TImageT64 tiled(Display, "./data/gfx/intro/in69.png", 512, 384);
  ASSERT_EQ(tiled.Width, 512);
  ASSERT_EQ(tiled.Height, 384);
  // 40 x 30 tiles: 13 columns (the last one clipped) and 13 rows (ditto).
  for (int32_t y : {0, 29, 30, 383}) {
    for (int32_t x : {0, 39, 40, 511}) EXPECT_EQ(ReadPixel(tiled, x, y), ReadPixel(tile, x % 40, y % 30)) << x << "," << y;
  }
}

}  // namespace

namespace {

// The intro's timeline at the boundary of every row, with one-colour
// pictures: each row's work on a layer of a known colour is computable.
TEST(Intro, TimelineRowsAtTheirBoundaries) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  const uint32_t p1 = 0x643214, p2 = 0x1EA05A, p3 = 0x3C28C8, x0 = 0xC86432;
  WritePng("data/gfx/intro/in00.png", 512, 384, [&](int32_t, int32_t) { return p1; });
  WritePng("data/gfx/intro/in01.png", 512, 384, [&](int32_t, int32_t) { return p2; });
  WritePng("data/gfx/intro/in02.png", 512, 384, [&](int32_t, int32_t) { return p3; });
  WritePng("data/gfx/intro/in69.png", 16, 16, [](int32_t, int32_t) { return 0x0A0A0Au; });
  auto scene = std::make_unique<TIntroScene>();
  TBuffer64& layer = *scene->Buffer;
  const auto blend = FrameModel::Mix;
  const bool oddSecond = int64_t(std::nearbyint(Elapsed(SyncTimer) / 1000.0f)) % 2 != 0;
  const uint32_t inverted = ~x0 & 0xFFFFFF;
  const struct {
    float t;
    uint32_t at100;  // layer at (5, 100) after the frame, drawn over a layer of x0
    const char* row;
  } rows[] = {
      {5000.0f, x0, "turning title, not yet over the corner"},
      {5400.5f, p1, "title"},
      {8400.0f, p1, "title"},
      {8400.5f, blend(x0, p2, 4), "fade to the disc"},
      {15400.0f, blend(x0, p2, 4), "fade to the disc"},
      {15400.5f, oddSecond ? inverted : x0, "blink on the raw clock"},
      {18000.0f, oddSecond ? inverted : x0, "blink on the raw clock"},
      {18000.5f, ~p2 & 0xFFFFFF, "steady negative"},
      {19000.0f, ~p2 & 0xFFFFFF, "steady negative"},
      {19000.5f, blend(x0, p3, 3), "fade to the orbits"},
      {30000.0f, blend(x0, p3, 3), "fade to the orbits"},
      {30000.5f, p3, "particles over the orbits"},
      {70000.0f, p3, "particles over the orbits"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.row) + " at t = " + std::to_string(r.t));
    layer.Clear(x0);
    scene->DrawFrame(r.t);
    EXPECT_EQ(ReadPixel(layer, 5, 100) & 0xFFFFFF, r.at100);
    // The backdrop under the layer, added.
    EXPECT_EQ(ReadPixel(*ScreenBuffer, 5, 100) & 0xFFFFFF, AddSaturated(r.at100, 0x0A0A0A) & 0xFFFFFF);
    // The particle phase clears the layer and puts the letterbox bars on it.
    const bool particles = r.t > 30000.0f;
    EXPECT_EQ(ReadPixel(layer, 5, 10) & 0xFFFFFF, particles ? 0u : r.at100);
  }
  // The turning title's centre, trunc(t / 30) rows above 180 below the middle.
  layer.Clear(x0);
  scene->DrawFrame(5000.0f);
  EXPECT_EQ(ReadPixel(layer, 256, 192 + 180 - 166) & 0xFFFFFF, p1);
  // Past 70000 the layer moves up two rows instead of being cleared.
  for (int32_t y = 0; y < layer.Height; ++y) layer.FillRect(0, y, layer.Width, y + 1, uint32_t(y * 3));
  scene->DrawFrame(70000.5f);
  EXPECT_EQ(ReadPixel(layer, 5, 100) & 0xFFFFFF, uint32_t(102 * 3));
  EXPECT_EQ(ReadPixel(layer, 5, 10) & 0xFFFFFF, 0u);  // the top bar
}

}  // namespace
