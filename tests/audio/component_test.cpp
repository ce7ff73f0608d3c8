// The audio component through its offline mode: what counts as a module or a
// stream, titles, seamless loops and holds with the real decoders.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "media.h"
#include "platform/audio.h"

namespace audio = platform::audio;

namespace {

constexpr size_t kSecond = 44100;

class Offline : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(audio::InitOffline(44100)); }
  void TearDown() override { audio::Free(); }

  static std::string Path(const std::string& name) {
    return ::testing::TempDir() + "qo_audio_" + std::to_string(::getpid()) + "_" + name;
  }
  static std::vector<float> Render(size_t frames) {
    std::vector<float> out(frames * 2);
    EXPECT_TRUE(audio::RenderOffline(out.data(), frames));
    return out;
  }
};

}  // namespace

TEST_F(Offline, WhatLoadsAsWhatAndTitles) {
  const std::string mod = Path("song.mp3");  // a module, whatever the name says
  qo_test::WriteFile(mod, qo_test::VariedMod("orbit tune", 64));
  const std::string mp3 = Path("song.mod");
  qo_test::WriteFile(mp3, qo_test::EncodeMp3(qo_test::TestSignal(kSecond / 2)));
  const std::string junk = Path("junk.mp3");
  qo_test::WriteFile(junk, std::vector<uint8_t>(5000, 'x'));
  const std::string empty = Path("empty.mp3");
  qo_test::WriteFile(empty, {});

  const uint32_t m = audio::MusicLoad(mod.c_str());
  ASSERT_NE(m, 0u);
  EXPECT_EQ(audio::MusicGetName(m), std::optional<std::string>("orbit tune"));
  EXPECT_EQ(audio::MusicLoad(mp3.c_str()), 0u);  // libopenmpt does not take MP3
  const uint32_t s = audio::StreamCreateFile(mp3.c_str());
  ASSERT_NE(s, 0u);
  EXPECT_NE(s, m);
  EXPECT_FALSE(audio::MusicGetName(s).has_value());
  EXPECT_FALSE(audio::MusicGetName(9999).has_value());

  for (const std::string& bad : {junk, empty, Path("missing.mp3")}) {
    EXPECT_EQ(audio::MusicLoad(bad.c_str()), 0u) << bad;
    EXPECT_EQ(audio::StreamCreateFile(bad.c_str()), 0u) << bad;
  }

  // Free calls check the kind of handle.
  EXPECT_FALSE(audio::StreamFree(m));
  EXPECT_FALSE(audio::MusicFree(s));
  EXPECT_TRUE(audio::MusicFree(m));
  EXPECT_FALSE(audio::MusicFree(m));
  EXPECT_FALSE(audio::MusicGetName(m).has_value());
  EXPECT_TRUE(audio::StreamFree(s));
}

TEST_F(Offline, TwentySecondMusicLoopsSeamlessly) {
  const size_t length = 20 * kSecond;
  const std::vector<float> signal = qo_test::TestSignal(length);
  const std::string mp3 = Path("loop.mp3");
  qo_test::WriteFile(mp3, qo_test::EncodeMp3(signal));
  const std::string mod = Path("loop.mod");
  qo_test::WriteFile(mod, qo_test::VariedMod("loop", 200));  // 200 rows of 0.1 s

  for (bool module : {false, true}) {
    SCOPED_TRACE(module ? "module" : "stream");
    const uint32_t h = module ? audio::MusicLoad(mod.c_str()) : audio::StreamCreateFile(mp3.c_str());
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(module ? audio::MusicPlay(h) : audio::StreamPlay(h));
    const std::vector<float> out = Render(length + kSecond);
    // The frame after the last one is the first one again, and so on.
    size_t mismatches = 0;
    for (size_t i = 0; i < 2 * kSecond; ++i) mismatches += out[2 * length + i] != out[i];
    EXPECT_EQ(mismatches, 0u);
    double level = 0;
    for (size_t i = 0; i < 2 * length; ++i) level = std::max(level, std::fabs(double(out[i])));
    EXPECT_GT(level, 0.2);

    if (!module) {
      // Gapless: the decoded stream lines up with the encoded signal at lag
      // 0, not shifted by the encoder's delay or a frame.
      auto error = [&](long lag) {
        double e = 0;
        for (size_t i = 5000; i < length - 5000; ++i) {
          const double d = out[2 * i] - signal[2 * (i + lag)];
          e += d * d;
        }
        return e;
      };
      const double atZero = error(0);
      for (long lag : {-576L, -1L, 1L, 576L, 1105L}) EXPECT_LT(atZero * 2, error(lag)) << lag;
    }
    module ? audio::MusicFree(h) : audio::StreamFree(h);
  }
}

