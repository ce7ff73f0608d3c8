#include "app/player.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "app/rgb_frames.h"
#include "core/globals.h"
#include "core/show_control.h"
#include "core/timeline.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/display_device.h"
#include "platform/fonts.h"
#include "platform/keyboard.h"
#include "platform/window.h"
#include "pngwrite/png_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kEscape = 1, kSpace = 57, kF12 = 88;
constexpr uint8_t kHome = 199, kPageUp = 201, kLeft = 203, kRight = 205, kPageDown = 209;

// Every key a scene reads in debug mode: the cube's (arrows, A, Z, S, X, D,
// C) and the meshes' (digits 1..8, Q..R, arrows, A, Z, Insert, Delete, Home,
// End, Page Up, Page Down); the greetings read the meshes' set less Q..R.
bool SceneDebugKey(uint8_t key) {
  if ((key >= 2 && key <= 9) || (key >= 16 && key <= 19)) return true;
  switch (key) {
    case 30: case 31: case 32: case 44: case 45: case 46:
    case 199: case 200: case 201: case 203: case 205: case 207: case 208: case 209: case 210: case 211:
      return true;
    default: return false;
  }
}

platform::DisplayDevice* Device() { return Display ? Display->DirectDraw.get() : nullptr; }

// The indicator: a dark, half-transparent strip with two pause bars, the
// show time and the scene, in the overlay's 0xAARRGGBB pixels.
struct Indicator {
  int32_t width = 0, height = 0;
  std::vector<uint32_t> argb;
};

Indicator DrawIndicator(const std::string& text) {
  constexpr int32_t kPad = 4, kBars = 9, kGap = 6;
  constexpr uint32_t kBackAlpha = 0xA0;
  Indicator out;
  auto font = platform::Font::Create("Arial", 12);
  int32_t textWidth = 0;
  if (font)
    for (unsigned char ch : text) textWidth += font->Glyph(ch).advance;
  const int32_t cell = font ? font->CellHeight() : 12;
  out.width = kPad + kBars + kGap + textWidth + kPad;
  out.height = kPad + cell + kPad;
  out.argb.assign(size_t(out.width) * size_t(out.height), kBackAlpha << 24);
  // White over the strip's black with `cover` (0..255) of it.
  auto blendWhite = [&](int32_t x, int32_t y, uint32_t cover) {
    if (x < 0 || y < 0 || x >= out.width || y >= out.height) return;
    uint32_t& p = out.argb[size_t(y) * size_t(out.width) + size_t(x)];
    const uint32_t white = (p >> 16 & 0xFF) + ((255 - (p >> 16 & 0xFF)) * cover + 127) / 255;
    const uint32_t alpha = (p >> 24) + ((255 - (p >> 24)) * cover + 127) / 255;
    p = alpha << 24 | white << 16 | white << 8 | white;
  };
  // Two bars, the usual sign for a pause.
  for (int32_t y = kPad + 1; y < kPad + cell - 1; ++y)
    for (int32_t x = 0; x < kBars; ++x)
      if (x < 3 || x >= kBars - 3) blendWhite(kPad + x, y, 255);
  if (!font) return out;
  int32_t pen = kPad + kBars + kGap;
  const int32_t baseline = kPad + font->Ascent();
  for (unsigned char ch : text) {
    const platform::GlyphBitmap& g = font->Glyph(ch);
    for (int32_t r = 0; r < g.rows; ++r)
      for (int32_t c = 0; c < g.width; ++c)
        blendWhite(pen + g.left + c, baseline - g.top + r, g.coverage[size_t(r) * size_t(g.width) + size_t(c)]);
    pen += g.advance;
  }
  return out;
}

}  // namespace

Control ControlForKey(uint8_t key, bool debugKeys) {
  Control control = Control::None;
  switch (key) {
    case kSpace: control = Control::Pause; break;
    case kF12: control = Control::SaveFrame; break;
    case kLeft: control = Control::Back; break;
    case kRight: control = Control::Forward; break;
    case kPageUp: control = Control::PreviousScene; break;
    case kPageDown: control = Control::NextScene; break;
    case kHome: control = Control::Restart; break;
    default: break;
  }
  return debugKeys && SceneDebugKey(key) ? Control::None : control;
}

int64_t MoveTargetMillis(Control control, int64_t nowMillis) {
  const int64_t first = timeline::SceneStartMillis(0), end = timeline::SceneStartMillis(timeline::kSceneCount);
  size_t playing = 0;  // the scene holding `nowMillis`
  while (playing + 1 < timeline::kSceneCount && timeline::SceneStartMillis(playing + 1) <= nowMillis) ++playing;
  switch (control) {
    case Control::Back: return std::max(first, nowMillis - 10000);
    case Control::Forward: return std::min(end, std::max(first, nowMillis + 10000));
    case Control::PreviousScene: return timeline::SceneStartMillis(playing > 0 ? playing - 1 : 0);
    case Control::NextScene:
      return playing + 1 < timeline::kSceneCount ? timeline::SceneStartMillis(playing + 1) : -1;
    case Control::Restart: return first;
    default: return -1;
  }
}

std::string FrameFileName(double showSeconds, int n) {
  char name[96];
  if (n > 1) std::snprintf(name, sizeof name, "quietorbit-%.2fs-%d.png", showSeconds, n);
  else std::snprintf(name, sizeof name, "quietorbit-%.2fs.png", showSeconds);
  return name;
}

