// The whole program as a child process, on the data tree the build generated.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/child_run.h"

namespace fs = std::filesystem;

namespace {

using Show = ShowFolder;

TEST_F(Show, EscapeDuringTheLoadingScreenEndsCleanlyWithoutAScene) {
  ChildResult r = RunShowIn(dir, "--benchmark", "QO_ESCAPE_AT_FRAME=40");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("loading"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("intro"), std::string::npos) << r.out;
}

TEST_F(Show, AMissingLoadingPictureEndsWithItsName) {
  LinkDataFiles();
  fs::remove(dir / "data/gfx/loading/ld00.jpg");
  ChildResult r = RunShowIn(dir, "--benchmark");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("ld00.jpg"), std::string::npos) << r.err;
}

TEST_F(Show, ADamagedLoadingPictureEndsWithTheDecodersMessage) {
  LinkDataFiles();
  const std::string bytes = ReadFile(data / "gfx/loading/ld00.jpg");
  fs::remove(dir / "data/gfx/loading/ld00.jpg");
  WriteFile(dir / "data/gfx/loading/ld00.jpg", bytes.substr(0, bytes.size() / 3));
  ChildResult r = RunShowIn(dir, "--benchmark");
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(r.err.find("quietorbit:"), std::string::npos) << r.err;
}

// The music is held once MusicTimer reads 8500 and resumed, at 8500 again,
// when the first scene starts: the recording is silent in between and the
// first scene frame reads MusicTimer 8500 and a little.
TEST_F(Show, TheMusicHoldsDuringLoadingAndResumesWithTheFirstScene) {
  ChildResult r = RunShowIn(dir, "--record=rec", "QO_QUIT_AT_FRAME=420");
  ASSERT_EQ(r.code, 0) << r.err;

  std::ifstream csv(dir / "rec/frames.csv");
  std::string line, firstScene;
  std::getline(csv, line);
  while (std::getline(csv, line))
    if (line.find(",loading,") == std::string::npos && line.find(",new,") != std::string::npos) {
      firstScene = line;
      break;
    }
  ASSERT_FALSE(firstScene.empty());
  double music = std::stod(firstScene.substr(firstScene.rfind(',') + 1));
  EXPECT_GE(music, 8500.0);
  EXPECT_LT(music, 8521.0);

  // Loudness per 20 ms of the recording: sound, then a held silence of
  // several seconds (the loading work and the 2 s pause), then sound again.
  const std::string pcm = ReadFile(dir / "rec/music.wav");
  ASSERT_GT(pcm.size(), 44u);
  const int16_t* s = reinterpret_cast<const int16_t*>(pcm.data() + 44);
  size_t frames = (pcm.size() - 44) / 4;
  std::vector<bool> loud;
  for (size_t f = 0; f + 882 <= frames; f += 882) {
    int peak = 0;
    for (size_t i = f * 2; i < (f + 882) * 2; ++i) peak = std::max(peak, std::abs(int(s[i])));
    loud.push_back(peak > 0);
  }
  size_t firstSilent = 0;
  while (firstSilent < loud.size() && !loud[firstSilent]) ++firstSilent;  // the track may open quietly
  while (firstSilent < loud.size() && loud[firstSilent]) ++firstSilent;
  size_t resumed = firstSilent;
  while (resumed < loud.size() && !loud[resumed]) ++resumed;
  // Held at the first hold check after MusicTimer passed 8500 ms (a scene's
  // 500 ms sleep may come first), silent for at least the 2 s pause (less the
  // 20 ms window the ramp falls into).
  EXPECT_GE(firstSilent, 8500u / 20);
  EXPECT_LT(firstSilent, 10500u / 20);
  EXPECT_GE(resumed - firstSilent, 1980u / 20);
  EXPECT_LT(resumed, loud.size());               // and the music came back
}

}  // namespace
