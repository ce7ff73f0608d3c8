#include "pictures.h"

#include <algorithm>

#include "space.h"
#include "text.h"

namespace mkdata {

namespace {

// The show's palette.
const Rgb kNavy = Hex(0x060a1c);
const Rgb kInk = Hex(0x121a3c);       // dark content on light panels
const Rgb kTeal = Hex(0x2bb3ac);
const Rgb kCyan = Hex(0x7fdcea);
const Rgb kViolet = Hex(0x6c44a8);
const Rgb kMagenta = Hex(0xa4529c);
const Rgb kGold = Hex(0xffc777);
const Rgb kPeach = Hex(0xff9a6a);
const Rgb kBlue = Hex(0x2a4ea0);

void VerticalGradient(Image& img, const std::vector<Rgb>& stops, float from = 0, float to = 1) {
  for (int y = 0; y < img.h; ++y) {
    float t = ((y + 0.5f) / img.h - from) / (to - from);
    Rgb c = Ramp(stops, t);
    for (int x = 0; x < img.w; ++x) img.at(x, y) = c;
  }
}

// A night sky of w x h: a gradient from top to bottom (reaching its last stop
// at `gradientEnd` of the height), a nebula (seed) and stars (seed + 1) over it.
Image Sky(int w, int h, const std::vector<Rgb>& gradient, int seed, const NebulaOptions& nebula,
          const StarOptions& stars, float gradientEnd = 1) {
  Image img(w, h);
  VerticalGradient(img, gradient, 0, gradientEnd);
  AddNebula(img, seed, nebula);
  AddStars(img, seed + 1, stars);
  return img;
}

// Text drawn into its own layer, blurred and added twice: a soft glow under a crisp title.
void GlowText(Image& img, const Font& font, float cx, float y, const std::string& text, Rgb colour, float glow,
              float spacing = 0) {
  Image layer(img.w, img.h);
  font.Add(layer, cx - font.Width(text, spacing) * 0.5f, y, text, {1, 1, 1}, spacing);
  Image blurred = layer;
  BoxBlur(blurred, 4);
  BoxBlur(blurred, 4);
  for (size_t i = 0; i < img.px.size(); ++i)
    img.px[i] = img.px[i] + colour * (blurred.px[i].r * glow) + colour * layer.px[i].r;
}

void Clamp(Image& img, Rgb lo, Rgb hi) {
  for (Rgb& c : img.px) {
    c.r = std::clamp(c.r, lo.r, hi.r);
    c.g = std::clamp(c.g, lo.g, hi.g);
    c.b = std::clamp(c.b, lo.b, hi.b);
  }
}

void Scale(Image& img, float s) {
  for (Rgb& c : img.px) c = c * s;
}

// ------------------------------------------------------------------ the worlds

// Every fixed planet and moon of the pictures, in the order they are shown.
// The loading screen: a pale cloud world filling the lower half.
const Planet kCloudWorld{.cx = 256, .cy = 1400, .r = 1160, .light = {0.25f, 0.75f, 0.6f}, .surface = Surface::Ice,
    .palette = {Hex(0x3a78a0), Hex(0x6aa8c8), Hex(0xc8dce8), Hex(0xf4f2ee)}, .seed = 5, .detail = 14,
    .atmosphere = Hex(0x9fe4ff), .atmoWidth = 0.012f, .atmoStrength = 0.3f, .ambient = 0.25f};
// The title's ringed giant.
const Planet kTitleGiant{.cx = 256, .cy = 158, .r = 84, .light = {-0.55f, 0.45f, 0.7f},
    .palette = {Hex(0x2a3f80), Hex(0x3f6fa8), Hex(0x6fa8c8), Hex(0x9ccad0), Hex(0x8a84c8), Hex(0x5a6aa8)}, .seed = 31,
    .bandFreq = 7, .atmosphere = Hex(0x5fd0ff), .rings = true, .ringInner = 1.3f, .ringOuter = 2.3f,
    .ringOpen = 0.26f, .ringRoll = -0.18f, .ringColour = Hex(0xd8cdb8)};
// A far world low on the left.
const Planet kDistantWorld{.cx = 96, .cy = 290, .r = 26, .light = {-0.9f, 0.3f, 0.3f},
    .palette = {Hex(0x8a5a8c), Hex(0xd08a7a), Hex(0xf0c090)}, .seed = 43, .atmosphere = Hex(0xff9a7a),
    .atmoStrength = 0.5f};
// The big grey moon.
const Planet kGreyMoon{.cx = 340, .cy = 190, .r = 118, .light = {-0.85f, 0.35f, 0.4f}, .surface = Surface::Rock,
    .palette = {Hex(0x3a3850), Hex(0x6e6a80), Hex(0x9a96a8), Hex(0xc8c0c8), Hex(0x8a8296)}, .seed = 44,
    .atmosphere = Hex(0x8fb8ff), .atmoWidth = 0.03f, .atmoStrength = 0.25f, .ambient = 0.015f};
// An ice giant rising in the corner.
const Planet kIceGiant{.cx = 440, .cy = 400, .r = 170, .light = {-0.7f, 0.6f, 0.35f}, .surface = Surface::Ice,
    .palette = {Hex(0x1a3468), Hex(0x2a6a9a), Hex(0x9ac4d4), Hex(0xeef4f4)}, .seed = 73, .detail = 2.5f,
    .atmosphere = Hex(0x6fd8ff), .atmoWidth = 0.06f};
// Its small moon.
const Planet kCubeMoon{.cx = 80, .cy = 300, .r = 22, .light = {0.8f, 0.4f, 0.4f}, .surface = Surface::Rock,
    .palette = {Hex(0x4a4050), Hex(0x8a7a80), Hex(0xc0b0a8)}, .seed = 74, .atmoStrength = 0.1f};
// The ringed giant of the cube's faces.
const Planet kFaceGiant{.cx = 128, .cy = 128, .r = 44, .light = {-0.5f, 0.5f, 0.7f},
    .palette = {Hex(0xe0a060), Hex(0xf0d0a0), Hex(0xc07050), Hex(0xf8e8c8), Hex(0xa05a48)}, .seed = 83, .bandFreq = 9,
    .atmosphere = Hex(0xffc080), .rings = true, .ringInner = 1.35f, .ringOuter = 2.1f, .ringOpen = 0.35f,
    .ringRoll = 0.35f, .ringColour = Hex(0xc8d8e8)};
// The metaballs' ringed giant.
const Planet kRingedGiant{.cx = 300, .cy = 196, .r = 104, .light = {-0.6f, 0.5f, 0.62f},
    .palette = {Hex(0x6a4a8a), Hex(0xc89a9a), Hex(0xe8c8a0), Hex(0x9a7aa8), Hex(0x4a3a7a), Hex(0xd8b8b0)},
    .seed = 113, .bandFreq = 8, .atmosphere = Hex(0xffb0c0), .atmoStrength = 0.55f, .rings = true, .ringInner = 1.32f,
    .ringOuter = 2.25f, .ringOpen = 0.3f, .ringRoll = 0.22f, .ringColour = Hex(0xe0d4c0)};
// Its ice moon.
const Planet kIceMoon{.cx = 78, .cy = 300, .r = 30, .light = {-0.6f, 0.5f, 0.62f}, .surface = Surface::Ice,
    .palette = {Hex(0x5a7a9a), Hex(0xa8c8d8), Hex(0xe8f0f0)}, .seed = 114, .detail = 2, .atmosphere = Hex(0x9fd8ff),
    .atmoStrength = 0.3f};
// The greetings' ice horizon.
const Planet kHorizonWorld{.cx = 250, .cy = 1300, .r = 1150, .light = {-0.35f, 0.8f, 0.5f}, .surface = Surface::Ice,
    .palette = {Hex(0x5f88b0), Hex(0x94b8d2), Hex(0xd8e4ee), Hex(0xf6f2ea)}, .seed = 123, .detail = 12,
    .atmosphere = Hex(0x9fe8ff), .atmoWidth = 0.012f, .atmoStrength = 0.35f, .ambient = 0.3f};
// The closing picture's ringed giant.
const Planet kFinaleGiant{.cx = 170, .cy = 250, .r = 118, .light = {0.8f, 0.1f, 0.55f},
    .palette = {Hex(0x2a3a7a), Hex(0x4a7ab0), Hex(0x90c8d0), Hex(0xb0a0d8), Hex(0x3a3a8a)}, .seed = 133,
    .bandFreq = 7, .atmosphere = Hex(0xffb890), .atmoStrength = 0.7f, .rings = true, .ringInner = 1.3f,
    .ringOuter = 2.2f, .ringOpen = 0.2f, .ringRoll = -0.12f, .ringColour = Hex(0xe8d8c0)};
// And its moon.
const Planet kFinaleMoon{.cx = 410, .cy = 110, .r = 16, .light = {0.8f, 0.1f, 0.55f}, .surface = Surface::Rock,
    .palette = {Hex(0x504858), Hex(0x9a909a), Hex(0xd0c8c0)}, .seed = 134, .atmoStrength = 0.1f};

// ------------------------------------------------------------------ loading screen

Image LoadingBackground() {
  // Morning over a pale cloud world: light enough everywhere under the panel for dark text.
  Image img(512, 384);
  VerticalGradient(img, {Hex(0x1c2660), Hex(0x3a5aa8), Hex(0x7aa6d8), Hex(0xbcdcea)}, 0, 0.66f);
  AddNebula(img, 12, {150, {kViolet, kMagenta, kBlue}, 0.35f, 0.35f});
  AddStars(img, 11, {140, 0.5f, 0.01f});
  for (int y = 0; y < 384; ++y) {  // stars fade out towards the bright horizon
    float keep = Smooth(200, 20, float(y));
    for (int x = 0; x < 512; ++x) {
      Rgb base = Ramp({Hex(0x1c2660), Hex(0x3a5aa8), Hex(0x7aa6d8), Hex(0xbcdcea)}, (y + 0.5f) / 384 / 0.66f);
      img.at(x, y) = base + (img.at(x, y) - base) * (0.35f + 0.65f * keep);
    }
  }
  AddGlow(img, 400, 96, 220, kGold * 0.28f, 2.0f);
  AddGlow(img, 400, 96, 46, Hex(0xfff2d8) * 0.6f, 1.6f);
  AddGlow(img, 400, 96, 9, Hex(0xffffff) * 0.8f, 1.0f);
  DrawPlanet(img, kCloudWorld);
  return img;
}

// Signed distance of pixel (x, y)'s centre to the rounded rectangle's outline, < 0 inside.
float RoundedDistance(int x, int y, int x0, int y0, int x1, int y1, float radius) {
  float px = x + 0.5f, py = y + 0.5f;
  float cx = std::clamp(px, x0 + radius, x1 - radius), cy = std::clamp(py, y0 + radius, y1 - radius);
  return std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy)) - radius;
}

