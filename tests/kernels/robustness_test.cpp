// Random shapes with coordinates far outside any buffer (huge, infinite, NaN)
// thrown at small buffers: nothing may be written outside a row's pixels
// (the padding after each row is checked here; the sanitizer build checks
// everything else) and nothing may hang.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "Zentra2/zentra.h"
#include "test_util.h"

using namespace kt;

namespace {

constexpr uint8_t kCanary = 0xA5;

void PaintPadding(TBuffer64& b) {
  for (int y = 0; y < b.Height; ++y)
    for (int i = b.Width * BytesOf(b); i < b.Pitch; ++i) b.Rows[size_t(y)][i] = kCanary;
}

bool PaddingIntact(const TBuffer64& b) {
  for (int y = 0; y < b.Height; ++y)
    for (int i = b.Width * BytesOf(b); i < b.Pitch; ++i)
      if (b.Rows[size_t(y)][i] != kCanary) return false;
  return true;
}

struct Wild {
  Biased rnd;
  explicit Wild(uint32_t seed) : rnd(seed) {}

  int32_t Int() {
    switch (rnd.Range(0, 5)) {
      case 0: return rnd.Range(-30, 40);
      case 1: return rnd.Range(-3000000, 3000000);
      case 2: return std::numeric_limits<int32_t>::min() + rnd.Range(0, 3);
      case 3: return std::numeric_limits<int32_t>::max() - rnd.Range(0, 3);
      case 4: return int32_t(rnd.rng());
      default: return rnd.Range(-40000, 40000);
    }
  }

  float Float() {
    switch (rnd.Range(0, 8)) {
      case 0:
      case 1: return float(rnd.Range(-300, 400)) / 8.0f;
      case 2: return float(rnd.Range(-40000, 40000)) + 0.5f;
      case 3: return (rnd.Range(0, 1) ? 1.0f : -1.0f) * std::ldexp(1.0f, rnd.Range(15, 127));
      case 4: return (rnd.Range(0, 1) ? 1.0f : -1.0f) * std::numeric_limits<float>::max();
      case 5: return (rnd.Range(0, 1) ? 1.0f : -1.0f) * std::numeric_limits<float>::infinity();
      case 6: return std::numeric_limits<float>::quiet_NaN();
      case 7: return (rnd.Range(0, 1) ? 32767.75f : -32768.5f);
      default: return float(int32_t(rnd.rng())) * 3.0f;
    }
  }

  int32_t Radius() {
    switch (rnd.Range(0, 3)) {
      case 0: return rnd.Range(-5, 30);
      case 1: return int32_t(rnd.rng() >> 1);
      case 2: return std::numeric_limits<int32_t>::max() - rnd.Range(0, 3);
      default: return std::numeric_limits<int32_t>::min() + rnd.Range(0, 3);
    }
  }
};

TEST(Robustness, WildShapesStayInsideTheirBuffers) {
  VectorFlag keep;
  Wild w(424242);
  const auto start = std::chrono::steady_clock::now();
  for (uint8_t depth : kDepths) {
    THeadlessZentra display(16, 16, depth);
    for (int round = 0; round < 60; ++round) {
      UseMMX = round % 2 == 0;
      TBuffer64 b(&display, w.rnd.Range(1, 17), w.rnd.Range(1, 9), false);
      TBuffer64 tex(&display, w.rnd.Range(1, 9), w.rnd.Range(1, 9), false);
      TBuffer64 sprite(&display, w.rnd.Range(1, 40), w.rnd.Range(1, 9), false);
      w.rnd.FillBytes(b);
      w.rnd.FillBytes(tex);
      w.rnd.FillBytes(sprite);
      for (TBuffer64* p : {&b, &tex, &sprite}) PaintPadding(*p);
      for (int shape = 0; shape < 40; ++shape) {
        uint32_t colour = w.rnd.rng();
        b.PutPixel(w.Int(), w.Int(), colour);
        (void)b.GetPixel(w.Int(), w.Int());
        b.Line(w.Int(), w.Int(), w.Int(), w.Int(), colour);
        b.HLine(w.Int(), w.Int(), w.Int(), colour);
        b.VLine(w.Int(), w.Int(), w.Int(), colour);
        b.Rectangle(w.Int(), w.Int(), w.Int(), w.Int(), colour);
        b.FillRect(w.Int(), w.Int(), w.Int(), w.Int(), colour);
        b.FillCircle(w.Int(), w.Int(), w.Radius(), colour);
        std::vector<TPolyVertex> poly(size_t(w.rnd.Range(1, 8)));
        for (auto& v : poly) {
          v.X = w.Float(), v.Y = w.Float(), v.U = w.Float(), v.V = w.Float();
          v.Color = w.rnd.rng();
        }
        const int32_t count = int32_t(poly.size());
        b.FillPoly(poly.data(), count, colour);
        b.GouraudPoly(poly.data(), count);
        b.TexturePoly(&tex, poly.data(), count);
        b.TexturePoly(&b, poly.data(), count);
        tex.DrawRotated(&b, w.Int(), w.Int(), w.Float(), w.Float());
        sprite.DrawAdd(&b, w.Int(), w.Int());
        sprite.DrawAlphaKeyed(&b, w.Int() % 50, w.Int() % 20, uint8_t(colour), colour);
        b.DrawXor(&b, w.Int() % 20, w.Int() % 10);
      }
      b.Blur();
      b.BlurFast();
      b.Invert();
      for (TBuffer64* p : {&b, &tex, &sprite}) ASSERT_TRUE(PaddingIntact(*p)) << int(depth) << " round " << round;
    }
  }
  // Huge shapes cost no more than the rows they can touch.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
