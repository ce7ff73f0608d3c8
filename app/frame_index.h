// frames.csv: one row per written frame, saying what the screen showed then.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// What the frame on screen belongs to: its scene and the clocks at its top.
struct FrameInfo {
  std::string scene = "loading";
  float t = 0, sync = 0, music = 0;
};

class FrameIndex {
public:
  ~FrameIndex();
  bool Open(const std::string& path);
  // `fresh`: presented since the previous video frame, not a repeat.
  void Add(int64_t frame, bool fresh, const FrameInfo& info);
  bool Close();

private:
  std::FILE* file_ = nullptr;
};
