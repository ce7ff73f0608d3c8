// The main sequence: devices, music, the loading screen, the six scenes in order.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/scene.h"

class TScene;

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

// Plays the show with the given command line (program name excluded) and
// returns the exit code of the normal end.
int RunShow(const std::vector<std::string>& args);
