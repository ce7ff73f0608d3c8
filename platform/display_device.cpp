#include "platform/display_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "platform/clock.h"

namespace platform {

DisplayDevice::DisplayDevice(PixelFormat format, uint32_t scanRows, double refreshHz)
    : format_(format), scanRows_(scanRows ? scanRows : 1), refreshHz_(refreshHz > 0 ? refreshHz : 60.0) {}

std::shared_ptr<DisplayDevice> DisplayDevice::CreateHeadless(int32_t width, int32_t height, PixelFormat format) {
  std::shared_ptr<DisplayDevice> device(new DisplayDevice(format, uint32_t(height > 0 ? height : 1), 60.0));
  if (device->CreateScreenSurfaces(width, height) != result::Ok) throw std::bad_alloc();
  return device;
}

void DisplayDevice::GetPixelFormat(uint32_t* rgbBitCount, uint32_t* greenMask) const {
  switch (format_) {
    case PixelFormat::RGB555: *rgbBitCount = 16, *greenMask = 0x3E0; break;
    case PixelFormat::RGB565: *rgbBitCount = 16, *greenMask = 0x7E0; break;
    case PixelFormat::BGR24: *rgbBitCount = 24, *greenMask = 0xFF00; break;
    case PixelFormat::XRGB8888: *rgbBitCount = 32, *greenMask = 0xFF00; break;
  }
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

Result DisplayDevice::CreateScreenSurfaces(int32_t width, int32_t height) {
  Result r = CreateSurface(width, height, false, &primary_);
  if (r == result::Ok) r = CreateSurface(width, height, false, &back_);
  return r;
}

namespace {

// One destination row from one source row through the column table.
template <int Bpp>
void StretchRow(uint8_t* d, const uint8_t* s, const std::vector<int32_t>& cols) {
  for (size_t x = 0; x < cols.size(); ++x) {
    const uint8_t* p = s + cols[x];
    if constexpr (Bpp == 2) {
      std::memcpy(d + 2 * x, p, 2);
    } else if constexpr (Bpp == 4) {
      std::memcpy(d + 4 * x, p, 4);
    } else {
      d[3 * x] = p[0], d[3 * x + 1] = p[1], d[3 * x + 2] = p[2];
    }
  }
}

}  // namespace

void StretchCopy(Surface& dst, const Surface& src) {
  int bpp = BytesPerPixelOf(dst.Format());
  int32_t dw = dst.Width(), dh = dst.Height(), sw = src.Width(), sh = src.Height();
  if (dst.Format() != src.Format() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  // Source column of every destination column, once per call.
  std::vector<int32_t> cols(static_cast<size_t>(dw));
  for (int32_t x = 0; x < dw; ++x) cols[size_t(x)] = int32_t(int64_t(x) * sw / dw) * bpp;
  size_t rowBytes = size_t(dw) * size_t(bpp);
  int64_t lastRow = -1;
  for (int32_t y = 0; y < dh; ++y) {
    int64_t sy = int64_t(y) * sh / dh;
    uint8_t* d = dst.Bits() + size_t(y) * size_t(dst.Pitch());
    if (sy == lastRow) {
      // Enlarged rows repeat: copy the row just made.
      std::memcpy(d, d - dst.Pitch(), rowBytes);
      continue;
    }
    lastRow = sy;
    const uint8_t* s = src.Bits() + size_t(sy) * size_t(src.Pitch());
    if (sw == dw) std::memcpy(d, s, rowBytes);
    else if (bpp == 2) StretchRow<2>(d, s, cols);
    else if (bpp == 3) StretchRow<3>(d, s, cols);
    else StretchRow<4>(d, s, cols);
  }
}

Result DisplayDevice::StretchBlt(Surface& target, const std::shared_ptr<Surface>& src) {
  Result injected;
  if (target.TakeInjectedFailure(&injected)) return injected;
  if (!src || src->Format() != target.Format()) return result::InvalidParams;
  bool present = &target == primary_.get();
  if (present && vsync_) WaitForLastRow();
  StretchCopy(target, *src);
  if (present) {
    NotifyPresented(*src);
  } else {
    pending_ = src;
  }
  return result::Ok;
}

Result DisplayDevice::Flip() {
  Result injected;
  if (primary_->TakeInjectedFailure(&injected)) return injected;
  std::memcpy(primary_->Bits(), back_->Bits(), size_t(back_->Pitch()) * size_t(back_->Height()));
  if (auto frame = pending_.lock()) NotifyPresented(*frame);
  pending_.reset();
  return result::Ok;
}

namespace {
int64_t PeriodMicros(double hz) { return std::max<int64_t>(1, std::llround(1e6 / hz)); }
}  // namespace

void DisplayDevice::NoteRetrace() { retraceOrigin_ = GetClock().Micros(); }

void DisplayDevice::WaitForLastRow() {
  const uint32_t last = scanRows_ - 1;
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
