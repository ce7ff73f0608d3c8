// Dialogs, priority, signals and threads in a browser: a page can always show an
// alert (SDL uses one); it has no process priority and, without cross-origin
// isolation, no threads.
#include "platform/session.h"

namespace platform {

namespace {
bool g_dialogsDisabled = false;
}  // namespace

bool CanShowDialogs() { return !g_dialogsDisabled; }

void DisableDialogs() { g_dialogsDisabled = true; }

void ApplyPriorityClass(PriorityClass) {}

// A page has no signals: it ends the program by closing.
void CatchQuitSignals(bool) {}
int QuitSignal() { return 0; }

bool StderrIsTerminal() { return false; }

bool CanStartThreads() { return false; }

}  // namespace platform
