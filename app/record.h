// Record, benchmark and hash modes: the whole show against the fixed-step
// virtual clock, without a window, an audio device or dialogs.
//
// Recording writes every 20 ms of the show's virtual time as one video frame
// (what the screen shows then: the last presented frame, repeated while the
// show presents nothing) and renders the music offline along the same
// timeline. Benchmarking runs the same way and reports how long each frame's
// drawing took; hashing prints a digest of each frame asked for.
//
// A run ends with everything it was asked to write complete, or with
// nothing of it left: an error, a failed write, Ctrl+C or SIGTERM remove
// what it wrote and end it with a non-zero exit code (130 after SIGINT, 143
// after SIGTERM). Once the last frame asked for is written the run ends; the
// rest of the show is not played.
#pragma once

#include <cstdint>

struct Options;

// Plays the show as the options say; returns the process exit code.
int RunRecorded(const Options& options);

// Samples of 44100 Hz audio before virtual time `micros` (rounded down).
inline int64_t SampleAt(int64_t micros) { return micros * 44100 / 1000000; }
