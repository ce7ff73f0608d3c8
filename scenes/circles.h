// The third scene: two moving copies of one big ring picture, the second
// XORed over the first, with nine orbiting particles, added over a texture
// that scrolls sideways; from 50000 on black bars close in from all sides.
#pragma once

#include <cstdint>
#include <memory>

#include "core/scene.h"
#include "scenes/orbit.h"
#include "scenes/tiled_image.h"

// Widths of the closing bars: `Side` columns at the left and right edge,
// `Top` rows at the top and bottom edge.
struct TClosingBars {
  int32_t Side, Top;
};

class TCirclesScene : public TScene {
public:
  static constexpr int32_t RingsSize = 1024;

  TCirclesScene();

  void Run(const SceneSpan& span) override;
  // One frame for scene time t into Buffer and ScreenBuffer.
  void DrawFrame(float t);

  // 40 black and 40 white rings, each 10 pixels wide, round (511, 511) of
  // `rings`; keeps the music hold going between rings. Not yet blurred.
  static void DrawRings(TBuffer64* rings);
  // Top-left corners of the opaque and the XOR copy of the rings at t.
  static TOrbitPoint RingsPosition(float t);
  static TOrbitPoint XorRingsPosition(float t);
  // Top-left corner of particle draw `index` (0..8) at t.
  static TOrbitPoint ParticlePosition(int32_t index, float t);
  // Column at which the background's first copy is drawn at t.
  static int32_t BackdropOffset(float t);
  // The bars at t (only drawn when t > 50000).
  static TClosingBars ClosingBars(float t);

  std::unique_ptr<TImageT64> Backdrop;
  std::unique_ptr<TBuffer64> Rings;
  std::unique_ptr<TBuffer64> Moire;  // --gentle: the interference pattern, blended in at a third

protected:
  bool RedrawsScreen(float t) const override;
};
