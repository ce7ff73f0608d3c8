// The show's own meshes in every render mode, as the scenes set them up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "Zentra2/image.h"
#include "Zentra2/zentra.h"
#include "qo_3d/qo3d.h"
#include "tests/support/png_files.h"

namespace {

// The data tree lives in the source folder (made by the build's data step).
bool EnterDataFolder() {
  const char* source = std::getenv("QO_SOURCE_DIR");
  if (!source || !std::filesystem::exists(std::string(source) + "/data/msh/geosph10.asc")) return false;
  std::filesystem::current_path(source);
  return true;
}

class Gallery : public testing::TestWithParam<int> {
protected:
  void SetUp() override {
    if (!EnterDataFolder()) GTEST_SKIP() << "no data tree";
    display_ = new THeadlessZentra(512, 384, uint8_t(GetParam()));
    screen_ = new TBuffer64(display_, 512, 384, false);
    RenderTarget = &screen_;
  }
  void TearDown() override {
    RenderTarget = nullptr;
    delete screen_;
    delete display_;
  }
  THeadlessZentra* display_ = nullptr;
  TBuffer64* screen_ = nullptr;
};

// What each mode may put on the screen: points and wires only the mesh's
// colour, lit flat only greys, Gouraud only mixes of pure red, green and
// blue, the texture modes only texels, sprites only brighter pixels.
void ExpectModeColours(uint8_t mode, const TQOObject& mesh, TBuffer64& screen, TBuffer64& texture) {
  const uint32_t background = MakeColor(0, 0, 64) & 0xFFFFFF;
  std::set<uint32_t> allowed;
  if (mode == 0 || mode == 2) allowed.insert(mesh.Color & 0xFFFFFF);
  if (mode == 4)
    for (int l = 0; l < 256; ++l) allowed.insert(MakeColor(uint8_t(l), uint8_t(l), uint8_t(l)) & 0xFFFFFF);
  if (mode == 6 || mode == 7)
    for (int32_t y = 0; y < texture.Height; ++y)
      for (int32_t x = 0; x < texture.Width; ++x) allowed.insert(ReadPixel(texture, x, y) & 0xFFFFFF);
  int drawn = 0, wrong = 0;
  for (int32_t y = 0; y < screen.Height; ++y)
    for (int32_t x = 0; x < screen.Width; ++x) {
      const uint32_t p = ReadPixel(screen, x, y) & 0xFFFFFF;
      if (p == background) continue;
      ++drawn;
      if (!allowed.empty()) {
        wrong += !allowed.count(p);
        continue;
      }
      uint8_t r, g, b;
      SplitColor(p, r, g, b);
      if (mode == 1) wrong += b < 64;  // added onto the background
      if (mode == 5 && screen.BitDepth >= 24) wrong += std::abs(r + g + b - 255) > 3;
    }
  EXPECT_GT(drawn, mode == 0 ? 20 : 500);
  EXPECT_EQ(wrong, 0);
}

TEST_P(Gallery, EveryMeshInEveryMode) {
  const char* files[4] = {"geosph10", "spring1", "spring2", "saucer"};
  const float depth[4] = {0, -40, -40, -30};
  TImage64 texture(display_, "./data/gfx/textures/tex03.jpg", false);
  TImage64 sprite(display_, "./data/gfx/particles/pa01s.png", false);
  TImage64* textureVar = &texture;
  TImage64* spriteVar = &sprite;
  for (int m = 0; m < 4; ++m) {
    TQOObject mesh;
    LoadASC(mesh, std::string("./data/msh/") + files[m] + ".asc");
    mesh.Sprite = &spriteVar;
    mesh.Texture = &textureVar;
    mesh.Color = MakeColor(0, 255, 0);
    mesh.FillColor = MakeColor(200, 60, 60);
    mesh.CornerColors[0] = MakeColor(255, 0, 0);
    mesh.CornerColors[1] = MakeColor(0, 255, 0);
    mesh.CornerColors[2] = MakeColor(0, 0, 255);
    mesh.Spin = {1.3f, 1.0f, 0.7f};
    mesh.Position.Z = depth[m];
    TransformObject(mesh, 37);
    for (uint8_t mode = 0; mode <= 7; ++mode) {
      mesh.RenderMode = TRenderMode(mode);
      screen_->Clear(MakeColor(0, 0, 64));
      TransformObject(mesh, 0);
      RenderObject(mesh);
      DumpPng(*screen_, std::string(files[m]) + "_mode" + std::to_string(mode) + "_" + std::to_string(GetParam()));
      SCOPED_TRACE(std::string(files[m]) + " mode " + std::to_string(mode));
      if (mode != 3) {
        ExpectModeColours(mode, mesh, *screen_, texture);
        continue;
      }
      // Flat fill: the faces must cover the mesh's outline without cracks.
      // The geosphere is convex, so each row it covers is one unbroken span.
      uint32_t background = MakeColor(0, 0, 64);
      int covered = 0;
      for (int32_t y = 0; y < 384; ++y) {
        int32_t first = -1, last = -1, count = 0;
        for (int32_t x = 0; x < 512; ++x)
          if ((ReadPixel(*screen_, x, y) & 0xFFFFFF) != background) {
            if (first < 0) first = x;
            last = x;
            ++count;
          }
        covered += count;
        if (m == 0 && count > 0) {
          EXPECT_EQ(count, last - first + 1) << "crack in row " << y;
        }
      }
      EXPECT_GT(covered, 5000) << files[m];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, Gallery, testing::Values(15, 16, 24, 32));

}  // namespace
