// Antialiased text with FreeType, for titles, lists and credits.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "raster.h"

namespace mkdata {

enum class Face { Sans, SansBold, SerifItalic, Mono, Light };

// A font file the pictures are drawn with, relative to the font folder, and the Debian
// package that ships it.
struct FontFile {
  const char* name;
  const char* package;
};
std::vector<FontFile> FontFiles();
// The folder is /usr/share/fonts/truetype, or $MKDATA_FONT_DIR when set (for tests).
std::string FontPath(const FontFile& file);
std::string MissingFontMessage(const FontFile& file);
// Throws std::runtime_error naming the first missing file and its package.
void RequireFonts();

class Font {
 public:
  // Throws std::runtime_error when the face's file cannot be opened.
  Font(Face face, float pixelSize);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  float Width(const std::string& text, float spacing = 0) const;
  // Draws text with its baseline at y; alpha-blends colour by glyph coverage.
  // Returns the pen position after the last glyph.
  float Draw(Image& img, float x, float y, const std::string& text, Rgb colour, float alpha = 1,
             float spacing = 0) const;
  // Same, but adds the colour (for glowing titles on dark pictures).
  float Add(Image& img, float x, float y, const std::string& text, Rgb colour, float spacing = 0) const;
  // Draws centred on x.
  void DrawCentred(Image& img, float cx, float y, const std::string& text, Rgb colour, float alpha = 1,
                   float spacing = 0) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  float Render(Image* img, float x, float y, const std::string& text, Rgb colour, float alpha, float spacing,
               bool additive) const;
};

}  // namespace mkdata
