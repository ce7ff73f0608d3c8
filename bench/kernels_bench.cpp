// Frame-sized kernel timings: every blend operation, Clear, Draw, spans and
// the three polygon fillers at 512 x 384 in depths 32 and 16, with and
// without the vector kernels, beside pixman's nearest operations and memcpy
// of the same bytes. Throughput is in destination bytes (copies) or pixels
// (spans and fillers, from the triangles' areas).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Zentra2/buffer.h"
#include "Zentra2/cpu.h"
#include "Zentra2/zentra.h"

#ifdef QO_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

constexpr int kW = 512, kH = 384;

struct Frame {
  std::unique_ptr<THeadlessZentra> display;
  std::unique_ptr<TBuffer64> src, dst, texture;
  int depth = 0, bytes = 0;
};

void RandomBytes(TBuffer64& b, std::mt19937& rng) {
  for (int y = 0; y < b.Height; ++y)
    for (int i = 0; i < b.Pitch; ++i) {
      uint32_t r = rng();
      b.Rows[size_t(y)][i] = (r & 3) == 0 ? 0 : (r & 3) == 1 ? 255 : uint8_t(r >> 8);
    }
}

Frame& FrameFor(int depth) {
  static std::map<int, Frame> frames;
  Frame& f = frames[depth];
  if (!f.display) {
    std::mt19937 rng{uint32_t(depth)};
    f.depth = depth;
    f.bytes = depth == 32 ? 4 : 2;
    f.display = std::make_unique<THeadlessZentra>(kW, kH, uint8_t(depth));
    f.src = std::make_unique<TBuffer64>(f.display.get(), kW, kH, false);
    f.dst = std::make_unique<TBuffer64>(f.display.get(), kW, kH, false);
    f.texture = std::make_unique<TBuffer64>(f.display.get(), 256, 256, false);
    RandomBytes(*f.src, rng);
    RandomBytes(*f.dst, rng);
    RandomBytes(*f.texture, rng);
  }
  DisplayDepth = uint8_t(depth);
  return f;
}

int64_t FrameBytes(const Frame& f) { return int64_t(kW) * kH * f.bytes; }

// One whole-frame operation, timed with the vector kernels on or off.
void Whole(benchmark::State& state, int depth, bool vector, std::function<void(Frame&)> op) {
  Frame& f = FrameFor(depth);
  const bool saved = UseMMX;
  UseMMX = vector;
  for (auto _ : state) {
    op(f);
    benchmark::ClobberMemory();
  }
  UseMMX = saved;
  state.SetBytesProcessed(int64_t(state.iterations()) * FrameBytes(f));
}

void Memcpy(benchmark::State& state, int depth) {
  Frame& f = FrameFor(depth);
  for (auto _ : state) {
    std::memcpy(f.dst->Bits, f.src->Bits, size_t(f.dst->Pitch) * kH);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * FrameBytes(f));
}

// ---- polygon sets ----

struct Triangles {
  std::vector<TPolyVertex> v;  // three per triangle
  double pixels = 0;           // sum of the areas
};

const Triangles& RandomTriangles(int depth) {
  static std::map<int, Triangles> sets;
  Triangles& t = sets[depth];
  if (t.v.empty()) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> cx(0, kW), cy(0, kH), off(-40, 40), tc(0, 255);
    for (int i = 0; i < 2000; ++i) {
      float x = cx(rng), y = cy(rng);
      TPolyVertex p[3];
      for (auto& q : p) {
        q.X = x + off(rng), q.Y = y + off(rng), q.U = tc(rng), q.V = tc(rng);
        q.Color = MakeColor(uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
        t.v.push_back(q);
      }
      t.pixels += std::abs((p[1].X - p[0].X) * (p[2].Y - p[0].Y) - (p[2].X - p[0].X) * (p[1].Y - p[0].Y)) / 2;
    }
  }
  return t;
}

enum class Filler { Flat, Gouraud, Texture };

void Fill(benchmark::State& state, int depth, Filler kind) {
  Frame& f = FrameFor(depth);
  const Triangles& t = RandomTriangles(depth);
  for (auto _ : state) {
    for (size_t i = 0; i < t.v.size(); i += 3) {
      switch (kind) {
        case Filler::Flat: f.dst->FillPoly(&t.v[i], 3, t.v[i].Color); break;
        case Filler::Gouraud: f.dst->GouraudPoly(&t.v[i], 3); break;
        case Filler::Texture: f.dst->TexturePoly(f.texture.get(), &t.v[i], 3); break;
      }
    }
    benchmark::ClobberMemory();
  }
  state.counters["pixels/s"] = benchmark::Counter(t.pixels * double(state.iterations()), benchmark::Counter::kIsRate);
}

void Spans(benchmark::State& state, int depth, bool vector, int maxLength) {
  Frame& f = FrameFor(depth);
  std::mt19937 rng(5);
  std::vector<int> xs(4096), lens(4096);
  for (size_t i = 0; i < xs.size(); ++i) lens[i] = 1 + int(rng() % uint32_t(maxLength)), xs[i] = int(rng() % uint32_t(kW - lens[i] + 1));
  const bool saved = UseMMX;
  UseMMX = vector;
  int64_t pixels = 0;
  for (auto _ : state) {
    for (int y = 0; y < kH; ++y) {
      size_t i = size_t(y) & 4095;
      f.dst->HLine(xs[i], xs[i] + lens[i] - 1, y, 0x123456);
      pixels += lens[i];
    }
    benchmark::ClobberMemory();
  }
  UseMMX = saved;
  state.counters["pixels/s"] = benchmark::Counter(double(pixels), benchmark::Counter::kIsRate);
}

