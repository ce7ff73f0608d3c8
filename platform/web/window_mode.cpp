// The window in a browser is the page's canvas, always at its client size.
// Fullscreen is the page's business (its button, F11, Alt+Enter): the program
// only remembers which mode it asked for, so its fullscreen path (the chosen
// depth, the mode checks) works as on a desktop.
#include <SDL.h>

#include "platform/window.h"

namespace platform {

std::shared_ptr<Window> Window::Create(const std::string& caption, int32_t width, int32_t height, bool fullscreen) {
  std::shared_ptr<Window> w(new Window());
  w->clientWidth_ = width > 0 ? width : 1;
  w->clientHeight_ = height > 0 ? height : 1;
  w->fullscreen_ = fullscreen;
  w->window_ = SDL_CreateWindow(caption.c_str(), 0, 0, w->clientWidth_, w->clientHeight_, SDL_WINDOW_HIDDEN);
  if (!w->window_) return nullptr;
  w->id_ = SDL_GetWindowID(w->window_);
  return w;
}

bool Window::SetFullscreen(bool on) {
  fullscreen_ = on;
  return true;
}

bool Window::IsFullscreen() const { return fullscreen_; }

}  // namespace platform
