#include "raster.h"

#include <algorithm>

namespace mkdata {

Rgb Ramp(const std::vector<Rgb>& stops, float t) {
  if (stops.empty()) return {};
  if (stops.size() == 1) return stops[0];
  float f = Clamp01(t) * float(stops.size() - 1);
  size_t i = std::min(size_t(f), stops.size() - 2);
  return Mix(stops[i], stops[i + 1], f - float(i));
}

Rgb Image::bilinear(float x, float y) const {
  x -= 0.5f;
  y -= 0.5f;
  x = std::clamp(x, 0.0f, float(w - 1));
  y = std::clamp(y, 0.0f, float(h - 1));
  int x0 = int(x), y0 = int(y);
  int x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
  float fx = x - x0, fy = y - y0;
  return Mix(Mix(at(x0, y0), at(x1, y0), fx), Mix(at(x0, y1), at(x1, y1), fx), fy);
}

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c) {
  uint32_t h = a * 0x27d4eb2du ^ (b + 0x9e3779b9u + (a << 6) + (a >> 2));
  h ^= c * 0x85ebca6bu;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  h *= 0x297a2d39u;
  h ^= h >> 15;
  return h;
}

namespace {

float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

int Wrap(int v, int period) {
  if (period <= 0) return v;
  v %= period;
  return v < 0 ? v + period : v;
}

float Grad2(int ix, int iy, int seed, float dx, float dy) {
  uint32_t h = Hash(uint32_t(ix), uint32_t(iy), uint32_t(seed));
  float a = float(h & 0xFFFF) * (6.2831853f / 65536.0f);
  return std::cos(a) * dx + std::sin(a) * dy;
}

float Grad3(int ix, int iy, int iz, int seed, float dx, float dy, float dz) {
  uint32_t h = Hash(uint32_t(ix) * 73856093u, uint32_t(iy) * 19349663u ^ uint32_t(iz) * 83492791u, uint32_t(seed));
  switch (h % 12) {
    case 0: return dx + dy;
    case 1: return -dx + dy;
    case 2: return dx - dy;
    case 3: return -dx - dy;
    case 4: return dx + dz;
    case 5: return -dx + dz;
    case 6: return dx - dz;
    case 7: return -dx - dz;
    case 8: return dy + dz;
    case 9: return -dy + dz;
    case 10: return dy - dz;
    default: return -dy - dz;
  }
}

}  // namespace

float Noise2(float x, float y, int seed, int periodX, int periodY) {
  int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  float fx = x - x0, fy = y - y0;
  int xa = Wrap(x0, periodX), xb = Wrap(x0 + 1, periodX);
  int ya = Wrap(y0, periodY), yb = Wrap(y0 + 1, periodY);
  float n00 = Grad2(xa, ya, seed, fx, fy);
  float n10 = Grad2(xb, ya, seed, fx - 1, fy);
  float n01 = Grad2(xa, yb, seed, fx, fy - 1);
  float n11 = Grad2(xb, yb, seed, fx - 1, fy - 1);
  float u = Fade(fx), v = Fade(fy);
  return 1.41f * Lerp(Lerp(n00, n10, u), Lerp(n01, n11, u), v);
}

float Fbm2(float x, float y, int octaves, int seed, int periodX, int periodY, float gain) {
  float sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * Noise2(x, y, seed + o * 131, periodX, periodY);
    norm += amp;
    amp *= gain;
    x *= 2;
    y *= 2;
    periodX *= 2;
    periodY *= 2;
  }
  return sum / norm;
}

float Noise3(float x, float y, float z, int seed) {
  int x0 = int(std::floor(x)), y0 = int(std::floor(y)), z0 = int(std::floor(z));
  float fx = x - x0, fy = y - y0, fz = z - z0;
  float u = Fade(fx), v = Fade(fy), w = Fade(fz);
  float c[2][2][2];
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 2; ++i)
        c[k][j][i] = Grad3(x0 + i, y0 + j, z0 + k, seed, fx - i, fy - j, fz - k);
  float a = Lerp(Lerp(c[0][0][0], c[0][0][1], u), Lerp(c[0][1][0], c[0][1][1], u), v);
  float b = Lerp(Lerp(c[1][0][0], c[1][0][1], u), Lerp(c[1][1][0], c[1][1][1], u), v);
  return 0.9f * Lerp(a, b, w);
}

float Fbm3(float x, float y, float z, int octaves, int seed, float gain) {
  float sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amp * Noise3(x, y, z, seed + o * 71);
    norm += amp;
    amp *= gain;
    x *= 2.03f;
    y *= 2.03f;
    z *= 2.03f;
  }
  return sum / norm;
}

void AddGlow(Image& img, float cx, float cy, float radius, Rgb colour, float power, bool wrapEdges) {
  int r = int(std::ceil(radius)) + 1;
  for (int y = int(cy) - r; y <= int(cy) + r; ++y)
    for (int x = int(cx) - r; x <= int(cx) + r; ++x) {
      float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
      float d = std::sqrt(dx * dx + dy * dy) / radius;
      if (d >= 1) continue;
      float v = std::pow(1 - d, power);
      if (wrapEdges)
        img.wrap(x, y) = img.wrap(x, y) + colour * v;
      else
        img.add(x, y, colour * v);
    }
}

