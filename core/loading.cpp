#include "core/loading.h"

#include <cmath>

#include "Zentra2/image.h"
#include "Zentra2/timer.h"
#include "core/music.h"
#include "platform/clock.h"

TLoadingScene::TLoadingScene() {
  Logo = std::make_unique<TImage64>(Display, "./data/gfx/loading/ld01.png", false);
  Background = std::make_unique<TImage64>(Display, "./data/gfx/loading/ld00.jpg", false);
  ProgressBuffer = std::make_unique<TBuffer64>(Display, 260, 315, false);
  // The logo is stored inverted and subtracted from the screen, so its light
  // panel leaves the background alone and its dark title darkens it.
  Logo->Invert();
  ProgressBuffer->Clear(Logo->GetPixel(64, 64));
  ProgressBuffer->SetFont("Verdana", 16);
  Counter = 0;
}

void TLoadingScene::Run(const SceneSpan& span) {
  name_ = span.name;
  BeginScene();
  platform::BusyWait(SyncTimer ? SyncTimer->MicrosAt(2000.0f) : 0, [] {
    CheckMusicPause();
    return Elapsed(SyncTimer) > 2000.0f || !SyncTimer;
  });
  FrameLoop(span, [this](float t) {
    if (t > 5000.0f) {
      Background->Draw(ScreenBuffer, 0, 0);
      int32_t n = int32_t(std::nearbyint((t - 5000.0f) / 13.44086f));
      Logo->DrawSub(ScreenBuffer, 28, 384 - n);
    } else {
      Background->DrawAlpha(ScreenBuffer, 0, 0, ColorComponent(t / 20.0f));
    }
    CheckMusicPause();
    FinishFrame();
  });
}

void TLoadingScene::ShowProgress(const std::string& message) {
  NoteFrameStart(name_, SceneTime());
  uint32_t panel = Logo->GetPixel(64, 64);
  ProgressBuffer->Draw(ProgressBuffer.get(), 0, -16);
  ProgressBuffer->FillRect(0, 298, 259, 314, panel);
  ProgressBuffer->DrawText(0, 298, message, MakeColor(255, 255, 255));
  ProgressBuffer->Draw(Logo.get(), 8, 8);
  Background->Draw(ScreenBuffer, 0, 0);
  Logo->FillRect(12 + 37 * Counter, 333, 44 + 37 * Counter, 353, MakeColor(192, 192, 0));
  Logo->DrawSub(ScreenBuffer, 28, 12);
  FinishFrame();
  ++Counter;
}
