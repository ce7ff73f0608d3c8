#include "platform/fonts.h"

#include "platform/font_files.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform {

struct Font::Face {
  FT_Face face = nullptr;
  ~Face() {
    if (face) FT_Done_Face(face);
  }
};

namespace {

// Default size when a height of 0 asks for none, and the largest cell served.
constexpr int32_t kDefaultCell = 16;
constexpr int32_t kMaxCell = 1024;

// One FreeType library for the whole run; it lives until the process ends.
FT_Library Library() {
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
    return lib;
  }();
  return library;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

const char* SubstituteFor(const std::string& family) {
  const std::string name = Lower(family);
  if (name == "arial" || name == "helvetica") return "Liberation Sans";
  if (name == "verdana" || name == "tahoma") return "DejaVu Sans";
  if (name == "times new roman") return "Liberation Serif";
  if (name == "courier new") return "Liberation Mono";
  return nullptr;
}

std::shared_ptr<Font> Font::Create(const std::string& family, int32_t cellHeight) {
  FT_Library library = Library();
  if (!library) return nullptr;
  for (const FontFile& c : FontFilesFor(family)) {
    auto face = std::make_unique<Face>();
    if (FT_New_Face(library, c.path.c_str(), c.index, &face->face) != 0) continue;
    FT_Face f = face->face;
    if (!FT_IS_SCALABLE(f) || f->units_per_EM == 0) continue;
    FT_Select_Charmap(f, FT_ENCODING_UNICODE);

    // The cell is the Windows ascent plus descent; fonts without them use
    // the horizontal header's, and failing that the em square.
    double winAscent = 0, winSum = 0;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
      winAscent = os2->usWinAscent;
      winSum = double(os2->usWinAscent) + os2->usWinDescent;
    }
    if (winSum <= 0 && f->ascender - f->descender > 0) {
      winAscent = f->ascender;
      winSum = double(f->ascender) - f->descender;
    }
    if (winSum <= 0) {
      winAscent = 0.8 * f->units_per_EM;
      winSum = f->units_per_EM;
    }
    double cell = cellHeight > 0 ? cellHeight : cellHeight < 0 ? -double(cellHeight) * winSum / f->units_per_EM
                                                             : kDefaultCell;
    cell = std::clamp(cell, 1.0, double(kMaxCell));
    const double em = cell * f->units_per_EM / winSum;
    FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_NOMINAL, 0, FT_Long(std::lround(em * 64)), 0, 0};
    if (FT_Request_Size(f, &request) != 0) continue;

    std::shared_ptr<Font> font(new Font());
    font->face_ = std::move(face);
    font->cellHeight_ = int32_t(std::lround(cell));
    font->ascent_ = int32_t(std::lround(cell * winAscent / winSum));
    font->emboldenOutline_ = !c.bold;
    font->family_ = c.family;
    font->style_ = c.style;
    font->glyphs_.resize(256);
    font->loaded_.assign(256, false);
    return font;
  }
  return nullptr;
}

std::shared_ptr<Font> Font::Default() {
  static std::shared_ptr<Font> font = Create("", kDefaultCell);
  return font;
}

Font::~Font() = default;

const GlyphBitmap& Font::Glyph(uint8_t ch) {
  GlyphBitmap& g = glyphs_[ch];
  if (loaded_[ch]) return g;
  loaded_[ch] = true;
  // Control characters (C0 and C1) draw nothing and take no room.
  if (ch < 0x20 || (ch >= 0x7F && ch < 0xA0)) return g;
  FT_Face f = face_->face;
  // Latin-1 bytes are the first 256 Unicode code points.
  FT_UInt index = FT_Get_Char_Index(f, ch);
  if (FT_Load_Glyph(f, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return g;
  if (emboldenOutline_) FT_GlyphSlot_Embolden(f->glyph);
  if (FT_Render_Glyph(f->glyph, FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& bm = f->glyph->bitmap;
  g.advance = int32_t((f->glyph->advance.x + 32) >> 6);
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.num_grays != 256) return g;
  g.left = f->glyph->bitmap_left;
  g.top = f->glyph->bitmap_top;
  g.width = int32_t(bm.width);
  g.rows = int32_t(bm.rows);
  g.coverage.resize(size_t(g.width) * size_t(g.rows));
  for (int32_t y = 0; y < g.rows; ++y) {
    const unsigned char* src = bm.pitch >= 0 ? bm.buffer + ptrdiff_t(y) * bm.pitch
                                             : bm.buffer + ptrdiff_t(g.rows - 1 - y) * -bm.pitch;
    std::memcpy(g.coverage.data() + size_t(y) * size_t(g.width), src, size_t(g.width));
  }
  return g;
}

}  // namespace platform
