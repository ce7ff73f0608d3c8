// The meshes scene's timeline row by row, at the boundary times of every row
// (just before, at, just after), and its two sprite tables drawn with
// one-colour sprites.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "Zentra2/image.h"
#include "Zentra2/timer.h"
#include "core/globals.h"
#include "scenes/meshes.h"
#include "tests/support/frame_model.h"
#include "tests/support/headless_show.h"
#include "trig2/trig2.h"

namespace {

float S(float v) { return FastSin(v); }
float C(float v) { return FastCos(v); }

class MeshesRows : public testing::Test {
protected:
  void SetUp() override {
    if (!HeadlessShow::HaveGeneratedData()) GTEST_SKIP() << "no data tree";
    show = std::make_unique<HeadlessShow>(32, HeadlessShow::Data::Generated);
    scene = std::make_unique<TMeshesScene>();
  }
  void TearDown() override {
    scene.reset();
    show.reset();
  }
  int32_t CurrentIndex() const { return int32_t(scene->Current - scene->Meshes); }
  int32_t WhitePixels() const {
    int32_t n = 0;
    for (int32_t y = 0; y < 384; ++y)
      for (int32_t x = 0; x < 512; ++x) n += (ReadPixel(*ScreenBuffer, x, y) & 0xFFFFFF) == 0xFFFFFF;
    return n;
  }
  std::unique_ptr<HeadlessShow> show;
  std::unique_ptr<TMeshesScene> scene;
};

// Which mesh is current, its render mode and its Z after the frame at t; -1
// (and no Z) where the row leaves them as they were.
TEST_F(MeshesRows, MeshModeAndZAtEveryBoundary) {
  using M = TRenderMode;
  const struct Row {
    float end;
    int32_t mesh;
    int32_t mode;
    std::function<float(float)> z;
    bool strobe;
  } rows[] = {
      {18000, 0, int32_t(M::Wire), nullptr, false},
      {26000, -1, int32_t(M::Sprites), nullptr, false},
      {34000, -1, int32_t(M::Texture), nullptr, false},
      {42000, -1, -1, [](float t) { return -(t - 34000) / 100; }, false},
      {50000, 1, int32_t(M::Wire), [](float t) { return (t - 42000) / 100 - 80; }, false},
      {58000, -1, int32_t(M::Lit), nullptr, false},
      {66000, -1, int32_t(M::Environment), nullptr, false},
      {70000, -1, -1, nullptr, true},
      {78000, 2, int32_t(M::Lit), [](float) { return -40.0f; }, false},
      {86000, -1, int32_t(M::Environment), nullptr, false},
      {90000, -1, -1, nullptr, true},
      {98000, 3, int32_t(M::Lit), [](float) { return -30.0f; }, false},
      {110000, -1, int32_t(M::Environment), nullptr, false},
      {1e9f, -1, -1, [](float t) { return -30 - (t - 110000) / 80; }, false},
  };
  const int32_t kMode = int32_t(M::Gouraud);  // no row sets it
  const float kZ = 7.0f;
  bool parity[2] = {};
  for (const Row& boundary : rows) {
    if (boundary.end > 110000) break;
    for (float t : {boundary.end - 0.5f, boundary.end, boundary.end + 0.5f}) {
      const Row& row = *std::find_if(std::begin(rows), std::end(rows), [t](const Row& r) { return t <= r.end; });
      // Twice, from two different current meshes, on the two parities of
      // the strobe's raw clock.
      for (int32_t before : {0, 3}) {
        show->AdvanceMs(134);  // 201 units
        const bool odd = std::lrint(double(Elapsed(SyncTimer)) / 200.0) % 2 != 0;
        SCOPED_TRACE("t = " + std::to_string(t) + " from mesh " + std::to_string(before) + (odd ? ", odd" : ", even"));
        for (TQOObject& m : scene->Meshes) m.RenderMode = TRenderMode(kMode), m.Position.Z = kZ;
        scene->Current = &scene->Meshes[before];
        scene->DrawFrame(t);
        EXPECT_EQ(CurrentIndex(), row.mesh < 0 ? before : row.mesh);
        EXPECT_EQ(int32_t(scene->Current->RenderMode), row.mode < 0 ? kMode : row.mode);
        EXPECT_FLOAT_EQ(scene->Current->Position.Z, row.z ? row.z(t) : kZ);
        if (row.strobe) parity[odd] = true;
        // The strobe wipes the whole finished frame white on odd steps only.
        const int32_t white = WhitePixels();
        EXPECT_EQ(white == 512 * 384, row.strobe && odd) << white;
      }
    }
  }
  EXPECT_TRUE(parity[0] && parity[1]);
}

// From 110000 on the mesh recedes and black bars of round((t - 110000) / 39)
// columns and round((t - 110000) / 52) rows close in.
TEST_F(MeshesRows, ClosingBars) {
  for (float t : {110000.5f, 115000.0f, 119999.5f}) {
    SCOPED_TRACE("t = " + std::to_string(t));
    scene->DrawFrame(t);
    const int32_t a = int32_t(std::nearbyint((t - 110000) / 39)), b = int32_t(std::nearbyint((t - 110000) / 52));
    int32_t wrong = 0, lit = 0;
    for (int32_t y = 0; y < 384; ++y)
      for (int32_t x = 0; x < 512; ++x) {
        const bool bar = x < a || x >= 512 - a || y < b || y >= 384 - b;
        const bool black = (ReadPixel(*ScreenBuffer, x, y) & 0xFFFFFF) == 0;
        wrong += bar && !black;
        lit += !bar && !black;
      }
    EXPECT_EQ(wrong, 0);
    const int32_t between = std::max(0, 512 - 2 * a) * std::max(0, 384 - 2 * b);
    if (between > 0) {
      EXPECT_GT(lit, between / 2);  // the picture between them
    }
  }
}

// Six sprites glow in the particle layer (x + 240, y + 176) over the flash
// level, two more go straight onto the screen over the mesh (x + 224,
// y + 160).
TEST_F(MeshesRows, SpriteTables) {
  const uint32_t colours[6] = {0, 0x0C1800, 0, 0x280008, 0x00300C, 0x101020};
  for (int32_t i = 0; i < 6; ++i) Particles[i]->Clear(colours[i]);
  const SpriteRow glow[6] = {
      {3, {112, C, 900, S, 5400}, {80, S, 800, C, 4500}}, {3, {128, S, 700, C, 1600}, {96, C, 600, S, 2300}},
      {4, {116, C, 450, S, 6600}, {96, S, 550, C, 7700}}, {4, {96, C, 900, S, 1000}, {64, S, 800, C, 1500}},
      {5, {64, S, 700, C, 2000}, {48, C, 600, S, 2500}},  {5, {48, C, 650, S, 3000}, {32, S, 850, C, 3500}},
  };
  const SpriteRow over[2] = {{1, {132, C, 850, S, 6600}, {96, S, 950, C, 7700}},
                             {1, {200, S, 600, C, 3900}, {160, C, 700, S, 2900}}};
  // The mesh holds still, so two frames at one t differ only by the sprites.
  for (TQOObject& m : scene->Meshes) m.Spin = {0, 0, 0};
  TBuffer64 flash(Display, 512, 384, false);
  for (float t : {5000.0f, 12345.0f, 30000.0f, 60000.0f, 100000.0f}) {
    SCOPED_TRACE("t = " + std::to_string(t));
    scene->DrawFrame(t);  // the row of t sets the mode the next frames draw with

    // (1000 - t) / 39.2 rounded, its low byte, as a grey; black after 10000.
    const uint32_t level = t <= 10000 ? uint32_t(int32_t(std::nearbyint((1000 - t) / 39.2f)) & 255) : 0;
    flash.Clear(level * 0x010101);
    FrameModel layer(flash);
    for (const SpriteRow& g : glow) layer.Add(*Particles[g.image], g.x.At(t) + 240, g.y.At(t) + 176);

    Particles[1]->Clear(0);
    scene->DrawFrame(t);
    FrameModel screen(*ScreenBuffer);
    Particles[1]->Clear(colours[1]);
    for (const SpriteRow& o : over) screen.Add(*Particles[o.image], o.x.At(t) + 224, o.y.At(t) + 160);
    scene->DrawFrame(t);

    std::string where;
    EXPECT_EQ(layer.Mismatches(*scene->Buffer, &where), 0) << "layer:" << where;
    where.clear();
    EXPECT_EQ(screen.Mismatches(*ScreenBuffer, &where), 0) << "screen:" << where;
  }
}

}  // namespace
