// The live show's controls: which key does what (and which keys -debug
// leaves to the scenes), the pause holding every clock until Space or
// Escape, and F12's file holding exactly the frame on the screen.
#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "Zentra2/buffer.h"
#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "app/player.h"
#include "core/globals.h"
#include "platform/clock.h"
#include "platform/display_device.h"
#include "tests/record/picture.h"
#include "tests/support/headless_show.h"

namespace fs = std::filesystem;

namespace {

fs::path FreshFolder(const char* name) {
  fs::path folder = fs::temp_directory_path() / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

void Press(SDL_Scancode key) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.scancode = key;
  SDL_PushEvent(&e);
}

}  // namespace

TEST(PlayerTest, KeysAskForTheirControlsAndDebugModeLeavesTheScenesTheirKeys) {
  // Scan codes of the controls.
  const std::map<int, Control> controls = {
      {57, Control::Pause},   {88, Control::SaveFrame},      {203, Control::Back},   {205, Control::Forward},
      {201, Control::PreviousScene}, {209, Control::NextScene}, {199, Control::Restart},
  };
  // What the scenes read with -debug: the cube's arrows, A, Z, S, X, D, C;
  // the meshes' digits 1..8, Q..R, arrows, A, Z, Insert, Delete, Home, End,
  // Page Up, Page Down (the greetings read a subset of these).
  std::set<int> debug = {203, 205, 200, 208, 30, 44, 31, 45, 32, 46, 16, 17, 18, 19,
                         210, 211, 199, 207, 201, 209};
  for (int k = 2; k <= 9; ++k) debug.insert(k);
  for (bool debugKeys : {false, true}) {
    for (int key = 0; key < 256; ++key) {
      auto it = controls.find(key);
      Control expected = it == controls.end() ? Control::None : it->second;
      if (debugKeys && debug.count(key)) expected = Control::None;
      EXPECT_EQ(ControlForKey(uint8_t(key), debugKeys), expected) << "key " << key << " debug " << debugKeys;
    }
  }
  // Space and F12 collide with no scene: they work in debug mode too.
  EXPECT_EQ(ControlForKey(57, true), Control::Pause);
  EXPECT_EQ(ControlForKey(88, true), Control::SaveFrame);
}

TEST(PlayerTest, PauseHoldsEveryClockUntilSpaceAndEscapeLeavesFromIt) {
  HeadlessShow show(32);
  // The pause is a live-show matter: real time, which the hold must stop.
  platform::UseClock(std::make_unique<platform::RealClock>());
  SyncTimer->Start();
  MusicTimer->Start();
  WaitTimer->Start();
  Player player(fs::temp_directory_path());
  player.FrameStarted("cube", 0.0f);
  auto reading = [] {
    return std::array<double, 3>{SyncTimer->Elapsed() / 1.5, MusicTimer->Elapsed(), WaitTimer->Elapsed()};
  };
  for (SDL_Scancode ending : {SDL_SCANCODE_SPACE, SDL_SCANCODE_ESCAPE}) {
    while (Display->ProcessMessages() && SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) {
    }
    const auto before = reading();
    const auto wallStart = std::chrono::steady_clock::now();
    Press(SDL_SCANCODE_SPACE);
    std::thread ender([ending] {
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      Press(ending);
    });
    player.FramePresented();  // returns when the pause ends
    ender.join();
    const auto after = reading();
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
    ASSERT_GE(wallMs, 400.0);
    // Every clock stood still while paused: what moved is the instant
    // before and after, far below the 400 ms the pause lasted.
    for (size_t i = 0; i < 3; ++i) EXPECT_LT(after[i] - before[i], 100.0) << "clock " << i;
    // Escape leaves the show at the next quit test; Space only resumes.
    bool quit = false;
    while (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT))
      if (!Display->ProcessMessages()) quit = true;
    EXPECT_EQ(quit, ending == SDL_SCANCODE_ESCAPE);
  }
  platform::UseClock(std::make_unique<platform::VirtualClock>());
}

TEST(PlayerTest, SavedFrameIsTheFramePresentedNamedWithTheShowTime) {
  HeadlessShow show(32);
  const fs::path folder = FreshFolder("qo_player_frames");
  // A frame of known colours, presented.
  auto colour = [](int32_t x, int32_t y) {
    return std::array<uint8_t, 3>{uint8_t(x / 2), uint8_t(y * 2 / 3), uint8_t((x ^ y) & 0xFF)};
  };
  for (int32_t y = 0; y < RenderHeight; ++y)
    for (int32_t x = 0; x < RenderWidth; ++x) {
      const auto c = colour(x, y);
      ScreenBuffer->PutPixel(x, y, MakeColor(c[0], c[1], c[2]));
    }
  ScreenBuffer->Flip(false);
  MusicTimer->SetElapsed(161940);

  Player player(folder);
  const std::string first = player.SaveFrame();
  EXPECT_EQ(first, (folder / "quietorbit-161.94s.png").string());
  const Picture picture = ReadPng(first);
  ASSERT_EQ(picture.width, RenderWidth);
  ASSERT_EQ(picture.height, RenderHeight);
  int wrong = 0;
  for (int32_t y = 0; y < RenderHeight; ++y)
    for (int32_t x = 0; x < RenderWidth; ++x) {
      const auto c = colour(x, y);
      const uint8_t* p = &picture.rgb[(size_t(y) * RenderWidth + size_t(x)) * 3];
      wrong += p[0] != c[0] || p[1] != c[1] || p[2] != c[2];
    }
  EXPECT_EQ(wrong, 0);
  // A second save of the same moment keeps the first file.
  EXPECT_EQ(player.SaveFrame(), (folder / "quietorbit-161.94s-2.png").string());
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"quietorbit-161.94s.png", "quietorbit-161.94s-2.png"}));

  // A folder that cannot be written: nothing saved, nothing left behind.
  std::string error;
  const fs::path missing = folder / "gone" / "x.png";
  EXPECT_FALSE(SaveFramePng(*Display->DirectDraw->LastPresented(), missing, &error));
  EXPECT_NE(error.find(missing.string()), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(folder / "gone"));
  fs::remove_all(folder);
}

TEST(PlayerTest, MovesLandTenSecondsAwayOrOnTheNeighbouringScenesStart) {
  // Scene starts in the music, as --list-scenes prints them.
  const int64_t intro = 8500, cube = 61860, circles = 121900, metaballs = 161940, meshes = 221980,
                greetz = 302020, end = 368720;
  struct Case {
    Control control;
    int64_t now, target;
  };
  const Case cases[] = {
      {Control::Forward, 170000, 180000}, {Control::Back, 170000, 160000},
      {Control::Back, 12000, intro},      {Control::Forward, 365000, end},
      {Control::NextScene, metaballs, meshes}, {Control::NextScene, metaballs - 20, metaballs},
      {Control::NextScene, 310000, -1},   {Control::PreviousScene, 200000, circles},
      {Control::PreviousScene, 30000, intro}, {Control::PreviousScene, greetz, meshes},
      {Control::PreviousScene, cube + 500, intro}, {Control::Restart, 250000, intro},
      {Control::Pause, 250000, -1},       {Control::SaveFrame, 250000, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MoveTargetMillis(c.control, c.now), c.target) << int(c.control) << " at " << c.now;
}
