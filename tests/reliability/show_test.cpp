// The whole show as a child process: played to its end in depths 32 and 16,
// and left by Escape or a window close at chosen frames from the loading
// screen to the last frame. Every run ends with exit code 0 and no sanitizer
// report; the whole runs also sample the heap and the open files every 250
// frames (QO_STATS_EVERY): the heap does not grow from frame to frame within
// a scene and no data file stays open.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "watch.h"

namespace qo_rel {
namespace {

// Quit tests per part of the show on the virtual clock: frame 0 is the first
// of the loading screen, 301 the first of the intro.
const std::vector<std::pair<std::string, long>> kShowFrames = {
    {"loading", 301}, {"intro", 2668}, {"cube", 3002}, {"circles", 2002},
    {"metaballs", 3002}, {"meshes", 4002}, {"greetz", 3335}};

struct Stats {
  long frame;
  long long heap;
  int fds;
  std::string files;
};

std::vector<Stats> ParseStats(const std::string& err) {
  std::vector<Stats> all;
  std::istringstream in(err);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("qo-stats ", 0) != 0) continue;
    Stats s{};
    char files[8192] = "";
    if (std::sscanf(line.c_str(), "qo-stats frame=%ld heap=%lld fds=%d files=%8191s", &s.frame, &s.heap, &s.fds,
                    files) >= 3)
      s.files = files;
    all.push_back(s);
  }
  return all;
}

// Which part of the show a frame belongs to.
std::string PartAt(long frame) {
  for (const auto& [name, frames] : kShowFrames) {
    if (frame < frames) return name;
    frame -= frames;
  }
  return "after the end";
}

class WholeShow : public ::testing::TestWithParam<int> {};

TEST_P(WholeShow, PlaysToTheEndWithoutGrowingOrKeepingFilesOpen) {
  if (std::string why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
  fs::path data = GeneratedData();
  const int depth = GetParam();
  ChildFolder box("whole" + std::to_string(depth));
  box.LinkData(data);
  ChildResult r = RunWatched(box.dir(), {"--benchmark", "-bpp:" + std::to_string(depth) + "b"}, {"QO_STATS_EVERY=250"});
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(SanitizerReport(r), "");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find(std::to_string(depth) + " bits per pixel"), std::string::npos);
  EXPECT_EQ(SceneFrames(r.out), kShowFrames) << r.out;
  // The benchmark's jumps after the show ran too, under the same watch.
  EXPECT_NE(r.out.find("\njumps ("), std::string::npos) << r.out;

  std::vector<Stats> stats = ParseStats(r.err);
  ASSERT_EQ(stats.size(), size_t(18353 / 250 + 1));
  const fs::path dataDir = fs::canonical(data);
  std::map<std::string, std::pair<Stats, Stats>> perPart;  // second sample and last sample of each part
  std::map<std::string, int> seen;
  for (const Stats& s : stats) {
    // Nothing under data/ stays open once read; the handles stay the same.
    EXPECT_EQ(s.files.find(dataDir.string()), std::string::npos) << "frame " << s.frame << ": " << s.files;
    EXPECT_EQ(s.fds, stats.front().fds) << "frame " << s.frame << ": " << s.files;
    std::string part = PartAt(s.frame);
    // The first sample of a part may still see its set-up; growth is
    // measured from the second one on.
    if (++seen[part] == 2) perPart[part].first = s;
    if (seen[part] >= 2) perPart[part].second = s;
  }
  // The benchmark keeps one 8-byte time per frame in a vector that doubles,
  // at most 16 bytes per frame; a frame that leaks a single allocation adds
  // 32 bytes or more. A little slack for the allocator's rounding.
  long long peakHeap = 0;
  for (const Stats& s : stats) peakHeap = std::max(peakHeap, s.heap);
  for (const auto& [part, span] : perPart) {
    long frames = span.second.frame - span.first.frame;
    long long growth = span.second.heap - span.first.heap;
    EXPECT_LE(growth, 16LL * frames + 4096) << part << ": " << growth << " bytes more over " << frames << " frames";
    std::printf("%-10s heap %lld -> %lld bytes over %ld frames\n", part.c_str(), span.first.heap, span.second.heap,
                frames);
  }
  std::printf("depth %d: peak resident memory %ld KiB, peak heap sampled %lld bytes, %d open handles, %.1f s\n",
              depth, r.maxRssKb, peakHeap, stats.front().fds, r.seconds);
}

INSTANTIATE_TEST_SUITE_P(Depths, WholeShow, ::testing::Values(32, 16),
                         [](const ::testing::TestParamInfo<int>& p) { return "Bpp" + std::to_string(p.param); });

// Leaving at a frame: the hook stands for the key or the window's close box.
// With a start the show jumps there after loading; the frames it plays
// silently to land are not quit-tested, so after the loading screen's 301
// the count goes on from the landing frame.
struct Leave {
  const char* hook;  // QO_ESCAPE_AT_FRAME or QO_QUIT_AT_FRAME
  long frame;
  int depth;
  const char* start = "";  // --start=, "" for none
};

void PrintTo(const Leave& l, std::ostream* os) {
  *os << l.hook << "=" << l.frame << " at " << l.depth << " bpp" << (*l.start ? " from " : "") << l.start;
}

