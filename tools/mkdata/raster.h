// Float RGB pictures and the small drawing kit the generator paints with.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace mkdata {

struct Rgb {
  float r = 0, g = 0, b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb operator*(float s, Rgb a) { return a * s; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb Mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
inline Rgb Hex(uint32_t v) {
  return {((v >> 16) & 255) / 255.0f, ((v >> 8) & 255) / 255.0f, (v & 255) / 255.0f};
}

inline float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float Smooth(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}
inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }

// Colour ramp through evenly spaced stops, t in 0..1.
Rgb Ramp(const std::vector<Rgb>& stops, float t);

// A picture with channels in 0..1 (values above 1 are clipped when saved).
struct Image {
  int w = 0, h = 0;
  std::vector<Rgb> px;

  Image() = default;
  Image(int width, int height, Rgb fill = {}) : w(width), h(height), px(size_t(width) * height, fill) {}
  Rgb& at(int x, int y) { return px[size_t(y) * w + x]; }
  const Rgb& at(int x, int y) const { return px[size_t(y) * w + x]; }
  // Wrapping access, for tiles.
  Rgb& wrap(int x, int y) {
    x %= w; y %= h;
    if (x < 0) x += w;
    if (y < 0) y += h;
    return at(x, y);
  }
  void add(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w && y < h) at(x, y) = at(x, y) + c;
  }
  void blend(int x, int y, Rgb c, float a) {
    if (x >= 0 && y >= 0 && x < w && y < h) at(x, y) = Mix(at(x, y), c, a);
  }
  Rgb bilinear(float x, float y) const;  // clamped at the borders
};

// Deterministic hashing and random numbers: every picture is a function of fixed seeds.
uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0);
struct Rng {
  uint64_t s;
  explicit Rng(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 0x1234567ull) {}
  uint32_t next() {
    s ^= s << 13; s ^= s >> 7; s ^= s << 17;
    return uint32_t(s >> 16);
  }
  float uniform() { return (next() & 0xFFFFFF) / float(0x1000000); }           // 0..1
  float range(float a, float b) { return a + (b - a) * uniform(); }
};

// Gradient noise in 2D with an optional period (0 = none) so tiles wrap; about -1..1.
float Noise2(float x, float y, int seed, int periodX = 0, int periodY = 0);
// Fractal sum of Noise2; the period doubles with each octave so it keeps wrapping.
float Fbm2(float x, float y, int octaves, int seed, int periodX = 0, int periodY = 0, float gain = 0.5f);
// Gradient noise in 3D, for planet surfaces.
float Noise3(float x, float y, float z, int seed);
float Fbm3(float x, float y, float z, int octaves, int seed, float gain = 0.5f);

// Drawing helpers. Sizes in pixels, positions of pixel centres at integer + 0.5.
void AddGlow(Image& img, float cx, float cy, float radius, Rgb colour, float power = 2.0f, bool wrapEdges = false);
void AddStar(Image& img, float cx, float cy, float size, Rgb colour, bool spikes, bool wrapEdges = false);
void DrawEllipse(Image& img, float cx, float cy, float rx, float ry, float angle, float width, Rgb colour,
                 float alpha, float dash = 0, float startFade = 0);
void FillRect(Image& img, int x0, int y0, int x1, int y1, Rgb colour, float alpha = 1);
void StrokeRect(Image& img, int x0, int y0, int x1, int y1, Rgb colour, float alpha = 1);
Image Resize(const Image& src, int w, int h);  // box filter down, bilinear up
void BoxBlur(Image& img, int radius, bool wrapEdges = false);

}  // namespace mkdata
