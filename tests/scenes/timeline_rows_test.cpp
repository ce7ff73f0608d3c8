// The scenes' timelines row by row, at the boundary times of every row (just
// before, at, just after), and their sprite tables: one-colour pictures and
// sprites make every pixel of a frame computable, and the whole frame is
// compared with what the rows say it holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "Zentra2/image.h"
#include "Zentra2/timer.h"
#include "core/globals.h"
#include "scenes/circles.h"
#include "scenes/cube.h"
#include "scenes/metaballs.h"
#include "tests/support/frame_model.h"
#include "tests/support/headless_show.h"
#include "tests/support/png_files.h"
#include "trig2/trig2.h"

namespace {

int32_t Round(float v) { return int32_t(std::nearbyint(v)); }

float S(float v) { return FastSin(v); }
float C(float v) { return FastCos(v); }

// A sprite of a known size and colour, drawn at a place a row gives.
struct Sprite {
  const TBuffer64* image;
  int32_t x, y;
};

std::string At(float t) { return "t = " + std::to_string(t); }

// The metaballs' blob layer rises with a fade, floats, sinks by 250 rows and
// rises again with the sprites, draw G shifted by -J only. A constant field
// turns the whole 256 x 256 layer into blob pixels of colour
// ((x + 60) / 2, (y + 60) / 2, 60), so its place and opacity show at every pixel.
TEST(MetaballsRows, BlobLayerAndSpritesAtEveryBoundary) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  WritePng("data/gfx/metaballs/mb00.jpg", 512, 384, [](int32_t, int32_t) { return 0x502814u; });
  WritePng("data/gfx/metaballs/mb01.jpg", 512, 384, [](int32_t, int32_t) { return 0x3C6478u; });
  auto scene = std::make_unique<TMetaballsScene>();
  TImage64& p0 = *Particles[0];
  TImage64& p1 = *Particles[1];
  const uint32_t white = 0xFFFFFF, mark = 0x010203, key = 0;
  auto table = [&](int32_t v) { std::fill(&scene->FieldTable[0][0], &scene->FieldTable[0][0] + 513 * 513, v); };

  for (float t : {5999.5f, 6000.0f, 6000.5f, 10000.0f, 14999.5f, 15000.0f, 15000.5f, 37999.5f, 38000.0f, 38000.5f,
                  46999.5f, 47000.0f, 47000.5f, 55999.5f, 56000.0f, 56000.5f, 85000.0f}) {
    SCOPED_TRACE(At(t));
    // The same frame without blobs or sprites, and without the final fade
    // (the frame blended over itself changes nothing): what the rows draw over.
    table(0);
    p0.Clear(0);
    p1.Clear(0);
    ScreenBuffer->Clear(mark);
    TBuffer64* whitePicture = std::exchange(scene->Buffer, ScreenBuffer);
    scene->DrawFrame(t);
    scene->Buffer = whitePicture;
    FrameModel want(*ScreenBuffer);

    table(20);  // 3 x 20 = 60 everywhere, over the threshold of 48
    p0.Clear(0x300A00);
    p1.Clear(0x00123C);
    ScreenBuffer->Clear(mark);
    scene->DrawFrame(t);
    const TBuffer64& layer = *scene->BallLayer;
    ASSERT_EQ(ReadPixel(layer, 0, 0) & 0xFFFFFF, 0x1E1E3Cu);

    const int32_t X = Round(70 * (C(t / 600) + C(t / 3200))) + 128;
    const int32_t W = Round(60 * (S(t / 800) + S(t / 2400))) + 64;
    if (t <= 6000) {
      // The zoom alone: the layer is not shown.
    } else if (t <= 15000) {
      want.Blend(layer, X, W + 250 - Round((t - 6000) / 36), ColorComponent((t - 6000) / 46.9f), &key);
    } else if (t <= 38000) {
      want.Blend(layer, X, W, ColorComponent(192), &key);
    } else if (t <= 47000) {
      want.Blend(layer, X, W + Round((t - 38000) / 36), ColorComponent(192), &key);
    } else {
      const int32_t J = t <= 56000 ? Round((t - 47000) / 36) : 0;
      const int32_t shift = t <= 56000 ? 250 - J : 0, shiftG = -J;
      const Sprite draws[7] = {
          {&layer, X, W + shift},
          {&p0, Round(90 * (C(t / 200) + C(t / 3200))) + 256, Round(80 * (S(t / 400) + S(t / 2400))) + 128 + shift},
          {&p1, Round(70 * (C(t / 300) + C(t / 3200))) + 256, Round(60 * (S(t / 500) + S(t / 2400))) + 128 + shift},
          {&p0, Round((C(t / 600) + C(t / 3200)) * (t / 580)) + 256,
           Round((S(t / 800) + S(t / 2400)) * (t / 666)) + 128 + shift},
          {&p1, Round((C(t / 400) + C(t / 3200)) * (t / 666)) + 256,
           Round((S(t / 200) + S(t / 2400)) * (t / 580)) + 128 + shift},
          {&p0, Round(60 * (C(t / 500) + C(t / 3200))) + 256, Round(70 * (S(t / 300) + S(t / 2400))) + 128 + shift},
          {&p1, Round(80 * (C(t / 800) + C(t / 3200))) + 256, Round(90 * (S(t / 600) + S(t / 2400))) + 128 + shiftG},
      };
      for (const Sprite& d : draws) want.Add(*d.image, d.x, d.y);
    }
    if (t > 80000) want.Blend(white, uint8_t(Round((t - 80000) / 39.2f)));
    std::string where;
    EXPECT_EQ(want.Mismatches(*ScreenBuffer, &where), 0) << where;
  }
}

