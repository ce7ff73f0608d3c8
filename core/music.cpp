#include "core/music.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>

#include "Zentra2/error.h"
#include "Zentra2/timer.h"
#include "core/globals.h"
#include "core/timeline.h"
#include "platform/audio.h"
#include "platform/clock.h"

namespace audio = platform::audio;

void InitSound() {
  if (NoSound) return;
  if (audio::Version() != audio::kVersion) {
    NoSound = FlagOn;
    return;
  }
  // Against the virtual clock (record and benchmark modes) the music is
  // rendered offline along the same timeline instead of played.
  const bool opened = platform::GetClock().IsVirtual() ? audio::InitOffline(44100) : audio::Init(-1, 44100);
  if (!opened) NoSound = FlagOn;
}

void LoadMusic(const char* path) {
  if (!NoSound) {
    MusicHandle = audio::MusicLoad(path);
    if (MusicHandle != 0) {
      MusicIsModule = FlagOn;
    } else {
      MusicHandle = audio::StreamCreateFile(path);
      if (MusicHandle == 0) {
        NoSound = FlagOn;
        std::ifstream file(path, std::ios::binary);
        ReportFileProblem(path, file ? "not music the show can play (a tracker module or an MP3 stream); no music"
                                     : std::string(std::strerror(errno)) + "; no music",
                          false);
      }
    }
    if (!NoSound) {
      audio::Start();
      audio::SetVolume(90);
      if (MusicIsModule) audio::MusicPlay(MusicHandle);
      else audio::StreamPlay(MusicHandle, true);
    }
  }
  Start(SyncTimer);
}

void CheckMusicPause() {
  if (Elapsed(MusicTimer) >= float(timeline::kHoldPoint)) audio::Pause();
}

void ResumeMusic() { audio::Start(); }

void HoldMusic() { audio::Pause(); }

namespace {
uint64_t g_holdPosition = 0;
}  // namespace

void MarkMusicHold() {
  if (NoSound) return;
  g_holdPosition = audio::GetPosition(MusicHandle).value_or(0);
}

void PlaceMusic(int32_t showMillis) {
  if (NoSound) return;
  const int64_t since = int64_t(showMillis) - timeline::kHoldPoint;
  audio::SetPosition(MusicHandle, g_holdPosition + uint64_t(since > 0 ? since : 0) * 44100 / 1000);
}

float BeatPhase(float musicTimer) {
  const double beats = (double(musicTimer) - timeline::kHoldPoint) / timeline::kBeatMillis;
  return float(beats - std::floor(beats));
}

void FadeOutMusic() {
  if (NoSound) return;
  const int volume = audio::GetVolume();
  for (int i = 100; i >= 0; --i) {
    if (i < volume) audio::SetVolume(i);
    platform::GetClock().Sleep(30);
  }
  FreeMusic();
}

void FreeMusic() {
  if (NoSound) return;
  if (MusicIsModule) audio::MusicFree(MusicHandle);
  else audio::StreamFree(MusicHandle);
}

void FreeSound() {
  if (NoSound) return;
  audio::Free();
}
