// Hardware copies between buffers and presenting a finished frame.
//
// The copies clip in our own arithmetic, exactly as the show was tuned
// with, then hand the rectangle to the surface's BltFast, which neither
// clips nor stretches: a rectangle the arithmetic leaves empty or out of
// range is refused there and the copy ends silently.
#include <algorithm>
#include <cstdint>

#include "Zentra2/buffer.h"
#include "Zentra2/hardware_rule.h"
#include "platform/display_device.h"
#include "platform/surface.h"

namespace {

bool FitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// BltFast of `rect` of `src` to (x, y) of `dest` by the hardware-operation
// rule; a lost surface is restored through the source. Values that
// do not even fit the surface interface's integers can only be refused.
void CopyRect(TBuffer64& src, TBuffer64& dest, int64_t x, int64_t y, int64_t left, int64_t top, int64_t right,
              int64_t bottom, bool keyed) {
  if (!src.Surface || !dest.Surface) return;
  if (!FitsInt32(x) || !FitsInt32(y) || !FitsInt32(left) || !FitsInt32(top) || !FitsInt32(right) ||
      !FitsInt32(bottom))
    return;
  const platform::Rect rect{int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
  IssueHardwareCall([&] { return dest.Surface->BltFast(int32_t(x), int32_t(y), *src.Surface, rect, keyed); },
                    [&] { src.RestoreSurfaces(); });
}

// The clipping shared by Draw and DrawKeyed; false when rejected.
bool ClipWhole(const TBuffer64& s, const TBuffer64& d, int64_t& x, int64_t& y, int64_t& left, int64_t& top,
               int64_t& right, int64_t& bottom) {
  if (x > d.Width || y > d.Height || x + s.Width < 0 || y + s.Height < 0) return false;
  left = 0;
  top = 0;
  right = s.Width;
  bottom = s.Height;
  if (x + s.Width > d.Width) right = d.Width - x;
  if (y + s.Height > d.Height) bottom = d.Height - y;
  if (x < 0) {
    left = -x;
    x = 0;
  }
  if (y < 0) {
    top = -y;
    y = 0;
  }
  return true;
}

}  // namespace

void TBuffer64::Flip(bool waitRetrace) {
  if (!Surface || !DirectDraw || !PrimarySurface || !BackSurface) return;
  // Fullscreen: stretch onto the flip chain's back buffer, then flip.
  // Windowed: stretch onto the primary, which shows it at once.
  platform::Surface& target = Fullscreen ? *BackSurface : *PrimarySurface;
  // Windowed, the present onto the primary does the one wait for the
  // retrace that -vsync asks for.
  if (!Fullscreen) DirectDraw->SetVSync(waitRetrace);
  if (!IssueHardwareCall([&] { return DirectDraw->StretchBlt(target, Surface); }, [&] { RestoreSurfaces(); })) return;
  WaitForBlit(target);
  if (Fullscreen) DirectDraw->Flip();
}

void TBuffer64::Draw(TBuffer64* dest, int32_t x, int32_t y) {
  if (!dest) return;
  int64_t X = x, Y = y, left, top, right, bottom;
  if (!ClipWhole(*this, *dest, X, Y, left, top, right, bottom)) return;
  CopyRect(*this, *dest, X, Y, left, top, right, bottom, false);
}

void TBuffer64::DrawKeyed(TBuffer64* dest, int32_t x, int32_t y, uint32_t key) {
  if (!dest) return;
  int64_t X = x, Y = y, left, top, right, bottom;
  if (!ClipWhole(*this, *dest, X, Y, left, top, right, bottom)) return;
  if (Surface) Surface->SetColorKey(key);
  CopyRect(*this, *dest, X, Y, left, top, right, bottom, true);
}

void TBuffer64::DrawRect(TBuffer64* dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x, int32_t y) {
  if (!dest) return;
  const TBuffer64& d = *dest;
  int64_t X = x, Y = y;
  // Rejected by the whole source's size, not the rectangle's.
  if (X > d.Width || Y > d.Height || X + Width < 0 || Y + Height < 0) return;
  int64_t X1 = x1, Y1 = y1, X2 = x2, Y2 = y2;
  if (X1 > X2) std::swap(X1, X2);
  if (Y1 > Y2) std::swap(Y1, Y2);
  X1 = std::max<int64_t>(X1, 0);
  Y1 = std::max<int64_t>(Y1, 0);
  X2 = std::min<int64_t>(X2, Width);
  Y2 = std::min<int64_t>(Y2, Height);
  if (X + (X2 - X1) > d.Width) X2 -= X + (X2 - X1) - d.Width;
  if (Y + (Y2 - Y1) > d.Height) Y2 -= Y + (Y2 - Y1) - d.Height;
  if (X < 0) {
    X1 -= X;
    X = 0;
  }
  if (Y < 0) {
    Y1 -= Y;
    Y = 0;
  }
  CopyRect(*this, *dest, X, Y, X1, Y1, X2, Y2, false);
}
