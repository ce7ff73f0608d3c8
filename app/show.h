// The main sequence: devices, music, the loading screen, the six scenes in order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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

// Show time (MusicTimer milliseconds) named by `text`: seconds ("200",
// "61.5"), minutes and seconds ("3:20"), a scene ("metaballs": its start) or
// a scene and seconds into it ("metaballs+12.5"). Empty with `why` set when
// the text names no time the show plays (before the first scene, past the
// end, past the end of the named scene).
std::optional<int32_t> ParseShowTime(const std::string& text, std::string* why);

// Where a jump to show time `showMillis` lands: the scene that holds it (its
// index in ShowParts()) and the first frame at or before it, counted from
// the scene's start, whose top a full run reaches at show time `land`.
// Times outside the scenes land on the first or the last frame.
struct Landing {
  size_t part;
  int64_t frames;
  int32_t land;
};
Landing LandingOf(int32_t showMillis);

// Frames of video a headless run writes from its first frame to the end of
// the show (50 a second of virtual time) when it jumps to show time
// `startMillis` after loading (-1: no jump, the first scene).
int64_t ShowFrames(int32_t startMillis);

// How long a jump took to land (its first frame presented): `scene`, where
// in it ("middle", "end"), wall-clock and processor milliseconds.
using JumpTimes = std::function<void(const std::string& scene, const char* where, double wallMs, double processorMs)>;

// Plays the show as the options say and returns the exit code: the normal
// end, leaving (Escape, a window close, a quit signal) or the recorder's
// end all return here, and everything is torn down once, in order (the
// music fades out when the user left, then the devices go). With a start
// time the show jumps there after loading. With `jumpTimes`, after the
// normal end the show jumps to the middle and to the end of every scene and
// reports how long each jump took.
int RunShow(const Options& options, const JumpTimes& jumpTimes = nullptr);
