// Geometric drawing into a buffer: pixels, lines, spans, rectangles, discs
// and the rotated copy. Each operation clips once by its own rule; the loops
// after that never test bounds. Coordinates are taken in 64-bit arithmetic
// where a sum or product of two of them could leave the 32-bit range.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <utility>

#include "Zentra2/blend_simd.h"
#include "Zentra2/buffer.h"
#include "Zentra2/cpu.h"
#include "Zentra2/pixel_traits.h"

using namespace pixel;

namespace {

int32_t Sign(int32_t v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

int32_t ClampToInt(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Bresenham between two points already inside the buffer: long + 1 plots.
template <class Px>
void LineSteps(TBuffer64& b, int32_t x, int32_t y, int32_t x2, int32_t y2, uint32_t color) {
  int32_t dx = x2 - x, dy = y2 - y;
  int32_t diagX = Sign(dx), diagY = Sign(dy), straightX, straightY, lng, shrt;
  if (std::abs(dx) > std::abs(dy)) {
    straightX = Sign(dx), straightY = 0, lng = std::abs(dx), shrt = std::abs(dy);
  } else {
    straightX = 0, straightY = Sign(dy), lng = std::abs(dy), shrt = std::abs(dx);
  }
  int32_t err = lng >> 1;
  for (int32_t i = 0; i <= lng; ++i) {
    Px::Store(b.Rows[size_t(y)], x, color);
    err += shrt;
    if (err >= lng) {
      err -= lng;
      x += diagX, y += diagY;
    } else {
      x += straightX, y += straightY;
    }
  }
}

// Two pixels per 32-bit store of the colour's low 16 bits, then the odd one.
void Fill16(uint8_t* d, int32_t n, uint32_t color) {
  uint32_t pair = (color & 0xFFFF) * 0x10001u;
  int32_t i = 0;
  for (; i + 2 <= n; i += 2) Store32(d + 2 * i, pair);
  if (i < n) Store16(d + 2 * i, color);
}

void Fill24(uint8_t* d, int32_t n, uint32_t color) {
  for (int32_t i = 0; i < n; ++i) Store24(d + 3 * i, color);
}

void Fill32(uint8_t* d, int32_t n, uint32_t color) {
  int32_t i = UseMMX ? simd::Fill32(d, n, color) : 0;
  for (; i < n; ++i) Store32(d + 4 * i, color);
}

// The midpoint circle walk keeps d = 2(x+1)^2 + y^2 + (y-1)^2 - 2R^2 and
// lowers y when d >= 0. While the circle's slope stays below one, y drops by
// at most one per column, and then y at column x is simply the largest y the
// test still keeps at column x - 1: min(R, KeepY(x - 1)). That holds for
// every column up to `safe` (8k^2 + 12k + 6 <= 4R^2 bounds the drop of the
// real root by one), which lets a huge disc skip columns whose spans all miss
// the buffer without walking them.
class CirclePath {
public:
  __extension__ typedef __int128 Wide;

  explicit CirclePath(int64_t r) : R(r), R2(Wide(r) * r) {
    int64_t k = int64_t(double(r) / std::sqrt(2.0));
    while (k > 0 && SafeTerm(k) > 4 * R2) --k;
    while (SafeTerm(k + 1) <= 4 * R2) ++k;
    safe = k;
  }

  int64_t Safe() const { return safe; }

  // y at column x >= 1, for x <= Safe() + 1.
  int64_t YAt(int64_t x) const { return std::min(R, KeepY(x - 1)); }

  int64_t D(int64_t x, int64_t y) const { return int64_t(2 * Wide(x + 1) * (x + 1) + G(y) - 2 * R2); }

private:
  static Wide G(Wide t) { return t * t + (t - 1) * (t - 1); }
  static Wide SafeTerm(Wide k) { return 8 * k * k + 12 * k + 6; }

  // Largest t with t^2 + (t-1)^2 < 2R^2 - 2(k+1)^2.
  int64_t KeepY(int64_t k) const {
    const Wide t2 = 2 * R2 - 2 * Wide(k + 1) * (k + 1);
    Wide t = Wide((1.0L + std::sqrt(static_cast<long double>(2 * t2 - 1))) / 2);
    while (G(t + 1) < t2) ++t;
    while (t > 0 && G(t) >= t2) --t;
    return int64_t(t);
  }

  int64_t R;
  Wide R2;
  int64_t safe = 0;
};

}  // namespace

// Single pixels choose by the pixel size of the buffer's depth: the stored
// BitsPerPixel is pitch-derived and need not match it for narrow buffers.
void TBuffer64::PutPixel(int32_t x, int32_t y, uint32_t color) {
  if (x < 0 || y < 0 || x >= Width || y >= Height || !HasRows(*this)) return;
  WithDepth(BitDepth, [&](auto px) { decltype(px)::Store(Rows[size_t(y)], x, color); });
}

uint32_t TBuffer64::GetPixel(int32_t x, int32_t y) const {
  uint32_t v = 0;
  if (x < 0 || y < 0 || x >= Width || y >= Height || !HasRows(*this)) return 0;
  WithDepth(BitDepth, [&](auto px) { v = decltype(px)::Load(Rows[size_t(y)], x); });
  return v;
}

// Cohen-Sutherland with truncating division. Every intersection lies between
// the two end points, so the results fit in 32 bits; the products are taken
// in 64. The loop settles within a few rounds; the cap only guards against
// an endless see-saw, which is then treated as a miss.
bool TBuffer64::ClipLine(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const {
  if (Width <= 0 || Height <= 0) return true;
  const int64_t maxX = MaxX, maxY = MaxY;
  auto outcode = [&](int64_t x, int64_t y) {
    int c = y > maxY ? 1 : y < 0 ? 2 : 0;
    return c | (x > maxX ? 8 : x < 0 ? 4 : 0);
  };
  int64_t X1 = x1, Y1 = y1, X2 = x2, Y2 = y2;
  int c1 = outcode(X1, Y1), c2 = outcode(X2, Y2);
  for (int round = 0; c1 != 0 || c2 != 0; ++round) {
    if ((c1 & c2) != 0 || round == 16) return true;
    int c = c1 != 0 ? c1 : c2;
    int64_t x, y;
    if (c & 1) {
      y = maxY, x = X1 + (X2 - X1) * (maxY - Y1) / (Y2 - Y1);
    } else if (c & 2) {
      y = 0, x = X1 + (X2 - X1) * (0 - Y1) / (Y2 - Y1);
    } else if (c & 8) {
      x = maxX, y = Y1 + (Y2 - Y1) * (maxX - X1) / (X2 - X1);
    } else {
      x = 0, y = Y1 + (Y2 - Y1) * (0 - X1) / (X2 - X1);
    }
    if (c == c1) {
      X1 = x, Y1 = y, c1 = outcode(x, y);
    } else {
      X2 = x, Y2 = y, c2 = outcode(x, y);
    }
  }
  x1 = int32_t(X1), y1 = int32_t(Y1), x2 = int32_t(X2), y2 = int32_t(Y2);
  return false;
}

void TBuffer64::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color) {
  if (!HasRows(*this) || ClipLine(x1, y1, x2, y2)) return;
  WithDepth(BitDepth, [&](auto px) { LineSteps<decltype(px)>(*this, x1, y1, x2, y2, color); });
}

void TBuffer64::HLine(int32_t x1, int32_t x2, int32_t y, uint32_t color) {
  if (y < 0 || y >= Height || !HasRows(*this)) return;
  int64_t left = std::min(x1, x2), end = int64_t(std::max(x1, x2)) + 1;
  if (end < 0 || left > Width) return;
  left = std::max<int64_t>(left, 0);
  end = std::min<int64_t>(end, Width);
  if (VideoMemory) return HardwareFill(int32_t(left), y, int32_t(end), y + 1, color);
  const int32_t n = int32_t(end - left);
  if (n <= 0) return;
  uint8_t* row = Rows[size_t(y)];
  switch (BitDepth) {
    case 15:
    case 16: Fill16(row + 2 * left, n, color); break;
    case 24: Fill24(row + 3 * left, n, color); break;
    case 32: Fill32(row + 4 * left, n, color); break;
    default: break;
  }
}

void TBuffer64::VLine(int32_t y1, int32_t y2, int32_t x, uint32_t color) {
  if (x < 0 || x >= Width || !HasRows(*this)) return;
  if (y1 > y2) std::swap(y1, y2);
  if (y2 < 0 || y1 >= Height) return;
  y1 = std::max(y1, 0);
  y2 = std::min(y2, MaxY);
  WithDepth(BitDepth, [&](auto px) {
    for (int32_t y = y1; y <= y2; ++y) decltype(px)::Store(Rows[size_t(y)], x, color);
  });
}

void TBuffer64::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  HLine(x1, x2, y1, color);
  HLine(x1, x2, y2, color);
  VLine(y1, y2, x1, color);
  VLine(y1, y2, x2, color);
}

// Right and bottom edges excluded, through the hardware fill whatever the
// kind of memory.
void TBuffer64::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x2 < 0 || y2 < 0 || x1 > Width || y1 > Height) return;
  HardwareFill(std::max(x1, 0), std::max(y1, 0), std::min(x2, Width), std::min(y2, Height), color);
}

