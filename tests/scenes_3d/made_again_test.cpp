// A scene made again during the show (a jump back, or into a scene that has
// played) reads nothing from disk: with the data folder out of reach it still
// gets the pictures and meshes it got the first time.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Zentra2/kept.h"
#include "scenes/circles.h"
#include "scenes/cube.h"
#include "scenes/greetz.h"
#include "scenes/intro.h"
#include "scenes/meshes.h"
#include "scenes/metaballs.h"
#include "tests/support/headless_show.h"

namespace fs = std::filesystem;

namespace {

struct AllScenes {
  TIntroScene intro;
  TCubeScene cube;
  TCirclesScene circles;
  TMetaballsScene metaballs;
  TMeshesScene meshes;
  TGreetzScene greetz;

  // Every picture a scene loads from a file (the tiled backdrops are made
  // from one).
  std::vector<const TBuffer64*> Pictures() const {
    return {intro.Picture1.get(),    intro.Picture2.get(),    intro.Picture3.get(),  intro.Backdrop.get(),
            cube.Backdrop.get(),     cube.CubeTexture.get(),  circles.Backdrop.get(), metaballs.Background.get(),
            metaballs.Overlay.get(), meshes.Backdrop.get(),   meshes.MeshTexture.get(), meshes.SaucerTexture.get(),
            greetz.Backdrop.get(),   greetz.Greet1.get(),     greetz.Greet2.get(),   greetz.Greet3.get(),
            greetz.Finale.get()};
  }
  std::vector<const TQOObject*> Meshes() const {
    return {&meshes.Meshes[0], &meshes.Meshes[1], &meshes.Meshes[2], &meshes.Meshes[3], &greetz.Mesh};
  }
};

bool SamePixels(const TBuffer64& a, const TBuffer64& b) {
  if (a.Width != b.Width || a.Height != b.Height || a.BitDepth != b.BitDepth) return false;
  const size_t rowBytes = size_t(a.Width) * ((a.BitDepth + 7) / 8);
  for (int32_t y = 0; y < a.Height; ++y)
    if (std::memcmp(a.Rows[size_t(y)], b.Rows[size_t(y)], rowBytes) != 0) return false;
  return true;
}

bool SameMesh(const TQOObject& a, const TQOObject& b) {
  auto same = [](const auto& x, const auto& y) {
    return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof x[0]) == 0;
  };
  return a.VertexCount == b.VertexCount && a.FaceCount == b.FaceCount && same(a.Vertices, b.Vertices) &&
         same(a.Faces, b.Faces) && same(a.VertexNormals, b.VertexNormals) && same(a.FaceNormals, b.FaceNormals);
}

TEST(SceneMadeAgain, TakesItsPicturesAndMeshesFromMemory) {
  if (!HeadlessShow::HaveGeneratedData()) GTEST_SKIP() << "no data tree";
  // 24 bits: three bytes a pixel, the odd one among the depths.
  HeadlessShow show(24, HeadlessShow::Data::Generated);
  kept::KeepLoaded keep;
  const auto first = std::make_unique<AllScenes>();
  // The scenes name their files relative to the current folder: an empty one
  // holds none of them (a read from disk would end the test program).
  const fs::path home = fs::current_path(), away = fs::temp_directory_path() / "qo_made_again";
  fs::create_directories(away);
  fs::current_path(away);
  const auto again = std::make_unique<AllScenes>();
  fs::current_path(home);
  fs::remove_all(away);

  const std::vector<const TBuffer64*> was = first->Pictures(), is = again->Pictures();
  for (size_t i = 0; i < was.size(); ++i) EXPECT_TRUE(SamePixels(*was[i], *is[i])) << "picture " << i;
  const std::vector<const TQOObject*> wasMesh = first->Meshes(), isMesh = again->Meshes();
  for (size_t i = 0; i < wasMesh.size(); ++i) EXPECT_TRUE(SameMesh(*wasMesh[i], *isMesh[i])) << "mesh " << i;
}

}  // namespace
