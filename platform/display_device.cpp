#include "platform/display_device.h"

namespace platform {

DisplayDevice::DisplayDevice(int32_t width, int32_t height, PixelFormat format)
    : format_(format),
      primary_(std::make_shared<Surface>(width, height, format)),
      back_(std::make_shared<Surface>(width, height, format)) {}

std::shared_ptr<DisplayDevice> DisplayDevice::CreateHeadless(int32_t width, int32_t height, PixelFormat format) {
  return std::shared_ptr<DisplayDevice>(new DisplayDevice(width, height, format));
}

Result DisplayDevice::CreateSurface(int32_t width, int32_t height, bool videoMemory, std::shared_ptr<Surface>* out) {
  if (videoMemory && refuseVideoMemory_ > 0) {
    --refuseVideoMemory_;
    return result::OutOfMemory;
  }
  if (width <= 0 || height <= 0 || width > 65536 || height > 65536) return result::InvalidParams;
  try {
    *out = std::make_shared<Surface>(width, height, format_);
  } catch (const std::bad_alloc&) {
    return result::OutOfMemory;
  }
  return result::Ok;
}

Result DisplayDevice::Present(bool /*waitRetrace*/) {
  Result injected;
  if (primary_->TakeInjectedFailure(&injected)) return injected;
  if (presentListener_) presentListener_(*primary_);
  return result::Ok;
}

}  // namespace platform
