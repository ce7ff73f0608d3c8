// Every way a run can end: mistakes on the command line caught before the
// show starts, recordings that are complete or leave nothing (failed,
// stopped by a signal), errors that name their file, a live show without a
// display, Ctrl+C in a live show, and what a recording says while and after
// it writes.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/session.h"
#include "tests/record/picture.h"
#include "tests/support/child_run.h"

namespace fs = std::filesystem;

namespace {

using Paths = ShowFolder;

bool HaveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

// What a run left in its folder besides the data link and the runner's own files.
std::vector<std::string> Left(const fs::path& dir) {
  std::vector<std::string> left;
  for (auto e = fs::recursive_directory_iterator(dir); e != fs::recursive_directory_iterator(); ++e) {
    const std::string name = e->path().lexically_relative(dir).string();
    if (name == "data") e.disable_recursion_pending();
    else if (name != "stdout.txt" && name != "stderr.txt" && name != "ZNT_ERR.txt") left.push_back(name);
  }
  return left;
}

void Remove(const fs::path& dir, const std::vector<std::string>& names) {
  for (const std::string& name : names)
    if (name.rfind("..", 0) != 0) fs::remove_all(dir / name);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Each command line ends before the show starts, with its exit code and a
// message that names what is wrong; nothing is written.
TEST_F(Paths, MistakesAreCaughtBeforeTheShowStarts) {
  struct Case {
    const char* args;
    int code;
    const char* message;
  };
  const Case cases[] = {
      {"--gentel", 2, "unknown option --gentel; did you mean --gentle?"},
      {"--windowed", 2, "did you mean -windowed?"},
      {"--bogus -res:123x45", 2, "unknown option --bogus; see --help"},
      {"--record", 2, "--record needs a value"},
      {"--record=", 2, "--record needs a value"},
      {"--gentle=yes", 2, "--gentle takes no value"},
      {"--record=x --from=10 --to=5", 2, "--from must come before --to"},
      {"--record=x --from=400 --to=500", 2, "--from=400 is past the end of the show (372.48 s long)"},
      {"--record=x --to=372.5", 2, "--to=372.5 is past the end of the show"},
      {"--record=x --start=meshes --from=160", 2, "(159.00 s long from meshes)"},
      {"--record=x --from=10.001 --to=10.01", 2, "no frame starts in that stretch"},
      {"--record=x --from=abc", 2, "--from=abc: needs seconds"},
      {"--record=x --frames=3-1", 2, "--frames=3-1: needs frame numbers"},
      {"--record=x --frames=0,18624", 2, "the show has frames 0 to 18623"},
      {"--record=f.mp4 --frames=3000,3049", 2, "record the list into a folder"},
      {"--record=x --frames=5 --from=1", 2, "give one of them"},
      {"--from=5", 2, "--from goes with --record"},
      {"--benchmark --record-scale=2", 2, "--record-scale goes with --record"},
      {"--hashes --json", 2, "--json goes with --benchmark"},
      {"--record=x --benchmark", 2, "choose one"},
      {"--record=x --record-size=511x384", 2, "at least 512x384"},
      {"--record=x --record-size=1920", 2, "--record-size=1920"},
      {"--record=x --record-scale=0", 2, "a whole factor from 1 to 16"},
      {"--record=x.mp4 --record-size=1025x768", 2, ".mp4 needs an even width and height"},
      {"--start=loading", 2, "intro, cube, circles, metaballs, meshes, greetz"},
      {"--start=5", 2, "--start=5: the scenes play from 8.50 s to 368.72 s of the show"},
      {"--start=metaballs+61", 2, "metaballs plays from 161.94 s to 221.98 s"},
      {"--start=3:7", 2, "--start=3:7: needs a show time"},
      {"--start=sphere+2", 2, "no scene called sphere"},
      {"--record=x --start=3:20 --from=181", 2, "(180.98 s long from 3:20)"},
      {"--record=/proc/qo/out.mp4", 1, "/proc/qo"},
      {"--record=/proc/qo/frames", 1, "/proc/qo/frames"},
  };
  for (const Case& c : cases) {
    ChildResult r = RunShowIn(dir, c.args);
    EXPECT_EQ(r.code, c.code) << c.args << ": " << r.err;
    EXPECT_EQ(r.err.rfind("quietorbit: ", 0), 0u) << c.args << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, c.message)) << c.args << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << ": " << r.err;
    EXPECT_EQ(Left(dir), std::vector<std::string>{}) << c.args;
    Remove(dir, Left(dir));
  }
  // The show's own options keep their rule: unknown ones are ignored silently.
  ChildResult r = RunShowIn(dir, "-res:123x45 -Windowed --list-scenes");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
}