void RoundedPanel(Image& img, int x0, int y0, int x1, int y1, float radius, Rgb fill, Rgb edge, float edgeAlpha) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      float d = RoundedDistance(x, y, x0, y0, x1, y1, radius);
      float inside = Clamp01(0.5f - d);
      float border = Clamp01(1.0f - std::fabs(d + 1.5f));
      img.blend(x, y, fill, inside);
      img.blend(x, y, edge, border * edgeAlpha);
    }
}

// A ringed planet drawn as dark line art on a light panel.
void Emblem(Image& img, float cx, float cy, float r, Rgb ink) {
  // Back half of the ring, then the planet disc, then the front half.
  auto ring = [&](bool front) {
    Image layer(img.w, img.h);
    DrawEllipse(layer, cx, cy, r * 1.85f, r * 0.42f, -0.28f, 2.2f, {1, 1, 1}, 1.0f);
    DrawEllipse(layer, cx, cy, r * 1.55f, r * 0.33f, -0.28f, 1.2f, {1, 1, 1}, 0.8f);
    for (int y = 0; y < img.h; ++y)
      for (int x = 0; x < img.w; ++x) {
        float a = layer.at(x, y).r;
        if (a <= 0) continue;
        // Rotate into the ring's frame: front is the lower half.
        float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
        float ry = dx * std::sin(0.28f) + dy * std::cos(0.28f);
        bool isFront = ry > 0;
        float dd = std::sqrt(dx * dx + dy * dy);
        if (isFront != front) continue;
        if (!front && dd < r + 2) continue;
        img.blend(x, y, ink, std::min(1.0f, a));
      }
  };
  ring(false);
  for (int y = int(cy - r - 2); y <= int(cy + r + 2); ++y)
    for (int x = int(cx - r - 2); x <= int(cx + r + 2); ++x) {
      float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
      float d = std::sqrt(dx * dx + dy * dy);
      float inside = Clamp01(r + 0.5f - d);
      if (inside <= 0) continue;
      // Lit from the upper left: a light crescent inside a dark disc, with soft bands.
      float lx = (dx + r * 0.45f) / r, ly = (dy + r * 0.4f) / r;
      float lit = Smooth(1.25f, 0.2f, std::sqrt(lx * lx + ly * ly));
      float band = 0.06f * std::sin((dy / r) * 9.0f + dx / r);
      Rgb c = Mix(ink, Mix(ink, Hex(0xf0f4fa), 0.75f), Clamp01(lit + band));
      img.blend(x, y, c, inside);
      float rim = Clamp01(1.4f - std::fabs(d - r + 0.7f));
      img.blend(x, y, ink, rim);
    }
  ring(true);
}

