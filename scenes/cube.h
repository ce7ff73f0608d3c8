// The second scene: a texture-mapped cube spinning in front of a centred
// picture, with its own small renderer (rotation in place, perspective with
// an optional wobble, a depth sort of the six faces, back-face culling and an
// integer scanline filler for textured quads into a 256 x 256 layer).
#pragma once

#include <cstdint>
#include <memory>

#include "Zentra2/image.h"
#include "core/scene.h"
#include "scenes/orbit.h"

struct TCubeCorner {
  float X, Y, Z;
};

struct TCubeFace {
  int32_t V0, V1, V2, V3;
  int32_t Depth;
};

struct TCubePoint {
  int32_t X, Y, Z;
};

// One row of a quad filler work table: the values at the left and the right
// end of the row.
struct TEdgePair {
  int32_t Left, Right;
};

class TCubeScene : public TScene {
public:
  static constexpr int32_t LayerSize = 256;

  TCubeScene();

  void Run(const SceneSpan& span) override;
  // One frame for scene time t into the layers and ScreenBuffer.
  void DrawFrame(float t);

  // Turns the corners by `step` degrees about X, then Z (accumulating), and
  // projects them; `phase` (radians) drives the wobble. Then sorts the faces.
  void RotateAndProject(float step, float phase);
  // Sorts CubeFaces[lo..hi] by Depth, largest (farthest) first.
  void SortCubeFaces(int32_t lo, int32_t hi);
  void DrawCube();
  void DrawTexturedQuad(int32_t x0, int32_t y0, int32_t u0, int32_t v0, int32_t x1, int32_t y1, int32_t u1,
                        int32_t v1, int32_t x2, int32_t y2, int32_t u2, int32_t v2, int32_t x3, int32_t y3,
                        int32_t u3, int32_t v3);
  void ScanEdge(int32_t xa, int32_t ya, int32_t ua, int32_t va, int32_t xb, int32_t yb, int32_t ub, int32_t vb);
  // Empties the three work tables.
  void ResetEdgeTables();
  void ReadDebugKeys() override;
  bool RedrawsScreen(float t) const override;

  // Top-left corner of particle `index` (0 or 1) at t.
  static TOrbitPoint ParticlePosition(int32_t index, float t);

  std::unique_ptr<TImage64> Backdrop;
  std::unique_ptr<TBuffer64> CubeLayer;
  std::unique_ptr<TBuffer64> NegativeLayer;
  std::unique_ptr<TImage64> CubeTexture;
  int32_t OriginX = 127;
  int32_t OriginY = 127;
  int32_t CameraZ = -560;
  float WobbleFreq = 4.0f;
  float WobbleAmount = 0.0f;
  TCubeCorner Corners[8] = {};
  TCubeFace CubeFaces[6] = {};
  TCubePoint ScreenPoints[8] = {};

  // Quad filler work tables, one row per CubeLayer line, in 7-bit fixed
  // point for U and V.
  TEdgePair EdgeX[LayerSize];
  TEdgePair EdgeU[LayerSize];
  TEdgePair EdgeV[LayerSize];

  // Scene time of the previous frame, for the frame-rate independent turn.
  float PreviousTime = 0.0f;

private:
  // The camera's distance and wobble for scene time t.
  void MoveCamera(float t);
  // The cube layer and its negative onto the screen, then the bars.
  void ComposeLayers(float t);
  void SplitStep(int32_t cx, int32_t cy);
  void DrawParticles(float t);
  // True when the texture is big enough for the direct 32-bit texel reads
  // (texel coordinates run 0..254).
  bool DirectTexels = false;
};
