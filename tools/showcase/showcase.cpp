// qo_showcase: opens the display the way the show does (from its options:
// -windowed, -res:WxH, -bpp:Nb, -vsync) and presents a generated test
// picture in every depth, a few seconds each. Escape or closing the window
// ends it.
//
// Extra options: --depth=N shows only that depth; --seconds=S per depth
// (default 3); --frames=N per depth instead of seconds; --toggle-at=N
// switches between window and desktop fullscreen at frame N, as F11 or
// Alt+Enter do at any time.
//
// In a window the depth follows the desktop, so a window shows the desktop's
// depth once (an X server of another depth shows another: Xvfb -screen 0
// 1280x720x16).
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Zentra2/buffer.h"
#include "Zentra2/input.h"
#include "Zentra2/zentra.h"
#include "core/globals.h"
#include "app/options.h"
#include "platform/clock.h"
#include "platform/pixel_format.h"
#include "platform/window.h"

namespace {

constexpr const char* kCaption = ".oO[ quiet orbit ]Oo.";

void Put(TBuffer64& b, int x, int y, uint32_t c) {
  if (x < 0 || y < 0 || x >= b.Width || y >= b.Height) return;
  platform::pixel::WithDepth(b.BitDepth, [&](auto px) { decltype(px)::Store(b.Rows[size_t(y)], x, c); });
}

void Box(TBuffer64& b, int x1, int y1, int x2, int y2, uint32_t c) {
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) Put(b, x, y, c);
}

// 3 x 5 digits and the letters of "BPP", scaled up.
void Label(TBuffer64& b, int x, int y, const std::string& text, int scale, uint32_t c) {
  static const char* glyphs[] = {"111101101101111", "010110010010111", "111001111100111", "111001111001111",
                                 "101101111001001", "111100111001111", "111100111101111", "111001001001001",
                                 "111101111101111", "111101111001111"};
  static const char* kB = "110101110101110";
  static const char* kP = "110101110100100";
  for (char ch : text) {
    const char* g = ch >= '0' && ch <= '9' ? glyphs[ch - '0'] : ch == 'B' ? kB : ch == 'P' ? kP : nullptr;
    if (g)
      for (int i = 0; i < 15; ++i)
        if (g[i] == '1') Box(b, x + (i % 3) * scale, y + (i / 3) * scale, x + (i % 3 + 1) * scale, y + (i / 3 + 1) * scale, c);
    x += 4 * scale;
  }
}