Image LoadingLogo() {
  // White outside the rounded panel: white subtracts nothing once inverted.
  Image img(kLogoWidth, kLogoHeight, {1, 1, 1});
  const Rgb panel = Hex(0xdee4f0);
  RoundedPanel(img, 1, 1, kLogoWidth - 1, kLogoHeight - 1, 9, panel, kInk, 0.85f);
  // The text area (8, 8)-(267, 322) stays plain panel colour: the progress lines are drawn there.
  // Progress slots: thin frames around the blocks the loader fills.
  for (int k = 0; k < 7; ++k) {
    int x0 = 12 + 37 * k;
    StrokeRect(img, x0 - 2, 331, x0 + 35, 356, kInk, 0.55f);
  }
  // Divider and the title column.
  FillRect(img, 274, 16, 275, kLogoHeight - 16, kInk, 0.3f);
  const float cx = 365;
  Emblem(img, cx, 98, 40, kInk);
  DrawEllipse(img, cx, 98, 86, 70, 0.0f, 1.0f, kInk, 0.45f, 3.0f);
  Font title(Face::SansBold, 44);
  title.DrawCentred(img, cx, 228, "quiet", kInk, 1, 1.0f);
  title.DrawCentred(img, cx, 272, "orbit", kInk, 1, 1.0f);
  Font small(Face::Sans, 13);
  small.DrawCentred(img, cx, 300, ".oO[ quiet orbit ]Oo.", kInk, 0.9f);
  Font tiny(Face::Sans, 11);
  tiny.DrawCentred(img, cx, 348, "loading", kInk, 0.7f, 2.0f);
  return img;
}

