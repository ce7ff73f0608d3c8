// Starting at a show time, and the gentle show: --start=TIME plays the show
// from there as a full run has it (pictures and music); --gentle keeps every
// second of the show to at most three flashes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <future>
#include <map>
#include <utility>
#include <vector>
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

// Frames of a recording folder by the MusicTimer reading at the top of the
// frame each shows: scene and pixel hash.
std::map<double, std::pair<std::string, uint64_t>> ShownByMusic(const fs::path& folder) {
  std::map<double, std::pair<std::string, uint64_t>> shown;
  for (const Row& row : Rows(folder / "frames.csv")) {
    char file[32];
    std::snprintf(file, sizeof file, "frame_%06lld.png", (long long)row.frame);
    shown[row.music] = {row.scene, PixelHash(ReadPng(folder / file))};
  }
  return shown;
}

// A jump lands on the frame a full run shows at the same show time, and the
// frames after it follow the full run's: eleven show times over all six scenes,
// among them just after a start and just before an end (metaballs and greetz
// begin over the last picture of the scene before them), at 32 and 16 bits.
TEST_F(Start, AJumpShowsTheFullRunsFramesFromThereOn) {
  const std::map<std::string, double> starts = SceneStarts(dir);
  ASSERT_EQ(starts.size(), 6u);
  auto at = [&](const std::string& scene, double seconds) { return starts.at(scene) + seconds; };
  const std::vector<std::pair<std::string, double>> times = {
      {"intro+40", at("intro", 40)},
      {"cube+0.02", at("cube", 0.02)},
      {Seconds(starts.at("circles") - 0.02), starts.at("circles") - 0.02},  // the cube's last frame
      {"circles+20.3", at("circles", 20.3)},
      {"metaballs", at("metaballs", 0)},
      {"metaballs+0.5", at("metaballs", 0.5)},
      {"3:20", 200},
      {"meshes+75.5", at("meshes", 75.5)},  // past every mesh and both strobes
      {Seconds(starts.at("greetz") - 0.02), starts.at("greetz") - 0.02},  // the meshes' last frame
      {"greetz+0.02", at("greetz", 0.02)},
      {"greetz+66", at("greetz", 66)},
  };
  // In both runs a frame of video is 20 ms of show time and the scenes start
  // after the same loading: a frame of the started run shows what the full
  // run shows `shift` frames later, the time the jump skipped (it lands on
  // the scene's 20 ms grid at or before the time asked for).
  const int64_t lead = std::llround(FirstSceneVideo(dir) * 50);
  const std::vector<int64_t> offsets = {0, 1, 2, 25};
  std::string full;
  std::vector<int64_t> shifts;
  for (const auto& [name, seconds] : times) {
    std::string scene;
    for (const auto& [n, s] : starts)
      if (s <= seconds + 1e-9 && (scene.empty() || s > starts.at(scene))) scene = n;
    const int64_t shift = std::llround((starts.at(scene) - 8.5) * 50) +
                          int64_t(std::floor((seconds - starts.at(scene)) * 50 + 1e-6));
    shifts.push_back(shift);
    for (int64_t o : offsets) full += (full.empty() ? "" : ",") + std::to_string(lead + o + shift);
  }
  std::string started;
  for (int64_t o : offsets) started += (started.empty() ? "" : ",") + std::to_string(lead + o);

  // One depth in `folder`: a full run, then a run started at each time.
  // The two depths run side by side; what differs is collected and
  // reported here.
  auto compare = [&](const std::string& depth, const fs::path& folder) {
    std::vector<std::string> faults;
    const std::string common = " -nosound -bpp:" + depth + "b";
    ChildResult f = RunShowIn(folder, "--record=full --frames=" + full + common);
    if (f.code != 0) return std::vector<std::string>{"full run: " + f.err};
    const auto fullShown = ShownByMusic(folder / "full");
    for (size_t i = 0; i < times.size(); ++i) {
      const std::string name = "at" + std::to_string(i), what = depth + " bits, --start=" + times[i].first;
      ChildResult r = RunShowIn(folder, "--record=" + name + " --start=" + times[i].first + " --frames=" + started + common);
      const auto shown = ShownByMusic(folder / name);
      if (r.code != 0 || shown.size() != offsets.size()) {
        faults.push_back(what + ": exit code " + std::to_string(r.code) + " " + r.err);
        continue;
      }
      // The first frame is the one at (or just before) the time asked for.
      if (std::fabs(shown.begin()->first - (8500 + 20.0 * double(shifts[i]))) > 0.5)
        faults.push_back(what + ": lands at MusicTimer " + std::to_string(shown.begin()->first));
      for (const auto& [music, frame] : shown) {
        const auto same = fullShown.find(music);
        if (same == fullShown.end()) faults.push_back(what + ": no full-run frame at MusicTimer " + std::to_string(music));
        else if (frame != same->second)
          faults.push_back(what + ": the frame at MusicTimer " + std::to_string(music) + " (" + frame.first +
                           ") differs from the full run's (" + same->second.first + ")");
      }
    }
    return faults;
  };
  ChildFolder other("jump16");
  other.LinkData(data);
  auto at16 = std::async(std::launch::async, compare, "16", other.dir());
  const std::vector<std::string> at32 = compare("32", dir);
  for (const std::vector<std::string>& faults : {at32, at16.get()})
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
}

// The music of a run started at a show time lines up with a full run's to
// within one frame (882 samples) and sounds the same.
TEST_F(Start, AStartedRunHasTheFullRunsMusic) {
  const std::map<std::string, double> starts = SceneStarts(dir);
  const double skipped = starts.at("meshes") + 5.0 - starts.at("intro");
  ChildResult s = RunShowIn(dir, "--record=started --start=meshes+5.01 --from=12 --to=15", "QO_QUIT_AT_FRAME=900");
  ASSERT_EQ(s.code, 0) << s.err;
  const std::vector<Row> started = Rows(dir / "started/frames.csv");
  const Row* first = FirstOf(started, "meshes");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(FirstOf(started, "intro"), nullptr);
  // The same stretch of a full run: the show time `skipped` seconds later.
  const double at = double(first->frame) / 50 + skipped, from = std::stod(Seconds(at - 1));
  ChildResult f = RunShowIn(dir, "--record=full --from=" + Seconds(from) + " --to=" + Seconds(at + 2),
                            "QO_QUIT_AT_FRAME=12000");
  ASSERT_EQ(f.code, 0) << f.err;
  const std::vector<Row> full = Rows(dir / "full/frames.csv");
  const Row* fullFirst = nullptr;
  for (const Row& r : full)
    if (r.music == first->music) fullFirst = &r;
  ASSERT_NE(fullFirst, nullptr) << "no full-run frame at MusicTimer " << first->music;
  EXPECT_EQ(fullFirst->frame, first->frame + std::llround(skipped * 50));

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
}

// The most flashes in one second over a recorded stretch of `scene`, from
// scene time `from` to `to` (show clock units): the run jumps to `from` and
// records from its landing on.
int MostFlashesIn(const fs::path& dir, const std::string& name, const std::string& scene, double from, double to,
                  const std::string& extra) {
  const double first = FirstSceneVideo(dir);
  ChildResult r = RunShowIn(dir, "--record=" + name + " --start=" + scene + "+" + Seconds(from / 1500.0) +
                                 " --from=" + Seconds(first) + " --to=" + Seconds(first + (to - from) / 1500.0) +
                                 " " + extra);
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
