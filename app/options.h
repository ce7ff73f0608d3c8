// The command line, read once into one Options value that the rest of the
// program is handed. The show's own options are exact, case-sensitive
// literals with a single dash; anything else with a single dash (or none)
// is ignored, as the show always did. Ours (help, version, record,
// benchmark...) use the "--name" form so they can never collide with them;
// every one of them is checked before anything runs, and an unknown one is
// an error that names the nearest known option.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/rgb_frames.h"
#include "core/globals.h"

// The show's own options, as the flags and sizes they set (0 off, FlagOn on).
struct ShowOptions {
  bool anyArgument = false;  // with none the process priority is left alone
  int32_t debug = 0, framerate = 0, maxPriority = 0, motionBlur = 0, noMMX = 0, noSound = 0, vsync = 0, windowed = 0;
  int32_t width = RenderWidth, height = RenderHeight, bpp = 32;
};

// What a headless run plays and writes, in video frames (50 a second of the
// show's virtual time, frame 0 the first of the loading screen).
struct FrameSpan {
  int64_t first = 0;
  int64_t end = -1;         // one past the last frame to write; -1: to the end of the show
  std::set<int64_t> only;   // when not empty: only these frames, all within [first, end)
  bool Contains(int64_t frame) const {
    return frame >= first && (end < 0 || frame < end) && (only.empty() || only.count(frame) != 0);
  }
};

enum class RunMode { Play, Record, Benchmark, Hashes, Help, Version, ListScenes };

struct Options {
  ShowOptions show;
  RunMode mode = RunMode::Play;
  std::string out;                    // --record=OUT, as given (for messages)
  std::string outPath;                // ... from the folder the program was started in
  FrameSpan frames;                   // --from/--to or --frames
  std::optional<FrameLayout> layout;  // --record-size, --record-scale
  bool json = false;                  // --json
  bool gentle = false;                // --gentle
  std::string start;                  // --start=TIME, as given (for messages)
  int32_t startMillis = -1;           // ... the show time it names; -1: none
  std::string error;                  // what is wrong with the command line; the run does not start
};

// Reads the whole command line (program name excluded).
Options ParseCommandLine(const std::vector<std::string>& args);

// Puts the show's options into the globals. With at least one argument the
// process priority is set (realtime with "-maxpriority", else normal).
void ApplyShowOptions(const ShowOptions& show);

// One line per option, the show's and ours.
std::string HelpText();
std::string VersionText();
