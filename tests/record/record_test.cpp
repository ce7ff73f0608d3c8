// Record mode: what it writes, and that it writes the same bytes every time.
#include <gtest/gtest.h>

#include <set>

#include "tests/record/run_show.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

using Record = ShowFolder;

// The run ends ~100 frames into the intro (the quit test counts frames from
// the first one of the loading screen), so it covers the loading screen, the
// music hold and resume, and the start of a scene.
constexpr const char* kShortRun = "QO_QUIT_AT_FRAME=450";

TEST_F(Record, TwoRunsWriteTheSameBytesAndAFrameListPicksTheSameFrames) {
  ASSERT_EQ(RunShowIn(dir, "--record=a", kShortRun).code, 0);
  ASSERT_EQ(RunShowIn(dir, "--record=b", kShortRun).code, 0);
  ShowRun c = RunShowIn(dir, "--record=c --frames=0,100,420,700,701", kShortRun);
  ASSERT_EQ(c.code, 0) << c.err;

  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir / "a")) names.insert(e.path().filename().string());
  ASSERT_GT(names.size(), 700u);
  for (const std::string& name : names) ASSERT_EQ(ReadFile(dir / "a" / name), ReadFile(dir / "b" / name)) << name;

  for (const char* frame : {"frame_000000.png", "frame_000100.png", "frame_000420.png", "frame_000700.png"})
    EXPECT_EQ(ReadFile(dir / "c" / frame), ReadFile(dir / "a" / frame)) << frame;
  EXPECT_FALSE(fs::exists(dir / "c/frame_000101.png"));

  // frames.csv: a header and one row per written frame, numbered from 0.
  std::vector<std::string> rows = Lines(ReadFile(dir / "a/frames.csv"));
  ASSERT_EQ(rows[0], "frame,kind,scene,t,sync_timer,music_timer");
  size_t pngs = names.size() - 2;  // frames.csv and music.wav
  ASSERT_EQ(rows.size(), pngs + 1);
  EXPECT_EQ(rows[1].rfind("0,", 0), 0u);
  bool sawRepeat = false, sawIntro = false;
  for (const std::string& row : rows) {
    sawRepeat |= row.find(",repeat,loading,") != std::string::npos;  // the sleeps and the pause show the last frame
    sawIntro |= row.find(",new,intro,") != std::string::npos;
  }
  EXPECT_TRUE(sawRepeat);
  EXPECT_TRUE(sawIntro);
  std::vector<std::string> picked = Lines(ReadFile(dir / "c/frames.csv"));
  ASSERT_EQ(picked.size(), 6u);
  EXPECT_EQ(picked[3], rows[421]);

  // The music lasts as long as the video, to within one frame (882 samples).
  std::string wav = ReadFile(dir / "a/music.wav");
  ASSERT_GT(wav.size(), 44u);
  int64_t samples = int64_t(wav.size() - 44) / 4;
  EXPECT_LE(std::llabs(samples - int64_t(pngs) * 882), 882) << samples << " samples, " << pngs << " frames";
}

TEST_F(Record, FromAndToWriteOnlyTheirStretch) {
  ShowRun r = RunShowIn(dir, "--record=part --from=10 --to=10.5", kShortRun);
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> rows = Lines(ReadFile(dir / "part/frames.csv"));
  ASSERT_EQ(rows.size(), 27u);  // header + frames 500..525
  EXPECT_EQ(rows[1].rfind("500,", 0), 0u);
  EXPECT_EQ(rows.back().rfind("525,", 0), 0u);
  EXPECT_TRUE(fs::exists(dir / "part/frame_000500.png"));
  EXPECT_FALSE(fs::exists(dir / "part/frame_000499.png"));
  std::string wav = ReadFile(dir / "part/music.wav");
  int64_t samples = int64_t(wav.size() - 44) / 4;
  EXPECT_LE(std::llabs(samples - 26 * 882), 882);
}

TEST_F(Record, BenchmarkReportsEveryScenePlayed) {
  ShowRun r = RunShowIn(dir, "--benchmark --json", kShortRun);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("{\"depth\": 32"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"scene\": \"loading\""), std::string::npos);
  EXPECT_NE(r.out.find("\"scene\": \"intro\""), std::string::npos);
  EXPECT_EQ(r.out.find("\"scene\": \"cube\""), std::string::npos);
}

TEST_F(Record, BadValuesOfOurOptionsAreReported) {
  EXPECT_EQ(RunShowIn(dir, "--record=x --frames=3-1").code, 2);
  EXPECT_EQ(RunShowIn(dir, "--record=x --from=abc").code, 2);
  EXPECT_EQ(RunShowIn(dir, "--record=").code, 2);
}

TEST_F(Record, WithoutADisplayTheFatalPathPointsToRecording) {
  ShowRun r = RunShowIn(dir, "-windowed -nosound", "SDL_VIDEODRIVER=nonexistent");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("--record"), std::string::npos) << r.err;
  EXPECT_NE(ReadFile(dir / "ZNT_ERR.txt").find("[TSelfZentra]"), std::string::npos);
}

}  // namespace
