// Real-time playback through SDL's disk audio driver, which writes the mixed
// output to a file: a hold in the middle of playback loses and repeats
// nothing, and the held stretch is silent.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/media.h"
#include "platform/audio.h"

namespace audio = platform::audio;

namespace {

constexpr int N = 176;  // ramp length of the mixer

std::string Path(const std::string& name) {
  return ::testing::TempDir() + "qo_device_" + std::to_string(::getpid()) + "_" + name;
}

size_t FirstNonZero(const std::vector<float>& v) {
  size_t i = 0;
  while (i < v.size() && v[i] == 0.0f) ++i;
  return i / 2;
}

// Waits until the disk driver has written `seconds` more of output (stereo
// floats). It writes at most in real time and less on a busy machine, so
// stretches measured on the clock would come out shorter than asked there.
void WaitForOutput(const std::string& raw, double seconds) {
  const auto size = [&] {
    struct stat st;
    return ::stat(raw.c_str(), &st) == 0 ? int64_t(st.st_size) : int64_t(0);
  };
  const int64_t target = size() + int64_t(seconds * 44100) * 2 * int64_t(sizeof(float));
  // At most a minute: a driver that stops writing fails the checks below.
  for (int i = 0; i < 6000 && size() < target; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Plays `file` at volume 90 for a while, holds it for 0.4 s, resumes it and
// checks the disk output against the same music rendered offline.
void CheckHoldOnDevice(const std::string& file, bool module) {
  auto load = [&] { return module ? audio::MusicLoad(file.c_str()) : audio::StreamCreateFile(file.c_str()); };
  auto play = [&](uint32_t h) {
    audio::Start();
    audio::SetVolume(90);
    return module ? audio::MusicPlay(h) : audio::StreamPlay(h);
  };

  // Reference: 3 s without a hold.
  ASSERT_TRUE(audio::InitOffline(44100));
  uint32_t h = load();
  ASSERT_NE(h, 0u);
  play(h);
  std::vector<float> ref(3 * 44100 * 2);
  audio::RenderOffline(ref.data(), ref.size() / 2);
  audio::Free();

  const std::string raw = Path(module ? "module.raw" : "stream.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  ASSERT_TRUE(audio::Init(-1, 44100)) << "disk audio driver";
  struct Closer {
    ~Closer() {
      audio::Free();
      setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
  } closer;
  h = load();
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(play(h));
  WaitForOutput(raw, 0.5);
  audio::Pause();
  WaitForOutput(raw, 0.4);
  audio::Start();
  WaitForOutput(raw, 0.5);
  audio::Free();
  setenv("SDL_AUDIODRIVER", "dummy", 1);

  const std::vector<float> out = qo_test::ReadFloats(raw);
  std::remove(raw.c_str());
  ASSERT_GT(out.size(), 2u * 44100);
  // Align: the device ran silent until the music started.
  const size_t start = FirstNonZero(out), refStart = FirstNonZero(ref);
  ASSERT_GE(start, refStart);
  const size_t offset = start - refStart;
  auto o = [&](size_t refFrame, int ch) { return out[2 * (offset + refFrame) + ch]; };

  // The first frame of the ramp out keeps full gain, so the hold began one
  // frame before the first one that differs from the reference.
  size_t pause = 0;
  while (offset + pause < out.size() / 2 && o(pause, 0) == ref[2 * pause] && o(pause, 1) == ref[2 * pause + 1]) ++pause;
  ASSERT_GT(pause, 0u);
  --pause;
  EXPECT_GT(pause, 44100u / 4);
  for (int k = 0; k < N; ++k) {
    ASSERT_NEAR(o(pause + k, 0), ref[2 * (pause + k)] * float(N - k) / N, 1e-6f) << k;
  }
  size_t silent = 0;
  while (o(pause + N + silent, 0) == 0.0f && o(pause + N + silent, 1) == 0.0f) ++silent;
  EXPECT_GT(silent, 44100u * 3 / 10);
  EXPECT_LT(silent, 44100u * 6 / 10);
  // After the hold: ramp in over the decoder's next frames, then the
  // reference exactly, shifted by the held stretch.
  const size_t resume = pause + N;  // next decoder frame
  auto after = [&](size_t k, int ch) { return out[2 * (offset + resume + silent + k) + ch]; };
  for (int k = 0; k < N; ++k) {
    ASSERT_NEAR(after(k, 0), ref[2 * (resume + k)] * float(k + 1) / N, 1e-6f) << k;
  }
  const size_t tail = out.size() / 2 - (offset + resume + silent);
  EXPECT_GT(tail, 44100u / 4);
  std::printf("music from output frame %zu, hold after %zu frames, %zu silent frames, %zu frames after\n", offset,
              pause, silent, tail);
  for (size_t k = N; k < tail && resume + k < ref.size() / 2; ++k) {
    ASSERT_EQ(after(k, 0), ref[2 * (resume + k)]) << k;
    ASSERT_EQ(after(k, 1), ref[2 * (resume + k) + 1]) << k;
  }
}

}  // namespace

TEST(AudioDevice, HoldAndResumeModule) {
  const std::string mod = Path("varied.mod");
  qo_test::WriteFile(mod, qo_test::VariedMod("device", 64));
  CheckHoldOnDevice(mod, true);
}

TEST(AudioDevice, HoldAndResumeStream) {
  const std::string mp3 = Path("signal.mp3");
  qo_test::WriteFile(mp3, qo_test::EncodeMp3(qo_test::TestSignal(4 * 44100)));
  CheckHoldOnDevice(mp3, false);
}

TEST(AudioDevice, FailingDriverFailsInit) {
  setenv("SDL_AUDIODRIVER", "nonexistent", 1);
  EXPECT_FALSE(audio::Init(-1, 44100));
  EXPECT_FALSE(audio::Initialised());
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}
