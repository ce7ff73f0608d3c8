// The fourth scene: three metaballs computed per pixel from one table of
// field strengths, coloured by position and strength, over a background that
// zooms in and is swept by a blue window and two red strips; particles
// circle the blobs, and the last 10000 units fade to white.
#pragma once

#include <cstdint>
#include <memory>

#include "Zentra2/image.h"
#include "core/scene.h"
#include "scenes/orbit.h"

struct TBall {
  int32_t X, Y;
};

class TMetaballsScene : public TScene {
public:
  static constexpr int32_t LayerSize = 256;
  static constexpr int32_t FieldSize = 513;  // offsets -256..256
  // Blob pixels are those whose summed field reaches this.
  static constexpr int32_t Threshold = 48;

  TMetaballsScene();

  void Run(const SceneSpan& span) override;
  // One frame for scene time t into BallLayer and ScreenBuffer.
  void DrawFrame(float t);

  // 64000 div (dx^2 + dy^2 + 320) for every offset, keeping the music hold
  // going after every entry. table[dx + 256][dy + 256].
  static void FillFieldTable(int32_t (*table)[FieldSize]);
  // Summed field of the three balls at pixel (x, y) of BallLayer, capped at
  // 255.
  int32_t FieldAt(int32_t x, int32_t y) const;
  // Centre of ball `k` (0..2) at t.
  static TBall BallCentre(int32_t k, float t);
  // Clears BallLayer and draws the blobs of the current Balls into it.
  void DrawBlobs();
  // Pixel value of a blob pixel with field v.
  static uint32_t BlobColor(int32_t x, int32_t y, int32_t v);
  // Top-left corner of additive draw `index` (0..6, draws A..G), unshifted.
  static TOrbitPoint AdditivePosition(int32_t index, float t);
  // Opacity of the white picture at t > 80000.
  static uint8_t FadeOpacity(float t);

  int32_t FieldTable[FieldSize][FieldSize];
  TBall Balls[3] = {};
  std::unique_ptr<TBuffer64> BallLayer;
  std::unique_ptr<TImage64> Background;
  std::unique_ptr<TImage64> Overlay;
  std::unique_ptr<TBuffer64> MaskedOverlay;

protected:
  bool RedrawsScreen(float t) const override;

private:
  void DrawAdditive(float t, int32_t shift, int32_t shiftG);
};
