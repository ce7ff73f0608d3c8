// A display device for tests whose surfaces and presents fail when a test
// says so: busy or lost surfaces, refused video memory. It stands where the
// program's device stands (a THeadlessZentra on it), so the framework's own
// retry-and-restore rule meets the faults.
#pragma once

#include <memory>

#include "platform/display_device.h"
#include "platform/surface.h"

namespace qo_test {

class FaultySurface : public platform::Surface {
public:
  using Surface::Surface;

  // The next `count` calls of Lock, Unlock, ColorFill, BltFast (onto this
  // surface), GetBltStatus and presents onto it fail with `code`.
  void FailNext(int count, platform::Result code) {
    failures_ = count;
    code_ = code;
  }
  int restores = 0;

  platform::Result Lock(platform::SurfaceDesc* desc) override {
    return Failing() ? code_ : Surface::Lock(desc);
  }
  platform::Result Unlock() override { return Failing() ? code_ : Surface::Unlock(); }
  platform::Result ColorFill(const platform::Rect* rect, uint32_t color) override {
    return Failing() ? code_ : Surface::ColorFill(rect, color);
  }
  platform::Result BltFast(int32_t x, int32_t y, platform::Surface& src, const platform::Rect& rect,
                           bool useSourceKey) override {
    return Failing() ? code_ : Surface::BltFast(x, y, src, rect, useSourceKey);
  }
  platform::Result GetBltStatus() override { return Failing() ? code_ : Surface::GetBltStatus(); }
  platform::Result Restore() override {
    ++restores;
    return Surface::Restore();
  }
  // Used by the device for presents onto this surface.
  bool Failing() {
    if (failures_ <= 0) return false;
    --failures_;
    return true;
  }
  platform::Result Code() const { return code_; }

private:
  int failures_ = 0;
  platform::Result code_ = platform::result::Ok;
};

class FaultyDevice : public platform::DisplayDevice {
public:
  // A screen of `width` x `height` at `depth`, its surfaces FaultySurfaces.
  FaultyDevice(int32_t width, int32_t height, int32_t depth) : DisplayDevice(depth, uint32_t(height), 60.0) {
    CreateScreenSurfaces(width, height);
  }

  // The next `count` surfaces asked for in video memory are refused.
  int refuseVideoMemory = 0;

  platform::Result CreateSurface(int32_t width, int32_t height, bool videoMemory,
                                 std::shared_ptr<platform::Surface>* out) override {
    if (videoMemory && refuseVideoMemory > 0) {
      --refuseVideoMemory;
      return platform::result::OutOfMemory;
    }
    *out = std::make_shared<FaultySurface>(width, height, Depth());
    return platform::result::Ok;
  }
  platform::Result StretchBlt(platform::Surface& target, const std::shared_ptr<platform::Surface>& src) override {
    auto& faulty = static_cast<FaultySurface&>(target);
    return faulty.Failing() ? faulty.Code() : DisplayDevice::StretchBlt(target, src);
  }
  platform::Result Flip() override {
    auto& primary = Of(primary_);
    return primary.Failing() ? primary.Code() : DisplayDevice::Flip();
  }

  // The FaultySurface behind a surface this device made.
  static FaultySurface& Of(const std::shared_ptr<platform::Surface>& surface) {
    return static_cast<FaultySurface&>(*surface);
  }
};

}  // namespace qo_test
