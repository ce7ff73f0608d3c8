#include <gtest/gtest.h>

#include "Zentra2/timer.h"
#include "platform/clock.h"

namespace {

// Installs a fresh virtual clock for each test.
class Timers : public ::testing::Test {
protected:
  void SetUp() override { Use(0); }
  void TearDown() override { platform::UseClock(std::make_unique<platform::RealClock>()); }
  void Use(uint32_t millisBase) {
    auto c = std::make_unique<platform::VirtualClock>(millisBase);
    clock = c.get();
    platform::UseClock(std::move(c));
  }
  platform::VirtualClock* clock = nullptr;
};

TEST_F(Timers, CounterTimerScalesByOneAndAHalf) {
  TTimer64 ms(241), s(240), us(242), other(7);
  EXPECT_EQ(ms.Elapsed(), 0.0f);  // before Start
  clock->Advance(123);
  for (TTimer64* t : {&ms, &s, &us, &other}) t->Start();
  clock->Advance(1000000);
  EXPECT_EQ(ms.Elapsed(), 1500.0f);
  EXPECT_EQ(s.Elapsed(), 1.5f);
  EXPECT_EQ(us.Elapsed(), 1500000.0f);
  EXPECT_EQ(other.Elapsed(), 1.5f);
  clock->Advance(1);
  EXPECT_EQ(ms.Elapsed(), 1500.0015f);  // one rounding, at the end
}

TEST_F(Timers, CounterTimerDeadlineIsWhereTheReadingArrives) {
  TTimer64 t(241);
  t.Start();
  clock->Advance(777);
  int64_t at = t.MicrosAt(2000.0f);
  platform::BusyWait(at, [&] { return t.Elapsed() > 2000.0f; });
  EXPECT_GT(t.Elapsed(), 2000.0f);
  EXPECT_LE(clock->Micros() - 777, 1333335);  // 2000 / 1.5 ms, plus a microsecond or two
}

TEST_F(Timers, MillisecondTimerStopSetElapsedAndUnits) {
  TTimer64_2 ms(241), s(240), s2(242);
  EXPECT_EQ(ms.Elapsed(), 0.0f);
  ms.Start();
  s.Start();
  s2.Start();
  clock->Advance(1500 * 1000);
  EXPECT_EQ(ms.Elapsed(), 1500.0f);
  EXPECT_EQ(s.Elapsed(), 1.5f);
  EXPECT_EQ(s2.Elapsed(), 1.5f);

  ms.Stop();
  clock->Advance(5000 * 1000);
  EXPECT_EQ(ms.Elapsed(), 1500.0f);  // frozen
  EXPECT_EQ(ms.Elapsed(), 1500.0f);

  ms.SetElapsed(8500);
  EXPECT_EQ(ms.Elapsed(), 8500.0f);
  clock->Advance(20 * 1000);
  EXPECT_EQ(ms.Elapsed(), 8520.0f);
  ms.Start();
  EXPECT_EQ(ms.Elapsed(), 0.0f);
}

TEST_F(Timers, MillisecondTimerSurvivesTheCounterWrap) {
  Use(0xFFFFFFFFu - 1000);  // wraps one second in
  TTimer64_2 t(241);
  t.Start();
  clock->Advance(3000 * 1000);
  EXPECT_LT(clock->Millis(), 5000u);
  EXPECT_EQ(t.Elapsed(), 3000.0f);
  t.SetElapsed(8500);
  clock->Advance(10 * 1000);
  EXPECT_EQ(t.Elapsed(), 8510.0f);
  int64_t at = t.MicrosAt(8530.0f);
  EXPECT_EQ(at, clock->Micros() + 20000);
}

TEST_F(Timers, MissingTimersReadZero) {
  TTimer64* none = nullptr;
  TTimer64_2* none2 = nullptr;
  Start(none);
  Start(none2);
  Stop(none2);
  SetElapsed(none2, 10);
  EXPECT_EQ(Elapsed(none), 0.0f);
  EXPECT_EQ(Elapsed(none2), 0.0f);
}

TEST_F(Timers, VirtualClockMovesOnlyThroughWaitsAndSleeps) {
  std::vector<std::pair<int64_t, int64_t>> moves;
  clock->SetListener([&](int64_t a, int64_t b) { moves.emplace_back(a, b); });
  clock->Micros();
  clock->Millis();
  EXPECT_TRUE(moves.empty());
  clock->Sleep(500);
  clock->WaitTowards(600000);
  clock->WaitTowards(600000);  // already there: one microsecond on
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves[0], (std::pair<int64_t, int64_t>(0, 500000)));
  EXPECT_EQ(moves[1], (std::pair<int64_t, int64_t>(500000, 600000)));
  EXPECT_EQ(moves[2], (std::pair<int64_t, int64_t>(600000, 600001)));
}

}  // namespace