// ------------------------------------------------------------------ particles

Image Sprite(int size, Rgb halo, float coreSize, float ringAt, float spikes) {
  Image img(size, size);
  float c = size * 0.5f, R = size * 0.5f - 0.5f;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float dx = x + 0.5f - c, dy = y + 0.5f - c;
      float d = std::sqrt(dx * dx + dy * dy) / R;  // 0 centre, 1 edge
      if (d >= 1) continue;
      float window = (1 - d * d) * (1 - d * d);
      float core = std::exp(-(d * d) / (coreSize * coreSize));
      float glow = std::exp(-d * 4.0f) * 0.8f + (1 - d) * (1 - d) * 0.25f;
      float ring = ringAt > 0 ? 0.35f * std::exp(-std::pow((d - ringAt) / 0.05f, 2.0f)) : 0;
      float spike = spikes * (std::exp(-std::fabs(dy) * 1.3f) + std::exp(-std::fabs(dx) * 1.3f)) * (1 - d) * (1 - d);
      Rgb col = Hex(0xffffff) * core + halo * (glow + ring + spike);
      img.at(x, y) = col * window;
    }
  return img;
}

// ------------------------------------------------------------------ intro

Image IntroTitle() {
  Image img(512, 384);
  AddStars(img, 21, {90, 0.5f, 0.02f});
  DrawPlanet(img, kTitleGiant);
  Font title(Face::SansBold, 46);
  GlowText(img, title, 256, 322, "quiet orbit", Hex(0xbfefff), 0.9f, 4.0f);
  Font small(Face::Sans, 14);
  GlowText(img, small, 256, 350, ".oO[ a real-time show, drawn in software ]Oo.", Hex(0x9fb8ff), 0.5f, 1.0f);
  return img;
}

Image IntroMoon() {
  Image img = Sky(512, 384, {Hex(0x050818), Hex(0x0b1030)}, 41,
                  {140, {kBlue, kViolet, kMagenta, kTeal}, 0.75f, 0.55f}, {260, 0.9f, 0.03f});
  AddGlow(img, 40, 110, 260, kPeach * 0.35f, 2.0f);
  DrawPlanet(img, kDistantWorld);
  DrawPlanet(img, kGreyMoon);
  return img;
}

Image IntroOrbits() {
  Image img(512, 384);
  AddNebula(img, 51, {160, {kNavy, kBlue, kViolet}, 0.35f, 0.45f});
  AddStars(img, 52, {160, 0.45f, 0.02f});
  const float cx = 256, cy = 192;
  struct Orbit {
    float rx, ry, angle;
    Rgb colour;
    float alpha;
    float dash;
  };
  const Orbit orbits[] = {{40, 30, 0, kGold, 0.35f, 0},       {64, 48, 0, kTeal, 0.3f, 0},
                          {100, 70, 0.08f, kCyan, 0.28f, 4},   {130, 98, -0.05f, kViolet, 0.45f, 0},
                          {160, 110, 0.12f, kTeal, 0.22f, 6},  {215, 150, 0.0f, kBlue, 0.5f, 0}};
  int k = 0;
  for (const Orbit& o : orbits) {
    DrawEllipse(img, cx, cy, o.rx, o.ry, o.angle, 1.2f, o.colour, o.alpha, o.dash);
    // A small world on each orbit, with a faint glow.
    float t = 0.7f + 1.9f * float(k);
    float ex = o.rx * std::cos(t), ey = o.ry * std::sin(t);
    float px = cx + ex * std::cos(o.angle) - ey * std::sin(o.angle);
    float py = cy + ex * std::sin(o.angle) + ey * std::cos(o.angle);
    AddGlow(img, px, py, 12.0f + 2 * float(k % 3), o.colour * 0.35f, 2.5f);
    // A small world lit by the central sun.
    DrawPlanet(img, {.cx = px, .cy = py, .r = 3.5f + float((k * 5) % 4),
                     .light = Normalise(Vec3{cx - px, -(cy - py), 40}),
                     .palette = {o.colour * 0.6f, o.colour, Mix(o.colour, Hex(0xffffff), 0.5f)}, .seed = 500 + k,
                     .bandFreq = 4, .atmosphere = o.colour, .atmoWidth = 0.25f, .atmoStrength = 0.6f, .rings = k == 3,
                     .ringInner = 1.4f, .ringOuter = 2.2f, .ringOpen = 0.35f});
    ++k;
  }
  // An asteroid belt between the fourth and fifth orbits.
  Rng belt(57);
  for (int i = 0; i < 420; ++i) {
    float a = belt.uniform() * 6.2831853f, rr = belt.range(0.86f, 0.93f);
    float bx = cx + 150 * rr * std::cos(a), by = cy + 110 * rr * std::sin(a);
    AddStar(img, bx, by, 0.45f, Hex(0xc8b8a8) * belt.range(0.1f, 0.35f), false);
  }
  AddGlow(img, cx, cy, 120, kGold * 0.18f, 2.0f);
  AddGlow(img, cx, cy, 34, kGold * 0.55f, 2.0f);
  AddGlow(img, cx, cy, 10, Hex(0xfff4e0) * 0.9f, 1.2f);
  return img;
}

