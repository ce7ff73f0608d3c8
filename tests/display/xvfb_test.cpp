// On a virtual X screen (Xvfb, 1280 x 720): the windowed display shows the
// frame stretched into its client area, and the fullscreen one shows the
// 4:3 mode centred with black bars; a window takes the depth of the screen.
// Skipped where Xvfb or xwd is missing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Zentra2/buffer.h"
#include "Zentra2/zentra.h"
#include "platform/display_device.h"

extern char** environ;

namespace {

bool Installed(const char* path) { return access(path, X_OK) == 0; }

struct Screenshot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

uint32_t Be32(const std::vector<uint8_t>& d, size_t at) {
  return uint32_t(d[at]) << 24 | uint32_t(d[at + 1]) << 16 | uint32_t(d[at + 2]) << 8 | d[at + 3];
}

// The root window through xwd, as 0xRRGGBB values.
bool Capture(const std::string& display, Screenshot* shot) {
  std::string cmd = "xwd -root -silent -display " + display;
  FILE* pipe = popen(cmd.c_str(), "r");
  if (!pipe) return false;
  std::vector<uint8_t> data;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) data.insert(data.end(), buf, buf + n);
  pclose(pipe);
  if (data.size() < 100) return false;
  uint32_t headerSize = Be32(data, 0), width = Be32(data, 16), height = Be32(data, 20), byteOrder = Be32(data, 28);
  uint32_t bpp = Be32(data, 44), bytesPerLine = Be32(data, 48), ncolors = Be32(data, 76);
  size_t start = headerSize + size_t(ncolors) * 12;
  // 4-byte pixels, or 3-byte ones (which xwd writes for some visuals).
  uint32_t cell = bpp / 8;
  if ((bpp != 32 && bpp != 24) || size_t(bytesPerLine) < size_t(width) * cell ||
      data.size() < start + size_t(bytesPerLine) * height)
    return false;
  // Channel values pass through the colour map (the identity on a
  // TrueColor visual, not on a DirectColor one).
  uint8_t map[3][256];
  for (int i = 0; i < 256; ++i)
    for (int c = 0; c < 3; ++c) {
      size_t at = headerSize + size_t(i) * 12 + 4 + 2 * size_t(c);
      map[c][i] = ncolors == 256 ? data[at] : uint8_t(i);
    }
  shot->width = int(width);
  shot->height = int(height);
  shot->pixels.resize(size_t(width) * height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* p = &data[start + size_t(y) * bytesPerLine + cell * x];
      uint32_t v = byteOrder == 0 ? uint32_t(p[0] | p[1] << 8 | p[2] << 16)
                                  : uint32_t(p[cell - 1] | p[cell - 2] << 8 | p[cell - 3] << 16);
      shot->pixels[size_t(y) * width + x] =
          uint32_t(map[0][(v >> 16) & 255]) << 16 | uint32_t(map[1][(v >> 8) & 255]) << 8 | map[2][v & 255];
    }
  return true;
}

// Written next to the test when a check fails, to look at.
void Save(const Screenshot& shot, const std::string& name) {
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", shot.width, shot.height);
  for (uint32_t v : shot.pixels) {
    uint8_t rgb[3] = {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    std::fwrite(rgb, 1, 3, f);
  }
  std::fclose(f);
}

bool Near(uint32_t a, uint32_t b) {
  for (int s : {0, 8, 16})
    if (std::abs(int((a >> s) & 255) - int((b >> s) & 255)) > 12) return false;
  return true;
}

const uint32_t kBars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};

// Eight bars over the top half, mid grey below.
void DrawKnownFrame(TBuffer64& frame) {
  for (int i = 0; i < 8; ++i) {
    uint32_t c = MakeColor(uint8_t(kBars[i] >> 16), uint8_t(kBars[i] >> 8), uint8_t(kBars[i]));
    frame.HardwareFill(64 * i, 0, 64 * i + 64, 192, c);
  }
  frame.HardwareFill(0, 192, 512, 384, MakeColor(128, 128, 128));
}

