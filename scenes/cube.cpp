#include "scenes/cube.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "Zentra2/input.h"
#include "Zentra2/timer.h"
#include "core/music.h"
#include "trig2/trig2.h"

namespace {

constexpr int32_t InitialCorners[8][3] = {
    {-16, 16, -16}, {16, 16, -16}, {16, 16, 16}, {-16, 16, 16},
    {-16, -16, -16}, {16, -16, -16}, {16, -16, 16}, {-16, -16, 16},
};

constexpr int32_t InitialFaces[6][4] = {
    {0, 3, 7, 4}, {3, 2, 6, 7}, {2, 1, 5, 6}, {1, 0, 4, 5}, {0, 1, 2, 3}, {7, 6, 5, 4},
};

// An untouched work-table row: any real column is left of Left and right of
// Right.
constexpr TEdgePair EmptyRow = {21474, -21474};

// Projected coordinates are kept within +-2^20, far outside the layer: that
// never changes a picture of the show, but keeps the edge arithmetic within
// 32 bits even if the debug keys put the eye inside the cube.
constexpr double CoordLimit = 1 << 20;

int32_t RoundCoord(double v) {
  v = std::nearbyint(v);
  if (!(v > -CoordLimit)) return -int32_t(CoordLimit);  // NaN too
  if (v > CoordLimit) return int32_t(CoordLimit);
  return int32_t(v);
}

bool IsOdd(int64_t v) { return v % 2 != 0; }

int64_t RoundedClock(float divisor) { return int64_t(std::nearbyint(Elapsed(SyncTimer) / divisor)); }

const TParticleOrbit CubeParticles[2] = {
    {0, {112, FastCos, 900, FastSin, 5400, 224}, {80, FastSin, 800, FastCos, 4500, 160}},
    {0, {128, FastSin, 700, FastCos, 3200, 224}, {96, FastCos, 600, FastSin, 2300, 160}},
};

}  // namespace

TCubeScene::TCubeScene() {
  Backdrop = std::make_unique<TImage64>(Display, "./data/gfx/cube/cb00.jpg", false);
  CubeLayer = std::make_unique<TBuffer64>(Display, LayerSize, LayerSize, false);
  NegativeLayer = std::make_unique<TBuffer64>(Display, LayerSize, LayerSize, false);
  CubeTexture = std::make_unique<TImage64>(Display, "./data/gfx/textures/tex01.jpg", false);
  CheckMusicPause();
  OriginX = 127;
  OriginY = 127;
  CameraZ = -560;
  WobbleFreq = 4.0f;
  WobbleAmount = 0.0f;
  for (int32_t i = 0; i < 8; ++i) {
    Corners[i] = {float(InitialCorners[i][0]), float(InitialCorners[i][1]), float(InitialCorners[i][2])};
  }
  for (int32_t i = 0; i < 6; ++i) {
    CubeFaces[i] = {InitialFaces[i][0], InitialFaces[i][1], InitialFaces[i][2], InitialFaces[i][3], 0};
  }
  CheckMusicPause();
  // A texture smaller than the 255 x 255 texels the filler can address is
  // read through the bounds-checked path instead of straight from its rows.
  DirectTexels = CubeTexture->Width >= 255 && CubeTexture->Height >= 255;
  ResetEdgeTables();
}

TOrbitPoint TCubeScene::ParticlePosition(int32_t index, float t) { return CubeParticles[index].At(t); }

