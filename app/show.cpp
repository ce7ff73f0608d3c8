#include "app/show.h"

#include <cstdio>

#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "app/options.h"
#include "core/devices.h"
#include "core/globals.h"
#include "core/loading.h"
#include "core/music.h"
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

// The loading screen and the scenes live until the process ends, which
// frees nothing; held here, not only on the stack, they stay reachable
// to the very end (a leak checker sees no lost memory then).
TScene* g_scenes[kParts] = {};

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

int64_t ShowFrames(const std::string& start) {
  // On the virtual clock the loading screen, the loading steps and the
  // pause before the first scene take the same time in every run.
  constexpr int64_t kLeadInMillis = 12260;
  const size_t first = start.empty() ? 0 : timeline::FindScene(start.c_str());
  const int64_t scenes = timeline::SceneStartMillis(timeline::kSceneCount) - timeline::SceneStartMillis(first);
  return (kLeadInMillis + scenes) / timeline::kFrameMillis;
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

int RunShow(const Options& options) {
  ApplyShowOptions(options.show);
  Gentle = options.gentle;
  const std::string& start = options.start;
  CreateDevices();
  InitSound();
  LoadMusic(MusicFile);

  auto* loading = static_cast<TLoadingScene*>(g_scenes[0] = kShow[0].make());
  loading->Run(kShow[0].span);
  loading->ShowProgress("Calculating Stuff..");
  BuildSinTable();
  LoadParticles();
  for (size_t i = 1; i < kParts; ++i) {
    loading->ShowProgress(kShow[i].progress);
    g_scenes[i] = kShow[i].make();
  }

  // A short pause with the music held, then the music resumes where it was
  // held and the scenes start.
  MusicTimer->Stop();
  WaitTimer->Start();
  platform::BusyWait(WaitTimer->MicrosAt(2000.0f), [] {
    if (WaitTimer->Elapsed() >= 2000.0f) return true;
    CheckMusicPause();
    return false;
  });
  // The first scene to play (the first of all unless one is named), and
  // the MusicTimer reading at which a full run starts it.
  size_t first = start.empty() ? 0 : timeline::FindScene(start.c_str());
  if (first == timeline::kSceneCount) first = 0;
  const int64_t skipped = timeline::SceneStartMillis(first) - timeline::kHoldPoint;
  MusicTimer->SetElapsed(int32_t(timeline::SceneStartMillis(first)));
  // Skipping scenes: the demo clock (which has no setter) and the held
  // music move on by the time those scenes take in a full run.
  SyncTimer->StartCount -= skipped * 1000;
  SkipMusic(skipped);
  ResumeMusic();

  for (size_t i = first + 1; i < kParts; ++i) g_scenes[i]->Run(kShow[i].span);
  // The normal end frees nothing: the process ends here.
  return 0;
}
