// The fifth scene: four meshes in turn, each spinning through its render
// modes over a scrolling, bobbing backdrop and glowing particles, with a
// flash at the start, two strobe passages and closing bars.
#pragma once

#include <cstdint>
#include <memory>

#include "Zentra2/image.h"
#include "core/scene.h"
#include "qo_3d/qo3d.h"

class TMeshesScene : public TScene {
public:
  TMeshesScene();
  void Run(const SceneSpan& span) override;

  // One pass of the frame loop for scene time t, up to (not including)
  // FinishFrame: transform, draw, then the timeline row for t.
  void DrawFrame(float t);

  std::unique_ptr<TImage64> Backdrop, MeshTexture, SaucerTexture;
  TQOObject Meshes[4];
  TQOObject* Current = nullptr;

protected:
  void ReadDebugKeys() override;
  bool RedrawsScreen(float t) const override;

private:
  // Everything the frame draws before the timeline row.
  void DrawPicture(float t);
  void ApplyTimeline(float t);
  float prev_ = 0.0f;  // scene time of the previous transform
};

// Grey level of the flash layer at scene time t (wraps below 0); 0 after 10 s.
uint8_t MeshesFlashLevel(float t);
// Width and height of the closing bars at scene time t > 110000.
void MeshesClosingBars(float t, int32_t& a, int32_t& b);

// The debug keys the two mesh scenes share, acting on `mesh`: 1..8 pick the
// render mode, the arrows and A/Z move it by 0.2, Insert/Delete, Home/End and
// Page Up/Down change its spin by 0.1.
void ReadMeshDebugKeys(TQOObject& mesh);
