// Sprite paths shared by the 2D scenes: a coordinate that swings as
// round(A * f(t / D1) + g(t / D2)) + Offset, with f and g the table sine or
// cosine. The second wave is added unscaled, so it only jitters the sprite by
// a pixel.
#pragma once

#include <cmath>
#include <cstdint>

#include "trig2/trig2.h"

using TWave = float (*)(float);

struct TOrbit {
  float A;
  TWave F;
  float D1;
  TWave G;
  float D2;
  int32_t Offset;

  int32_t At(float t) const {
    // Both quotients are taken in single precision, as the table lookups want.
    return int32_t(std::nearbyint(A * F(t / D1) + G(t / D2))) + Offset;
  }
};

struct TOrbitPoint {
  int32_t X, Y;
};

// One sprite draw: which of the six shared particles, and its two paths.
struct TParticleOrbit {
  int32_t Image;
  TOrbit X, Y;

  TOrbitPoint At(float t) const { return {X.At(t), Y.At(t)}; }
};
