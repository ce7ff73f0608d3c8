// The display service: the object that makes surfaces in the display's pixel
// format, owns the primary surface (what is shown) and the back surface, and
// puts finished frames on the screen.
//
// A headless device has no window: its primary surface is plain memory that
// presenting copies into, so tests, benchmarks and the record mode run the
// same code paths without a screen. The windowed and fullscreen devices
// (platform/window.h) present through SDL.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/pixel_format.h"
#include "platform/surface.h"

namespace platform {

namespace result {
constexpr Result VerticalBlankInProgress = 0x88760219;
constexpr Result NoDisplayHardware = 0x88760233;
}  // namespace result

class DisplayDevice {
public:
  virtual ~DisplayDevice() = default;
  DisplayDevice(const DisplayDevice&) = delete;
  DisplayDevice& operator=(const DisplayDevice&) = delete;

  // A device without a window whose screen is `width` x `height` at `depth`
  // (a supported depth; others give 32).
  static std::shared_ptr<DisplayDevice> CreateHeadless(int32_t width, int32_t height, int32_t depth);

  // The fullscreen mode: `width` x `height` at `bpp` (15, 16, 24, 32) for the
  // surfaces made from now on; InvalidMode otherwise.
  virtual Result SetDisplayMode(int32_t width, int32_t height, int bpp);
  // The depth of every surface the device makes.
  int32_t Depth() const { return depth_; }
  // The pixel layout the screen reports, as a display's pixel format gives
  // it: bits per pixel (16 for both two-byte layouts) and the green mask.
  virtual pixel::Layout PixelLayout() const { return pixel::LayoutOf(depth_); }

  // A new surface in the display's format; `videoMemory` asks for the fast
  // kind (which may be refused with OutOfMemory; callers fall back).
  virtual Result CreateSurface(int32_t width, int32_t height, bool videoMemory, std::shared_ptr<Surface>* out);
  // The visible surface and the one behind it (a flip chain's back buffer in
  // fullscreen, a companion surface in a window), `width` x `height` each.
  Result CreateScreenSurfaces(int32_t width, int32_t height);
  std::shared_ptr<Surface> Primary() const { return primary_; }
  std::shared_ptr<Surface> Back() const { return back_; }

  // The stretching copy of all of `src` onto the screen's client area of
  // `target`: the primary surface (seen at once) or the back buffer (seen at
  // the next Flip).
  virtual Result StretchBlt(Surface& target, const std::shared_ptr<Surface>& src);
  // Page flip: shows what was stretched onto the back buffer. Always waits
  // for the vertical retrace on a real screen.
  virtual Result Flip();
  // Shows the primary surface's own pixels (after it was filled).
  virtual Result ShowPrimary() { return result::Ok; }
  // Whether a copy onto the primary waits for the vertical retrace. Without
  // a screen that can wait, the wait is on the beam model below: until the
  // beam reaches the frame's last row, at most one refresh.
  virtual void SetVSync(bool on) { vsync_ = on; }

  // Switches a windowed display to desktop fullscreen and back without
  // touching the buffers; false when the device cannot (headless).
  virtual bool ToggleFullscreen() { return false; }
  virtual bool ShowsFullscreen() const { return false; }

  // The row the display is scanning out now. The beam is modelled on the
  // program's clock: the screen's rows plus a vertical blank of 1/20 of them,
  // RefreshRate() times a second, counted from the last retrace a present
  // waited for. Inside the blank: VerticalBlankInProgress, `line` untouched.
  Result GetScanLine(uint32_t* line);
  // Clock reading (microseconds) at which GetScanLine next reports `line`.
  int64_t MicrosAtScanLine(uint32_t line);
  uint32_t ScreenRows() const { return scanRows_; }
  double RefreshRate() const { return refreshHz_; }

  // A picture laid over the presented frame on the screen alone, never into
  // a surface (the paused show's indicator): `width` x `height` pixels of
  // 0xAARRGGBB, top row first, its top-left corner at (x, y) in the frame's
  // own pixels, stretched with it. No pixels removes it. A device without a
  // screen has nothing to lay it on.
  virtual void SetOverlay(int32_t x, int32_t y, int32_t width, int32_t height, std::vector<uint32_t> argb) {}
  // Puts the last presented frame on the screen again, with the overlay as
  // it is now (after the overlay changed or the window was uncovered).
  virtual Result ShowAgain() { return result::Ok; }
  // The unstretched surface of the last frame that reached the screen; null
  // before the first. Its pixels are that frame's until the next is drawn.
  std::shared_ptr<Surface> LastPresented() const { return lastPresented_.lock(); }

  // Called with the unstretched surface of every frame that reaches the
  // screen; record mode listens here.
  void SetPresentListener(std::function<void(const Surface&)> listener) { presentListener_ = std::move(listener); }

protected:
  DisplayDevice(int32_t depth, uint32_t scanRows, double refreshHz);
  void NotifyPresented(const std::shared_ptr<Surface>& frame) {
    lastPresented_ = frame;
    if (presentListener_) presentListener_(*frame);
  }
  // Marks "now" as the start of a frame of the beam model.
  void NoteRetrace();
  // The present's wait for the retrace on the beam model: until the beam
  // reaches the last row of a frame `rows` high, or of the screen when the
  // frame is taller (it would never reach a row past the screen's).
  void WaitForLastRow(int32_t rows);

  int32_t depth_;
  std::shared_ptr<Surface> primary_, back_;
  // The frame last stretched onto the back buffer, shown by Flip.
  std::weak_ptr<Surface> pending_;
  std::weak_ptr<Surface> lastPresented_;
  std::function<void(const Surface&)> presentListener_;
  uint32_t scanRows_;
  double refreshHz_;
  int64_t retraceOrigin_ = 0;
  bool vsync_ = false;
};

// Nearest-neighbour stretch of all of `src` onto all of `dst` (same depth).
void StretchCopy(Surface& dst, const Surface& src);

}  // namespace platform