// Waits until `done` holds, at most two minutes.
template <class Done>
bool WaitFor(Done done) {
  for (int i = 0; i < 12000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

size_t Size(const fs::path& file) {
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  return ec ? 0 : size_t(size);
}

// A signal while frames are being written: the run stops, says so on one
// line, exits with 128 + the signal, and leaves no file of its own, neither
// under a final name nor a temporary one.
TEST_F(Paths, ASignalStopsARunAndLeavesNothing) {
  struct Case {
    const char* out;   // --record=OUT, or another mode
    const char* busy;  // the file that grows while the run writes
    int signal;
  };
  const Case cases[] = {
      {"--record=x.mp4", "x.mp4.frames.csv.tmp", SIGINT},  {"--record=x.mkv", "x.mkv.frames.csv.tmp", SIGINT},
      {"--record=dir/", "dir/frames.csv.tmp", SIGINT},     {"--record=dir", "dir/music.wav.tmp", SIGTERM},
      {"--benchmark", nullptr, SIGINT},
  };
  for (const Case& c : cases) {
    if (Contains(c.out, "x.m") && !HaveFfmpeg()) continue;
    StartedChild child = StartChild(dir, {c.out});
    // Frames of the loading screen are written (a header and a few rows), or
    // the benchmark has drawn for a while.
    if (c.busy) ASSERT_TRUE(WaitFor([&] { return Size(dir / c.busy) > 2000; })) << c.out;
    else std::this_thread::sleep_for(std::chrono::seconds(2));
    kill(child.pid, c.signal);
    ChildResult r = FinishChild(child, 120);
    const std::string name = c.signal == SIGINT ? "SIGINT" : "SIGTERM";
    EXPECT_EQ(r.code, 128 + c.signal) << c.out << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, "quietorbit: stopped by " + name)) << c.out << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.out << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.out;
    EXPECT_EQ(Left(dir), std::vector<std::string>{}) << c.out;
    Remove(dir, Left(dir));
  }
}

// A live show leaves on Ctrl+C as on Escape: the music fades, exit code 0.
// A second Ctrl+C does not wait for the fade.
TEST_F(Paths, CtrlCLeavesALiveShowAndASecondOneEndsItAtOnce) {
  for (int signals : {1, 2}) {
    StartedChild child = StartChild(dir, {"-windowed"});
    std::this_thread::sleep_for(std::chrono::seconds(2));
    for (int i = 0; i < signals; ++i) {
      kill(child.pid, SIGINT);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ChildResult r = FinishChild(child, 120);
    EXPECT_EQ(r.code, signals == 1 ? 0 : 130) << signals << ": " << r.err;
    EXPECT_EQ(r.err, "") << signals;
    EXPECT_EQ(r.errLog, "") << signals;
  }
}

// With no display to be had the show does not play unseen: SDL's screenless
// drivers are taken only when asked for.
TEST_F(Paths, WithoutADisplayTheShowSaysSoAndPointsToRecording) {
  for (const char* env : {"SDL_VIDEODRIVER= DISPLAY= WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=nonexistent"}) {
    ChildResult r = RunShowIn(dir, "-windowed -nosound", std::string(env) + " QO_QUIT_AT_FRAME=0");
    EXPECT_EQ(r.code, 1) << env;
    EXPECT_TRUE(Contains(r.err, "quietorbit: cannot open a display")) << env << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, "--record=show.mp4")) << env << ": " << r.err;
    EXPECT_TRUE(Contains(r.errLog, "[TSelfZentra]")) << env << ": " << r.errLog;
  }
}

