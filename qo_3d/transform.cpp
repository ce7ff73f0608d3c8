// Rotation, light, projection and the depth sort, with the engine's settings.
#include <cmath>
#include <utility>

#include "qo_3d/qo3d.h"
#include "trig2/trig2.h"

float ViewDistance = 32.0f;
TVoxel LightPos;
TVoxel LightDir;
int32_t BackfaceCull = -1;
int32_t RotateNormals = -1;
TBuffer64** RenderTarget = nullptr;

namespace {

// The engine's start-up: the sine table it rotates with, and the light.
struct EngineStartUp {
  EngineStartUp() {
    BuildSinTable();
    BackfaceCull = -1;
    RotateNormals = -1;
    ViewDistance = 32.0f;
    SetLight(16.0f, 16.0f, 16.0f);
  }
} engineStartUp;

// Closest a vertex may come to the eye plane in the projection: nearer ones
// are projected as if they stood this far away, so a vertex on the plane
// gives a far-off (but finite) screen position instead of a division by zero.
constexpr float kMinEyeDistance = 1.0f / 65536.0f;

}  // namespace

void SetLight(float x, float y, float z) {
  LightPos = TVoxel{x, y, z};
  double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
  if (length > 0)
    LightDir = TVoxel{float(x / length), float(y / length), float(z / length)};
  else
    LightDir = TVoxel{};
}

namespace {
// The cosines and sines of one turn, looked up once for all the points it
// turns.
struct Turn {
  Turn(float angleX, float angleY, float angleZ)
      : cx(FastCosDeg(angleX)), sx(FastSinDeg(angleX)), cy(FastCosDeg(angleY)), sy(FastSinDeg(angleY)),
        cz(FastCosDeg(angleZ)), sz(FastSinDeg(angleZ)) {}

  // Every Single stored here (x1, y1, z1 and the new point) is its expression
  // evaluated exactly and rounded once: the products of two Singles are exact
  // in double, so only the sum rounds before the store.
  void Apply(float& x, float& y, float& z) const {
    const float x1 = float(x * cz - y * sz);
    const float y1 = float(x * sz + y * cz);
    const float z1 = float(y1 * sx + z * cx);
    y = float(y1 * cx - z * sx);
    x = float(x1 * cy - z1 * sy);
    z = float(x1 * sy + z1 * cy);
  }

  double cx, sx, cy, sy, cz, sz;
};
}  // namespace

void RotatePoint(float& x, float& y, float& z, float angleX, float angleY, float angleZ) {
  Turn(angleX, angleY, angleZ).Apply(x, y, z);
}

void ProjectPoint(float& px, float& py, float x, float y, float z) {
  TBuffer64* target = RenderTarget ? *RenderTarget : nullptr;
  int32_t width = target ? target->Width : 0, height = target ? target->Height : 0;
  // Each Single is computed exactly and rounded once, where it is stored.
  double d = double(ViewDistance) - double(z);
  if (std::fabs(d) < kMinEyeDistance) d = d < 0 ? -kMinEyeDistance : kMinEyeDistance;
  const float k = float(height / d);
  px = float(double(k) * x + width / 2);
  py = float(double(k) * y + height / 2);
}

namespace {
// The light a normal gets from LightDir at full strength `scale`, rounded once
// to the Single it is stored as; never below 0.
float Light(float x, float y, float z, double scale) {
  const float light = float((x * double(LightDir.X) + y * double(LightDir.Y) + z * double(LightDir.Z)) * scale);
  return light < 0 ? 0.0f : light;
}
}  // namespace

void TurnObject(TQOObject& obj, float step) {
  const Turn turn(step * obj.Spin.X, step * obj.Spin.Y, step * obj.Spin.Z);
  for (int32_t i = 0; i < obj.VertexCount; ++i) {
    TVoxel& v = obj.Vertices[size_t(i)];
    turn.Apply(v.X, v.Y, v.Z);
    if (RotateNormals) {
      TVoxel& n = obj.VertexNormals[size_t(i)];
      turn.Apply(n.X, n.Y, n.Z);
    }
  }
  if (!RotateNormals) return;
  for (int32_t j = 0; j < obj.FaceCount; ++j) {
    TNormal& n = obj.FaceNormals[size_t(j)];
    turn.Apply(n.X, n.Y, n.Z);
  }
}

void TransformObject(TQOObject& obj, float step) {
  TurnObject(obj, step);
  for (int32_t i = 0; i < obj.VertexCount; ++i) {
    const TVoxel& v = obj.Vertices[size_t(i)];
    const TVoxel& n = obj.VertexNormals[size_t(i)];
    obj.VertexLight[size_t(i)] = Light(n.X, n.Y, n.Z, 200.0);
    TPixel& p = obj.Projected[size_t(i)];
    ProjectPoint(p.X, p.Y, v.X + obj.Position.X, v.Y + obj.Position.Y, v.Z + obj.Position.Z);
  }
  for (int32_t j = 0; j < obj.FaceCount; ++j) {
    const TNormal& n = obj.FaceNormals[size_t(j)];
    obj.FaceLight[size_t(j)] = Light(n.X, n.Y, n.Z, 160.0);
    const TFace& f = obj.Faces[size_t(j)];
    // The depth key: the exact sum, rounded once.
    obj.Order[size_t(j)] = TordZ{float(double(obj.Vertices[size_t(f.A)].Z) + double(obj.Vertices[size_t(f.B)].Z) +
                                       double(obj.Vertices[size_t(f.C)].Z)),
                                 j};
  }
}

void SortFaces(TQOObject& obj, int32_t lo, int32_t hi) {
  TAordZ& order = obj.Order;
  const float pivot = order[(uint32_t(lo) + uint32_t(hi)) >> 1].Z;
  int32_t i = lo, j = hi;
  do {
    while (order[size_t(i)].Z < pivot) ++i;
    while (pivot < order[size_t(j)].Z) --j;
    if (i <= j) {
      std::swap(order[size_t(i)], order[size_t(j)]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (lo < j) SortFaces(obj, lo, j);
  if (i < hi) SortFaces(obj, i, hi);
}
