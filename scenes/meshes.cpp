#include "scenes/meshes.h"

#include <cmath>

#include "Zentra2/input.h"
#include "Zentra2/timer.h"
#include "core/music.h"
#include "trig2/trig2.h"

namespace {

int32_t Round(double value) { return int32_t(std::nearbyint(value)); }

// The six particles of the glow layer (into Buffer, centred on 240, 176) and
// the two drawn over the mesh (into ScreenBuffer, centred on 224, 160).
struct Orbit {
  int image;
  float xr, xa, xb;  // x = xr cos/sin(t / xa) + sin/cos(t / xb)
  float yr, ya, yb;
  bool xCos;         // x leads with cos (y then leads with sin)
};
constexpr Orbit kGlow[6] = {
    {3, 112, 900, 5400, 80, 800, 4500, true},   {3, 128, 700, 1600, 96, 600, 2300, false},
    {4, 116, 450, 6600, 96, 550, 7700, true},   {4, 96, 900, 1000, 64, 800, 1500, true},
    {5, 64, 700, 2000, 48, 600, 2500, false},   {5, 48, 650, 3000, 32, 850, 3500, true},
};
constexpr Orbit kOverlay[2] = {
    {1, 132, 850, 6600, 96, 950, 7700, true},
    {1, 200, 600, 3900, 160, 700, 2900, false},
};

void DrawOrbit(const Orbit& o, float t, TBuffer64* dest, int32_t cx, int32_t cy) {
  float x, y;
  if (o.xCos) {
    x = o.xr * FastCos(t / o.xa) + FastSin(t / o.xb);
    y = o.yr * FastSin(t / o.ya) + FastCos(t / o.yb);
  } else {
    x = o.xr * FastSin(t / o.xa) + FastCos(t / o.xb);
    y = o.yr * FastCos(t / o.ya) + FastSin(t / o.yb);
  }
  if (Particles[o.image]) Particles[o.image]->DrawAdd(dest, Round(x) + cx, Round(y) + cy);
}

}  // namespace

uint8_t MeshesFlashLevel(float t) {
  if (t > 10000.0f) return 0;
  // 1000, not 10000: the level reaches 0 after one second and wraps to 255.
  return uint8_t(Round((1000.0 - double(t)) / 39.2) & 255);
}

void MeshesClosingBars(float t, int32_t& a, int32_t& b) {
  a = Round((double(t) - 110000.0) / 39.0);
  b = Round((double(t) - 110000.0) / 52.0);
}

TMeshesScene::TMeshesScene() {
  Backdrop = std::make_unique<TImage64>(Display, "./data/gfx/textures/tex02.jpg", false);
  MeshTexture = std::make_unique<TImage64>(Display, "./data/gfx/textures/tex03.jpg", false);
  SaucerTexture = std::make_unique<TImage64>(Display, "./data/gfx/textures/tex04.jpg", false);
  LoadASC(Meshes[0], "./data/msh/geosph10.asc");
  LoadASC(Meshes[1], "./data/msh/spring1.asc");
  LoadASC(Meshes[2], "./data/msh/spring2.asc");
  LoadASC(Meshes[3], "./data/msh/saucer.asc");
  for (TQOObject& mesh : Meshes) {
    mesh.Sprite = &Particles[4];
    mesh.Texture = &MeshTexture;
    mesh.RenderMode = TRenderMode::Points;
    mesh.Color = MakeColor(0, 255, 0);
    mesh.Spin = TVoxel{1.3f, 1.0f, 0.7f};
  }
  RenderTarget = &ScreenBuffer;
  Meshes[3].Texture = &SaucerTexture;
  Current = &Meshes[0];
}

void TMeshesScene::Run(const SceneSpan& span) {
  Current = &Meshes[0];
  prev_ = 0.0f;
  RunFrames(span, [this](float t) {
    DrawFrame(t);
    FinishFrame();
  });
}

bool TMeshesScene::RedrawsScreen(float /*t*/) const {
  // The backdrop is drawn twice side by side, scrolled right by up to a
  // width and raised by up to 128 rows.
  return CoversScreen(Backdrop.get(), 128);
}

void TMeshesScene::DrawFrame(float t) {
  // Buffer is cleared every frame, and the mesh's light, projection and
  // depth order are derived afresh: only its turn carries forward.
  const bool picture = !PictureOverdrawn(t);
  (picture ? TransformObject : TurnObject)(*Current, (t - prev_) / 20.0f);
  prev_ = SceneTime();
  if (picture) DrawPicture(t);
  ApplyTimeline(t);
}