void Present(TZentra& display, TBuffer64& frame) {
  for (int i = 0; i < 10; ++i) {
    frame.Flip(false);
    display.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
}

class Xvfb : public ::testing::Test {
protected:
  void SetUp() override { Start("1280x720x24"); }
  // An X server with one screen of `screen` (width x height x depth) for
  // this test alone.
  void Start(const std::string& screen) {
    if (!Installed("/usr/bin/Xvfb") || !Installed("/usr/bin/xwd")) GTEST_SKIP() << "Xvfb or xwd not installed";
    // A death test's child runs on its parent's server (DISPLAY is set).
    if (!GTEST_FLAG_GET(internal_run_death_test).empty()) return;
    // A display number of its own for each server this process starts.
    static int started = 0;
    number_ = 150 + int((getpid() + 97 * started++) % 500);
    display_ = std::to_string(number_);
    display_.insert(0, 1, ':');
    std::vector<std::string> args = {"Xvfb", display_, "-screen", "0", screen, "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    int rc = posix_spawn(&pid_, "/usr/bin/Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_EQ(rc, 0);
    std::string socket = "/tmp/.X11-unix/X" + std::to_string(number_);
    struct stat st;
    for (int i = 0; i < 100 && stat(socket.c_str(), &st) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (stat(socket.c_str(), &st) != 0) GTEST_SKIP() << "Xvfb did not start";
    setenv("DISPLAY", display_.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  pid_t pid_ = 0;
  int number_ = 0;
  std::string display_;
};

// A window takes the depth of the screen it opens on, as the screen reports
// it: 15 and 16 bits as they are, a 24-bit screen's four-byte pixels as 32.
class XvfbDesktop : public Xvfb, public ::testing::WithParamInterface<std::pair<int, int>> {
protected:
  void SetUp() override { Start("640x480x" + std::to_string(GetParam().first)); }
};

// In a child process of its own: the windowing service connects to one X
// server per process.
TEST_P(XvfbDesktop, AWindowTakesTheScreensDepth) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const int depth = GetParam().second;
  EXPECT_EXIT(
      {
        TSelfZentra display(320, 240, ".oO[ quiet orbit ]Oo.");
        TBuffer64 frame(&display, 64, 48, false);
        int shown = 0;
        display.DirectDraw->SetPresentListener([&](const platform::Surface&) { ++shown; });
        frame.Flip(false);
        std::fprintf(stderr, "depth %d, buffer %d, shown %d\n", int(display.BitDepth), int(frame.BitDepth), shown);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0),
      "depth " + std::to_string(depth) + ", buffer " + std::to_string(depth) + ", shown 1");
}

INSTANTIATE_TEST_SUITE_P(Depths, XvfbDesktop,
                         ::testing::Values(std::pair{15, 15}, std::pair{16, 16}, std::pair{24, 32}),
                         [](const auto& param) { return "Screen" + std::to_string(param.param.first); });

TEST_F(Xvfb, WindowedStretchesAndFullscreenKeepsTheShape) {
  {
    TSelfZentra display(640, 480, ".oO[ quiet orbit ]Oo.");
    TBuffer64 frame(&display, 512, 384, false);
    DrawKnownFrame(frame);
    Present(display, frame);
    Screenshot shot;
    ASSERT_TRUE(Capture(display_, &shot));
    ASSERT_EQ(shot.width, 1280);
    // The 640 x 480 client area sits centred at (320, 120); each 64-pixel
    // bar is 80 pixels wide there.
    for (int i = 0; i < 8; ++i)
      EXPECT_TRUE(Near(shot.At(320 + 80 * i + 40, 120 + 100), kBars[i])) << "bar " << i << " " << std::hex
                                                                         << shot.At(320 + 80 * i + 40, 220);
    EXPECT_TRUE(Near(shot.At(640, 120 + 400), 0x808080));
    EXPECT_TRUE(Near(shot.At(322, 597), 0x808080));  // the stretched frame fills the client area
    EXPECT_EQ(shot.At(100, 100), 0u);
    EXPECT_EQ(shot.At(1000, 650), 0u);
    if (::testing::Test::HasFailure()) Save(shot, "xvfb_windowed.ppm");
  }
  {
    TSelfFullZentra display(640, 480, 16, ".oO[ quiet orbit ]Oo.");
    TBuffer64 frame(&display, 512, 384, false);
    DrawKnownFrame(frame);
    Present(display, frame);
    Screenshot shot;
    ASSERT_TRUE(Capture(display_, &shot));
    // 4:3 on 16:9: 960 x 720 in the middle, black bars of 160 at the sides.
    for (int i = 0; i < 8; ++i) {
      int x = 160 + (64 * i + 32) * 960 / 512;
      EXPECT_TRUE(Near(shot.At(x, 180), kBars[i])) << "bar " << i << " " << std::hex << shot.At(x, 180);
    }
    EXPECT_TRUE(Near(shot.At(640, 600), 0x808080));
    EXPECT_TRUE(Near(shot.At(165, 715), 0x808080));
    for (int y : {5, 360, 715}) {
      EXPECT_EQ(shot.At(80, y), 0u) << y;
      EXPECT_EQ(shot.At(1200, y), 0u) << y;
    }
    if (::testing::Test::HasFailure()) Save(shot, "xvfb_fullscreen.ppm");
  }
}

}  // namespace
