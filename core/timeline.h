// The show's timeline: the one home of the numbers that the program, the
// music generator and the tests share. The scenes' lengths, where the music
// is held and resumed, the frame step and the beat grid are written here
// once; everything else (where each scene starts, the bars the music is
// composed on) is derived from them.
//
// Header only, so that the data generator can read it without linking the show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Zentra2/timer.h"

// A scene's name (which labels its frames in recordings and benchmarks:
// "intro", "cube"...) and its length in SyncTimer units.
struct SceneSpan {
  const char* name;
  float length;
};

namespace timeline {

// SyncTimer units per real millisecond: the demo clock runs 1.5 times as
// fast as MusicTimer.
inline constexpr double kUnitsPerMilli = double(TTimer64::Scale);

// MusicTimer milliseconds: the music is held once it reaches this point
// during loading and resumes from it when the first scene starts.
inline constexpr int32_t kHoldPoint = 8500;

// Frames are released at most once per this many MusicTimer milliseconds.
inline constexpr int32_t kFrameMillis = 20;

// The loading screen's opening animation, then the six scenes in playing order.
inline constexpr SceneSpan kLoading{"loading", 10000.0f};
inline constexpr SceneSpan kScenes[] = {
    {"intro", 80000.0f},     {"cube", 90000.0f},    {"circles", 60000.0f},
    {"metaballs", 90000.0f}, {"meshes", 120000.0f}, {"greetz", 100000.0f},
};
inline constexpr size_t kSceneCount = sizeof kScenes / sizeof kScenes[0];
inline constexpr const SceneSpan& kIntro = kScenes[0];
inline constexpr const SceneSpan& kCube = kScenes[1];
inline constexpr const SceneSpan& kCircles = kScenes[2];
inline constexpr const SceneSpan& kMetaballs = kScenes[3];
inline constexpr const SceneSpan& kMeshes = kScenes[4];
inline constexpr const SceneSpan& kGreetz = kScenes[5];

// The music's grid: 90 beats a minute, four beats a bar, bar 0 at the hold
// point. A bar is 4000 SyncTimer units, so every scene lasts a whole or
// half number of bars.
inline constexpr double kBeatsPerMinute = 90.0;
inline constexpr double kBeatsPerBar = 4.0;
inline constexpr double kBeatMillis = 60000.0 / kBeatsPerMinute;
inline constexpr double kBeatSeconds = 60.0 / kBeatsPerMinute;
inline constexpr double kBarSeconds = kBeatsPerBar * kBeatSeconds;
inline constexpr double kBarUnits = kBeatsPerBar * 60000.0 * kUnitsPerMilli / kBeatsPerMinute;

// Index in kScenes of the scene called `name`; kSceneCount for none.
inline size_t FindScene(const char* name) {
  size_t i = 0;
  while (i < kSceneCount && std::strcmp(name, kScenes[i].name) != 0) ++i;
  return i;
}

// MusicTimer milliseconds a scene of `length` lasts when played on the
// virtual clock: frames kFrameMillis apart, each 30 units of scene time on,
// up to and including the first past the length.
constexpr int64_t SceneMillis(float length) {
  constexpr int64_t frameUnits = int64_t(kFrameMillis * kUnitsPerMilli);
  return kFrameMillis * (int64_t(length) / frameUnits + 2);
}

// MusicTimer reading at which scene `index` starts in a full run (the first
// at the hold point); kSceneCount gives the end of the last.
constexpr int64_t SceneStartMillis(size_t index) {
  int64_t at = kHoldPoint;
  for (size_t i = 0; i < index && i < kSceneCount; ++i) at += SceneMillis(kScenes[i].length);
  return at;
}

// The bar at which scene `index` starts on the music's grid (the show's
// lengths, without the frame step's rounding); kSceneCount gives the end.
constexpr double SceneStartBar(size_t index) {
  double units = 0;
  for (size_t i = 0; i < index && i < kSceneCount; ++i) units += kScenes[i].length;
  return units / kBarUnits;
}

}  // namespace timeline
