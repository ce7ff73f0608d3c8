#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Zentra2/timer.h"
#include "core/globals.h"
#include "scenes/cube.h"
#include "tests/support/headless_show.h"
#include "tests/support/pixels.h"

namespace {

// A cube scene on a 32-bit headless show with the made-up pictures.
class Cube : public testing::Test {
protected:
  HeadlessShow world{32, HeadlessShow::Data::MadeUp};
  std::unique_ptr<TCubeScene> scene = std::make_unique<TCubeScene>();
};

TEST_F(Cube, ProjectsACornerWithAndWithoutTheWobble) {
  // No turn: corner 0 (-16, 16, -16) seen from z = -560.
  // x = round(-16 * 256 / 544) + 127 = -8 + 127.
  scene->RotateAndProject(0.0f, 0.0f);
  EXPECT_EQ(scene->ScreenPoints[0].X, 119);
  EXPECT_EQ(scene->ScreenPoints[0].Y, 135);
  EXPECT_EQ(scene->ScreenPoints[0].Z, -16);
  // Any non-zero amount takes the wobble path. Corner 0 lies at angles
  // -pi/4, -3pi/4 and 3pi/4; with frequency 4 and phase pi every cosine is
  // 1, so the scale is 1 - amount = 0.5: x = round(-8 * 256 / 552) + 127.
  scene->WobbleAmount = 0.5f;
  scene->RotateAndProject(0.0f, 3.14159265f);
  EXPECT_EQ(scene->ScreenPoints[0].X, 123);
  EXPECT_EQ(scene->ScreenPoints[0].Y, 131);
  EXPECT_EQ(scene->ScreenPoints[0].Z, -8);
  // With phase 0 the cosines are -1 and the scale is 1 whatever the amount.
  scene->RotateAndProject(0.0f, 0.0f);
  EXPECT_EQ(scene->ScreenPoints[0].X, 119);
  // The stored corners never take the scale.
  EXPECT_EQ(scene->Corners[0].X, -16.0f);
}

TEST_F(Cube, TurnsAccumulateAboutXThenZ) {
  // A quarter turn about X takes (-16, 16, -16) to (-16, 16, 16); the quarter
  // turn about Z then gives (-16, -16, 16), where corner 7 started.
  scene->RotateAndProject(90.0f, 0.0f);
  EXPECT_NEAR(scene->Corners[0].X, -16.0f, 1e-4);
  EXPECT_NEAR(scene->Corners[0].Y, -16.0f, 1e-4);
  EXPECT_NEAR(scene->Corners[0].Z, 16.0f, 1e-4);
  // The two quarter turns together turn a third of the way round a body
  // diagonal: after three steps every corner is back.
  scene->RotateAndProject(90.0f, 0.0f);
  EXPECT_NEAR(scene->Corners[0].X, 16.0f, 1e-3);
  scene->RotateAndProject(90.0f, 0.0f);
  EXPECT_NEAR(scene->Corners[0].X, -16.0f, 1e-3);
  EXPECT_NEAR(scene->Corners[0].Y, 16.0f, 1e-3);
  EXPECT_NEAR(scene->Corners[0].Z, -16.0f, 1e-3);
}

TEST_F(Cube, FacesAreSortedFarthestFirstAndKeepTheirOrder) {
  scene->RotateAndProject(0.0f, 0.0f);
  // Unturned, the face at z = +16 (3, 2, 6, 7) is the farthest, the one at
  // z = -16 (1, 0, 4, 5) the nearest; the four side faces sum to 0.
  EXPECT_EQ(scene->CubeFaces[0].Depth, 64);
  EXPECT_EQ(scene->CubeFaces[0].V0, 3);
  EXPECT_EQ(scene->CubeFaces[5].Depth, -64);
  EXPECT_EQ(scene->CubeFaces[5].V0, 1);

  const int32_t depths[6] = {3, -1, 7, 7, 0, 5};
  for (int32_t i = 0; i < 6; ++i) scene->CubeFaces[i] = {i, i + 10, i + 20, i + 30, depths[i]};
  scene->SortCubeFaces(0, 5);
  const int32_t sorted[6] = {7, 7, 5, 3, 0, -1};
  for (int32_t i = 0; i < 6; ++i) {
    const TCubeFace& f = scene->CubeFaces[i];
    EXPECT_EQ(f.Depth, sorted[i]);
    // Whole records move: the vertex indices still belong to their depth.
    EXPECT_EQ(depths[f.V0], f.Depth);
    EXPECT_EQ(f.V3, f.V0 + 30);
  }
}

TEST_F(Cube, ScanEdgeRecordsBothEndsOfEveryRow) {
  scene->ResetEdgeTables();
  // Downwards from (10, 5) to (20, 9), U 0..127: 4 rows, x step 320/128,
  // U step 4064.
  scene->ScanEdge(20, 9, 127, 0, 10, 5, 0, 0);  // given bottom first: swapped
  const int32_t xs[5] = {10, 12, 15, 17, 20};
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(scene->EdgeX[5 + i].Left, xs[i]);
    EXPECT_EQ(scene->EdgeX[5 + i].Right, xs[i]);
    EXPECT_EQ(scene->EdgeU[5 + i].Left, 4064 * i);
    EXPECT_EQ(scene->EdgeU[5 + i].Right, 4064 * i);
    EXPECT_EQ(scene->EdgeV[5 + i].Left, 0);
  }
  EXPECT_EQ(scene->EdgeX[4].Left, 21474);
  EXPECT_EQ(scene->EdgeX[10].Right, -21474);

