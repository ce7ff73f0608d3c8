#include "app/show.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "Zentra2/kept.h"
#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "app/options.h"
#include "core/devices.h"
#include "core/frame_observer.h"
#include "core/globals.h"
#include "core/loading.h"
#include "core/music.h"
#include "core/show_control.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "trig2/trig2.h"

#include "scenes/circles.h"
#include "scenes/cube.h"
#include "scenes/greetz.h"
#include "scenes/intro.h"
#include "scenes/meshes.h"
#include "scenes/metaballs.h"

namespace {
const char* const kCaption = ".oO[ quiet orbit ]Oo.";

template <class Scene>
TScene* Make() {
  return new Scene();
}

// The parts in playing order; names and lengths come from the timeline.
const ShowPart kShow[] = {
    {timeline::kLoading, nullptr, Make<TLoadingScene>},
    {timeline::kIntro, "Loading Intro Scene..", Make<TIntroScene>},
    {timeline::kCube, "Loading Cube Scene..", Make<TCubeScene>},
    {timeline::kCircles, "Loading Circles Scene..", Make<TCirclesScene>},
    {timeline::kMetaballs, "Loading Metaballs Scene..", Make<TMetaballsScene>},
    {timeline::kMeshes, "Loading Meshes Scene..", Make<TMeshesScene>},
    {timeline::kGreetz, "Loading Greetz Scene..", Make<TGreetzScene>},
};
constexpr size_t kParts = sizeof kShow / sizeof kShow[0];
static_assert(kParts == timeline::kSceneCount + 1);

void CreateDevices() {
  // Without a display the window classes end the program through the fatal
  // path; say first what is wrong and what works without one.
  if (!Headless && !platform::StartVideo())
    std::fprintf(stderr, "quietorbit: cannot open a display: %s; --record=show.mp4 (or --record=FOLDER) "
                         "writes the show without one, see --help\n",
                 platform::VideoProblem().c_str());
  // Record and benchmark modes draw into a display without a window, at the
  // requested depth; the frames they write are the 512 x 384 frames themselves.
  if (Headless)
    OpenDevices(new THeadlessZentra(RenderWidth, RenderHeight, uint8_t(ScreenBpp)));
  else if (Windowed)
    OpenDevices(new TSelfZentra(ScreenWidth, ScreenHeight, kCaption));
  else
    OpenDevices(new TSelfFullZentra(ScreenWidth, ScreenHeight, ScreenBpp, kCaption));
  ScreenBuffer->SetFont("Arial", 12);
}
}  // namespace

std::span<const ShowPart> ShowParts() { return kShow; }

const ShowPart* FindShowPart(const std::string& name) {
  size_t i = timeline::FindScene(name.c_str());
  return i < timeline::kSceneCount ? &kShow[i + 1] : nullptr;
}

Landing LandingOf(int32_t showMillis) {
  const int64_t first = timeline::SceneStartMillis(0);
  const int64_t last = timeline::SceneStartMillis(timeline::kSceneCount) - timeline::kFrameMillis;
  const int64_t at = std::clamp<int64_t>(showMillis, first, last);
  size_t scene = 0;
  while (scene + 1 < timeline::kSceneCount && timeline::SceneStartMillis(scene + 1) <= at) ++scene;
  const int64_t start = timeline::SceneStartMillis(scene);
  const int64_t frames = (at - start) / timeline::kFrameMillis;
  return {scene + 1, frames, int32_t(start + frames * timeline::kFrameMillis)};
}

namespace {
// Seconds as digits with at most one decimal point ("12", "12.5").
bool ParseDecimal(const std::string& text, double* seconds) {
  if (text.empty() || text == "." || text.find_first_not_of("0123456789.") != std::string::npos ||
      std::count(text.begin(), text.end(), '.') > 1)
    return false;
  *seconds = std::strtod(text.c_str(), nullptr);
  return true;
}

// Seconds, or minutes and seconds ("3:20", "3:20.5": two digits of seconds, under 60).
bool ParseClockTime(const std::string& text, double* seconds) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return ParseDecimal(text, seconds);
  double minutes = 0, rest = 0;
  const std::string m = text.substr(0, colon), sec = text.substr(colon + 1);
  if (m.find('.') != std::string::npos || !ParseDecimal(m, &minutes) || !ParseDecimal(sec, &rest)) return false;
  if (sec.find('.') != std::string::npos ? sec.find('.') != 2 : sec.size() != 2) return false;
  if (rest >= 60) return false;
  *seconds = minutes * 60 + rest;
  return true;
}
}  // namespace