void TCubeScene::RotateAndProject(float step, float phase) {
  const float c = FastCosDeg(step), s = FastSinDeg(step);
  // Each new coordinate is computed wide and stored as a single.
  for (TCubeCorner& p : Corners) {
    const float y1 = float(double(c) * p.Y - double(s) * p.Z);  // about X
    const float z1 = float(double(s) * p.Y + double(c) * p.Z);
    const float x2 = float(double(c) * p.X - double(s) * y1);  // about Z, with the new Y
    const float y2 = float(double(s) * p.X + double(c) * y1);
    p = {x2, y2, z1};
  }

  for (int32_t i = 0; i < 8; ++i) {
    const TCubeCorner& p = Corners[i];
    TCubePoint& sp = ScreenPoints[i];
    if (WobbleAmount == 0.0f) {
      const double d = double(p.Z) - CameraZ;
      sp.X = RoundCoord(double(p.X) * 256.0 / d) + OriginX;
      sp.Y = RoundCoord(double(p.Y) * 256.0 / d) + OriginY;
      sp.Z = RoundCoord(p.Z);
    } else {
      // Swell or shrink the corner by its direction, for projection only.
      const double a1 = std::atan2(double(p.X), double(p.Y));
      const double a2 = std::atan2(double(p.X), double(p.Z));
      const double a3 = std::atan2(double(p.Y), double(p.Z));
      const float k = float(((1.0 - FastCos(float(a1 * WobbleFreq + phase))) +
                             (1.0 - FastCos(float(a2 * WobbleFreq + phase))) +
                             (1.0 - FastCos(float(a3 * WobbleFreq + phase)))) *
                                (1.0 / 6.0) * WobbleAmount +
                            (1.0 - WobbleAmount));
      const double d = double(p.Z) * k - CameraZ;
      sp.X = RoundCoord(double(p.X) * k * 256.0 / d) + OriginX;
      sp.Y = RoundCoord(double(p.Y) * k * 256.0 / d) + OriginY;
      sp.Z = RoundCoord(double(p.Z) * k);
    }
  }

  for (TCubeFace& f : CubeFaces) {
    f.Depth = ScreenPoints[f.V0].Z + ScreenPoints[f.V1].Z + ScreenPoints[f.V2].Z + ScreenPoints[f.V3].Z;
  }
  SortCubeFaces(0, 5);
}

