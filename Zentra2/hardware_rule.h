// The rule every hardware operation follows (fills, copies, presenting): a
// busy surface is asked again without limit, a lost one is restored and the
// operation's effect dropped for this call, any other failure is dropped
// silently. Written once here; each caller says what it issues and what a
// lost surface restores.
#pragma once

#include "Zentra2/error_text.h"
#include "platform/surface.h"

// Issues `call` until the surface is no longer busy; true when it succeeded.
template <class Call, class Restore>
bool IssueHardwareCall(Call&& call, Restore&& restore) {
  for (;;) {
    const platform::Result r = call();
    if (r == DD_OK) return true;
    if (r == DDERR_WASSTILLDRAWING) continue;
    if (r == DDERR_SURFACELOST) restore();
    return false;
  }
}

// Polls the surface until the blit it was given is done.
inline void WaitForBlit(platform::Surface& surface) {
  while (surface.GetBltStatus() != DD_OK) {
  }
}
