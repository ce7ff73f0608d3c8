// Dialogs, priority and quit signals on a desktop system.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/session.h"

namespace platform {

namespace {
bool g_dialogsDisabled = false;
std::atomic<int> g_quitSignal{0};
std::atomic<bool> g_secondEndsAtOnce{false};

void OnQuitSignal(int sig) {
  int none = 0;
  if (!g_quitSignal.compare_exchange_strong(none, sig) && g_secondEndsAtOnce) _exit(128 + sig);
}

bool HeadlessDriver() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}
}  // namespace

bool CanShowDialogs() {
  if (g_dialogsDisabled || HeadlessDriver()) return false;
  return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

void DisableDialogs() { g_dialogsDisabled = true; }

void ApplyPriorityClass(PriorityClass cls) {
  setpriority(PRIO_PROCESS, 0, cls == PriorityClass::Realtime ? -20 : 0);
}

void CatchQuitSignals(bool secondEndsAtOnce) {
  static_assert(std::atomic<int>::is_always_lock_free, "the handler only touches a lock-free value");
  g_secondEndsAtOnce = secondEndsAtOnce;
  for (int sig : {SIGINT, SIGTERM}) {
    struct sigaction now {};
    if (sigaction(sig, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted reads, writes and waits go on: the program looks at
    // QuitSignal() where it can stop cleanly.
    action.sa_flags = SA_RESTART;
    sigaction(sig, &action, nullptr);
  }
}

int QuitSignal() { return g_quitSignal.load(); }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

bool CanStartThreads() { return true; }

}  // namespace platform
