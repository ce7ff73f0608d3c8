#include "app/rgb_frames.h"

#include <algorithm>
#include <cstring>

#include "Zentra2/pixel_traits.h"

std::optional<FrameLayout> LayoutForSize(int srcWidth, int srcHeight, int width, int height) {
  if (srcWidth <= 0 || srcHeight <= 0) return std::nullopt;
  const int scale = std::min(width / srcWidth, height / srcHeight);
  if (scale < 1) return std::nullopt;
  return FrameLayout{width, height, scale, (width - scale * srcWidth) / 2, (height - scale * srcHeight) / 2};
}

FrameLayout LayoutForScale(int srcWidth, int srcHeight, int scale) {
  return FrameLayout{srcWidth * scale, srcHeight * scale, scale, 0, 0};
}

void PixelsToRgb(const uint8_t* bits, int pitch, int depth, int width, int height, RgbImage* out) {
  const int w = std::min(width, out->width), h = std::min(height, out->height);
  if (w < out->width || h < out->height) std::fill(out->rgb.begin(), out->rgb.end(), 0);
  pixel::WithDepth(depth, [&](auto px) {
    using Px = decltype(px);
    for (int y = 0; y < h; ++y) {
      const uint8_t* row = bits + size_t(y) * size_t(pitch);
      uint8_t* o = out->rgb.data() + size_t(y) * size_t(out->width) * 3;
      for (int x = 0; x < w; ++x, o += 3) {
        const pixel::RGB c = Px::Split(Px::Load(row, x));
        o[0] = uint8_t(c.r);
        o[1] = uint8_t(c.g);
        o[2] = uint8_t(c.b);
      }
    }
  });
}

void Enlarge(const RgbImage& src, const FrameLayout& layout, RgbImage* out) {
  const size_t bytes = size_t(layout.width) * size_t(layout.height) * 3;
  if (out->width != layout.width || out->height != layout.height || out->rgb.size() != bytes) {
    // The border is black once and for all; later frames only rewrite the blocks.
    out->width = layout.width;
    out->height = layout.height;
    out->rgb.assign(bytes, 0);
  }
  const int k = layout.scale;
  const size_t outRow = size_t(layout.width) * 3;
  for (int y = 0; y < src.height; ++y) {
    const uint8_t* s = src.rgb.data() + size_t(y) * size_t(src.width) * 3;
    uint8_t* first = out->rgb.data() + size_t(layout.top + y * k) * outRow + size_t(layout.left) * 3;
    uint8_t* o = first;
    for (int x = 0; x < src.width; ++x, s += 3)
      for (int i = 0; i < k; ++i, o += 3) std::memcpy(o, s, 3);
    // The other rows of the block repeat the first.
    for (int i = 1; i < k; ++i) std::memcpy(first + size_t(i) * outRow, first, size_t(src.width * k) * 3);
  }
}
