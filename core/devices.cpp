#include "core/devices.h"

#include "Zentra2/buffer.h"
#include "Zentra2/image.h"
#include "Zentra2/input.h"
#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "core/globals.h"

namespace {
const char* const kParticleFiles[6] = {
    "./data/gfx/particles/pa00.png",  "./data/gfx/particles/pa01.png",  "./data/gfx/particles/pa02.png",
    "./data/gfx/particles/pa00s.png", "./data/gfx/particles/pa01s.png", "./data/gfx/particles/pa02s.png",
};
}  // namespace

void OpenDevices(TZentra* display) {
  Display = display;
  ScreenBuffer = new TBuffer64(Display, RenderWidth, RenderHeight, false);
  BlurBuffer = new TBuffer64(Display, RenderWidth, RenderHeight, false);
  Input = new TInput64(Display->Handle);
  SyncTimer = new TTimer64(241);
  MusicTimer = new TTimer64_2(241);
  WaitTimer = new TTimer64_2(241);
  MusicTimer->Start();
}

void LoadParticles() {
  for (int i = 0; i < 6; ++i) Particles[i] = new TImage64(Display, kParticleFiles[i], false);
}

void FreeDevices() {
  for (TImage64*& p : Particles) {
    delete p;
    p = nullptr;
  }
  delete Input;
  Input = nullptr;
  delete BlurBuffer;
  BlurBuffer = nullptr;
  delete ScreenBuffer;
  ScreenBuffer = nullptr;
  delete Display;
  Display = nullptr;
}
