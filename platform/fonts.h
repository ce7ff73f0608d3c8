// Bold antialiased fonts for the buffers' text, through fontconfig and FreeType.
//
// A font is asked for by family name and cell height, the way the show asks
// for "Arial" 12 and "Verdana" 16: the em size is chosen so that the face's
// Windows ascent plus descent fill the cell exactly, and the baseline lies
// `Ascent()` pixels below the cell's top. Families missing on the machine are
// substituted (Arial by Liberation Sans, Verdana by DejaVu Sans, then any sans
// face); the family really used is logged once per requested name on stderr.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// One rasterized character: 8-bit coverage placed relative to the pen.
struct GlyphBitmap {
  int32_t left = 0;     // columns from the pen position to the bitmap's first column
  int32_t top = 0;      // rows from the bitmap's first row down to the baseline
  int32_t width = 0, rows = 0;
  int32_t advance = 0;  // pixels from this pen position to the next
  std::vector<uint8_t> coverage;  // width x rows, 0 = empty, 255 = fully covered
};

class Font {
public:
  // The bold face closest to `family` whose cell is `cellHeight` pixels
  // (a negative height gives the em size instead, as the platform's font
  // renderer does; 0 a default size). Null only when the machine has no
  // usable scalable font at all.
  static std::shared_ptr<Font> Create(const std::string& family, int32_t cellHeight);
  // The face drawn by buffers that never chose one.
  static std::shared_ptr<Font> Default();

  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  int32_t CellHeight() const { return cellHeight_; }
  // Pixels from the top of the cell down to the baseline.
  int32_t Ascent() const { return ascent_; }
  // The family and style fontconfig really returned ("Liberation Sans", "Bold").
  const std::string& Family() const { return family_; }
  const std::string& Style() const { return style_; }

  // The glyph of a Latin-1 character, rasterized on first use and kept.
  const GlyphBitmap& Glyph(uint8_t ch);

private:
  struct Face;
  Font() = default;
  std::unique_ptr<Face> face_;
  int32_t cellHeight_ = 0, ascent_ = 0;
  bool emboldenOutline_ = false;
  std::string family_, style_;
  std::vector<GlyphBitmap> glyphs_;
  std::vector<bool> loaded_;
};

}  // namespace platform
