// The sixth and last scene: the backdrop fades in, two greetings panels rise
// and scroll (composed in Panel, inverted and subtracted from the screen), a
// lit geosphere spins over it all, and the screen cross-fades to the closing
// picture.
#pragma once

#include <cstdint>
#include <memory>

#include "Zentra2/image.h"
#include "core/scene.h"
#include "qo_3d/qo3d.h"

class TGreetzScene : public TScene {
public:
  TGreetzScene();
  void Run(const SceneSpan& span) override;

  // One pass of the frame loop for scene time t, up to FinishFrame.
  void DrawFrame(float t);

  std::unique_ptr<TImage64> Backdrop, Greet1, Greet2, Greet3;
  std::unique_ptr<TBuffer64> Panel;
  std::unique_ptr<TImage64> Finale;
  TQOObject Mesh;

protected:
  void ReadDebugKeys() override;
  bool RedrawsScreen(float t) const override;

private:
  // Everything the frame draws: panel, screen and mesh.
  void DrawPicture(float t);
  // Inverts the panel and subtracts it from the screen at (300, y).
  void ShowPanel(int32_t y);
  float prev_ = 0.0f;
};

inline constexpr int32_t GreetzPanelWidth = 180;
inline constexpr int32_t GreetzPanelHeight = 192;
inline constexpr int32_t GreetzPanelX = 300;

// Row of the panel at scene time t for 5000 < t <= 75000 (rising, standing,
// rising again, standing).
int32_t GreetzPanelRow(float t);
// Row at which the scrolled list is drawn into the panel, 8000 < t <= 53000.
int32_t GreetzListRow(float t);
