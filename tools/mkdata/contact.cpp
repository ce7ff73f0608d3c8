// The contact sheet: every picture of a data tree, scaled down and labelled, plus previews of
// the combinations the scenes make (subtracted panels, added layers, wrapped tiles).
#include <cstdio>
#include <filesystem>

#include "generate.h"
#include "imageio.h"
#include "pictures.h"
#include "text.h"

namespace fs = std::filesystem;

namespace mkdata {

namespace {

Image Load(const std::string& dir, const std::string& rel) {
  Pixels pix;
  std::string error;
  if (!ReadImageFile((fs::path(dir) / rel).string(), pix, &error)) {
    fprintf(stderr, "mkdata: %s\n", error.c_str());
    return Image(4, 4, {1, 0, 1});
  }
  return ToImage(pix);
}

// Screen minus the inverted panel, as the loading and greetings scenes show it.
void SubtractInverted(Image& screen, const Image& panel, int ox, int oy) {
  for (int y = 0; y < panel.h; ++y)
    for (int x = 0; x < panel.w; ++x) {
      int sx = ox + x, sy = oy + y;
      if (sx < 0 || sy < 0 || sx >= screen.w || sy >= screen.h) continue;
      Rgb& s = screen.at(sx, sy);
      const Rgb& p = panel.at(x, y);
      s = {std::max(0.0f, s.r - (1 - p.r)), std::max(0.0f, s.g - (1 - p.g)), std::max(0.0f, s.b - (1 - p.b))};
    }
}

void Paste(Image& dst, const Image& src, int ox, int oy) {
  for (int y = 0; y < src.h; ++y)
    for (int x = 0; x < src.w; ++x)
      if (ox + x >= 0 && oy + y >= 0 && ox + x < dst.w && oy + y < dst.h) dst.at(ox + x, oy + y) = src.at(x, y);
}

Image Tiled(const Image& tile, int w, int h) {
  Image out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.at(x, y) = tile.at(x % tile.w, y % tile.h);
  return out;
}

Image LoadingPreview(const std::string& dir) {
  Image screen = Load(dir, "gfx/loading/ld00.jpg");
  Image logo = Load(dir, "gfx/loading/ld01.png");
  // What the loader does to the inverted logo, redone in the light (stored) form.
  Font font(Face::SansBold, 13);
  const char* msgs[] = {"Calculating Stuff..", "Loading Intro Scene..", "Loading Cube Scene.."};
  for (int k = 0; k < 3; ++k) font.Draw(logo, 8, 8 + 298 - 16 * (2 - k) + 13, msgs[k], {0, 0, 0});
  for (int k = 0; k < 3; ++k) FillRect(logo, 12 + 37 * k, 333, 45 + 37 * k, 354, {63 / 255.0f, 63 / 255.0f, 1});
  SubtractInverted(screen, logo, 28, 12);
  return screen;
}

Image GreetzPreview(const std::string& dir) {
  Image screen = Load(dir, "gfx/greetz/gz00.jpg");
  Image head = Load(dir, "gfx/greetz/gz01.png");
  Image list = Load(dir, "gfx/greetz/gz02.png");
  Image panel(180, 192, {1, 1, 1});
  Paste(panel, list, 0, 247 - 400);
  Paste(panel, head, 0, 0);
  SubtractInverted(screen, panel, 300, 191);
  // The lit geosphere hangs at (384, 96).
  for (int y = 16; y < 176; ++y)
    for (int x = 304; x < 464; ++x) {
      float dx = x - 384.0f, dy = y - 96.0f;
      float d = std::sqrt(dx * dx + dy * dy) / 80;
      if (d < 1) screen.at(x, y) = Rgb{0.5f, 0.5f, 0.5f} * (0.4f + 0.6f * Clamp01(1 - d - dx / 200 - dy / 200));
    }
  return screen;
}

Image CreditsPreview(const std::string& dir) {
  Image screen = Load(dir, "gfx/greetz/gz00.jpg");
  SubtractInverted(screen, Load(dir, "gfx/greetz/gz03.png"), 300, 191);
  return screen;
}

Image IntroPreview(const std::string& dir) {
  Image screen = Tiled(Load(dir, "gfx/intro/in69.png"), 512, 384);
  Image layer = Load(dir, "gfx/intro/in02.png");
  Image spark = Load(dir, "gfx/particles/pa00.png");
  Image small = Load(dir, "gfx/particles/pa01s.png");
  auto add = [&](const Image& img, int ox, int oy) {
    for (int y = 0; y < img.h; ++y)
      for (int x = 0; x < img.w; ++x) screen.add(ox + x, oy + y, img.at(x, y));
  };
  add(layer, 0, 0);
  add(spark, 224 + 100, 160 - 60);
  add(small, 240 - 90, 176 + 40);
  return screen;
}

}  // namespace

bool WritePreviews(const std::string& dataDir, const std::string& outDir) {
  std::error_code ec;
  fs::create_directories(outDir, ec);
  const std::pair<const char*, Image> previews[] = {
      {"loading.png", LoadingPreview(dataDir)},
      {"intro.png", IntroPreview(dataDir)},
      {"greetings.png", GreetzPreview(dataDir)},
      {"credits.png", CreditsPreview(dataDir)},
  };
  bool ok = true;
  for (const auto& [name, img] : previews) ok = WritePng((fs::path(outDir) / name).string(), Quantise(img, false)) && ok;
  return ok;
}

bool WriteContactSheet(const std::string& dataDir, const std::string& outPng) {
  struct Entry {
    std::string label;
    Image img;
  };
  std::vector<Entry> entries;
  for (const auto& p : Pictures()) {
    Image img = Load(dataDir, p.path);
    char label[128];
    snprintf(label, sizeof label, "%s  %dx%d", p.path.c_str() + p.path.rfind('/') + 1, img.w, img.h);
    entries.push_back({label, std::move(img)});
  }
  entries.push_back({"preview: loading screen", LoadingPreview(dataDir)});
  entries.push_back({"preview: intro particles", IntroPreview(dataDir)});
  entries.push_back({"preview: greetings panel", GreetzPreview(dataDir)});
  entries.push_back({"preview: credits panel", CreditsPreview(dataDir)});
  entries.push_back({"preview: in69 tiled", Tiled(Load(dataDir, "gfx/intro/in69.png"), 512, 384)});
  entries.push_back({"preview: tex00 tiled", Tiled(Load(dataDir, "gfx/textures/tex00.jpg"), 512, 384)});
  entries.push_back({"preview: tex02 wrapped", Tiled(Load(dataDir, "gfx/textures/tex02.jpg"), 1024, 512)});

  const int cols = 6, cellW = 268, cellH = 222, thumbW = 256, thumbH = 192;
  int rows = int((entries.size() + cols - 1) / cols);
  Image sheet(cols * cellW, rows * cellH, Hex(0x202228));
  Font font(Face::Sans, 12);
  for (size_t i = 0; i < entries.size(); ++i) {
    int cx = int(i % cols) * cellW, cy = int(i / cols) * cellH;
    const Image& img = entries[i].img;
    float s = std::min(float(thumbW) / img.w, float(thumbH) / img.h);
    if (img.w <= thumbW && img.h <= thumbH) s = std::min(s, std::max(1.0f, std::floor(s)));
    int w = std::max(1, int(img.w * s)), h = std::max(1, int(img.h * s));
    Image thumb = Resize(img, w, h);
    // A checker behind the picture shows its extent.
    FillRect(sheet, cx + 6, cy + 6, cx + 6 + thumbW, cy + 6 + thumbH, Hex(0x30323a));
    Paste(sheet, thumb, cx + 6 + (thumbW - w) / 2, cy + 6 + (thumbH - h) / 2);
    font.Draw(sheet, float(cx + 8), float(cy + cellH - 10), entries[i].label, Hex(0xe0e4ec));
  }
  Pixels pix = Quantise(sheet, false);
  if (!WritePng(outPng, pix)) {
    fprintf(stderr, "mkdata: cannot write %s\n", outPng.c_str());
    return false;
  }
  return true;
}

}  // namespace mkdata