// The test picture: eight full colour bars, four ramps (grey, red, green,
// blue), a checkerboard, a white border and centre cross, and the depth.
void DrawTestPicture(TBuffer64& b, int depth) {
  const uint8_t bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                              {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  for (int i = 0; i < 8; ++i) Box(b, i * 64, 0, i * 64 + 64, 128, MakeColor(bars[i][0], bars[i][1], bars[i][2]));
  for (int x = 0; x < 512; ++x) {
    uint8_t v = uint8_t(x / 2);
    Box(b, x, 128, x + 1, 160, MakeColor(v, v, v));
    Box(b, x, 160, x + 1, 192, MakeColor(v, 0, 0));
    Box(b, x, 192, x + 1, 224, MakeColor(0, v, 0));
    Box(b, x, 224, x + 1, 256, MakeColor(0, 0, v));
  }
  for (int y = 256; y < 384; ++y)
    for (int x = 0; x < 512; ++x) Put(b, x, y, ((x / 16 + y / 16) & 1) ? MakeColor(200, 200, 200) : MakeColor(40, 40, 60));
  uint32_t white = MakeColor(255, 255, 255);
  Box(b, 0, 0, 512, 1, white);
  Box(b, 0, 383, 512, 384, white);
  Box(b, 0, 0, 1, 384, white);
  Box(b, 511, 0, 512, 384, white);
  Box(b, 255, 176, 257, 208, white);
  Box(b, 240, 191, 272, 193, white);
  Box(b, 146, 285, 366, 355, MakeColor(0, 0, 0));
  Label(b, 158, 295, std::to_string(depth) + "BPP", 10, MakeColor(255, 200, 0));
}

struct Run {
  bool quit = false;
  int frames = 0;
  double flipMicros = 0;
};

Run ShowDepth(int depth, int frames, int toggleAt) {
  std::unique_ptr<TZentra> display;
  if (Windowed) {
    display = std::make_unique<TSelfZentra>(ScreenWidth, ScreenHeight, kCaption);
  } else {
    display = std::make_unique<TSelfFullZentra>(ScreenWidth, ScreenHeight, depth, kCaption);
  }
  auto* device = dynamic_cast<platform::WindowDevice*>(display->DirectDraw.get());
  TInput64 input(display->Handle);
  TBuffer64 picture(display.get(), RenderWidth, RenderHeight, false);
  TBuffer64 frame(display.get(), RenderWidth, RenderHeight, false);
  TBuffer64 sprite(display.get(), 32, 32, false);
  TBuffer64 column(display.get(), 1, 128, false);
  DrawTestPicture(picture, display->BitDepth);
  // A keyed sprite: a ring on the key colour 0.
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      int d = (x - 16) * (x - 16) + (y - 16) * (y - 16);
      Put(sprite, x, y, d < 225 && d > 100 ? MakeColor(255, 128, 0) : 0);
    }

  Run run;
  platform::Clock& clock = platform::GetClock();
  int64_t next = clock.Micros();
  bool toggleHeld = false;
  for (int i = 0; i < frames && !run.quit; ++i) {
    bool toggle = input.KeyDown(0x57) || ((input.KeyDown(0x38) || input.KeyDown(0xB8)) && input.KeyDown(0x1C));
    if ((toggle && !toggleHeld) || i == toggleAt) display->ToggleFullscreen();
    toggleHeld = toggle;
    picture.Draw(&frame, 0, 0);
    // The ramps (inside the border) scroll onto themselves, one pixel a
    // frame, wrapping round through a one-pixel column.
    picture.DrawRect(&column, 1, 128, 2, 256, 0, 0);
    picture.DrawRect(&picture, 2, 128, 511, 256, 1, 128);
    column.Draw(&picture, 510, 128);
    sprite.DrawKeyed(&frame, (i * 5) % 560 - 32, 300, 0);
    int64_t t0 = clock.Micros();
    frame.Flip(VSync != 0);
    run.flipMicros += double(clock.Micros() - t0);
    ++run.frames;
    if (!display->ProcessMessages() || input.KeyDown(1)) run.quit = true;
    next += 20000;
    platform::BusyWait(next, [&] { return clock.Micros() >= next; });
  }
  std::fprintf(stderr, "qo_showcase: %d bpp, %dx%d %s, renderer %s%s, %d frames, %.0f us per Flip\n",
               int(display->BitDepth), display->Width, display->Height, Windowed ? "windowed" : "fullscreen",
               device ? device->RendererName().c_str() : "-",
               device && !device->TextureIsNative() ? " (converts this layout)" : "", run.frames,
               run.frames ? run.flipMicros / run.frames : 0.0);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc), show;
  std::vector<int> depths = {15, 16, 24, 32};
  double seconds = 3;
  int frames = 0, toggleAt = -1;
  for (const std::string& a : args) {
    if (a.rfind("--depth=", 0) == 0) depths = {std::atoi(a.c_str() + 8)};
    else if (a.rfind("--seconds=", 0) == 0) seconds = std::atof(a.c_str() + 10);
    else if (a.rfind("--frames=", 0) == 0) frames = std::atoi(a.c_str() + 9);
    else if (a.rfind("--toggle-at=", 0) == 0) toggleAt = std::atoi(a.c_str() + 12);
    else show.push_back(a);
  }
  ApplyShowOptions(ParseCommandLine(show).show);
  if (frames <= 0) frames = int(seconds * 50);
  if (Windowed) depths.resize(1);  // the desktop's, whichever is asked for
  for (int depth : depths)
    if (ShowDepth(depth, frames, toggleAt).quit) break;
  return 0;
}
