#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "Zentra2/zentra.h"
#include "test_util.h"

using namespace kt;

namespace {

// ---- slow per-channel reference ----

struct Chan {
  int shift, bits;
};

std::vector<Chan> Colour(int depth) {
  if (depth == 15) return {{10, 5}, {5, 5}, {0, 5}};
  if (depth == 16) return {{11, 5}, {5, 6}, {0, 5}};
  return {{16, 8}, {8, 8}, {0, 8}};
}

uint32_t Field(uint32_t p, Chan c) { return (p >> c.shift) & ((1u << c.bits) - 1); }

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

enum class Op { Add, Sub, Xor, Alpha, Keyed, Masked };

uint32_t Reference(Op op, int depth, uint32_t s, uint32_t d, uint8_t alpha, uint32_t key) {
  std::vector<Chan> ch = Colour(depth);
  if (depth == 32 && (op == Op::Add || op == Op::Sub)) ch.push_back({24, 8});
  uint32_t out = 0;
  switch (op) {
    case Op::Add:
    case Op::Sub:
      for (Chan c : ch) {
        int sc = int(Field(s, c)), dc = int(Field(d, c)), mx = (1 << c.bits) - 1;
        int v = op == Op::Add ? std::min(sc + dc, mx) : std::max(dc - sc, 0);
        out |= uint32_t(v) << c.shift;
      }
      return out;
    case Op::Xor: return (d ^ s) & (depth <= 16 ? 0xFFFFu : depth == 24 ? 0xFFFFFFu : 0xFFFFFFFFu);
    case Op::Keyed:
      if (depth <= 16 ? s == key : (s & 0xFFFFFF) == (key & 0xFFFFFF)) return d;
      [[fallthrough]];
    case Op::Alpha: {
      int a = depth <= 16 ? alpha >> 3 : alpha, n = depth <= 16 ? 32 : 256;
      for (Chan c : ch) {
        int sc = int(Field(s, c)), dc = int(Field(d, c));
        out |= uint32_t(dc + FloorDiv((sc - dc) * a, n)) << c.shift;
      }
      return out;
    }
    case Op::Masked: return s & (depth == 15 ? 0x7C00u : depth == 16 ? 0xF800u : 0xFF0000u);
  }
  return 0;
}

void Apply(Op op, TBuffer64& s, TBuffer64* d, int x, int y, uint8_t alpha, uint32_t key) {
  switch (op) {
    case Op::Add: s.DrawAdd(d, x, y); break;
    case Op::Sub: s.DrawSub(d, x, y); break;
    case Op::Xor: s.DrawXor(d, x, y); break;
    case Op::Alpha: s.DrawAlpha(d, x, y, alpha); break;
    case Op::Keyed: s.DrawAlphaKeyed(d, x, y, alpha, key); break;
    case Op::Masked: s.DrawMasked(d, x, y); break;
  }
}

using Bytes = std::vector<std::vector<uint8_t>>;

Bytes Snapshot(const TBuffer64& b) {
  Bytes out;
  for (int y = 0; y < b.Height; ++y) out.emplace_back(b.Rows[size_t(y)], b.Rows[size_t(y)] + b.Pitch);
  return out;
}

void Restore(TBuffer64& b, const Bytes& bytes) {
  for (int y = 0; y < b.Height; ++y) std::copy(bytes[size_t(y)].begin(), bytes[size_t(y)].end(), b.Rows[size_t(y)]);
}

struct Fixture {
  std::unique_ptr<THeadlessZentra> display;
  explicit Fixture(uint8_t depth) : display(std::make_unique<THeadlessZentra>(16, 16, depth)) {}
  std::unique_ptr<TBuffer64> Make(int w, int h) { return std::make_unique<TBuffer64>(display.get(), w, h, false); }
};

// ---- vector kernels against plain kernels against the reference ----

TEST(Blend, VectorPlainAndReferenceAgreeOnRandomCopies) {
  VectorFlag keep;
  Biased rnd(20240611);
  const Op ops[] = {Op::Add, Op::Sub, Op::Xor, Op::Alpha, Op::Keyed, Op::Masked};
  for (uint8_t depth : kDepths) {
    Fixture f(depth);
    for (int iter = 0; iter < 250; ++iter) {
      int sw = rnd.Range(1, 70), sh = rnd.Range(1, 5), dw = rnd.Range(1, 70), dh = rnd.Range(1, 5);
      auto src = f.Make(sw, sh);
      auto dst = f.Make(dw, dh);
      rnd.FillBytes(*src);
      rnd.FillBytes(*dst);
      // Mostly inside, sometimes clipped on any side or missed entirely.
      int x = rnd.Range(-sw - 2, dw + 2), y = rnd.Range(-sh - 1, dh + 1);
      const Bytes before = Snapshot(*dst);
      for (Op op : ops) {
        uint8_t alpha = rnd.Byte();
        uint32_t key = rnd.Range(0, 3) == 0 ? uint32_t(rnd.rng()) : Px(*src, rnd.Range(0, sw - 1), 0);
        // Reference from the saved destination.
        Bytes expect = before;
        for (int dy = 0; dy < dh; ++dy)
          for (int dx = 0; dx < dw; ++dx) {
            int sx = dx - x, sy = dy - y;
            if (sx < 0 || sy < 0 || sx >= sw || sy >= sh) continue;
            uint8_t* p = expect[size_t(dy)].data() + dx * BytesOf(*dst);
            uint32_t dv = depth <= 16 ? pixel::Load16(p) : depth == 24 ? pixel::Load24(p) : pixel::Load32(p);
            uint32_t v = Reference(op, depth, Px(*src, sx, sy), dv, alpha, key);
            if (depth <= 16) pixel::Store16(p, v);
            else if (depth == 24) pixel::Store24(p, v);
            else pixel::Store32(p, v);
          }
        for (bool vec : {false, true}) {
          UseMMX = vec;
          Restore(*dst, before);
          Apply(op, *src, dst.get(), x, y, alpha, key);
          ASSERT_EQ(Snapshot(*dst), expect) << "depth " << int(depth) << " op " << int(op) << " vector " << vec
                                            << " src " << sw << "x" << sh << " dst " << dw << "x" << dh << " at " << x
                                            << "," << y << " alpha " << int(alpha) << " key " << key;
        }
      }
      // Inversion, vector and plain.
      for (bool vec : {false, true}) {
        UseMMX = vec;
        Restore(*dst, before);
        dst->Invert();
        for (int yy = 0; yy < dh; ++yy)
          for (int i = 0; i < dst->Pitch; ++i) {
            uint8_t want = i < dw * BytesOf(*dst) ? uint8_t(~before[size_t(yy)][size_t(i)]) : before[size_t(yy)][size_t(i)];
            ASSERT_EQ(dst->Rows[size_t(yy)][i], want);
          }
      }
    }
  }
}

TEST(Blend, DrawingOntoItselfDoesNotDependOnTheVectorFlag) {
  VectorFlag keep;
  Biased rnd(99);
  for (uint8_t depth : kDepths) {
    Fixture f(depth);
    auto b = f.Make(37, 4);
    rnd.FillBytes(*b);
    const Bytes start = Snapshot(*b);
    Bytes plain;
    for (bool vec : {false, true}) {
      UseMMX = vec;
      Restore(*b, start);
      b->DrawAdd(b.get(), 1, 0);
      b->DrawAlpha(b.get(), -2, 1, 200);
      b->DrawXor(b.get(), 3, -1);
      if (!vec) plain = Snapshot(*b);
    }
    EXPECT_EQ(Snapshot(*b), plain) << int(depth);
  }
}

// ---- exact cases per depth ----

uint32_t White(int depth) { return depth == 15 ? 0x7FFF : depth == 16 ? 0xFFFF : depth == 24 ? 0xFFFFFF : 0xFFFFFFFF; }

TEST(Blend, SaturationAtWhiteAndBlack) {
  VectorFlag keep;
  for (uint8_t depth : kDepths)
    for (bool vec : {false, true}) {
      UseMMX = vec;
      Fixture f(depth);
      auto sprite = f.Make(5, 2), dst = f.Make(5, 2);
      Fill(*sprite, White(depth));
      Fill(*dst, White(depth));
      sprite->DrawAdd(dst.get(), 0, 0);
      EXPECT_EQ(Px(*dst, 4, 1), White(depth));
      uint32_t colour = depth == 15 ? 0x1234 : depth == 16 ? 0x8421 : depth == 24 ? 0x80FF01 : 0xFE80FF01;
      Fill(*sprite, colour);
      Fill(*dst, 0);
      sprite->DrawAdd(dst.get(), 0, 0);
      EXPECT_EQ(Px(*dst, 3, 0), colour) << int(depth);
      if (depth == 32) {
        // Byte 3 saturates like a channel.
        sprite->DrawAdd(dst.get(), 0, 0);
        EXPECT_EQ(Px(*dst, 0, 0), 0xFFFFFF02u);
      }
      Fill(*dst, 0);
      sprite->DrawSub(dst.get(), 0, 0);
      EXPECT_EQ(Px(*dst, 2, 1), 0u);
      // Xor with a copy of itself clears the overlap only.
      Fill(*dst, colour);
      sprite->DrawXor(dst.get(), 2, 1);
      EXPECT_EQ(Px(*dst, 1, 1), colour);
      EXPECT_EQ(Px(*dst, 2, 1), 0u);
      EXPECT_EQ(Px(*dst, 4, 0), colour);
    }
}

TEST(Blend, AlphaStepsAndKeys) {
  for (uint8_t depth : kDepths) {
    Fixture f(depth);
    auto src = f.Make(3, 1), dst = f.Make(3, 1);
    uint32_t s = depth == 15 ? (31u << 10 | 31u << 5 | 31u) : depth == 16 ? (31u << 11 | 63u << 5 | 31u) : 0xFFFFFF;
    Fill(*src, s);
    Fill(*dst, 0);
    src->DrawAlpha(dst.get(), 0, 0, 0);
    EXPECT_EQ(Px(*dst, 0, 0), 0u);
    src->DrawAlpha(dst.get(), 0, 0, 255);
    // Opacity 255 gives the source only approximately.
    if (depth <= 16) EXPECT_EQ(Px(*dst, 1, 0), depth == 15 ? (30u << 10 | 30u << 5 | 30u) : (30u << 11 | 61u << 5 | 30u));
    else EXPECT_EQ(Px(*dst, 1, 0), 0xFEFEFEu);
    if (depth <= 16) {
      // Only 32 steps: 0..7 change nothing, 8..15 move by floor((s - d) / 32).
      Fill(*dst, 0);
      src->DrawAlpha(dst.get(), 0, 0, 7);
      EXPECT_EQ(Px(*dst, 2, 0), 0u);
      src->DrawAlpha(dst.get(), 0, 0, 15);
      EXPECT_EQ(Px(*dst, 2, 0), depth == 15 ? 0u : 1u << 5);  // only 63 / 32 reaches a step
      Fill(*dst, s);
      Fill(*src, 0);
      src->DrawAlpha(dst.get(), 0, 0, 8);
      // floor(-31 / 32) = -1 on every field.
      EXPECT_EQ(Px(*dst, 0, 0), depth == 15 ? (30u << 10 | 30u << 5 | 30u) : (30u << 11 | 61u << 5 | 30u));
    }
    if (depth == 32) {
      Fill(*dst, 0xFF000000);
      src->DrawAlpha(dst.get(), 0, 0, 0);
      EXPECT_EQ(Px(*dst, 0, 0), 0u) << "byte 3 becomes 0 even at opacity 0";
    }
    // Keyed: pixels equal to the key (the source's own first pixel) stay.
    Fill(*dst, 0);
    Fill(*src, s);
    SetPx(*src, 1, 0, 0);
    src->DrawAlphaKeyed(dst.get(), 0, 0, 255, Px(*src, 0, 0));
    EXPECT_EQ(Px(*dst, 0, 0), 0u);
    EXPECT_EQ(Px(*dst, 2, 0), 0u);
    if (depth >= 24) {
      // Only the low 24 bits take part in the match.
      src->DrawAlphaKeyed(dst.get(), 0, 0, 255, s | 0xAB000000);
      EXPECT_EQ(Px(*dst, 0, 0), 0u);
    } else {
      // A key with bits above 15 never matches.
      src->DrawAlphaKeyed(dst.get(), 0, 0, 255, s | 0x10000);
      EXPECT_NE(Px(*dst, 0, 0), 0u);
    }
  }
}

TEST(Blend, MaskedKeepsRedOnly) {
  for (uint8_t depth : kDepths) {
    Fixture f(depth);
    auto src = f.Make(2, 1), dst = f.Make(2, 1);
    Fill(*src, White(depth));
    Fill(*dst, 0x5555);
    src->DrawMasked(dst.get(), 0, 0);
    EXPECT_EQ(Px(*dst, 1, 0), depth == 15 ? 0x7C00u : depth == 16 ? 0xF800u : 0xFF0000u);
  }
}

TEST(Blend, ClippingAtTheEdges) {
  for (uint8_t depth : kDepths) {
    Fixture f(depth);
    auto src = f.Make(8, 2), dst = f.Make(6, 3);
    for (int x = 0; x < 8; ++x) SetPx(*src, x, 0, uint32_t(x + 1)), SetPx(*src, x, 1, uint32_t(x + 1));
    // At X = -5 source columns 5.. land in columns 0..
    Fill(*dst, 0);
    src->DrawAdd(dst.get(), -5, 0);
    EXPECT_EQ(Px(*dst, 0, 0), 6u);
    EXPECT_EQ(Px(*dst, 2, 1), 8u);
    EXPECT_EQ(Px(*dst, 3, 0), 0u);
    EXPECT_EQ(Px(*dst, 0, 2), 0u);
    // At D.Width - 1 one column, at D.Width none.
    Fill(*dst, 0);
    src->DrawXor(dst.get(), 5, 2);
    EXPECT_EQ(Px(*dst, 5, 2), 1u);
    EXPECT_EQ(Px(*dst, 4, 2), 0u);
    src->DrawXor(dst.get(), 6, 0);
    src->DrawXor(dst.get(), 0, 3);
    src->DrawXor(dst.get(), -8, 0);
    src->DrawXor(dst.get(), INT32_MAX, INT32_MIN);
    src->DrawXor(dst.get(), INT32_MIN, 0);
    src->DrawXor(nullptr, 0, 0);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 6; ++x) EXPECT_EQ(Px(*dst, x, y), x == 5 && y == 2 ? 1u : 0u);
  }
}