  // A second edge in the same rows widens them on the left only.
  scene->ScanEdge(2, 5, 0, 127, 2, 9, 0, 0);
  EXPECT_EQ(scene->EdgeX[7].Left, 2);
  EXPECT_EQ(scene->EdgeV[7].Left, 127 * 128 + 2 * (-127 * 128 / 4));
  EXPECT_EQ(scene->EdgeX[7].Right, 15);

  // Leftward slopes take the floor of the fixed-point column, and rows above
  // the layer are skipped but still stepped through.
  scene->ResetEdgeTables();
  scene->ScanEdge(0, -2, 0, 0, -3, 0, 0, 0);  // x step -192
  EXPECT_EQ(scene->EdgeX[0].Left, -3);
  scene->ResetEdgeTables();
  scene->ScanEdge(0, 0, 0, 0, -3, 2, 0, 0);
  EXPECT_EQ(scene->EdgeX[1].Left, -2);  // -192 / 128 = -1.5, floor -2
  EXPECT_EQ(scene->EdgeX[2].Left, -3);
  // Horizontal edges add nothing.
  scene->ResetEdgeTables();
  scene->ScanEdge(0, 7, 0, 0, 90, 7, 0, 0);
  EXPECT_EQ(scene->EdgeX[7].Left, 21474);
}

// The quad (10, 10)-(50, 50) and its row 20: columns 10..49 are written, the
// right end 50 is not; U runs 8 + 406 per column, V is 4060 + 8.
void CheckQuadRow(uint8_t depth) {
  SCOPED_TRACE(int(depth));
  HeadlessShow world(depth, HeadlessShow::Data::MadeUp);
  auto scene = std::make_unique<TCubeScene>();
  TBuffer64& layer = *scene->CubeLayer;
  TBuffer64& texture = *scene->CubeTexture;
  scene->DrawTexturedQuad(10, 10, 0, 0, 50, 10, 127, 0, 50, 50, 127, 127, 10, 50, 0, 127);
  const int32_t firstU = 8 >> 6, lastU = (8 + 39 * 406) >> 6, v = (4060 + 8) >> 6;
  EXPECT_EQ(lastU, 247);
  EXPECT_EQ(ReadPixel(layer, 9, 20), 0u);
  EXPECT_EQ(ReadPixel(layer, 50, 20), 0u);
  if (depth == 32) {
    // Rows of the texture by u, columns by v.
    EXPECT_EQ(ReadPixel(layer, 10, 20), ReadPixel(texture, v, firstU));
    EXPECT_EQ(ReadPixel(layer, 49, 20), ReadPixel(texture, v, lastU));
  } else {
    // Column u, row v: transposed.
    EXPECT_EQ(ReadPixel(layer, 10, 20), ReadPixel(texture, firstU, v));
    EXPECT_EQ(ReadPixel(layer, 49, 20), ReadPixel(texture, lastU, v));
  }
  EXPECT_NE(ReadPixel(layer, 10, 20), ReadPixel(layer, 49, 20));
  // The bottom row 50 is drawn (rows are inclusive), row 51 not.
  EXPECT_NE(ReadPixel(layer, 20, 50), 0u);
  EXPECT_EQ(ReadPixel(layer, 20, 51), 0u);
}