Image IntroBackdropTile() {
  // Screen-sized and seamless both ways: it scrolls down with a 384-row wrap and shows no repeats.
  Image img(512, 384, Hex(0x04060f));
  AddNebula(img, 61, {128, {Hex(0x12285a), Hex(0x2a1858), Hex(0x10385a)}, 0.7f, 0.55f, true, true});
  AddStars(img, 62, {360, 0.65f, 0.02f, true});
  return img;
}

// ------------------------------------------------------------------ cube

Image CubeBackground() {
  Image img = Sky(512, 384, {Hex(0x070a1e), Hex(0x0e1236), Hex(0x140e30)}, 71,
                  {170, {kBlue, kTeal, kViolet, kMagenta}, 0.6f, 0.5f}, {300, 0.85f, 0.03f});
  AddGlow(img, 70, 60, 200, kCyan * 0.2f, 2.0f);
  DrawPlanet(img, kIceGiant);
  DrawPlanet(img, kCubeMoon);
  return img;
}

Image CubeFace() {
  Image img = Sky(256, 256, {Hex(0x1a2a5e), Hex(0x101a44), Hex(0x1a1448)}, 81,
                  {96, {kBlue, kViolet, kTeal}, 0.4f, 0.5f}, {40, 0.6f, 0.05f});
  DrawPlanet(img, kFaceGiant);
  // Frame: a bright edge and corner brackets.
  StrokeRect(img, 3, 3, 253, 253, kCyan, 0.9f);
  StrokeRect(img, 4, 4, 252, 252, kTeal, 0.6f);
  for (int k = 0; k < 4; ++k) {
    int x = (k & 1) ? 226 : 12, y = (k & 2) ? 226 : 12;
    FillRect(img, x, y + ((k & 2) ? 16 : 0), x + 18, y + ((k & 2) ? 18 : 2), kCyan, 0.85f);
    FillRect(img, x + ((k & 1) ? 16 : 0), y, x + ((k & 1) ? 18 : 2), y + 18, kCyan, 0.85f);
  }
  // No black (the cube's colour key) and no white (the key of its negative).
  Clamp(img, {0.05f, 0.06f, 0.1f}, {0.94f, 0.94f, 0.94f});
  return img;
}

// ------------------------------------------------------------------ circles

Image CirclesTile() {
  // As large as the screen, so the sideways scroll shows no repeats; wraps both ways.
  Image img(512, 384, Hex(0x0a0c26));
  AddNebula(img, 91, {128, {Hex(0x1a3a8a), kTeal, kViolet, kMagenta}, 0.75f, 0.8f, true, true, 1.2f});
  AddStars(img, 92, {220, 0.7f, 0.02f, true});
  return img;
}

// ------------------------------------------------------------------ meshes

Image MeshesBackdrop() {
  Image img(512, 512);
  VerticalGradient(img, {Hex(0x04061a), Hex(0x0a0c2a), Hex(0x100a26), Hex(0x04061a)});
  // A band of nebula across the middle; wraps left to right.
  Image neb(512, 512);
  AddNebula(neb, 101, {128, {kBlue, kTeal, kViolet, kMagenta}, 0.8f, 0.6f, true, false});
  for (int y = 0; y < 512; ++y) {
    float band = std::exp(-std::pow((y - 256.0f) / 150.0f, 2.0f));
    for (int x = 0; x < 512; ++x) img.at(x, y) = img.at(x, y) + neb.at(x, y) * (0.25f + 0.75f * band);
  }
  AddStars(img, 102, {420, 0.8f, 0.02f, true});
  Scale(img, 0.8f);
  return img;
}

