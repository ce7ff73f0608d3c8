// Steering the show between frames: leaving, jumping, and playing forward
// without presenting (how a jump reaches the state a full run has).
//
// A leave or a jump is asked for during a frame (the quit test, the player's
// controls, the recorder) and acted on by the show loop: the playing scene's
// frame loop returns after the frame in which it was asked.
//
// Show time is the MusicTimer reading. A full run reads, at show time M, the
// music held at its hold point plus (M - hold point) of music, and a demo
// clock (SyncTimer) that has run (M - hold point) milliseconds since the
// music resumed; MarkResume notes both at the resume.
#pragma once

#include <cstdint>

namespace show {

struct LeaveRequest {
  bool requested = false;
  int exitCode = 0;
  bool fadeMusic = false;  // the user left: the music fades out first
};

void RequestLeave(int exitCode, bool fadeMusic);
const LeaveRequest& Leaving();

// Asks for a jump to show time `showMillis`; a later request replaces it.
void RequestJump(int32_t showMillis);
// The jump asked for (show time), or -1; taking it clears it.
int32_t TakeJump();

// The frame loop ends after `frames` more presented frames (the benchmark's
// jumps); -1 switches it off.
void StopAfterFrames(int64_t frames);

// A leave, a jump or a stop is due: the frame loop returns.
bool Interrupted();

// At the resume after loading, with MusicTimer at the hold point and the
// music held where it stopped.
void MarkResume();

// Playing forward: the show's clocks move onto a virtual clock of their own
// (the real clock, or the recorder's, stands still meanwhile), and the music
// is held.
void BeginCatchUp();
// SyncTimer, MusicTimer and the frame pacing as a full run has them at the
// top of the frame drawn at show time `showMillis`.
void SetClocks(int32_t showMillis);
// The next scene to run: right after its start the clocks move on by
// `skipMillis` (its frames before that are left out: the scene draws the
// same whatever came before), then its first `silentFrames` frames are
// drawn but not presented, observed or quit-tested. With `handOver` the
// show then returns to its own clock, continuing from the same readings,
// and the music plays from where a full run has it.
void PlanRun(int32_t skipMillis, int64_t silentFrames, bool handOver);

// For the frame contract.
// In BeginScene: applies the planned skip; returns the milliseconds skipped.
int32_t BeginPlannedRun();
// Whether the coming frame is drawn without being presented.
bool Silent();
// Whether the coming frame is drawn without being presented and another
// frame of the same run follows it (silent or the landing frame).
bool SilentBeforeAnother();
// After each frame's EndFrame.
void FrameEnded(bool silent);

}  // namespace show
