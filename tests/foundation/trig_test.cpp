#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "trig2/trig2.h"

namespace {

float Entry(int i) { return float(std::sin(double(i) * 6.2831854820251465 / 64000.0)); }

// Must run before any test that builds the table (registration order).
TEST(SinTable, ReadsZeroBeforeItIsBuilt) {
  EXPECT_EQ(FastSin(1.0f), 0.0f);
  EXPECT_EQ(FastCos(0.0f), 0.0f);
  EXPECT_EQ(FastSinDeg(90.0f), 0.0f);
}

TEST(SinTable, WorkedValues) {
  BuildSinTable();
  EXPECT_EQ(FastSin(0.0f), 0.0f);
  EXPECT_EQ(FastCos(0.0f), Entry(16000));
  EXPECT_EQ(FastCos(0.0f), 1.0f);
  EXPECT_EQ(FastSinDeg(90.0f), Entry(16000));
  EXPECT_EQ(FastSinDeg(-90.0f), Entry(48000));  // 990 degrees, index 176000 -> 48000
  EXPECT_EQ(FastSinDeg(-90.0f), -1.0f);
  EXPECT_EQ(FastSin(100.0f), Entry(58592));     // 1018592 mod 64000
  EXPECT_EQ(FastCosDeg(0.0f), Entry(16000));
  // Within half a step of a full turn the index rounds to 64000 and wraps to 0.
  EXPECT_EQ(FastSinDeg(359.999f), 0.0f);
  EXPECT_EQ(FastSin(6.2831854820251465f), 0.0f);
  BuildSinTable();  // a second build changes nothing
  EXPECT_EQ(FastSin(100.0f), Entry(58592));
}

TEST(SinTable, NegativeAnglesStepUpByThreeTurnsInFloat) {
  BuildSinTable();
  // -1 + 18.849556 in float, then scaled: exactly the lookup of that sum.
  float up = -1.0f + 18.84955596923828f;
  EXPECT_EQ(FastSin(-1.0f), FastSin(up));
  EXPECT_NEAR(FastSin(-1.0f), -FastSin(1.0f), 1e-4);
  EXPECT_EQ(FastSin(-0.0f), 0.0f);
}

TEST(SinTable, CosineIsSineOfTheQuarterTurnSum) {
  BuildSinTable();
  std::mt19937 rng(1234);
  std::uniform_real_distribution<float> wide(-500.0f, 500.0f), narrow(-7.0f, 7.0f);
  for (int i = 0; i < 4000; ++i) {
    float x = i % 2 ? wide(rng) : narrow(rng);
    ASSERT_EQ(FastCos(x), FastSin(x + 1.5707963705062866f)) << x;
    ASSERT_EQ(FastCosDeg(x * 10), FastSinDeg(x * 10 + 90.0f)) << x;
  }
}

TEST(SinTable, OutOfRangeAnglesNeitherHangNorReadOutside) {
  BuildSinTable();
  EXPECT_EQ(FastSin(NAN), 0.0f);
  EXPECT_EQ(FastSin(INFINITY), 0.0f);
  EXPECT_EQ(FastSin(-INFINITY), 0.0f);
  EXPECT_EQ(FastSin(-1e30f), 0.0f);
  EXPECT_EQ(FastSin(1e30f), 0.0f);
  EXPECT_EQ(FastSinDeg(3e9f), 0.0f);
}

}  // namespace