// A chrome ball: the environment seen in a mirror sphere, for the environment-mapped meshes.
Image Matcap(const std::vector<Rgb>& sky, const std::vector<Rgb>& ground, Rgb horizon, Rgb sun, int seed) {
  Image img(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      float nx = (x + 0.5f - 128) / 64, ny = (y + 0.5f - 128) / 64;
      float r = std::sqrt(nx * nx + ny * ny);
      if (r > 1) {  // fold the outer ring back so the full texture stays smooth
        float rf = std::max(0.0f, 2 - r);
        nx *= rf / r;
        ny *= rf / r;
        r = rf;
      }
      float nz = std::sqrt(std::max(0.0f, 1 - r * r));
      // Reflected view ray; screen y points down, so "up" is -y.
      Vec3 R{2 * nz * nx, -2 * nz * ny, 2 * nz * nz - 1};
      float up = R.y;
      Rgb c;
      if (up >= 0)
        c = Ramp(sky, std::pow(up, 0.6f));
      else
        c = Ramp(ground, std::pow(-up, 0.5f));
      float clouds = Fbm2(R.x * 3 + 10, R.z * 3 + 10, 4, seed) * 0.5f + 0.5f;
      if (up > 0) c = c + Hex(0xffffff) * (0.12f * Smooth(0.5f, 0.8f, clouds) * (1 - up));
      c = c + horizon * std::exp(-std::fabs(up) * 14);
      Vec3 S = Normalise(Vec3{-0.45f, 0.55f, 0.7f});
      float s = std::max(0.0f, Dot(R, S));
      c = c + sun * (std::pow(s, 60.0f) * 1.5f + std::pow(s, 8.0f) * 0.25f);
      img.at(x, y) = c;
    }
  return img;
}

// A glass ball in a nebula: the whole square is sky (the textured mode shows its upper-left
// half on every face), the middle half carries the ball's shading for the environment mode.
Image SkyBall() {
  Image img(256, 256, Hex(0x081030));
  AddNebula(img, 151, {64, {kBlue, kTeal, kViolet, kCyan}, 0.9f, 0.75f});
  AddStars(img, 152, {70, 0.8f, 0.05f});
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      float nx = (x + 0.5f - 128) / 64, ny = (y + 0.5f - 128) / 64;
      float r = std::sqrt(nx * nx + ny * ny);
      float inBall = Smooth(1.35f, 0.95f, r);
      float nz = std::sqrt(std::max(0.0f, 1 - std::min(1.0f, r * r)));
      Rgb c = img.at(x, y);
      Rgb lit = c * (0.6f + 0.6f * nz);
      float hx = nx + 0.42f, hy = ny + 0.48f;
      float spot = std::exp(-(hx * hx + hy * hy) * 22) * 1.2f + std::exp(-(hx * hx + hy * hy) * 3) * 0.25f;
      float rim = std::pow(Clamp01(r), 6.0f) * 0.5f;
      lit = lit + Hex(0xfff6e8) * spot + kCyan * rim;
      img.at(x, y) = Mix(c, lit, inBall);
    }
  return img;
}

// ------------------------------------------------------------------ metaballs

Image RingedGiantScene(bool survey) {
  Image img = Sky(512, 384, {Hex(0x05071a), Hex(0x0c0e2c), Hex(0x0a0820)}, 111,
                  {160, {kBlue, kViolet, kTeal, kMagenta}, 0.55f, 0.5f}, {280, 0.8f, 0.03f});
  DrawPlanet(img, kRingedGiant);
  DrawPlanet(img, kIceMoon);
  if (!survey) return img;

  // The survey view: the same sky as a false-colour heat map with a chart over it.
  Image out(512, 384);
  const std::vector<Rgb> heat = {Hex(0x0a0000), Hex(0x4a0608), Hex(0xa81c10), Hex(0xf06018), Hex(0xffc040),
                                 Hex(0xfff0c0)};
  for (size_t i = 0; i < img.px.size(); ++i) {
    const Rgb& c = img.px[i];
    float lum = Clamp01(0.3f * c.r + 0.55f * c.g + 0.15f * c.b);
    out.px[i] = Ramp(heat, std::pow(lum, 0.6f));
  }
  for (int x = 0; x < 512; x += 32) FillRect(out, x, 0, x + 1, 384, Hex(0xff8040), 0.18f);
  for (int y = 0; y < 384; y += 32) FillRect(out, 0, y, 512, y + 1, Hex(0xff8040), 0.18f);
  DrawEllipse(out, 300, 196, 150, 150, 0, 1.0f, Hex(0xffd070), 0.6f, 5);
  DrawEllipse(out, 300, 196, 236, 70, 0.22f, 1.0f, Hex(0xffd070), 0.45f);
  DrawEllipse(out, 78, 300, 46, 46, 0, 1.0f, Hex(0xffd070), 0.7f, 3);
  Font mono(Face::Mono, 11);
  mono.Draw(out, 12, 20, "RING SURVEY  QO-7", Hex(0xffe0a0), 0.9f);
  mono.Draw(out, 12, 34, "BAND  0.42-0.91 um", Hex(0xffc080), 0.7f);
  mono.Draw(out, 396, 372, "LAT +12.6  LON 204.1", Hex(0xffc080), 0.7f);
  mono.Draw(out, 40, 356, "MOON II", Hex(0xffe0a0), 0.8f);
  return out;
}

// ------------------------------------------------------------------ greetings

