// Starting at a scene, and the gentle show: --start=SCENE plays a scene as
// a full run has it (pictures and music); --gentle keeps every second of
// the show to at most three flashes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/record/flashes.h"
#include "tests/record/picture.h"
#include "tests/support/child_run.h"

namespace fs = std::filesystem;

namespace {

using Start = ShowFolder;


// --list-scenes: scene name to its start in the music, in seconds.
std::map<std::string, double> SceneStarts(const fs::path& dir) {
  ChildResult r = RunShowIn(dir, "--list-scenes");
  EXPECT_EQ(r.code, 0);
  std::map<std::string, double> starts;
  std::stringstream lines(r.out);
  std::string name, unit;
  double seconds;
  while (lines >> name >> seconds >> unit) {
    EXPECT_EQ(unit, "s") << name;
    starts[name] = seconds;
  }
  return starts;
}

struct Row {
  int64_t frame;
  std::string scene;
  double music;
};

std::vector<Row> Rows(const fs::path& csv) {
  std::vector<Row> rows;
  std::ifstream in(csv);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream s(line);
    std::string frame, kind, scene, t, sync, music;
    std::getline(s, frame, ',');
    std::getline(s, kind, ',');
    std::getline(s, scene, ',');
    std::getline(s, t, ',');
    std::getline(s, sync, ',');
    std::getline(s, music, ',');
    rows.push_back({std::stoll(frame), scene, std::stod(music)});
  }
  return rows;
}

const Row* FirstOf(const std::vector<Row>& rows, const std::string& scene) {
  for (const Row& r : rows)
    if (r.scene == scene) return &r;
  return nullptr;
}

// Video seconds at which the first scene played starts: the loading screen
// and the pause before it take the same frames whichever scene that is,
// so one probe serves every call of a test.
double FirstSceneVideo(const fs::path& dir) {
  static double found = -1;
  if (found >= 0) return found;
  ChildResult r = RunShowIn(dir, "--record=probe --frames=400-900", "QO_QUIT_AT_FRAME=800");
  EXPECT_EQ(r.code, 0) << r.err;
  for (const Row& row : Rows(dir / "probe/frames.csv"))
    if (row.scene != "loading") return found = double(row.frame) / 50;
  ADD_FAILURE() << "no scene within frames 400..900";
  return 0;
}

std::vector<int16_t> WavSamples(const fs::path& wav) {
  const std::string bytes = ReadFile(wav);
  std::vector<int16_t> samples(bytes.size() > 44 ? (bytes.size() - 44) / 2 : 0);
  std::memcpy(samples.data(), bytes.data() + 44, samples.size() * 2);
  return samples;
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", s);
  return text;
}

TEST_F(Start, EveryListedStartIsWhereTheSceneStartsInAFullRun) {
  const std::map<std::string, double> starts = SceneStarts(dir);
  ASSERT_EQ(starts.size(), 6u);
  EXPECT_NEAR(starts.at("intro"), 8.5, 1e-9);
  // A full run (to the greetz scene) that writes the frames just before and
  // at each predicted start.
  const double firstScene = FirstSceneVideo(dir);
  std::string frames;
  for (const auto& [name, seconds] : starts) {
    const int64_t f = std::llround((firstScene + seconds - 8.5) * 50);
    if (!frames.empty()) frames += ',';
    frames += std::to_string(f - 1) + "-" + std::to_string(f);
  }
  ChildResult r = RunShowIn(dir, "--record=full --frames=" + frames, "QO_QUIT_AT_FRAME=16000");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::vector<Row> rows = Rows(dir / "full/frames.csv");
  ASSERT_EQ(rows.size(), 12u);
  for (const auto& [name, seconds] : starts) {
    const Row* first = FirstOf(rows, name);
    ASSERT_NE(first, nullptr) << name;
    EXPECT_NE((first - 1)->scene, name);
    EXPECT_EQ(first->frame, (first - 1)->frame + 1) << name;
    EXPECT_NEAR(first->music / 1000.0, seconds, 0.0005) << name;
  }
}