TEST_F(Offline, HoldAlongAVirtualTimelineIsExact) {
  // The record mode's use: events placed at exact frames. The held run is
  // silent and the music continues at the frame where it stopped, for both
  // decoders; the same events give the same bytes every time.
  const std::string mp3 = Path("hold.mp3");
  qo_test::WriteFile(mp3, qo_test::EncodeMp3(qo_test::TestSignal(3 * kSecond)));
  const std::string mod = Path("hold.mod");
  qo_test::WriteFile(mod, qo_test::VariedMod("hold", 64));
  const size_t pauseAt = 30000, held = 40000, total = 100000;
  const int N = 176;

  for (bool module : {false, true}) {
    SCOPED_TRACE(module ? "module" : "stream");
    auto play = [&](bool hold) {
      const uint32_t h = module ? audio::MusicLoad(mod.c_str()) : audio::StreamCreateFile(mp3.c_str());
      audio::Start();
      audio::SetVolume(90);
      module ? audio::MusicPlay(h) : audio::StreamPlay(h);
      std::vector<float> out = Render(pauseAt);
      if (hold) {
        audio::Pause();
        auto v = Render(held);
        out.insert(out.end(), v.begin(), v.end());
        audio::Start();
      }
      auto v = Render(total - out.size() / 2);
      out.insert(out.end(), v.begin(), v.end());
      module ? audio::MusicFree(h) : audio::StreamFree(h);
      return out;
    };
    const std::vector<float> ref = play(false);
    const std::vector<float> out = play(true);
    EXPECT_EQ(out, play(true));

    for (size_t i = 0; i < 2 * pauseAt; ++i) ASSERT_EQ(out[i], ref[i]) << i;
    const size_t holdStart = pauseAt + N, holdEnd = pauseAt + held;
    for (size_t i = 2 * holdStart; i < 2 * holdEnd; ++i) ASSERT_EQ(out[i], 0.0f) << i / 2;
    // After the ramp in, output frame t is reference frame t - (held - N).
    const size_t shift = held - N;
    for (size_t t = holdEnd + N; t < total; ++t) {
      ASSERT_EQ(out[2 * t], ref[2 * (t - shift)]) << t;
      ASSERT_EQ(out[2 * t + 1], ref[2 * (t - shift) + 1]) << t;
    }
    for (int k = 0; k < N; ++k) {  // the ramps scale the same frames
      ASSERT_NEAR(out[2 * (pauseAt + k)], ref[2 * (pauseAt + k)] * float(N - k) / N, 1e-6f);
      ASSERT_NEAR(out[2 * (holdEnd + k)], ref[2 * (holdEnd + k - shift)] * float(k + 1) / N, 1e-6f);
    }
  }
}

TEST(AudioComponent, CallsWithoutInit) {
  // The hold logic calls Pause and Start even without sound: harmless.
  EXPECT_FALSE(audio::Initialised());
  EXPECT_FALSE(audio::Pause());
  EXPECT_FALSE(audio::Start());
  EXPECT_EQ(audio::GetVolume(), -1);
  EXPECT_EQ(audio::MusicLoad("x"), 0u);
  float frame[2] = {1, 1};
  EXPECT_FALSE(audio::RenderOffline(frame, 1));
  EXPECT_EQ(frame[0], 0.0f);
  audio::Free();
  EXPECT_EQ(audio::Version(), audio::kVersion);
  ASSERT_TRUE(audio::InitOffline(44100));
  EXPECT_FALSE(audio::Init(-1, 44100));  // already initialised
  EXPECT_EQ(audio::GetVolume(), 100);
  audio::Free();
}
