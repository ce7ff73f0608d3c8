#include "space.h"

#include <algorithm>

namespace mkdata {

void AddStars(Image& img, int seed, const StarOptions& opt) {
  Rng rng(uint64_t(seed) * 7919u + 17u);
  static const Rgb kTints[] = {{0.75f, 0.85f, 1.0f}, {1.0f, 1.0f, 1.0f}, {0.85f, 0.92f, 1.0f},
                               {1.0f, 0.92f, 0.78f}, {1.0f, 0.8f, 0.6f}, {0.8f, 0.8f, 1.0f}};
  for (int i = 0; i < opt.count; ++i) {
    float x = rng.uniform() * img.w, y = rng.uniform() * img.h;
    float m = rng.uniform();
    Rgb tint = kTints[rng.next() % 6];
    bool big = rng.uniform() < opt.bigFraction;
    float size = big ? rng.range(1.0f, 1.6f) : rng.range(0.45f, 0.8f);
    float level = big ? rng.range(0.7f, 1.0f) : 0.12f + 0.6f * m * m * m;
    AddStar(img, x, y, size, tint * (level * opt.brightness), big, opt.wrapEdges);
  }
}

void AddNebula(Image& img, int seed, const NebulaOptions& opt) {
  int px = opt.wrapX ? std::max(1, int(std::lround(img.w / opt.cell))) : 0;
  int py = opt.wrapY ? std::max(1, int(std::lround(img.h / opt.cell))) : 0;
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      float u = (x + 0.5f) / opt.cell, v = (y + 0.5f) / opt.cell;
      // Soft clouds, bent by a second noise, with thin bright ridges running through them.
      float qx = Fbm2(u, v, 3, seed, px, py);
      float qy = Fbm2(u, v, 3, seed + 17, px, py);
      float d = Fbm2(u + opt.warp * 0.8f * qx, v + opt.warp * 0.8f * qy, 5, seed + 33, px, py) * 0.5f + 0.5f;
      float ridge = 1 - std::fabs(Fbm2(u * 2 + 0.7f * qy, v * 2 + 0.7f * qx, 4, seed + 51, px * 2, py * 2));
      ridge = ridge * ridge * ridge * ridge;
      float lo = 0.62f - 0.45f * opt.coverage;
      float cloud = Smooth(lo, lo + 0.35f, d);
      float dens = cloud * cloud * (0.55f + 0.9f * ridge);
      float hue = Clamp01(0.5f + 1.1f * qx);
      Rgb c = Ramp(opt.palette, hue);
      img.at(x, y) = img.at(x, y) + c * (dens * opt.strength);
    }
}

namespace {

struct Crater {
  Vec3 centre;
  float radius;  // angular, in radians of the unit sphere
};

std::vector<Crater> MakeCraters(int seed, float detail) {
  Rng rng(uint64_t(seed) * 31 + 5);
  std::vector<Crater> craters;
  for (int i = 0; i < 110; ++i) {
    Vec3 c{rng.range(-1, 1), rng.range(-1, 1), rng.range(-1, 1)};
    if (Dot(c, c) > 1 || Dot(c, c) < 0.01f) {
      --i;
      continue;
    }
    float r = 0.025f + 0.16f * std::pow(rng.uniform(), 4.0f);
    craters.push_back({Normalise(c), r / detail});
  }
  return craters;
}

// Height of a cratered surface: bowls with raised rims over gentle noise.
float CraterHeight(const std::vector<Crater>& craters, Vec3 n, int seed, float detail) {
  float h = 0.012f * Fbm3(n.x * 6 * detail, n.y * 6 * detail, n.z * 6 * detail, 4, seed + 3);
  for (const Crater& c : craters) {
    float d = std::acos(std::clamp(Dot(n, c.centre), -1.0f, 1.0f)) / c.radius;
    if (d > 1.6f) continue;
    float bowl = d < 1 ? -(1 - d * d) * 0.35f : 0;
    float rim = 0.15f * std::exp(-std::pow((d - 1) / 0.2f, 2.0f));
    h += (bowl + rim) * c.radius;
  }
  return h;
}

float RingDensity(float rho, const Planet& p) {
  float t = (rho - p.ringInner) / (p.ringOuter - p.ringInner);
  if (t <= 0 || t >= 1) return 0;
  float edge = Smooth(0, 0.04f, t) * Smooth(1, 0.93f, t);
  float bands = 0.72f + 0.38f * Noise2(t * 40, 0.5f, p.seed + 5) + 0.22f * Noise2(t * 140, 3.5f, p.seed + 6);
  float gap = 1 - 0.85f * Smooth(0.035f, 0.0f, std::fabs(t - 0.62f));  // a dark division
  float inner = 0.45f + 0.55f * Smooth(0.0f, 0.35f, t);
  return Clamp01(edge * bands * gap * inner);
}

}  // namespace

