// The greetz scene's timeline row by row, at the boundary times of every row
// (just before, at, just after). The pictures are one colour each, except the
// scrolled list, whose every row has a colour of its own so that its place
// shows in every pixel; the whole frame and the composed panel are compared
// with what the rows say they hold. A small octahedron stands in for the
// geosphere.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "Zentra2/image.h"
#include "core/globals.h"
#include "scenes/greetz.h"
#include "tests/qo_3d/asc_text.h"
#include "tests/support/frame_model.h"
#include "tests/support/headless_show.h"
#include "tests/support/png_files.h"

namespace {

// List row r: (255 - r % 64, 255 - r / 64, 200), inverted (r % 64, r / 64, 55).
uint32_t ListColour(int32_t r) { return uint32_t(255 - r % 64) << 16 | uint32_t(255 - r / 64) << 8 | 200; }

void WriteOctahedron(const std::string& path) {
  const float r = 3;
  // One face per octant, each turning its front outwards.
  std::ofstream(path) << AscText({{r, 0, 0}, {-r, 0, 0}, {0, r, 0}, {0, -r, 0}, {0, 0, r}, {0, 0, -r}},
                                 {{0, 2, 4}, {1, 4, 2}, {0, 4, 3}, {0, 5, 2}, {1, 3, 4}, {1, 2, 5}, {0, 3, 5},
                                  {1, 5, 3}});
}

TEST(GreetzRows, PanelsFadesAndMeshAtEveryBoundary) {
  HeadlessShow world(32, HeadlessShow::Data::MadeUp);
  for (const char* dir : {"data/gfx/greetz", "data/gfx/misc", "data/msh"}) std::filesystem::create_directories(dir);
  // The credits' inverse (9B0FF5) takes more blue than the backdrop has: the
  // subtraction stops at 0 there.
  const uint32_t mark = 0x305070, backdrop = 0xC89664, head = 0xF0DCFA, credits = 0x64F00A, finale = 0x143CDC;
  WritePng("data/gfx/greetz/gz00.jpg", 512, 384, [&](int32_t, int32_t) { return backdrop; });
  WritePng("data/gfx/greetz/gz01.png", 180, 40, [&](int32_t, int32_t) { return head; });
  WritePng("data/gfx/greetz/gz02.png", 180, 1230, [](int32_t, int32_t y) { return ListColour(y); });
  WritePng("data/gfx/greetz/gz03.png", 180, 192, [&](int32_t, int32_t) { return credits; });
  WritePng("data/gfx/misc/marrowind", 512, 384, [&](int32_t, int32_t) { return finale; });
  WriteOctahedron("data/msh/geosph10.asc");
  auto scene = std::make_unique<TGreetzScene>();
  TBuffer64 white(Display, 180, 192, false);
  white.Clear(0xFFFFFFFF);
  TBuffer64 previous(Display, 512, 384, false);  // what the previous scene left
  previous.Clear(mark);

  // A picture's opacity 0..255 for a blend, or copied whole, or not drawn.
  const int32_t kCopy = 256, kNone = -1;
  enum class Panel { None, Head, ListUnderHead, Credits };
  const struct Row {
    float t;
    int32_t backdrop;
    Panel panel;
    int32_t panelY, listY;
    bool mesh;
    int32_t finale;
  } rows[] = {
      // The backdrop fades in over what was on screen, opacity t / 30.
      {30, 1, Panel::None, 0, 0, true, kNone},
      {3000, 100, Panel::None, 0, 0, true, kNone},
      {4999.5f, 167, Panel::None, 0, 0, true, kNone},
      {5000, 167, Panel::None, 0, 0, true, kNone},
      // The first panel rises from the bottom edge: 384 - round((t - 5000) / 15.63).
      {5000.5f, kCopy, Panel::Head, 384, 0, true, kNone},
      {6500, kCopy, Panel::Head, 288, 0, true, kNone},
      {7999.5f, kCopy, Panel::Head, 192, 0, true, kNone},
      {8000, kCopy, Panel::Head, 192, 0, true, kNone},
      // One row higher, the list scrolling up under the head, one row per
      // 35 units truncated: its first row reaches the panel's last at 9960.
      {8000.5f, kCopy, Panel::ListUnderHead, 191, 247, true, kNone},
      {9959.5f, kCopy, Panel::ListUnderHead, 191, 192, true, kNone},
      {9960, kCopy, Panel::ListUnderHead, 191, 191, true, kNone},
      {52999.5f, kCopy, Panel::ListUnderHead, 191, -1038, true, kNone},
      {53000, kCopy, Panel::ListUnderHead, 191, -1038, true, kNone},  // its last row in the panel's last
      // The second panel jumps out of view and rises the same way.
      {53000.5f, kCopy, Panel::Credits, 384, 0, true, kNone},
      {55999.5f, kCopy, Panel::Credits, 192, 0, true, kNone},
      {56000, kCopy, Panel::Credits, 192, 0, true, kNone},
      {56000.5f, kCopy, Panel::Credits, 191, 0, true, kNone},
      {74999.5f, kCopy, Panel::Credits, 191, 0, true, kNone},
      {75000, kCopy, Panel::Credits, 191, 0, false, kNone},  // the mesh only before 75000
      // The cross-fade to the closing picture, then the picture itself.
      {75000.5f, kNone, Panel::None, 0, 0, false, 4},
      {79999.5f, kNone, Panel::None, 0, 0, false, 4},
      {80000, kNone, Panel::None, 0, 0, false, 4},
      {80000.5f, kNone, Panel::None, 0, 0, false, kCopy},
      {100000.5f, kNone, Panel::None, 0, 0, false, kCopy},
  };

  const TRenderMode mode = scene->Mesh.RenderMode;
  for (const Row& row : rows) {
    SCOPED_TRACE("t = " + std::to_string(row.t));
    // The frame as the scene draws it, then once more without the mesh
    // (modes above 7 draw nothing): the two differ only by the mesh.
    scene->Mesh.RenderMode = mode;
    ScreenBuffer->Clear(mark);
    scene->DrawFrame(row.t);
    const FrameModel withMesh(*ScreenBuffer);
    scene->Mesh.RenderMode = TRenderMode(8);
    ScreenBuffer->Clear(mark);
    scene->DrawFrame(row.t);

    FrameModel panel(white);
    if (row.panel == Panel::ListUnderHead) panel.Copy(*scene->Greet2, 0, row.listY);
    if (row.panel == Panel::Head || row.panel == Panel::ListUnderHead) panel.Copy(*scene->Greet1, 0, 0);
    if (row.panel == Panel::Credits) panel.Copy(*scene->Greet3, 0, 0);
    if (row.panel != Panel::None) panel.Invert();

    FrameModel want(previous);
    for (auto [picture, opacity] :
         {std::pair{scene->Backdrop.get(), row.backdrop}, {scene->Finale.get(), row.finale}}) {
      if (opacity == kCopy) want.Copy(*picture, 0, 0);
      else if (opacity != kNone) want.Blend(*picture, 0, 0, uint8_t(opacity));
    }
    if (row.panel != Panel::None) want.Sub(panel, 300, row.panelY);

    std::string where;
    EXPECT_EQ(panel.Mismatches(*scene->Panel, &where), 0) << "panel:" << where;
    where.clear();
    EXPECT_EQ(want.Mismatches(*ScreenBuffer, &where), 0) << "screen:" << where;

    // The mesh in the greys of its lit faces, over everything else, around
    // the point its origin projects to, (384, 96).
    int32_t meshPixels = 0, astray = 0, notGrey = 0;
    std::set<uint32_t> greys;
    for (int32_t y = 0; y < 384; ++y)
      for (int32_t x = 0; x < 512; ++x) {
        const uint32_t m = withMesh.At(x, y);
        if (m == (ReadPixel(*ScreenBuffer, x, y) & 0xFFFFFF)) continue;
        ++meshPixels;
        astray += std::abs(x - 384) > 40 || std::abs(y - 96) > 40;
        notGrey += m != (m & 255) * 0x010101;
        greys.insert(m);
      }
    EXPECT_EQ(meshPixels > 0, row.mesh) << meshPixels;
    EXPECT_EQ(astray, 0);
    EXPECT_EQ(notGrey, 0);
    if (row.mesh) {
      EXPECT_NE(withMesh.At(384, 96), ReadPixel(*ScreenBuffer, 384, 96) & 0xFFFFFF);
      EXPECT_GT(greys.size(), 1u);  // lit faces, not one fill colour
    }
  }
}

}  // namespace
