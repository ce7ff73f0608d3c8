// The live show's controls: Space pauses and resumes, F12 saves the frame on
// the screen as a PNG, and Left, Right, Page Up, Page Down and Home jump
// through the show. They ride on the frame contract's observer hook and
// act once a frame has reached the screen; record, benchmark and hash runs
// never install them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/frame_observer.h"

namespace platform {
class Surface;
}

enum class Control { None, Pause, Back, Forward, PreviousScene, NextScene, Restart, SaveFrame };

// The control the key with DirectInput scan code `key` asks for. With the
// scenes' debug keys on (-debug), every key a scene reads stays the scene's:
// the controls on those keys are off.
Control ControlForKey(uint8_t key, bool debugKeys);

// Where a move lands, in MusicTimer milliseconds (show time), from show time
// `nowMillis`: Back and Forward 10 s back and on (never before the intro's
// start; Forward may reach the end of the show, which ends it), PreviousScene
// and NextScene the start of the scene before or after the one playing,
// Restart the intro's start. -1 when there is nowhere to go (NextScene in
// the last scene) or the control is no move.
int64_t MoveTargetMillis(Control control, int64_t nowMillis);

// "quietorbit-161.94s.png" for show time 161.94 s; the `n`-th file of the
// same moment (n > 1) is "quietorbit-161.94s-n.png".
std::string FrameFileName(double showSeconds, int n = 1);

// Writes `frame` (any depth) as an 8-bit RGB PNG at `path`: first under a
// temporary name beside it, renamed only once complete, so a failed write
// leaves nothing under `path`. False, with a reason naming the file.
bool SaveFramePng(const platform::Surface& frame, const std::filesystem::path& path, std::string* error);

class Player final : public FrameObserver {
public:
  // Saved frames go into `folder` (the one the program was started from).
  explicit Player(std::filesystem::path folder);

  void FrameStarted(const char* scene, float t) override;
  void FramePresented() override;

  // Saves the frame last presented into the folder under a name not yet
  // taken; prints and returns the path written (empty on failure, with the
  // reason on stderr).
  std::string SaveFrame();
  // The show time the indicator and the file names give: the music's clock,
  // in seconds.
  static double ShowSeconds();

private:
  // Holds every clock and the music, shows the indicator and waits for
  // events until Space, Escape, a quit request or a move ends the pause.
  void PauseUntilResumed();
  // Lays the indicator over the screen's picture, or takes it away.
  void ShowIndicator(bool on);
  // Acts on one control; true when it ends a pause. A move asks the show
  // for a jump, which lands after the frame playing now.
  bool Act(Control control, bool paused);

  std::filesystem::path folder_;
  std::string scene_;
};
