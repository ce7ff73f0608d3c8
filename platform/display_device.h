// The display service: the object that makes surfaces in the display's pixel
// format and owns the primary surface (what is shown) and the back surface.
//
// A headless device has no window: its primary surface is plain memory that
// presenting copies into, so tests, benchmarks and the record mode run the
// same code paths without a screen.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/surface.h"

namespace platform {

class DisplayDevice {
public:
  virtual ~DisplayDevice() = default;

  // A device without a window whose screen is `width` x `height` in `format`.
  static std::shared_ptr<DisplayDevice> CreateHeadless(int32_t width, int32_t height, PixelFormat format);

  PixelFormat Format() const { return format_; }
  // A new surface in the display's format; `videoMemory` asks for the fast
  // kind (which may be refused with OutOfMemory; callers fall back).
  virtual Result CreateSurface(int32_t width, int32_t height, bool videoMemory, std::shared_ptr<Surface>* out);
  // The visible surface and the one behind it (a flip chain's back buffer in
  // fullscreen, a companion surface in a window).
  std::shared_ptr<Surface> Primary() const { return primary_; }
  std::shared_ptr<Surface> Back() const { return back_; }

  // Called with every frame that reaches the screen (after it has been
  // copied to the primary surface); record mode listens here.
  void SetPresentListener(std::function<void(const Surface&)> listener) { presentListener_ = std::move(listener); }

  // Shows the primary surface (the stretched copy is already on it).
  virtual Result Present(bool waitRetrace);

  // Test hook: the next `count` CreateSurface calls asking for video memory fail.
  void RefuseVideoMemory(int count) { refuseVideoMemory_ = count; }

protected:
  DisplayDevice(int32_t width, int32_t height, PixelFormat format);
  PixelFormat format_;
  std::shared_ptr<Surface> primary_, back_;
  std::function<void(const Surface&)> presentListener_;
  int refuseVideoMemory_ = 0;
};

}  // namespace platform