TEST_F(Start, AStartedSceneHasTheFullRunsPicturesAndMusic) {
  const std::map<std::string, double> starts = SceneStarts(dir);
  const double skipped = starts.at("meshes") - starts.at("intro");
  ChildResult s = RunShowIn(dir, "--record=started --start=meshes --from=12 --to=15", "QO_QUIT_AT_FRAME=900");
  ASSERT_EQ(s.code, 0) << s.err;
  const std::vector<Row> started = Rows(dir / "started/frames.csv");
  const Row* first = FirstOf(started, "meshes");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(FirstOf(started, "intro"), nullptr);
  // The same stretch of a full run: the scene starts `skipped` seconds later.
  const double at = double(first->frame) / 50 + skipped, from = std::stod(Seconds(at - 1));
  ChildResult f = RunShowIn(dir, "--record=full --from=" + Seconds(from) + " --to=" + Seconds(at + 2),
                        "QO_QUIT_AT_FRAME=12000");
  ASSERT_EQ(f.code, 0) << f.err;
  const std::vector<Row> full = Rows(dir / "full/frames.csv");
  const Row* fullFirst = FirstOf(full, "meshes");
  ASSERT_NE(fullFirst, nullptr);
  EXPECT_EQ(fullFirst->frame, first->frame + std::llround(skipped * 50));
  EXPECT_EQ(fullFirst->music, first->music);

  // The music: the full run's stretch from the scene's start on, and the
  // started run's, line up to within one frame (882 samples) and agree.
  const std::vector<int16_t> a = WavSamples(dir / "started/music.wav"), b = WavSamples(dir / "full/music.wav");
  const long fromA = long(first->frame - 600) * 882 * 2;
  const long fromB = long(fullFirst->frame - std::llround(from * 50)) * 882 * 2;
  const long span = 44100 * 3 / 2 * 2;  // 1.5 s
  ASSERT_GE(long(a.size()), fromA + span);
  ASSERT_GE(long(b.size()), fromB + span + 2000);
  long best = 0;
  double bestError = 1e300;
  for (long lag = -1000; lag <= 1000; ++lag) {
    double e = 0;
    for (long i = 0; i < span; i += 2) e += std::fabs(double(a[size_t(fromA + i)]) - double(b[size_t(fromB + i + 2 * lag)]));
    if (e < bestError) bestError = e, best = lag;
  }
  EXPECT_LE(std::labs(best), 882) << "the started run's music is " << best << " samples off";
  EXPECT_LT(bestError / (span / 2), 2.0) << "mean difference per sample at the best lag";

  // The pictures: frames of the started scene equal the full run's frames
  // at the same scene time (the stored golden hashes of frames 12400, 13200).
  const int64_t shift = std::llround(skipped * 50);
  ChildResult g = RunShowIn(dir, "--record=golden --start=meshes --frames=" + std::to_string(12400 - shift) + "," +
                                 std::to_string(13200 - shift));
  ASSERT_EQ(g.code, 0) << g.err;
  std::ifstream hashes(fs::path(QO_GOLDEN_DIR) / "frames_32.txt");
  int frame;
  std::string hex;
  int compared = 0;
  while (hashes >> frame >> hex) {
    if (frame != 12400 && frame != 13200) continue;
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", (long long)(frame - shift));
    EXPECT_EQ(PixelHash(ReadPng(dir / "golden" / name)), std::stoull(hex, nullptr, 16)) << "full-run frame " << frame;
    ++compared;
  }
  EXPECT_EQ(compared, 2);
}

// The most flashes in one second over a recorded stretch of `scene`, from
// scene time `from` to `to` (show clock units).
int MostFlashesIn(const fs::path& dir, const std::string& name, const std::string& scene, double from, double to,
                  const std::string& extra) {
  const double first = FirstSceneVideo(dir);
  const double begin = first + from / 1500.0, end = first + to / 1500.0;
  ChildResult r = RunShowIn(dir, "--record=" + name + " --start=" + scene + " --from=" + Seconds(begin) + " --to=" +
                                 Seconds(end) + " " + extra);
  EXPECT_EQ(r.code, 0) << r.err;
  std::vector<double> luminance;
  for (const Row& row : Rows(dir / name / "frames.csv")) {
    EXPECT_EQ(row.scene, scene);
    char file[32];
    std::snprintf(file, sizeof file, "frame_%06lld.png", (long long)row.frame);
    luminance.push_back(MeanLuminance(ReadPng(dir / name / file)));
  }
  EXPECT_GT(luminance.size(), 100u);
  return MostFlashes(ChangeEnds(luminance), 50);
}

TEST_F(Start, TheGentleShowFlashesAtMostThreeTimesASecond) {
  // The meshes scene's strobes: 3.75 a second as designed, on the beat
  // (1.5 a second) when gentle; both strobe passages.
  EXPECT_GT(MostFlashesIn(dir, "strobe", "meshes", 65500, 70500, ""), 3);
  EXPECT_LE(MostFlashesIn(dir, "meshes1", "meshes", 65500, 70500, "--gentle"), 3);
  EXPECT_LE(MostFlashesIn(dir, "meshes2", "meshes", 85500, 90500, "--gentle"), 3);
  // The circles' interference and the intro's blinking picture.
  EXPECT_LE(MostFlashesIn(dir, "circles", "circles", 40000, 46000, "--gentle"), 3);
  EXPECT_LE(MostFlashesIn(dir, "intro", "intro", 14000, 18500, "--gentle"), 3);
}

}  // namespace
