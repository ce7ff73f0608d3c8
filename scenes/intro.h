// The first scene: a picture spins and zooms into place, a second fades in,
// blinks and turns negative, a third fades in, particles orbit over it, and
// at the end the layer drifts upward and blurs; all of it added over a tiled
// background that scrolls down.
#pragma once

#include <cstdint>
#include <memory>

#include "Zentra2/image.h"
#include "core/scene.h"
#include "scenes/orbit.h"
#include "scenes/tiled_image.h"

class TIntroScene : public TScene {
public:
  TIntroScene();

  void Run(const SceneSpan& span) override;
  // One frame for scene time t into Buffer and ScreenBuffer (no pacing or
  // presenting).
  void DrawFrame(float t);

  // Top-left corner of particle draw `index` (0..8, in drawing order) at t.
  static TOrbitPoint ParticlePosition(int32_t index, float t);
  // Row at which the background's first copy is drawn at t.
  static int32_t BackdropOffset(float t);

  std::unique_ptr<TImage64> Picture1, Picture2, Picture3;
  std::unique_ptr<TImageT64> Backdrop;

protected:
  bool RedrawsScreen(float t) const override;

private:
  void DrawParticles(float t);
  bool negative_ = false;  // the layer is inverted (--gentle)
};
