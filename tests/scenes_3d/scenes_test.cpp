// The meshes and greetz scenes: their timing formulas, their set-up, single
// frames at chosen times, and whole runs on the virtual clock.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <memory>
#include <string>

#include "Zentra2/image.h"
#include "Zentra2/timer.h"
#include "core/frame_observer.h"
#include "core/globals.h"
#include "core/timeline.h"
#include "platform/clock.h"
#include "scenes/greetz.h"
#include "scenes/meshes.h"
#include "tests/support/headless_show.h"
#include "tests/support/png_files.h"

namespace {

// Keys going down (or up) as the keyboard reports them to the show.
void PushKeys(std::initializer_list<SDL_Scancode> keys, bool down) {
  for (SDL_Scancode key : keys) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = key;
    SDL_PushEvent(&e);
  }
}

TEST(MeshesTimeline, FlashLevelsAndClosingBars) {
  EXPECT_EQ(MeshesFlashLevel(0), 26);
  EXPECT_EQ(MeshesFlashLevel(1000), 0);
  EXPECT_EQ(MeshesFlashLevel(1020), 255);  // -0.51 rounds to -1 and wraps
  EXPECT_EQ(MeshesFlashLevel(2000), 230);
  EXPECT_EQ(MeshesFlashLevel(10000), 26);
  EXPECT_EQ(MeshesFlashLevel(10000.5f), 0);
  int32_t a, b;
  MeshesClosingBars(110000, a, b);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 0);
  MeshesClosingBars(120000, a, b);  // the bars meet: the frame is black
  EXPECT_EQ(a, 256);
  EXPECT_EQ(b, 192);
}

// Jumps the clock ahead after every presented frame and keeps a copy of some.
class Skipper : public FrameObserver {
public:
  Skipper(platform::VirtualClock& clock, int64_t stepMs, std::string name)
      : clock_(clock), step_(stepMs * 1000), name_(std::move(name)) {}
  void FrameStarted(const char*, float t) override { last_ = t; }
  void FramePresented() override {
    if (frames_ % 4 == 0) DumpPng(*ScreenBuffer, name_ + "_run_" + std::to_string(int(last_)));
    ++frames_;
    clock_.Advance(step_);
  }
  int frames_ = 0;
  float last_ = 0;

private:
  platform::VirtualClock& clock_;
  int64_t step_;
  std::string name_;
};

class Scenes : public testing::TestWithParam<int> {
protected:
  // The scenes stay allocated, as they do in the show.
  void SetUp() override {
    if (!HeadlessShow::HaveGeneratedData()) GTEST_SKIP() << "no data tree";
    show = std::make_unique<HeadlessShow>(uint8_t(GetParam()), HeadlessShow::Data::Generated);
  }
  void TearDown() override { show.reset(); }
  std::string Name(const std::string& what, float t) const {
    return what + "_" + std::to_string(GetParam()) + "_" + std::to_string(int(t));
  }
  // A whole run with the clock jumping 2.5 s after every frame: between
  // `minFrames` and `maxFrames` frames, the last one past the span's end.
  void RunSkipping(TScene& scene, const SceneSpan& span, int minFrames, int maxFrames) {
    Skipper skip(*show->Clock, 2500, Name(span.name, 0));
    SetFrameObserver(&skip);
    scene.Run(span);
    EXPECT_GE(skip.frames_, minFrames);
    EXPECT_LE(skip.frames_, maxFrames);
    EXPECT_GT(skip.last_, span.length);
  }
  std::unique_ptr<HeadlessShow> show;
};

uint32_t At(const TBuffer64& buf, int32_t x, int32_t y) {
  uint32_t p = ReadPixel(buf, x, y);
  return buf.BytesPerPixel == 4 ? p & 0xFFFFFF : p;
}

