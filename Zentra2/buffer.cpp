#include "Zentra2/buffer.h"

#include <cmath>

#include "Zentra2/error.h"
#include "Zentra2/error_text.h"
#include "Zentra2/hardware_rule.h"
#include "Zentra2/zentra.h"
#include "platform/display_device.h"
#include "platform/session.h"
#include "platform/surface.h"

static_assert(platform::result::SurfaceLost == DDERR_SURFACELOST);
static_assert(platform::result::WasStillDrawing == DDERR_WASSTILLDRAWING);
static_assert(platform::result::InvalidRect == DDERR_INVALIDRECT);
static_assert(platform::result::OutOfMemory == DDERR_OUTOFMEMORY);
static_assert(platform::result::InvalidMode == DDERR_INVALIDMODE);
static_assert(platform::result::NotLocked == DDERR_NOTLOCKED);

TBuffer64::TBuffer64(TZentra* display, int32_t width, int32_t height, bool videoMemory) : display_(display) {
  if (display) {
    Handle = display->Handle;
    DisplayWidth = display->Width;
    DisplayHeight = display->Height;
    BitDepth = display->BitDepth;
    DirectDraw = display->DirectDraw;
    PrimarySurface = display->PrimarySurface;
    BackSurface = display->BackSurface;
    Fullscreen = display->Fullscreen;
  }
  VideoMemory = videoMemory;
  CreateSurface(width, height, videoMemory);
  LockSurface();
  UnlockSurface();
  Clear(0);
}

TBuffer64::~TBuffer64() {
  ReleaseSurface();
  DirectDraw.reset();
  PrimarySurface.reset();
  BackSurface.reset();
}

void TBuffer64::CreateSurface(int32_t width, int32_t height, bool videoMemory) {
  if (!DirectDraw) BufferError("CreateSurface", DDErrorString(DDERR_NOTINITIALIZED));
  platform::Result r = DirectDraw->CreateSurface(width, height, videoMemory, &Surface);
  if (r != DD_OK) r = DirectDraw->CreateSurface(width, height, false, &Surface);
  if (r != DD_OK) BufferError("CreateSurface", DDErrorString(r));
}

void TBuffer64::ReleaseSurface() { Surface.reset(); }

void TBuffer64::RestoreSurfaces() {
  if (Surface) Surface->Restore();
  if (PrimarySurface) PrimarySurface->Restore();
  if (!Fullscreen && BackSurface) BackSurface->Restore();
}

void TBuffer64::LockSurface() {
  platform::SurfaceDesc desc;
  platform::Result r = Surface ? Surface->Lock(&desc) : DDERR_NOTINITIALIZED;
  if (r != DD_OK) BufferError("Lock", DDErrorString(r));
  Bits = desc.bits;
  Width = desc.width;
  Height = desc.height;
  MaxX = Width - 1;
  MaxY = Height - 1;
  CenterX = int32_t(uint32_t(Width) >> 1);
  CenterY = int32_t(uint32_t(Height) >> 1);
  Pitch = desc.pitch;
  BytesPerPixel = uint8_t(Pitch / Width);
  BitsPerPixel = uint8_t(8 * BytesPerPixel);
  Rows.resize(size_t(Height));
  for (int32_t y = 0; y < Height; ++y) Rows[size_t(y)] = Bits + size_t(y) * size_t(Pitch);
  EdgeTable.assign(size_t(Height) * 12, 0);
}

void TBuffer64::UnlockSurface() {
  platform::Result r = Surface ? Surface->Unlock() : DDERR_NOTINITIALIZED;
  if (r != DD_OK) BufferError("UnLock", DDErrorString(r));
}

void TBuffer64::HardwareFill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color) {
  if (!Surface) return;
  const platform::Rect rect{x1, y1, x2, y2};
  if (IssueHardwareCall([&] { return Surface->ColorFill(&rect, color); }, [&] { RestoreSurfaces(); }))
    WaitForBlit(*Surface);
}

void TBuffer64::Clear(uint32_t color) { HardwareFill(0, 0, Width, Height, color); }

void TBuffer64::BufferError(const std::string& operation, const std::string& text) {
  // The process ends here: releasing the surface is all the destructor would do.
  ReleaseSurface();
  platform::RestoreDesktop();
  FatalError(ComposeError("TBuffer64", operation, text));
}

// ---- colours ----

uint32_t MakeColor(uint8_t r, uint8_t g, uint8_t b) {
  uint32_t pixel = 0;
  platform::pixel::WithDepth(DisplayDepth, [&](auto px) { pixel = decltype(px)::Pack(r, g, b); });
  return pixel;
}

// Other depths leave the outputs as they are.
void SplitColor(uint32_t p, uint8_t& r, uint8_t& g, uint8_t& b) {
  platform::pixel::WithDepth(DisplayDepth, [&](auto px) {
    const platform::pixel::RGB c = decltype(px)::Split(p);
    r = uint8_t(c.r), g = uint8_t(c.g), b = uint8_t(c.b);
  });
}

uint8_t ColorComponent(float value) {
  // Nearest integer, ties to even; large values saturate, negative ones are
  // mirrored rather than clamped.
  float rounded = std::nearbyint(value);
  int64_t v;
  if (rounded > 255.0f) v = 255;
  else if (rounded < 0.0f) v = rounded < -1.0e9f ? 1000000000 : -int64_t(rounded);
  else v = int64_t(rounded);
  // The 5-bit blend kernels drop the low three bits of the opacity; +4 rounds
  // it to the nearest of their 32 steps. Saturating, so that full opacity
  // stays full instead of wrapping round to almost nothing.
  if (DisplayDepth == 15 || DisplayDepth == 16) return uint8_t(v + 4 > 255 ? 255 : v + 4);
  return uint8_t(v % 256);
}
