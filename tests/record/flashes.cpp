#include "tests/record/flashes.h"

#include <array>
#include <cmath>

double MeanLuminance(const Picture& picture) {
  static const std::array<double, 256> linear = [] {
    std::array<double, 256> t{};
    for (int i = 0; i < 256; ++i) {
      double c = i / 255.0;
      t[size_t(i)] = c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    return t;
  }();
  const size_t pixels = picture.rgb.size() / 3;
  if (pixels == 0) return 0;
  double sum = 0;
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* p = &picture.rgb[3 * i];
    sum += 0.2126 * linear[p[0]] + 0.7152 * linear[p[1]] + 0.0722 * linear[p[2]];
  }
  return sum / double(pixels);
}

std::vector<size_t> ChangeEnds(const std::vector<double>& luminance, double threshold) {
  std::vector<size_t> ends;
  if (luminance.empty()) return ends;
  // Before the first change: the lowest and highest values seen so far.
  size_t low = 0, high = 0;
  int direction = 0;   // of the change under way: +1 rising, -1 falling
  size_t extreme = 0;  // its furthest frame so far
  for (size_t i = 1; i < luminance.size(); ++i) {
    const double v = luminance[i];
    if (direction == 0) {
      if (v < luminance[low]) low = i;
      if (v > luminance[high]) high = i;
      if (luminance[high] - luminance[low] > threshold) {
        direction = high > low ? 1 : -1;
        extreme = high > low ? high : low;
      }
      continue;
    }
    if ((v - luminance[extreme]) * direction > 0) {
      extreme = i;
    } else if ((luminance[extreme] - v) * direction > threshold) {
      ends.push_back(extreme);
      direction = -direction;
      extreme = i;
    }
  }
  if (direction != 0) ends.push_back(extreme);
  return ends;
}

int MostFlashes(const std::vector<size_t>& changeEnds, size_t window, size_t* first) {
  size_t most = 0, start = 0;
  for (size_t a = 0, b = 0; b < changeEnds.size(); ++b) {
    while (changeEnds[b] - changeEnds[a] >= window) ++a;
    if (b - a + 1 > most) {
      most = b - a + 1;
      start = changeEnds[a];
    }
  }
  if (first) *first = start;
  return int(most / 2);
}
