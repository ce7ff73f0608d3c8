// Counting flashes the way the photosensitivity guideline does, simplified
// to whole frames: a change is a swing of the mean relative luminance by
// more than a tenth of its range in one direction, and a flash is a pair of
// opposite changes. At most three flashes may fall in any one second.
#pragma once

#include <cstddef>
#include <vector>

#include "tests/record/picture.h"

// Mean relative luminance of a picture, 0 (black) .. 1 (white), in linear light.
double MeanLuminance(const Picture& picture);

// The frames at which each change ends (its extreme), in order; swings of
// `threshold` or less in between are ignored. Consecutive changes alternate
// in direction.
std::vector<size_t> ChangeEnds(const std::vector<double>& luminance, double threshold = 0.1);

// The most flashes (complete pairs of changes) whose changes end within any
// run of `window` consecutive frames; `first` receives where that run starts.
int MostFlashes(const std::vector<size_t>& changeEnds, size_t window, size_t* first = nullptr);
