#include "music.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

#include <lame/lame.h>

#include "core/timeline.h"
#include "raster.h"  // Rng, Hash

namespace mkdata {

namespace {

// The show's grid (the timeline's): bar 0 starts at the hold point, where the music resumes when
// the first scene starts; every scene length is a whole or half number of bars.
constexpr double kBeat = timeline::kBeatSeconds;
constexpr double kBar = timeline::kBarSeconds;
constexpr double kSongStart = timeline::kHoldPoint / 1000.0;
constexpr double kLength = 380.0;  // seconds, including the ring-out
constexpr double kPi = 3.14159265358979;

double BarTime(double bar) { return kSongStart + bar * kBar; }
float MidiHz(float m) { return 440.0f * std::pow(2.0f, (m - 69.0f) / 12.0f); }

// Scene boundaries in bars: intro 0, cube 20, circles 42.5, metaballs 57.5, meshes 80, greetz 110, end 135.
constexpr double kCube = timeline::SceneStartBar(1), kCircles = timeline::SceneStartBar(2),
                 kMetaballs = timeline::SceneStartBar(3), kMeshes = timeline::SceneStartBar(4),
                 kGreetz = timeline::SceneStartBar(5), kEnd = timeline::SceneStartBar(timeline::kSceneCount);
static_assert(kCube == 20 && kCircles == 42.5 && kMetaballs == 57.5 && kMeshes == 80 && kGreetz == 110 && kEnd == 135);

struct Bus {
  size_t frames;
  std::vector<float> l, r;     // dry
  std::vector<float> reverb;   // mono send
  std::vector<float> delay;    // mono send
  std::vector<float> padL, padR;  // pads, ducked under the kick
  std::vector<double> kicks;      // kick times, for the ducking
  explicit Bus(size_t n) : frames(n), l(n), r(n), reverb(n), delay(n), padL(n), padR(n) {}
};

struct Send {
  float pan = 0;     // -1 left .. 1 right
  float reverb = 0;  // send levels
  float delay = 0;
};

size_t Frame(double t) { return t <= 0 ? 0 : size_t(t * kSampleRate + 0.5); }

// Writes one mono voice into the mix with equal-power panning and its sends.
void Put(Bus& m, size_t i, float v, const Send& s) {
  if (i >= m.frames) return;
  float a = (s.pan + 1) * 0.25f * float(kPi);
  m.l[i] += v * std::cos(a) * 1.41f;
  m.r[i] += v * std::sin(a) * 1.41f;
  m.reverb[i] += v * s.reverb;
  m.delay[i] += v * s.delay;
}

float PolyBlep(float t, float dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1;
  }
  if (t > 1 - dt) {
    t = (t - 1) / dt;
    return t * t + t + t + 1;
  }
  return 0;
}

struct Saw {
  float phase = 0;
  float next(float dt) {
    float v = 2 * phase - 1 - PolyBlep(phase, dt);
    phase += dt;
    if (phase >= 1) phase -= 1;
    return v;
  }
};

// Zero-delay state-variable low-pass.
struct LowPass {
  float ic1 = 0, ic2 = 0, a1 = 0, a2 = 0, a3 = 0, k = 1;
  void set(float hz, float q) {
    hz = std::clamp(hz, 20.0f, 18000.0f);
    float g = std::tan(float(kPi) * hz / kSampleRate);
    k = 1 / q;
    a1 = 1 / (1 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
  }
  float run(float x) {
    float v3 = x - ic2;
    float v1 = a1 * ic1 + a2 * v3;
    float v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    return v2;
  }
};

// Brightness automation for pads and plucks over the whole piece (Hz of the filter).
float PadCutoff(double t) {
  double bar = (t - kSongStart) / kBar;
  if (bar < 0) return float(500 + 700 * std::clamp(t / kSongStart, 0.0, 1.0));
  if (bar < 16) return float(1200 + 60 * bar);
  if (bar < kCube) return float(2200 + 400 * (bar - 16));
  if (bar < 36) return 3400;
  if (bar < kCircles) return float(3400 - 300 * (bar - 36));
  if (bar < 54) return 1600;
  if (bar < kMetaballs) return float(1600 + 500 * (bar - 54));
  if (bar < kMeshes) return 3200;
  if (bar < 107.5) return 4200;
  if (bar < kGreetz) return float(4200 - 1000 * (bar - 107.5));
  if (bar < 128) return 1800;
  return float(std::max(600.0, 1800 - 120 * (bar - 128)));
}

// ---------------------------------------------------------------- instruments

void Pad(Bus& m, double t0, double dur, float midi, float vel, float attack, float release, float spread) {
  float hz = MidiHz(midi);
  Saw o[3];
  o[1].phase = 0.33f;
  o[2].phase = 0.67f;
  const float det[3] = {-0.11f, 0.0f, 0.12f};  // semitones
  float dt[3];
  for (int k = 0; k < 3; ++k) dt[k] = hz * std::pow(2.0f, det[k] / 12.0f) / kSampleRate;
  LowPass fl, fr;
  size_t start = Frame(t0), hold = Frame(t0 + dur), end = std::min(m.frames, Frame(t0 + dur + release));
  float env = 0;
  float up = 1.0f / (attack * kSampleRate), down = 1.0f / (release * kSampleRate);
  float lfoRate = 0.13f + 0.02f * float(int(midi) % 5);
  for (size_t i = start; i < end; ++i) {
    if ((i - start) % 64 == 0) {
      double t = double(i) / kSampleRate;
      float lfo = std::sin(float(2 * kPi * lfoRate * t));
      float cut = PadCutoff(t) * (0.85f + 0.15f * lfo) * (0.7f + 0.002f * hz);
      fl.set(cut, 0.9f);
      fr.set(cut * 1.05f, 0.9f);
    }
    if (i < hold)
      env = std::min(1.0f, env + up);
    else
      env = std::max(0.0f, env - down * std::max(env, 0.05f) * 4);
    float a = o[0].next(dt[0]), b = o[1].next(dt[1]), c = o[2].next(dt[2]);
    float s = env * env * vel * 0.05f;
    float l = fl.run(a + 0.6f * b) * s, r = fr.run(c + 0.6f * b) * s;
    if (i < m.frames) {
      m.padL[i] += l * (1 + spread * 0.3f);
      m.padR[i] += r * (1 + spread * 0.3f);
      m.reverb[i] += (l + r) * 0.35f;
    }
  }
}

// Soft sine bass with a touch of filtered saw.
void Bass(Bus& m, double t0, double dur, float midi, float vel, float bright) {
  float hz = MidiHz(midi);
  float ph = 0, dt = hz / kSampleRate;
  Saw saw;
  LowPass lp;
  lp.set(hz * (2.5f + 4 * bright), 0.8f);
  size_t start = Frame(t0), n = Frame(dur + 0.08);
  float rel = 0.06f * kSampleRate;
  size_t holdN = Frame(dur);
  for (size_t k = 0; k < n; ++k) {
    float t = float(k) / kSampleRate;
    float env = (1 - std::exp(-t * 400)) * (0.65f + 0.35f * std::exp(-t * 5));
    if (k > holdN) env *= std::max(0.0f, 1 - float(k - holdN) / rel);
    float s = std::sin(2 * float(kPi) * ph) + 0.25f * std::sin(4 * float(kPi) * ph);
    ph += dt;
    if (ph >= 1) ph -= 1;
    float v = (s * 0.8f + lp.run(saw.next(dt)) * 0.35f * bright) * env * vel * 0.32f;
    Put(m, start + k, v, {0, 0.02f, 0});
  }
}

// Pluck: saw and square through a closing low-pass.
void Pluck(Bus& m, double t0, float midi, float vel, float decay, float pan, float bright, float delaySend) {
  float hz = MidiHz(midi);
  Saw a, b;
  float dt = hz / kSampleRate, dt2 = hz * 1.003f / kSampleRate;
  LowPass lp;
  size_t start = Frame(t0), n = Frame(decay * 3);
  for (size_t k = 0; k < n; ++k) {
    float t = float(k) / kSampleRate;
    if (k % 32 == 0) lp.set(hz * 1.5f + (600 + 5000 * bright) * std::exp(-t * 14), 1.1f);
    float env = (1 - std::exp(-t * 900)) * std::exp(-t / decay);
    float v = lp.run(a.next(dt) + 0.5f * b.next(dt2)) * env * vel * 0.11f;
    Put(m, start + k, v, {pan, 0.25f, delaySend});
  }
}

// FM bell: a bright strike that fades into a pure tone.
void Bell(Bus& m, double t0, float midi, float vel, float decay, float pan, float delaySend) {
  float hz = MidiHz(midi);
  float pc = 0, pm = 0, dc = hz / kSampleRate, dm = hz * 3.5f / kSampleRate;
  size_t start = Frame(t0), n = Frame(decay * 4);
  for (size_t k = 0; k < n; ++k) {
    float t = float(k) / kSampleRate;
    float idx = 2.2f * std::exp(-t * 6);
    float env = (1 - std::exp(-t * 1500)) * std::exp(-t / decay);
    float v = std::sin(2 * float(kPi) * pc + idx * std::sin(2 * float(kPi) * pm)) * env * vel * 0.09f;
    pc += dc;
    if (pc >= 1) pc -= 1;
    pm += dm;
    if (pm >= 1) pm -= 1;
    Put(m, start + k, v, {pan, 0.45f, delaySend});
  }
}

// Lead: two soft saws with delayed vibrato, gentle attack.
void Lead(Bus& m, double t0, double dur, float midi, float vel, float cutoff) {
  float hz = MidiHz(midi);
  Saw a, b;
  LowPass lp;
  lp.set(cutoff, 0.9f);
  size_t start = Frame(t0), hold = Frame(dur), n = Frame(dur + 0.5);
  float env = 0;
  for (size_t k = 0; k < n; ++k) {
    float t = float(k) / kSampleRate;
    float vib = 1 + 0.004f * Smooth(0.25f, 0.7f, t) * std::sin(2 * float(kPi) * 5.2f * t);
    if (k < hold)
      env += (1 - env) * 0.0012f;
    else
      env *= 0.99975f;
    float v = lp.run(a.next(hz * vib / kSampleRate) + b.next(hz * 1.004f * vib / kSampleRate)) * env * vel * 0.06f;
    Put(m, start + k, v, {0.1f, 0.4f, 0.3f});
  }
}

void Kick(Bus& m, double t0, float vel) {
  m.kicks.push_back(t0);
  size_t start = Frame(t0), n = Frame(0.45);
  float ph = 0;
  for (size_t k = 0; k < n; ++k) {
    float t = float(k) / kSampleRate;
    float f = 44 + 80 * std::exp(-t * 30);
    ph += f / kSampleRate;
    float env = std::exp(-t * 7.5f) * (1 - std::exp(-t * 3000));
    float v = std::sin(2 * float(kPi) * ph) * env * vel * 0.55f;
    Put(m, start + k, v, {0, 0, 0});
  }
}

struct Noise {
  uint32_t s;
  explicit Noise(uint32_t seed) : s(seed | 1) {}
  float next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return float(s) / 2147483648.0f - 1.0f;
  }
};

void Hat(Bus& m, double t0, float vel, float decay, float pan, uint32_t seed) {
  Noise nz(seed);
  size_t start = Frame(t0), n = Frame(decay * 6);
  float prev = 0, lp = 0;
  for (size_t k = 0; k < n; ++k) {
    float t = float(k) / kSampleRate;
    float x = nz.next();
    float hp = x - prev;  // first difference: a gentle high-pass
    prev = x;
    lp += (hp - lp) * 0.6f;
    float v = lp * std::exp(-t / decay) * vel * 0.07f;
    Put(m, start + k, v, {pan, 0.12f, 0});
  }
}

void Clap(Bus& m, double t0, float vel, uint32_t seed) {
  Noise nz(seed);
  LowPass bp;
  bp.set(1800, 1.6f);
  size_t start = Frame(t0), n = Frame(0.5);
  float ph = 0;
  for (size_t k = 0; k < n; ++k) {
    float t = float(k) / kSampleRate;
    // Three quick bursts, then the tail.
    float bursts = std::exp(-std::fmod(t, 0.011f) * 400) * (t < 0.033f ? 1.0f : 0.0f);
    float env = std::max(bursts, std::exp(-t * 14) * 0.8f);
    float noise = nz.next();
    float body = bp.run(noise) * 1.8f + noise * 0.25f;
    ph += 190.0f / kSampleRate;
    float tone = std::sin(2 * float(kPi) * ph) * std::exp(-t * 30) * 0.4f;
    float v = (body * env + tone) * vel * 0.12f;
    Put(m, start + k, v, {-0.05f, 0.5f, 0.05f});
  }
}

// Filtered noise rising over a span: builds into a new section.
void Riser(Bus& m, double t0, double dur, float vel, uint32_t seed) {
  Noise nz(seed);
  LowPass lp;
  size_t start = Frame(t0), n = Frame(dur);
  for (size_t k = 0; k < n; ++k) {
    float x = float(k) / float(n);
    if (k % 32 == 0) lp.set(300 + 7000 * x * x, 1.2f);
    float v = lp.run(nz.next()) * x * x * vel * 0.12f;
    Put(m, start + k, v, {std::sin(x * 12.0f) * 0.5f, 0.6f, 0});
  }
}

// Long soft noise swell that decays: a cymbal-like wash at section starts.
void Wash(Bus& m, double t0, float vel, uint32_t seed) {
  Noise nz(seed);
  LowPass lp;
  lp.set(6000, 0.7f);
  size_t start = Frame(t0), n = Frame(4.0);
  float prev = 0;
  for (size_t k = 0; k < n; ++k) {
    float t = float(k) / kSampleRate;
    float x = nz.next();
    float hp = x - prev;
    prev = x;
    float v = lp.run(hp) * std::exp(-t * 1.1f) * (1 - std::exp(-t * 200)) * vel * 0.05f;
    Put(m, start + k, v, {0.2f, 0.7f, 0});
  }
}

// ---------------------------------------------------------------- effects

// Ping-pong delay of the delay send, a dotted eighth on the left, a quarter on the right.
void ApplyDelay(Bus& m) {
  size_t dl = Frame(kBeat * 0.75), dr = Frame(kBeat);
  std::vector<float> bl(dl, 0), br(dr, 0);
  size_t il = 0, ir = 0;
  float lpL = 0, lpR = 0;
  for (size_t i = 0; i < m.frames; ++i) {
    float outL = bl[il], outR = br[ir];
    lpL += (outL - lpL) * 0.35f;
    lpR += (outR - lpR) * 0.35f;
    bl[il] = m.delay[i] + lpR * 0.42f;
    br[ir] = lpL * 0.42f;
    il = (il + 1) % dl;
    ir = (ir + 1) % dr;
    m.l[i] += outL * 0.55f;
    m.r[i] += outR * 0.55f;
    m.reverb[i] += (outL + outR) * 0.15f;
  }
}

struct Comb {
  std::vector<float> buf;
  size_t i = 0;
  float store = 0;
  explicit Comb(size_t n) : buf(n, 0) {}
  float run(float x, float fb, float damp) {
    float out = buf[i];
    store = out * (1 - damp) + store * damp;
    buf[i] = x + store * fb;
    if (++i == buf.size()) i = 0;
    return out;
  }
};

struct AllPass {
  std::vector<float> buf;
  size_t i = 0;
  explicit AllPass(size_t n) : buf(n, 0) {}
  float run(float x) {
    float b = buf[i];
    buf[i] = x + b * 0.5f;
    if (++i == buf.size()) i = 0;
    return b - x;
  }
};

// A classic Schroeder-Moorer hall: eight damped combs and four all-passes per side.
void ApplyReverb(Bus& m) {
  const size_t combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  const size_t passes[4] = {556, 441, 341, 225};
  std::vector<Comb> cl, cr;
  std::vector<AllPass> al, ar;
  for (size_t c : combs) {
    cl.emplace_back(c);
    cr.emplace_back(c + 23);
  }
  for (size_t a : passes) {
    al.emplace_back(a);
    ar.emplace_back(a + 23);
  }
  const float fb = 0.88f, damp = 0.35f, wet = 1.2f;
  float pre = 0;
  for (size_t i = 0; i < m.frames; ++i) {
    pre += (m.reverb[i] - pre) * 0.5f;
    float x = pre * 0.015f;
    float l = 0, r = 0;
    for (int k = 0; k < 8; ++k) {
      l += cl[size_t(k)].run(x, fb, damp);
      r += cr[size_t(k)].run(x, fb, damp);
    }
    for (int k = 0; k < 4; ++k) {
      l = al[size_t(k)].run(l);
      r = ar[size_t(k)].run(r);
    }
    m.l[i] += l * wet;
    m.r[i] += r * wet;
  }
}

// ---------------------------------------------------------------- the piece

using Chord = std::array<float, 5>;  // pad voicing, lowest note is not the bass
struct Harmony {
  float root;  // bass note
  Chord pad;
};

const Harmony kDm9{38, {50, 57, 60, 64, 65}};
const Harmony kBbmaj7{34, {50, 53, 57, 60, 62}};
const Harmony kFmaj9{41, {48, 53, 57, 60, 67}};
const Harmony kCadd9{36, {48, 55, 60, 62, 64}};
const Harmony kGm9{43, {50, 55, 58, 62, 65}};
const Harmony kA7sus{45, {52, 55, 57, 62, 64}};
const Harmony kC6{36, {48, 55, 57, 60, 64}};

// The harmony, section by section: from its first bar on, a section walks its
// progression, `barsPerChord` bars a chord, until the next section begins.
struct HarmonySection {
  int from;
  std::vector<const Harmony*> progression;
  int barsPerChord;
};
const HarmonySection kHarmony[] = {
    {0, {&kDm9, &kBbmaj7, &kFmaj9, &kCadd9}, 2},                                          // intro: slow
    {20, {&kDm9, &kBbmaj7, &kFmaj9, &kCadd9}, 1},                                         // cube
    {42, {&kGm9, &kDm9, &kBbmaj7, &kA7sus}, 2},                                           // circles
    {58, {&kDm9, &kBbmaj7, &kFmaj9, &kCadd9}, 1},                                         // metaballs
    {80, {&kBbmaj7, &kC6, &kDm9, &kDm9, &kGm9, &kBbmaj7, &kFmaj9, &kCadd9}, 1},           // meshes: the peak
    {110, {&kDm9, &kBbmaj7, &kFmaj9, &kCadd9}, 2},                                        // greetz: slow
    {131, {&kDm9}, 1},                                                                    // the closing chord
};
constexpr int kClosingChord = 131;

// The chord of a given bar (D minor before the first).
const Harmony& ChordAt(int bar) {
  if (bar < 0) return kDm9;
  const HarmonySection* s = &kHarmony[0];
  for (const HarmonySection& next : kHarmony)
    if (next.from <= bar) s = &next;
  return *s->progression[size_t((bar - s->from) / s->barsPerChord) % s->progression.size()];
}

enum class BassPart { Rest, Held, Groove };  // held: one long note a bar; groove: eighths
enum class ArpPart { Rest, FadeIn, Eighths, Sixteenths };
enum class KickPart { Rest, HalfTime, Light, Full };  // half time: soft on beats 1 and 3; light: soft on all four
enum class HatPart { Rest, Offbeat, Swung };           // swung: offbeats and late sixteenths
enum class BellPart { Rest, Opening, Breakdown, Finale };

// The arrangement: what each part plays from a row's bar on, until the next
// row's. `pad` is the pads' level (0: the closing chord takes over),
// `bright` opens the groove's and the arpeggio's filters.
struct Stretch {
  int from;
  BassPart bass;
  ArpPart arp;
  KickPart kick;
  HatPart hats;
  bool claps, shaker;
  BellPart bells;
  float pad;
  bool bright;
};
using B = BassPart;
using A = ArpPart;
using K = KickPart;
using H = HatPart;
using Bl = BellPart;
// clang-format off
const Stretch kScore[] = {
    // bar  bass       arp            kick         hats        claps  shaker bells          pad    bright
    {  0, B::Rest,   A::Rest,       K::Rest,     H::Rest,    false, false, Bl::Rest,      0.85f, false},  // intro
    {  2, B::Rest,   A::Rest,       K::Rest,     H::Rest,    false, false, Bl::Opening,   0.85f, false},
    {  4, B::Held,   A::Rest,       K::Rest,     H::Rest,    false, false, Bl::Opening,   0.85f, false},
    {  8, B::Held,   A::FadeIn,     K::Rest,     H::Rest,    false, false, Bl::Opening,   0.85f, false},
    {  9, B::Held,   A::FadeIn,     K::Rest,     H::Rest,    false, false, Bl::Rest,      0.85f, false},
    { 12, B::Held,   A::Eighths,    K::HalfTime, H::Rest,    false, true,  Bl::Rest,      0.85f, false},
    { 16, B::Held,   A::Eighths,    K::HalfTime, H::Offbeat, false, false, Bl::Rest,      0.85f, false},
    { 20, B::Groove, A::Sixteenths, K::Full,     H::Swung,   true,  false, Bl::Rest,      0.85f, false},  // cube
    { 36, B::Groove, A::Sixteenths, K::Full,     H::Swung,   false, false, Bl::Rest,      0.85f, false},
    { 40, B::Groove, A::Rest,       K::HalfTime, H::Rest,    false, false, Bl::Rest,      0.85f, false},
    { 42, B::Held,   A::Rest,       K::Rest,     H::Rest,    false, false, Bl::Rest,      0.85f, false},  // circles
    { 43, B::Held,   A::Eighths,    K::Rest,     H::Rest,    false, false, Bl::Breakdown, 0.95f, false},
    { 44, B::Held,   A::Eighths,    K::Rest,     H::Offbeat, false, true,  Bl::Breakdown, 0.95f, false},
    { 56, B::Held,   A::Eighths,    K::Light,    H::Rest,    false, false, Bl::Breakdown, 0.95f, false},
    { 57, B::Held,   A::Rest,       K::Light,    H::Rest,    false, false, Bl::Rest,      0.95f, false},
    { 58, B::Groove, A::Rest,       K::Full,     H::Swung,   true,  false, Bl::Rest,      0.85f, false},  // metaballs
    { 60, B::Groove, A::Sixteenths, K::Full,     H::Swung,   true,  false, Bl::Rest,      0.85f, false},
    { 77, B::Groove, A::Sixteenths, K::Light,    H::Rest,    false, false, Bl::Rest,      0.85f, false},
    { 78, B::Held,   A::Sixteenths, K::Light,    H::Rest,    false, false, Bl::Rest,      0.85f, false},
    { 80, B::Groove, A::Eighths,    K::Full,     H::Swung,   true,  false, Bl::Rest,      0.8f,  true},   // meshes
    { 84, B::Groove, A::Sixteenths, K::Full,     H::Swung,   true,  false, Bl::Rest,      0.8f,  true},
    {108, B::Held,   A::Rest,       K::Rest,     H::Rest,    false, false, Bl::Rest,      0.8f,  true},
    {110, B::Held,   A::Rest,       K::Rest,     H::Rest,    false, false, Bl::Rest,      0.85f, false},  // greetz
    {112, B::Groove, A::Eighths,    K::Full,     H::Swung,   true,  false, Bl::Rest,      0.85f, false},
    {126, B::Groove, A::Eighths,    K::Light,    H::Rest,    false, true,  Bl::Rest,      0.85f, false},
    {128, B::Held,   A::Eighths,    K::Rest,     H::Rest,    false, true,  Bl::Rest,      0.85f, false},
    {129, B::Held,   A::Eighths,    K::Rest,     H::Rest,    false, true,  Bl::Finale,    0.85f, false},
    {130, B::Held,   A::Eighths,    K::Rest,     H::Rest,    false, false, Bl::Finale,    0.85f, false},
    {131, B::Held,   A::Rest,       K::Rest,     H::Rest,    false, false, Bl::Finale,    0.0f,  false},  // closing chord
    {134, B::Rest,   A::Rest,       K::Rest,     H::Rest,    false, false, Bl::Finale,    0.0f,  false},
    {135, B::Rest,   A::Rest,       K::Rest,     H::Rest,    false, false, Bl::Rest,      0.0f,  false},  // end
};
// clang-format on
constexpr int kArpEntry = 8;  // the arpeggio fades in from here over four bars

const Stretch& StretchAt(int bar) {
  const Stretch* s = &kScore[0];
  for (const Stretch& next : kScore)
    if (next.from <= bar) s = &next;
  return *s;
}

struct Note {
  float beat, len, midi;
};

// The main tune, eight bars over the D minor progression.
const std::vector<Note> kTuneA = {
    {0, 1.5f, 69},  {1.5f, 0.5f, 72}, {2, 1.5f, 74},  {3.5f, 0.5f, 72},                    // Dm
    {4, 1, 70},     {5, 1, 69},       {6, 2, 65},                                          // Bb
    {8, 1.5f, 69},  {9.5f, 0.5f, 67}, {10, 1, 69},    {11, 1, 72},                         // F
    {12, 3, 67},    {15, 1, 64},                                                           // C
    {16, 1.5f, 69}, {17.5f, 0.5f, 72}, {18, 1.5f, 74}, {19.5f, 0.5f, 76},                  // Dm
    {20, 1.5f, 77}, {21.5f, 0.5f, 76}, {22, 2, 74},                                        // Bb
    {24, 1, 72},    {25, 1, 69},       {26, 1, 72},    {27, 1, 74},                        // F
    {28, 1.5f, 76}, {29.5f, 2.5f, 74},                                                     // C
};

// The peak's tune over Bb C Dm Dm Gm Bb F C.
const std::vector<Note> kTuneC = {
    {0, 1.5f, 74},   {1.5f, 1, 77},   {2.5f, 0.5f, 74}, {3, 1, 72},
    {4, 1.5f, 72},   {5.5f, 1, 76},   {6.5f, 1.5f, 79},
    {8, 3, 81},      {11, 0.5f, 79},  {11.5f, 0.5f, 77},
    {12, 1, 76},     {13, 3, 74},
    {16, 1.5f, 74},  {17.5f, 0.5f, 77}, {18, 1, 79},    {19, 1, 77},
    {20, 2, 74},     {22, 1, 72},     {23, 1, 70},
    {24, 1.5f, 72},  {25.5f, 0.5f, 69}, {26, 1, 72},    {27, 1, 77},
    {28, 4, 76},
};

// Plays a tune from a bar on; stretch 2 plays it at half speed (for two-bar chords).
void PlayTune(Bus& m, const std::vector<Note>& tune, double startBar, float transpose, float vel, float cutoff,
              bool bells, double stretch = 1) {
  for (const Note& n : tune) {
    double t = BarTime(startBar) + n.beat * kBeat * stretch;
    if (bells)
      Bell(m, t, n.midi + transpose, vel, 0.9f, 0.25f, 0.35f);
    else
      Lead(m, t, n.len * kBeat * stretch * 0.92, n.midi + transpose, vel, cutoff);
  }
}

// The tunes as they enter: a tune, from which bar, transposed by, how loud,
// the lead's filter, played on bells instead, stretch 2 at half speed.
struct TuneEntry {
  const std::vector<Note>* tune;
  double bar;
  float transpose, vel, cutoff;
  bool bells;
  double stretch;
};
const TuneEntry kTunes[] = {
    {&kTuneA, 28, 0, 0.8f, 2600, false, 1},   // cube
    {&kTuneA, 62, 0, 0.85f, 3000, false, 1},  // metaballs
    {&kTuneA, 70, 12, 0.45f, 3000, true, 1},
    {&kTuneC, 88, 0, 0.9f, 3400, false, 1},   // meshes
    {&kTuneC, 96, 12, 0.5f, 3400, true, 1},
    {&kTuneC, 96, 0, 0.9f, 3800, false, 1},
    {&kTuneA, 118, 0, 0.65f, 2200, false, 2},  // greetz
};

// Clap rolls (from bar, for bars) at the strobes of the meshes scene and
// before the big changes; risers (from bar, bars, level, seed); noise washes
// at the scene changes.
const double kRolls[][2] = {{19, 1}, {96.5, 1}, {101.5, 1}, {79, 1}};
struct RiserEntry {
  double bar, bars;
  float level;
  uint32_t seed;
};
const RiserEntry kRisers[] = {{18, 2, 0.9f, 77}, {54, 3.5, 0.8f, 78}, {77.5, 2.5, 1.0f, 79}, {106, 2, 0.6f, 80}};
const double kWashes[] = {0.0, kCube, kMetaballs + 0.5, kMeshes, 88.0, 98.0, kGreetz, 129.0};

void Compose(Bus& m) {
  Rng rng(2024);
  // Opening before the first scene: a D minor swell, a low drone and a few bells.
  for (float note : kDm9.pad) Pad(m, 0.2, BarTime(0) - 0.2 + 0.3, note, 0.8f, 4.5f, 1.5f, 0.5f);
  Bass(m, 2.0, BarTime(0) - 2.0, 38, 0.45f, 0.0f);
  {
    const float bells[] = {81, 76, 74, 69, 72, 77, 74, 81, 86, 84, 81, 76};
    for (int k = 0; k < 12; ++k) {
      double t = 1.2 + k * 0.58 + 0.12 * rng.uniform();
      if (t < BarTime(0) - 0.2) Bell(m, t, bells[k], 0.35f + 0.25f * rng.uniform(), 1.2f, rng.range(-0.6f, 0.6f), 0.5f);
    }
  }
  const int end = int(kEnd);

  // Pads: one chord per bar from bar 0, a long release so changes blend.
  for (int bar = 0; bar < kClosingChord; ++bar) {
    const Harmony& h = ChordAt(bar);
    bool sameNext = bar + 1 < kClosingChord && &ChordAt(bar + 1) == &h;
    if (bar > 0 && &ChordAt(bar - 1) == &h) continue;  // held from the previous bar
    int span = 1;
    while (sameNext && bar + span < kClosingChord && &ChordAt(bar + span) == &h) ++span;
    float vel = StretchAt(bar).pad;
    for (int k = 0; k < 5; ++k)
      Pad(m, BarTime(bar) - 0.05, span * kBar, h.pad[size_t(k)], vel * (k == 4 ? 0.7f : 1.0f), 0.6f, 1.6f,
          float(k - 2) * 0.5f);
  }
  // The closing chord rings out to the end.
  const double closing = BarTime(kClosingChord);
  for (float note : kDm9.pad) Pad(m, closing, BarTime(kEnd + 2) - closing, note, 0.85f, 1.0f, 4.5f, 0.5f);
  Pad(m, closing, BarTime(kEnd + 2) - closing, 74, 0.5f, 3.0f, 4.5f, 1.0f);

  // Bass.
  for (int bar = 0; bar < end; ++bar) {
    const Stretch& s = StretchAt(bar);
    const Harmony& h = ChordAt(bar);
    double t = BarTime(bar);
    if (s.bass == BassPart::Groove) {
      // Eighths: the root on the beat is soft (the kick carries it), the offbeat pushes.
      static const float pattern[8] = {0, 0, 12, 0, 0, 12, 7, 12};
      for (int e = 0; e < 8; ++e) {
        float vel = (e % 2) ? 0.85f : 0.55f;
        Bass(m, t + e * kBeat * 0.5, kBeat * 0.42, h.root + pattern[e], vel, s.bright ? 0.8f : 0.5f);
      }
    } else if (s.bass == BassPart::Held) {
      Bass(m, t, kBar * 0.95, h.root, 0.75f, 0.2f);
    }
  }

  // Arpeggios: eighths while the scene is calm, sixteenths in the grooves.
  for (int bar = 0; bar < end; ++bar) {
    const Stretch& s = StretchAt(bar);
    if (s.arp == ArpPart::Rest) continue;
    const Harmony& h = ChordAt(bar);
    double t = BarTime(bar);
    bool sixteenth = s.arp == ArpPart::Sixteenths;
    static const int order[8] = {0, 1, 2, 3, 4, 3, 2, 1};
    int steps = sixteenth ? 16 : 8;
    double step = kBar / steps;
    for (int i = 0; i < steps; ++i) {
      int idx = order[i % 8];
      float note = h.pad[size_t(idx)] + 12;
      float accent = (i % 4 == 0) ? 1.0f : 0.7f;
      float vel = (sixteenth ? 0.8f : 0.9f) * accent;
      if (s.arp == ArpPart::FadeIn) vel *= float(bar - (kArpEntry - 1)) / 5.0f;
      float bright = s.bright ? 0.8f : 0.45f;
      vel *= rng.range(0.88f, 1.06f);  // a player's unevenness
      Pluck(m, t + i * step, note, vel, sixteenth ? 0.16f : 0.28f, (i % 2) ? 0.45f : -0.45f, bright, 0.45f);
    }
  }

  // Bells: a few over the opening scene's first bars, before the arpeggio
  // comes in; chord tones, high, with the delay in the breakdown; a falling
  // figure over the closing picture.
  for (int bar = 0; bar < end; ++bar) {
    const Harmony& h = ChordAt(bar);
    switch (StretchAt(bar).bells) {
      case BellPart::Rest:
        break;
      case BellPart::Opening:
        for (float beat : {0.0f, 2.5f}) {
          if (bar % 2 == 1 && beat > 0) continue;
          float note = h.pad[size_t(2 + rng.next() % 3)] + 24;
          Bell(m, BarTime(bar) + beat * kBeat, note, 0.35f + 0.15f * rng.uniform(), 1.1f, rng.range(-0.6f, 0.6f),
               0.55f);
        }
        break;
      case BellPart::Breakdown: {
        const float beats[4] = {0, 1.5f, 2.5f, 3.0f};
        for (int k = 0; k < 4; ++k) {
          if (k == 3 && bar % 2 == 0) continue;
          float note = h.pad[size_t(1 + rng.next() % 4)] + 24;
          Bell(m, BarTime(bar) + beats[k] * kBeat, note, 0.55f + 0.2f * rng.uniform(), 0.8f, rng.range(-0.5f, 0.5f),
               0.5f);
        }
        break;
      }
      case BellPart::Finale: {
        const float notes[4] = {81, 76, 74, 69};
        for (int k = 0; k < 4; ++k)
          if ((bar + k) % 2 == 0)
            Bell(m, BarTime(bar) + k * kBeat, notes[k] + (bar % 2 ? 0.0f : 5.0f), 0.4f, 1.4f, rng.range(-0.5f, 0.5f),
                 0.5f);
        break;
      }
    }
  }

  for (const TuneEntry& e : kTunes) PlayTune(m, *e.tune, e.bar, e.transpose, e.vel, e.cutoff, e.bells, e.stretch);

  // Drums.
  uint32_t seed = 1;
  for (int bar = 0; bar < end; ++bar) {
    const Stretch& s = StretchAt(bar);
    double t = BarTime(bar);
    for (int b = 0; b < 4; ++b) {
      double tb = t + b * kBeat;
      if (s.kick == KickPart::Full) Kick(m, tb, 0.9f);
      else if (s.kick == KickPart::Light || (s.kick == KickPart::HalfTime && b % 2 == 0)) Kick(m, tb, 0.6f);
      if (s.claps && (b == 1 || b == 3)) Clap(m, tb + 0.004, rng.range(0.68f, 0.78f), seed++);
      if (s.hats != HatPart::Rest) {
        bool swung = s.hats == HatPart::Swung;
        Hat(m, tb + kBeat * 0.5, (swung ? 0.9f : 0.6f) * rng.range(0.85f, 1.05f), 0.045f, 0.3f, seed++);
        if (swung) {
          // Sixteenths pushed a little late: a gentle swing.
          Hat(m, tb + kBeat * 0.25 + 0.018, rng.range(0.28f, 0.4f), 0.025f, -0.3f, seed++);
          Hat(m, tb + kBeat * 0.75 + 0.018, rng.range(0.32f, 0.45f), 0.025f, -0.3f, seed++);
        }
      }
    }
    // Shaker sixteenths in the calm parts.
    if (s.shaker)
      for (int i = 0; i < 16; ++i)
        Hat(m, t + i * kBeat / 4 + (i % 2 ? 0.018 : 0.0), ((i % 4 == 2) ? 0.45f : 0.22f) * rng.range(0.8f, 1.1f),
            0.03f, 0.5f, seed++);
  }
  for (const auto& [from, bars] : kRolls) {
    int hits = int(bars * 16);
    for (int k = 0; k < hits; ++k)
      Clap(m, BarTime(from) + k * kBeat / 4, 0.25f + 0.6f * float(k) / float(hits), seed++);
  }
  for (const RiserEntry& r : kRisers) Riser(m, BarTime(r.bar), r.bars * kBar, r.level, r.seed);
  for (double b : kWashes) Wash(m, BarTime(b), 0.9f, uint32_t(b * 10));
}

}  // namespace