// Midpoint circle filled with spans; rows where the octants meet are drawn
// more than once. Spans of rows outside the buffer are skipped. Every later
// span lies on a row in [CY - y, CY - x] or [CY + x, CY + y] (x only grows, y
// only shrinks, y >= x), so the loop ends once both ranges miss the buffer;
// and a run of columns whose four rows all miss it is jumped over in one go.
// A disc of any radius costs about the rows it can touch.
void TBuffer64::FillCircle(int32_t cx, int32_t cy, int32_t radius, uint32_t color) {
  const int64_t CX = cx, CY = cy, R = radius, H = Height;
  if (CX + R < 0 || CX - R >= Width || CY + R < 0 || CY - R >= Height) return;
  auto visible = [&](int64_t row) { return row >= 0 && row < H; };
  auto span = [&](int64_t a, int64_t b, int64_t row) {
    if (visible(row)) HLine(ClampToInt(a), ClampToInt(b), int32_t(row), color);
  };
  const bool jumps = R >= 16;
  const CirclePath path(jumps ? R : 16);
  // First column in (from, to] where pred holds, or to + 1; pred must turn
  // true once and stay true.
  auto firstWhere = [](int64_t from, int64_t to, auto pred) {
    int64_t lo = from + 1, hi = to + 1;
    while (lo < hi) {
      int64_t mid = lo + (hi - lo) / 2;
      if (pred(mid)) hi = mid;
      else lo = mid + 1;
    }
    return lo;
  };
  // The next column after x where one of the four rows may lie in the
  // buffer, at most safe + 1. Rows CY +- x move by one per column and so do
  // rows CY +- y, so none can step over the buffer.
  auto nextVisible = [&](int64_t x) {
    const int64_t last = path.Safe() + 1;
    int64_t next = last;
    if (H - 1 - CY > x) next = std::min(next, std::max(x + 1, -CY));
    if (CY > x) next = std::min(next, std::max(x + 1, CY - H + 1));
    for (int64_t top : {H - 1 - CY, CY}) {  // y ranges of rows CY + y and CY - y
      int64_t bottom = top - (H - 1);
      int64_t at = firstWhere(x, last, [&](int64_t c) { return path.YAt(c) <= top; });
      if (at <= last && path.YAt(at) >= bottom) next = std::min(next, at);
    }
    return next;
  };
  int64_t x = 0, y = R, d = 3 - 2 * R;
  while (y >= x) {
    if ((CY - x < 0 || CY - y >= H) && (CY + x >= H || CY + y < 0)) break;
    if (jumps && x >= 1 && x <= path.Safe() && !visible(CY + x) && !visible(CY - x) && !visible(CY + y) &&
        !visible(CY - y)) {
      int64_t to = nextVisible(x);
      // Stop where the walk itself would have ended (y - x only shrinks).
      to = std::min(to, firstWhere(x, to, [&](int64_t c) { return path.YAt(c) < c; }));
      if (to > x + 1) {
        x = to, y = path.YAt(to), d = path.D(x, y);
        continue;
      }
    }
    span(CX + y, CX - y, CY + x);
    span(CX + y, CX - y, CY - x);
    span(CX + x, CX - x, CY + y);
    span(CX + x, CX - x, CY - y);
    if (d < 0) {
      d += 4 * x + 6;
    } else {
      d += 4 * (x - y) + 10;
      --y;
    }
    ++x;
  }
}

