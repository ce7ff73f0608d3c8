#include "Zentra2/zentra.h"

#include "Zentra2/error.h"
#include "Zentra2/error_text.h"
#include "platform/display_device.h"

uint8_t DisplayDepth = 0;
bool DisplayIsFullscreen = false;

TZentra::~TZentra() { FreeDirectDraw(); }

void TZentra::SetSize(int32_t width, int32_t height) {
  Width = width;
  Height = height;
  MaxX = width - 1;
  MaxY = height - 1;
  CenterX = int32_t(uint32_t(width) >> 1);
  CenterY = int32_t(uint32_t(height) >> 1);
}

void TZentra::FreeDirectDraw() {
  BackSurface.reset();
  PrimarySurface.reset();
  DirectDraw.reset();
}

void TZentra::RestoreSurfaces() {
  if (PrimarySurface) PrimarySurface->Restore();
  if (!Fullscreen && BackSurface) BackSurface->Restore();
}

namespace {
// Fills a surface, retrying while it is busy; a lost surface is restored and
// the fill skipped; any other failure is dropped silently.
void FillSurface(TZentra* display, platform::Surface* surface, uint32_t color) {
  if (!surface) return;
  for (;;) {
    platform::Result r = surface->ColorFill(nullptr, color);
    if (r == DD_OK) {
      while (surface->GetBltStatus() != DD_OK) {
      }
      return;
    }
    if (r == DDERR_SURFACELOST) return display->RestoreSurfaces();
    if (r != DDERR_WASSTILLDRAWING) return;
  }
}
}  // namespace

void TZentra::ClearBackSurface(uint32_t color) { FillSurface(this, BackSurface.get(), color); }

void TZentra::ClearScreen(uint32_t color) { FillSurface(this, PrimarySurface.get(), color); }

bool TZentra::ProcessMessages() { return true; }

void TZentra::ZentraError(const std::string& operation, const std::string& text) {
  // The process ends here; releasing what the display holds is all its
  // destructor would do.
  FreeDirectDraw();
  FatalError(ComposeError("TZentra", operation, text));
}

THeadlessZentra::THeadlessZentra(int32_t width, int32_t height, uint8_t depth) {
  SetSize(width, height);
  platform::PixelFormat format = depth == 15   ? platform::PixelFormat::RGB555
                                 : depth == 16 ? platform::PixelFormat::RGB565
                                 : depth == 24 ? platform::PixelFormat::BGR24
                                               : platform::PixelFormat::XRGB8888;
  DirectDraw = platform::DisplayDevice::CreateHeadless(width, height, format);
  PrimarySurface = DirectDraw->Primary();
  BackSurface = DirectDraw->Back();
  BitDepth = uint8_t(DirectDraw->Format());
  DisplayDepth = BitDepth;
  DisplayIsFullscreen = Fullscreen = false;
}
