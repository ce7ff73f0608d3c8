// The main sequence: devices, music, the loading screen, the six scenes in order.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/scene.h"

class TScene;
struct Options;

// One part of the show: its name and length, the line the loading screen
// prints while it is built, and how it is built. The loading screen comes
// first and is built before everything else.
struct ShowPart {
  SceneSpan span;
  const char* progress;
  TScene* (*make)();
};

// The show's parts in playing order.
std::span<const ShowPart> ShowParts();

// The scene (not the loading screen) called `name`; null for none.
const ShowPart* FindShowPart(const std::string& name);

// Where each scene starts in the music in a full run, one line each
// ("cube 61.86 s"), for --list-scenes.
std::string SceneStartList();

// Frames of video a headless run writes from its first frame to the end of
// the show (50 a second of virtual time) when it starts at the scene `start`
// (empty: the first).
int64_t ShowFrames(const std::string& start);

// Plays the show as the options say and returns the exit code of the normal
// end. With a scene to start at, the scenes before it are skipped after
// loading: the clocks and the music move on to where that scene starts in a
// full run.
int RunShow(const Options& options);
