// The software blend and copy family: six copies that combine every source
// pixel with the destination, and three in-place filters. Each public
// operation clips once, picks the row kernel by the depth, then walks rows.
#include <algorithm>
#include <cstdint>

#include "Zentra2/blend_simd.h"
#include "Zentra2/buffer.h"
#include "Zentra2/cpu.h"
#include "Zentra2/pixel_traits.h"

using namespace pixel;

namespace {

// The clipped rectangle of one copy: w x h pixels from (sx, sy) of the source
// to (dx, dy) of the destination.
struct CopyJob {
  const TBuffer64* src;
  TBuffer64* dst;
  int32_t sx, sy, dx, dy, w, h;

  template <class Px, class Kernel>
  void Run(Kernel kernel) const {
    for (int32_t r = 0; r < h; ++r)
      kernel(dst->Rows[size_t(dy + r)] + dx * Px::Bytes, src->Rows[size_t(sy + r)] + sx * Px::Bytes, w);
  }
};

// The clipping rule shared by the six copies. Unlike the hardware copies the
// first test uses MaxX/MaxY, so X = D.Width is rejected. Sums are taken in 64
// bits so that positions near the ends of the integer range cannot wrap.
bool ClipCopy(const TBuffer64& s, TBuffer64* d, int32_t px, int32_t py, CopyJob& job) {
  // Kernels read both buffers with the source's pixel size.
  if (!d || d->BitDepth != s.BitDepth || !HasRows(s) || !HasRows(*d)) return false;
  int64_t x = px, y = py;
  if (x > d->MaxX || y > d->MaxY || x + s.Width < 0 || y + s.Height < 0) return false;
  int64_t right = x + s.Width, bottom = y + s.Height, sx = 0, sy = 0;
  if (x < 0) sx = -x, x = 0;
  if (y < 0) sy = -y, y = 0;
  right = std::min<int64_t>(right, d->Width);
  bottom = std::min<int64_t>(bottom, d->Height);
  int64_t w = right - x, h = bottom - y;
  if (w <= 0 || h <= 0) return false;
  job = {&s, d, int32_t(sx), int32_t(sy), int32_t(x), int32_t(y), int32_t(w), int32_t(h)};
  return true;
}

bool Vector() { return UseMMX && simd::Available; }

// ---- plain row kernels ----
// Saturating add and subtract: field by field in two-byte depths (the bit
// above a field flags the carry or borrow), byte by byte otherwise.
template <class Px>
void AddRow(uint8_t* d, const uint8_t* s, int32_t n) {
  if constexpr (Px::Bytes == 2) {
    for (int32_t i = 0; i < n; ++i) {
      uint32_t sp = Px::Load(s, i), dp = Px::Load(d, i);
      uint32_t r = (sp & Px::RMask) + (dp & Px::RMask), g = (sp & Px::GMask) + (dp & Px::GMask),
               b = (sp & Px::BMask) + (dp & Px::BMask);
      if (r & Px::RCarry) r = Px::RMask;
      if (g & Px::GCarry) g = Px::GMask;
      if (b & Px::BCarry) b = Px::BMask;
      Px::Store(d, i, r | g | b);
    }
  } else {
    // Written so that the compiler turns it into packed saturating adds.
    for (int32_t i = 0; i < n * Px::Bytes; ++i) {
      uint8_t v = uint8_t(d[i] + s[i]);
      d[i] = v < d[i] ? 255 : v;
    }
  }
}

template <class Px>
void SubRow(uint8_t* d, const uint8_t* s, int32_t n) {
  if constexpr (Px::Bytes == 2) {
    auto field = [](uint32_t dp, uint32_t sp, uint32_t mask) {
      uint32_t a = dp & mask, b = sp & mask;
      return a < b ? 0 : a - b;
    };
    for (int32_t i = 0; i < n; ++i) {
      uint32_t sp = Px::Load(s, i), dp = Px::Load(d, i);
      Px::Store(d, i, field(dp, sp, Px::RMask) | field(dp, sp, Px::GMask) | field(dp, sp, Px::BMask));
    }
  } else {
    for (int32_t i = 0; i < n * Px::Bytes; ++i) d[i] = uint8_t(d[i] < s[i] ? 0 : d[i] - s[i]);
  }
}

// Whole pixels, two two-byte pixels per 32-bit step.
template <class Px>
void XorRow(uint8_t* d, const uint8_t* s, int32_t n) {
  int32_t bytes = n * Px::Bytes, i = 0;
  for (; i + 4 <= bytes; i += 4) Store32(d + i, Load32(d + i) ^ Load32(s + i));
  for (; i < bytes; ++i) d[i] ^= s[i];
}

// d_c + floor((s_c - d_c) * a / n) with packed arithmetic on wrapping 32-bit
// values: in two-byte depths green moves to the high half so each field has
// spare bits above it; in 24/32 bits red+blue and green go separately.
template <class Px>
inline uint32_t AlphaPixel(uint32_t sp, uint32_t dp, uint32_t a) {
  if constexpr (Px::Bytes == 2) {
    uint32_t S = (sp | sp << 16) & Px::AlphaSpread, D = (dp | dp << 16) & Px::AlphaSpread;
    uint32_t t = (((S - D) * a) >> 5) + D;
    t &= Px::AlphaSpread;
    return (t >> 16) | (t & 0xFFFF);
  } else {
    uint32_t drb = dp & 0xFF00FF, dg = dp & 0xFF00;
    uint32_t rb = ((((sp & 0xFF00FF) - drb) * a >> 8) + drb) & 0xFF00FF;
    uint32_t g = ((((sp & 0xFF00) - dg) * a >> 8) + dg) & 0xFF00;
    return rb | g;  // byte 3 is 0
  }
}

// `a` is Alpha shr 3 in two-byte depths, Alpha otherwise.
template <class Px>
void AlphaRow(uint8_t* d, const uint8_t* s, int32_t n, uint32_t a) {
  for (int32_t i = 0; i < n; ++i) Px::Store(d, i, AlphaPixel<Px>(Px::Load(s, i), Px::Load(d, i), a));
}

// Key match: the whole 16-bit pixel in two-byte depths (a key above 0xFFFF
// never matches), the low 24 bits otherwise.
template <class Px>
void AlphaKeyedRow(uint8_t* d, const uint8_t* s, int32_t n, uint32_t a, uint32_t key) {
  for (int32_t i = 0; i < n; ++i) {
    uint32_t sp = Px::Load(s, i);
    if constexpr (Px::Bytes == 2) {
      if (sp == key) continue;
    } else {
      if ((sp & 0xFFFFFF) == (key & 0xFFFFFF)) continue;
    }
    Px::Store(d, i, AlphaPixel<Px>(sp, Px::Load(d, i), a));
  }
}

// The red field alone; in depth 32 byte 3 becomes zero too.
template <class Px>
void MaskedRow(uint8_t* d, const uint8_t* s, int32_t n) {
  for (int32_t i = 0; i < n; ++i) Px::Store(d, i, Px::Load(s, i) & Px::RedOnly);
}

// ---- vector front ends: how many leading pixels the SSE2 kernels take ----

// Depth 24 is a byte stream for these kernels; it hands over whole groups
// of 16 pixels (48 bytes) so the plain tail starts on a pixel.
template <class Px, class Bytes>
int32_t ByteStreamPixels(int32_t n, Bytes bytes) {
  if constexpr (Px::Bytes == 3) {
    int32_t m = n & ~15;
    bytes(m * 3);
    return m;
  } else {
    return bytes(n * 4) / 4;
  }
}

template <class Px>
int32_t VecAdd(uint8_t* d, const uint8_t* s, int32_t n) {
  if constexpr (Px::Bytes == 2) return simd::Add16(d, s, n, Px::Depth);
  else return ByteStreamPixels<Px>(n, [&](int32_t b) { return simd::AddBytes(d, s, b); });
}

template <class Px>
int32_t VecSub(uint8_t* d, const uint8_t* s, int32_t n) {
  if constexpr (Px::Bytes == 2) return simd::Sub16(d, s, n, Px::Depth);
  else return ByteStreamPixels<Px>(n, [&](int32_t b) { return simd::SubBytes(d, s, b); });
}

template <class Px>
int32_t VecXor(uint8_t* d, const uint8_t* s, int32_t n) {
  if constexpr (Px::Bytes == 2) return simd::XorBytes(d, s, n * 2) / 2;
  else return ByteStreamPixels<Px>(n, [&](int32_t b) { return simd::XorBytes(d, s, b); });
}

template <class Px>
int32_t VecAlpha(uint8_t* d, const uint8_t* s, int32_t n, uint32_t a) {
  if constexpr (Px::Bytes == 2) return simd::Alpha16(d, s, n, a, Px::Depth);
  else if constexpr (Px::Bytes == 3) return ByteStreamPixels<Px>(n, [&](int32_t b) { return simd::AlphaBytes(d, s, b, a); });
  else return simd::Alpha32(d, s, n, a);
}

template <class Px>
int32_t VecAlphaKeyed(uint8_t* d, const uint8_t* s, int32_t n, uint32_t a, uint32_t key) {
  if constexpr (Px::Bytes == 2) return simd::AlphaKeyed16(d, s, n, a, key, Px::Depth);
  else if constexpr (Px::Bytes == 4) return simd::AlphaKeyed32(d, s, n, a, key);
  else return 0;
}

template <class Px>
int32_t VecMasked(uint8_t* d, const uint8_t* s, int32_t n) {
  if constexpr (Px::Bytes == 4) return simd::Masked32(d, s, n);
  else return 0;
}

// Runs the vector kernel on the leading part of each row when enabled, then
// the plain kernel on the rest. A buffer drawn onto itself always takes the
// plain kernels: where source and destination overlap, the result depends on
// the order pixels are read and written, and it must not change with UseMMX.
template <class Px, class Vec, class Plain>
void RunCopy(const CopyJob& job, Vec vec, Plain plain) {
  if (Vector() && job.src != job.dst) {
    job.Run<Px>([&](uint8_t* d, const uint8_t* s, int32_t n) {
      int32_t done = vec(d, s, n);
      plain(d + done * Px::Bytes, s + done * Px::Bytes, n - done);
    });
  } else {
    job.Run<Px>(plain);
  }
}

// ---- filters ----

// Neighbour rows of y, or null outside the buffer.
struct RowTriple {
  uint8_t* row;
  const uint8_t* up;
  const uint8_t* down;
};

inline RowTriple RowsAround(const TBuffer64& b, int32_t y) {
  return {b.Rows[size_t(y)], y > 0 ? b.Rows[size_t(y - 1)] : nullptr, y + 1 < b.Height ? b.Rows[size_t(y + 1)] : nullptr};
}

// Exact 4-neighbour average on 8-bit channels, in place from the top left:
// the upper and left neighbours are already new, which smears the picture
// towards the bottom right. A neighbour outside the buffer is the pixel itself.
template <class Px>
void BlurBuffer(TBuffer64& b) {
  const int32_t w = b.Width;
  for (int32_t y = 0; y < b.Height; ++y) {
    RowTriple t = RowsAround(b, y);
    uint32_t self = Px::Load(t.row, 0);
    uint32_t left = self;
    for (int32_t x = 0; x < w; ++x) {
      uint32_t right = x + 1 < w ? Px::Load(t.row, x + 1) : self;
      uint32_t up = t.up ? Px::Load(t.up, x) : self, down = t.down ? Px::Load(t.down, x) : self;
      RGB a = Px::Split(left), c = Px::Split(right), u = Px::Split(up), n = Px::Split(down);
      uint32_t v = Px::Pack(uint8_t((a.r + c.r + u.r + n.r) >> 2), uint8_t((a.g + c.g + u.g + n.g) >> 2),
                            uint8_t((a.b + c.b + u.b + n.b) >> 2));
      v |= self & Px::NoColour;  // byte 3 of a 32-bit pixel is kept
      Px::Store(t.row, x, v);
      left = v;
      self = right;
    }
  }
}

// Packed average of the masked neighbours. Horizontally the neighbours are
// the pixels next in memory: across a row end that is the last pixel of the
// row above or the first of the row below when rows follow each other without
// spare bytes; otherwise, and at the first and last pixel of the buffer, the
// pixel itself. Nothing outside the surface is read.
template <class Px>
void BlurFastBuffer(TBuffer64& b) {
  constexpr uint32_t M = Px::FastBlurMask;
  const int32_t w = b.Width, h = b.Height;
  const bool contiguous = int64_t(b.Pitch) == int64_t(w) * Px::Bytes;
  for (int32_t y = 0; y < h; ++y) {
    RowTriple t = RowsAround(b, y);
    uint32_t self = Px::Load(t.row, 0);
    uint32_t left = contiguous && y > 0 ? Px::Load(b.Rows[size_t(y - 1)], w - 1) : self;
    for (int32_t x = 0; x < w; ++x) {
      uint32_t right = x + 1 < w ? Px::Load(t.row, x + 1) : contiguous && y + 1 < h ? Px::Load(b.Rows[size_t(y + 1)], 0) : self;
      uint32_t up = t.up ? Px::Load(t.up, x) : self, down = t.down ? Px::Load(t.down, x) : self;
      uint32_t v = ((left & M) + (right & M) + (up & M) + (down & M)) >> 2;
      Px::Store(t.row, x, v);
      left = v;
      self = right;
    }
  }
}

void InvertRow(uint8_t* d, int32_t bytes) {
  int32_t i = 0;
  for (; i + 4 <= bytes; i += 4) Store32(d + i, ~Load32(d + i));
  for (; i < bytes; ++i) d[i] = uint8_t(~d[i]);
}

// The shape of every copy of the family: clip once, pick the depth once, run
// the row kernels `kernels(job, px)` chooses.
template <class Kernels>
void ClippedCopy(TBuffer64& src, TBuffer64* dest, int32_t x, int32_t y, Kernels kernels) {
  CopyJob job;
  if (!ClipCopy(src, dest, x, y, job)) return;
  WithDepth(src.BitDepth, [&](auto px) { kernels(job, px); });
}

}  // namespace