void TMeshesScene::DrawPicture(float t) {
  const uint32_t level = MeshesFlashLevel(t);
  Buffer->Clear(level + 256 * level + 65536 * level);

  // The backdrop scrolls right one column per 40 ms and bobs up and down.
  int32_t k = Round(double(t) / 40.0) % RenderWidth;
  int32_t y = -Round((FastCos(t / 900.0f) + 1.0f) * 64.0f);
  Backdrop->Draw(ScreenBuffer, k, y);
  Backdrop->Draw(ScreenBuffer, k - RenderWidth, y);

  for (const Orbit& o : kGlow) DrawOrbit(o, t, Buffer, 240, 176);
  Buffer->DrawAdd(ScreenBuffer, 0, 0);
  RenderObject(*Current);
  for (const Orbit& o : kOverlay) DrawOrbit(o, t, ScreenBuffer, 224, 160);
}

void TMeshesScene::ApplyTimeline(float t) {
  auto strobe = [] {
    // On the absolute clock: every other 200 ms the finished frame is wiped
    // white, 3.75 flashes a second. Gentler: white for the first fifth of
    // each beat of the music, 1.5 flashes a second on its pulse.
    const bool white = Gentle ? BeatPhase(Elapsed(MusicTimer)) < 0.2f
                              : Round(double(Elapsed(SyncTimer)) / 200.0) % 2 != 0;
    if (white) ScreenBuffer->Clear(0xFFFFFFFFu);
  };
  if (t <= 18000) {
    Current = &Meshes[0];
    Current->RenderMode = TRenderMode::Wire;
  } else if (t <= 26000) {
    Current->RenderMode = TRenderMode::Sprites;
  } else if (t <= 34000) {
    Current->RenderMode = TRenderMode::Texture;
  } else if (t <= 42000) {
    Current->Position.Z = -(t - 34000.0f) / 100.0f;
  } else if (t <= 50000) {
    Current = &Meshes[1];
    Current->RenderMode = TRenderMode::Wire;
    Current->Position.Z = (t - 42000.0f) / 100.0f - 80.0f;
  } else if (t <= 58000) {
    Current->RenderMode = TRenderMode::Lit;
  } else if (t <= 66000) {
    Current->RenderMode = TRenderMode::Environment;
  } else if (t <= 70000) {
    strobe();
  } else if (t <= 78000) {
    Current = &Meshes[2];
    Current->RenderMode = TRenderMode::Lit;
    Current->Position.Z = -40.0f;
  } else if (t <= 86000) {
    Current->RenderMode = TRenderMode::Environment;
  } else if (t <= 90000) {
    strobe();
  } else if (t <= 98000) {
    Current = &Meshes[3];
    Current->RenderMode = TRenderMode::Lit;
    Current->Position.Z = -30.0f;
  } else if (t <= 110000) {
    Current->RenderMode = TRenderMode::Environment;
  } else {
    Current->Position.Z = -30.0f - (t - 110000.0f) / 80.0f;
    int32_t a, b;
    MeshesClosingBars(t, a, b);
    ScreenBuffer->FillRect(0, 0, a, RenderHeight, 0);
    ScreenBuffer->FillRect(RenderWidth - a, 0, RenderWidth, RenderHeight, 0);
    ScreenBuffer->FillRect(0, 0, RenderWidth, b, 0);
    ScreenBuffer->FillRect(0, RenderHeight - b, RenderWidth, RenderHeight, 0);
  }
}

void ReadMeshDebugKeys(TQOObject& mesh) {
  auto down = [](uint8_t key) { return Input && Input->KeyDown(key); };
  // Keys 1..8 (codes 2..9) pick the modes in order.
  for (uint8_t mode = 0; mode <= 7; ++mode)
    if (down(uint8_t(2 + mode))) mesh.RenderMode = TRenderMode(mode);
  if (down(203)) mesh.Position.X -= 0.2f;
  if (down(205)) mesh.Position.X += 0.2f;
  if (down(200)) mesh.Position.Y -= 0.2f;
  if (down(208)) mesh.Position.Y += 0.2f;
  if (down(30)) mesh.Position.Z -= 0.2f;
  if (down(44)) mesh.Position.Z += 0.2f;
  if (down(210)) mesh.Spin.X -= 0.1f;
  if (down(211)) mesh.Spin.X += 0.1f;
  if (down(199)) mesh.Spin.Y -= 0.1f;
  if (down(207)) mesh.Spin.Y += 0.1f;
  if (down(201)) mesh.Spin.Z -= 0.1f;
  if (down(209)) mesh.Spin.Z += 0.1f;
}

void TMeshesScene::ReadDebugKeys() {
  // Position and spin keys act on the mesh that was current before Q..R.
  TQOObject& mesh = *Current;
  const uint8_t pick[4] = {16, 17, 18, 19};
  for (int i = 0; i < 4; ++i)
    if (Input && Input->KeyDown(pick[i])) Current = &Meshes[i];
  ReadMeshDebugKeys(mesh);
}
