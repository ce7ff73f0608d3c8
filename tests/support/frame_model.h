// What a 32-bit frame should hold, built pixel by pixel from the documented
// drawing rules rather than by the drawing code: opaque and keyed copies,
// blends with a constant opacity, saturating additions and subtractions,
// each clipped to the frame. The scene tests draw one-colour pictures so
// that every pixel of a frame is computable this way.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "Zentra2/buffer.h"
#include "tests/support/pixels.h"

class FrameModel {
public:
  // Starts from what `frame` holds now (colour bytes only).
  explicit FrameModel(const TBuffer64& frame) : width_(frame.Width), height_(frame.Height) {
    px_.resize(size_t(width_) * size_t(height_));
    for (int32_t y = 0; y < height_; ++y)
      for (int32_t x = 0; x < width_; ++x) px_[Index(x, y)] = ReadPixel(frame, x, y) & 0xFFFFFF;
  }

  uint32_t At(int32_t x, int32_t y) const { return px_[Index(x, y)]; }

  // d + floor((s - d) * alpha / 256) per 8-bit channel.
  static uint32_t Mix(uint32_t d, uint32_t s, uint8_t alpha) {
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
      const int dc = int(d >> shift & 255), sc = int(s >> shift & 255);
      const int diff = (sc - dc) * alpha;
      out |= uint32_t(dc + (diff >= 0 ? diff / 256 : -((-diff + 255) / 256))) << shift;
    }
    return out;
  }

  // `src` with its top-left corner at (x, y); pixels equal to `key` (when
  // given) are skipped.
  void Copy(const TBuffer64& src, int32_t x, int32_t y, const uint32_t* key = nullptr) {
    Each(src, x, y, [&](uint32_t& d, uint32_t s) {
      if (!key || s != (*key & 0xFFFFFF)) d = s;
    });
  }
  // Mix of each source pixel over the frame, skipping `key`.
  void Blend(const TBuffer64& src, int32_t x, int32_t y, uint8_t alpha, const uint32_t* key = nullptr) {
    Each(src, x, y, [&](uint32_t& d, uint32_t s) {
      if (!key || s != (*key & 0xFFFFFF)) d = Mix(d, s, alpha);
    });
  }
  // One colour over the whole frame.
  void Blend(uint32_t colour, uint8_t alpha) {
    for (uint32_t& d : px_) d = Mix(d, colour & 0xFFFFFF, alpha);
  }
  // min(d + s, 255) per channel.
  void Add(const TBuffer64& src, int32_t x, int32_t y) {
    Each(src, x, y, [](uint32_t& d, uint32_t s) { d = Saturated(d, s, 1); });
  }
  // max(d - s, 0) per channel; the source is another model, a layer
  // composed the same way.
  void Sub(const FrameModel& src, int32_t x, int32_t y) {
    Each(src.width_, src.height_, [&](int32_t sx, int32_t sy) { return src.At(sx, sy); }, x, y,
         [](uint32_t& d, uint32_t s) { d = Saturated(d, s, -1); });
  }
  // Every colour bit flipped.
  void Invert() {
    for (uint32_t& d : px_) d ^= 0xFFFFFF;
  }

  // Pixels of `frame` in rows [top, bottom) that differ from the model; the
  // first few are named in `where`.
  int Mismatches(const TBuffer64& frame, std::string* where = nullptr, int32_t top = 0, int32_t bottom = -1) const {
    int wrong = 0;
    for (int32_t y = top; y < (bottom < 0 ? height_ : bottom); ++y)
      for (int32_t x = 0; x < width_; ++x) {
        const uint32_t got = ReadPixel(frame, x, y) & 0xFFFFFF;
        if (got == At(x, y)) continue;
        if (++wrong <= 3 && where) {
          char text[64];
          std::snprintf(text, sizeof text, " (%d, %d) is %06X, not %06X;", x, y, unsigned(got), unsigned(At(x, y)));
          *where += text;
        }
      }
    return wrong;
  }

private:
  size_t Index(int32_t x, int32_t y) const { return size_t(y) * size_t(width_) + size_t(x); }

  // d + sign * s per 8-bit channel, held to 0..255.
  static uint32_t Saturated(uint32_t d, uint32_t s, int sign) {
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
      const int v = int(d >> shift & 255) + sign * int(s >> shift & 255);
      out |= uint32_t(v < 0 ? 0 : v > 255 ? 255 : v) << shift;
    }
    return out;
  }

  using Action = std::function<void(uint32_t&, uint32_t)>;
  // Calls f(model pixel, source pixel) over the part of a width x height
  // source at (x, y) that lies inside the frame.
  void Each(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& source, int32_t x,
            int32_t y, const Action& f) {
    for (int32_t sy = 0; sy < height; ++sy)
      for (int32_t sx = 0; sx < width; ++sx) {
        const int64_t dx = int64_t(x) + sx, dy = int64_t(y) + sy;
        if (dx < 0 || dy < 0 || dx >= width_ || dy >= height_) continue;
        f(px_[Index(int32_t(dx), int32_t(dy))], source(sx, sy));
      }
  }
  void Each(const TBuffer64& src, int32_t x, int32_t y, const Action& f) {
    Each(src.Width, src.Height, [&](int32_t sx, int32_t sy) { return ReadPixel(src, sx, sy) & 0xFFFFFF; }, x, y, f);
  }

  int32_t width_, height_;
  std::vector<uint32_t> px_;
};

// One coordinate of a sprite path from the scenes' sprite tables:
// round(A * f(t / D1) + g(t / D2)), with f and g the table sine or cosine.
struct SpritePath {
  float a;
  float (*f)(float);
  float d1;
  float (*g)(float);
  float d2;
  int32_t At(float t) const { return int32_t(std::nearbyint(a * f(t / d1) + g(t / d2))); }
};

// One row of a sprite table: which of the six particles, and its two paths.
struct SpriteRow {
  int32_t image;
  SpritePath x, y;
};