// An error box needs a display, not a terminal: the desktop menu starts the
// program without one.
TEST(ErrorBoxes, ShowWheneverThereIsARealDisplayAndTheRunIsNotHeadless) {
  struct Case {
    const char* display;
    const char* driver;
    bool shown;
  };
  const char* display0 = std::getenv("DISPLAY");
  const std::string display = display0 ? display0 : "", driver = std::getenv("SDL_VIDEODRIVER");
  for (const Case& c : {Case{":5", "x11", true}, Case{":5", "", true}, Case{"", "x11", false},
                        Case{":5", "dummy", false}, Case{":5", "offscreen", false}}) {
    setenv("DISPLAY", c.display, 1);
    setenv("SDL_VIDEODRIVER", c.driver, 1);
    unsetenv("WAYLAND_DISPLAY");
    if (!*c.display) unsetenv("DISPLAY");
    EXPECT_EQ(platform::CanShowDialogs(), c.shown) << c.display << " " << c.driver;
  }
  setenv("DISPLAY", ":5", 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  platform::DisableDialogs();  // record, benchmark and hash modes
  EXPECT_FALSE(platform::CanShowDialogs());
  setenv("SDL_VIDEODRIVER", driver.c_str(), 1);
  if (display.empty()) unsetenv("DISPLAY");
  else setenv("DISPLAY", display.c_str(), 1);
}

// A broken data file ends a recording with the file named and no file of
// the recording left.
TEST_F(Paths, ABrokenDataFileIsNamedAndARecordingLeavesNothing) {
  LinkDataFiles();
  struct Case {
    const char* file;
    const char* out;
    int code;
    const char* reason;
  };
  const Case cases[] = {
      {"gfx/intro/in02.png", "--record=br.mp4", 1, "not a JPEG, PNG or BMP picture"},
      {"gfx/intro/in02.png", "--record=brdir", 1, "not a JPEG, PNG or BMP picture"},
      {"msh/saucer.asc", "--record=mesh", 69, "No such file or directory"},
  };
  for (const Case& c : cases) {
    if (Contains(c.out, ".mp4") && !HaveFfmpeg()) continue;
    const fs::path file = dir / "data" / c.file;
    fs::remove(file);
    if (c.code == 1) WriteFile(file, "some text, not a picture");
    ChildResult r = RunShowIn(dir, c.out);
    EXPECT_EQ(r.code, c.code) << c.out << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, std::string("quietorbit: data/") + c.file + ": " + c.reason)) << r.err;
    EXPECT_EQ(Left(dir), std::vector<std::string>{}) << c.out;
    Remove(dir, Left(dir));
    fs::remove(file);
    fs::create_symlink(data / c.file, file);
  }
}

// A range of frames into a video is a real video of those frames with their
// music; two videos in one folder keep their own index; a folder takes a
// range with its music and a list of stills without.
TEST_F(Paths, FrameRangesMakeWholeVideosAndFoldersWithTheirMusic) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "no ffmpeg";
  ASSERT_EQ(RunShowIn(dir, "--record=v.mkv --frames=700-749").code, 0);
  ASSERT_EQ(RunShowIn(dir, "--record=v.mp4 --from=14 --to=15").code, 0);
  ASSERT_EQ(RunShowIn(dir, "--record=range --frames=700-749").code, 0);
  ASSERT_EQ(RunShowIn(dir, "--record=stills --frames=700,710").code, 0);
  auto output = [this](const std::string& cmd) {
    EXPECT_EQ(std::system((cmd + " > '" + (dir / "probe.out").string() + "'").c_str()), 0) << cmd;
    return ReadFile(dir / "probe.out");
  };
  for (const std::string video : {"v.mkv", "v.mp4"}) {
    const std::string file = std::string("'").append((dir / video).string()).append("'");
    EXPECT_EQ(output("ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames -of csv=p=0 " +
                     file),
              "50\n")
        << video;
    // One second of music: 44100 stereo samples (AAC rounds to its own frames).
    const size_t bytes = output("ffmpeg -v error -i " + file + " -map 0:a -f s16le -ac 2 -ar 44100 -").size();
    EXPECT_NEAR(double(bytes) / 4, 44100.0, video == "v.mkv" ? 0 : 1100) << video;
    EXPECT_EQ(ReadFile(dir / (video + ".frames.csv")), ReadFile(dir / "range/frames.csv")) << video;
  }
  EXPECT_EQ(ReadFile(dir / "range/music.wav").size(), 44u + 50 * 882 * 4);
  EXPECT_TRUE(fs::exists(dir / "stills/frame_000710.png"));
  EXPECT_FALSE(fs::exists(dir / "stills/music.wav"));
}

