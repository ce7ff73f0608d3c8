// Waits and processor time on a desktop system.
#include <time.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace platform {

void SleepMicros(int64_t micros) { std::this_thread::sleep_for(std::chrono::microseconds(micros)); }

void SpinPass() {}

double ProcessorSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

}  // namespace platform
