// The program's side of the music: start, the 8500 ms hold point, the
// resume, the fade on leaving, and sound failures that only switch sound off.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Zentra2/timer.h"
#include "core/globals.h"
#include "core/music.h"
#include "core/timeline.h"
#include "tests/support/media.h"
#include "platform/audio.h"
#include "platform/clock.h"

namespace audio = platform::audio;

namespace {

constexpr int64_t kRate = 44100;

std::string Path(const std::string& name) {
  return ::testing::TempDir() + "qo_music_" + std::to_string(::getpid()) + "_" + name;
}

// Globals as start-up leaves them before InitSound, on the given clock.
class Music : public ::testing::Test {
 protected:
  void SetUp() override {
    NoSound = 0;
    MusicIsModule = 0;
    MusicHandle = 0;
    SyncTimer = new TTimer64(241);
    MusicTimer = new TTimer64_2(241);
  }
  void TearDown() override {
    audio::Free();
    platform::UseClock(std::make_unique<platform::RealClock>());
    delete SyncTimer;
    delete MusicTimer;
    SyncTimer = nullptr;
    MusicTimer = nullptr;
  }

  // A virtual clock whose every step renders the music's frames for that
  // stretch of time offline, as the record mode does.
  platform::VirtualClock& UseVirtualClock() {
    auto clock = std::make_unique<platform::VirtualClock>();
    platform::VirtualClock& c = *clock;
    c.SetListener([this](int64_t from, int64_t to) {
      const int64_t frames = to * kRate / 1000000 - from * kRate / 1000000;
      if (frames <= 0 || !audio::Initialised()) return;
      std::vector<float> part(static_cast<size_t>(frames) * 2);
      audio::RenderOffline(part.data(), part.size() / 2);
      output.insert(output.end(), part.begin(), part.end());
    });
    platform::UseClock(std::move(clock));
    return c;
  }

  static float Peak(const std::vector<float>& v, size_t fromFrame, size_t toFrame) {
    float p = 0;
    for (size_t i = 2 * fromFrame; i < 2 * toFrame && i < v.size(); ++i) p = std::max(p, std::fabs(v[i]));
    return p;
  }

  std::vector<float> output;
};

}  // namespace

TEST_F(Music, HoldsAt8500AndResumesWhereItStopped) {
  platform::VirtualClock& clock = UseVirtualClock();
  const std::string mod = Path("hold.mod");
  qo_test::WriteFile(mod, qo_test::VariedMod("Quiet Orbit", 640));
  MusicTimer->Start();
  InitSound();
  ASSERT_FALSE(NoSound);
  LoadMusic(mod.c_str());
  ASSERT_FALSE(NoSound);
  EXPECT_TRUE(MusicIsModule);
  EXPECT_TRUE(SyncTimer->Running);
  EXPECT_EQ(audio::GetVolume(), 90);
  EXPECT_EQ(audio::MusicGetName(MusicHandle), std::optional<std::string>("Quiet Orbit"));

  // Loading screen: the hold logic is checked all along.
  while (clock.Millis() < 8499) {
    CheckMusicPause();
    clock.Advance(1000);
  }
  CheckMusicPause();
  clock.Advance(20000);  // 8519 ms: the hold was not yet asked for at 8499
  EXPECT_GT(Peak(output, output.size() / 2 - 100, output.size() / 2), 0.0f);
  const size_t playedBefore = output.size() / 2;

  CheckMusicPause();  // 8519 >= 8500: held from the next frame
  clock.Advance(20000);
  MusicTimer->Stop();
  for (int i = 0; i < 100; ++i) {  // the 2000 ms wait, frozen timer still >= 8500
    CheckMusicPause();
    clock.Advance(20000);
  }
  const size_t heldEnd = output.size() / 2;
  EXPECT_EQ(Peak(output, playedBefore + 176, heldEnd), 0.0f);

  MusicTimer->SetElapsed(timeline::kHoldPoint);
  ResumeMusic();
  clock.Advance(500000);
  EXPECT_GT(Peak(output, heldEnd + 176, output.size() / 2), 0.05f);

  // The music after the resume is the reference rendering shifted by exactly
  // the held stretch.
  const std::vector<float> held = output;
  audio::Free();
  output.clear();
  InitSound();
  const uint32_t h = audio::MusicLoad(mod.c_str());
  audio::SetVolume(90);
  audio::MusicPlay(h);
  std::vector<float> ref(held.size());
  audio::RenderOffline(ref.data(), ref.size() / 2);
  const size_t shift = heldEnd - playedBefore - 176;
  for (size_t t = heldEnd + 176; t < held.size() / 2; ++t) ASSERT_EQ(held[2 * t], ref[2 * (t - shift)]) << t;
}

TEST_F(Music, FadeOnTheVirtualTimeline) {
  platform::VirtualClock& clock = UseVirtualClock();
  const std::string mod = Path("tone.mod");
  qo_test::WriteFile(mod, qo_test::ToneMod("tone"));
  InitSound();
  LoadMusic(mod.c_str());
  ASSERT_FALSE(NoSound);
  clock.Advance(200000);
  const size_t fadeStart = output.size() / 2;
  FadeOutMusic();
  EXPECT_EQ(clock.Micros(), 200000 + 101 * 30000);  // 101 steps of 30 ms
  EXPECT_FALSE(audio::MusicGetName(MusicHandle).has_value());  // freed
  EXPECT_FALSE(audio::MusicFree(MusicHandle));
  FreeSound();
  EXPECT_FALSE(audio::Initialised());

  // Level per 30 ms step (after its 4 ms volume ramp): 90 for the 11 steps
  // down to i = 90 (no change), then one step lower each time, never up,
  // silent at the end.
  const float full = Peak(output, fadeStart - 1323, fadeStart);
  ASSERT_GT(full, 0.1f);
  float previous = full;
  int firstLower = -1, firstSilent = -1;
  for (int step = 0; step < 101; ++step) {
    const float p = Peak(output, fadeStart + step * 1323 + 176, fadeStart + (step + 1) * 1323);
    EXPECT_LE(p, previous * 1.0001f) << step;
    previous = p;
    if (firstLower < 0 && p < full * 0.995f) firstLower = step;
    if (firstSilent < 0 && p == 0.0f) firstSilent = step;
  }
  EXPECT_EQ(firstLower, 11);
  EXPECT_EQ(firstSilent, 100);
}