void TCubeScene::SortCubeFaces(int32_t lo, int32_t hi) {
  const int32_t pivot = CubeFaces[(lo + hi) / 2].Depth;
  int32_t i = lo, j = hi;
  do {
    while (CubeFaces[i].Depth > pivot) ++i;
    while (CubeFaces[j].Depth < pivot) --j;
    if (i <= j) {
      std::swap(CubeFaces[i], CubeFaces[j]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (lo < j) SortCubeFaces(lo, j);
  if (i < hi) SortCubeFaces(i, hi);
}

void TCubeScene::DrawCube() {
  for (const TCubeFace& f : CubeFaces) {
    const TCubePoint &p0 = ScreenPoints[f.V0], &p1 = ScreenPoints[f.V1];
    const TCubePoint &p2 = ScreenPoints[f.V2], &p3 = ScreenPoints[f.V3];
    const int64_t cross =
        int64_t(p1.X - p0.X) * (p0.Y - p2.Y) - int64_t(p1.Y - p0.Y) * (p0.X - p2.X);
    if (cross < 0) {
      DrawTexturedQuad(p0.X, p0.Y, 0, 0, p1.X, p1.Y, 127, 0, p2.X, p2.Y, 127, 127, p3.X, p3.Y, 0, 127);
    }
  }
}

void TCubeScene::ResetEdgeTables() {
  std::fill(std::begin(EdgeX), std::end(EdgeX), EmptyRow);
  std::fill(std::begin(EdgeU), std::end(EdgeU), EmptyRow);
  std::fill(std::begin(EdgeV), std::end(EdgeV), EmptyRow);
}

void TCubeScene::ScanEdge(int32_t xa, int32_t ya, int32_t ua, int32_t va, int32_t xb, int32_t yb, int32_t ub,
                          int32_t vb) {
  if (ya == yb) return;  // horizontal edges add nothing
  if (ya > yb) {
    std::swap(xa, xb);
    std::swap(ya, yb);
    std::swap(ua, ub);
    std::swap(va, vb);
  }
  if (yb < 0 || ya > LayerSize - 1) return;  // wholly above or below the layer
  const int32_t n = yb - ya;
  const int32_t stepX = ((xb - xa) * 128) / n;
  const int32_t stepU = ((ub - ua) * 128) / n;
  const int32_t stepV = ((vb - va) * 128) / n;
  int32_t x = xa * 128, u = ua * 128, v = va * 128;
  int32_t y = ya;
  if (y < 0) {
    // Rows above the layer only advance the steps: skip them at once.
    const int64_t skip = -int64_t(y);
    x = int32_t(x + stepX * skip);
    u = int32_t(u + stepU * skip);
    v = int32_t(v + stepV * skip);
    y += int32_t(skip);
  }
  const int32_t last = std::min(yb, LayerSize - 1);
  for (; y <= last; ++y) {
    const int32_t xi = x >> 7;  // floor(x / 128)
    if (xi < EdgeX[y].Left) {
      EdgeX[y].Left = xi;
      EdgeU[y].Left = u;
      EdgeV[y].Left = v;
    }
    if (xi > EdgeX[y].Right) {
      EdgeX[y].Right = xi;
      EdgeU[y].Right = u;
      EdgeV[y].Right = v;
    }
    x += stepX;
    u += stepU;
    v += stepV;
  }
}

void TCubeScene::DrawTexturedQuad(int32_t x0, int32_t y0, int32_t u0, int32_t v0, int32_t x1, int32_t y1,
                                  int32_t u1, int32_t v1, int32_t x2, int32_t y2, int32_t u2, int32_t v2,
                                  int32_t x3, int32_t y3, int32_t u3, int32_t v3) {
  ResetEdgeTables();
  int32_t ymin = std::min({y0, y1, y2, y3});
  int32_t ymax = std::max({y0, y1, y2, y3});
  ymin = std::max(ymin, 0);
  ymax = std::min(ymax, LayerSize - 1);
  if (ymin > LayerSize - 1 || ymax < 0) return;

  ScanEdge(x0, y0, u0, v0, x1, y1, u1, v1);
  ScanEdge(x1, y1, u1, v1, x2, y2, u2, v2);
  ScanEdge(x2, y2, u2, v2, x3, y3, u3, v3);
  ScanEdge(x3, y3, u3, v3, x0, y0, u0, v0);

  TBuffer64& layer = *CubeLayer;
  TBuffer64& texture = *CubeTexture;
  const bool direct = layer.BitDepth == 32 && texture.BitDepth == 32 && DirectTexels;
  for (int32_t y = ymin; y <= ymax; ++y) {
    int32_t xl = EdgeX[y].Left, xr = EdgeX[y].Right;
    int32_t du = 0, dv = 0;
    if (xr != xl) {
      du = (EdgeU[y].Right - EdgeU[y].Left) / (xr - xl);
      dv = (EdgeV[y].Right - EdgeV[y].Left) / (xr - xl);
    }
    int32_t u = EdgeU[y].Left, v = EdgeV[y].Left;
    // A clipped left end keeps the texel position of the unclipped one.
    if (xl < 0) xl = 0;
    if (xr > LayerSize - 1) xr = LayerSize - 1;
    u += 8;
    v += 8;
    if (direct) {
      // Texture rows by u, columns by v.
      uint32_t* out = reinterpret_cast<uint32_t*>(layer.Rows[y]);
      for (int32_t x = xl; x < xr; ++x) {
        out[x] = reinterpret_cast<const uint32_t*>(texture.Rows[uint32_t(u) >> 6])[uint32_t(v) >> 6];
        u += du;
        v += dv;
      }
    } else if (layer.BitDepth == 32) {
      // Same orientation as the direct path, through the checked accessor.
      for (int32_t x = xl; x < xr; ++x) {
        layer.PutPixel(x, y, texture.GetPixel(int32_t(uint32_t(v) >> 6), int32_t(uint32_t(u) >> 6)));
        u += du;
        v += dv;
      }
    } else {
      // Column u, row v: transposed with respect to the 32-bit path.
      for (int32_t x = xl; x < xr; ++x) {
        layer.PutPixel(x, y, texture.GetPixel(int32_t(uint32_t(u) >> 6), int32_t(uint32_t(v) >> 6)));
        u += du;
        v += dv;
      }
    }
  }
}

void TCubeScene::Run(const SceneSpan& span) {
  PreviousTime = 0.0f;
  RunFrames(span, [this](float t) {
    DrawFrame(t);
    FinishFrame();
  });
}

void TCubeScene::SplitStep(int32_t cx, int32_t cy) {
  CubeLayer->Draw(NegativeLayer.get(), 0, 0);
  NegativeLayer->Invert();
  CubeLayer->DrawKeyed(ScreenBuffer, cx - 128, cy, CubeLayer->GetPixel(0, 0));
  NegativeLayer->DrawKeyed(ScreenBuffer, cx + 128, cy, NegativeLayer->GetPixel(0, 0));
}

void TCubeScene::DrawParticles(float t) {
  for (const TParticleOrbit& orbit : CubeParticles) {
    const TOrbitPoint p = orbit.At(t);
    if (TImage64* sprite = Particles[orbit.Image]) sprite->DrawAdd(ScreenBuffer, p.X, p.Y);
  }
}

bool TCubeScene::RedrawsScreen(float /*t*/) const { return true; }  // it clears the screen first

void TCubeScene::DrawFrame(float t) {
  // The turn covers the time since the previous frame, so the cube spins at
  // the same speed whatever the frame rate.
  RotateAndProject((t - PreviousTime) / 50.0f, t / 2000.0f);
  PreviousTime = SceneTime();

  // The layers are cleared every frame: only the turn and the camera carry
  // forward.
  const bool picture = !PictureOverdrawn(t);
  if (picture) {
    CubeLayer->Clear(0);
    ScreenBuffer->Clear(0);
    Backdrop->Draw(ScreenBuffer, ScreenBuffer->CenterX - Backdrop->CenterX,
                   ScreenBuffer->CenterY - Backdrop->CenterY);
    DrawCube();
  }
  MoveCamera(t);
  if (picture) ComposeLayers(t);
}

void TCubeScene::MoveCamera(float t) {
  if (t <= 8000.0f) {
    CameraZ = -int32_t(std::nearbyint(560.0f - t / 16.0f));
  } else if (t <= 40000.0f) {
    return;  // the camera stands still
  } else if (t <= 50000.0f) {
    // The beat, on the raw demo clock; each test reads the clock anew.
    if (RoundedClock(500.0f) % 3 == 0) CameraZ = -120;
    if (RoundedClock(500.0f) % 3 == 1) CameraZ = -180;
    if (RoundedClock(500.0f) % 3 == 2) CameraZ = -60;
  } else if (t <= 70000.0f) {
    CameraZ = -120;
    WobbleAmount = 0.6f;
  } else {
    CameraZ = -120 - int32_t(std::nearbyint((t - 70000.0f) / 20.0f));
  }
}

void TCubeScene::ComposeLayers(float t) {
  const int32_t cx = ScreenBuffer->CenterX - CubeLayer->CenterX;
  const int32_t cy = ScreenBuffer->CenterY - CubeLayer->CenterY;
  // A keyed draw takes the layer's own corner pixel as the transparent colour.
  auto keyed = [cy](TBuffer64* layer, int32_t x) { layer->DrawKeyed(ScreenBuffer, x, cy, layer->GetPixel(0, 0)); };

  if (t <= 13000.0f) {
    keyed(CubeLayer.get(), cx);
  } else if (t <= 23000.0f) {
    if (IsOdd(RoundedClock(500.0f))) CubeLayer->Invert();
    keyed(CubeLayer.get(), cx);
  } else if (t <= 35000.0f) {
    CubeLayer->Draw(NegativeLayer.get(), 0, 0);
    NegativeLayer->Invert();
    const int32_t d = int32_t(std::nearbyint((t - 23000.0f) / 93.75f));
    const uint8_t o = ColorComponent((t - 23000.0f) / 100.0f + 140.0f);
    CubeLayer->DrawAlphaKeyed(ScreenBuffer, cx - d, cy, o, CubeLayer->GetPixel(0, 0));
    NegativeLayer->DrawAlphaKeyed(ScreenBuffer, cx + d, cy, o, NegativeLayer->GetPixel(0, 0));
  } else {
    SplitStep(cx, cy);
    if (t > 50000.0f) DrawParticles(t);
  }

  DrawWaveBars(ScreenBuffer);
}

void TCubeScene::ReadDebugKeys() {
  if (!Input) return;
  if (Input->KeyDown(203)) OriginX -= 2;  // left arrow
  if (Input->KeyDown(205)) OriginX += 2;  // right arrow
  if (Input->KeyDown(200)) OriginY -= 2;  // up arrow
  if (Input->KeyDown(208)) OriginY += 2;  // down arrow
  if (Input->KeyDown(30)) CameraZ -= 2;   // A
  if (Input->KeyDown(44)) CameraZ += 2;   // Z
  if (Input->KeyDown(31)) WobbleAmount += 0.01f;  // S
  if (Input->KeyDown(45)) WobbleAmount -= 0.01f;  // X
  if (Input->KeyDown(32)) WobbleFreq += 0.1f;     // D
  if (Input->KeyDown(46)) WobbleFreq -= 0.1f;     // C
}