std::optional<int32_t> ParseShowTime(const std::string& text, std::string* why) {
  const size_t plus = text.find('+');
  const std::string name = text.substr(0, plus);
  const size_t scene = timeline::FindScene(name.c_str());
  const bool named = scene < timeline::kSceneCount;
  if (!named && plus != std::string::npos) {
    *why = "no scene called " + name;
    return std::nullopt;
  }
  double seconds = 0;
  const bool parsed = named ? plus == std::string::npos || ParseDecimal(text.substr(plus + 1), &seconds)
                            : ParseClockTime(text, &seconds);
  if (!parsed) {
    *why = "needs a show time in seconds (200), minutes:seconds (3:20), a scene (metaballs) or a scene and "
           "seconds into it (metaballs+12.5)";
    return std::nullopt;
  }
  // From the named scene's start, or from the show's clock at 0.
  const int64_t from = timeline::SceneStartMillis(named ? scene : 0);
  const int64_t to = timeline::SceneStartMillis(named ? scene + 1 : timeline::kSceneCount);
  const double at = (named ? double(from) : 0.0) + std::round(seconds * 1000.0);
  if (at < double(from) || at >= double(to)) {
    char range[64];
    std::snprintf(range, sizeof range, "from %.2f s to %.2f s", double(from) / 1000, double(to) / 1000);
    *why = named ? name + " plays " + range + " of the show" : std::string("the scenes play ") + range + " of the show";
    return std::nullopt;
  }
  return int32_t(at);
}

int64_t ShowFrames(int32_t startMillis) {
  // On the virtual clock the loading screen, the loading steps and the
  // pause before the first scene take the same time in every run.
  constexpr int64_t kLeadInMillis = 12260;
  const int64_t first = startMillis < 0 ? timeline::SceneStartMillis(0) : LandingOf(startMillis).land;
  return (kLeadInMillis + timeline::SceneStartMillis(timeline::kSceneCount) - first) / timeline::kFrameMillis;
}

std::string SceneStartList() {
  std::string list;
  for (size_t i = 0; i < timeline::kSceneCount; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%-10s %7.2f s\n", timeline::kScenes[i].name,
                  double(timeline::SceneStartMillis(i)) / 1000.0);
    list += line;
  }
  return list;
}

namespace {

// Owns the loading screen and the scenes, plays them in order and carries
// out the jumps and the leaving that frames ask for.
class ShowPlayer {
public:
  // Devices, music, the loading screen and every scene built; false when
  // the user left during loading.
  bool Load() {
    CreateDevices();
    InitSound();
    LoadMusic(MusicFile);
    auto* loading = static_cast<TLoadingScene*>(Make(0));
    loading->Run(kShow[0].span);
    if (show::Interrupted()) return false;
    loading->ShowProgress("Calculating Stuff..");
    BuildSinTable();
    LoadParticles();
    for (size_t i = 1; i < kParts; ++i) {
      if (show::Leaving().requested) return false;
      loading->ShowProgress(kShow[i].progress);
      Make(i);
    }
    // A short pause with the music held, then the scenes start where it was held.
    MusicTimer->Stop();
    WaitTimer->Start();
    platform::BusyWait(WaitTimer->MicrosAt(2000.0f), [] {
      if (WaitTimer->Elapsed() >= 2000.0f) return true;
      CheckMusicPause();
      return false;
    });
    MusicTimer->SetElapsed(timeline::kHoldPoint);
    show::MarkResume();
    return !show::Leaving().requested;
  }