TEST_F(Music, FadeMeasuredOnTheDevice) {
  const std::string mod = Path("fade.mod");
  qo_test::WriteFile(mod, qo_test::ToneMod("tone"));
  const std::string raw = Path("fade.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
  InitSound();
  ASSERT_FALSE(NoSound);
  LoadMusic(mod.c_str());
  ASSERT_FALSE(NoSound);
  platform::GetClock().Sleep(300);
  const auto t0 = std::chrono::steady_clock::now();
  FadeOutMusic();
  const double fadeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_FALSE(audio::MusicGetName(MusicHandle).has_value());
  platform::GetClock().Sleep(100);
  FreeSound();
  setenv("SDL_AUDIODRIVER", "dummy", 1);

  const std::vector<float> out = qo_test::ReadFloats(raw);
  std::remove(raw.c_str());
  // The level in 10 ms windows: steady, then falling over about 3 s to
  // silence, never rising.
  const size_t window = 441, windows = out.size() / 2 / window;
  std::vector<float> level(windows);
  for (size_t w = 0; w < windows; ++w) level[w] = Peak(out, w * window, (w + 1) * window);
  size_t start = 0;
  while (start < windows && level[start] == 0.0f) ++start;
  ASSERT_LT(start + 100, windows);
  const float full = level[start + 5];
  size_t falling = start + 5, silent = 0;
  while (falling < windows && level[falling] > full * 0.99f) ++falling;
  for (size_t w = falling; w < windows; ++w) {
    // 1% slack: a 10 ms window of the tone does not always catch its crest.
    EXPECT_LE(level[w], level[w - 1] * 1.01f + 1e-6f) << w;
    if (silent == 0 && level[w] == 0.0f) silent = w;
  }
  ASSERT_GT(silent, falling);
  for (size_t w = silent; w < windows; ++w) ASSERT_EQ(level[w], 0.0f) << w;
  const double fallSeconds = (silent - falling) * 0.01;
  std::printf("fade call %.3f s; level falls from %.3f to silence in %.2f s\n", fadeSeconds, full, fallSeconds);
  // 101 sleeps of 30 ms can only take longer on a busy machine, never less;
  // the exact step timing is checked on the virtual clock.
  EXPECT_GE(fadeSeconds, 3.02);
  EXPECT_LT(fadeSeconds, 10.0);
  // 89 steps of 30 ms below the start volume of 90 are 2.67 s of output on an
  // idle machine; on a busy one the driver writes less than real time (2.50 s
  // seen at a load of 12 on two cores). A cut instead of a fade is 10 ms.
  EXPECT_GT(fallSeconds, 1.0);
  EXPECT_LT(fallSeconds, 8.0);
}

// Sound failures switch sound off and the program carries on: each case runs
// in a child process that exits 0 only when everything went as it should.
TEST_F(Music, FailuresOnlySwitchSoundOff) {
  const std::string junk = Path("junk.mp3");
  qo_test::WriteFile(junk, std::vector<uint8_t>(20000, 0x5a));
  auto carriesOn = [&] {
    LoadMusic(junk.c_str());
    MusicTimer->Start();
    MusicTimer->SetElapsed(9000);
    CheckMusicPause();
    ResumeMusic();
    if (!NoSound || !SyncTimer->Running) std::exit(2);
    std::exit(0);
  };
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        InitSound();  // the dummy driver opens
        if (NoSound || !audio::Initialised()) std::exit(1);
        carriesOn();  // a file that is neither a module nor a stream
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        setenv("SDL_AUDIODRIVER", "nonexistent", 1);
        InitSound();
        if (!NoSound || audio::Initialised()) std::exit(1);
        carriesOn();
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        NoSound = FlagOn;  // "-nosound": the component is never set up
        InitSound();
        if (audio::Initialised()) std::exit(1);
        const std::string mod = Path("fine.mod");
        qo_test::WriteFile(mod, qo_test::ToneMod("fine"));
        LoadMusic(mod.c_str());
        if (MusicHandle != 0 || audio::Initialised()) std::exit(3);
        const auto t0 = std::chrono::steady_clock::now();
        FadeOutMusic();
        FreeSound();
        if (std::chrono::steady_clock::now() - t0 > std::chrono::milliseconds(100)) std::exit(4);
        carriesOn();
      },
      ::testing::ExitedWithCode(0), "");
}

// The normal end of the show frees nothing and ends the process while the
// music still plays: that must end cleanly, whatever the audio thread is doing.
TEST_F(Music, ProcessEndsWhilePlaying) {
  const std::string mod = Path("end.mod");
  qo_test::WriteFile(mod, qo_test::VariedMod("end", 64));
  for (int run = 0; run < 5; ++run) {
    EXPECT_EXIT(
        {
          setenv("SDL_AUDIODRIVER", "dummy", 1);
          InitSound();
          LoadMusic(mod.c_str());
          if (NoSound) std::exit(1);
          platform::GetClock().Sleep(20 + 7 * run);
          std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
  }
}