void AddStar(Image& img, float cx, float cy, float size, Rgb colour, bool spikes, bool wrapEdges) {
  int r = int(std::ceil(size * (spikes ? 6 : 3))) + 1;
  float inv = 1.0f / (size * size);
  for (int y = int(cy) - r; y <= int(cy) + r; ++y)
    for (int x = int(cx) - r; x <= int(cx) + r; ++x) {
      float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
      float d2 = dx * dx + dy * dy;
      float v = std::exp(-d2 * inv * 1.2f);
      if (spikes) {
        float ax = std::exp(-dy * dy * 2.0f) * std::exp(-std::fabs(dx) / (size * 1.8f));
        float ay = std::exp(-dx * dx * 2.0f) * std::exp(-std::fabs(dy) / (size * 1.8f));
        v += 0.35f * (ax + ay);
      }
      if (v < 0.002f) continue;
      if (wrapEdges)
        img.wrap(x, y) = img.wrap(x, y) + colour * v;
      else
        img.add(x, y, colour * v);
    }
}

void DrawEllipse(Image& img, float cx, float cy, float rx, float ry, float angle, float width, Rgb colour,
                 float alpha, float dash, float startFade) {
  // Walk the curve in small steps and splat soft dots: simple, antialiased, and cheap at these sizes.
  float circumference = 6.2831853f * std::sqrt(0.5f * (rx * rx + ry * ry));
  int steps = std::max(16, int(circumference * 3));
  float ca = std::cos(angle), sa = std::sin(angle);
  std::vector<float> cover(size_t(img.w) * img.h, 0.0f);
  float hw = width * 0.5f;
  for (int i = 0; i < steps; ++i) {
    float t = 6.2831853f * i / steps;
    if (dash > 0 && std::fmod(t * circumference / 6.2831853f, dash * 2) > dash) continue;
    float fade = 1;
    if (startFade > 0) fade = Smooth(0, 1, t / 6.2831853f) * startFade + (1 - startFade);
    float ex = rx * std::cos(t), ey = ry * std::sin(t);
    float px = cx + ex * ca - ey * sa, py = cy + ex * sa + ey * ca;
    int x0 = int(std::floor(px - hw - 1)), x1 = int(std::ceil(px + hw + 1));
    int y0 = int(std::floor(py - hw - 1)), y1 = int(std::ceil(py + hw + 1));
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        if (x < 0 || y < 0 || x >= img.w || y >= img.h) continue;
        float dx = x + 0.5f - px, dy = y + 0.5f - py;
        float d = std::sqrt(dx * dx + dy * dy);
        float c = Clamp01(hw + 0.5f - d) * fade;
        float& slot = cover[size_t(y) * img.w + x];
        slot = std::max(slot, c);
      }
  }
  for (size_t i = 0; i < cover.size(); ++i)
    if (cover[i] > 0) img.px[i] = img.px[i] + colour * (cover[i] * alpha);
}

void FillRect(Image& img, int x0, int y0, int x1, int y1, Rgb colour, float alpha) {
  for (int y = std::max(0, y0); y < std::min(img.h, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(img.w, x1); ++x) img.at(x, y) = Mix(img.at(x, y), colour, alpha);
}

void StrokeRect(Image& img, int x0, int y0, int x1, int y1, Rgb colour, float alpha) {
  FillRect(img, x0, y0, x1, y0 + 1, colour, alpha);
  FillRect(img, x0, y1 - 1, x1, y1, colour, alpha);
  FillRect(img, x0, y0 + 1, x0 + 1, y1 - 1, colour, alpha);
  FillRect(img, x1 - 1, y0 + 1, x1, y1 - 1, colour, alpha);
}

Image Resize(const Image& src, int w, int h) {
  Image out(w, h);
  float sx = float(src.w) / w, sy = float(src.h) / h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (sx <= 1 && sy <= 1) {
        out.at(x, y) = src.bilinear((x + 0.5f) * sx, (y + 0.5f) * sy);
        continue;
      }
      int x0 = int(x * sx), x1 = std::max(x0 + 1, int((x + 1) * sx));
      int y0 = int(y * sy), y1 = std::max(y0 + 1, int((y + 1) * sy));
      Rgb sum;
      for (int yy = y0; yy < std::min(y1, src.h); ++yy)
        for (int xx = x0; xx < std::min(x1, src.w); ++xx) sum = sum + src.at(xx, yy);
      out.at(x, y) = sum * (1.0f / float((std::min(x1, src.w) - x0) * (std::min(y1, src.h) - y0)));
    }
  return out;
}

namespace {

// One pass of the box blur, along the rows or along the columns, from `in` into `out`.
void BoxBlurPass(const Image& in, Image& out, int radius, bool wrapEdges, bool alongRows) {
  const float inv = 1.0f / float(2 * radius + 1);
  const int n = alongRows ? in.w : in.h;
  for (int y = 0; y < in.h; ++y)
    for (int x = 0; x < in.w; ++x) {
      Rgb s;
      for (int k = -radius; k <= radius; ++k) {
        int i = (alongRows ? x : y) + k;
        if (wrapEdges) i = (i % n + n) % n;
        else i = std::clamp(i, 0, n - 1);
        s = s + (alongRows ? in.at(i, y) : in.at(x, i));
      }
      out.at(x, y) = s * inv;
    }
}

}  // namespace

void BoxBlur(Image& img, int radius, bool wrapEdges) {
  if (radius <= 0) return;
  Image tmp = img;
  BoxBlurPass(img, tmp, radius, wrapEdges, true);
  BoxBlurPass(tmp, img, radius, wrapEdges, false);
}

}  // namespace mkdata
