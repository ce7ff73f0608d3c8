// The page calls these exports between the program's turns, while it waits
// in a sleep: they only read, or leave a request the show loop acts on.
#include "web/page_bridge.h"

#include <emscripten.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "core/globals.h"
#include "core/show_control.h"
#include "core/timeline.h"

namespace {
// A scene (not the loading screen) has started: the show can be jumped.
bool g_live = false;
// The show time of the frame last presented. The show's clock runs ahead of
// it while a jump plays forward to its landing without presenting.
int32_t g_shownMillis = -1;
// The player is inside a presented frame's handling while the page has a
// turn: the only wait there is a pause's.
bool g_paused = false;
}  // namespace

PageControls::PageControls(std::filesystem::path folder) : player_(std::move(folder)) {}

PageControls::~PageControls() {
  g_live = false;
  g_shownMillis = -1;
}

void PageControls::FrameStarted(const char* scene, float t) {
  g_live = scene && std::strcmp(scene, timeline::kLoading.name) != 0;
  player_.FrameStarted(scene, t);
}

void PageControls::FramePresented() {
  g_shownMillis = g_live ? int32_t(LastFrameTime) : -1;
  g_paused = true;
  player_.FramePresented();
  g_paused = false;
}

// The show time of the frame on the screen (the music's clock, in
// milliseconds), or -1 while no scene has been shown yet (the loading screen).
extern "C" EMSCRIPTEN_KEEPALIVE int32_t qo_show_millis() { return g_shownMillis; }

// Whether the show is paused (Space, the bar's button, a tap).
extern "C" EMSCRIPTEN_KEEPALIVE int qo_paused() { return g_paused ? 1 : 0; }

// Takes the show to show time `millis` (the seek bar, the chapter marks): the
// frame playing finishes, a pause ends, then the show lands there
// frame-exactly and plays on. During the loading screen there is nothing to
// jump from yet: 0, and nothing happens.
extern "C" EMSCRIPTEN_KEEPALIVE int qo_jump(int32_t millis) {
  if (!g_live) return 0;
  show::RequestJump(millis);
  return 1;
}
