#include "core/show_control.h"

#include <memory>

#include "Zentra2/timer.h"
#include "core/globals.h"
#include "core/music.h"
#include "core/timeline.h"
#include "platform/clock.h"

namespace show {
namespace {

LeaveRequest g_leave;
int32_t g_jump = -1;
int64_t g_stopAfter = -1;

// SyncTimer's count (microseconds) at the resume, since it started.
int64_t g_syncAtResume = 0;

// While playing forward: the clock the show goes back to.
std::unique_ptr<platform::Clock> g_ownClock;
int32_t g_skip = 0;
int64_t g_silent = 0;
bool g_handOver = false;

void HandOver() {
  g_handOver = false;
  if (!g_ownClock) return;
  const int64_t sync = platform::GetClock().Micros() - SyncTimer->StartCount;
  const int32_t music = int32_t(Elapsed(MusicTimer));
  platform::SwapClock(std::move(g_ownClock));
  SyncTimer->StartCount = platform::GetClock().Micros() - sync;
  MusicTimer->SetElapsed(music);
  PlaceMusic(music);
  ResumeMusic();
}

}  // namespace

void RequestLeave(int exitCode, bool fadeMusic) {
  if (!g_leave.requested) g_leave = {true, exitCode, fadeMusic};
}
const LeaveRequest& Leaving() { return g_leave; }

void RequestJump(int32_t showMillis) { g_jump = showMillis; }
int32_t TakeJump() {
  const int32_t jump = g_jump;
  g_jump = -1;
  return jump;
}

void StopAfterFrames(int64_t frames) { g_stopAfter = frames; }

bool Interrupted() { return g_leave.requested || g_jump >= 0 || g_stopAfter == 0; }

void MarkResume() {
  g_syncAtResume = platform::GetClock().Micros() - SyncTimer->StartCount;
  MarkMusicHold();
}

void BeginCatchUp() {
  if (!g_ownClock) g_ownClock = platform::SwapClock(std::make_unique<platform::VirtualClock>());
  HoldMusic();
}

void SetClocks(int32_t showMillis) {
  SyncTimer->Running = true;
  SyncTimer->StartCount =
      platform::GetClock().Micros() - (g_syncAtResume + int64_t(showMillis - timeline::kHoldPoint) * 1000);
  MusicTimer->SetElapsed(showMillis);
  LastFrameTime = float(showMillis);
}

void PlanRun(int32_t skipMillis, int64_t silentFrames, bool handOver) {
  g_skip = skipMillis;
  g_silent = silentFrames;
  g_handOver = handOver;
}

int32_t BeginPlannedRun() {
  const int32_t skip = g_skip;
  g_skip = 0;
  if (skip > 0) platform::GetClock().Sleep(uint32_t(skip));
  if (g_silent == 0 && g_handOver) HandOver();
  return skip;
}

bool Silent() { return g_silent > 0; }

bool SilentBeforeAnother() { return g_silent > 1 || (g_silent == 1 && g_handOver); }

void FrameEnded(bool silent) {
  if (silent) {
    if (--g_silent == 0 && g_handOver) HandOver();
  } else if (g_stopAfter > 0) {
    --g_stopAfter;
  }
}

}  // namespace show