// The pads breathe with the kick: a quick dip and a quarter-second recovery.
void MixDuckedPads(Bus& m) {
  std::vector<float> duck(m.frames, 1.0f);
  for (double t : m.kicks) {
    size_t s = Frame(t), n = Frame(0.6);
    for (size_t k = 0; k < n && s + k < m.frames; ++k) {
      float x = float(k) / kSampleRate;
      float g = 1 - 0.45f * std::exp(-x / 0.12f) * std::min(1.0f, x * 200);
      duck[s + k] = std::min(duck[s + k], g);
    }
  }
  for (size_t i = 0; i < m.frames; ++i) {
    m.l[i] += m.padL[i] * duck[i];
    m.r[i] += m.padR[i] * duck[i];
  }
}

std::vector<float> RenderSoundtrack() {
  Bus m(Frame(kLength));
  Compose(m);
  MixDuckedPads(m);
  ApplyDelay(m);
  ApplyReverb(m);
  // Master: gentle saturation, level, and a fade over the last seconds.
  std::vector<float> out(m.frames * 2);
  float peak = 0;
  for (size_t i = 0; i < m.frames; ++i) peak = std::max({peak, std::fabs(m.l[i]), std::fabs(m.r[i])});
  // Drive the loudest moments gently into the curve: fuller level, no hard clipping.
  float gain = peak > 0 ? 1.7f / peak : 1.0f;
  size_t fadeStart = Frame(kLength - 9), fadeEnd = Frame(kLength - 1);
  for (size_t i = 0; i < m.frames; ++i) {
    float f = 1;
    if (i >= fadeEnd) f = 0;
    else if (i > fadeStart) f = 1 - float(i - fadeStart) / float(fadeEnd - fadeStart);
    out[2 * i] = std::tanh(m.l[i] * gain) * 0.94f * f;
    out[2 * i + 1] = std::tanh(m.r[i] * gain) * 0.94f * f;
  }
  return out;
}