  // Plays from `part` on (a jump first when `jumpTo` is a show time) until
  // the show ends or is left.
  void Play(int32_t jumpTo) {
    size_t part = 1;
    if (jumpTo >= 0) part = PrepareJump(jumpTo);
    else ResumeMusic();
    while (part < kParts) {
      Run(part);
      if (show::Leaving().requested) return;
      const int32_t jump = show::TakeJump();
      part = jump >= 0 ? PrepareJump(jump) : part + 1;
    }
  }

  // After the normal end: a jump to the middle and to the end of every
  // scene, each timed from the moment it is asked for to its first frame
  // presented.
  void TimeJumps(const JumpTimes& report) {
    // The landing frames are not the show's: the frame observer (which
    // times the show's frames) is left out.
    FrameObserver* observer = GetFrameObserver();
    SetFrameObserver(nullptr);
    for (size_t i = 0; i < timeline::kSceneCount && !show::Leaving().requested; ++i) {
      const int32_t start = int32_t(timeline::SceneStartMillis(i)), end = int32_t(timeline::SceneStartMillis(i + 1));
      for (const auto& [where, at] : {std::pair{"middle", start + (end - start) / 2}, std::pair{"end", end - 1}}) {
        const auto t0 = std::chrono::steady_clock::now();
        const double cpu0 = platform::ProcessorSeconds();
        const size_t part = PrepareJump(at);
        show::StopAfterFrames(1);
        Run(part);
        show::StopAfterFrames(-1);
        report(kShow[part].span.name, where,
               std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count(),
               (platform::ProcessorSeconds() - cpu0) * 1000);
      }
    }
    SetFrameObserver(observer);
  }

  // Once, in order: the music (faded out when the user left), then the
  // scenes' own buffers, then the shared devices.
  void TearDown(bool fade) {
    if (!NoSound) {
      if (fade) FadeOutMusic();
      else FreeMusic();
      FreeSound();
    }
    for (auto& scene : scenes_) scene.reset();
    FreeDevices();
  }

private:
  TScene* Make(size_t part) {
    scenes_[part].reset();
    scenes_[part].reset(kShow[part].make());
    played_[part] = false;
    return scenes_[part].get();
  }

  void Run(size_t part) {
    played_[part] = true;
    scenes_[part]->Run(kShow[part].span);
  }

  // Sets up the jump to show time `showMillis` and returns the part to run:
  // on a clock of its own the show first draws, without presenting, what
  // the previous scene left on the screen (its last frame: every scene
  // ends on a picture that no earlier frame shows through), then the scene
  // that holds the time is made afresh if it has played and runs from its
  // start, silently up to the frame the jump lands on.
  size_t PrepareJump(int32_t showMillis) {
    const Landing to = LandingOf(showMillis);
    show::BeginCatchUp();
    if (to.part > 1) {
      const size_t previous = to.part - 1;
      const int32_t start = int32_t(timeline::SceneStartMillis(previous - 1));
      const int32_t lastFrame = int32_t(timeline::SceneStartMillis(previous)) - timeline::kFrameMillis;
      show::SetClocks(start);
      show::PlanRun(lastFrame - start, 1, false);
      Run(previous);
    }
    if (played_[to.part]) Make(to.part);
    show::SetClocks(int32_t(timeline::SceneStartMillis(to.part - 1)));
    show::PlanRun(0, to.frames, true);
    return to.part;
  }

  std::unique_ptr<TScene> scenes_[kParts];
  bool played_[kParts] = {};
};

}  // namespace

int RunShow(const Options& options, const JumpTimes& jumpTimes) {
  ApplyShowOptions(options.show);
  Gentle = options.gentle;
  // A scene made again after a jump takes its files from memory; the first
  // loads read the disk as before.
  kept::KeepLoaded keep;
  ShowPlayer player;
  if (player.Load()) {
    player.Play(options.startMillis);
    if (jumpTimes && !show::Leaving().requested) player.TimeJumps(jumpTimes);
  }
  const show::LeaveRequest& leaving = show::Leaving();
  player.TearDown(leaving.requested && leaving.fadeMusic);
  return leaving.requested ? leaving.exitCode : 0;
}
