// The real clock's busy wait: how far past its deadline a wait returns, and
// how much processor time it uses while waiting. Figures, not pass/fail: a
// loaded machine overshoots more.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "platform/clock.h"

namespace {

void BM_RealClockWait(benchmark::State& state) {
  platform::RealClock clock;
  const int64_t wait = state.range(0);
  int64_t worst = 0, total = 0, passes = 0, waits = 0;
  for (auto _ : state) {
    const int64_t deadline = clock.Micros() + wait;
    while (clock.Micros() < deadline) {
      clock.WaitTowards(deadline);
      ++passes;
    }
    const int64_t over = clock.Micros() - deadline;
    worst = std::max(worst, over);
    total += over;
    ++waits;
  }
  state.counters["overshoot_us"] = double(total) / double(waits);
  state.counters["worst_overshoot_us"] = double(worst);
  state.counters["passes_per_wait"] = double(passes) / double(waits);
}
// 1 ms (spin only), 5 ms and one 20 ms frame.
BENCHMARK(BM_RealClockWait)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(100);

}  // namespace

BENCHMARK_MAIN();
