// The music mixer: turns one decoder's frames into the output signal, applying
// the output hold (pause/start) and the master volume with short ramps.
//
// The mixer is a pure function of the decoder's frames and of the events it is
// given between two Render calls: an event takes effect at the first frame of
// the next Render. The audio device callback drives it in real time, and the
// offline mode drives it along a virtual timeline; both give the same samples
// for the same events at the same frame positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::audio {

// Output format of everything the component makes: interleaved stereo floats.
inline constexpr int kChannels = 2;

// A decoder. Read fills up to `frames` stereo frames and returns how many it
// wrote; fewer than asked only at the true end of a source that does not loop.
// Called from one thread at a time (the audio thread or the offline caller).
class Source {
 public:
  virtual ~Source() = default;
  virtual size_t Read(float* out, size_t frames) = 0;
};

class Mixer {
 public:
  // Length of the hold and volume ramps: 4 ms at 44100 Hz.
  static constexpr int kRampFrames = 176;

  Mixer();

  // Events. Each applies from the first frame of the next Render call.
  void Start();                  // let output run (ramps in when it was held)
  void Pause();                  // hold output: ramp out, then silence, decoder kept where it is
  void SetVolume(int volume);    // 0..100, ramped over kRampFrames
  void Play(Source* source);     // switch to this decoder (not owned); nullptr stops
  Source* Playing() const { return source_; }
  bool Held() const { return !running_ && level_ == 0; }
  int Volume() const { return volume_; }

  // Writes `frames` stereo frames to out. Pulls the decoder only while output
  // runs or ramps out; while held the decoder is not touched.
  void Render(float* out, size_t frames);

 private:
  Source* source_ = nullptr;
  bool running_ = true;
  int level_ = kRampFrames;       // hold ramp position, 0 = silent .. kRampFrames = open
  int volume_ = 100;              // last volume asked for
  float gain_ = 1.0f;             // current volume gain
  float gainStep_ = 0.0f;
  float gainTarget_ = 1.0f;
  int gainLeft_ = 0;              // frames left in the volume ramp
  std::vector<float> scratch_;
};

}  // namespace platform::audio
