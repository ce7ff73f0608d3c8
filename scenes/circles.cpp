#include "scenes/circles.h"

#include <cmath>

#include "Zentra2/image.h"
#include "core/music.h"
#include "trig2/trig2.h"

namespace {

const TParticleOrbit CirclesParticles[9] = {
    {3, {112, FastCos, 900, FastSin, 5400, 240}, {80, FastSin, 800, FastCos, 4500, 176}},
    {3, {128, FastSin, 700, FastCos, 1600, 240}, {96, FastCos, 600, FastSin, 2300, 176}},
    {4, {116, FastCos, 700, FastSin, 6600, 240}, {96, FastSin, 600, FastCos, 7700, 176}},
    {4, {96, FastCos, 900, FastSin, 1000, 240}, {64, FastSin, 800, FastCos, 1500, 176}},
    {5, {64, FastSin, 700, FastCos, 2000, 240}, {48, FastCos, 600, FastSin, 2500, 176}},
    {5, {48, FastCos, 700, FastSin, 3000, 240}, {32, FastSin, 600, FastCos, 3500, 176}},
    {0, {132, FastCos, 700, FastSin, 6600, 240}, {96, FastSin, 600, FastCos, 7700, 176}},
    {1, {148, FastSin, 500, FastCos, 8800, 240}, {80, FastCos, 400, FastSin, 9900, 176}},
    {2, {230, FastSin, 600, FastCos, 3900, 240}, {160, FastCos, 700, FastSin, 2900, 176}},
};

// The two copies of the rings; -255 keeps the 1024-pixel picture over the
// whole layer wherever they swing.
const TParticleOrbit OpaqueRings = {-1, {112, FastCos, 900, FastSin, 5400, -255},
                                    {80, FastSin, 800, FastCos, 4500, -255}};
const TParticleOrbit XorRings = {-1, {128, FastSin, 700, FastCos, 3200, -255},
                                 {96, FastCos, 600, FastSin, 2300, -255}};

constexpr uint32_t Black = 0;
constexpr uint32_t White = 0xFFFFFFFF;  // all bits set: white in every depth

}  // namespace

TCirclesScene::TCirclesScene() {
  Backdrop = std::make_unique<TImageT64>(Display, "./data/gfx/textures/tex00.jpg", RenderWidth, RenderHeight);
  Rings = std::make_unique<TBuffer64>(Display, RingsSize, RingsSize, false);
  DrawRings(Rings.get());
  Rings->Blur();  // soften the ring edges
  if (Gentle) Moire = std::make_unique<TBuffer64>(Display, RenderWidth, RenderHeight, false);
}

void TCirclesScene::DrawRings(TBuffer64* rings) {
  // From the outside in, each black disc is covered by a white one 10 pixels
  // smaller, leaving a 10-pixel black ring.
  for (int32_t n = 40; n >= 1; --n) {
    rings->FillCircle(511, 511, 20 * n, Black);
    rings->FillCircle(511, 511, 20 * n - 10, White);
    CheckMusicPause();
  }
}

TOrbitPoint TCirclesScene::RingsPosition(float t) { return OpaqueRings.At(t); }
TOrbitPoint TCirclesScene::XorRingsPosition(float t) { return XorRings.At(t); }
TOrbitPoint TCirclesScene::ParticlePosition(int32_t index, float t) { return CirclesParticles[index].At(t); }

int32_t TCirclesScene::BackdropOffset(float t) {
  return int32_t(int64_t(std::nearbyint(t / 40.0f)) % RenderWidth);
}

TClosingBars TCirclesScene::ClosingBars(float t) {
  return {int32_t(std::nearbyint((t - 50000.0f) / 39.0f)), int32_t(std::nearbyint((t - 50000.0f) / 52.0f))};
}

void TCirclesScene::Run(const SceneSpan& span) {
  RunFrames(span, [this](float t) {
    DrawFrame(t);
    FinishFrame();
  });
}

bool TCirclesScene::RedrawsScreen(float /*t*/) const {
  // Drawn twice, a whole size apart along the way it scrolls.
  return CoversScreen(Backdrop.get());
}

void TCirclesScene::DrawFrame(float t) {
  // The opaque copy overwrites all of Buffer, so nothing carries over: a
  // frame the next one covers need not be drawn at all.
  if (PictureOverdrawn(t)) return;
  const TOrbitPoint r = RingsPosition(t);
  Rings->Draw(Buffer, r.X, r.Y);
  const TOrbitPoint x = XorRingsPosition(t);
  if (Moire) {
    // The interference of the two copies swings the brightness several
    // times a second; gentler, it shows at a third of its contrast over
    // the plain rings, whose brightness holds still.
    Buffer->Draw(Moire.get(), 0, 0);
    Rings->DrawXor(Moire.get(), x.X, x.Y);
    Moire->DrawAlpha(Buffer, 0, 0, ColorComponent(85.0f));
  } else {
    Rings->DrawXor(Buffer, x.X, x.Y);
  }

  for (const TParticleOrbit& orbit : CirclesParticles) {
    const TOrbitPoint p = orbit.At(t);
    if (TImage64* sprite = Particles[orbit.Image]) sprite->DrawAdd(Buffer, p.X, p.Y);
  }

  const int32_t k = BackdropOffset(t);
  Backdrop->Draw(ScreenBuffer, k, 0);
  Backdrop->Draw(ScreenBuffer, k - RenderWidth, 0);
  Buffer->DrawAdd(ScreenBuffer, 0, 0);

  if (t > 50000.0f) {
    const TClosingBars bars = ClosingBars(t);
    const int32_t a = bars.Side, b = bars.Top;
    ScreenBuffer->FillRect(0, 0, a, RenderHeight, Black);                          // left
    ScreenBuffer->FillRect(RenderWidth - a, 0, RenderWidth, RenderHeight, Black);  // right
    ScreenBuffer->FillRect(0, 0, RenderWidth, b, Black);                           // top
    ScreenBuffer->FillRect(0, RenderHeight - b, RenderWidth, RenderHeight, Black);  // bottom
  }
}
