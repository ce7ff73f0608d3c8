// The window classes, the message queue and the keyboard on SDL's dummy
// video driver; the fatal paths run in a child process each.
#include <gtest/gtest.h>

#include "tests/support/scratch_dir.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "Zentra2/buffer.h"
#include "Zentra2/input.h"
#include "Zentra2/zentra.h"
#include "platform/clock.h"
#include "platform/display_device.h"
#include "platform/keyboard.h"
#include "platform/pixel_format.h"
#include "platform/session.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "tests/display/vsync_watch.h"

namespace {

const char* kCaption = ".oO[ quiet orbit ]Oo.";

void Drain(TZentra& display) {
  for (int i = 0; i < 1000; ++i) {
    SDL_PumpEvents();
    if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 0) return;
    ASSERT_TRUE(display.ProcessMessages());
  }
}

std::string ErrorLog() {
  std::ifstream in("ZNT_ERR.txt", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class WindowTest : public ::testing::Test {
protected:
  void TearDown() override { platform::UseDisplayService(nullptr); }
};

// A desktop of a given layout, standing where the windowed display's device
// is made: its device reports that layout, as such a screen would, and makes
// surfaces of its depth (or 32 where it has none of ours).
class DesktopDevice : public platform::DisplayDevice {
public:
  DesktopDevice(platform::pixel::Layout desktop, int32_t width, int32_t height)
      : DisplayDevice(platform::pixel::SupportedDepth(platform::pixel::DepthOf(desktop))
                          ? platform::pixel::DepthOf(desktop)
                          : 32,
                      uint32_t(height), 60.0),
        desktop_(desktop) {
    CreateScreenSurfaces(width, height);
  }
  platform::pixel::Layout PixelLayout() const override { return desktop_; }

private:
  platform::pixel::Layout desktop_;
};

struct Desktop : platform::DisplayService {
  explicit Desktop(platform::pixel::Layout l) : layout(l) {}
  platform::Result CreateDevice(std::shared_ptr<platform::Window>, int32_t width, int32_t height, bool,
                                std::shared_ptr<platform::DisplayDevice>* out) override {
    *out = std::make_shared<DesktopDevice>(layout, width, height);
    return platform::result::Ok;
  }
  platform::pixel::Layout layout;
};

void UseDesktop(uint32_t bitCount, uint32_t greenMask) {
  platform::UseDisplayService(std::make_unique<Desktop>(platform::pixel::Layout{bitCount, greenMask}));
}

// A window takes the desktop's depth: its bits per pixel, except that a
// two-byte layout with a 5-bit green (0x3E0) is the 15-bit depth.
TEST_F(WindowTest, WindowedDisplayTakesTheDesktopsDepth) {
  struct Case {
    uint32_t bits, green;
    uint8_t depth;
  };
  for (Case c : {Case{32, 0xFF00, 32}, {24, 0xFF00, 24}, {16, 0x7E0, 16}, {16, 0x3E0, 15}}) {
    UseDesktop(c.bits, c.green);
    TSelfZentra display(640, 480, kCaption);
    EXPECT_EQ(display.BitDepth, c.depth);
    EXPECT_EQ(DisplayDepth, c.depth);
    EXPECT_FALSE(display.Fullscreen);
    EXPECT_FALSE(DisplayIsFullscreen);
    EXPECT_EQ(display.CenterX, 320);
    EXPECT_EQ(display.MaxY, 479);
    EXPECT_EQ(display.Caption, kCaption);
    ASSERT_TRUE(display.BackSurface);
    EXPECT_EQ(display.BackSurface->Width(), 640);
    // Buffers follow the display's format, and a frame presents.
    TBuffer64 frame(&display, 512, 384, false);
    EXPECT_EQ(frame.BitDepth, c.depth);
    int shown = 0;
    display.DirectDraw->SetPresentListener([&](const platform::Surface&) { ++shown; });
    frame.Clear(MakeColor(255, 0, 0));
    frame.Flip(false);
    EXPECT_EQ(shown, 1);
  }
  // The real (dummy) desktop: a 4-byte layout counts as 32 bits.
  platform::UseDisplayService(nullptr);
  TSelfZentra display(320, 240, kCaption);
  EXPECT_EQ(display.BitDepth, 32);
}

TEST_F(WindowTest, FullscreenDisplayTakesTheRequestedDepthAndCanToggle) {
  for (int bpp : {15, 16, 24, 32}) {
    TSelfFullZentra display(640, 480, bpp, kCaption);
    EXPECT_EQ(display.BitDepth, bpp);
    EXPECT_EQ(DisplayDepth, bpp);
    EXPECT_TRUE(display.Fullscreen);
    EXPECT_TRUE(DisplayIsFullscreen);
    EXPECT_TRUE(display.DirectDraw->ShowsFullscreen());
    TBuffer64 frame(&display, 512, 384, false);
    int shown = 0;
    display.DirectDraw->SetPresentListener([&](const platform::Surface&) { ++shown; });
    frame.Flip(true);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(display.ToggleFullscreen());
    EXPECT_FALSE(display.DirectDraw->ShowsFullscreen());
    frame.Flip(false);
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(display.ToggleFullscreen());
    EXPECT_TRUE(display.DirectDraw->ShowsFullscreen());
  }
  // The fatal path's restorer gives the desktop back while the display
  // still exists; destroying a fullscreen display shows the cursor too.
  {
    TSelfFullZentra display(640, 480, 32, kCaption);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    platform::RestoreDesktop();
    EXPECT_FALSE(display.DirectDraw->ShowsFullscreen());
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  }
  {
    auto display = std::make_unique<TSelfFullZentra>(640, 480, 32, kCaption);
    auto frame = std::make_unique<TBuffer64>(display.get(), 8, 8, false);
    display.reset();  // the buffer still holds the device
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_FALSE(frame->DirectDraw->ShowsFullscreen());
    frame->Flip(false);  // still harmless
  }
  // Freeing twice is harmless.
  TSelfFullZentra display(320, 240, 32, kCaption);
  display.FreeDirectDraw();
  display.FreeDirectDraw();
  EXPECT_FALSE(display.DirectDraw);
}

TEST_F(WindowTest, QuitAndCloseRequestsEndTheMessageLoop) {
  TSelfZentra display(320, 240, kCaption);
  Drain(display);
  EXPECT_TRUE(display.ProcessMessages());  // empty queue

  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_FALSE(display.ProcessMessages());
  EXPECT_TRUE(display.ProcessMessages());

  // The close box: taken as one message, which posts the quit.
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  close.window.windowID = display.Handle;
  SDL_PushEvent(&close);
  EXPECT_TRUE(display.ProcessMessages());
  EXPECT_FALSE(display.ProcessMessages());
  EXPECT_TRUE(display.ProcessMessages());

  // One message per call: two of anything take two calls.
  SDL_Event other{};
  other.type = SDL_USEREVENT;
  SDL_PushEvent(&other);
  SDL_PushEvent(&quit);
  EXPECT_TRUE(display.ProcessMessages());
  EXPECT_FALSE(display.ProcessMessages());
}

TEST_F(WindowTest, F11AndAltEnterSwitchBetweenWindowAndFullscreen) {
  TSelfZentra display(320, 240, kCaption);
  Drain(display);
  auto press = [](SDL_Keycode key, uint16_t mod) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
  };
  EXPECT_FALSE(display.DirectDraw->ShowsFullscreen());
  press(SDLK_F11, KMOD_NONE);
  EXPECT_TRUE(display.ProcessMessages());
  EXPECT_TRUE(display.DirectDraw->ShowsFullscreen());
  Drain(display);  // the switch queues window events of its own
  press(SDLK_RETURN, KMOD_LALT);
  EXPECT_TRUE(display.ProcessMessages());
  EXPECT_FALSE(display.DirectDraw->ShowsFullscreen());
  Drain(display);
  press(SDLK_RETURN, KMOD_NONE);  // Enter alone does nothing
  EXPECT_TRUE(display.ProcessMessages());
  EXPECT_FALSE(display.DirectDraw->ShowsFullscreen());
}

void PushKey(SDL_Scancode code, bool down) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = code;
  SDL_PushEvent(&e);
}

