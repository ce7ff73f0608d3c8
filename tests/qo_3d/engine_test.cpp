#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "qo_3d/qo3d.h"
#include "tests/qo_3d/render_target.h"
#include "trig2/trig2.h"

namespace {

// A 512 x 384 render target like the screen buffer.
using Engine = RenderTargetTest<512, 384>;

TEST(EngineStartUp, SettingsAndSineTableAreReady) {
  EXPECT_EQ(ViewDistance, 32.0f);
  EXPECT_EQ(LightPos.X, 16.0f);
  EXPECT_EQ(LightPos.Z, 16.0f);
  EXPECT_NEAR(LightDir.X, 0.57735027, 1e-7);
  EXPECT_NEAR(LightDir.Y, 0.57735027, 1e-7);
  EXPECT_NEAR(LightDir.Z, 0.57735027, 1e-7);
  EXPECT_EQ(BackfaceCull, -1);
  EXPECT_EQ(RotateNormals, -1);
  EXPECT_EQ(FastSinDeg(90.0f), 1.0f);  // the engine built the table itself
  SetLight(0, 3, 4);
  EXPECT_EQ(LightDir.Y, 0.6f);
  EXPECT_EQ(LightDir.Z, 0.8f);
  SetLight(16, 16, 16);
}

TEST(RotatePoint, TurnsAboutZThenXThenY) {
  float x = 1, y = 0, z = 0;
  RotatePoint(x, y, z, 0, 0, 90);  // about Z: x -> y
  EXPECT_NEAR(x, 0, 1e-6);
  EXPECT_NEAR(y, 1, 1e-6);
  x = 1, y = 0, z = 0;
  RotatePoint(x, y, z, 90, 0, 90);  // Z takes x to y, then X takes y to z
  EXPECT_NEAR(x, 0, 1e-6);
  EXPECT_NEAR(y, 0, 1e-6);
  EXPECT_NEAR(z, 1, 1e-6);
  x = 1, y = 0, z = 0;
  RotatePoint(x, y, z, 90, 90, 0);  // X leaves x alone, then Y takes x to z
  EXPECT_NEAR(x, 0, 1e-6);
  EXPECT_NEAR(z, 1, 1e-6);
  x = 0, y = 0, z = 1;
  RotatePoint(x, y, z, 0, 90, 0);  // Y takes z to -x
  EXPECT_NEAR(x, -1, 1e-6);
  EXPECT_NEAR(z, 0, 1e-6);
}

TEST_F(Engine, ProjectPointUsesTheTargetHeightAsFocalLength) {
  float px, py;
  ProjectPoint(px, py, 1, 0, 0);
  EXPECT_EQ(px, 268.0f);
  EXPECT_EQ(py, 192.0f);
  ProjectPoint(px, py, -2, 3, 16);  // k = 384 / 16 = 24
  EXPECT_EQ(px, 256.0f - 48.0f);
  EXPECT_EQ(py, 192.0f + 72.0f);
  // The eye plane and beyond: finite positions, mirrored behind the eye.
  ProjectPoint(px, py, 1, 1, 32);
  EXPECT_TRUE(std::isfinite(px) && std::isfinite(py));
  ProjectPoint(px, py, 1, 0, 64);
  EXPECT_EQ(px, 256.0f - 12.0f);
}

// k, PX, PY and the depth keys are Singles computed exactly and rounded once
// where they are stored. A float chain (1 / d, times the height, times X,
// plus the centre) rounds three or four times and differs on many vertices.
TEST_F(Engine, ProjectionAndDepthKeysRoundOnce) {
  std::mt19937 rnd(17);
  std::uniform_real_distribution<float> coord(-24.0f, 24.0f);
  int chainDiffers = 0, keyChainDiffers = 0;
  TQOObject obj = ParsedMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  for (int i = 0; i < 3000; ++i) {
    const float x = coord(rnd), y = coord(rnd), z = coord(rnd);
    float px, py;
    ProjectPoint(px, py, x, y, z);
    const float k = float(384.0L / (32.0L - z));
    ASSERT_EQ(px, float(k * static_cast<long double>(x) + 256)) << x << " " << z;
    ASSERT_EQ(py, float(k * static_cast<long double>(y) + 192)) << y << " " << z;
    volatile float kc = 1.0f / (32.0f - z);
    kc = kc * 384.0f;
    volatile float chain = kc * x;
    chain = chain + 256.0f;
    chainDiffers += chain != px;

    // The depth key of a face: the sum of its corners' z.
    const float a = coord(rnd), b = coord(rnd), c = coord(rnd);
    obj.Vertices[0].Z = a, obj.Vertices[1].Z = b, obj.Vertices[2].Z = c;
    TransformObject(obj, 0);
    ASSERT_EQ(obj.Order[0].Z, float(static_cast<long double>(a) + b + c)) << a << " " << b << " " << c;
    volatile float sum = a + b;
    sum = sum + c;
    keyChainDiffers += sum != obj.Order[0].Z;
  }
  // The inputs tell the two apart often enough to matter.
  EXPECT_GT(chainDiffers, 300);
  EXPECT_GT(keyChainDiffers, 50);
}

// The rotation's intermediates x1, y1, z1, the new point and the two light
// values are Singles, each the exact value of its expression rounded once
// (long double holds every product of two Singles and their sums here). The
// float chain rounds every product and sum and differs on many of them.
TEST_F(Engine, RotationAndLightRoundOnce) {
  using L = long double;
  std::mt19937 rnd(29);
  std::uniform_real_distribution<float> coord(-24.0f, 24.0f), turn(-720.0f, 720.0f), unit(-1.0f, 1.0f);
  auto once = [](L v) { return float(v); };
  auto light = [](float x, float y, float z, L scale) {
    const float v = float((L(x) * LightDir.X + L(y) * LightDir.Y + L(z) * LightDir.Z) * scale);
    return v < 0 ? 0.0f : v;
  };
  int rotationChainDiffers = 0, lightChainDiffers = 0;
  TQOObject obj = ParsedMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  for (int i = 0; i < 3000; ++i) {
    const float x = coord(rnd), y = coord(rnd), z = coord(rnd);
    const float ax = turn(rnd), ay = turn(rnd), az = turn(rnd);
    L c = FastCosDeg(az), s = FastSinDeg(az);
    const float x1 = once(x * c - y * s), y1 = once(x * s + y * c);
    c = FastCosDeg(ax), s = FastSinDeg(ax);
    const float z1 = once(y1 * s + z * c), wantY = once(y1 * c - z * s);
    c = FastCosDeg(ay), s = FastSinDeg(ay);
    const float wantX = once(x1 * c - z1 * s), wantZ = once(x1 * s + z1 * c);
    float px = x, py = y, pz = z;
    RotatePoint(px, py, pz, ax, ay, az);
    ASSERT_EQ(px, wantX) << i;
    ASSERT_EQ(py, wantY) << i;
    ASSERT_EQ(pz, wantZ) << i;
    // The same turn as a frame's: a step of 1 turns by the spin.
    obj.Vertices[1] = {x, y, z};
    obj.Spin = {ax, ay, az};
    TransformObject(obj, 1);
    ASSERT_EQ(obj.Vertices[1].X, wantX) << i;
    ASSERT_EQ(obj.Vertices[1].Y, wantY) << i;
    ASSERT_EQ(obj.Vertices[1].Z, wantZ) << i;
    obj.Spin = {0, 0, 0};
    {
      volatile float cz = FastCosDeg(az), sz = FastSinDeg(az), cx = FastCosDeg(ax), sx = FastSinDeg(ax);
      volatile float a = x * cz, b = y * sz, cx1 = a - b;
      a = x * sz;
      b = y * cz;
      volatile float cy1 = a + b;
      a = cy1 * cx;
      b = z * sx;
      volatile float cny = a - b;
      rotationChainDiffers += cx1 != x1 || cny != wantY;
    }

    // Light at step 0 (no turn): the normals as set, dotted with LightDir.
    const float nx = unit(rnd), ny = unit(rnd), nz = unit(rnd);
    obj.VertexNormals[0] = {nx, ny, nz};
    obj.FaceNormals[0] = {nz, nx, ny};
    TransformObject(obj, 0);
    ASSERT_EQ(obj.VertexLight[0], light(nx, ny, nz, 200)) << i;
    ASSERT_EQ(obj.FaceLight[0], light(nz, nx, ny, 160)) << i;
    volatile float a = nx * LightDir.X, b = ny * LightDir.Y, d = nz * LightDir.Z;
    volatile float dot = a + b;
    dot = dot + d;
    volatile float chain = dot * 200.0f;
    lightChainDiffers += std::max(0.0f, float(chain)) != obj.VertexLight[0];
  }
  EXPECT_GT(rotationChainDiffers, 100);
  EXPECT_GT(lightChainDiffers, 100);
}

TEST_F(Engine, StepZeroKeepsTheMeshButRecomputesEverythingElse) {
  TQOObject obj = ParsedMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}, {0, 2, 1}, {0, 3, 1}});
  obj.Spin = {1.3f, 1.0f, 0.7f};
  obj.Position = {0, 0, -16};
  const TAVoxel vertices = obj.Vertices, normals = obj.VertexNormals;
  for (TordZ& o : obj.Order) o = {99, 7};
  TransformObject(obj, 0);
  for (size_t i = 0; i < vertices.size(); ++i) {
    EXPECT_EQ(obj.Vertices[i].X, vertices[i].X);
    EXPECT_EQ(obj.Vertices[i].Z, vertices[i].Z);
    EXPECT_EQ(obj.VertexNormals[i].Y, normals[i].Y);
  }
  // Keys back in face order with unrounded sums, spare entry untouched.
  EXPECT_EQ(obj.Order[0].Index, 0);
  EXPECT_EQ(obj.Order[2].Index, 2);
  EXPECT_EQ(obj.Order[2].Z, 1.0f);
  EXPECT_EQ(obj.Order[3].Z, 99.0f);
  // Light: face 0 (normal +z) gets 160 / sqrt 3, face 1 (-z) faces away: 0.
  EXPECT_NEAR(obj.FaceLight[0], 160 / std::sqrt(3.0f), 1e-4);
  EXPECT_EQ(obj.FaceLight[1], 0.0f);
  EXPECT_NEAR(obj.FaceLight[2], 160 / std::sqrt(3.0f), 1e-4);  // +y
  // Vertex 3: only face 2 (+y); vertex 0 averages +z, -z, +y -> +y.
  EXPECT_NEAR(obj.VertexLight[3], 200 / std::sqrt(3.0f), 1e-4);
  // Projection includes Position: (1, 0, -16) -> k = 384 / 48 = 8.
  EXPECT_FLOAT_EQ(obj.Projected[1].X, 264.0f);
  EXPECT_EQ(obj.Projected[1].Y, 192.0f);
}

