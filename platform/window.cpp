#include "platform/window.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/session.h"

namespace platform {

namespace {

// SDL's name for the layout of a depth: its textures carry the frame's own
// bytes, so presenting never converts pixels on our side.
Uint32 SdlFormat(int32_t depth) {
  switch (depth) {
    case 15: return SDL_PIXELFORMAT_RGB555;
    case 16: return SDL_PIXELFORMAT_RGB565;
    case 24: return SDL_PIXELFORMAT_BGR24;
    default: return SDL_PIXELFORMAT_RGB888;
  }
}

// The desktop's layout as a display reports it. SDL calls a 4-byte layout
// 24 bits; a display's pixel format says 32.
pixel::Layout DesktopLayout(int displayIndex) {
  SDL_DisplayMode mode;
  Uint32 format = SDL_PIXELFORMAT_RGB888;
  if (SDL_GetDesktopDisplayMode(displayIndex < 0 ? 0 : displayIndex, &mode) == 0) format = mode.format;
  int bpp = 32;
  Uint32 r, g, b, a;
  if (!SDL_PixelFormatEnumToMasks(format, &bpp, &r, &g, &b, &a)) g = 0xFF00;
  const int bytes = SDL_BYTESPERPIXEL(format);
  return {bytes >= 3 ? uint32_t(bytes * 8) : bytes == 2 ? 16u : uint32_t(bpp), g};
}

}  // namespace

bool StartVideo() {
  // A close request must give exactly one quit message: ours.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
  // Without a screen SDL falls back to drivers that show nothing; the show
  // would play unseen. Only a run that asks for one of them gets it.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
      !(asked && std::strstr(asked, driver))) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    SDL_SetError("none found, or DISPLAY and WAYLAND_DISPLAY name none");
    return false;
  }
  // Events nobody reads would only fill the queue, which is taken one
  // message per frame.
  for (Uint32 type : {SDL_MOUSEMOTION, SDL_TEXTINPUT, SDL_TEXTEDITING, SDL_JOYAXISMOTION, SDL_JOYBALLMOTION,
                      SDL_JOYHATMOTION, SDL_CONTROLLERAXISMOTION, SDL_FINGERMOTION, SDL_SENSORUPDATE,
                      SDL_KEYMAPCHANGED})
    SDL_EventState(type, SDL_IGNORE);
  return true;
}

std::string VideoProblem() { return SDL_GetError(); }

// ---- window ----

Window::~Window() {
  if (!window_) return;
  SDL_DestroyWindow(window_);
  ShowCursor(true);
  SDL_EnableScreenSaver();
}

void Window::Show() {
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
}

void Window::Hide() { SDL_HideWindow(window_); }

pixel::Layout Window::DesktopLayout() const { return platform::DesktopLayout(SDL_GetWindowDisplayIndex(window_)); }

void Window::ScreenTiming(uint32_t* rows, double* refreshHz) const {
  SDL_DisplayMode mode;
  int display = SDL_GetWindowDisplayIndex(window_);
  *rows = 0;
  *refreshHz = 0;
  if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &mode) == 0) {
    *rows = uint32_t(mode.h > 0 ? mode.h : 0);
    *refreshHz = mode.refresh_rate;
  }
  if (*rows == 0) *rows = uint32_t(clientHeight_);
  if (*refreshHz <= 0) *refreshHz = 60.0;
}

void ShowCursor(bool show) {
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

// ---- message queue ----

Message TakeMessage() {
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return Message::None;
  // Ctrl+C or SIGTERM ends a show with a window as closing it does.
  if (QuitSignal()) return Message::Quit;
  SDL_Event event;
  // Pump, then take exactly the oldest message: a quit posted while
  // answering a close request is the very next one.
  SDL_PumpEvents();
  if (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) <= 0) return Message::None;
  if (event.type == SDL_QUIT) return Message::Quit;
  if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) PostQuit();
  if (event.type == SDL_KEYDOWN && !event.key.repeat) {
    SDL_Keycode key = event.key.keysym.sym;
    if (key == SDLK_F11 || ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && (event.key.keysym.mod & KMOD_ALT)))
      return Message::ToggleFullscreen;
  }
  return Message::Other;
}

bool WaitForMessage(int timeoutMs) {
  if (!SDL_WasInit(SDL_INIT_EVENTS)) {
    SleepMicros(int64_t(timeoutMs) * 1000);
    return false;
  }
#ifdef __EMSCRIPTEN__
  // A browser hands events over only while the program yields.
  SleepMicros(int64_t(timeoutMs) * 1000);
  SDL_PumpEvents();
  return SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE;
#else
  return SDL_WaitEventTimeout(nullptr, timeoutMs) == 1;
#endif
}

