// Dialogs and priority in a browser: a page can always show an alert (SDL
// uses one), and a page has no process priority.
#include "platform/session.h"

namespace platform {

namespace {
bool g_dialogsDisabled = false;
}  // namespace

bool CanShowDialogs() { return !g_dialogsDisabled; }

void DisableDialogs() { g_dialogsDisabled = true; }

void ApplyPriorityClass(PriorityClass) {}

}  // namespace platform
