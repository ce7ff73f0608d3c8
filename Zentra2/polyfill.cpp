// Scan-line fillers for convex polygons: flat, Gouraud and affine textured.
// Every edge is walked once in 16.16 fixed point into the target's EdgeTable;
// then each covered row is filled from the two entries of that row.
//
// EdgeTable layout, 12 integers per row y starting at 12 * y:
//   [0] column of side 0, [1] column of side 1,
//   [2..4] red, green, blue of side 0, [5..7] of side 1 (16.16),
//   [8..9] U, V of side 0, [10..11] of side 1 (16.16).
// Side 0 takes the edges that run downwards in vertex order, side 1 those
// that run upwards; a convex polygon crosses each covered row once per side.
//
// In range (|value| < 32768) the arithmetic is the plain 32-bit 16.16 one.
// Beyond it everything saturates instead of wrapping: float-to-integer
// conversions are clamped first and the walkers step in 64 bits, so huge,
// infinite or NaN coordinates draw something harmless and never touch
// memory outside the target and texture.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "Zentra2/buffer.h"
#include "Zentra2/pixel_traits.h"

using namespace pixel;

namespace {

constexpr int kStride = 12;
constexpr int kColumn = 0, kColour = 2, kTexel = 8;

constexpr int64_t kIntMin = std::numeric_limits<int32_t>::min(), kIntMax = std::numeric_limits<int32_t>::max();

int32_t Sat32(int64_t v) { return int32_t(std::clamp(v, kIntMin, kIntMax)); }

// Truncation toward zero, plus 1 when the fraction is positive: the ceiling.
// Values beyond the integer range give its ends, NaN gives 0.
int32_t CeilInt(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483648.0f) return int32_t(kIntMax);
  if (v <= -2147483648.0f) return int32_t(kIntMin);
  int32_t t = int32_t(v);
  return v > float(t) ? t + 1 : t;
}

// Single to 16.16 (or to an integer), truncating toward zero, clamped.
int64_t Trunc(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return kIntMax;
  if (v <= -2147483648.0) return kIntMin;
  return int64_t(v);
}

bool CanFill(const TBuffer64& b) { return HasRows(b) && b.EdgeTable.size() >= size_t(b.Height) * kStride; }

// One corner as the walkers see it: position and N attributes.
template <int N>
struct Corner {
  float x, y;
  float a[N > 0 ? N : 1];
};

// Walks the edge from p to q into the table: rows y1 <= y < y2 are covered,
// so an edge's top row is included, its bottom row is not, and a horizontal
// edge covers none. Rows above 0 are stepped over, rows past the last row end
// the walk.
template <int N>
void WalkEdge(int32_t* table, int32_t height, int attrSlot, Corner<N> p, Corner<N> q) {
  const float dy = q.y - p.y;
  float slope = 0, step[N > 0 ? N : 1] = {};
  if (dy != 0) {
    slope = (q.x - p.x) / dy;
    for (int i = 0; i < N; ++i) step[i] = (q.a[i] - p.a[i]) / dy;
  }
  int side = 0;
  float y1 = p.y, y2 = q.y;
  if (y1 > y2) {
    side = 1;
    p.x = q.x;
    for (int i = 0; i < N; ++i) p.a[i] = q.a[i];
    std::swap(y1, y2);
  }
  const int64_t yStart = CeilInt(y1), yEnd = int64_t(CeilInt(y2)) - 1;
  const int64_t first = std::max<int64_t>(yStart, 0), last = std::min<int64_t>(yEnd, height - 1);
  if (first > last) return;
  const double pre = double(yStart) - double(y1);
  int64_t x = Trunc((pre * slope + p.x) * 65536.0), dx = Trunc(double(slope) * 65536.0);
  int64_t a[N > 0 ? N : 1], da[N > 0 ? N : 1];
  for (int i = 0; i < N; ++i) a[i] = Trunc((pre * step[i] + p.a[i]) * 65536.0), da[i] = Trunc(double(step[i]) * 65536.0);
  // Rows above 0 are stepped in one go: at most 2^31 steps of at most 2^31.
  const int64_t skip = first - yStart;
  x += dx * skip;
  for (int i = 0; i < N; ++i) a[i] += da[i] * skip;
  for (int64_t y = first; y <= last; ++y) {
    int32_t* row = table + y * kStride;
    row[kColumn + side] = Sat32(x / 65536);
    for (int i = 0; i < N; ++i) row[attrSlot + side * N + i] = Sat32(a[i]);
    x += dx;
    for (int i = 0; i < N; ++i) a[i] += da[i];
  }
}