void PostQuit() {
  SDL_Event quit;
  std::memset(&quit, 0, sizeof quit);
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

// ---- device ----

Result DisplayService::CreateDevice(std::shared_ptr<Window> window, int32_t width, int32_t height, bool fullscreen,
                                    std::shared_ptr<DisplayDevice>* out) {
  std::shared_ptr<WindowDevice> device;
  const Result r = WindowDevice::Create(std::move(window), width, height, fullscreen, &device);
  *out = std::move(device);
  return r;
}

namespace {
std::unique_ptr<DisplayService>& Service() {
  static std::unique_ptr<DisplayService> service = std::make_unique<DisplayService>();
  return service;
}
}  // namespace

DisplayService& GetDisplayService() { return *Service(); }

void UseDisplayService(std::unique_ptr<DisplayService> service) {
  Service() = service ? std::move(service) : std::make_unique<DisplayService>();
}

Result WindowDevice::Create(std::shared_ptr<Window> window, int32_t width, int32_t height, bool fullscreen,
                            std::shared_ptr<WindowDevice>* out) {
  if (!window) return result::InvalidParams;
  uint32_t rows;
  double hz;
  const pixel::Layout desktop = window->DesktopLayout();
  window->ScreenTiming(&rows, &hz);
  // Windowed, the surfaces take the desktop's depth (or 32 where the desktop
  // has none of ours: the display then refuses it by its reported layout).
  const int32_t depth = pixel::SupportedDepth(pixel::DepthOf(desktop)) ? pixel::DepthOf(desktop) : 32;
  std::shared_ptr<WindowDevice> device(new WindowDevice(window, depth, rows, hz));
  device->desktop_ = desktop;
  device->fullscreenMode_ = fullscreen;
  // Fullscreen presents always wait for the retrace; windowed ones when asked.
  Uint32 vsync = fullscreen ? SDL_RENDERER_PRESENTVSYNC : 0;
  device->vsync_ = fullscreen;
  device->renderer_ = SDL_CreateRenderer(window->Sdl(), -1, SDL_RENDERER_ACCELERATED | vsync);
  if (!device->renderer_) device->renderer_ = SDL_CreateRenderer(window->Sdl(), -1, SDL_RENDERER_SOFTWARE);
  if (!device->renderer_) return result::NoDisplayHardware;
  device->NoteRendererSync();
  if (SDL_RenderSetLogicalSize(device->renderer_, width > 0 ? width : 1, height > 0 ? height : 1) != 0)
    return result::InvalidMode;

  // A fatal error must leave a normal desktop behind even while buffers
  // still hold the device.
  std::weak_ptr<Window> weak = window;
  SetDesktopRestorer([weak] {
    if (auto w = weak.lock()) w->SetFullscreen(false);
    ShowCursor(true);
  });
  *out = std::move(device);
  return result::Ok;
}

WindowDevice::~WindowDevice() {
  if (overlay_) SDL_DestroyTexture(overlay_);
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
}

Result WindowDevice::SetDisplayMode(int32_t width, int32_t height, int bpp) {
  if (Result r = DisplayDevice::SetDisplayMode(width, height, bpp); r != result::Ok) return r;
  if (SDL_RenderSetLogicalSize(renderer_, width, height) != 0) return result::InvalidMode;
  if (!window_->IsFullscreen() && !window_->SetFullscreen(true)) return result::InvalidMode;
  return result::Ok;
}

pixel::Layout WindowDevice::PixelLayout() const {
  return fullscreenMode_ ? DisplayDevice::PixelLayout() : desktop_;
}

bool WindowDevice::Upload(const Surface& frame) {
  if (!texture_ || textureWidth_ != frame.Width() || textureHeight_ != frame.Height() ||
      textureDepth_ != frame.Depth()) {
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, SdlFormat(frame.Depth()), SDL_TEXTUREACCESS_STREAMING, frame.Width(),
                                 frame.Height());
    if (!texture_) return false;
    textureWidth_ = frame.Width();
    textureHeight_ = frame.Height();
    textureDepth_ = frame.Depth();
  }
  // A streaming texture in the frame's own layout: the rows are copied as
  // they are.
  void* pixels;
  int pitch;
  if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return false;
  size_t rowBytes = size_t(frame.Width()) * size_t(pixel::BytesOfDepth(frame.Depth()));
  if (pitch == frame.Pitch()) {
    std::memcpy(pixels, frame.Bits(), size_t(pitch) * size_t(frame.Height()));
  } else {
    for (int32_t y = 0; y < frame.Height(); ++y)
      std::memcpy(static_cast<uint8_t*>(pixels) + size_t(y) * size_t(pitch),
                  frame.Bits() + size_t(y) * size_t(frame.Pitch()), rowBytes);
  }
  SDL_UnlockTexture(texture_);
  return true;
}

