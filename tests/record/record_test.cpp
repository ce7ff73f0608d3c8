// Record mode: what it writes, and that it writes the same bytes every time.
#include <gtest/gtest.h>

#include <set>

#include "core/sha256.h"
#include "tests/record/picture.h"
#include "tests/support/child_run.h"

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
  ChildResult c = RunShowIn(dir, "--record=c --frames=0,100,420,700,701", kShortRun);
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

// --to is where the stretch ends, not its last frame: 10 to 10.5 s is 25
// frames and exactly their music, 882 samples each.
TEST_F(Record, FromAndToWriteOnlyTheirStretch) {
  ChildResult r = RunShowIn(dir, "--record=part --from=10 --to=10.5", kShortRun);
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> rows = Lines(ReadFile(dir / "part/frames.csv"));
  ASSERT_EQ(rows.size(), 26u);  // header + frames 500..524
  EXPECT_EQ(rows[1].rfind("500,", 0), 0u);
  EXPECT_EQ(rows.back().rfind("524,", 0), 0u);
  EXPECT_TRUE(fs::exists(dir / "part/frame_000500.png"));
  EXPECT_FALSE(fs::exists(dir / "part/frame_000499.png"));
  EXPECT_FALSE(fs::exists(dir / "part/frame_000525.png"));
  EXPECT_EQ(ReadFile(dir / "part/music.wav").size(), 44u + 25 * 882 * 4);
}

// The digests the browser build is compared by: the frames --record writes,
// hashed as RGB24 rows top-down.
TEST_F(Record, HashesAreTheSha256OfTheFramesRecordWrites) {
  ChildResult h = RunShowIn(dir, "--hashes --frames=0,420,700", kShortRun);
  ASSERT_EQ(h.code, 0) << h.err;
  ASSERT_EQ(RunShowIn(dir, "--record=c --frames=0,420,700", kShortRun).code, 0);
  EXPECT_FALSE(fs::exists(dir / "frames.csv"));
  std::string expected = "{\"frames\": {";
  for (int frame : {0, 420, 700}) {
    char name[32];
    std::snprintf(name, sizeof name, "c/frame_%06d.png", frame);
    Picture p = ReadPng(dir / name);
    ASSERT_EQ(p.rgb.size(), 512u * 384u * 3u) << name;
    expected += (frame ? ", \"" : "\"") + std::to_string(frame) + "\": \"" + Sha256Hex(p.rgb.data(), p.rgb.size()) + "\"";
  }
  expected += "}, \"ms_per_frame\": {\"loading\": ";
  EXPECT_EQ(h.out.rfind(expected, 0), 0u) << h.out;
  EXPECT_NE(h.out.find("\"intro\": "), std::string::npos) << h.out;
}

TEST(Sha256, KnownDigestsAroundTheBlockBoundaries) {
  auto digest = [](const std::string& s) { return Sha256Hex(reinterpret_cast<const uint8_t*>(s.data()), s.size()); };
  EXPECT_EQ(digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 55 bytes fit the length into the last block, 56 need another; 64 is one whole block.
  EXPECT_EQ(digest(std::string(55, 'a')), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
  EXPECT_EQ(digest(std::string(56, 'a')), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
  EXPECT_EQ(digest(std::string(64, 'a')), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
  EXPECT_EQ(digest(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_F(Record, BenchmarkReportsEveryScenePlayed) {
  ChildResult r = RunShowIn(dir, "--benchmark --json", kShortRun);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("{\"depth\": 32"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"scene\": \"loading\""), std::string::npos);
  EXPECT_NE(r.out.find("\"scene\": \"intro\""), std::string::npos);
  EXPECT_EQ(r.out.find("\"scene\": \"cube\""), std::string::npos);
}

}  // namespace
