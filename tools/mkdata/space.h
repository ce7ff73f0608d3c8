// Space painting: star fields, nebulae, planets with atmospheres and rings.
#pragma once

#include <vector>

#include "raster.h"

namespace mkdata {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline Vec3 Normalise(Vec3 a) {
  float l = std::sqrt(Dot(a, a));
  return l > 0 ? a * (1.0f / l) : a;
}

struct StarOptions {
  int count = 300;
  float brightness = 1;
  float bigFraction = 0.03f;  // share of large stars with spikes
  bool wrapEdges = false;
};
void AddStars(Image& img, int seed, const StarOptions& opt);

struct NebulaOptions {
  float cell = 128;              // pixels per noise cell of the lowest octave
  std::vector<Rgb> palette;      // from thin to dense
  float strength = 1;
  float coverage = 0.5f;         // 0 = wisps only, 1 = everywhere
  bool wrapX = false, wrapY = false;
  float warp = 1.0f;
};
// Adds a domain-warped fractal cloud; tiles wrap when asked (sizes must be multiples of cell).
void AddNebula(Image& img, int seed, const NebulaOptions& opt);

enum class Surface { Gas, Rock, Ice };

struct Planet {
  float cx = 0, cy = 0, r = 100;   // centre and radius in pixels
  Vec3 light{-0.6f, 0.5f, 0.6f};   // towards the sun; y up
  Surface surface = Surface::Gas;
  std::vector<Rgb> palette;        // surface colours
  int seed = 1;
  float bandFreq = 6;              // gas bands
  float detail = 1;                // surface noise frequency multiplier (large planets want more)
  float tilt = 0.3f;               // spin axis tilt in the picture plane (radians)
  Rgb atmosphere{0.3f, 0.6f, 1.0f};
  float atmoWidth = 0.08f;         // halo width relative to r
  float atmoStrength = 0.8f;
  float ambient = 0.02f;
  bool rings = false;
  float ringInner = 1.35f, ringOuter = 2.2f;
  float ringOpen = 0.28f;          // sine of the ring plane's tilt towards the eye
  float ringRoll = -0.25f;         // rotation of the ring in the picture (radians)
  Rgb ringColour{0.9f, 0.85f, 0.75f};
  float ringStrength = 0.9f;
};
// Paints the planet over the picture (opaque disc, additive halo, rings in front and behind).
void DrawPlanet(Image& img, const Planet& p);

}  // namespace mkdata
