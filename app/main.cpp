// quietorbit: plays the show, or records, benchmarks or hashes it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Zentra2/error.h"
#include "app/options.h"
#include "app/player.h"
#include "app/record.h"
#include "app/show.h"
#include "core/frame_observer.h"
#include "core/run_hooks.h"
#include "platform/data_folder.h"
#include "platform/session.h"
#ifdef __EMSCRIPTEN__
#include "web/page_bridge.h"
#endif

namespace {
// Ours, for tests: QO_QUIT_AT_FRAME=N and QO_ESCAPE_AT_FRAME=N end the run at
// the N-th frame's quit test as a window close or the Escape key would;
// QO_STATS_EVERY=N prints the heap in use and the open files every N frames.
long Number(const char* name, long unset) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtol(v, nullptr, 10) : unset;
}
}  // namespace

int main(int argc, char** argv) {
  SetRunHooks({Number("QO_QUIT_AT_FRAME", -1), Number("QO_ESCAPE_AT_FRAME", -1), Number("QO_STATS_EVERY", 0)});
  const Options options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (options.mode) {
    case RunMode::Help: std::fputs(HelpText().c_str(), stdout); return 0;
    case RunMode::Version: std::fputs(VersionText().c_str(), stdout); return 0;
    case RunMode::ListScenes: std::fputs(SceneStartList().c_str(), stdout); return 0;
    default: break;
  }
  if (!options.error.empty()) {
    std::fprintf(stderr, "quietorbit: %s\n", options.error.c_str());
    return 2;
  }
  // The log stays in the folder the user started in; then the show moves
  // into the folder holding data/, and reads "./data/..." there.
  std::error_code ec;
  const std::filesystem::path log = std::filesystem::absolute(kErrorLogName, ec);
  SetErrorLogPath(ec ? kErrorLogName : log.string());
  // Saved frames (F12) go there too.
  const std::filesystem::path startFolder = std::filesystem::current_path(ec);
  std::string message;
  if (!platform::EnterDataFolder(platform::FindOwnDataFolder(), &message)) {
    std::fputs(message.c_str(), stderr);
    if (options.mode == RunMode::Play) platform::ShowErrorBox("quiet orbit", message);
    return 1;
  }
  if (options.mode != RunMode::Play) return RunRecorded(options);
  // Ctrl+C and SIGTERM leave the show as Escape does; a second one ends it at once.
  platform::CatchQuitSignals(true);
  // The show's controls; record, benchmark and hash runs have none.
#ifdef __EMSCRIPTEN__
  PageControls controls(startFolder);
#else
  Player controls(startFolder);
#endif
  SetFrameObserver(&controls);
  const int status = RunShow(options);
  SetFrameObserver(nullptr);
  return status;
}
