#include "Zentra2/zentra.h"

#include "Zentra2/error.h"
#include "Zentra2/error_text.h"
#include "Zentra2/hardware_rule.h"
#include "platform/display_device.h"
#include "platform/window.h"

uint8_t DisplayDepth = 0;
bool DisplayIsFullscreen = false;

namespace {
constexpr const char* kDepthText = "Desktop color depth not supported (only 15,16,24,32bit)";
constexpr const char* kRegisterText = "Error registering window class...";
constexpr const char* kCreateWindowText = "Error creating window...";

using platform::pixel::SupportedDepth;
}  // namespace

TZentra::~TZentra() { ReleaseAll(); }

void TZentra::SetSize(int32_t width, int32_t height) {
  Width = width;
  Height = height;
  MaxX = width - 1;
  MaxY = height - 1;
  CenterX = int32_t(uint32_t(width) >> 1);
  CenterY = int32_t(uint32_t(height) >> 1);
}

void TZentra::ReleaseAll() {
  FreeDirectDraw();
  if (window_ && window_.use_count() > 1) {
    // Buffers still hold the device, and with it the window: give the
    // screen back now rather than when the last buffer goes.
    window_->SetFullscreen(false);
    window_->Hide();
  }
  window_.reset();
  platform::ShowCursor(true);
}

void TZentra::InitDirectDraw(bool fullscreen) {
  std::shared_ptr<platform::DisplayDevice> device;
  platform::Result r = platform::GetDisplayService().CreateDevice(window_, Width, Height, fullscreen, &device);
  if (r != DD_OK) ZentraError("DirectDrawCreate", DDErrorString(r));
  DirectDraw = device;
  if (fullscreen) {
    r = device->SetDisplayMode(Width, Height, BitDepth);
    if (r != DD_OK) ZentraError("SetDisplayMode", DDErrorString(r));
  }
  r = device->CreateScreenSurfaces(Width, Height);
  if (r != DD_OK) ZentraError("CreateSurface", DDErrorString(r));
  PrimarySurface = device->Primary();
  BackSurface = device->Back();
  // Only the depth and the green mask are taken from the pixel format; a
  // 16-bit layout with a 5-bit green is the 15-bit depth.
  BitDepth = uint8_t(platform::pixel::DepthOf(device->PixelLayout()));
  DisplayDepth = BitDepth;
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
// Fills a whole surface by the hardware-operation rule; true when filled.
bool FillSurface(TZentra* display, platform::Surface* surface, uint32_t color) {
  if (!surface) return false;
  if (!IssueHardwareCall([&] { return surface->ColorFill(nullptr, color); }, [&] { display->RestoreSurfaces(); }))
    return false;
  WaitForBlit(*surface);
  return true;
}
}  // namespace

void TZentra::ClearBackSurface(uint32_t color) { FillSurface(this, BackSurface.get(), color); }

void TZentra::ClearScreen(uint32_t color) {
  if (FillSurface(this, PrimarySurface.get(), color)) DirectDraw->ShowPrimary();
}

bool TZentra::ProcessMessages() {
  switch (platform::TakeMessage()) {
    case platform::Message::Quit: return false;
    case platform::Message::ToggleFullscreen: ToggleFullscreen(); return true;
    default: return true;
  }
}

bool TZentra::ToggleFullscreen() { return DirectDraw && DirectDraw->ToggleFullscreen(); }

void TZentra::ZentraError(const std::string& operation, const std::string& text) {
  ReleaseAll();
  FatalError(ComposeError("TZentra", operation, text));
}

// ---- windowed ----

TSelfZentra::TSelfZentra(int32_t width, int32_t height, const std::string& caption) {
  FreeDirectDraw();
  Caption = caption;
  if (!platform::StartVideo()) WindowError("RegisterClass", kRegisterText);
  window_ = platform::Window::Create(caption, width, height, false);
  if (!window_) WindowError("CreateWindowEx", kCreateWindowText);
  Handle = window_->Id();
  window_->Show();
  SetSize(width, height);
  Fullscreen = false;
  InitDirectDraw(false);
  if (!SupportedDepth(DisplayDepth)) WindowError("Create", kDepthText);
  BitDepth = DisplayDepth;
  ClearScreen(0);
  ClearBackSurface(0);
  DisplayIsFullscreen = Fullscreen;
}

TSelfZentra::~TSelfZentra() {
  Fullscreen = false;
  ReleaseAll();
}

void TSelfZentra::WindowError(const std::string& operation, const std::string& text) {
  ReleaseAll();
  FatalError(ComposeError("TSelfZentra", operation, text));
}

// ---- fullscreen ----

TSelfFullZentra::TSelfFullZentra(int32_t width, int32_t height, int32_t bpp, const std::string& caption) {
  FreeDirectDraw();
  Caption = caption;
  if (!platform::StartVideo()) FullWindowError("RegisterClass", kRegisterText);
  window_ = platform::Window::Create(caption, width, height, true);
  if (!window_) FullWindowError("CreateWindowEx", kCreateWindowText);
  Handle = window_->Id();
  window_->Show();
  SetSize(width, height);
  if (!SupportedDepth(bpp)) FullWindowError("Create", kDepthText);
  BitDepth = uint8_t(bpp);
  Fullscreen = true;
  InitDirectDraw(true);
  platform::ShowCursor(false);
  ClearScreen(0);
  ClearBackSurface(0);
  DisplayIsFullscreen = true;
}

TSelfFullZentra::~TSelfFullZentra() {
  ReleaseAll();
  Fullscreen = false;
  DisplayIsFullscreen = false;
}

void TSelfFullZentra::FullWindowError(const std::string& operation, const std::string& text) {
  ReleaseAll();
  FatalError(ComposeError("TSelfFullZentra", operation, text));
}

// ---- headless ----

THeadlessZentra::THeadlessZentra(int32_t width, int32_t height, uint8_t depth)
    : THeadlessZentra(platform::DisplayDevice::CreateHeadless(width, height, depth)) {}

THeadlessZentra::THeadlessZentra(std::shared_ptr<platform::DisplayDevice> device) {
  DirectDraw = std::move(device);
  PrimarySurface = DirectDraw->Primary();
  BackSurface = DirectDraw->Back();
  SetSize(PrimarySurface ? PrimarySurface->Width() : 0, PrimarySurface ? PrimarySurface->Height() : 0);
  BitDepth = uint8_t(DirectDraw->Depth());
  DisplayDepth = BitDepth;
  DisplayIsFullscreen = Fullscreen = false;
}
