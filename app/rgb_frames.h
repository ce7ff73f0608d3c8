// Frames as the record mode writes them: 8-bit RGB, top row first, and the
// whole-number enlargement that keeps every pixel crisp.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes
};

// Where a frame of `srcWidth` x `srcHeight` lands in the written picture:
// every pixel becomes a `scale` x `scale` block, the block picture's top
// left corner at (left, top), black around it.
struct FrameLayout {
  int width = 0, height = 0;
  int scale = 1, left = 0, top = 0;
};

// The largest whole factor that fits into `width` x `height`, centred
// (odd leftovers put the extra pixel right and below); none when not even
// the frame itself fits.
std::optional<FrameLayout> LayoutForSize(int srcWidth, int srcHeight, int width, int height);
// The frame enlarged `scale` times, nothing around it.
FrameLayout LayoutForScale(int srcWidth, int srcHeight, int scale);

// Converts `width` x `height` pixels of `depth` (15, 16, 24 or 32 bits, rows
// `pitch` bytes apart) into `out`, which keeps its size; pixels outside the
// source stay black.
void PixelsToRgb(const uint8_t* bits, int pitch, int depth, int width, int height, RgbImage* out);

// Draws `src` into `out` as the layout says (`out` is sized to the layout
// on first use; the same `out` for every frame keeps its black border).
void Enlarge(const RgbImage& src, const FrameLayout& layout, RgbImage* out);
