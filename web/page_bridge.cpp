// What the page's control bar reads from the running show: the show time of
// the frame on the screen (the music's clock, in milliseconds), or -1 before
// the show's clocks exist. It only reads: the page calls it between the
// program's turns.
#include <emscripten.h>

#include <cstdint>

#include "core/globals.h"

extern "C" EMSCRIPTEN_KEEPALIVE int32_t qo_show_millis() {
  return MusicTimer ? int32_t(LastFrameTime) : -1;
}
