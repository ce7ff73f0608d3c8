#include "scenes/greetz.h"

#include <cmath>

#include "Zentra2/input.h"
#include "scenes/meshes.h"

namespace {

// A panel rises the 192 rows from the bottom edge in 3000 ms.
int32_t RisingRow(float t, float start) {
  return RenderHeight - int32_t(std::nearbyint((static_cast<long double>(t) - start) / 15.63L));
}

}  // namespace

int32_t GreetzPanelRow(float t) {
  if (t <= 8000.0f) return RisingRow(t, 5000.0f);
  if (t <= 53000.0f) return 191;
  if (t <= 56000.0f) return RisingRow(t, 53000.0f);
  return 191;
}

int32_t GreetzListRow(float t) { return 247 - int32_t((static_cast<long double>(t) - 8000.0L) / 35.0L); }

TGreetzScene::TGreetzScene() {
  Backdrop = std::make_unique<TImage64>(Display, "./data/gfx/greetz/gz00.jpg", false);
  Greet1 = std::make_unique<TImage64>(Display, "./data/gfx/greetz/gz01.png", false);
  Greet2 = std::make_unique<TImage64>(Display, "./data/gfx/greetz/gz02.png", false);
  Greet3 = std::make_unique<TImage64>(Display, "./data/gfx/greetz/gz03.png", false);
  Finale = std::make_unique<TImage64>(Display, "./data/gfx/misc/marrowind", false);
  Panel = std::make_unique<TBuffer64>(Display, GreetzPanelWidth, GreetzPanelHeight, false);
  LoadASC(Mesh, "./data/msh/geosph10.asc");
  RenderTarget = &ScreenBuffer;
  Mesh.Sprite = &Particles[4];
  Mesh.Texture = &Particles[2];
  Mesh.Color = 0;
  Mesh.RenderMode = TRenderMode::Lit;
  Mesh.Position = TVoxel{16.0f, -12.0f, -16.0f};
  Mesh.Spin = TVoxel{0.6f, 0.7f, 0.8f};
}

void TGreetzScene::Run(const SceneSpan& span) {
  prev_ = 0.0f;
  RunFrames(span, [this](float t) {
    DrawFrame(t);
    FinishFrame();
  });
}

void TGreetzScene::ShowPanel(int32_t y) {
  Panel->Invert();
  Panel->DrawSub(ScreenBuffer, GreetzPanelX, y);
}

bool TGreetzScene::RedrawsScreen(float t) const {
  // Backdrop and Finale are copied to the top-left corner, the others blended.
  const TImage64* whole = (t > 5000.0f && t <= 75000.0f) ? Backdrop.get() : t > 80000.0f ? Finale.get() : nullptr;
  return CoversScreen(whole);
}

void TGreetzScene::DrawFrame(float t) {
  // Panel is cleared every frame, and the mesh's light, projection and
  // depth order are derived afresh: only its turn carries forward.
  const bool picture = !PictureOverdrawn(t);
  (picture ? TransformObject : TurnObject)(Mesh, (t - prev_) / 20.0f);
  prev_ = SceneTime();
  if (picture) DrawPicture(t);
}

void TGreetzScene::DrawPicture(float t) {
  Panel->Clear(0xFFFFFFFFu);

  if (t <= 5000.0f) {
    // Blended, not copied: the picture fades in over the previous scene's
    // last frame, and the moving mesh leaves fading trails.
    Backdrop->DrawAlpha(ScreenBuffer, 0, 0, ColorComponent(t / 30.0f));
  } else if (t <= 8000.0f) {
    Backdrop->Draw(ScreenBuffer, 0, 0);
    Greet1->Draw(Panel.get(), 0, 0);
    ShowPanel(GreetzPanelRow(t));
  } else if (t <= 53000.0f) {
    Backdrop->Draw(ScreenBuffer, 0, 0);
    Greet2->Draw(Panel.get(), 0, GreetzListRow(t));
    Greet1->Draw(Panel.get(), 0, 0);
    ShowPanel(GreetzPanelRow(t));
  } else if (t <= 75000.0f) {
    Backdrop->Draw(ScreenBuffer, 0, 0);
    Greet3->Draw(Panel.get(), 0, 0);
    ShowPanel(GreetzPanelRow(t));
  } else if (t <= 80000.0f) {
    Finale->DrawAlpha(ScreenBuffer, 0, 0, ColorComponent(4.0f));
  } else {
    Finale->Draw(ScreenBuffer, 0, 0);
  }

  if (t < 75000.0f) RenderObject(Mesh);
}

void TGreetzScene::ReadDebugKeys() {
  ReadMeshDebugKeys(Mesh);
}
