// The progress line on stderr while recording or benchmarking: scene,
// frame, share of the show done, speed and time left.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "app/show.h"

class ProgressLine {
public:
  // `parts`: the show's parts in order, whose lengths make the estimate.
  ProgressLine(std::span<const ShowPart> parts, bool enabled);
  // Every 25th frame updates the line.
  void Update(int64_t frame, const std::string& scene, float sceneTime, double elapsedSeconds);
  void End();

private:
  std::span<const ShowPart> parts_;
  bool enabled_;
};
