#include "text.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace mkdata {

namespace {

// Each face is one exact file: a substitute would change the pictures, and with them every
// frame that shows one, from machine to machine.
FontFile FileOf(Face face) {
  switch (face) {
    case Face::Sans: return {"liberation/LiberationSans-Regular.ttf", "fonts-liberation"};
    case Face::SansBold: return {"liberation/LiberationSans-Bold.ttf", "fonts-liberation"};
    case Face::SerifItalic: return {"liberation/LiberationSerif-Italic.ttf", "fonts-liberation"};
    case Face::Mono: return {"dejavu/DejaVuSansMono.ttf", "fonts-dejavu-core"};
    case Face::Light: return {"dejavu/DejaVuSans-ExtraLight.ttf", "fonts-dejavu-extra"};
  }
  return {};
}

// Decodes one UTF-8 code point and advances i.
uint32_t NextCodePoint(const std::string& s, size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
  uint32_t cp = c & (0x3F >> extra);
  for (int k = 0; k < extra && i < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  return cp;
}

}  // namespace

std::vector<FontFile> FontFiles() {
  std::vector<FontFile> files;
  for (Face f : {Face::Sans, Face::SansBold, Face::SerifItalic, Face::Mono, Face::Light}) files.push_back(FileOf(f));
  return files;
}

std::string FontPath(const FontFile& file) {
  const char* dir = std::getenv("MKDATA_FONT_DIR");
  return std::string(dir && *dir ? dir : "/usr/share/fonts/truetype") + "/" + file.name;
}

std::string MissingFontMessage(const FontFile& file) {
  return "cannot open the font " + FontPath(file) + "; it comes with the Debian package " + file.package +
         " (./setup.sh installs it)";
}

void RequireFonts() {
  for (const FontFile& f : FontFiles())
    if (!std::filesystem::is_regular_file(FontPath(f))) throw std::runtime_error(MissingFontMessage(f));
}

struct Font::Impl {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
};

Font::Font(Face face, float pixelSize) : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->lib) != 0) throw std::runtime_error("FreeType does not start");
  FontFile file = FileOf(face);
  std::string path = FontPath(file);
  if (FT_New_Face(impl_->lib, path.c_str(), 0, &impl_->face) != 0) {
    impl_->face = nullptr;
    FT_Done_FreeType(impl_->lib);
    throw std::runtime_error(MissingFontMessage(file));
  }
  FT_Set_Char_Size(impl_->face, 0, FT_F26Dot6(pixelSize * 64), 72, 72);
}

Font::~Font() {
  if (impl_->face) FT_Done_Face(impl_->face);
  if (impl_->lib) FT_Done_FreeType(impl_->lib);
}

float Font::Width(const std::string& text, float spacing) const {
  return Render(nullptr, 0, 0, text, {}, 0, spacing, false);
}

float Font::Draw(Image& img, float x, float y, const std::string& text, Rgb colour, float alpha,
                 float spacing) const {
  return Render(&img, x, y, text, colour, alpha, spacing, false);
}

float Font::Add(Image& img, float x, float y, const std::string& text, Rgb colour, float spacing) const {
  return Render(&img, x, y, text, colour, 1, spacing, true);
}

void Font::DrawCentred(Image& img, float cx, float y, const std::string& text, Rgb colour, float alpha,
                       float spacing) const {
  Render(&img, cx - Width(text, spacing) * 0.5f, y, text, colour, alpha, spacing, false);
}

float Font::Render(Image* img, float x, float y, const std::string& text, Rgb colour, float alpha, float spacing,
                   bool additive) const {
  FT_Face f = impl_->face;
  bool kerning = FT_HAS_KERNING(f);
  FT_UInt prev = 0;
  float pen = x;
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = NextCodePoint(text, i);
    FT_UInt glyph = FT_Get_Char_Index(f, cp);
    if (kerning && prev && glyph) {
      FT_Vector delta;
      FT_Get_Kerning(f, prev, glyph, FT_KERNING_DEFAULT, &delta);
      pen += float(delta.x) / 64.0f;
    }
    prev = glyph;
    // Subpixel pen positions: shift the outline so spacing stays even at small sizes.
    float frac = pen - std::floor(pen);
    FT_Vector shift{FT_Pos(frac * 64), 0};
    FT_Set_Transform(f, nullptr, &shift);
    if (FT_Load_Glyph(f, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) continue;
    FT_GlyphSlot g = f->glyph;
    if (img) {
      int ox = int(std::floor(pen)) + g->bitmap_left;
      int oy = int(std::lround(y)) - g->bitmap_top;
      for (unsigned r = 0; r < g->bitmap.rows; ++r)
        for (unsigned c = 0; c < g->bitmap.width; ++c) {
          float cov = g->bitmap.buffer[r * unsigned(g->bitmap.pitch) + c] / 255.0f;
          if (cov <= 0) continue;
          int px = ox + int(c), py = oy + int(r);
          if (additive)
            img->add(px, py, colour * cov);
          else
            img->blend(px, py, colour, cov * alpha);
        }
    }
    pen += float(g->advance.x) / 64.0f + spacing;
  }
  FT_Set_Transform(f, nullptr, nullptr);
  return pen;
}

}  // namespace mkdata
