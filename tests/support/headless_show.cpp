#include "tests/support/headless_show.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>

#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "core/devices.h"
#include "core/frame_observer.h"
#include "core/globals.h"
#include "platform/clock.h"
#include "tests/support/png_files.h"
#include "trig2/trig2.h"

namespace fs = std::filesystem;

namespace {

uint32_t Rgb(int32_t r, int32_t g, int32_t b) {
  auto c = [](int32_t v) { return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v); };
  return c(r) << 16 | c(g) << 8 | c(b);
}

// A soft round glow, brightest in the middle.
std::function<uint32_t(int32_t, int32_t)> Glow(int32_t size, int32_t r, int32_t g, int32_t b) {
  return [=](int32_t x, int32_t y) {
    const double h = size / 2.0;
    const double d = std::hypot(x + 0.5 - h, y + 0.5 - h) / h;
    const double k = d >= 1 ? 0 : (1 - d) * (1 - d);
    return Rgb(int32_t(r * k), int32_t(g * k), int32_t(b * k));
  };
}

const char* const kParticles[6] = {"pa00", "pa01", "pa02", "pa00s", "pa01s", "pa02s"};

void MakeDataTree(const fs::path& root) {
  const std::string gfx = (root / "data/gfx/").string();
  for (const char* dir : {"intro", "cube", "textures", "metaballs", "particles"}) fs::create_directories(gfx + dir);
  const int32_t sizes[6] = {64, 56, 48, 32, 24, 28};
  const uint32_t colours[3] = {0xFFC040, 0x40E0FF, 0xC080FF};
  for (int i = 0; i < 6; ++i) {
    const uint32_t c = colours[i % 3];
    WritePng(gfx + "particles/" + kParticles[i] + ".png", sizes[i], sizes[i],
             Glow(sizes[i], int32_t(c >> 16), int32_t(c >> 8 & 255), int32_t(c & 255)));
  }
  // Title: a bright frame and a diagonal band.
  WritePng(gfx + "intro/in00.png", 512, 384, [](int32_t x, int32_t y) {
    if (x < 8 || y < 8 || x >= 504 || y >= 376) return Rgb(255, 255, 255);
    if (std::abs((x - 64) - (y * 4 / 3)) < 40) return Rgb(230, 120, 40);
    return Rgb(x / 4, y / 3, 60);
  });
  // A pale disc.
  WritePng(gfx + "intro/in01.png", 512, 384, [](int32_t x, int32_t y) {
    const double d = std::hypot(x - 256, y - 192);
    return d < 150 ? Rgb(220 - int32_t(d / 2), 220 - int32_t(d / 2), 200) : Rgb(10, 10, 40);
  });
  // Orbits.
  WritePng(gfx + "intro/in02.png", 512, 384, [](int32_t x, int32_t y) {
    const double d = std::hypot(x - 256, (y - 192) * 1.6);
    return int32_t(d) % 60 < 3 ? Rgb(120, 160, 255) : Rgb(0, 0, 20);
  });
  WritePng(gfx + "intro/in69.png", 40, 30,
           [](int32_t x, int32_t y) { return (x < 20) != (y < 15) ? Rgb(30, 30, 60) : Rgb(10, 10, 30); });
  WritePng(gfx + "cube/cb00.jpg", 400, 300, [](int32_t x, int32_t y) { return Rgb(40 + x / 8, 20, 40 + y / 6); });
  WritePng(gfx + "textures/tex01.jpg", 256, 256, [](int32_t x, int32_t y) { return Rgb(x, y, 200); });
  WritePng(gfx + "textures/tex00.jpg", 100, 100,
           [](int32_t x, int32_t y) { return Rgb(20 + x / 2, 40, 20 + y / 2); });
  WritePng(gfx + "metaballs/mb00.jpg", 512, 384, [](int32_t x, int32_t y) { return Rgb(y / 3, x / 4, 90); });
  WritePng(gfx + "metaballs/mb01.jpg", 512, 384,
           [](int32_t x, int32_t y) { return Rgb(200 - y / 3, 100 + x / 8, 200); });
}

fs::path GeneratedRoot() {
  const char* source = std::getenv("QO_SOURCE_DIR");
  return source ? fs::path(source) : fs::path();
}

}  // namespace

bool HeadlessShow::HaveGeneratedData() {
  const fs::path root = GeneratedRoot();
  return !root.empty() && fs::exists(root / "data/msh/geosph10.asc");
}

HeadlessShow::HeadlessShow(uint8_t depth, Data data) {
  auto clock = std::make_unique<platform::VirtualClock>();
  Clock = clock.get();
  platform::UseClock(std::move(clock));
  BuildSinTable();
  NoSound = FlagOn;
  DebugMode = ShowFramerate = MotionBlur = 0;
  LastFrameTime = 0;

  OpenDevices(new THeadlessZentra(RenderWidth, RenderHeight, depth));
  SyncTimer->Start();

  if (data == Data::None) return;
  fs::path root = GeneratedRoot();
  if (data == Data::MadeUp) {
    char tmpl[] = "/tmp/qo_scenes_XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
    root = madeUp_ = tmpl;
    MakeDataTree(root);
  }
  oldDir_ = fs::current_path();
  fs::current_path(root);
  LoadParticles();
}

HeadlessShow::~HeadlessShow() {
  SetFrameObserver(nullptr);
  FreeDevices();
  delete SyncTimer;
  delete MusicTimer;
  delete WaitTimer;
  SyncTimer = nullptr;
  MusicTimer = WaitTimer = nullptr;
  std::error_code ec;
  if (!oldDir_.empty()) fs::current_path(oldDir_, ec);
  if (!madeUp_.empty()) fs::remove_all(madeUp_, ec);
  platform::UseClock(std::make_unique<platform::RealClock>());
}

void HeadlessShow::AdvanceMs(int64_t ms) { Clock->Advance(ms * 1000); }
