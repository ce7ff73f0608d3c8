#include "app/progress_line.h"

#include <algorithm>
#include <cstdio>

ProgressLine::ProgressLine(std::span<const ShowPart> parts, bool enabled) : parts_(parts), enabled_(enabled) {}

void ProgressLine::Update(int64_t frame, const std::string& scene, float sceneTime, double elapsedSeconds) {
  if (!enabled_ || frame % 25 != 0) return;
  double done = 0, total = 0;
  bool passed = true;
  for (const ShowPart& part : parts_) {
    total += part.span.length;
    if (scene == part.span.name) {
      done += std::min<double>(sceneTime, part.span.length);
      passed = false;
    } else if (passed) {
      done += part.span.length;
    }
  }
  const double fraction = total > 0 ? done / total : 0;
  const double left = fraction > 0.01 ? elapsedSeconds / fraction - elapsedSeconds : 0;
  std::fprintf(stderr, "\r%-9s frame %6lld  %5.1f%%  %6.1f fps  %3d:%02d left ", scene.c_str(), (long long)frame,
               100 * fraction, elapsedSeconds > 0 ? double(frame) / elapsedSeconds : 0.0, int(left) / 60,
               int(left) % 60);
  std::fflush(stderr);
}

void ProgressLine::End() {
  if (enabled_) std::fputc('\n', stderr);
}
