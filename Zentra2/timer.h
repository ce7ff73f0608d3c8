// The two clocks of the framework.
//
// TTimer64 reads the microsecond counter and scales every reading by 1.5, so a
// millisecond-unit timer advances 1.5 units per real millisecond: the demo
// clock. TTimer64_2 reads the 32-bit millisecond counter and can be frozen and
// set to a reading. Unit codes: 240 seconds, 241 milliseconds, 242 microseconds
// (TTimer64) or seconds (TTimer64_2); anything else seconds.
#pragma once

#include <cstdint>

class TTimer64 {
public:
  // Every reading is the counter's time in the timer's unit times this.
  static constexpr long double Scale = 1.5L;

  explicit TTimer64(uint8_t unitCode);
  void Start();
  float Elapsed();
  // Counter value (microseconds) at which Elapsed() reaches `reading`.
  int64_t MicrosAt(float reading) const;

  bool Running = false;
  int64_t Divisor;
  int64_t StartCount = 0;
  int64_t NowCount = 0;
};

class TTimer64_2 {
public:
  explicit TTimer64_2(uint8_t unitCode);
  void Start();
  float Elapsed();
  void SetElapsed(int32_t value);
  void Stop();
  // Counter value (microseconds) at which Elapsed() reaches `reading`; far in
  // the future while the timer is stopped.
  int64_t MicrosAt(float reading) const;

  bool Running = false;
  uint32_t Divisor;
  uint32_t StartMs = 0;
  uint32_t NowMs = 0;
};

// The framework's operations accept a missing timer: a missing one reads 0
// and ignores the rest.
inline float Elapsed(TTimer64* t) { return t ? t->Elapsed() : 0.0f; }
inline float Elapsed(TTimer64_2* t) { return t ? t->Elapsed() : 0.0f; }
inline void Start(TTimer64* t) { if (t) t->Start(); }
inline void Start(TTimer64_2* t) { if (t) t->Start(); }
inline void Stop(TTimer64_2* t) { if (t) t->Stop(); }
inline void SetElapsed(TTimer64_2* t, int32_t value) { if (t) t->SetElapsed(value); }
