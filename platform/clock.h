// The one source of time of the program.
//
// Two counters stand in for the platform's: a microsecond counter (the
// high-resolution performance counter) and a 32-bit millisecond counter (the
// system timer, which wraps). Both read the same underlying time, so
// Millis() == MillisBase + Micros() / 1000 at every instant.
//
// The real clock follows the wall clock. The virtual clock never really waits:
// time moves only through Sleep() and WaitTowards(), so a run against it is
// exactly reproducible (record and benchmark modes, tests).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class Clock {
public:
  virtual ~Clock() = default;
  virtual int64_t Micros() = 0;
  virtual uint32_t Millis() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // One pass of a busy wait whose condition is expected to hold once Micros()
  // reaches `deadline`. The real clock sleeps while the deadline is more than
  // about a millisecond away and otherwise returns at once (the caller spins);
  // the virtual clock jumps to the deadline, or one microsecond on when it is
  // already there and the caller's condition still does not hold.
  virtual void WaitTowards(int64_t deadline) = 0;
  virtual bool IsVirtual() const = 0;
  // Stops time for the live show's pause: Micros() and Millis() keep the
  // reading they had at Hold() until Release(), then go on from it as if the
  // held stretch never happened, so every timer built on them stops with
  // them. A second Hold() changes nothing. A virtual clock only moves when
  // told to, so holding it changes nothing either.
  virtual void Hold() {}
  virtual void Release() {}

  // Microsecond deadline at which Millis() reaches `ms` (wrap-safe, relative
  // to now).
  int64_t MicrosAtMillis(uint32_t ms);
};

class RealClock final : public Clock {
public:
  RealClock();
  int64_t Micros() override;
  uint32_t Millis() override;
  void Sleep(uint32_t ms) override;
  void WaitTowards(int64_t deadline) override;
  bool IsVirtual() const override { return false; }
  void Hold() override;
  void Release() override;

private:
  int64_t origin_;       // steady-clock microseconds at construction, moved on by each hold
  int64_t heldAt_ = -1;  // the reading kept while held; -1 when running
};

class VirtualClock final : public Clock {
public:
  // `millisBase` is the millisecond counter's reading at time 0; tests set it
  // close to 2^32 to exercise the wrap.
  explicit VirtualClock(uint32_t millisBase = 0) : millisBase_(millisBase) {}
  int64_t Micros() override { return now_; }
  uint32_t Millis() override;
  void Sleep(uint32_t ms) override { Advance(int64_t(ms) * 1000); }
  void WaitTowards(int64_t deadline) override;
  bool IsVirtual() const override { return true; }

  void Advance(int64_t micros);
  // Called with (from, to) whenever time moves; record mode hangs its frame
  // and audio output on it.
  void SetListener(std::function<void(int64_t, int64_t)> listener) { listener_ = std::move(listener); }

private:
  int64_t now_ = 0;
  uint32_t millisBase_;
  std::function<void(int64_t, int64_t)> listener_;
};

// What a real wait does where the program runs (platform/native, platform/web).
// SleepMicros gives the processor away for about that long. SpinPass is one
// pass of a busy loop: nothing on a desktop; in a browser it lets the page
// run now and then, so a long loop (a virtual-clock run) keeps it responsive.
void SleepMicros(int64_t micros);
void SpinPass();
// Processor seconds this thread has used (wall time where the platform cannot
// tell them apart); the benchmark's measure of a frame.
double ProcessorSeconds();

// The clock everything reads. A real clock unless UseClock() replaced it.
Clock& GetClock();
// Installs `clock` as the program's clock (tests, record and benchmark modes).
void UseClock(std::unique_ptr<Clock> clock);
// Installs `clock` and hands back the one it replaces, to be put back later
// (a jump plays forward on a virtual clock of its own).
std::unique_ptr<Clock> SwapClock(std::unique_ptr<Clock> clock);

}  // namespace platform

namespace platform {

// The busy wait of the program, written once: re-tests `done` (which may do
// work of its own, such as keeping the music hold) until it returns true,
// moving towards `deadline`, the microsecond reading at which it is expected
// to hold.
template <class Done>
void BusyWait(int64_t deadline, Done done) {
  Clock& clock = GetClock();
  while (!done()) clock.WaitTowards(deadline);
}

}  // namespace platform