TEST(Filters, BlurSmearsTowardsTheBottomRight) {
  Fixture f(32);
  auto row = f.Make(3, 1);
  SetPx(*row, 0, 0, 0xAA000000);
  SetPx(*row, 2, 0, 0xFF);
  row->Blur();
  // x = 1 sees the old right neighbour; x = 2 the new left one and itself
  // three times; byte 3 is kept.
  EXPECT_EQ(Px(*row, 0, 0), 0xAA000000u);
  EXPECT_EQ(Px(*row, 1, 0), 63u);
  EXPECT_EQ(Px(*row, 2, 0), (63u + 3 * 255) >> 2);
  auto col = f.Make(1, 3);
  SetPx(*col, 0, 0, 0xFF0000);
  col->Blur();
  EXPECT_EQ(Px(*col, 0, 0), (3u * 255 >> 2) << 16);
  EXPECT_EQ(Px(*col, 0, 1), (191u >> 2) << 16);
}

// Every neighbour widened to 8 bits (Expand5: v * 255 / 31, Expand6: v * 255 / 63,
// truncated), the four summed and shifted right by 2, packed back by dropping
// the low bits. In 15 bits, pixel (0, 0) = R31 G0 B31 sees itself twice (up,
// left), R1 G1 B1 below and G31 to the right: R = (255 + 8 + 255 + 0) >> 2 = 129,
// packed 129 >> 3 = 16; G = (0 + 8 + 0 + 255) >> 2 = 65 -> 8; so 0x4110.
TEST(Filters, BlurAveragesEightBitChannelsAndPacksByDepth) {
  struct Case {
    uint8_t depth;
    uint32_t in[2][3], out[2][3];
  };
  const Case cases[] = {
      {15, {{0x7C1F, 0x03E0, 0x1234}, {0x0421, 0x5AD6, 0x7FFF}}, {{0x4110, 0x2A6E, 0x32B5}, {0x290A, 0x4A93, 0x5F5A}}},
      {16, {{0xF81F, 0x07E0, 0x1234}, {0x0821, 0xAD55, 0xFFFF}}, {{0x8210, 0x4C4E, 0x5C35}, {0x49E9, 0x8CD3, 0xBE3A}}},
      {24,
       {{0xFF00FF, 0x00FF00, 0x123456}, {0x010203, 0x808080, 0xFEFDFC}},
       {{0x7F4080, 0x447C55, 0x59787F}, {0x403141, 0x808A84, 0xB5BFBE}}},
      // As 24 bits; the fourth byte is neither averaged nor cleared.
      {32,
       {{0x11FF00FF, 0x2200FF00, 0x33123456}, {0x44010203, 0x55808080, 0x66FEFDFC}},
       {{0x117F4080, 0x22447C55, 0x3359787F}, {0x44403141, 0x55808A84, 0x66B5BFBE}}},
  };
  for (const Case& c : cases) {
    Fixture f(c.depth);
    auto b = f.Make(3, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) SetPx(*b, x, y, c.in[y][x]);
    b->Blur();
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(Px(*b, x, y), c.out[y][x]) << int(c.depth) << " at " << x << ", " << y;
  }
}