#ifdef QO_HAVE_PIXMAN
struct PixmanFrame {
  std::vector<uint32_t> src, dst;
  pixman_image_t *s = nullptr, *d = nullptr, *mask = nullptr;
};

PixmanFrame& PixmanFor(pixman_format_code_t srcFormat, pixman_format_code_t dstFormat, int bytes) {
  static std::map<std::pair<int, int>, PixmanFrame> frames;
  PixmanFrame& p = frames[{int(srcFormat), int(dstFormat)}];
  if (!p.s) {
    std::mt19937 rng(7);
    const int stride = kW * bytes;
    p.src.resize(size_t(stride) * kH / 4);
    p.dst.resize(size_t(stride) * kH / 4);
    for (auto& v : p.src) v = rng();
    for (auto& v : p.dst) v = rng();
    p.s = pixman_image_create_bits(srcFormat, kW, kH, p.src.data(), stride);
    p.d = pixman_image_create_bits(dstFormat, kW, kH, p.dst.data(), stride);
    pixman_color_t half{0x8080, 0x8080, 0x8080, 0x8080};
    p.mask = pixman_image_create_solid_fill(&half);
  }
  return p;
}

void Pixman(benchmark::State& state, pixman_op_t op, pixman_format_code_t srcFormat, pixman_format_code_t dstFormat, int bytes, bool solidMask) {
  PixmanFrame& p = PixmanFor(srcFormat, dstFormat, bytes);
  for (auto _ : state) {
    pixman_image_composite32(op, p.s, solidMask ? p.mask : nullptr, p.d, 0, 0, 0, 0, 0, 0, kW, kH);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * bytes);
}
#endif

void RegisterAll() {
  using benchmark::RegisterBenchmark;
  for (int depth : {32, 16}) {
    const std::string d = "/d" + std::to_string(depth);
    struct Named {
      const char* name;
      std::function<void(Frame&)> op;
    };
    const std::vector<Named> ops = {
        {"DrawAdd", [](Frame& f) { f.src->DrawAdd(f.dst.get(), 0, 0); }},
        {"DrawSub", [](Frame& f) { f.src->DrawSub(f.dst.get(), 0, 0); }},
        {"DrawXor", [](Frame& f) { f.src->DrawXor(f.dst.get(), 0, 0); }},
        {"DrawAlpha", [](Frame& f) { f.src->DrawAlpha(f.dst.get(), 0, 0, 128); }},
        {"DrawAlphaKeyed", [](Frame& f) { f.src->DrawAlphaKeyed(f.dst.get(), 0, 0, 128, f.src->GetPixel(0, 0)); }},
        {"DrawMasked", [](Frame& f) { f.src->DrawMasked(f.dst.get(), 0, 0); }},
        {"Invert", [](Frame& f) { f.dst->Invert(); }},
        {"Blur", [](Frame& f) { f.dst->Blur(); }},
        {"BlurFast", [](Frame& f) { f.dst->BlurFast(); }},
        {"Clear", [](Frame& f) { f.dst->Clear(0x10); }},
        {"Draw", [](Frame& f) { f.src->Draw(f.dst.get(), 0, 0); }},
    };
    for (const auto& op : ops)
      for (bool vec : {true, false})
        RegisterBenchmark((std::string(op.name) + d + (vec ? "/simd" : "/plain")).c_str(),
                          [depth, vec, fn = op.op](benchmark::State& s) { Whole(s, depth, vec, fn); });
    RegisterBenchmark(("memcpy" + d).c_str(), [depth](benchmark::State& s) { Memcpy(s, depth); });
    for (bool vec : {true, false}) {
      RegisterBenchmark(("HLineRows" + d + (vec ? "/simd" : "/plain")).c_str(), [depth, vec](benchmark::State& s) { Spans(s, depth, vec, kW); });
      RegisterBenchmark(("HLineShort" + d + (vec ? "/simd" : "/plain")).c_str(), [depth, vec](benchmark::State& s) { Spans(s, depth, vec, 64); });
    }
    RegisterBenchmark(("FillPoly" + d).c_str(), [depth](benchmark::State& s) { Fill(s, depth, Filler::Flat); });
    RegisterBenchmark(("GouraudPoly" + d).c_str(), [depth](benchmark::State& s) { Fill(s, depth, Filler::Gouraud); });
    RegisterBenchmark(("TexturePoly" + d).c_str(), [depth](benchmark::State& s) { Fill(s, depth, Filler::Texture); });
#ifdef QO_HAVE_PIXMAN
    const pixman_format_code_t colour = depth == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5;
    const pixman_format_code_t alpha = depth == 32 ? PIXMAN_a8r8g8b8 : PIXMAN_r5g6b5;
    const int bytes = depth == 32 ? 4 : 2;
    RegisterBenchmark(("pixman_ADD" + d).c_str(), [=](benchmark::State& s) { Pixman(s, PIXMAN_OP_ADD, alpha, alpha, bytes, false); });
    RegisterBenchmark(("pixman_SRC" + d).c_str(), [=](benchmark::State& s) { Pixman(s, PIXMAN_OP_SRC, colour, colour, bytes, false); });
    RegisterBenchmark(("pixman_OVER_solid_mask" + d).c_str(), [=](benchmark::State& s) { Pixman(s, PIXMAN_OP_OVER, colour, colour, bytes, true); });
    // Porter-Duff XOR, not a bitwise one: the closest pixman has.
    RegisterBenchmark(("pixman_XOR_porter_duff" + d).c_str(), [=](benchmark::State& s) { Pixman(s, PIXMAN_OP_XOR, alpha, alpha, bytes, false); });
#endif
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
