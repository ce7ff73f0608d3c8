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

void SkipMusic(int64_t millis) {
  if (NoSound || millis <= 0) return;
  if (std::optional<uint64_t> at = audio::GetPosition(MusicHandle))
    audio::SetPosition(MusicHandle, *at + uint64_t(millis) * 44100 / 1000);
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
  if (MusicIsModule) audio::MusicFree(MusicHandle);
  else audio::StreamFree(MusicHandle);
}

void FreeSound() {
  if (NoSound) return;
  audio::Free();
}
