#include "platform/display_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "platform/clock.h"

namespace platform {

DisplayDevice::DisplayDevice(int32_t depth, uint32_t scanRows, double refreshHz)
    : depth_(depth), scanRows_(scanRows ? scanRows : 1), refreshHz_(refreshHz > 0 ? refreshHz : 60.0) {}

std::shared_ptr<DisplayDevice> DisplayDevice::CreateHeadless(int32_t width, int32_t height, int32_t depth) {
  std::shared_ptr<DisplayDevice> device(
      new DisplayDevice(pixel::SupportedDepth(depth) ? depth : 32, uint32_t(height > 0 ? height : 1), 60.0));
  if (device->CreateScreenSurfaces(width, height) != result::Ok) throw std::bad_alloc();
  return device;
}

Result DisplayDevice::CreateSurface(int32_t width, int32_t height, bool videoMemory, std::shared_ptr<Surface>* out) {
  if (width <= 0 || height <= 0 || width > 65536 || height > 65536) return result::InvalidParams;
  try {
    *out = std::make_shared<Surface>(width, height, depth_);
  } catch (const std::bad_alloc&) {
    return result::OutOfMemory;
  }
  return result::Ok;
}

Result DisplayDevice::SetDisplayMode(int32_t width, int32_t height, int bpp) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || !pixel::SupportedDepth(bpp))
    return result::InvalidMode;
  depth_ = bpp;
  return result::Ok;
}

Result DisplayDevice::CreateScreenSurfaces(int32_t width, int32_t height) {
  Result r = CreateSurface(width, height, false, &primary_);
  if (r == result::Ok) r = CreateSurface(width, height, false, &back_);
  return r;
}

void StretchCopy(Surface& dst, const Surface& src) {
  const int32_t dw = dst.Width(), dh = dst.Height(), sw = src.Width(), sh = src.Height();
  if (dst.Depth() != src.Depth() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  pixel::WithDepth(dst.Depth(), [&](auto px) {
    using Px = decltype(px);
    // Source column of every destination column, once per call.
    std::vector<int32_t> cols(static_cast<size_t>(dw));
    for (int32_t x = 0; x < dw; ++x) cols[size_t(x)] = int32_t(int64_t(x) * sw / dw);
    const size_t rowBytes = size_t(dw) * Px::Bytes;
    int64_t lastRow = -1;
    for (int32_t y = 0; y < dh; ++y) {
      const int64_t sy = int64_t(y) * sh / dh;
      uint8_t* d = dst.Bits() + size_t(y) * size_t(dst.Pitch());
      if (sy == lastRow) {
        // Enlarged rows repeat: copy the row just made.
        std::memcpy(d, d - dst.Pitch(), rowBytes);
        continue;
      }
      lastRow = sy;
      const uint8_t* s = src.Bits() + size_t(sy) * size_t(src.Pitch());
      if (sw == dw) std::memcpy(d, s, rowBytes);
      else
        for (int32_t x = 0; x < dw; ++x) Px::Store(d, x, Px::Load(s, cols[size_t(x)]));
    }
  });
}

Result DisplayDevice::StretchBlt(Surface& target, const std::shared_ptr<Surface>& src) {
  if (!src || src->Depth() != target.Depth()) return result::InvalidParams;
  bool present = &target == primary_.get();
  if (present && vsync_) WaitForLastRow(src->Height());
  StretchCopy(target, *src);
  if (present) {
    NotifyPresented(src);
  } else {
    pending_ = src;
  }
  return result::Ok;
}

Result DisplayDevice::Flip() {
  std::memcpy(primary_->Bits(), back_->Bits(), size_t(back_->Pitch()) * size_t(back_->Height()));
  if (auto frame = pending_.lock()) NotifyPresented(frame);
  pending_.reset();
  return result::Ok;
}

namespace {
int64_t PeriodMicros(double hz) { return std::max<int64_t>(1, std::llround(1e6 / hz)); }
}  // namespace

void DisplayDevice::NoteRetrace() { retraceOrigin_ = GetClock().Micros(); }

void DisplayDevice::WaitForLastRow(int32_t rows) {
  const uint32_t last = uint32_t(std::clamp<int64_t>(rows, 1, scanRows_)) - 1;
  BusyWait(MicrosAtScanLine(last), [&] {
    uint32_t line = 0;
    return GetScanLine(&line) == result::Ok && line >= last;
  });
}

Result DisplayDevice::GetScanLine(uint32_t* line) {
  int64_t period = PeriodMicros(refreshHz_);
  int64_t total = int64_t(scanRows_) + std::max<int64_t>(1, scanRows_ / 20);
  int64_t phase = (GetClock().Micros() - retraceOrigin_) % period;
  if (phase < 0) phase += period;
  int64_t row = phase * total / period;
  if (row >= int64_t(scanRows_)) return result::VerticalBlankInProgress;
  *line = uint32_t(row);
  return result::Ok;
}

int64_t DisplayDevice::MicrosAtScanLine(uint32_t line) {
  int64_t period = PeriodMicros(refreshHz_);
  int64_t total = int64_t(scanRows_) + std::max<int64_t>(1, scanRows_ / 20);
  int64_t now = GetClock().Micros();
  int64_t phase = (now - retraceOrigin_) % period;
  if (phase < 0) phase += period;
  // First phase at which the row reaches `line`: ceil(line * period / total).
  int64_t target = (int64_t(line) * period + total - 1) / total;
  return now + (target >= phase ? target - phase : period - phase + target);
}

}  // namespace platform