// The part a run is left in.
std::string PartLeft(const Leave& l) {
  const std::string start = l.start;
  if (start.empty() || l.frame < kShowFrames[0].second) return PartAt(l.frame);
  return start.substr(0, start.find('+'));
}

class LeaveAt : public ::testing::TestWithParam<Leave> {};

TEST_P(LeaveAt, EndsWithExitCodeZeroInThatPart) {
  if (std::string why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
  fs::path data = GeneratedData();
  const Leave leave = GetParam();
  ChildFolder box("leave" + std::to_string(leave.frame));
  box.LinkData(data);
  std::vector<std::string> args = {"--benchmark", "-bpp:" + std::to_string(leave.depth) + "b"};
  if (*leave.start) args.push_back(std::string("--start=") + leave.start);
  ChildResult r = RunWatched(box.dir(), args, {std::string(leave.hook) + "=" + std::to_string(leave.frame)});
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(SanitizerReport(r), "");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.errLog, "");
  // The benchmark's table ends with the part the run was left in, and
  // counts the frames up to and including the one that saw the request.
  auto parts = SceneFrames(r.out);
  ASSERT_FALSE(parts.empty()) << r.out;
  EXPECT_EQ(parts.back().first, PartLeft(leave)) << r.out;
  long frames = 0;
  for (const auto& p : parts) frames += p.second;
  EXPECT_EQ(frames, leave.frame + 1) << r.out;
}

// The loading screen early and at its last frame, the intro played into from
// the loading screen, every later scene (reached by a jump, so that the
// sanitizer runs need not play the show up to there each time), and the last
// frame of the show: greetz is 3335 frames long, a jump 66 s into it lands on
// its frame 3300, so quit test 301 + 34 sees its last. Both requests, every depth.
const Leave kLeaves[] = {
    {"QO_ESCAPE_AT_FRAME", 0, 32},
    {"QO_QUIT_AT_FRAME", 40, 15},
    {"QO_ESCAPE_AT_FRAME", 300, 24},
    {"QO_QUIT_AT_FRAME", 1635, 16},
    {"QO_ESCAPE_AT_FRAME", 341, 32, "cube+10"},
    {"QO_QUIT_AT_FRAME", 341, 24, "circles+10"},
    {"QO_ESCAPE_AT_FRAME", 341, 15, "metaballs+10"},
    {"QO_QUIT_AT_FRAME", 341, 32, "meshes+30"},
    {"QO_ESCAPE_AT_FRAME", 335, 16, "greetz+66"},
};

INSTANTIATE_TEST_SUITE_P(Frames, LeaveAt, ::testing::ValuesIn(kLeaves), [](const ::testing::TestParamInfo<Leave>& i) {
  return std::string(i.param.hook[3] == 'E' ? "Escape" : "Close") + "At" + std::to_string(i.param.frame) + "_" +
         PartLeft(i.param);
});

// The teardown after Escape starts with the music: it fades out over about
// three seconds (101 steps of 30 ms) before anything else is freed and the
// process ends. The recording shows it: the music goes on past the last
// drawn frame, getting quieter, and its last 30 ms step is silent.
TEST(LeaveWithMusic, TheMusicFadesOutBeforeTheProcessEnds) {
  if (std::string why = SkipReason(); !why.empty()) GTEST_SKIP() << why;
  fs::path data = GeneratedData();
  ChildFolder box("fade");
  box.LinkData(data);
  ChildResult r = RunWatched(box.dir(), {"--record=rec", "--from=3"}, {"QO_ESCAPE_AT_FRAME=200"});
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(SanitizerReport(r), "");
  ASSERT_EQ(r.code, 0) << r.err;

  // The instant of the last frame drawn (the one that saw Escape).
  std::istringstream csv(ReadFile(box.dir() / "rec/frames.csv"));
  std::string line;
  double lastDrawn = -1;
  while (std::getline(csv, line))
    if (line.find(",new,") != std::string::npos) lastDrawn = std::stod(line.substr(0, line.find(','))) / 50.0;
  ASSERT_GT(lastDrawn, 3.0);

  std::string wav = ReadFile(box.dir() / "rec/music.wav");
  ASSERT_GT(wav.size(), 44u);
  const size_t rate = 44100, frames = (wav.size() - 44) / 4;
  auto peak = [&](double from, double to) {
    int p = 0;
    for (size_t f = size_t((from - 3.0) * rate); f < std::min(frames, size_t((to - 3.0) * rate)); ++f)
      for (size_t c = 0; c < 2; ++c) {
        size_t at = 44 + f * 4 + c * 2;
        p = std::max(p, std::abs(int(int16_t(uint8_t(wav[at]) | uint8_t(wav[at + 1]) << 8))));
      }
    return p;
  };
  const double end = 3.0 + double(frames) / rate;
  EXPECT_GE(end - lastDrawn, 3.0) << "the recording ends " << end << " s, the last frame was drawn at " << lastDrawn;
  EXPECT_LT(end - lastDrawn, 3.5);
  const int atEscape = peak(lastDrawn, lastDrawn + 0.5), late = peak(end - 0.9, end - 0.4), last = peak(end - 0.02, end);
  EXPECT_GT(atEscape, 1000);
  EXPECT_LT(late, atEscape / 3);
  EXPECT_EQ(last, 0);
}

}  // namespace
}  // namespace qo_rel
