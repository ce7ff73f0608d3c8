// The window on a desktop: centred at its client size, or covering the
// screen as desktop fullscreen.
#include <SDL.h>

#include "platform/window.h"

namespace platform {

std::shared_ptr<Window> Window::Create(const std::string& caption, int32_t width, int32_t height, bool fullscreen) {
  std::shared_ptr<Window> w(new Window());
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
  int x = int(SDL_WINDOWPOS_CENTERED_DISPLAY(0)), y = x;
  int cw = width > 0 ? width : 1, ch = height > 0 ? height : 1;
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 && usable.h > 0) {
    // A client area larger than the screen is kept on the screen (the
    // picture then keeps its shape inside it).
    if (cw > usable.w) cw = usable.w;
    if (ch > usable.h) ch = usable.h;
  }
  w->clientWidth_ = cw;
  w->clientHeight_ = ch;
  if (fullscreen) {
    // Already covering the screen, so that it does so even where no window
    // manager acts on the fullscreen request.
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
    SDL_Rect screen;
    if (SDL_GetDisplayBounds(0, &screen) == 0) x = screen.x, y = screen.y, cw = screen.w, ch = screen.h;
  }
  w->window_ = SDL_CreateWindow(caption.c_str(), x, y, cw, ch, flags);
  if (!w->window_) return nullptr;
  w->id_ = SDL_GetWindowID(w->window_);
  SDL_DisableScreenSaver();
  return w;
}

bool Window::SetFullscreen(bool on) {
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0) display = 0;
  SDL_Rect screen;
  if (on && SDL_GetDisplayBounds(display, &screen) == 0) {
    // Cover the screen first, for desktops without a window manager.
    SDL_SetWindowBordered(window_, SDL_FALSE);
    SDL_SetWindowPosition(window_, screen.x, screen.y);
    SDL_SetWindowSize(window_, screen.w, screen.h);
  }
  if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return false;
  if (!on) {
    SDL_SetWindowBordered(window_, SDL_TRUE);
    SDL_SetWindowSize(window_, clientWidth_, clientHeight_);
    int pos = int(SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    SDL_SetWindowPosition(window_, pos, pos);
  }
  return true;
}

bool Window::IsFullscreen() const {
  return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
}

}  // namespace platform
