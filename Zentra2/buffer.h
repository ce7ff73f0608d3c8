// TBuffer64: the one drawing surface of the show. The frame, every scene
// layer, every picture and sprite is one.
//
// A buffer wraps one surface of the display's pixel format. It is locked once
// after the surface is made, to learn the address of its pixels and its row
// pitch; from then on all software drawing goes through `Rows`, while fills
// and copies go through the surface's own operations.
//
// Copy operations are called on the source with the destination first
// (Particles[0]->DrawAdd(ScreenBuffer, x, y)); (X, Y) is where the source's
// top-left pixel lands. Every operation clips by itself; a missing (null)
// destination draws nothing.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "platform/pixel_format.h"

namespace platform {
class Surface;
class DisplayDevice;
class Font;
}  // namespace platform

class TZentra;

// One polygon corner: seven 32-bit slots. U and V are in texels, Color a
// pixel value of the display's format.
struct TPolyVertex {
  float X = 0, Y = 0;
  int32_t Reserved1 = 0;
  float U = 0, V = 0;
  int32_t Reserved2 = 0;
  uint32_t Color = 0;
};

class TBuffer64 {
public:
  // A buffer of the given size on `display`, cleared to 0. A video-memory
  // surface that cannot be had falls back to system memory.
  TBuffer64(TZentra* display, int32_t width, int32_t height, bool videoMemory);
  virtual ~TBuffer64();
  TBuffer64(const TBuffer64&) = delete;
  TBuffer64& operator=(const TBuffer64&) = delete;

  // ---- core (buffer.cpp) ----
  void ReleaseSurface();
  void RestoreSurfaces();
  void LockSurface();
  void UnlockSurface();
  void Clear(uint32_t color);
  // Hardware colour fill of [x1, x2) x [y1, y2), retried while the surface is
  // busy; a lost surface is restored and the fill dropped. The rectangle must
  // lie inside the buffer.
  void HardwareFill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color);
  [[noreturn]] void BufferError(const std::string& operation, const std::string& text);

  // ---- surface copies and presenting (blit.cpp) ----
  void Flip(bool waitRetrace);
  void Draw(TBuffer64* dest, int32_t x, int32_t y);
  void DrawKeyed(TBuffer64* dest, int32_t x, int32_t y, uint32_t key);
  void DrawRect(TBuffer64* dest, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x, int32_t y);

  // ---- blend and copy family (blend.cpp) ----
  void DrawAdd(TBuffer64* dest, int32_t x, int32_t y);
  void DrawSub(TBuffer64* dest, int32_t x, int32_t y);
  void DrawXor(TBuffer64* dest, int32_t x, int32_t y);
  void DrawAlpha(TBuffer64* dest, int32_t x, int32_t y, uint8_t alpha);
  void DrawAlphaKeyed(TBuffer64* dest, int32_t x, int32_t y, uint8_t alpha, uint32_t key);
  void DrawMasked(TBuffer64* dest, int32_t x, int32_t y);
  void Blur();
  void BlurFast();
  void Invert();

  // ---- primitives (primitives.cpp) ----
  void PutPixel(int32_t x, int32_t y, uint32_t color);
  uint32_t GetPixel(int32_t x, int32_t y) const;
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color);
  // Clips the segment to the buffer in place; true when nothing is left.
  bool ClipLine(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) const;
  void HLine(int32_t x1, int32_t x2, int32_t y, uint32_t color);
  void VLine(int32_t y1, int32_t y2, int32_t x, uint32_t color);
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color);
  void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color);
  void FillCircle(int32_t cx, int32_t cy, int32_t radius, uint32_t color);
  void DrawRotated(TBuffer64* dest, int32_t cx, int32_t cy, float zoom, float angle);

  // ---- polygon fillers (polyfill.cpp) ----
  void FillPoly(const TPolyVertex* vertices, int32_t count, uint32_t color);
  void GouraudPoly(const TPolyVertex* vertices, int32_t count);
  void TexturePoly(TBuffer64* texture, const TPolyVertex* vertices, int32_t count);

  // ---- text (text.cpp) ----
  void SetFont(const std::string& faceName, int32_t height);
  void DrawText(int32_t x, int32_t y, const std::string& text, uint32_t color);

  // ---- image loading (image.cpp) ----
  // While the show keeps what it loads (Zentra2/kept.h), a file loaded
  // before at the same depth is copied from memory instead.
  void LoadFromFile(const std::string& fileName, bool videoMemory);
  // `fileName`: the file the stream reads, named on stderr when it fails.
  void LoadFromStream(std::istream& stream, bool videoMemory, const std::string& fileName = "");

  // ---- fields ----
  uint8_t* Bits = nullptr;
  int32_t Width = 0, Height = 0;
  int32_t CenterX = 0, CenterY = 0;
  int32_t MaxX = -1, MaxY = -1;
  int32_t Pitch = 0;
  uint8_t BytesPerPixel = 0;
  uint8_t BitsPerPixel = 0;
  std::vector<uint8_t*> Rows;
  uint32_t Handle = 0;  // the display's window
  int32_t DisplayWidth = 0, DisplayHeight = 0;
  int32_t BitDepth = 0;
  std::shared_ptr<platform::DisplayDevice> DirectDraw;
  std::shared_ptr<platform::Surface> PrimarySurface, BackSurface;
  std::shared_ptr<platform::Surface> Surface;
  bool Fullscreen = false;
  bool VideoMemory = false;
  // Scratch memory of the polygon fillers: 12 integers per row (two sides of
  // column, three colour channels and two texel coordinates), sized whenever
  // the surface is (re)made so that no polygon allocates.
  std::vector<int32_t> EdgeTable;
  std::shared_ptr<platform::Font> Font;

protected:
  // Makes `Surface` of the given size in the display's format (system memory
  // fallback); BufferError when that fails too.
  void CreateSurface(int32_t width, int32_t height, bool videoMemory);
  // A surface of `width` x `height` in the memory asked for: the one there if
  // it fits, else a new one cleared to 0.
  void FitSurface(int32_t width, int32_t height, bool videoMemory);
  // Opens, reads and decodes the file.
  void ReadFromFile(const std::string& fileName, bool videoMemory);
  TZentra* display_ = nullptr;
};

// ---- colours (buffer.cpp) ----
// Pixel value for DisplayDepth from 8-bit channels, and back.
uint32_t MakeColor(uint8_t r, uint8_t g, uint8_t b);
void SplitColor(uint32_t pixel, uint8_t& r, uint8_t& g, uint8_t& b);
// A Single intensity (usually 0..255) to an opacity byte for the blends.
uint8_t ColorComponent(float value);

// Channel packing for the two-byte depths, and 5/6-bit channels stretched
// back to 0..255 (floor(v * 255 / 31) and floor(v * 255 / 63)).
using platform::pixel::Expand5;
using platform::pixel::Expand6;
using platform::pixel::Pack15B;
using platform::pixel::Pack15G;
using platform::pixel::Pack15R;
using platform::pixel::Pack16B;
using platform::pixel::Pack16G;
using platform::pixel::Pack16R;