TEST_F(WindowTest, KeyDownFollowsKeyEventsByScanCode) {
  TSelfZentra display(320, 240, kCaption);
  TInput64 input(display.Handle);
  EXPECT_EQ(input.Window, display.Handle);
  EXPECT_FALSE(input.KeyDown(1));
  PushKey(SDL_SCANCODE_ESCAPE, true);
  EXPECT_TRUE(input.KeyDown(1));
  EXPECT_TRUE(input.KeyDown(1));  // held: every frame
  PushKey(SDL_SCANCODE_ESCAPE, false);
  EXPECT_FALSE(input.KeyDown(1));

  // The keys the scenes read, by their scan codes.
  struct Key {
    SDL_Scancode sdl;
    uint8_t code;
  };
  for (Key k : {Key{SDL_SCANCODE_1, 2}, {SDL_SCANCODE_8, 9}, {SDL_SCANCODE_Q, 16}, {SDL_SCANCODE_R, 19},
                {SDL_SCANCODE_A, 30}, {SDL_SCANCODE_D, 32}, {SDL_SCANCODE_Z, 44}, {SDL_SCANCODE_C, 46},
                {SDL_SCANCODE_HOME, 199}, {SDL_SCANCODE_UP, 200}, {SDL_SCANCODE_PAGEUP, 201},
                {SDL_SCANCODE_LEFT, 203}, {SDL_SCANCODE_RIGHT, 205}, {SDL_SCANCODE_END, 207},
                {SDL_SCANCODE_DOWN, 208}, {SDL_SCANCODE_PAGEDOWN, 209}, {SDL_SCANCODE_INSERT, 210},
                {SDL_SCANCODE_DELETE, 211}, {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_RCTRL, 0x9D}}) {
    PushKey(k.sdl, true);
    EXPECT_TRUE(input.KeyDown(k.code)) << int(k.code);
    EXPECT_FALSE(input.KeyDown(uint8_t(k.code + 1))) << int(k.code);
    PushKey(k.sdl, false);
    EXPECT_FALSE(input.KeyDown(k.code)) << int(k.code);
  }
  // Every key of the main block has a code, and no two share one.
  bool seen[256] = {};
  for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_KP_PERIOD; ++sc) {
    uint8_t code = platform::ScanCodeFromSdl(sc);
    ASSERT_NE(code, 0) << sc;
    if (sc == SDL_SCANCODE_NONUSHASH) continue;  // the backslash key's place on other layouts
    EXPECT_FALSE(seen[code]) << sc;
    seen[code] = true;
  }

  // A keyboard device of the test's own: only exactly 0x80 is down, and a
  // lost device reads up while it is reacquired (until it answers), then
  // normally.
  struct Lost : platform::Keyboard {
    uint8_t bytes[256] = {};
    int lostCalls = 0, acquires = 0;
    platform::Result GetState(uint8_t state[256]) override {
      if (lostCalls > 0) return --lostCalls, platform::result::InputLost;
      std::memcpy(state, bytes, 256);
      return platform::result::Ok;
    }
    platform::Result Acquire() override {
      ++acquires;
      if (lostCalls > 0) return --lostCalls, platform::result::InputLost;
      return platform::result::Ok;
    }
  };
  auto device = std::make_unique<Lost>();
  Lost& keyboard = *device;
  input.Keyboard = std::move(device);
  keyboard.bytes[30] = 0x81;
  EXPECT_FALSE(input.KeyDown(30));
  keyboard.bytes[30] = 0x80;
  EXPECT_TRUE(input.KeyDown(30));
  keyboard.lostCalls = 3;
  EXPECT_FALSE(input.KeyDown(30));
  EXPECT_EQ(keyboard.acquires, 3);
  EXPECT_TRUE(input.KeyDown(30));
}

