#include "core/globals.h"

#include <cmath>

#include "Zentra2/zentra.h"

int32_t ScreenWidth = RenderWidth;
int32_t ScreenHeight = RenderHeight;
int32_t ScreenBpp = 32;

int32_t DebugMode = 0, ShowFramerate = 0, MaxPriority = 0, MotionBlur = 0, NoMMX = 0, NoSound = 0, VSync = 0,
        Windowed = 0;

uint32_t MusicHandle = 0;
int32_t MusicIsModule = 0;

TZentra* Display = nullptr;
TBuffer64* ScreenBuffer = nullptr;
TBuffer64* BlurBuffer = nullptr;
TInput64* Input = nullptr;
TTimer64* SyncTimer = nullptr;
TTimer64_2* MusicTimer = nullptr;
TTimer64_2* WaitTimer = nullptr;
TImage64* Particles[6] = {};

float LastFrameTime = 0.0f;
bool Headless = false;

uint8_t ColorComponent(float value) {
  // Nearest integer, ties to even; large values saturate, negative ones are
  // mirrored rather than clamped.
  float rounded = std::nearbyint(value);
  int64_t v;
  if (rounded > 255.0f) v = 255;
  else if (rounded < 0.0f) v = rounded < -1.0e9f ? 1000000000 : -int64_t(rounded);
  else v = int64_t(rounded);
  // The 5-bit blend kernels drop the low three bits of the opacity; +4 rounds
  // it to the nearest of their 32 steps. Saturating, so that full opacity
  // stays full instead of wrapping round to almost nothing.
  if (DisplayDepth == 15 || DisplayDepth == 16) return uint8_t(v + 4 > 255 ? 255 : v + 4);
  return uint8_t(v % 256);
}