// The length the ranges are checked against is where the show ends: 372.48 s
// in all, the scenes before greetz taking 293.52 s of it (20 ms per frame up to
// and including the first past each length), so from greetz on 78.96 s.
TEST_F(Paths, AStretchToTheEndOfTheShowEndsWithItsLastFrame) {
  ChildResult r = RunShowIn(dir, "--record=end --start=greetz --from=78.9");
  ASSERT_EQ(r.code, 0) << r.err;
  std::istringstream rows(ReadFile(dir / "end/frames.csv"));
  std::string row, frames;
  std::getline(rows, row);
  while (std::getline(rows, row)) {
    EXPECT_TRUE(Contains(row, ",greetz,")) << row;
    frames += row.substr(0, row.find(',')) + " ";
  }
  EXPECT_EQ(frames, "3945 3946 3947 ");
  EXPECT_EQ(RunShowIn(dir, "--record=x --start=greetz --from=78.96").code, 2);
}

// Run under a terminal, a recording shows one line that counts the frames
// it writes; off a terminal it says only what it wrote.
TEST_F(Paths, TheProgressLineCountsTheFramesWrittenAndTheSummarySaysWhat) {
  ChildResult r = RunShowIn(dir, "--record=q --from=14 --to=14.5");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(std::regex_match(r.err, std::regex("quietorbit: 25 frames \\(0\\.50 s\\) written to q \\(frame_000700\\.png "
                                                 "to frame_000724\\.png, music\\.wav, frames\\.csv\\) in [0-9.]+ s\n")))
      << r.err;
  ChildResult one = RunShowIn(dir, "--record=one --from=14 --to=14.02");
  EXPECT_TRUE(Contains(one.err, "quietorbit: 1 frame (0.02 s) written to one")) << one.err;

  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) for a terminal";
  const std::string cmd = "cd '" + dir.string() + "' && script -qec '" + std::getenv("QO_BIN") +
                          " --record=t --from=14 --to=16' /dev/null > tty.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadFile(dir / "tty.txt");
  const std::string tty = ReadFile(dir / "tty.txt");
  std::vector<std::string> parts;
  for (size_t at = 0; at < tty.size();) {
    const size_t end = std::min(tty.find_first_of("\r\n", at), tty.size());
    if (end > at) parts.push_back(tty.substr(at, end - at));
    at = end + 1;
  }
  ASSERT_GE(parts.size(), 2u) << tty;
  EXPECT_TRUE(Contains(parts.back(), "quietorbit: 100 frames (2.00 s) written to t")) << tty;
  const std::regex progress("quietorbit: +([0-9]+) of 100 frames written, +([0-9.]+)%, +(-:--|[0-9]+:[0-9]{2}) left +");
  int written = 0;
  double share = 0;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(parts[i], m, progress)) << "'" << parts[i] << "' in " << tty;
    EXPECT_GE(std::stoi(m[1]), written);
    EXPECT_GE(std::stod(m[2]), share);
    written = std::stoi(m[1]);
    share = std::stod(m[2]);
  }
  EXPECT_LE(written, 100);
}

}  // namespace