bool SaveFramePng(const platform::Surface& frame, const fs::path& path, std::string* error) {
  RgbImage image;
  image.width = frame.Width();
  image.height = frame.Height();
  image.rgb.assign(size_t(image.width) * size_t(image.height) * 3, 0);
  PixelsToRgb(frame.Bits(), frame.Pitch(), frame.Depth(), image.width, image.height, &image);
  const fs::path staged = path.string() + ".tmp";
  std::string reason;
  std::error_code ec;
  if (pngwrite::WriteRgb(staged.string(), image.width, image.height, image.rgb.data(), size_t(image.width) * 3, -1,
                         &reason)) {
    fs::rename(staged, path, ec);
    if (!ec) return true;
    reason = ec.message();
  }
  fs::remove(staged, ec);
  if (error) *error = "cannot write " + path.string() + ": " + (reason.empty() ? "write failed" : reason);
  return false;
}

Player::Player(fs::path folder) : folder_(std::move(folder)) {}

double Player::ShowSeconds() { return double(Elapsed(MusicTimer)) / 1000.0; }

void Player::FrameStarted(const char* scene, float) { scene_ = scene ? scene : ""; }

void Player::FramePresented() {
  // Presses during the loading screen are dropped: the music hold is in
  // charge there, and the controls start with the first scene.
  const bool live = !scene_.empty() && scene_ != timeline::kLoading.name;
  for (uint8_t key : platform::TakeKeyPresses()) {
    if (!live) continue;
    const Control control = ControlForKey(key, DebugMode != 0);
    if (control == Control::Pause) PauseUntilResumed();
    else Act(control, false);
  }
}

bool Player::Act(Control control, bool paused) {
  switch (control) {
    case Control::None: return false;
    case Control::Pause: return true;
    case Control::SaveFrame: SaveFrame(); return false;
    default:
      // A move ends a pause first; it is made once every clock runs again.
      if (paused) return true;
      if (const int64_t target = MoveTargetMillis(control, int64_t(Elapsed(MusicTimer))); target >= 0)
        show::RequestJump(int32_t(target));
      return false;
  }
}

void Player::PauseUntilResumed() {
  platform::Clock& clock = platform::GetClock();
  clock.Hold();
  platform::audio::Pause();
  ShowIndicator(true);
  Control after = Control::None;
  bool paused = true, leave = false;
  // A jump or a leave asked for from elsewhere (the web page's seek bar)
  // ends the pause too; the frame loop acts on it next.
  while (paused && !show::Interrupted()) {
    platform::WaitForMessage(250);
    for (uint8_t key : platform::TakeKeyPresses()) {
      const Control control = ControlForKey(key, DebugMode != 0);
      if (key == kEscape) leave = true;
      else if (Act(control, true)) after = control;
      if (leave || after != Control::None) {
        paused = false;
        break;
      }
    }
    bool redraw = false;
    for (platform::Message m; paused && (m = platform::TakeMessage()) != platform::Message::None;) {
      if (m == platform::Message::Quit) {
        leave = true;
        paused = false;
      }
      if (m == platform::Message::ToggleFullscreen && Display) Display->ToggleFullscreen();
      redraw = true;
    }
    // Uncovered, resized or switched: the picture is put back as it was.
    if (paused && redraw && Device()) Device()->ShowAgain();
  }
  ShowIndicator(false);
  platform::audio::Start();
  clock.Release();
  // Leaving: the quit test right after this frame sees the quit message
  // (the scenes' debug keys may have read the Escape press away by then).
  if (leave) {
    for (platform::Message m; (m = platform::TakeMessage()) != platform::Message::None && m != platform::Message::Quit;) {
    }
    platform::PostQuit();
  }
  if (after != Control::Pause) Act(after, false);
}

void Player::ShowIndicator(bool on) {
  platform::DisplayDevice* device = Device();
  if (!device) return;
  if (!on) {
    device->SetOverlay(0, 0, 0, 0, {});
    device->ShowAgain();
    return;
  }
  char text[128];
  std::snprintf(text, sizeof text, "paused  %.2f s  %s", ShowSeconds(), scene_.c_str());
  Indicator indicator = DrawIndicator(text);
  constexpr int32_t kMargin = 6;
  device->SetOverlay(RenderWidth - indicator.width - kMargin, RenderHeight - indicator.height - kMargin,
                     indicator.width, indicator.height, std::move(indicator.argb));
  device->ShowAgain();
}

std::string Player::SaveFrame() {
  platform::DisplayDevice* device = Device();
  std::shared_ptr<platform::Surface> frame = device ? device->LastPresented() : nullptr;
  if (!frame) {
    std::fprintf(stderr, "quietorbit: no frame on the screen yet to save\n");
    return {};
  }
  const double seconds = ShowSeconds();
  fs::path path;
  std::error_code ec;
  for (int n = 1;; ++n) {
    path = folder_ / FrameFileName(seconds, n);
    if (!fs::exists(path, ec)) break;
  }
  std::string error;
  if (!SaveFramePng(*frame, path, &error)) {
    std::fprintf(stderr, "quietorbit: %s\n", error.c_str());
    return {};
  }
  std::printf("quietorbit: saved the frame at %.2f s as %s\n", seconds, path.string().c_str());
  std::fflush(stdout);
  return path.string();
}