// The picture's four corners, turned and zoomed about its centre, filled
// into `dest` with the texture filler (which clips and samples).
void TBuffer64::DrawRotated(TBuffer64* dest, int32_t cx, int32_t cy, float zoom, float angle) {
  if (!dest) return;
  const int32_t hw = int32_t(uint32_t(Width) >> 1), hh = int32_t(uint32_t(Height) >> 1);
  const float w = float(Width), h = float(Height);
  TPolyVertex v[4];
  const float corners[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
  // The angle in radians, c and s, and every corner are Singles, each its
  // expression evaluated in double and rounded once where it is stored.
  // c and s pass through memory: GCC 12's vectorizer otherwise drops their
  // rounding when it widens them again for the corners.
  const float a = float(angle / 180.0 * std::numbers::pi);
  volatile float singles[2] = {float(std::cos(double(a)) * zoom), float(std::sin(double(a)) * zoom)};
  const double c = singles[0], s = singles[1];
  for (int i = 0; i < 4; ++i) {
    const double dx = double(corners[i][0]) - hw, dy = double(corners[i][1]) - hh;
    v[i].X = float(cx + dx * c - dy * s);
    v[i].Y = float(cy + dx * s + dy * c);
    v[i].U = corners[i][0];
    v[i].V = corners[i][1];
  }
  dest->TexturePoly(this, v, 4);
}
