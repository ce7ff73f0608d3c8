#include "trig2/trig2.h"

#include <cmath>
#include <cstdint>

namespace {

// Zero until built: static storage.
float SinTable[SinTableSize];

// All constants are the single-precision values the table was designed with
// (2*pi and its multiples rounded to float are slightly larger than the real ones).
constexpr double kTurn = 6.2831854820251465;      // 2*pi as a float
constexpr float kRadianStepUp = 18.84955596923828f;  // three turns
constexpr float kRadianScale = 10185.916015625f;     // 64000 / 2*pi
constexpr float kRadianQuarter = 1.5707963705062866f;
constexpr float kDegreeStepUp = 1080.0f;
constexpr float kDegreeScale = 177.77777099609375f;  // 64000 / 360
constexpr float kDegreeQuarter = 90.0f;

// Steps a negative angle up by whole multiples of three turns (float
// additions, as the table's users expect), scales it and reads the table.
inline float Lookup(float angle, float stepUp, float scale) {
  // Out of the lookups' range (not finite, or so far below zero that the
  // step-up would run for ages or stall): no table entry stands for it.
  if (!(angle > -stepUp * 100000.0f) || !std::isfinite(angle)) return 0.0f;
  while (angle < 0.0f) angle += stepUp;
  double scaled = std::nearbyint(double(angle) * double(scale));  // exact product, ties to even
  if (scaled >= 2147483647.0) return 0.0f;
  int32_t index = int32_t(scaled);
  if (index >= SinTableSize) index %= SinTableSize;
  return SinTable[index];
}

}  // namespace

void BuildSinTable() {
  for (int i = 0; i < SinTableSize; ++i) SinTable[i] = float(std::sin(double(i) * kTurn / 64000.0));
}

float FastSin(float radians) { return Lookup(radians, kRadianStepUp, kRadianScale); }
float FastCos(float radians) { return FastSin(radians + kRadianQuarter); }
float FastSinDeg(float degrees) { return Lookup(degrees, kDegreeStepUp, kDegreeScale); }
float FastCosDeg(float degrees) { return FastSinDeg(degrees + kDegreeQuarter); }
