#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "qo_3d/qo3d.h"
#include "tests/qo_3d/render_target.h"
#include "tests/support/png_files.h"

namespace {

// A 128 x 96 target: focal length 96, centre (64, 48); at z = 0 one unit is
// three pixels.
class Render : public RenderTargetTest<128, 96> {
protected:
  void TearDown() override {
    DumpPng(*target_, testing::UnitTest::GetInstance()->current_test_info()->name());
    RenderTargetTest::TearDown();
    BackfaceCull = -1;
    SetLight(16, 16, 16);
  }
  TQOObject Mesh(const std::vector<TVoxel>& vertices, const std::vector<TFace>& faces, uint8_t mode) {
    TQOObject obj = ParsedMesh(vertices, faces);
    obj.RenderMode = TRenderMode(mode);
    obj.Color = MakeColor(0, 255, 0);
    obj.FillColor = MakeColor(255, 0, 0);
    return obj;
  }
  void Draw(TQOObject& obj) {
    TransformObject(obj, 0);
    RenderObject(obj);
  }
  uint32_t At(int32_t x, int32_t y) const { return ReadPixel(*target_, x, y) & 0xFFFFFF; }
  int Count(uint32_t color, int32_t x1 = 0, int32_t x2 = 127) const {
    int n = 0;
    for (int32_t y = 0; y < 96; ++y)
      for (int32_t x = x1; x <= x2; ++x) n += At(x, y) == color;
    return n;
  }
};

// Facing the eye: (B - A) x (C - A) points to +z; screen (40, 24) (88, 24) (40, 72).
const std::vector<TVoxel> kFront = {{-8, -8, 0}, {8, -8, 0}, {-8, 8, 0}};

TEST_F(Render, BackFacesAreCulledByScreenWindingUnlessCullingIsOff) {
  // A front face on the left, the same face turned away on the right.
  TQOObject obj = Mesh({{-10, -4, 0}, {-2, -4, 0}, {-10, 4, 0}, {2, -4, 0}, {10, -4, 0}, {2, 4, 0}},
                       {{0, 1, 2}, {3, 5, 4}}, 3);
  const uint32_t red = MakeColor(255, 0, 0);
  Draw(obj);
  EXPECT_GT(Count(red, 0, 63), 100);
  EXPECT_EQ(Count(red, 64, 127), 0);
  BackfaceCull = 0;
  Draw(obj);
  EXPECT_GT(Count(red, 64, 127), 100);
}

TEST_F(Render, EdgeOnFacesAndFacesAtTheDepthLimitAreSkipped) {
  const uint32_t red = MakeColor(255, 0, 0);
  // In the plane x = 0, seen exactly edge-on: winding 0.
  TQOObject edgeOn = Mesh({{0, -8, -8}, {0, 8, -8}, {0, -8, 8}}, {{0, 1, 2}}, 3);
  Draw(edgeOn);
  EXPECT_EQ(Count(red), 0);
  BackfaceCull = 0;  // without culling it passes and the filler draws its sliver
  Draw(edgeOn);
  EXPECT_GT(Count(red), 0);
  BackfaceCull = -1;
  target_->Clear(0);

  // Key = 44 + 44 + 44 = 132 = ViewDistance + 100 (Position not included).
  TQOObject far = Mesh({{-8, -8, 44}, {8, -8, 44}, {-8, 8, 44}}, {{0, 1, 2}}, 3);
  far.Position.Z = -60;
  Draw(far);
  EXPECT_EQ(far.Order[0].Z, 132.0f);
  EXPECT_EQ(Count(red), 0);
  TQOObject nearer = Mesh({{-8, -8, 43.99f}, {8, -8, 43.99f}, {-8, 8, 43.99f}}, {{0, 1, 2}}, 3);
  nearer.Position.Z = -60;
  Draw(nearer);
  EXPECT_GT(Count(red), 100);
}

TEST_F(Render, LitFlatGreyFollowsTheFaceLight) {
  TQOObject obj = Mesh(kFront, {{0, 1, 2}}, 4);
  Draw(obj);
  // Normal +z: light 160 / sqrt 3 = 92.38; level round(92.38 x 256 / 180) = 131.
  EXPECT_EQ(At(50, 40), MakeColor(131, 131, 131));
  // Turned fully away from the light: drawn black, not skipped.
  target_->Clear(0xFFFFFFFF);
  SetLight(0, 0, -1);
  Draw(obj);
  EXPECT_EQ(obj.FaceLight[0], 0.0f);
  EXPECT_EQ(At(50, 40), 0u);
}

// Points (and sprites, the same path) go from the vertex to the pixel with
// one rounding: to the nearest pixel of the exact position.
TEST_F(Render, PointsRoundTheExactPositionOnce) {
  std::mt19937 rnd(5);
  std::uniform_real_distribution<float> coord(-20.0f, 20.0f);
  int found = 0;
  for (int i = 0; i < 2000000 && found < 6; ++i) {
    const float x = coord(rnd), z = coord(rnd);
    volatile float d = 32.0f - z;
    volatile float chain = x * 96.0f;
    chain = chain / d;
    chain = chain + 64.0f;
    const long exact = std::lrint(static_cast<long double>(x) * 96 / (32.0L - z) + 64);
    if (std::lrint(chain) == exact || exact < 1 || exact > 126) continue;
    ++found;
    TQOObject obj = Mesh({{0, 0, 0}}, {}, 0);
    obj.Vertices[0] = {x, 0.0f, z};
    target_->Clear(0);
    RenderObject(obj);
    EXPECT_EQ(At(int32_t(exact), 48), MakeColor(0, 255, 0)) << x << " " << z;
    EXPECT_EQ(Count(MakeColor(0, 255, 0)), 1);
  }
  EXPECT_GT(found, 0);
}

TEST_F(Render, NearerFacesAreDrawnOverFartherOnes) {
  // The near, tilted face comes first in the file; the far face behind it
  // must not cover it. Near normal (0, -16, 64)/|..|: level 96; far: 131.
  TQOObject obj = Mesh({{-4, -4, 2}, {4, -4, 2}, {-4, 4, 4}, {-8, -8, -5}, {8, -8, -5}, {-8, 8, -5}},
                       {{0, 1, 2}, {3, 4, 5}}, 4);
  Draw(obj);
  EXPECT_EQ(At(60, 44), MakeColor(96, 96, 96));
  EXPECT_EQ(At(75, 32), MakeColor(131, 131, 131));
}

TEST_F(Render, ModesAboveSevenDrawNothingButStillSort) {
  TQOObject obj = Mesh({{-8, -8, 3}, {8, -8, 3}, {-8, 8, 3}, {-8, -8, 0}, {8, -8, 0}, {-8, 8, 0}},
                       {{0, 1, 2}, {3, 4, 5}}, 8);
  Draw(obj);
  EXPECT_EQ(obj.Order[0].Index, 1);
  EXPECT_EQ(obj.Order[1].Index, 0);
  EXPECT_EQ(Count(0), 128 * 96);
}

TEST_F(Render, PointsAndSpritesAreProjectedAfreshInVertexOrder) {
  // Vertex 1 sits on the eye plane: drawing stops there, vertex 2 is not drawn.
  TQOObject obj = Mesh({{0, 0, 0}, {0, 0, 32}, {8, 0, 0}}, {}, 0);
  RenderObject(obj);
  EXPECT_EQ(At(64, 48), MakeColor(0, 255, 0));
  EXPECT_EQ(At(88, 48), 0u);

  // Two sprites on the same spot add up; the sprite is centred (3 div 2 = 1).
  TBuffer64* sprite = new TBuffer64(&display_, 3, 3, false);
  sprite->Clear(MakeColor(10, 20, 30));
  TQOObject sprites = Mesh({{1, 1, 0}, {1, 1, 0}}, {}, 1);
  sprites.Sprite = &sprite;
  target_->Clear(0);
  RenderObject(sprites);
  EXPECT_EQ(At(67, 51), MakeColor(20, 40, 60));
  EXPECT_EQ(At(66, 50), MakeColor(20, 40, 60));
  EXPECT_EQ(At(65, 49), 0u);
  delete sprite;
}

TEST_F(Render, WireGouraudAndTexturedFaces) {
  TQOObject obj = Mesh(kFront, {{0, 1, 2}}, 2);
  Draw(obj);
  EXPECT_EQ(At(64, 24), MakeColor(0, 255, 0));  // on A-B
  EXPECT_EQ(At(40, 50), MakeColor(0, 255, 0));  // on C-A
  EXPECT_EQ(At(50, 40), 0u);                    // inside: not filled

  obj.RenderMode = TRenderMode::Gouraud;
  obj.CornerColors[0] = MakeColor(255, 0, 0);
  obj.CornerColors[1] = MakeColor(0, 255, 0);
  obj.CornerColors[2] = MakeColor(0, 0, 255);
  Draw(obj);
  uint8_t r, g, b;
  SplitColor(At(42, 26), r, g, b);  // near A
  EXPECT_GT(r, 200);
  SplitColor(At(80, 26), r, g, b);  // near B
  EXPECT_GT(g, 150);
  SplitColor(At(42, 66), r, g, b);  // near C
  EXPECT_GT(b, 150);

  // Mode 6: A at texel (0, 0), B at (15, 0), C at (0, 15).
  TBuffer64* texture = new TBuffer64(&display_, 16, 16, false);
  texture->Clear(MakeColor(0, 0, 255));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) reinterpret_cast<uint32_t*>(texture->Rows[size_t(y)])[x] = MakeColor(255, 0, 0);
  obj.Texture = &texture;
  obj.RenderMode = TRenderMode::Texture;
  Draw(obj);
  EXPECT_EQ(At(41, 25), MakeColor(255, 0, 0));
  EXPECT_EQ(At(80, 26), MakeColor(0, 0, 255));
  EXPECT_EQ(At(42, 66), MakeColor(0, 0, 255));
  delete texture;
}

