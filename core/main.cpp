// quietorbit: plays the show, or records or benchmarks it.
#include <cstdio>
#include <string>
#include <vector>

#include "core/options.h"
#include "core/record.h"
#include "core/show.h"

int main(int argc, char** argv) {
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
  if (extra.record || extra.benchmark) {
    RecordOptions options;
    options.out = extra.recordOut;
    options.benchmark = extra.benchmark && !extra.record;
    options.json = extra.json;
    options.fromSeconds = extra.fromSeconds;
    options.toSeconds = extra.toSeconds;
    if (!extra.frames.empty() && !ParseFrameList(extra.frames, &options.frames)) {
      std::fprintf(stderr, "quietorbit: --frames needs a list such as 0,500,1000-1010\n");
      return 2;
    }
    return RunRecorded(options, args);
  }
  return RunShow(args);
}