TEST(Filters, UniformBuffersAndInversion) {
  VectorFlag keep;
  Biased rnd(7);
  for (uint8_t depth : kDepths) {
    Fixture f(depth);
    auto b = f.Make(7, 5);
    uint32_t c = depth == 15 ? 0x2A5F : depth == 16 ? 0xA5F3 : depth == 24 ? 0x10FE80 : 0x7710FE80;
    Fill(*b, c);
    b->Blur();
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(Px(*b, x, y), c) << int(depth);
    Fill(*b, White(depth));
    b->BlurFast();
    uint32_t fast = depth == 15 ? 0x739Cu : depth == 16 ? 0xE71Cu : 0xFCFCFCu;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(Px(*b, x, y), fast);
    rnd.FillBytes(*b);
    Bytes before = Snapshot(*b);
    for (bool vec : {false, true}) {
      UseMMX = vec;
      b->Invert();
      b->Invert();
      EXPECT_EQ(Snapshot(*b), before);
    }
  }
}

TEST(Filters, BlurFastAcrossRowEnds) {
  // 4 pixels of depth 32 fill a 16-byte row exactly: the left neighbour of a
  // row's first pixel is the new last pixel of the row above.
  Fixture f(32);
  auto b = f.Make(4, 2);
  ASSERT_EQ(b->Pitch, 16);
  SetPx(*b, 3, 0, 0x404040);
  b->BlurFast();
  EXPECT_EQ(Px(*b, 2, 0), 0x101010u);  // right neighbour 0x40
  // Left new 0x10, above itself, below and right (the next row's first) 0.
  EXPECT_EQ(Px(*b, 3, 0), 0x141414u);
  EXPECT_EQ(Px(*b, 0, 1), 0x050505u);
  // With spare bytes after the row the pixel itself stands in.
  auto p = f.Make(3, 2);
  SetPx(*p, 2, 0, 0x404040);
  p->BlurFast();
  EXPECT_EQ(Px(*p, 0, 1), 0u);
  EXPECT_EQ(Px(*p, 2, 0), 0x242424u);
}

}  // namespace