TEST_F(Render, EnvironmentMappingSamplesTheMiddleOfTheTexture) {
  // 9 x 9 texture: centre texel (4, 4) red, the rest blue.
  TBuffer64* texture = new TBuffer64(&display_, 9, 9, false);
  texture->Clear(MakeColor(0, 0, 255));
  reinterpret_cast<uint32_t*>(texture->Rows[4])[4] = MakeColor(255, 0, 0);
  TQOObject obj = Mesh(kFront, {{0, 1, 2}}, 7);
  obj.Texture = &texture;
  // Zero normals (as a vertex without faces has) all map to the centre.
  for (TVoxel& n : obj.VertexNormals) n = TVoxel{};
  Draw(obj);
  EXPECT_GT(Count(MakeColor(255, 0, 0)), 500);
  EXPECT_EQ(Count(MakeColor(0, 0, 255)), 0);
  // Normal +z everywhere (looking at the eye): the centre as well.
  target_->Clear(0);
  for (int i = 0; i < 3; ++i) obj.VertexNormals[size_t(i)] = TVoxel{0, 0, 1};
  Draw(obj);
  EXPECT_EQ(Count(MakeColor(0, 0, 255)), 0);
  // Normal +x: U = 2 x 1 + 4 = 6, a blue texel.
  target_->Clear(0);
  for (int i = 0; i < 3; ++i) obj.VertexNormals[size_t(i)] = TVoxel{1, 0, 0};
  Draw(obj);
  EXPECT_EQ(Count(MakeColor(255, 0, 0)), 0);
  delete texture;
}

