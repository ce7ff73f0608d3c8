#include "platform/session.h"

#include <SDL.h>

namespace platform {

namespace {
std::function<void(const std::string&, const std::string&)> g_errorBoxHook;
std::function<void(PriorityClass)> g_priorityHook;

std::function<void()>& Restorer() {
  static std::function<void()> restorer;
  return restorer;
}
}  // namespace

void SetErrorBoxHook(std::function<void(const std::string&, const std::string&)> hook) {
  g_errorBoxHook = std::move(hook);
}

void ShowErrorBox(const std::string& title, const std::string& text) {
  if (g_errorBoxHook) return g_errorBoxHook(title, text);
  if (!CanShowDialogs()) return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
}

void SetPriorityHook(std::function<void(PriorityClass)> hook) { g_priorityHook = std::move(hook); }

void SetPriorityClass(PriorityClass cls) {
  if (g_priorityHook) return g_priorityHook(cls);
  ApplyPriorityClass(cls);
}

void SetDesktopRestorer(std::function<void()> restorer) { Restorer() = std::move(restorer); }

void RestoreDesktop() {
  // Take it out first: a restorer that fails fatally must not run twice.
  auto restorer = std::move(Restorer());
  Restorer() = nullptr;
  if (restorer) restorer();
}

}  // namespace platform
