#include "scenes/intro.h"

#include <cmath>

#include "Zentra2/timer.h"
#include "core/music.h"
#include "trig2/trig2.h"

namespace {

// The nine sprites of the particle phase, in drawing order; the third picture
// is added between the sixth and the seventh.
const TParticleOrbit IntroParticles[9] = {
    {3, {112, FastCos, 900, FastSin, 5400, 240}, {80, FastSin, 800, FastCos, 4500, 176}},
    {3, {128, FastSin, 700, FastCos, 1600, 240}, {96, FastCos, 600, FastSin, 2300, 176}},
    {4, {116, FastCos, 450, FastSin, 6600, 240}, {96, FastSin, 550, FastCos, 7700, 176}},
    {4, {96, FastCos, 900, FastSin, 1000, 240}, {64, FastSin, 800, FastCos, 1500, 176}},
    {5, {64, FastSin, 700, FastCos, 2000, 240}, {48, FastCos, 600, FastSin, 2500, 176}},
    {5, {48, FastCos, 650, FastSin, 3000, 240}, {32, FastSin, 850, FastCos, 3500, 176}},
    {0, {132, FastCos, 850, FastSin, 6600, 224}, {96, FastSin, 950, FastCos, 7700, 160}},
    {1, {148, FastSin, 500, FastCos, 8800, 224}, {80, FastCos, 400, FastSin, 9900, 160}},
    {2, {20, FastSin, 600, FastCos, 3900, 224}, {160, FastCos, 700, FastSin, 2900, 160}},
};

bool IsOdd(int64_t v) { return v % 2 != 0; }

}  // namespace

TIntroScene::TIntroScene() {
  Picture1 = std::make_unique<TImage64>(Display, "./data/gfx/intro/in00.png", false);
  Picture2 = std::make_unique<TImage64>(Display, "./data/gfx/intro/in01.png", false);
  Picture3 = std::make_unique<TImage64>(Display, "./data/gfx/intro/in02.png", false);
  Backdrop = std::make_unique<TImageT64>(Display, "./data/gfx/intro/in69.png", RenderWidth, RenderHeight);
}

TOrbitPoint TIntroScene::ParticlePosition(int32_t index, float t) { return IntroParticles[index].At(t); }

int32_t TIntroScene::BackdropOffset(float t) {
  return int32_t(int64_t(std::nearbyint(t / 40.0f)) % RenderHeight);
}

void TIntroScene::Run(const SceneSpan& span) {
  RunFrames(span, [this](float t) {
    DrawFrame(t);
    FinishFrame();
  });
}

void TIntroScene::DrawParticles(float t) {
  for (int32_t i = 0; i < 9; ++i) {
    if (i == 6) Picture3->DrawAdd(Buffer, 0, 0);
    const TOrbitPoint p = ParticlePosition(i, t);
    if (TImage64* sprite = Particles[IntroParticles[i].Image]) sprite->DrawAdd(Buffer, p.X, p.Y);
  }
}

bool TIntroScene::RedrawsScreen(float /*t*/) const {
  // Drawn twice, a whole size apart along the way it scrolls.
  return CoversScreen(Backdrop.get());
}

void TIntroScene::DrawFrame(float t) {
  // The effect layer keeps its pixels between frames: trails, fades and the
  // blinking negative all build on what the previous frame left.
  if (t <= 5400.0f) {
    Picture1->DrawRotated(Buffer, Buffer->CenterX, Buffer->CenterY + 180 - int32_t(std::trunc(t / 30.0f)),
                          t / 5400.0f, t / 15.0f);
  } else if (t <= 8400.0f) {
    Picture1->Draw(Buffer, 0, 0);
  } else if (t <= 15400.0f) {
    Picture2->DrawAlpha(Buffer, 0, 0, ColorComponent(4.0f));
  } else if (t <= 18000.0f) {
    // On the raw demo clock: while its rounded second is odd the layer flips
    // every frame (25 times a second). Gentler: it turns negative for the
    // odd second and back after it.
    const bool odd = IsOdd(int64_t(std::nearbyint(Elapsed(SyncTimer) / 1000.0f)));
    if (Gentle ? odd != negative_ : odd) {
      Buffer->Invert();
      negative_ = !negative_;
    }
  } else if (t <= 19000.0f) {
    Picture2->Draw(Buffer, 0, 0);
    Buffer->Invert();
  } else if (t <= 30000.0f) {
    Picture3->DrawAlpha(Buffer, 0, 0, ColorComponent(3.0f));
  } else if (t <= 70000.0f) {
    Buffer->Clear(0);
    DrawParticles(t);
    DrawWaveBars(Buffer);
  } else {
    // Move the layer up two rows; the bottom two rows keep their pixels.
    Buffer->Draw(Buffer, 0, -2);
    DrawWaveBars(Buffer);
    if (IsOdd(int64_t(std::trunc(t / 500.0f)))) Buffer->BlurFast();
  }

  // The effect layer is the scene's state; the screen is only its picture.
  if (PictureOverdrawn(t)) return;
  const int32_t k = BackdropOffset(t);
  Backdrop->Draw(ScreenBuffer, 0, k);
  Backdrop->Draw(ScreenBuffer, 0, k - RenderHeight);
  Buffer->DrawAdd(ScreenBuffer, 0, 0);
}
