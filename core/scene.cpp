#include "core/scene.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "Zentra2/cpu.h"
#include "Zentra2/image.h"
#include "Zentra2/input.h"
#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "core/frame_observer.h"
#include "core/music.h"
#include "core/run_hooks.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "trig2/trig2.h"

namespace {
FrameObserver* g_observer = nullptr;

const char* TrueFalse(int32_t flag) { return flag ? "True" : "False"; }

std::string Fixed2(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}
}  // namespace

void SetFrameObserver(FrameObserver* observer) { g_observer = observer; }
FrameObserver* GetFrameObserver() { return g_observer; }

TScene::TScene() {
  Buffer = new TBuffer64(Display, RenderWidth, RenderHeight, false);
  platform::GetClock().Sleep(500);
}

TScene::~TScene() { delete Buffer; }

void TScene::BeginScene() {
  StartTime = Elapsed(SyncTimer);
  // A jump may start a scene at its last frame: the overlay counts the
  // frames a full run has drawn by then.
  const int32_t skipped = show::BeginPlannedRun();
  FrameCount = ShowFramerate || DebugMode ? skipped / timeline::kFrameMillis : 0;
  LastFrameTime = Elapsed(MusicTimer);
}

float TScene::SceneTime() { return Elapsed(SyncTimer) - StartTime; }

bool TScene::CoversScreen(const TBuffer64* picture, int32_t extraRows) {
  return picture && ScreenBuffer && picture->Width >= ScreenBuffer->Width &&
         picture->Height >= ScreenBuffer->Height + extraRows;
}

bool TScene::PictureOverdrawn(float t) const {
  if (MotionBlur || !show::SilentBeforeAnother()) return false;
  // Played forward, frames are exactly one step apart; a unit either side
  // keeps the answer right whatever the rounding of the clock readings.
  constexpr float kStep = float(timeline::kFrameMillis * timeline::kUnitsPerMilli);
  return RedrawsScreen(t + kStep - 1.0f) && RedrawsScreen(t + kStep + 1.0f);
}

void TScene::NoteFrameStart(const char* name, float t) {
  if (g_observer && !show::Silent()) g_observer->FrameStarted(name, t);
}

void TScene::EndFrame() {
  const bool silent = show::Silent();
  if (g_observer && !silent) g_observer->FrameDrawn();
  // At most one frame per 20 ms of MusicTimer; a late frame goes out at once.
  platform::BusyWait(MusicTimer ? MusicTimer->MicrosAt(LastFrameTime + 20.0f) : 0,
                     [] { return Elapsed(MusicTimer) - LastFrameTime >= 20.0f || !MusicTimer; });
  LastFrameTime = Elapsed(MusicTimer);

  DrawDebugInfo();
  if (MotionBlur) ScreenBuffer->DrawAlpha(BlurBuffer, 0, 0, ColorComponent(128.0f));
  if (silent) return;
  (MotionBlur ? BlurBuffer : ScreenBuffer)->Flip(VSync != 0);
  if (g_observer) g_observer->FramePresented();
}

void TScene::DrawDebugInfo() {
  if (!ShowFramerate && !DebugMode) return;
  uint32_t color = MakeColor(0, 0, 255);
  ++FrameCount;
  float d = Elapsed(SyncTimer) - StartTime;
  if (d < 500.0f) return;
  for (const auto& [y, text] : OverlayLines(d)) ScreenBuffer->DrawText(4, y, text, color);
}

std::vector<std::pair<int32_t, std::string>> TScene::OverlayLines(float d) const {
  std::vector<std::pair<int32_t, std::string>> lines;
  float fps = float(int32_t(FrameCount * 1000)) / d;
  lines.emplace_back(2, Fixed2(fps) + " fps");
  if (!DebugMode) return lines;
  int32_t y = 14;
  auto line = [&](const std::string& text) {
    lines.emplace_back(y, text);
    y += 12;
  };
  line("Sync Timer : " + Fixed2((Elapsed(SyncTimer) - StartTime) / 1000.0f));
  line("Frame Count : " + std::to_string(FrameCount));
  line("Release Num : 2001.07.09");
  line(std::string("Using MMX : ") + (UseMMX ? "True" : "False"));
  line(std::string("Max Priority : ") + TrueFalse(MaxPriority));
  line(std::string("Motion Blur : ") + TrueFalse(MotionBlur));
  line("Screen X : " + std::to_string(ScreenWidth));
  line("Screen Y : " + std::to_string(ScreenHeight));
  line("Screen Bpp : " + std::to_string(ScreenBpp));
  line(std::string("Playing Sound : ") + (NoSound ? "False" : "True"));
  if (!NoSound) {
    line(std::string("Module Music : ") + TrueFalse(MusicIsModule));
    line("Music Title : " + platform::audio::MusicGetName(MusicHandle).value_or(""));
  }
  return lines;
}

void TScene::DrawWaveBars(TBuffer64* target) {
  if (!target) return;
  const uint32_t black = 0, white = 0xFFFFFFFFu;
  const double T = Elapsed(SyncTimer);
  int32_t bottom = target->Height - 63;
  target->HLine(0, target->MaxX, 63, white);
  target->FillRect(0, 0, target->MaxX, 63, black);
  target->HLine(0, target->MaxX, bottom, white);
  target->FillRect(0, bottom, target->MaxX, target->Height, black);
  // The angle is a Single: T / 600 + x1 evaluated exactly and rounded once.
  auto radius = [](double angle) { return int32_t(std::nearbyint(FastCos(float(angle)) * 12.0 + 8.0)); };
  for (int32_t i = 0; i <= 7; ++i) {
    int32_t x1 = 64 * i + 16, x2 = x1 + 32;
    int32_t r = radius(T / 600.0 + x1);
    target->FillRect(x1, 63 - r, x2, 63 + r, black);
    target->Rectangle(x1, 63 - r, x2, 63 + r, white);
    r = radius(T / 600.0 - x1);
    target->FillRect(x1, bottom - r, x2, bottom + r, black);
    target->Rectangle(x1, bottom - r, x2, bottom + r, white);
  }
}

bool TScene::QuitRequested() {
  const QuitTestHooks hooks = NextQuitTest();
  bool messagesSayQuit = !(Display && Display->ProcessMessages()) || hooks.close;
  return messagesSayQuit || (Input && Input->KeyDown(1)) || hooks.escape;
}

void TScene::FinishFrame() {
  const bool silent = show::Silent();
  EndFrame();
  if (!silent) {
    if (DebugMode) ReadDebugKeys();
    if (QuitRequested()) show::RequestLeave(0, true);
  }
  show::FrameEnded(silent);
}
