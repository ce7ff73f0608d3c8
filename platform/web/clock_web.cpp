// Waits in a browser. The program's loops block; built with ASYNCIFY, a sleep
// unwinds to the browser's event loop and resumes after the timeout, so the
// page draws, plays sound and takes input while the program waits.
#include <emscripten.h>

#include "platform/clock.h"

namespace platform {

namespace {
// Longest stretch of busy work before the page gets a turn.
constexpr double kSliceMs = 50.0;
double g_lastYield = 0;
}  // namespace

void SleepMicros(int64_t micros) {
  emscripten_sleep(unsigned(micros / 1000));
  g_lastYield = emscripten_get_now();
}

void SpinPass() {
  double now = emscripten_get_now();
  if (now - g_lastYield < kSliceMs) return;
  g_lastYield = now;
  emscripten_sleep(0);
}

// The browser has no processor clock for a thread: wall time, fine-grained.
double ProcessorSeconds() { return emscripten_get_now() / 1000.0; }

}  // namespace platform
