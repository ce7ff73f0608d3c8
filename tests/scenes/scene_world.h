// A small world for the scene tests: a headless display of one depth, the
// global screen buffers, timers on the virtual clock, the six particles and a
// data tree of made-up pictures in a temporary folder, which becomes the
// current directory while the world lives.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Zentra2/buffer.h"
#include "tests/support/pixels.h"

namespace platform {
class VirtualClock;
}

class SceneWorld {
public:
  explicit SceneWorld(uint8_t depth);
  ~SceneWorld();
  SceneWorld(const SceneWorld&) = delete;
  SceneWorld& operator=(const SceneWorld&) = delete;

  // Reads the pictures from `dir` (which holds data/) instead, particles
  // included.
  void UseDataTree(const std::string& dir);
  // Moves the virtual clock on.
  void AdvanceMs(int64_t ms);

  platform::VirtualClock* Clock = nullptr;
  std::string Root;

private:
  void LoadParticles();
  std::string oldDir_;
};

// 8-bit RGB picture writer: rgb(x, y) returns 0xRRGGBB.
void WritePng(const std::string& path, int32_t width, int32_t height,
              const std::function<uint32_t(int32_t, int32_t)>& rgb);
// Writes a buffer of any depth as an RGB picture, read straight from its rows.
void SaveBufferPng(const TBuffer64& buffer, const std::string& path);
// Texture used by the cube tests: red = column, green = row, blue 200.
uint32_t CubeTexel(int32_t x, int32_t y);