// Windowed with -vsync: one wait for the retrace per frame, in the present.
TEST_F(WindowTest, VSyncInAWindowWaitsOnceAndPresentsAtTheRetrace) {
  platform::UseClock(std::make_unique<platform::VirtualClock>());
  {
    TSelfZentra display(640, 480, kCaption);
    TBuffer64 frame(&display, 512, 384, false);
    VSyncWatch watch(*display.DirectDraw);
    for (int i = 0; i < 20; ++i) {
      watch.Flip(frame);
      platform::GetClock().Sleep(uint32_t(12 + i % 11));
    }
  }
  platform::UseClock(std::make_unique<platform::RealClock>());
}

// KeyDown is true exactly when the key is down now or went down (and up)
// since the previous read of the keyboard, whichever key that read asked
// for; a held key's repeats are no new presses. A random run of presses,
// repeats, releases and reads against that rule, then the two cases seen in
// the show: a tap read only thousands of reads later, and a repeat arriving
// after the last read of a held key.
TEST_F(WindowTest, ATapCountsForTheNextReadOnly) {
  TSelfZentra display(320, 240, kCaption);
  TInput64 input(display.Handle);
  const struct {
    SDL_Scancode sdl;
    uint8_t code;
  } keys[] = {{SDL_SCANCODE_ESCAPE, 1}, {SDL_SCANCODE_Q, 16}, {SDL_SCANCODE_R, 19}, {SDL_SCANCODE_UP, 200}};
  auto push = [](SDL_Scancode code, bool down, bool repeat) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat;
    e.key.keysym.scancode = code;
    SDL_PushEvent(&e);
  };
  bool down[4] = {}, pressed[4] = {};
  std::mt19937 rnd(5);
  for (int step = 0; step < 4000; ++step) {
    const size_t k = rnd() % 4;
    switch (rnd() % 4) {
      case 0:
        if (!down[k]) push(keys[k].sdl, true, false), down[k] = pressed[k] = true;
        break;
      case 1:
        if (down[k]) push(keys[k].sdl, true, true);
        break;
      case 2:
        if (down[k]) push(keys[k].sdl, false, false), down[k] = false;
        break;
      default:
        ASSERT_EQ(input.KeyDown(keys[k].code), down[k] || pressed[k]) << "step " << step << " key " << k;
        for (bool& p : pressed) p = false;
    }
  }
  for (size_t k = 0; k < 4; ++k)
    if (down[k]) push(keys[k].sdl, false, false);
  input.KeyDown(1);

  push(SDL_SCANCODE_R, true, false);
  push(SDL_SCANCODE_R, false, false);
  for (int i = 0; i < 3000; ++i) ASSERT_FALSE(input.KeyDown(1));
  EXPECT_FALSE(input.KeyDown(19));
  push(SDL_SCANCODE_UP, true, false);
  EXPECT_TRUE(input.KeyDown(200));
  push(SDL_SCANCODE_UP, true, true);
  push(SDL_SCANCODE_UP, false, false);
  EXPECT_FALSE(input.KeyDown(200));
}

