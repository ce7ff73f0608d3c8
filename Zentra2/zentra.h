// The display device of the framework and its window classes.
//
// TZentra owns the display service's device, its primary and back surfaces
// and the window; it decides the pixel depth every buffer follows. The
// program makes one of the window classes (TSelfZentra in a window,
// TSelfFullZentra fullscreen); THeadlessZentra has no window at all and
// serves tests, benchmarks and the record mode.
//
// Every failure while a display is made is fatal: the class's error routine
// frees the display and ends the program with "[Class]Operation -> Text".
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class DisplayDevice;
class Surface;
class Window;
}  // namespace platform

// Depth every buffer follows (15, 16, 24 or 32), found when the display is made.
extern uint8_t DisplayDepth;
// True once a fullscreen display has been completed; read by the error path.
extern bool DisplayIsFullscreen;

class TZentra {
public:
  virtual ~TZentra();
  TZentra(const TZentra&) = delete;
  TZentra& operator=(const TZentra&) = delete;

  // Makes the device on the window, its surfaces, and finds BitDepth (the
  // desktop's in a window, the mode's in fullscreen).
  void InitDirectDraw(bool fullscreen);
  // Releases the surfaces and the device; a second call does nothing.
  void FreeDirectDraw();
  void RestoreSurfaces();
  void ClearBackSurface(uint32_t color);
  void ClearScreen(uint32_t color);
  // Takes at most one message from the queue: false for a quit request
  // (which is what closing the window turns into).
  bool ProcessMessages();
  // Switches the window between windowed and desktop fullscreen without
  // touching the buffers; false when there is no window.
  bool ToggleFullscreen();
  [[noreturn]] void ZentraError(const std::string& operation, const std::string& text);

  uint32_t Handle = 0;  // window id; 0 without a window
  int32_t Width = 0, Height = 0;
  int32_t CenterX = 0, CenterY = 0;
  int32_t MaxX = 0, MaxY = 0;
  uint8_t BitDepth = 0;
  std::shared_ptr<platform::DisplayDevice> DirectDraw;
  std::shared_ptr<platform::Surface> PrimarySurface;
  std::shared_ptr<platform::Surface> BackSurface;
  bool Fullscreen = false;

protected:
  TZentra() = default;
  void SetSize(int32_t width, int32_t height);
  // Frees everything the display holds: device, window, hidden cursor.
  void ReleaseAll();
  std::shared_ptr<platform::Window> window_;
};

// A fixed-size window, centred, whose client area is `width` x `height`, in
// the desktop's depth.
class TSelfZentra : public TZentra {
public:
  TSelfZentra(int32_t width, int32_t height, const std::string& caption);
  ~TSelfZentra() override;
  [[noreturn]] void WindowError(const std::string& operation, const std::string& text);

  std::string Caption;
};

// The whole desktop showing a `width` x `height` mode at `bpp` bits per
// pixel, with black bars where the shapes differ; the cursor is hidden.
class TSelfFullZentra : public TZentra {
public:
  TSelfFullZentra(int32_t width, int32_t height, int32_t bpp, const std::string& caption);
  ~TSelfFullZentra() override;
  [[noreturn]] void FullWindowError(const std::string& operation, const std::string& text);

  std::string Caption;
};

// A display without a window, `width` x `height` at `depth` bits per pixel,
// or on a device made elsewhere (its screen surfaces made).
class THeadlessZentra : public TZentra {
public:
  THeadlessZentra(int32_t width, int32_t height, uint8_t depth);
  explicit THeadlessZentra(std::shared_ptr<platform::DisplayDevice> device);
};
