#include "core/show.h"

#include <cstdio>

#include "Zentra2/image.h"
#include "Zentra2/input.h"
#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "core/globals.h"
#include "core/loading.h"
#include "core/music.h"
#include "core/options.h"
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
const char* const kParticleFiles[6] = {
    "./data/gfx/particles/pa00.png",  "./data/gfx/particles/pa01.png",  "./data/gfx/particles/pa02.png",
    "./data/gfx/particles/pa00s.png", "./data/gfx/particles/pa01s.png", "./data/gfx/particles/pa02s.png",
};

// The loading screen and the scenes live until the process ends, which
// frees nothing; held here, not only on the stack, they stay reachable
// to the very end (a leak checker sees no lost memory then).
TScene* g_scenes[7] = {};

template <class Scene>
Scene* Keep(Scene* scene) {
  for (TScene*& slot : g_scenes) {
    if (!slot) {
      slot = scene;
      break;
    }
  }
  return scene;
}

// Builds one scene after its progress line.
template <class Scene>
Scene* Prepare(TLoadingScene* loading, const char* message) {
  loading->ShowProgress(message);
  return Keep(new Scene());
}
}  // namespace

void CreateDevices() {
  // Without a display the window classes end the program through the fatal
  // path; say first what works without one.
  if (!Headless && !platform::StartVideo())
    std::fputs("quietorbit: no display available; --record=show.mp4 (or --record=FOLDER) "
               "writes the show without one, see --help\n",
               stderr);
  // Record and benchmark modes draw into a display without a window, at the
  // requested depth; the frames they write are the 512 x 384 frames themselves.
  if (Headless)
    Display = new THeadlessZentra(RenderWidth, RenderHeight, uint8_t(ScreenBpp));
  else if (Windowed)
    Display = new TSelfZentra(ScreenWidth, ScreenHeight, kCaption);
  else
    Display = new TSelfFullZentra(ScreenWidth, ScreenHeight, ScreenBpp, kCaption);
  ScreenBuffer = new TBuffer64(Display, RenderWidth, RenderHeight, false);
  BlurBuffer = new TBuffer64(Display, RenderWidth, RenderHeight, false);
  Input = new TInput64(Display->Handle);
  SyncTimer = new TTimer64(241);
  MusicTimer = new TTimer64_2(241);
  WaitTimer = new TTimer64_2(241);
  MusicTimer->Start();
  ScreenBuffer->SetFont("Arial", 12);
}

void LoadParticles() {
  for (int i = 0; i < 6; ++i) Particles[i] = new TImage64(Display, kParticleFiles[i], false);
}

int RunShow(const std::vector<std::string>& args) {
  ParseOptions(args);
  CreateDevices();
  InitSound();
  LoadMusic("./data/msx/QuietOrbit.mp3");

  auto* loading = Keep(new TLoadingScene());
  loading->RunIntro();
  loading->ShowProgress("Calculating Stuff..");
  BuildSinTable();
  LoadParticles();

  auto* intro = Prepare<TIntroScene>(loading, "Loading Intro Scene..");
  auto* cube = Prepare<TCubeScene>(loading, "Loading Cube Scene..");
  auto* circles = Prepare<TCirclesScene>(loading, "Loading Circles Scene..");
  auto* metaballs = Prepare<TMetaballsScene>(loading, "Loading Metaballs Scene..");
  auto* meshes = Prepare<TMeshesScene>(loading, "Loading Meshes Scene..");
  auto* greetz = Prepare<TGreetzScene>(loading, "Loading Greetz Scene..");

  // A short pause with the music held, then the music resumes where it was
  // held and the scenes start.
  MusicTimer->Stop();
  WaitTimer->Start();
  platform::BusyWait(WaitTimer->MicrosAt(2000.0f), [] {
    if (WaitTimer->Elapsed() >= 2000.0f) return true;
    CheckMusicPause();
    return false;
  });
  MusicTimer->SetElapsed(8500);
  ResumeMusic();

  intro->Run();
  cube->Run();
  circles->Run();
  metaballs->Run();
  meshes->Run();
  greetz->Run();
  // The normal end frees nothing: the process ends here.
  return 0;
}
