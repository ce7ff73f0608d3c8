#include "scenes/metaballs.h"

#include <algorithm>
#include <cmath>

#include "core/music.h"
#include "trig2/trig2.h"

namespace {

int32_t Round(float v) { return int32_t(std::nearbyint(v)); }

float S(float a) { return FastSin(a); }
float C(float a) { return FastCos(a); }

}  // namespace

TMetaballsScene::TMetaballsScene() {
  BallLayer = std::make_unique<TBuffer64>(Display, LayerSize, LayerSize, false);
  Background = std::make_unique<TImage64>(Display, "./data/gfx/metaballs/mb00.jpg", false);
  Overlay = std::make_unique<TImage64>(Display, "./data/gfx/metaballs/mb01.jpg", false);
  MaskedOverlay = std::make_unique<TBuffer64>(Display, Background->Width, Background->Height, false);
  Overlay->DrawMasked(MaskedOverlay.get(), 0, 0);
  Buffer->Clear(0xFFFFFFFF);  // the white picture of the final fade
  FillFieldTable(FieldTable);
}

void TMetaballsScene::FillFieldTable(int32_t (*table)[FieldSize]) {
  for (int32_t dx = -256; dx <= 256; ++dx) {
    for (int32_t dy = -256; dy <= 256; ++dy) {
      table[dx + 256][dy + 256] = 64000 / (dx * dx + dy * dy + 320);
      CheckMusicPause();
    }
  }
}

int32_t TMetaballsScene::FieldAt(int32_t x, int32_t y) const {
  // Every pixel is 0..255 and every centre 48..208, so the offsets stay
  // within the table.
  int32_t sum = 0;
  for (const TBall& b : Balls) sum += FieldTable[b.X - x + 256][b.Y - y + 256];
  return sum > 255 ? 255 : sum;
}

TBall TMetaballsScene::BallCentre(int32_t k, float t) {
  const int32_t cx = LayerSize / 2, cy = LayerSize / 2;
  switch (k) {
    case 0: return {Round(80 * S(t / 1200)) + cx, Round(32 * C(t / 1600)) + cy};
    case 1: return {Round(56 * C(t / 2400)) + cx, Round(64 * S(t / 1600)) + cy};
    default: return {Round(80 * C(t / 2400)) + cx, Round(48 * S(t / 1200)) + cy};
  }
}

uint32_t TMetaballsScene::BlobColor(int32_t x, int32_t y, int32_t v) {
  // Red from the column, green from the row, blue from the strength.
  return MakeColor(uint8_t((x + v) / 2), uint8_t((y + v) / 2), uint8_t(v));
}

void TMetaballsScene::DrawBlobs() {
  BallLayer->Clear(0);
  // FieldAt, unrolled: the table is symmetric in dx and dy, so a pixel row y
  // reads one table row per ball (by dy) and walks it by dx, which keeps the
  // reads sequential.
  for (int32_t y = 0; y < LayerSize; ++y) {
    const int32_t* f0 = FieldTable[Balls[0].Y - y + 256] + Balls[0].X + 256;
    const int32_t* f1 = FieldTable[Balls[1].Y - y + 256] + Balls[1].X + 256;
    const int32_t* f2 = FieldTable[Balls[2].Y - y + 256] + Balls[2].X + 256;
    for (int32_t x = 0; x < LayerSize; ++x) {
      int32_t v = f0[-x] + f1[-x] + f2[-x];
      if (v < Threshold) continue;  // stays black, the transparent colour
      if (v > 255) v = 255;
      BallLayer->PutPixel(x, y, BlobColor(x, y, v));
    }
  }
}

TOrbitPoint TMetaballsScene::AdditivePosition(int32_t index, float t) {
  switch (index) {
    case 0: return {Round(70 * (C(t / 600) + C(t / 3200))) + 128, Round(60 * (S(t / 800) + S(t / 2400))) + 64};
    case 1: return {Round(90 * (C(t / 200) + C(t / 3200))) + 256, Round(80 * (S(t / 400) + S(t / 2400))) + 128};
    case 2: return {Round(70 * (C(t / 300) + C(t / 3200))) + 256, Round(60 * (S(t / 500) + S(t / 2400))) + 128};
    case 3:
      return {Round((C(t / 600) + C(t / 3200)) * (t / 580)) + 256, Round((S(t / 800) + S(t / 2400)) * (t / 666)) + 128};
    case 4:
      return {Round((C(t / 400) + C(t / 3200)) * (t / 666)) + 256, Round((S(t / 200) + S(t / 2400)) * (t / 580)) + 128};
    case 5: return {Round(60 * (C(t / 500) + C(t / 3200))) + 256, Round(70 * (S(t / 300) + S(t / 2400))) + 128};
    default: return {Round(80 * (C(t / 800) + C(t / 3200))) + 256, Round(90 * (S(t / 600) + S(t / 2400))) + 128};
  }
}

