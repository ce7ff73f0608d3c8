#include "platform/audio_mixer.h"

#include <algorithm>
#include <cstring>

namespace platform::audio {

namespace {
// Frames pulled from the decoder per step; also the scratch buffer's size.
constexpr size_t kBlockFrames = 1024;
}  // namespace

Mixer::Mixer() : scratch_(kBlockFrames * kChannels) {}

void Mixer::Start() { running_ = true; }

void Mixer::Pause() { running_ = false; }

void Mixer::SetVolume(int volume) {
  volume_ = std::clamp(volume, 0, 100);
  gainTarget_ = static_cast<float>(volume_) / 100.0f;
  if (source_ == nullptr || Held()) {
    // Nothing audible: no ramp needed.
    gain_ = gainTarget_;
    gainLeft_ = 0;
    return;
  }
  gainStep_ = (gainTarget_ - gain_) / static_cast<float>(kRampFrames);
  gainLeft_ = kRampFrames;
}

void Mixer::Play(Source* source) { source_ = source; }

void Mixer::Render(float* out, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    float* dst = out + done * kChannels;
    size_t n = frames - done;

    if (source_ == nullptr || Held()) {
      // Silence. The decoder is not pulled, so a held source resumes at the
      // exact frame where it stopped. The volume ramp, if any, just ends.
      std::memset(dst, 0, n * kChannels * sizeof(float));
      if (source_ == nullptr) level_ = running_ ? kRampFrames : 0;
      if (gainLeft_ > 0) {
        gain_ = gainTarget_;
        gainLeft_ = 0;
      }
      done = frames;
      break;
    }

    n = std::min(n, kBlockFrames);
    if (!running_) n = std::min(n, static_cast<size_t>(level_));  // ramp out, then hold
    const size_t got = source_->Read(scratch_.data(), n);
    const float* src = scratch_.data();
    for (size_t i = 0; i < got; ++i) {
      // Hold ramp: frames going out get k/N for k = N..1, frames coming in
      // k/N for k = 1..N; no pulled frame is ever multiplied by 0.
      float hold;
      if (running_) {
        if (level_ < kRampFrames) ++level_;
        hold = level_ == kRampFrames ? 1.0f : static_cast<float>(level_) / kRampFrames;
      } else {
        hold = static_cast<float>(level_) / kRampFrames;
        --level_;
      }
      if (gainLeft_ > 0) {
        gain_ += gainStep_;
        if (--gainLeft_ == 0) gain_ = gainTarget_;
      }
      const float g = hold * gain_;
      dst[2 * i] = src[2 * i] * g;
      dst[2 * i + 1] = src[2 * i + 1] * g;
    }
    if (got < n) {
      // The source ended (it does not loop): the rest is silence.
      std::memset(dst + got * kChannels, 0, (n - got) * kChannels * sizeof(float));
      source_ = nullptr;
    }
    done += n;
  }
}

}  // namespace platform::audio
