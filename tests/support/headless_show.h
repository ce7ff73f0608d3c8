// A headless show for tests: the globals of the main sequence on a display
// without a window, at a chosen depth, driven by a virtual clock. Sound off.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "Zentra2/buffer.h"
#include "Zentra2/image.h"
#include "Zentra2/timer.h"
#include "Zentra2/zentra.h"
#include "core/globals.h"
#include "platform/clock.h"
#include "trig2/trig2.h"

class HeadlessShow {
public:
  explicit HeadlessShow(uint8_t depth = 32) {
    auto c = std::make_unique<platform::VirtualClock>();
    clock = c.get();
    platform::UseClock(std::move(c));
    Display = new THeadlessZentra(RenderWidth, RenderHeight, depth);
    ScreenBuffer = new TBuffer64(Display, RenderWidth, RenderHeight, false);
    BlurBuffer = new TBuffer64(Display, RenderWidth, RenderHeight, false);
    Input = nullptr;
    SyncTimer = new TTimer64(241);
    MusicTimer = new TTimer64_2(241);
    WaitTimer = new TTimer64_2(241);
    MusicTimer->Start();
    SyncTimer->Start();
    NoSound = FlagOn;
    DebugMode = ShowFramerate = MotionBlur = 0;
    LastFrameTime = 0;
    BuildSinTable();
  }

  // Six small sprites (a white square with a grey border) as the particles.
  void MakeParticles() {
    std::string path =
        (std::filesystem::temp_directory_path() / ("qo_test_particle_" + std::to_string(getpid()) + ".bmp")).string();
    WriteBmp(path, 8, 8);
    for (TImage64*& p : Particles) p = new TImage64(Display, path, false);
  }

  ~HeadlessShow() {
    for (TImage64*& p : Particles) delete p, p = nullptr;
    delete ScreenBuffer;
    delete BlurBuffer;
    delete SyncTimer;
    delete MusicTimer;
    delete WaitTimer;
    delete Display;
    ScreenBuffer = BlurBuffer = nullptr;
    SyncTimer = nullptr;
    MusicTimer = WaitTimer = nullptr;
    Display = nullptr;
    platform::UseClock(std::make_unique<platform::RealClock>());
  }

  // A 24-bit BMP, white inside a grey border.
  static void WriteBmp(const std::string& path, int w, int h) {
    int rowBytes = (w * 3 + 3) & ~3;
    uint32_t size = uint32_t(54 + rowBytes * h);
    uint8_t header[54] = {'B', 'M'};
    auto put32 = [&](int at, uint32_t v) { for (int i = 0; i < 4; ++i) header[at + i] = uint8_t(v >> (8 * i)); };
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    header[26] = 1;
    header[28] = 24;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(header, 1, 54, f);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < rowBytes; ++x) {
        bool border = x / 3 == 0 || x / 3 == w - 1 || y == 0 || y == h - 1;
        std::fputc(x < w * 3 ? (border ? 128 : 255) : 0, f);
      }
    }
    std::fclose(f);
  }

  platform::VirtualClock* clock = nullptr;
};