TEST_F(WindowTest, AnAttachedJoystickIsOpenedWithItsButtons) {
  TSelfZentra display(320, 240, kCaption);
  {
    TInput64 input(display.Handle);
    EXPECT_FALSE(input.JoystickPresent);
    EXPECT_EQ(input.ButtonCount, 0);
    EXPECT_TRUE(input.ButtonNames.empty());
  }
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
  int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 5, 0);
  ASSERT_GE(device, 0) << SDL_GetError();
  {
    TInput64 input(display.Handle);
    EXPECT_TRUE(input.JoystickPresent);
    EXPECT_EQ(input.ButtonCount, 5);
    EXPECT_EQ(input.ButtonNames.size(), 5u);
  }
  SDL_JoystickDetachVirtual(device);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

class FatalTest : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    scratch_ = std::make_unique<ScratchDir>();
  }
  void TearDown() override {
    scratch_.reset();
    WindowTest::TearDown();
  }
  std::unique_ptr<ScratchDir> scratch_;  // the error log goes here
};

TEST_F(FatalTest, AnUnsupportedDesktopDepthEndsTheWindowedDisplay) {
  EXPECT_EXIT(
      {
        UseDesktop(8, 0);
        TSelfZentra display(640, 480, kCaption);
      },
      ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(ErrorLog(), "[TSelfZentra]Create -> Desktop color depth not supported (only 15,16,24,32bit)\r\n");
}

TEST_F(FatalTest, AnUnsupportedRequestedDepthEndsTheFullscreenDisplay) {
  EXPECT_EXIT({ TSelfFullZentra display(640, 480, 8, kCaption); }, ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(ErrorLog(), "[TSelfFullZentra]Create -> Desktop color depth not supported (only 15,16,24,32bit)\r\n");
}

TEST_F(FatalTest, ARefusedModeIsTheDisplaysOwnError) {
  EXPECT_EXIT({ TSelfFullZentra display(0, 0, 32, kCaption); }, ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(ErrorLog(), "[TZentra]SetDisplayMode -> DirectDraw does not support the requested mode.\r\n");
}

TEST_F(FatalTest, NoWindowingServiceFailsAtTheFirstStep) {
  EXPECT_EXIT(
      {
        setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
        TSelfZentra display(640, 480, kCaption);
      },
      ::testing::ExitedWithCode(1), "");
  EXPECT_EQ(ErrorLog(), "[TSelfZentra]RegisterClass -> Error registering window class...\r\n");
}

}  // namespace