Result WindowDevice::Render(int32_t rows) {
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (texture_) SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  if (texture_ && overlay_) {
    // The overlay's place in frame pixels, stretched as the frame is.
    int lw = 0, lh = 0;
    SDL_RenderGetLogicalSize(renderer_, &lw, &lh);
    if (lw <= 0 || lh <= 0) SDL_GetRendererOutputSize(renderer_, &lw, &lh);
    auto scale = [](int32_t v, int size, int32_t frame) { return int(int64_t(v) * size / frame); };
    const SDL_Rect place{scale(overlayX_, lw, textureWidth_), scale(overlayY_, lh, textureHeight_),
                         scale(overlayWidth_, lw, textureWidth_), scale(overlayHeight_, lh, textureHeight_)};
    SDL_RenderCopy(renderer_, overlay_, nullptr, &place);
  }
  // One wait for the retrace: the renderer's own, or else the beam model's.
  if (vsync_ && !rendererSyncs_) WaitForLastRow(rows);
  SDL_RenderPresent(renderer_);
  if (vsync_ && rendererSyncs_) NoteRetrace();
  return result::Ok;
}

Result WindowDevice::StretchBlt(Surface& target, const std::shared_ptr<Surface>& src) {
  if (!src || src->Depth() != target.Depth()) return result::InvalidParams;
  if (!Upload(*src)) return result::Generic;
  if (&target != primary_.get()) {
    pending_ = src;
    return result::Ok;
  }
  Render(src->Height());
  NotifyPresented(src);
  return result::Ok;
}

Result WindowDevice::Flip() {
  // The page flip waits for the retrace: the screen's last row.
  SetVSync(true);
  Render(int32_t(ScreenRows()));
  if (auto frame = pending_.lock()) NotifyPresented(frame);
  pending_.reset();
  return result::Ok;
}

Result WindowDevice::ShowPrimary() {
  if (!primary_ || !Upload(*primary_)) return result::Generic;
  return Render(primary_->Height());
}

void WindowDevice::SetOverlay(int32_t x, int32_t y, int32_t width, int32_t height, std::vector<uint32_t> argb) {
  if (overlay_) SDL_DestroyTexture(overlay_);
  overlay_ = nullptr;
  if (width <= 0 || height <= 0 || argb.size() < size_t(width) * size_t(height)) return;
  overlay_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
  if (!overlay_) return;
  SDL_SetTextureBlendMode(overlay_, SDL_BLENDMODE_BLEND);
  SDL_UpdateTexture(overlay_, nullptr, argb.data(), width * 4);
  overlayX_ = x;
  overlayY_ = y;
  overlayWidth_ = width;
  overlayHeight_ = height;
}

Result WindowDevice::ShowAgain() {
  if (!texture_) return result::Generic;
  return Render(textureHeight_);
}

void WindowDevice::SetVSync(bool on) {
  if (on == vsync_) return;
  vsync_ = on;
  SDL_RenderSetVSync(renderer_, on ? 1 : 0);
  NoteRendererSync();
}

void WindowDevice::NoteRendererSync() {
  SDL_RendererInfo info{};
  rendererSyncs_ = vsync_ && SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC);
}

bool WindowDevice::ToggleFullscreen() {
  bool full = !window_->IsFullscreen();
  if (!window_->SetFullscreen(full)) return false;
  ShowCursor(!full);
  return true;
}

bool WindowDevice::ShowsFullscreen() const { return window_->IsFullscreen(); }

std::string WindowDevice::RendererName() const {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer_, &info) != 0) return "?";
  return info.name;
}

bool WindowDevice::TextureIsNative() const {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer_, &info) != 0) return false;
  for (Uint32 i = 0; i < info.num_texture_formats; ++i)
    if (info.texture_formats[i] == SdlFormat(textureDepth_)) return true;
  return false;
}

}  // namespace platform
