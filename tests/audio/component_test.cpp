// The audio component through its offline mode: what counts as a module or a
// stream, titles, seamless loops and holds with the real decoders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/media.h"
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
  // Binary junk in which the MP3 decoder finds false frame headers.
  std::vector<uint8_t> binary(100000);
  uint32_t seed = 1;
  for (uint8_t& b : binary) b = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  for (size_t at = 12000; at + 4 < binary.size(); at += 208) {  // 64 kbit/s frame headers from 12 KB on
    binary[at] = 0xFF, binary[at + 1] = 0xFB, binary[at + 2] = 0x50, binary[at + 3] = 0xC4;
  }
  const std::string elf = Path("binary.mp3");
  qo_test::WriteFile(elf, binary);
  // A real MP3 behind an ID3v2 tag and behind a little junk still loads.
  const std::vector<uint8_t> mp3Bytes = qo_test::EncodeMp3(qo_test::TestSignal(kSecond / 2));
  auto behind = [&mp3Bytes](std::vector<uint8_t> head) {
    const size_t n = head.size();
    head.resize(n + mp3Bytes.size());
    std::copy(mp3Bytes.begin(), mp3Bytes.end(), head.begin() + static_cast<long>(n));
    return head;
  };
  std::vector<uint8_t> tag(10 + 2048, 0);
  const uint8_t tagHeader[10] = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x10, 0};  // 2048 bytes of tag body
  std::copy(tagHeader, tagHeader + 10, tag.begin());
  const std::string id3 = Path("tagged.mp3");
  qo_test::WriteFile(id3, behind(tag));
  const std::string junkFirst = Path("junked.mp3");
  qo_test::WriteFile(junkFirst, behind(std::vector<uint8_t>(600, 0x21)));

  const uint32_t m = audio::MusicLoad(mod.c_str());
  ASSERT_NE(m, 0u);
  EXPECT_EQ(audio::MusicGetName(m), std::optional<std::string>("orbit tune"));
  EXPECT_EQ(audio::MusicLoad(mp3.c_str()), 0u);  // libopenmpt does not take MP3
  const uint32_t s = audio::StreamCreateFile(mp3.c_str());
  ASSERT_NE(s, 0u);
  EXPECT_NE(s, m);
  EXPECT_FALSE(audio::MusicGetName(s).has_value());
  EXPECT_FALSE(audio::MusicGetName(9999).has_value());

  for (const std::string& good : {id3, junkFirst}) {
    const uint32_t h = audio::StreamCreateFile(good.c_str());
    EXPECT_NE(h, 0u) << good;
    audio::StreamFree(h);
  }
  for (const std::string& bad : {junk, empty, elf, Path("missing.mp3")}) {
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

TEST_F(Offline, PositionAndJumpsLineUpWithPlainPlayback) {
  // Skipping to a scene: while held, jump ahead; the output then continues
  // with the frames plain playback has there. Past the end, a looping
  // music wraps.
  const size_t length = 4 * kSecond;
  const std::string mp3 = Path("seek.mp3");
  qo_test::WriteFile(mp3, qo_test::EncodeMp3(qo_test::TestSignal(length)));
  const std::string mod = Path("seek.mod");
  qo_test::WriteFile(mod, qo_test::VariedMod("seek", 40));  // 4 s
  const size_t pauseAt = 20000, jumpTo = 100000, run = 30000;

  for (bool module : {false, true}) {
    SCOPED_TRACE(module ? "module" : "stream");
    const uint32_t h = module ? audio::MusicLoad(mod.c_str()) : audio::StreamCreateFile(mp3.c_str());
    module ? audio::MusicPlay(h) : audio::StreamPlay(h);
    const std::vector<float> ref = Render(jumpTo + run);
    EXPECT_EQ(audio::GetPosition(h), jumpTo + run);

    ASSERT_TRUE(audio::SetPosition(h, 0));
    Render(pauseAt);
    audio::Pause();
    Render(1000);  // ramps out over 176 frames, then silence
    EXPECT_EQ(audio::GetPosition(h), pauseAt + 176);
    ASSERT_TRUE(audio::SetPosition(h, jumpTo));
    EXPECT_EQ(audio::GetPosition(h), jumpTo);
    audio::Start();
    const std::vector<float> out = Render(run);
    // After the 176-frame ramp in, the frames are plain playback's (the
    // decoders restart a little before the frame, so allow for rounding).
    double worst = 0;
    for (size_t i = 2 * 176; i < out.size(); ++i)
      worst = std::max(worst, std::fabs(double(out[i] - ref[2 * jumpTo + i])));
    EXPECT_LT(worst, 1e-3);

    ASSERT_TRUE(audio::SetPosition(h, 2 * length + jumpTo));
    EXPECT_EQ(audio::GetPosition(h), jumpTo);
    EXPECT_FALSE(audio::SetPosition(h + 100, 0));
    module ? audio::MusicFree(h) : audio::StreamFree(h);
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

TEST_F(Offline, StreamsOfAnyRateComeOutStereoAtOurRate) {
  // Mono MP3s at 22050 and 48000 Hz: both channels the same, the pitch kept,
  // one second in is one second out.
  for (int rate : {22050, 48000}) {
    SCOPED_TRACE(rate);
    std::vector<float> tone(static_cast<size_t>(rate));
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 441.0 * i / rate));
    const std::string path = Path("mono.mp3");
    qo_test::WriteFile(path, qo_test::EncodeMp3(tone, rate, 1, 64));
    const uint32_t h = audio::StreamCreateFile(path.c_str());
    ASSERT_NE(h, 0u);
    audio::StreamPlay(h, false);
    const std::vector<float> out = Render(2 * kSecond);
    size_t last = 0, crossings = 0;
    for (size_t i = 0; i < 2 * kSecond; ++i) {
      ASSERT_EQ(out[2 * i], out[2 * i + 1]) << i;
      if (out[2 * i] != 0.0f) last = i;
    }
    for (size_t i = 4410; i < 4410 + kSecond / 2; ++i) crossings += (out[2 * i] < 0) != (out[2 * i + 2] < 0);
    EXPECT_NEAR(static_cast<double>(last), 44100.0, 4.0);
    EXPECT_NEAR(crossings / 2.0 / 0.5, 441.0, 3.0);
    audio::StreamFree(h);
  }
}

TEST_F(Offline, DamagedFilesLoadOrFailButNeverHang) {
  // Cut and scrambled copies of both kinds: each either fails to load or
  // plays (and loops) whatever it holds; rendering always returns.
  const std::vector<uint8_t> mp3 = qo_test::EncodeMp3(qo_test::TestSignal(kSecond));
  const std::vector<uint8_t> mod = qo_test::VariedMod("damaged", 32);
  uint32_t seed = 4242;
  auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  int loaded = 0, refused = 0;
  for (int round = 0; round < 24; ++round) {
    std::vector<uint8_t> bytes = round % 2 ? mod : mp3;
    if (round % 4 < 2) {
      bytes.resize(next() % bytes.size());  // cut short
    } else {
      for (int i = 0; i < 40; ++i) bytes[next() % bytes.size()] = static_cast<uint8_t>(next());
    }
    const std::string path = Path("damaged");
    qo_test::WriteFile(path, bytes);
    uint32_t h = audio::MusicLoad(path.c_str());
    const bool module = h != 0;
    if (!module) h = audio::StreamCreateFile(path.c_str());
    if (h == 0) {
      ++refused;
      continue;
    }
    ++loaded;
    module ? audio::MusicPlay(h) : audio::StreamPlay(h);
    const std::vector<float> out = Render(3 * kSecond);
    for (float v : out) ASSERT_TRUE(std::isfinite(v)) << round;
    module ? audio::MusicFree(h) : audio::StreamFree(h);
  }
  std::printf("damaged files: %d loaded, %d refused\n", loaded, refused);
  EXPECT_GT(loaded, 0);
  EXPECT_GT(refused, 0);
}
