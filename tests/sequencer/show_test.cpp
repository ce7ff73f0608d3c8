// The whole program as a child process, on the data tree the build generated.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int code = -1;
  std::string out, err;
};

// Runs the binary in `dir` with `env` prepended; stdout and stderr captured.
RunResult RunShow(const fs::path& dir, const std::string& args, const std::string& env = "") {
  fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
  std::string cmd = "cd '" + dir.string() + "' && " + env + " '" + std::getenv("QO_BIN") + "' " + args + " >'" +
                    out.string() + "' 2>'" + err.string() + "'";
  int status = std::system(cmd.c_str());
  RunResult r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  auto slurp = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  r.out = slurp(out);
  r.err = slurp(err);
  return r;
}

class Show : public ::testing::Test {
protected:
  void SetUp() override {
    data = fs::path(std::getenv("QO_SOURCE_DIR")) / "data";
    if (!fs::exists(data / ".mkdata-stamp")) GTEST_SKIP() << "no generated data tree (run ./setup.sh build)";
    dir = fs::temp_directory_path() / ("qo_show_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }
  // The data tree, linked file by file so a test can replace one file.
  void LinkData() {
    for (const auto& e : fs::recursive_directory_iterator(data)) {
      fs::path target = dir / "data" / fs::relative(e.path(), data);
      if (e.is_directory()) fs::create_directories(target);
      else fs::create_symlink(e.path(), target);
    }
  }
  fs::path data, dir;
};

TEST_F(Show, EscapeDuringTheLoadingScreenEndsCleanlyWithoutAScene) {
  fs::create_directory_symlink(data, dir / "data");
  RunResult r = RunShow(dir, "--benchmark", "QO_ESCAPE_AT_FRAME=40");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("loading"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("intro"), std::string::npos) << r.out;
}

TEST_F(Show, AMissingLoadingPictureEndsWithItsName) {
  LinkData();
  fs::remove(dir / "data/gfx/loading/ld00.jpg");
  RunResult r = RunShow(dir, "--benchmark");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("ld00.jpg"), std::string::npos) << r.err;
}

TEST_F(Show, ADamagedLoadingPictureEndsWithTheDecodersMessage) {
  LinkData();
  fs::path file = dir / "data/gfx/loading/ld00.jpg";
  std::ifstream in(data / "gfx/loading/ld00.jpg", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  fs::remove(file);
  std::ofstream(file, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size() / 3));
  RunResult r = RunShow(dir, "--benchmark");
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(r.err.find("quietorbit:"), std::string::npos) << r.err;
}

// The music is held once MusicTimer reads 8500 and resumed, at 8500 again,
// when the first scene starts: the recording is silent in between and the
// first scene frame reads MusicTimer 8500 and a little.
TEST_F(Show, TheMusicHoldsDuringLoadingAndResumesWithTheFirstScene) {
  fs::create_directory_symlink(data, dir / "data");
  RunResult r = RunShow(dir, "--record=rec", "QO_QUIT_AT_FRAME=420");
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
  std::ifstream wav(dir / "rec/music.wav", std::ios::binary);
  std::string pcm((std::istreambuf_iterator<char>(wav)), {});
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