TEST_P(Scenes, Meshes) {
  const uint32_t white = GetParam() <= 16 ? 0xFFFFu : 0xFFFFFFu;  // all bits set
  auto* meshes = new TMeshesScene();
  EXPECT_EQ(RenderTarget, &ScreenBuffer);
  for (int i = 0; i < 4; ++i) {
    const TQOObject& m = meshes->Meshes[i];
    EXPECT_EQ(m.RenderMode, TRenderMode::Points);
    EXPECT_EQ(m.Color, MakeColor(0, 255, 0));
    EXPECT_EQ(m.Sprite.Get(), Particles[4]);
    EXPECT_EQ(m.Texture.Get(), i == 3 ? meshes->SaucerTexture.get() : meshes->MeshTexture.get());
    EXPECT_EQ(m.Spin.Y, 1.0f);
    EXPECT_GT(m.FaceCount, 0);
  }
  // The bars have closed: the last frame is black in every depth. (The rows
  // of the timeline are checked one by one in meshes_rows_test.cpp.)
  meshes->DrawFrame(120000);
  int lit = 0;
  for (int32_t y = 0; y < 384; ++y)
    for (int32_t x = 0; x < 512; ++x) lit += At(*ScreenBuffer, x, y) != 0;
  EXPECT_EQ(lit, 0);
  // The flash layer (its corner is clear of the particles).
  meshes->DrawFrame(5000);
  EXPECT_EQ(At(*meshes->Buffer, 0, 0), GetParam() >= 24 ? MakeColor(154, 154, 154) : 0x9A9Au);

  // The strobe follows the absolute clock: every other 200 ms all white.
  int whiteFrames = 0;
  for (int i = 0; i < 4; ++i) {
    show->Clock->Advance(200000);
    meshes->DrawFrame(68000);
    bool odd = std::lrint(double(SyncTimer->Elapsed()) / 200.0) % 2 != 0;
    bool allWhite = At(*ScreenBuffer, 0, 0) == white && At(*ScreenBuffer, 256, 192) == white &&
                    At(*ScreenBuffer, 511, 383) == white;
    EXPECT_EQ(odd, allWhite);
    whiteFrames += allWhite;
  }
  EXPECT_EQ(whiteFrames, 2);

  // Debug keys: W picks mesh 1, but "5" (mode 4) and Right (+0.2 on X)
  // act on the mesh that was current when FinishFrame began.
  meshes->Current = &meshes->Meshes[0];
  DebugMode = FlagOn;
  PushKeys({SDL_SCANCODE_W, SDL_SCANCODE_5, SDL_SCANCODE_RIGHT}, true);
  meshes->FinishFrame();
  PushKeys({SDL_SCANCODE_W, SDL_SCANCODE_5, SDL_SCANCODE_RIGHT}, false);
  DebugMode = 0;
  EXPECT_EQ(meshes->Current, &meshes->Meshes[1]);
  EXPECT_EQ(meshes->Meshes[0].RenderMode, TRenderMode::Lit);
  EXPECT_FLOAT_EQ(meshes->Meshes[0].Position.X, 0.2f);
  EXPECT_EQ(meshes->Meshes[1].Position.X, 0.0f);

  // A whole run: the clock jumps 2.5 s (3750 demo-clock units) after every
  // frame; Run ends on its own after the first frame past 120000.
  RunSkipping(*meshes, timeline::kMeshes, 32, 34);
}

TEST_P(Scenes, Greetz) {
  auto* greetz = new TGreetzScene();
  const TQOObject& g = greetz->Mesh;
  EXPECT_EQ(g.RenderMode, TRenderMode::Lit);
  EXPECT_EQ(g.Sprite.Get(), Particles[4]);
  EXPECT_EQ(g.Texture.Get(), Particles[2]);
  EXPECT_EQ(greetz->Panel->Width, 180);
  EXPECT_EQ(greetz->Panel->Height, 192);
  // The geosphere's origin projects to (384, 96).
  float px, py;
  ProjectPoint(px, py, g.Position.X, g.Position.Y, g.Position.Z);
  EXPECT_EQ(px, 384.0f);
  EXPECT_EQ(py, 96.0f);

  // The rows of the timeline are checked one by one in greetz_rows_test.cpp;
  // here the closing picture, copied whole in every depth.
  greetz->DrawFrame(90000);
  int differ = 0;
  for (int32_t y = 0; y < 384; ++y)
    for (int32_t x = 0; x < 512; ++x) differ += At(*ScreenBuffer, x, y) != At(*greetz->Finale, x, y);
  EXPECT_EQ(differ, 0);

  // Its debug keys leave out Q..R; Page Down adds 0.1 to the Z spin.
  DebugMode = FlagOn;
  PushKeys({SDL_SCANCODE_Q, SDL_SCANCODE_PAGEDOWN}, true);
  greetz->FinishFrame();
  PushKeys({SDL_SCANCODE_Q, SDL_SCANCODE_PAGEDOWN}, false);
  DebugMode = 0;
  EXPECT_FLOAT_EQ(g.Spin.Z, 0.9f);

  RunSkipping(*greetz, timeline::kGreetz, 27, 29);
}

INSTANTIATE_TEST_SUITE_P(Depths, Scenes, testing::Values(15, 16, 24, 32));

}  // namespace