// The driver the three fillers share: walk every edge in order (the closing
// one last), then hand each covered row to `span`.
template <int N, class Attrs, class Span>
void Polygon(TBuffer64& t, const TPolyVertex* v, int32_t count, int attrSlot, Attrs attrs, Span span) {
  if (!v || count <= 0 || !CanFill(t)) return;
  int32_t* table = t.EdgeTable.data();
  auto corner = [&](int32_t i) {
    Corner<N> c{v[i].X, v[i].Y, {}};
    attrs(v[i], c.a);
    return c;
  };
  for (int32_t i = 1; i < count; ++i) WalkEdge<N>(table, t.Height, attrSlot, corner(i - 1), corner(i));
  WalkEdge<N>(table, t.Height, attrSlot, corner(count - 1), corner(0));
  float minY = v[0].Y, maxY = v[0].Y;
  for (int32_t i = 1; i < count; ++i) minY = std::min(minY, v[i].Y), maxY = std::max(maxY, v[i].Y);
  if (minY == maxY) return;
  const int64_t first = std::max<int64_t>(0, CeilInt(minY));
  const int64_t last = std::min<int64_t>(t.Height - 1, int64_t(CeilInt(maxY)) - 1);
  for (int64_t y = first; y <= last; ++y) span(int32_t(y), table + y * kStride);
}

// The ends of an interpolated span, ordered left to right, with per-pixel
// steps of its N attributes taken over the unclipped length. False when the
// span misses the row or its ends meet.
template <int N>
struct SpanSetup {
  int64_t xl, xr, a[N], step[N];

  bool Init(const int32_t* row, int attrSlot, int32_t width) {
    xl = row[kColumn], xr = row[kColumn + 1];
    const int32_t* al = row + attrSlot;
    const int32_t* ar = row + attrSlot + N;
    if (xr < xl) std::swap(xl, xr), std::swap(al, ar);
    if (xr < 0 || xl > width - 1) return false;
    const int64_t n = xr - xl;
    for (int i = 0; i < N; ++i) a[i] = al[i], step[i] = n != 0 ? (int64_t(ar[i]) - al[i]) / n : 0;
    xr = std::min<int64_t>(xr, width - 1);
    if (xr - xl <= 0) return false;
    // Columns left of 0 are stepped over; |step * skip| is at most the
    // difference of the two ends.
    if (xl < 0) {
      for (int i = 0; i < N; ++i) a[i] += step[i] * -xl;
      xl = 0;
    }
    return true;
  }
};

template <class Px>
void SpanRGB(TBuffer64& t, int32_t y, const int32_t* row) {
  SpanSetup<3> s;
  if (!s.Init(row, kColour, t.Width)) return;
  uint8_t* out = t.Rows[size_t(y)];
  int64_t r = s.a[0], g = s.a[1], b = s.a[2];
  for (int64_t x = s.xl; x <= s.xr; ++x) {
    Px::Store(out, int32_t(x), Px::Pack(uint8_t(r / 65536), uint8_t(g / 65536), uint8_t(b / 65536)));
    r += s.step[0], g += s.step[1], b += s.step[2];
  }
}

// Texels are clamped into the texture: the value one past the last row or
// column (a corner carrying the full size) reads the last one, and anything
// further out reads the nearest edge.
template <class Px>
void SpanUV(TBuffer64& t, const TBuffer64& tex, int32_t y, const int32_t* row) {
  SpanSetup<2> s;
  if (!s.Init(row, kTexel, t.Width)) return;
  uint8_t* out = t.Rows[size_t(y)];
  const int64_t lastCol = tex.Width - 1, lastRow = tex.Height - 1;
  int64_t u = s.a[0], v = s.a[1];
  for (int64_t x = s.xl; x <= s.xr; ++x) {
    int64_t tr = v / 65536, tc = u / 65536;
    if (tr > lastRow) --tr;
    if (tc > lastCol) --tc;
    tr = std::clamp<int64_t>(tr, 0, lastRow);
    tc = std::clamp<int64_t>(tc, 0, lastCol);
    Px::Store(out, int32_t(x), Px::Load(tex.Rows[size_t(tr)], int32_t(tc)));
    u += s.step[0], v += s.step[1];
  }
}

}  // namespace

void TBuffer64::FillPoly(const TPolyVertex* vertices, int32_t count, uint32_t color) {
  Polygon<0>(
      *this, vertices, count, 0, [](const TPolyVertex&, float*) {},
      [&](int32_t y, const int32_t* row) { HLine(row[kColumn], row[kColumn + 1], y, color); });
}

void TBuffer64::GouraudPoly(const TPolyVertex* vertices, int32_t count) {
  WithDepth(BitDepth, [&](auto px) {
    using Px = decltype(px);
    Polygon<3>(
        *this, vertices, count, kColour,
        [](const TPolyVertex& v, float* a) {
          RGB c = Px::Split(v.Color);
          a[0] = float(c.r), a[1] = float(c.g), a[2] = float(c.b);
        },
        [&](int32_t y, const int32_t* row) { SpanRGB<Px>(*this, y, row); });
  });
}

void TBuffer64::TexturePoly(TBuffer64* texture, const TPolyVertex* vertices, int32_t count) {
  // Texels are copied raw, so the texture must share the target's depth.
  if (!texture || texture->BitDepth != BitDepth || !HasRows(*texture)) return;
  WithDepth(BitDepth, [&](auto px) {
    using Px = decltype(px);
    Polygon<2>(
        *this, vertices, count, kTexel,
        [](const TPolyVertex& v, float* a) {
          a[0] = v.U;
          a[1] = v.V;
        },
        [&](int32_t y, const int32_t* row) { SpanUV<Px>(*this, *texture, y, row); });
  });
}