// The circles' nine sprites over a black layer (the rings cleared): the
// layer then holds exactly the sprites, each of its own colour, added where
// the table places them (x + 240, y + 176).
TEST(CirclesRows, SpriteTable) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  auto scene = std::make_unique<TCirclesScene>();
  scene->Rings->Clear(0);
  for (int32_t i = 0; i < 6; ++i) Particles[i]->Clear(0x0A0000u * uint32_t(i + 1) + 0x000307u * uint32_t(6 - i));
  const SpriteRow rows[9] = {
      {3, {112, C, 900, S, 5400}, {80, S, 800, C, 4500}},  {3, {128, S, 700, C, 1600}, {96, C, 600, S, 2300}},
      {4, {116, C, 700, S, 6600}, {96, S, 600, C, 7700}},  {4, {96, C, 900, S, 1000}, {64, S, 800, C, 1500}},
      {5, {64, S, 700, C, 2000}, {48, C, 600, S, 2500}},   {5, {48, C, 700, S, 3000}, {32, S, 600, C, 3500}},
      {0, {132, C, 700, S, 6600}, {96, S, 600, C, 7700}},  {1, {148, S, 500, C, 8800}, {80, C, 400, S, 9900}},
      {2, {230, S, 600, C, 3900}, {160, C, 700, S, 2900}},
  };
  // 942.5 and 2827.4: the last sprite at its right and left extremes.
  for (float t : {0.0f, 942.5f, 2827.4f, 17777.7f, 49999.5f}) {
    SCOPED_TRACE(At(t));
    scene->Buffer->Clear(0);
    FrameModel want(*scene->Buffer);
    for (const SpriteRow& r : rows) want.Add(*Particles[r.image], r.x.At(t) + 240, r.y.At(t) + 176);
    scene->DrawFrame(t);
    std::string where;
    EXPECT_EQ(want.Mismatches(*scene->Buffer, &where), 0) << where;
  }
}

// The cube's compositing rows on a one-colour backdrop and texture: keyed
// draws of the layer, its negative on the odd beats of the raw clock, the two
// copies drifting apart with rising opacity, the split step, and the two
// sprites from 50000 on. Rows 84..300 lie clear of the wave bars.
TEST(CubeRows, CompositingAtEveryBoundary) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  const uint32_t backdrop = 0x283C50, texel = 0x40A0E0, sprite = 0x102030;
  WritePng("data/gfx/cube/cb00.jpg", 512, 384, [&](int32_t, int32_t) { return backdrop; });
  WritePng("data/gfx/textures/tex01.jpg", 256, 256, [&](int32_t, int32_t) { return texel; });
  auto scene = std::make_unique<TCubeScene>();
  Particles[0]->Clear(sprite);
  TBuffer64 base(Display, 512, 384, false);
  base.Clear(backdrop);
  const TBuffer64 &layer = *scene->CubeLayer, &negative = *scene->NegativeLayer;
  const int32_t cx = 128, cy = 64;
  const SpriteRow sprites[2] = {{0, {112, C, 900, S, 5400}, {80, S, 800, C, 4500}},
                                {0, {128, S, 700, C, 3200}, {96, C, 600, S, 2300}}};

  for (float t : {12999.5f, 13000.0f, 13000.5f, 22999.5f, 23000.0f, 23000.5f, 29000.0f, 34999.5f, 35000.0f,
                  35000.5f, 49999.5f, 50000.0f, 50000.5f, 70000.5f}) {
    for (int beat = 0; beat < 2; ++beat) {
      world.AdvanceMs(334);  // 501 units: the other parity of the raw clock's beat
      const bool odd = int64_t(std::nearbyint(Elapsed(SyncTimer) / 500.0f)) % 2 != 0;
      SCOPED_TRACE(At(t) + (odd ? ", odd beat" : ", even beat"));
      scene->DrawFrame(t);
      int32_t cube = 0;
      for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x) cube += (ReadPixel(layer, x, y) & 0xFFFFFF) != (ReadPixel(layer, 0, 0) & 0xFFFFFF);
      ASSERT_GT(cube, 100);  // the cube is in view

      const uint32_t keyC = ReadPixel(layer, 0, 0) & 0xFFFFFF, keyN = ReadPixel(negative, 0, 0) & 0xFFFFFF;
      FrameModel want(base);
      if (t <= 23000) {
        // The negative only on odd beats from 13000 on: its corner turns white.
        EXPECT_EQ(keyC, t > 13000 && odd ? 0xFFFFFFu : 0u);
        want.Copy(layer, cx, cy, &keyC);
      } else {
        // The negative is the layer inverted.
        int32_t notInverted = 0;
        for (int32_t y = 0; y < 256; ++y)
          for (int32_t x = 0; x < 256; ++x)
            notInverted += ((ReadPixel(negative, x, y) ^ ReadPixel(layer, x, y)) & 0xFFFFFF) != 0xFFFFFF;
        EXPECT_EQ(notInverted, 0);
        if (t <= 35000) {
          const int32_t d = Round((t - 23000) / 93.75f);
          const uint8_t o = ColorComponent((t - 23000) / 100 + 140);
          want.Blend(layer, cx - d, cy, o, &keyC);
          want.Blend(negative, cx + d, cy, o, &keyN);
        } else {
          want.Copy(layer, cx - 128, cy, &keyC);
          want.Copy(negative, cx + 128, cy, &keyN);
        }
      }
      if (t > 50000)
        for (const SpriteRow& p : sprites) want.Add(*Particles[p.image], p.x.At(t) + 224, p.y.At(t) + 160);
      std::string where;
      EXPECT_EQ(want.Mismatches(*ScreenBuffer, &where, 84, 301), 0) << where;
    }
  }
}

}  // namespace
