#include "watch.h"

#include <cstdlib>
#include <sstream>

namespace qo_rel {

ChildResult RunWatched(const fs::path& dir, const std::vector<std::string>& args,
                       const std::vector<std::string>& env) {
  // A finding ends the child with a code of its own, not the program's 1 or 69.
  std::vector<std::string> all = {"ASAN_OPTIONS=halt_on_error=1:exitcode=86:detect_leaks=1:abort_on_error=0",
                                  "UBSAN_OPTIONS=halt_on_error=1:exitcode=86:print_stacktrace=1",
                                  "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
  all.insert(all.end(), env.begin(), env.end());
  return RunChild(dir, args, all);
}

std::string SanitizerReport(const ChildResult& r) {
  for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                           "WARNING: AddressSanitizer", "ERROR: UndefinedBehaviorSanitizer"}) {
    size_t at = r.err.find(mark);
    if (at != std::string::npos) return r.err.substr(at, 4000);
  }
  if (r.code == 86) return "exit code 86 (sanitizer finding):\n" + r.err.substr(0, 4000);
  return "";
}

std::string SkipReason() {
  const char* wanted = std::getenv("QO_RELIABILITY");
#ifndef QO_SANITIZED
  if (!wanted || std::string(wanted) != "1") return "runs in the sanitizer build (scripts/sanitize.sh) or with QO_RELIABILITY=1";
#else
  (void)wanted;
#endif
  if (GeneratedData().empty()) return "no generated data tree (run ./setup.sh build)";
  return "";
}

std::vector<std::pair<std::string, long>> SceneFrames(const std::string& benchmarkOut) {
  std::vector<std::pair<std::string, long>> scenes;
  std::istringstream in(benchmarkOut);
  std::string line;
  while (std::getline(in, line)) {
    // The jump times follow the scenes' table.
    if (line.rfind("jumps", 0) == 0) break;
    std::istringstream fields(line);
    std::string name;
    long frames = 0;
    double median = 0;
    if (fields >> name >> frames >> median && name != "scene" && name.back() != ':') scenes.emplace_back(name, frames);
  }
  return scenes;
}

}  // namespace qo_rel