uint8_t TMetaballsScene::FadeOpacity(float t) {
  // From t = 90015.6 on the quotient rounds to 256, past the one-byte
  // opacity: the last pass shows full white.
  return uint8_t(std::min(Round((t - 80000.0f) / 39.2f), 255));
}

void TMetaballsScene::DrawAdditive(float t, int32_t shift, int32_t shiftG) {
  // A is the blob layer; B..G alternate the first two particles.
  for (int32_t i = 0; i < 7; ++i) {
    TBuffer64* image = i == 0 ? BallLayer.get() : static_cast<TBuffer64*>(Particles[(i - 1) % 2]);
    const TOrbitPoint p = AdditivePosition(i, t);
    if (image) image->DrawAdd(ScreenBuffer, p.X, p.Y + (i == 6 ? shiftG : shift));
  }
}

void TMetaballsScene::Run(const SceneSpan& span) {
  RunFrames(span, [this](float t) {
    DrawFrame(t);
    FinishFrame();
  });
}

bool TMetaballsScene::RedrawsScreen(float t) const {
  return t > 6000.0f && CoversScreen(Background.get());  // copied to the top-left corner
}

void TMetaballsScene::DrawFrame(float t) {
  // Every layer is drawn afresh from t alone: a frame the next one covers
  // leaves nothing behind.
  if (PictureOverdrawn(t)) return;
  for (int32_t k = 0; k < 3; ++k) Balls[k] = BallCentre(k, t);

  if (t > 6000.0f) Background->Draw(ScreenBuffer, 0, 0);

  if (t > 19000.0f) {
    // The blue window: at most 128 columns of Overlay, sweeping right.
    const int32_t s = int32_t(int64_t(std::trunc(t / 30.0f)) % (RenderHeight + 256));
    const int32_t x1 = std::max(s - 128, 0);
    Overlay->DrawRect(ScreenBuffer, x1, 0, s, RenderHeight, x1, 0);
    const uint32_t blue = MakeColor(0, 0, 96);
    ScreenBuffer->VLine(0, RenderHeight, x1, blue);
    ScreenBuffer->VLine(0, RenderHeight, s, blue);
  }

  if (t > 9000.0f) {
    // Two red strips of the red-only copy, sweeping left.
    const int32_t u = int32_t(int64_t(std::trunc(t / 15.0f)) % (RenderWidth + 128));
    const int32_t strips[2][2] = {
        {std::max(RenderWidth - u - 16, 0), RenderWidth - u},
        {std::max(RenderWidth - u + 16, 0), RenderWidth - u + 32},
    };
    const uint32_t red = MakeColor(96, 0, 0);
    for (const auto& strip : strips) {
      const int32_t x1 = strip[0], x2 = strip[1];
      MaskedOverlay->DrawRect(ScreenBuffer, x1, 0, x2, RenderHeight, x1, 0);
      ScreenBuffer->VLine(0, RenderHeight, x1, red);
      ScreenBuffer->VLine(0, RenderHeight, x2, red);
    }
  }

  DrawBlobs();

  const TOrbitPoint a = AdditivePosition(0, t);
  const int32_t X = a.X, W = a.Y;
  if (t <= 6000.0f) {
    Background->DrawRotated(ScreenBuffer, ScreenBuffer->CenterX, ScreenBuffer->CenterY, t / 6000.0f, 0.0f);
  } else if (t <= 15000.0f) {
    BallLayer->DrawAlphaKeyed(ScreenBuffer, X, W + 250 - Round((t - 6000.0f) / 36.0f),
                              ColorComponent((t - 6000.0f) / 46.9f), 0);
  } else if (t <= 38000.0f) {
    BallLayer->DrawAlphaKeyed(ScreenBuffer, X, W, ColorComponent(192.0f), 0);
  } else if (t <= 47000.0f) {
    BallLayer->DrawAlphaKeyed(ScreenBuffer, X, W + Round((t - 38000.0f) / 36.0f), ColorComponent(192.0f), 0);
  } else if (t <= 56000.0f) {
    // Rising again with the particles; draw G only rises by J, from its own
    // place.
    const int32_t J = Round((t - 47000.0f) / 36.0f);
    DrawAdditive(t, 250 - J, -J);
  } else {
    DrawAdditive(t, 0, 0);
  }

  if (t > 80000.0f) Buffer->DrawAlpha(ScreenBuffer, 0, 0, FadeOpacity(t));
}