Image GreetzBackground() {
  Image img = Sky(512, 384, {Hex(0x03051a), Hex(0x0a1030), Hex(0x182050)}, 121,
                  {150, {kBlue, kViolet, kTeal}, 0.45f, 0.45f}, {240, 0.8f, 0.03f}, 0.45f);
  DrawPlanet(img, kHorizonWorld);
  // The sun just above the horizon on the left, with a flat flare along it.
  AddGlow(img, 52, 160, 150, kGold * 0.6f, 2.2f);
  AddGlow(img, 52, 160, 24, Hex(0xfff8e8) * 1.0f, 1.3f);
  for (int x = 0; x < 512; ++x)
    for (int y = 150; y < 172; ++y) {
      float v = std::exp(-std::fabs(y - 160.5f) * 0.7f) * std::exp(-std::fabs(x - 52.0f) / 140.0f) * 0.35f;
      img.add(x, y, kGold * v);
    }
  return img;
}

Image GreetzHeader() {
  Image img(180, 40, {1, 1, 1});
  Emblem(img, 18, 19, 6.5f, kInk);
  Font title(Face::SansBold, 22);
  title.Draw(img, 40, 27, "greetings", kInk, 1, 0.5f);
  FillRect(img, 6, 36, 174, 37, kInk, 0.6f);
  return img;
}

Image GreetzList() {
  Image img(180, 1230, {1, 1, 1});
  Font bold(Face::SansBold, 13);
  Font light(Face::SerifItalic, 13);
  Font small(Face::Sans, 10);
  struct Line {
    const char* text;
    int style;  // 0 name, 1 heading, 2 gap, 3 ornament
  };
  const Line lines[] = {
      {"greetings fly out to", 1},
      {"", 2},
      {"the lagrange point five", 0}, {"barycentre", 0}, {"kepler's little helpers", 0},
      {"halo orbit", 0}, {"the slow comet collective", 0}, {"perihelion", 0},
      {"apogee & perigee", 0}, {"tidal lock", 0}, {"the dust lane", 0},
      {"zodiacal light", 0}, {"escape velocity", 0}, {"the ring shepherds", 0},
      {"oort cloud club", 0}, {"redshift", 0}, {"the night shift at l2", 0},
      {"aphelion", 0}, {"gravity assist", 0}, {"the quiet moons", 0},
      {"event horizon", 0}, {"retrograde", 0}, {"the star charters", 0},
      {"nebula nursery", 0}, {"dark matter dept.", 0},
      {".oO", 3},
      {"and to the craft itself", 1},
      {"", 2},
      {"everyone still pushing pixels", 0}, {"the scanline fillers", 0},
      {"the fixed-point believers", 0}, {"the sine table keepers", 0},
      {"the palette cyclers", 0}, {"all trackers, old and new", 0},
      {"whoever stayed for the music", 0},
      {"Oo.", 3},
      {"see you in orbit", 1},
  };
  // Spread the lines so the last one stands in the middle of the panel when the scroll ends
  // (the list has then moved up 1285 rows; the header covers the panel's top 40).
  auto advance = [](int style) { return style == 0 ? 25.0f : style == 1 ? 22.0f : style == 2 ? 6.0f : 46.0f; };
  float natural = 0;
  for (const Line& l : lines) natural += advance(l.style);
  const float first = 60, last = 1160;
  float stretch = (last - first) / (natural - advance(lines[std::size(lines) - 1].style));
  Font boldSmall(Face::SansBold, 12);
  float y = first;
  for (const Line& l : lines) {
    switch (l.style) {
      case 0: {
        const Font& f = bold.Width(l.text) > 172 ? boldSmall : bold;
        f.DrawCentred(img, 90, y, l.text, kInk);
        break;
      }
      case 1:
        light.DrawCentred(img, 90, y, l.text, Hex(0x3a4470));
        break;
      case 2:
        break;
      default:
        small.DrawCentred(img, 90, y + 10 * stretch, l.text, Hex(0x5a6488), 1, 1.0f);
        break;
    }
    y += advance(l.style) * stretch;
  }
  return img;
}

Image GreetzCredits() {
  Image img(180, 192, {1, 1, 1});
  Font title(Face::SansBold, 20);
  Font head(Face::SerifItalic, 12);
  Font body(Face::SansBold, 10.5f);
  Emblem(img, 90, 22, 9, kInk);
  title.DrawCentred(img, 90, 58, "quiet orbit", kInk);
  FillRect(img, 30, 66, 150, 67, kInk, 0.5f);
  const Rgb grey = Hex(0x3a4470);
  head.DrawCentred(img, 90, 86, "code", grey);
  body.DrawCentred(img, 90, 100, "C++20, every pixel in software", kInk);
  head.DrawCentred(img, 90, 120, "pictures, meshes, music", grey);
  body.DrawCentred(img, 90, 134, "made by its own generator", kInk);
  head.DrawCentred(img, 90, 154, "built on", grey);
  body.DrawCentred(img, 90, 168, "SDL2  libpng  libjpeg  zlib", kInk);
  body.DrawCentred(img, 90, 182, "FreeType  mpg123  LAME", kInk);
  return img;
}

