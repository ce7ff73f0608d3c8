// Surfaces of our display service: blocks of pixel memory in one of the four
// layouts (platform/pixel_format.h, keyed by the depth), with the copy and
// fill operations the framework builds on and the result codes it expects
// (same numbers as the framework's error table).
//
// Pixel memory is allocated once and keeps its address for the surface's
// lifetime; rows are 16-byte aligned, which also makes them 4-byte aligned.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

using Result = uint32_t;

namespace result {
constexpr Result Ok = 0;
constexpr Result Generic = 0x80004005;
constexpr Result InvalidParams = 0x80070057;
constexpr Result OutOfMemory = 0x8007000E;
constexpr Result InvalidMode = 0x88760078;
constexpr Result InvalidRect = 0x88760096;
constexpr Result SurfaceLost = 0x887601C2;
constexpr Result WasStillDrawing = 0x8876021C;
constexpr Result NotLocked = 0x88760248;
constexpr Result Unsupported = 0x80004001;
}  // namespace result

// Right and bottom exclusive.
struct Rect {
  int32_t left, top, right, bottom;
};

struct SurfaceDesc {
  int32_t width = 0, height = 0, pitch = 0;
  int32_t depth = 32;
  uint8_t* bits = nullptr;
};

// The operations are virtual so that a test can stand a surface of its own
// (one that is busy or lost when asked) where the display makes one.
class Surface {
public:
  // `depth` is one of the four supported depths.
  Surface(int32_t width, int32_t height, int32_t depth);
  virtual ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  virtual Result Lock(SurfaceDesc* desc);
  virtual Result Unlock();
  // Fills `rect` (the whole surface when null) with a pixel value.
  virtual Result ColorFill(const Rect* rect, uint32_t color);
  // Copies `srcRect` of `src` to (x, y). No clipping: a rectangle that is
  // empty or leaves either surface fails with InvalidRect. `src` may be this
  // surface, overlapping rectangles included (the result is as if the whole
  // source were read first). With `useSourceKey`, source pixels equal to the
  // source's colour key are skipped.
  virtual Result BltFast(int32_t x, int32_t y, Surface& src, const Rect& srcRect, bool useSourceKey);
  void SetColorKey(uint32_t key) { colorKey_ = key; }
  virtual Result GetBltStatus();
  virtual Result Restore();

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t Pitch() const { return pitch_; }
  int32_t Depth() const { return depth_; }
  uint8_t* Bits() const { return bits_; }

private:
  int32_t width_, height_, depth_, pitch_;
  uint8_t* bits_ = nullptr;
  uint32_t colorKey_ = 0;
};

}  // namespace platform
