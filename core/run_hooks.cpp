#include "core/run_hooks.h"

#include <cstdio>
#include <string>

#include "platform/diagnostics.h"

namespace {
RunHooks g_hooks;
long g_frame = -1;

//   qo-stats frame=F heap=BYTES fds=K files=/path/a|/path/b
void PrintStats(long frame) {
  const size_t heap = platform::HeapInUse();
  const platform::OpenFiles open = platform::ListOpenFiles();
  std::string files;
  for (const std::string& path : open.paths) files += (files.empty() ? "" : "|") + path;
  std::fprintf(stderr, "qo-stats frame=%ld heap=%zu fds=%d files=%s\n", frame, heap, open.handles, files.c_str());
}
}  // namespace

void SetRunHooks(const RunHooks& hooks) { g_hooks = hooks; }

QuitTestHooks NextQuitTest() {
  ++g_frame;
  if (g_hooks.statsEvery > 0 && g_frame % g_hooks.statsEvery == 0) PrintStats(g_frame);
  return {g_frame == g_hooks.quitAtFrame, g_frame == g_hooks.escapeAtFrame};
}