TEST(CubeDepths, TexturedQuadRowsStopBeforeTheirRightEnd) {
  CheckQuadRow(32);
  CheckQuadRow(16);
}

TEST_F(Cube, ClippedLeftEndKeepsTheUnclippedTexelPosition) {
  TBuffer64& layer = *scene->CubeLayer;
  // From x = -40 to 40: du = 16256 / 80 = 203, and column 0 is drawn with
  // the texel of column -40.
  scene->DrawTexturedQuad(-40, 10, 0, 0, 40, 10, 127, 0, 40, 50, 127, 127, -40, 50, 0, 127);
  EXPECT_EQ(ReadPixel(layer, 0, 20), ReadPixel(*scene->CubeTexture, 63, 0));
  EXPECT_EQ(ReadPixel(layer, 39, 20), ReadPixel(*scene->CubeTexture, 63, (8 + 39 * 203) >> 6));
  EXPECT_EQ(ReadPixel(layer, 40, 20), 0u);
  // A right end beyond the layer stops at column 254.
  scene->CubeLayer->Clear(0);
  scene->DrawTexturedQuad(200, 10, 0, 0, 300, 10, 127, 0, 300, 50, 127, 127, 200, 50, 0, 127);
  EXPECT_NE(ReadPixel(layer, 254, 20), 0u);
  EXPECT_EQ(ReadPixel(layer, 255, 20), 0u);
}

TEST_F(Cube, OnlyFacesWoundOneWayAreDrawn) {
  for (TCubeFace& f : scene->CubeFaces) f = {4, 4, 4, 4, 0};  // degenerate: cross 0
  scene->CubeFaces[0] = {0, 1, 2, 3, 0};
  auto draw = [&](TCubePoint p1, TCubePoint p3) {
    scene->CubeLayer->Clear(0);
    scene->ScreenPoints[0] = {10, 10, 0};
    scene->ScreenPoints[1] = p1;
    scene->ScreenPoints[2] = {50, 50, 0};
    scene->ScreenPoints[3] = p3;
    scene->DrawCube();
    return ReadPixel(*scene->CubeLayer, 30, 30);
  };
  EXPECT_NE(draw({50, 10, 0}, {10, 50, 0}), 0u);  // cross = 40 * -40 < 0
  EXPECT_EQ(draw({10, 50, 0}, {50, 10, 0}), 0u);  // the back side
  EXPECT_EQ(draw({30, 30, 0}, {30, 30, 0}), 0u);  // edge-on: cross = 0
}

}  // namespace

namespace {

// The eye's rows of the cube's timeline at their boundaries: what each frame
// leaves in CameraZ and WobbleAmount for the next frame's projection. Rows
// that leave them alone keep whatever was there.
TEST_F(Cube, CameraRowsAtTheirBoundaries) {
  constexpr int32_t kUntouched = -999;
  const int32_t beat[3] = {-120, -180, -60};
  bool seen[3] = {};
  for (int pass = 0; pass < 3; ++pass) {
    // The beat reads the raw demo clock: three passes a beat (500 units) apart.
    const int32_t k = int32_t(std::nearbyint(Elapsed(SyncTimer) / 500.0f)) % 3;
    seen[k] = true;
    const struct {
      float t;
      int32_t cameraZ;
      bool wobble;
    } rows[] = {
        {0.0f, -560, false},         {4000.0f, -310, false},      {8000.0f, -60, false},
        {8000.5f, kUntouched, false}, {40000.0f, kUntouched, false}, {40000.5f, beat[k], false},
        {50000.0f, beat[k], false},   {50000.5f, -120, true},      {70000.0f, -120, true},
        {70000.5f, -120, false},     {70030.0f, -122, false},     {70010.0f, -120, false},
        {72000.0f, -220, false},
    };
    for (const auto& r : rows) {
      SCOPED_TRACE("t = " + std::to_string(r.t) + ", beat " + std::to_string(k));
      scene->CameraZ = kUntouched;
      scene->WobbleAmount = 0.25f;
      scene->DrawFrame(r.t);
      EXPECT_EQ(scene->CameraZ, r.cameraZ);
      EXPECT_EQ(scene->WobbleAmount, r.wobble ? 0.6f : 0.25f);
    }
    world.AdvanceMs(334);  // 501 demo units: the next beat
  }
  EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
}

}  // namespace