void TBuffer64::DrawAdd(TBuffer64* dest, int32_t x, int32_t y) {
  ClippedCopy(*this, dest, x, y, [](CopyJob& job, auto px) {
    using Px = decltype(px);
    RunCopy<Px>(job, VecAdd<Px>, AddRow<Px>);
  });
}

void TBuffer64::DrawSub(TBuffer64* dest, int32_t x, int32_t y) {
  ClippedCopy(*this, dest, x, y, [](CopyJob& job, auto px) {
    using Px = decltype(px);
    RunCopy<Px>(job, VecSub<Px>, SubRow<Px>);
  });
}

void TBuffer64::DrawXor(TBuffer64* dest, int32_t x, int32_t y) {
  ClippedCopy(*this, dest, x, y, [](CopyJob& job, auto px) {
    using Px = decltype(px);
    RunCopy<Px>(job, VecXor<Px>, XorRow<Px>);
  });
}

void TBuffer64::DrawAlpha(TBuffer64* dest, int32_t x, int32_t y, uint8_t alpha) {
  ClippedCopy(*this, dest, x, y, [alpha](CopyJob& job, auto px) {
    using Px = decltype(px);
    // 32 opacity steps in two-byte depths, 256 otherwise.
    const uint32_t a = Px::Bytes == 2 ? alpha >> 3u : alpha;
    RunCopy<Px>(
        job, [a](uint8_t* d, const uint8_t* s, int32_t n) { return VecAlpha<Px>(d, s, n, a); },
        [a](uint8_t* d, const uint8_t* s, int32_t n) { AlphaRow<Px>(d, s, n, a); });
  });
}