TEST_F(Render, EveryModeInEveryDepthStaysInsideTheTarget) {
  // A mesh that reaches past every edge and through the eye plane.
  std::vector<TVoxel> vertices;
  std::vector<TFace> faces;
  for (int i = 0; i < 40; ++i) {
    float a = float(i) * 0.7f;
    vertices.push_back({std::cos(a) * float(i), std::sin(a) * float(i), float(i) * 1.5f - 20.0f});
  }
  for (int j = 0; j + 2 < 40; ++j) faces.push_back({j, j + 1, j + 2});
  for (uint8_t depth : {15, 16, 24, 32}) {
    THeadlessZentra display(128, 96, depth);
    TBuffer64* target = new TBuffer64(&display, 128, 96, false);
    TBuffer64* texture = new TBuffer64(&display, 32, 32, false);
    texture->Clear(MakeColor(200, 100, 50));
    RenderTarget = &target;
    TQOObject obj = Mesh(vertices, faces, 0);
    obj.Sprite = &texture;
    obj.Texture = &texture;
    obj.Spin = {7, 11, 13};
    for (uint8_t mode = 0; mode <= 8; ++mode) {
      obj.RenderMode = TRenderMode(mode);
      for (BackfaceCull = 0; BackfaceCull >= -1; --BackfaceCull) {
        TransformObject(obj, 1);
        RenderObject(obj);
      }
    }
    BackfaceCull = -1;
    delete texture;
    delete target;
  }
  RenderTarget = &target_;
}

}  // namespace