TEST_F(Engine, RotationAccumulatesAndLightNeverGoesNegative) {
  TQOObject obj = ParsedMesh({{2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {-2, 0, 0}}, {{0, 1, 2}, {3, 2, 1}});
  obj.Spin = {0, 0, 9};
  TransformObject(obj, 5);  // 45 degrees about Z, twice
  TransformObject(obj, 5);
  EXPECT_NEAR(obj.Vertices[0].X, 0, 1e-5);
  EXPECT_NEAR(obj.Vertices[0].Y, 2, 1e-5);
  obj.Spin = {17, 23, 31};
  for (int frame = 0; frame < 50; ++frame) {
    TransformObject(obj, 1.7f);
    for (int j = 0; j < 2; ++j) EXPECT_GE(obj.FaceLight[size_t(j)], 0.0f);
    for (int i = 0; i < 4; ++i) EXPECT_GE(obj.VertexLight[size_t(i)], 0.0f);
  }
  // Negative steps turn back.
  TQOObject back = ParsedMesh({{2, 0, 0}}, {});
  back.Spin = {0, 0, 9};
  TransformObject(back, -10);
  EXPECT_NEAR(back.Vertices[0].Y, -2, 1e-5);
}

TEST_F(Engine, NormalsStayPutWhenNotRotated) {
  TQOObject obj = ParsedMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
  obj.Spin = {0, 90, 0};
  RotateNormals = 0;
  TransformObject(obj, 1);
  RotateNormals = -1;
  EXPECT_NEAR(obj.Vertices[1].Z, 1, 1e-6);  // the vertex turned
  EXPECT_EQ(obj.FaceNormals[0].Z, 1.0f);    // its normal did not
  EXPECT_EQ(obj.VertexNormals[1].Z, 1.0f);
  TransformObject(obj, 1);
  EXPECT_NEAR(obj.FaceNormals[0].X, -1, 1e-6);
}

TEST_F(Engine, AVertexOnTheEyePlaneDoesNotFault) {
  TQOObject obj = ParsedMesh({{0, 0, 32}, {1, 0, 32}, {0, 1, 0}, {5, 5, 31.99999f}}, {{0, 1, 2}, {2, 3, 1}});
  TransformObject(obj, 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(std::isfinite(obj.Projected[size_t(i)].X)) << i;
    EXPECT_TRUE(std::isfinite(obj.Projected[size_t(i)].Y)) << i;
  }
  for (uint8_t mode = 0; mode <= 8; ++mode) {
    obj.RenderMode = TRenderMode(mode);
    RenderObject(obj);
  }
}

TEST(SortFaces, QuicksortAsWritten) {
  TQOObject obj;
  obj.FaceCount = 2;
  obj.Order = {{5, 0}, {5, 1}, {0, 2}};
  SortFaces(obj, 0, 1);  // two equal keys come out swapped
  EXPECT_EQ(obj.Order[0].Index, 1);
  EXPECT_EQ(obj.Order[1].Index, 0);
  SortFaces(obj, 1, 1);  // one element: unchanged
  EXPECT_EQ(obj.Order[1].Index, 0);
  obj.Order = {{3, 0}, {1, 1}, {2, 2}};
  obj.FaceCount = 3;
  SortFaces(obj, 0, 2);  // pivot is the middle key, 1
  EXPECT_EQ(obj.Order[0].Index, 1);
  EXPECT_EQ(obj.Order[1].Index, 2);
  EXPECT_EQ(obj.Order[2].Index, 0);

  std::mt19937 random(7);
  obj.Order.resize(3001);
  for (int j = 0; j < 3000; ++j) obj.Order[size_t(j)] = {float(random() % 50) - 25, j};
  obj.Order[3000] = {-1000, 3000};
  SortFaces(obj, 0, 2999);
  for (int k = 1; k < 3000; ++k) ASSERT_LE(obj.Order[size_t(k - 1)].Z, obj.Order[size_t(k)].Z);
  EXPECT_EQ(obj.Order[3000].Z, -1000.0f);  // outside the range: untouched
  std::vector<bool> seen(3000);
  for (int k = 0; k < 3000; ++k) seen[size_t(obj.Order[size_t(k)].Index)] = true;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 3000);
}

}  // namespace
