#include "platform/surface.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace platform {

namespace {

// Rows start 16 bytes apart so the vector kernels can use aligned loads on
// row starts where they like.
int32_t PitchFor(int32_t width, PixelFormat format) {
  int64_t bytes = int64_t(width) * BytesPerPixelOf(format);
  return int32_t((bytes + 15) & ~int64_t(15));
}

inline uint32_t LoadPixel(const uint8_t* p, int bpp) {
  switch (bpp) {
    case 2: { uint16_t v; std::memcpy(&v, p, 2); return v; }
    case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    default: { uint32_t v; std::memcpy(&v, p, 4); return v; }
  }
}

inline uint32_t KeyMask(int bpp) { return bpp == 2 ? 0xFFFFu : bpp == 3 ? 0xFFFFFFu : 0xFFFFFFFFu; }

}  // namespace

Surface::Surface(int32_t width, int32_t height, PixelFormat format)
    : width_(width), height_(height), pitch_(PitchFor(width, format)), format_(format) {
  size_t size = size_t(pitch_) * size_t(height_);
  bits_ = static_cast<uint8_t*>(std::aligned_alloc(16, size ? size : 16));
  if (!bits_) throw std::bad_alloc();
  std::memset(bits_, 0, size);
}

Surface::~Surface() { std::free(bits_); }

bool Surface::TakeInjectedFailure(Result* code) {
  if (failCount_ <= 0) return false;
  --failCount_;
  *code = failCode_;
  return true;
}

Result Surface::Lock(SurfaceDesc* desc) {
  Result injected;
  if (TakeInjectedFailure(&injected)) return injected;
  desc->width = width_;
  desc->height = height_;
  desc->pitch = pitch_;
  desc->format = format_;
  desc->bits = bits_;
  return result::Ok;
}

Result Surface::Unlock() {
  Result injected;
  if (TakeInjectedFailure(&injected)) return injected;
  return result::Ok;
}

Result Surface::GetBltStatus() {
  Result injected;
  if (TakeInjectedFailure(&injected)) return injected;
  return result::Ok;
}

Result Surface::Restore() { return result::Ok; }

Result Surface::ColorFill(const Rect* rect, uint32_t color) {
  Result injected;
  if (TakeInjectedFailure(&injected)) return injected;
  Rect r = rect ? *rect : Rect{0, 0, width_, height_};
  if (r.left < 0 || r.top < 0 || r.right > width_ || r.bottom > height_ || r.left > r.right || r.top > r.bottom)
    return result::InvalidRect;
  int bpp = BytesPerPixelOf(format_);
  int32_t w = r.right - r.left;
  for (int32_t y = r.top; y < r.bottom; ++y) {
    uint8_t* p = bits_ + size_t(y) * pitch_ + size_t(r.left) * bpp;
    switch (bpp) {
      case 2: {
        uint16_t v = uint16_t(color);
        for (int32_t x = 0; x < w; ++x) std::memcpy(p + 2 * x, &v, 2);
        break;
      }
      case 3:
        for (int32_t x = 0; x < w; ++x) {
          p[3 * x] = uint8_t(color);
          p[3 * x + 1] = uint8_t(color >> 8);
          p[3 * x + 2] = uint8_t(color >> 16);
        }
        break;
      default:
        for (int32_t x = 0; x < w; ++x) std::memcpy(p + 4 * x, &color, 4);
    }
  }
  return result::Ok;
}

Result Surface::BltFast(int32_t x, int32_t y, Surface& src, const Rect& sr, bool useSourceKey) {
  Result injected;
  if (TakeInjectedFailure(&injected)) return injected;
  if (src.format_ != format_) return result::InvalidParams;
  int32_t w = sr.right - sr.left, h = sr.bottom - sr.top;
  if (w <= 0 || h <= 0 || sr.left < 0 || sr.top < 0 || sr.right > src.width_ || sr.bottom > src.height_ || x < 0 ||
      y < 0 || int64_t(x) + w > width_ || int64_t(y) + h > height_)
    return result::InvalidRect;

  int bpp = BytesPerPixelOf(format_);
  size_t rowBytes = size_t(w) * bpp;
  // Copying a surface onto itself must behave as if the whole source were
  // read first: walk the rows bottom-up when the destination lies below the
  // source, and move each row with memmove.
  bool upwards = &src == this && y > sr.top;
  for (int32_t i = 0; i < h; ++i) {
    int32_t r = upwards ? h - 1 - i : i;
    const uint8_t* s = src.bits_ + size_t(sr.top + r) * src.pitch_ + size_t(sr.left) * bpp;
    uint8_t* d = bits_ + size_t(y + r) * pitch_ + size_t(x) * bpp;
    if (!useSourceKey) {
      std::memmove(d, s, rowBytes);
      continue;
    }
    uint32_t key = src.colorKey_ & KeyMask(bpp);
    if (&src == this && s < d && d < s + rowBytes) {
      // Overlapping within one row: right to left.
      for (int32_t c = w - 1; c >= 0; --c)
        if (LoadPixel(s + c * bpp, bpp) != key) std::memmove(d + c * bpp, s + c * bpp, bpp);
    } else {
      for (int32_t c = 0; c < w; ++c)
        if (LoadPixel(s + c * bpp, bpp) != key) std::memmove(d + c * bpp, s + c * bpp, bpp);
    }
  }
  return result::Ok;
}

}  // namespace platform
