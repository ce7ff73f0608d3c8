#include "app/progress_line.h"

#include <algorithm>
#include <cstdio>

ProgressLine::ProgressLine(int64_t toPlay, int64_t toWrite, const char* verb, bool enabled)
    : toPlay_(std::max<int64_t>(toPlay, 1)), toWrite_(toWrite), verb_(verb), enabled_(enabled) {}

void ProgressLine::Update(int64_t frame, int64_t written, double elapsedSeconds) {
  // Five times a second is plenty for the eye.
  if (!enabled_ || elapsedSeconds - lastDrawn_ < 0.2) return;
  lastDrawn_ = elapsedSeconds;
  const double done = std::min(1.0, double(frame + 1) / double(toPlay_));
  // The rate so far, once there is enough of it to go by.
  char left[32] = "-:--";
  if (done >= 0.01 && elapsedSeconds >= 1.0) {
    const int seconds = int(elapsedSeconds / done - elapsedSeconds + 0.5);
    std::snprintf(left, sizeof left, "%d:%02d", seconds / 60, seconds % 60);
  }
  std::fprintf(stderr, "\rquietorbit: %6lld of %lld frames %s, %5.1f%%, %5s left ", (long long)written,
               (long long)toWrite_, verb_, 100.0 * done, left);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressLine::End() {
  if (drawn_) std::fputc('\n', stderr);
  drawn_ = false;
}
