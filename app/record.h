// Record and benchmark modes: the whole show against the fixed-step virtual
// clock, without a window, an audio device or dialogs.
//
// Recording writes every 20 ms of the show's virtual time as one video frame
// (what the screen shows then: the last presented frame, repeated while the
// show presents nothing) and renders the music offline along the same
// timeline. Benchmarking runs the same way and reports how long each frame's
// drawing took.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/rgb_frames.h"

struct RecordOptions {
  std::string out;            // folder, or a .mp4/.mkv file; empty when benchmarking
  bool benchmark = false;
  bool json = false;
  bool hashes = false;        // print frame hashes instead of writing files
  double fromSeconds = 0.0;   // video time of the first frame to write
  double toSeconds = 1e300;   // ... and of the last
  std::set<int64_t> frames;   // when not empty: only these frame numbers (all when hashing)
  std::optional<FrameLayout> layout;  // enlarged frames (--record-size, --record-scale)
  std::string start;          // the scene to start at (--start)
};

// Parses "--frames" lists such as "0,50,100-120". False on a malformed list.
bool ParseFrameList(const std::string& text, std::set<int64_t>* frames);

// Plays the show with `showArgs` in record or benchmark mode; returns the
// process exit code.
int RunRecorded(const RecordOptions& options, const std::vector<std::string>& showArgs);

// Samples of 44100 Hz audio before virtual time `micros` (rounded down).
inline int64_t SampleAt(int64_t micros) { return micros * 44100 / 1000000; }
