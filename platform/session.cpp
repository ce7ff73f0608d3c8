#include "platform/session.h"

#include <SDL.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {
bool g_dialogsDisabled = false;
std::function<void(const std::string&, const std::string&)> g_errorBoxHook;

std::function<void()>& Restorer() {
  static std::function<void()> restorer;
  return restorer;
}

bool HeadlessDriver() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}
}  // namespace

bool CanShowDialogs() {
  if (g_dialogsDisabled || HeadlessDriver()) return false;
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return false;
  return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}

void DisableDialogs() { g_dialogsDisabled = true; }

void SetErrorBoxHook(std::function<void(const std::string&, const std::string&)> hook) {
  g_errorBoxHook = std::move(hook);
}

void ShowErrorBox(const std::string& title, const std::string& text) {
  if (g_errorBoxHook) return g_errorBoxHook(title, text);
  if (!CanShowDialogs()) return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
}

void SetDesktopRestorer(std::function<void()> restorer) { Restorer() = std::move(restorer); }

void RestoreDesktop() {
  // Take it out first: a restorer that fails fatally must not run twice.
  auto restorer = std::move(Restorer());
  Restorer() = nullptr;
  if (restorer) restorer();
}

void SetPriorityClass(PriorityClass cls) {
  setpriority(PRIO_PROCESS, 0, cls == PriorityClass::Realtime ? -20 : 0);
}

}  // namespace platform
