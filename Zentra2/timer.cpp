#include "Zentra2/timer.h"

#include <cmath>

#include "platform/clock.h"

namespace {

int64_t CounterDivisor(uint8_t unitCode) {
  switch (unitCode) {
    case 241: return 1000;
    case 242: return 1;
    default: return 1000000;  // 240 and anything else: seconds
  }
}

uint32_t MillisDivisor(uint8_t unitCode) { return unitCode == 241 ? 1 : 1000; }

constexpr int64_t kFarAway = int64_t(1) << 62;

}  // namespace

TTimer64::TTimer64(uint8_t unitCode) : Divisor(CounterDivisor(unitCode)) {}

void TTimer64::Start() {
  Running = true;
  StartCount = platform::GetClock().Micros();
}

float TTimer64::Elapsed() {
  if (Running) NowCount = platform::GetClock().Micros();
  // Extended precision throughout, rounded once to float at the end.
  long double ticks = static_cast<long double>(NowCount - StartCount);
  return static_cast<float>(ticks / Divisor * Scale);
}

int64_t TTimer64::MicrosAt(float reading) const {
  if (!Running) return kFarAway;
  return StartCount + static_cast<int64_t>(std::ceil(static_cast<long double>(reading) * Divisor / Scale));
}

TTimer64_2::TTimer64_2(uint8_t unitCode) : Divisor(MillisDivisor(unitCode)) {}

void TTimer64_2::Start() {
  Running = true;
  StartMs = platform::GetClock().Millis();
}

float TTimer64_2::Elapsed() {
  if (Running) NowMs = platform::GetClock().Millis();
  uint32_t diff = NowMs - StartMs;  // unsigned: right across a wrap of the counter
  return static_cast<float>(static_cast<double>(diff) / Divisor);
}

void TTimer64_2::SetElapsed(int32_t value) {
  StartMs = platform::GetClock().Millis() - static_cast<uint32_t>(value);
  Running = true;
}

void TTimer64_2::Stop() {
  NowMs = platform::GetClock().Millis();
  Running = false;
}

int64_t TTimer64_2::MicrosAt(float reading) const {
  if (!Running) return kFarAway;
  double ms = std::ceil(static_cast<double>(reading) * Divisor);
  if (ms < 0) ms = 0;
  if (ms > 4.0e9) return kFarAway;
  return platform::GetClock().MicrosAtMillis(StartMs + static_cast<uint32_t>(ms));
}
