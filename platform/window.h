// The window of the display and its message queue, and the display device
// that presents through SDL: one renderer (accelerated, else software) and
// one streaming texture in the frame's own pixel layout, so presenting never
// converts pixels on our side.
//
// Windowed: a fixed-size window centred on the desktop whose client area is
// the requested size (kept on the screen when larger), the frame stretched
// into it. Fullscreen: a borderless desktop-sized window whose logical size
// is the requested mode, so the picture keeps its shape with black bars and
// no real mode switch happens. Either can switch to the other at run time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/display_device.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace platform {

// Starts the windowing service and the event queue; false when there is no
// display to show anything on (VideoProblem() says why).
bool StartVideo();
std::string VideoProblem();

class Window {
public:
  // A hidden window, windowed (centred, client area `width` x `height`) or
  // fullscreen (borderless over the whole desktop). Null on failure.
  static std::shared_ptr<Window> Create(const std::string& caption, int32_t width, int32_t height, bool fullscreen);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  uint32_t Id() const { return id_; }
  SDL_Window* Sdl() const { return window_; }
  // Shows, raises and focuses the window.
  void Show();
  void Hide();
  bool SetFullscreen(bool on);
  bool IsFullscreen() const;
  // The desktop's pixel layout as a display's pixel format reports it: bits
  // per pixel (a 4-byte layout counts 32, the two-byte ones 16) and green mask.
  pixel::Layout DesktopLayout() const;
  // Rows and refresh rate of the screen the window is on.
  void ScreenTiming(uint32_t* rows, double* refreshHz) const;

private:
  Window() = default;
  SDL_Window* window_ = nullptr;
  uint32_t id_ = 0;
  int32_t clientWidth_ = 0, clientHeight_ = 0;
  bool fullscreen_ = false;  // the mode asked for, where the page owns the screen (web)
};

// Shows or hides the mouse cursor.
void ShowCursor(bool show);

// The message queue, read one message at a time.
enum class Message { None, Quit, ToggleFullscreen, Other };
// Takes at most one message. A window's close request is answered by posting
// a quit message, which a later call returns. F11 and Alt+Enter ask to switch
// between the window and desktop fullscreen.
Message TakeMessage();
void PostQuit();
// Gives the processor away until a message is waiting or `timeoutMs` have
// passed (a paused show waits here instead of spinning); true when one is
// waiting. Takes nothing from the queue.
bool WaitForMessage(int timeoutMs);

// What makes the display device of a window. The program's makes a
// WindowDevice; a test puts its own in place (UseDisplayService) to stand a
// device of its own there: a desktop of another depth, surfaces that fail.
class DisplayService {
public:
  virtual ~DisplayService() = default;
  // The device presenting a `width` x `height` screen on `window`, windowed
  // or fullscreen.
  virtual Result CreateDevice(std::shared_ptr<Window> window, int32_t width, int32_t height, bool fullscreen,
                              std::shared_ptr<DisplayDevice>* out);
};
// The service in use; null puts the program's back.
DisplayService& GetDisplayService();
void UseDisplayService(std::unique_ptr<DisplayService> service);

class WindowDevice final : public DisplayDevice {
public:
  // A renderer on `window` presenting a `width` x `height` screen. Windowed,
  // the display's format is the desktop's; fullscreen, SetDisplayMode sets it.
  static Result Create(std::shared_ptr<Window> window, int32_t width, int32_t height, bool fullscreen,
                       std::shared_ptr<WindowDevice>* out);
  ~WindowDevice() override;

  // The fullscreen mode, shown with black bars as needed.
  Result SetDisplayMode(int32_t width, int32_t height, int bpp) override;

  pixel::Layout PixelLayout() const override;
  Result StretchBlt(Surface& target, const std::shared_ptr<Surface>& src) override;
  Result Flip() override;
  Result ShowPrimary() override;
  void SetVSync(bool on) override;
  bool ToggleFullscreen() override;
  bool ShowsFullscreen() const override;
  void SetOverlay(int32_t x, int32_t y, int32_t width, int32_t height, std::vector<uint32_t> argb) override;
  Result ShowAgain() override;

  // What the renderer is: its name and whether the texture's layout is one
  // it draws without converting.
  std::string RendererName() const;
  bool TextureIsNative() const;

private:
  WindowDevice(std::shared_ptr<Window> window, int32_t depth, uint32_t rows, double hz)
      : DisplayDevice(depth, rows, hz), window_(std::move(window)) {}
  bool Upload(const Surface& frame);
  // Draws the texture and presents it; with vsync on, after the wait for the
  // last of `rows` rows of the screen.
  Result Render(int32_t rows);
  void NoteRendererSync();

  std::shared_ptr<Window> window_;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int32_t textureWidth_ = 0, textureHeight_ = 0;
  int32_t textureDepth_ = 32;
  // The overlay and where it goes, in frame pixels; null when there is none.
  SDL_Texture* overlay_ = nullptr;
  int32_t overlayX_ = 0, overlayY_ = 0, overlayWidth_ = 0, overlayHeight_ = 0;
  // The renderer's present itself waits for the retrace.
  bool rendererSyncs_ = false;
  pixel::Layout desktop_ = pixel::LayoutOf(32);
  bool fullscreenMode_ = false;
};

}  // namespace platform
