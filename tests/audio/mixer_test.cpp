// The mixer's exactness claims, checked on a source whose every frame is its
// own index: nothing lost or repeated across a hold, silence while held, the
// ramps' shapes and the volume's.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/audio_mixer.h"

using platform::audio::Mixer;
using platform::audio::Source;

namespace {

constexpr int N = Mixer::kRampFrames;

// Frame i is (i, 1): the right channel carries the gain applied to it, so
// left / right gives the index back. Stops after `length` frames when that is not 0.
class CountingSource : public Source {
 public:
  explicit CountingSource(size_t length = 0) : length_(length) {}
  size_t Read(float* out, size_t frames) override {
    ++reads;
    size_t n = frames;
    if (length_ != 0 && next + n > length_) n = length_ - next;
    for (size_t i = 0; i < n; ++i, ++next) {
      out[2 * i] = static_cast<float>(next);
      out[2 * i + 1] = 1.0f;
    }
    return n;
  }
  size_t next = 0;
  int reads = 0;

 private:
  size_t length_;
};

std::vector<float> Render(Mixer& m, size_t frames) {
  std::vector<float> out(frames * 2, 123.0f);
  m.Render(out.data(), frames);
  return out;
}

}  // namespace

TEST(Mixer, HoldKeepsTheExactFrameAndIsSilent) {
  CountingSource src;
  Mixer m;
  m.Play(&src);
  auto before = Render(m, 1000);
  for (size_t i = 0; i < 1000; ++i) ASSERT_EQ(before[2 * i], static_cast<float>(i));

  m.Pause();
  auto held = Render(m, 5000);
  // Ramp out over the next N frames of the decoder (none scaled to 0), then silence.
  for (int k = 0; k < N; ++k) {
    const float expected = static_cast<float>(1000 + k) * (static_cast<float>(N - k) / N);
    ASSERT_FLOAT_EQ(held[2 * k], expected) << k;
    ASSERT_NE(held[2 * k], 0.0f);
  }
  for (size_t i = N; i < 5000; ++i) ASSERT_EQ(held[2 * i], 0.0f) << i;
  EXPECT_EQ(src.next, 1000u + N);  // the decoder stood still while held

  const int readsWhileHeld = src.reads;
  Render(m, 3000);  // still held: decoder untouched
  EXPECT_EQ(src.reads, readsWhileHeld);

  m.Start();
  auto after = Render(m, 2000);
  // Ramp in from the frame after the last one that went out, then exact.
  for (int k = 0; k < N; ++k) {
    const float expected = static_cast<float>(1000 + N + k) * (static_cast<float>(k + 1) / N);
    ASSERT_FLOAT_EQ(after[2 * k], expected) << k;
  }
  for (size_t i = N; i < 2000; ++i) {
    ASSERT_EQ(after[2 * i], static_cast<float>(1000 + N + i)) << i;
    ASSERT_EQ(after[2 * i + 1], 1.0f) << i;
  }
}

TEST(Mixer, RepeatedAndInterruptedHolds) {
  // Pause posted over and over (the hold logic calls it in busy loops), and a
  // resume in the middle of the ramp out: the decoder's frames still come out
  // once each, in order.
  CountingSource src;
  Mixer m;
  m.Play(&src);
  std::vector<float> all;
  auto take = [&](size_t n) {
    auto v = Render(m, n);
    all.insert(all.end(), v.begin(), v.end());
  };
  take(100);
  m.Pause();
  m.Pause();
  take(N / 2);  // half way out
  m.Start();
  take(300);
  m.Pause();
  take(1000);
  m.Pause();
  take(700);
  m.Start();
  m.Start();
  take(1000);

  // Every output frame is either silence or the next decoder frame (index
  // recovered as left / right), so nothing was skipped or played twice.
  size_t expected = 0, silent = 0;
  for (size_t i = 0; i < all.size() / 2; ++i) {
    if (all[2 * i + 1] == 0.0f) {
      ASSERT_EQ(all[2 * i], 0.0f);
      ++silent;
      continue;
    }
    ASSERT_EQ(std::lround(all[2 * i] / all[2 * i + 1]), static_cast<long>(expected)) << i;
    ++expected;
  }
  EXPECT_EQ(src.next, expected);
  EXPECT_GT(silent, 1000u);
  EXPECT_EQ(all[all.size() - 2], static_cast<float>(src.next - 1));
}

TEST(Mixer, VolumeRampsAndFades) {
  CountingSource src;
  Mixer m;
  m.Play(&src);
  Render(m, 10);
  m.SetVolume(50);
  auto v = Render(m, 400);
  float previousGain = 1.0f;
  for (int k = 0; k < 400; ++k) {
    const float gain = v[2 * k] / static_cast<float>(10 + k);
    ASSERT_LE(gain, previousGain + 1e-6f) << k;
    previousGain = gain;
    if (k >= N - 1) {
      ASSERT_EQ(v[2 * k], static_cast<float>(10 + k) * 0.5f) << k;
    }
  }
  EXPECT_GT(v[0] / 10.0f, 0.99f);  // the ramp starts where the volume was

  // A fade like the one on leaving: one step every 1323 frames (30 ms).
  previousGain = 0.5f;
  size_t frame = 410;
  for (int volume = 49; volume >= 0; --volume) {
    m.SetVolume(volume);
    auto part = Render(m, 1323);
    for (size_t i = 0; i < 1323; ++i, ++frame) {
      const float gain = part[2 * i] / static_cast<float>(frame);
      ASSERT_LE(gain, previousGain + 1e-6f) << frame;
      previousGain = gain;
    }
  }
  EXPECT_EQ(previousGain, 0.0f);
  EXPECT_EQ(m.Volume(), 0);

  // While held, a volume change applies at once (nothing to ramp).
  m.Pause();
  Render(m, N + 10);
  m.SetVolume(80);
  m.Start();
  auto back = Render(m, 2 * N);
  EXPECT_EQ(back[2 * (2 * N - 1)], static_cast<float>(src.next - 1) * 0.8f);

  m.SetVolume(250);  // clamped
  EXPECT_EQ(m.Volume(), 100);
}

TEST(Mixer, SourceThatEndsLeavesSilence) {
  CountingSource src(1500);
  Mixer m;
  m.Play(&src);
  auto v = Render(m, 2000);
  EXPECT_EQ(v[2 * 1499], 1499.0f);
  for (size_t i = 1500; i < 2000; ++i) ASSERT_EQ(v[2 * i], 0.0f);
  EXPECT_EQ(m.Playing(), nullptr);

  Mixer idle;  // nothing to play: silence, no matter the events
  idle.Pause();
  idle.Start();
  auto s = Render(idle, 300);
  for (float x : s) ASSERT_EQ(x, 0.0f);
}