Image Finale() {
  Image img = Sky(512, 384, {Hex(0x04061a), Hex(0x0c1238), Hex(0x241a4a), Hex(0x3a2450)}, 131,
                  {170, {kBlue, kViolet, kMagenta, kTeal}, 0.55f, 0.5f}, {300, 0.85f, 0.03f});
  AddGlow(img, 470, 250, 220, kPeach * 0.35f, 2.0f);
  AddGlow(img, 470, 250, 30, Hex(0xfff0d8) * 0.9f, 1.5f);
  DrawPlanet(img, kFinaleGiant);
  DrawPlanet(img, kFinaleMoon);
  Font title(Face::Light, 28);
  GlowText(img, title, 236, 58, "thanks for watching", Hex(0xe8eeff), 0.6f, 1.0f);
  Font small(Face::Sans, 13);
  GlowText(img, small, 236, 84, ".oO[ quiet orbit ]Oo.", Hex(0xa8b8ff), 0.5f, 1.0f);
  return img;
}

}  // namespace

Image AppIcon(int size, std::vector<float>* coverage) {
  // The loading logo's emblem and its dotted orbit on the same light panel,
  // scaled so the orbit nearly fills the square.
  const Rgb panel = Hex(0xdee4f0);
  Image img(size, size, panel);
  const float radius = size * 0.18f;
  RoundedPanel(img, 0, 0, size, size, radius, panel, kInk, 0.85f);
  const float c = size * 0.5f, r = size * 0.2f;
  Emblem(img, c, c, r, kInk);
  DrawEllipse(img, c, c, r * 86 / 40, r * 70 / 40, 0.0f, std::max(1.0f, size / 128.0f), kInk, 0.45f, 3.0f);
  coverage->assign(size_t(size) * size, 0.0f);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      (*coverage)[size_t(y) * size + x] = Clamp01(0.5f - RoundedDistance(x, y, 0, 0, size, size, radius));
  return img;
}

const std::vector<PictureAsset>& Pictures() {
  static const std::vector<PictureAsset> list = {
      {"gfx/loading/ld00.jpg", Format::Jpeg, true, LoadingBackground},
      {"gfx/loading/ld01.png", Format::Png, false, LoadingLogo},
      {"gfx/particles/pa00.png", Format::Png, false, [] { return Sprite(64, kGold, 0.12f, 0, 0.25f); }},
      {"gfx/particles/pa01.png", Format::Png, false, [] { return Sprite(56, kCyan * 0.9f, 0.11f, 0, 0.0f); }},
      {"gfx/particles/pa02.png", Format::Png, false, [] { return Sprite(48, Hex(0xc080ff), 0.12f, 0.62f, 0.0f); }},
      {"gfx/particles/pa00s.png", Format::Png, false, [] { return Sprite(32, kGold, 0.14f, 0, 0.2f); }},
      {"gfx/particles/pa01s.png", Format::Png, false, [] { return Sprite(24, kCyan * 0.7f, 0.16f, 0, 0.0f); }},
      {"gfx/particles/pa02s.png", Format::Png, false, [] { return Sprite(28, Hex(0xc080ff), 0.15f, 0.6f, 0.0f); }},
      {"gfx/intro/in00.png", Format::Png, true, IntroTitle},
      {"gfx/intro/in01.png", Format::Png, true, IntroMoon},
      {"gfx/intro/in02.png", Format::Png, true, IntroOrbits},
      {"gfx/intro/in69.png", Format::Png, true, IntroBackdropTile},
      {"gfx/cube/cb00.jpg", Format::Jpeg, true, CubeBackground},
      {"gfx/textures/tex00.jpg", Format::Jpeg, true, CirclesTile},
      {"gfx/textures/tex01.jpg", Format::Jpeg, true, CubeFace},
      {"gfx/textures/tex02.jpg", Format::Jpeg, true, MeshesBackdrop},
      {"gfx/textures/tex03.jpg", Format::Jpeg, true,
       SkyBall},
      {"gfx/textures/tex04.jpg", Format::Jpeg, true,
       [] {
         return Matcap({Hex(0x8a4a2a), Hex(0xe09a50), Hex(0xffe0a8)}, {Hex(0x7a4438), Hex(0x3a1a28)},
                       Hex(0xfff0c0) * 0.6f, Hex(0xffffff), 142);
       }},
      {"gfx/metaballs/mb00.jpg", Format::Jpeg, true, [] { return RingedGiantScene(false); }},
      {"gfx/metaballs/mb01.jpg", Format::Jpeg, true, [] { return RingedGiantScene(true); }},
      {"gfx/greetz/gz00.jpg", Format::Jpeg, true, GreetzBackground},
      {"gfx/greetz/gz01.png", Format::Png, false, GreetzHeader},
      {"gfx/greetz/gz02.png", Format::Png, false, GreetzList},
      {"gfx/greetz/gz03.png", Format::Png, false, GreetzCredits},
      {"gfx/misc/marrowind", Format::Jpeg, true, Finale},
  };
  return list;
}

}  // namespace mkdata
