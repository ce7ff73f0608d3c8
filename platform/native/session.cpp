// Dialogs and priority on a desktop system.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/session.h"

namespace platform {

namespace {
bool g_dialogsDisabled = false;

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

void ApplyPriorityClass(PriorityClass cls) {
  setpriority(PRIO_PROCESS, 0, cls == PriorityClass::Realtime ? -20 : 0);
}

bool CanStartThreads() { return true; }

}  // namespace platform
