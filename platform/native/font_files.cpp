// Font lookup through fontconfig.
#include "platform/font_files.h"

#include <fontconfig/fontconfig.h>

#include <cstdlib>

namespace platform {

namespace {

// Fontconfig is set up once and shut down at exit, which frees its
// configuration (leak checkers would otherwise report it).
bool FontconfigReady() {
  static const bool ready = [] {
    if (!FcInit()) return false;
    std::atexit(FcFini);
    return true;
  }();
  return ready;
}

std::string PatternString(FcPattern* p, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(p, object, 0, &value) != FcResultMatch || !value) return {};
  return reinterpret_cast<const char*>(value);
}

}  // namespace

// Fontconfig's ranking of the faces for the request, all in bold.
std::vector<FontFile> FontFilesFor(const std::string& family) {
  std::vector<FontFile> out;
  if (!FontconfigReady()) return out;
  FcPattern* pattern = FcPatternCreate();
  if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  if (const char* sub = SubstituteFor(family))
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(sub));
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  FcPatternDestroy(pattern);
  if (!set) return out;
  for (int i = 0; i < set->nfont && out.size() < 8; ++i) {
    FcPattern* p = set->fonts[i];
    FcBool outline = FcFalse;
    if (FcPatternGetBool(p, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline) continue;
    FontFile f;
    f.path = PatternString(p, FC_FILE);
    f.family = PatternString(p, FC_FAMILY);
    f.style = PatternString(p, FC_STYLE);
    FcPatternGetInteger(p, FC_INDEX, 0, &f.index);
    int weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(p, FC_WEIGHT, 0, &weight);
    f.bold = weight >= FC_WEIGHT_DEMIBOLD;
    if (!f.path.empty()) out.push_back(std::move(f));
  }
  FcFontSetDestroy(set);
  return out;
}

}  // namespace platform
