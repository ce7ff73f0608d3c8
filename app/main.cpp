// quietorbit: plays the show, or records or benchmarks it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Zentra2/error.h"
#include "app/options.h"
#include "app/record.h"
#include "app/show.h"
#include "core/globals.h"
#include "core/run_hooks.h"
#include "platform/data_folder.h"

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
  std::vector<std::string> args(argv + 1, argv + argc);
  ExtraOptions extra = ParseExtraOptions(args);
  if (extra.help) {
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }
  if (extra.version) {
    std::fputs(VersionText().c_str(), stdout);
    return 0;
  }
  if (!extra.error.empty()) {
    std::fprintf(stderr, "quietorbit: %s\n", extra.error.c_str());
    return 2;
  }
  if (extra.listScenes) {
    std::fputs(SceneStartList().c_str(), stdout);
    return 0;
  }
  Gentle = extra.gentle;
  // What the user names is taken from the folder they started in; then the
  // show moves into the folder holding data/, and reads "./data/..." there.
  auto fromHere = [](const std::string& path) {
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(path, ec).string();
    return ec ? path : absolute;
  };
  if (extra.record) extra.recordOut = fromHere(extra.recordOut);
  SetErrorLogPath(fromHere(kErrorLogName));
  std::string message;
  if (!platform::EnterDataFolder(platform::FindOwnDataFolder(), &message)) {
    std::fputs(message.c_str(), stderr);
    return 1;
  }
  if (extra.record || extra.benchmark || extra.hashes) {
    RecordOptions options;
    options.out = extra.recordOut;
    options.hashes = extra.hashes && !extra.record;
    options.benchmark = extra.benchmark && !extra.record && !options.hashes;
    options.json = extra.json;
    options.fromSeconds = extra.fromSeconds;
    options.toSeconds = extra.toSeconds;
    options.start = extra.start;
    if (extra.recordScale > 0) options.layout = LayoutForScale(RenderWidth, RenderHeight, extra.recordScale);
    if (extra.recordWidth > 0) options.layout = LayoutForSize(RenderWidth, RenderHeight, extra.recordWidth, extra.recordHeight);
    if (options.layout && options.out.ends_with(".mp4") &&
        (options.layout->width % 2 != 0 || options.layout->height % 2 != 0)) {
      std::fprintf(stderr, "quietorbit: .mp4 needs an even width and height\n");
      return 2;
    }
    if (!extra.frames.empty() && !ParseFrameList(extra.frames, &options.frames)) {
      std::fprintf(stderr, "quietorbit: --frames needs a list such as 0,500,1000-1010\n");
      return 2;
    }
    return RunRecorded(options, args);
  }
  return RunShow(args, extra.start);
}
