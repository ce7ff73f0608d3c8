#include "platform/surface.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/pixel_format.h"

namespace platform {

namespace {

// Rows start 16 bytes apart so the vector kernels can use aligned loads on
// row starts where they like.
int32_t PitchFor(int32_t width, int32_t depth) {
  int64_t bytes = int64_t(width) * pixel::BytesOfDepth(depth);
  return int32_t((bytes + 15) & ~int64_t(15));
}

}  // namespace

Surface::Surface(int32_t width, int32_t height, int32_t depth)
    : width_(width), height_(height), depth_(depth), pitch_(PitchFor(width, depth)) {
  size_t size = size_t(pitch_) * size_t(height_);
  bits_ = static_cast<uint8_t*>(std::aligned_alloc(16, size ? size : 16));
  if (!bits_) throw std::bad_alloc();
  std::memset(bits_, 0, size);
}

Surface::~Surface() { std::free(bits_); }

Result Surface::Lock(SurfaceDesc* desc) {
  desc->width = width_;
  desc->height = height_;
  desc->pitch = pitch_;
  desc->depth = depth_;
  desc->bits = bits_;
  return result::Ok;
}

Result Surface::Unlock() {
  return result::Ok;
}

Result Surface::GetBltStatus() {
  return result::Ok;
}

Result Surface::Restore() { return result::Ok; }

Result Surface::ColorFill(const Rect* rect, uint32_t color) {
  Rect r = rect ? *rect : Rect{0, 0, width_, height_};
  if (r.left < 0 || r.top < 0 || r.right > width_ || r.bottom > height_ || r.left > r.right || r.top > r.bottom)
    return result::InvalidRect;
  pixel::WithDepth(depth_, [&](auto px) {
    using Px = decltype(px);
    for (int32_t y = r.top; y < r.bottom; ++y) {
      uint8_t* row = bits_ + size_t(y) * size_t(pitch_);
      for (int32_t x = r.left; x < r.right; ++x) Px::Store(row, x, color);
    }
  });
  return result::Ok;
}

Result Surface::BltFast(int32_t x, int32_t y, Surface& src, const Rect& sr, bool useSourceKey) {
  if (src.depth_ != depth_) return result::InvalidParams;
  int32_t w = sr.right - sr.left, h = sr.bottom - sr.top;
  if (w <= 0 || h <= 0 || sr.left < 0 || sr.top < 0 || sr.right > src.width_ || sr.bottom > src.height_ || x < 0 ||
      y < 0 || int64_t(x) + w > width_ || int64_t(y) + h > height_)
    return result::InvalidRect;

  const size_t rowBytes = size_t(w) * size_t(pixel::BytesOfDepth(depth_));
  // Copying a surface onto itself must behave as if the whole source were
  // read first: walk the rows bottom-up when the destination lies below the
  // source, and move each row with memmove.
  const bool upwards = &src == this && y > sr.top;
  pixel::WithDepth(depth_, [&](auto px) {
    using Px = decltype(px);
    const uint32_t key = src.colorKey_ & Px::Mask;
    for (int32_t i = 0; i < h; ++i) {
      const int32_t r = upwards ? h - 1 - i : i;
      const uint8_t* s = src.bits_ + size_t(sr.top + r) * size_t(src.pitch_) + size_t(sr.left) * Px::Bytes;
      uint8_t* d = bits_ + size_t(y + r) * size_t(pitch_) + size_t(x) * Px::Bytes;
      if (!useSourceKey) {
        std::memmove(d, s, rowBytes);
      } else if (&src == this && s < d && d < s + rowBytes) {
        // Overlapping within one row: right to left.
        for (int32_t c = w - 1; c >= 0; --c)
          if (Px::Load(s, c) != key) Px::Store(d, c, Px::Load(s, c));
      } else {
        for (int32_t c = 0; c < w; ++c)
          if (Px::Load(s, c) != key) Px::Store(d, c, Px::Load(s, c));
      }
    }
  });
  return result::Ok;
}

}  // namespace platform