void TBuffer64::DrawAlphaKeyed(TBuffer64* dest, int32_t x, int32_t y, uint8_t alpha, uint32_t key) {
  ClippedCopy(*this, dest, x, y, [alpha, key](CopyJob& job, auto px) {
    using Px = decltype(px);
    const uint32_t a = Px::Bytes == 2 ? alpha >> 3u : alpha;
    RunCopy<Px>(
        job, [a, key](uint8_t* d, const uint8_t* s, int32_t n) { return VecAlphaKeyed<Px>(d, s, n, a, key); },
        [a, key](uint8_t* d, const uint8_t* s, int32_t n) { AlphaKeyedRow<Px>(d, s, n, a, key); });
  });
}

void TBuffer64::DrawMasked(TBuffer64* dest, int32_t x, int32_t y) {
  ClippedCopy(*this, dest, x, y, [](CopyJob& job, auto px) {
    using Px = decltype(px);
    RunCopy<Px>(job, VecMasked<Px>, MaskedRow<Px>);
  });
}

void TBuffer64::Blur() {
  if (!HasRows(*this)) return;
  WithDepth(BitDepth, [&](auto px) { BlurBuffer<decltype(px)>(*this); });
}

void TBuffer64::BlurFast() {
  if (!HasRows(*this)) return;
  WithDepth(BitDepth, [&](auto px) { BlurFastBuffer<decltype(px)>(*this); });
}

void TBuffer64::Invert() {
  if (!HasRows(*this)) return;
  const int32_t bytes = Width * BytesOfDepth(BitDepth);
  const bool vec = Vector();
  for (int32_t y = 0; y < Height; ++y) {
    uint8_t* row = Rows[size_t(y)];
    int32_t done = vec ? simd::InvertBytes(row, bytes) : 0;
    InvertRow(row + done, bytes - done);
  }
}