bool WriteMp3(const std::string& path, const std::vector<float>& stereo, const std::string& title) {
  lame_global_flags* gf = lame_init();
  if (!gf) return false;
  std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> guard(gf, lame_close);
  lame_set_in_samplerate(gf, kSampleRate);
  lame_set_out_samplerate(gf, kSampleRate);
  lame_set_num_channels(gf, 2);
  lame_set_mode(gf, JOINT_STEREO);
  lame_set_brate(gf, 160);
  lame_set_quality(gf, 5);
  lame_set_write_id3tag_automatic(gf, 0);
  id3tag_init(gf);
  id3tag_add_v2(gf);
  id3tag_set_title(gf, title.c_str());
  id3tag_set_artist(gf, "quiet orbit");
  id3tag_set_album(gf, "quiet orbit");
  if (lame_init_params(gf) < 0) return false;

  std::vector<unsigned char> file;
  std::vector<unsigned char> tag(16384);
  size_t v2 = lame_get_id3v2_tag(gf, tag.data(), tag.size());
  if (v2 > tag.size()) return false;
  file.insert(file.end(), tag.begin(), tag.begin() + long(v2));
  size_t audioStart = file.size();

  const size_t frames = stereo.size() / 2;
  const size_t chunk = 8192;
  std::vector<float> l(chunk), r(chunk);
  std::vector<unsigned char> buf(size_t(1.25 * chunk) + 7200);
  for (size_t pos = 0; pos < frames; pos += chunk) {
    size_t n = std::min(chunk, frames - pos);
    for (size_t k = 0; k < n; ++k) {
      l[k] = stereo[2 * (pos + k)];
      r[k] = stereo[2 * (pos + k) + 1];
    }
    int got = lame_encode_buffer_ieee_float(gf, l.data(), r.data(), int(n), buf.data(), int(buf.size()));
    if (got < 0) return false;
    file.insert(file.end(), buf.begin(), buf.begin() + got);
  }
  int got = lame_encode_flush(gf, buf.data(), int(buf.size()));
  if (got < 0) return false;
  file.insert(file.end(), buf.begin(), buf.begin() + got);
  // The Info frame at the start carries the exact length for gapless decoders.
  size_t infoSize = lame_get_lametag_frame(gf, buf.data(), buf.size());
  if (infoSize > 0 && audioStart + infoSize <= file.size())
    std::copy(buf.begin(), buf.begin() + long(infoSize), file.begin() + long(audioStart));
  size_t v1 = lame_get_id3v1_tag(gf, tag.data(), tag.size());
  if (v1 <= tag.size()) file.insert(file.end(), tag.begin(), tag.begin() + long(v1));

  std::string tmp = path + ".tmp";
  FILE* f = fopen(tmp.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
  ok = (fclose(f) == 0) && ok;
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    remove(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace mkdata
