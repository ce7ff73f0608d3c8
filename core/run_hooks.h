// Ways to steer a run from outside, for tests: end it at a chosen frame as a
// window close or the Escape key would, or print the heap in use and the open
// files every N frames, or leave the jumps out of a benchmark. The frame
// contract's quit test and the benchmark are the only readers.
#pragma once

struct RunHooks {
  long quitAtFrame = -1;    // this quit test (0: the first frame) sees the window closed
  long escapeAtFrame = -1;  // ... sees the Escape key
  long statsEvery = 0;      // every N-th quit test prints "qo-stats ..." to stderr
  bool timeJumps = true;    // a benchmark times its jumps after the show
};

void SetRunHooks(const RunHooks& hooks);
const RunHooks& CurrentRunHooks();

struct QuitTestHooks {
  bool close = false;
  bool escape = false;
};
// Counts one quit test, prints the statistics when they are due, and says
// whether the hooks turn this one into a quit.
QuitTestHooks NextQuitTest();