void DrawPlanet(Image& img, const Planet& p) {
  Vec3 L = Normalise(p.light);
  // Ring plane normal: tilted towards the eye by ringOpen, rolled in the picture plane.
  float open = std::clamp(p.ringOpen, 0.02f, 0.98f);
  Vec3 n0{0, std::sqrt(1 - open * open), open};
  float cr = std::cos(p.ringRoll), sr = std::sin(p.ringRoll);
  Vec3 n{n0.x * cr - n0.y * sr, n0.x * sr + n0.y * cr, n0.z};
  Vec3 axis = n;  // gas bands follow the ring plane
  if (!p.rings) axis = Normalise(Vec3{std::sin(p.tilt), std::cos(p.tilt), 0.25f});
  float reach = p.rings ? p.ringOuter : 1 + p.atmoWidth * 4;
  int x0 = std::max(0, int(p.cx - p.r * reach) - 2), x1 = std::min(img.w, int(p.cx + p.r * reach) + 3);
  int y0 = std::max(0, int(p.cy - p.r * reach) - 2), y1 = std::min(img.h, int(p.cy + p.r * reach) + 3);
  const int ss = 2;  // 2 x 2 samples per pixel for clean edges
  std::vector<Crater> craters;
  if (p.surface == Surface::Rock) craters = MakeCraters(p.seed, p.detail);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      Rgb acc;
      float accCover = 0;
      Rgb halo;
      for (int sy = 0; sy < ss; ++sy)
        for (int sx = 0; sx < ss; ++sx) {
          float X = (x + (sx + 0.5f) / ss - p.cx) / p.r;
          float Y = -(y + (sy + 0.5f) / ss - p.cy) / p.r;
          float d2 = X * X + Y * Y;
          Rgb col;
          float cover = 0;
          float zs = -1e9f;
          if (d2 < 1) {
            float Z = std::sqrt(1 - d2);
            zs = Z;
            Vec3 N{X, Y, Z};
            float lam = Dot(N, L);
            float lit = Smooth(-0.12f, 0.75f, lam);
            Rgb surf;
            if (p.surface == Surface::Gas) {
              float lat = Dot(N, axis);
              float turb = Fbm3(N.x * 3, N.y * 3, N.z * 3, 3, p.seed) * 0.35f;
              float b = Fbm2(lat * p.bandFreq + turb, 0.5f, 4, p.seed + 3) * 0.5f + 0.5f;
              surf = Ramp(p.palette, b);
            } else {
              float f = 2.2f * p.detail;
              float h = Fbm3(N.x * f, N.y * f, N.z * f, 6, p.seed) * 0.5f + 0.5f;
              if (p.surface == Surface::Ice) {
                // Oceans under drifting cloud: the palette runs from deep water to bright cloud.
                float streak = Fbm3(N.x * f * 0.5f, N.y * f * 3.0f, N.z * f * 0.5f, 4, p.seed + 4) * 0.5f + 0.5f;
                surf = Ramp(p.palette, Smooth(0.3f, 0.75f, 0.6f * h + 0.4f * streak));
              } else {
                surf = Ramp(p.palette, Clamp01(h * 1.3f - 0.15f));
                // Craters, shaded by how their height changes towards the sun.
                Vec3 lt = Normalise(L - N * Dot(L, N));
                const float eps = 0.006f;
                float h0 = CraterHeight(craters, N, p.seed, p.detail);
                float h1 = CraterHeight(craters, Normalise(N + lt * eps), p.seed, p.detail);
                surf = surf * std::clamp(1.0f + (h1 - h0) / eps * 1.6f, 0.45f, 1.45f);
              }
            }
            // Ring shadow on the surface.
            float shadow = 0;
            if (p.rings) {
              float nl = Dot(n, L);
              if (std::fabs(nl) > 1e-3f) {
                float s = -Dot(n, N) / nl;
                if (s > 0) {
                  Vec3 q = N + L * s;
                  shadow = RingDensity(std::sqrt(Dot(q, q)), p) * 0.75f;
                }
              }
            }
            float limb = 0.55f + 0.45f * Z;
            col = surf * (lit * limb * (1 - shadow) + p.ambient);
            // Atmosphere seen against the disc: brighter towards the rim on the lit side.
            float fres = std::pow(1 - Z, 3.0f);
            col = col + p.atmosphere * (fres * p.atmoStrength * Smooth(-0.35f, 0.4f, lam));
            cover = Smooth(1.0f, 0.985f, std::sqrt(d2));
          }
          // The halo starts under the disc's soft edge, so no dark seam shows between them.
          float d = std::sqrt(d2);
          if (d > 0.985f && d > 0) {
            float t = std::max(0.0f, d - 1) / p.atmoWidth;
            if (t < 4) {
              Vec3 dir{X / d, Y / d, 0};
              float side = Smooth(-0.45f, 0.5f, Dot(dir, L));
              float under = d < 1 ? Smooth(0.985f, 1.0f, d) : 1.0f;
              halo = halo + p.atmosphere * (std::exp(-t * 1.6f) * p.atmoStrength * side * under * (1.0f / (ss * ss)));
            }
          }
          // Rings: the plane through the centre, seen along -z.
          if (p.rings && std::fabs(n.z) > 1e-4f) {
            float zr = -(n.x * X + n.y * Y) / n.z;
            Vec3 P{X, Y, zr};
            float rho = std::sqrt(Dot(P, P));
            float dens = RingDensity(rho, p);
            if (dens > 0 && zr > zs) {
              // Planet shadow on the ring.
              float b = Dot(P, L), c = Dot(P, P) - 1, disc = b * b - c;
              float sh = (b < 0) ? Smooth(-0.02f, 0.02f, disc) : 0;
              float light = (0.55f + 0.45f * std::fabs(Dot(n, L))) * (1 - 0.92f * sh);
              float wob = 0.85f + 0.3f * Noise2(rho * 30, 1.5f, p.seed + 8);
              // Slightly warmer inner bands, cooler outer ones.
              float t = (rho - p.ringInner) / (p.ringOuter - p.ringInner);
              Rgb tint = Mix(Rgb{1.08f, 0.98f, 0.88f}, Rgb{0.9f, 0.97f, 1.08f}, t);
              Rgb rc = p.ringColour * tint * (light * wob);
              float a = dens * p.ringStrength;
              col = col * cover * (1 - a) + rc * a;  // premultiplied from here on
              cover = cover + (1 - cover) * a;
              acc = acc + col;
              accCover += cover;
              continue;
            }
          }
          acc = acc + col * cover;
          accCover += cover;
        }
      float inv = 1.0f / (ss * ss);
      Rgb& dst = img.at(x, y);
      dst = dst * (1 - accCover * inv) + acc * inv + halo;
    }
}

}  // namespace mkdata
