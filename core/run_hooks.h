// Ways to steer a run from outside, for tests: end it at a chosen frame as a
// window close or the Escape key would, or print the heap in use and the open
// files every N frames. The frame contract's quit test is the only reader.
#pragma once

struct RunHooks {
  long quitAtFrame = -1;    // this quit test (0: the first frame) sees the window closed
  long escapeAtFrame = -1;  // ... sees the Escape key
  long statsEvery = 0;      // every N-th quit test prints "qo-stats ..." to stderr
};

void SetRunHooks(const RunHooks& hooks);

struct QuitTestHooks {
  bool close = false;
  bool escape = false;
};
// Counts one quit test, prints the statistics when they are due, and says
// whether the hooks turn this one into a quit.
QuitTestHooks NextQuitTest();
