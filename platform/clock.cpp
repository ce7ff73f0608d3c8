#include "platform/clock.h"

#include <chrono>

namespace platform {

int64_t Clock::MicrosAtMillis(uint32_t ms) {
  // Signed difference so that a target just past a wrap is still ahead.
  int32_t ahead = int32_t(ms - Millis());
  return Micros() + int64_t(ahead) * 1000;
}

namespace {
int64_t SteadyMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

RealClock::RealClock() : origin_(SteadyMicros()) {}

int64_t RealClock::Micros() { return heldAt_ >= 0 ? heldAt_ : SteadyMicros() - origin_; }

void RealClock::Hold() {
  if (heldAt_ < 0) heldAt_ = Micros();
}

void RealClock::Release() {
  if (heldAt_ < 0) return;
  origin_ = SteadyMicros() - heldAt_;
  heldAt_ = -1;
}

uint32_t RealClock::Millis() { return uint32_t(Micros() / 1000); }

void RealClock::Sleep(uint32_t ms) { SleepMicros(int64_t(ms) * 1000); }

void RealClock::WaitTowards(int64_t deadline) {
  // Sleeping has about a millisecond of jitter: sleep until a millisecond
  // before the deadline and let the caller spin the rest, so the timing is
  // that of a pure busy wait without burning a core.
  int64_t left = deadline - Micros();
  if (left > 1500) SleepMicros(left - 1000);
  else SpinPass();
}

uint32_t VirtualClock::Millis() { return millisBase_ + uint32_t(now_ / 1000); }

void VirtualClock::Advance(int64_t micros) {
  if (micros <= 0) return;
  int64_t from = now_;
  now_ += micros;
  if (listener_) listener_(from, now_);
}

void VirtualClock::WaitTowards(int64_t deadline) {
  Advance(deadline > now_ ? deadline - now_ : 1);
  SpinPass();
}

namespace {
std::unique_ptr<Clock>& Current() {
  static std::unique_ptr<Clock> clock = std::make_unique<RealClock>();
  return clock;
}
}  // namespace

Clock& GetClock() { return *Current(); }

void UseClock(std::unique_ptr<Clock> clock) { Current() = std::move(clock); }

std::unique_ptr<Clock> SwapClock(std::unique_ptr<Clock> clock) {
  std::swap(Current(), clock);
  return clock;
}

}  // namespace platform
