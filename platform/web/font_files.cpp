// Font lookup in a browser: no fontconfig, only the two bold faces the page
// ships in its data package (the ones the desktop picks for the show's "Arial"
// and "Verdana"). The same substitution applies; anything else falls back to
// the sans face, as fontconfig's "sans-serif" does.
#include "platform/font_files.h"

namespace platform {

std::vector<FontFile> FontFilesFor(const std::string& family) {
  const FontFile liberation{"/fonts/LiberationSans-Bold.ttf", "Liberation Sans", "Bold", 0, true};
  const FontFile dejavu{"/fonts/DejaVuSans-Bold.ttf", "DejaVu Sans", "Bold", 0, true};
  const char* sub = SubstituteFor(family);
  if ((sub ? sub : family) == liberation.family) return {liberation, dejavu};
  return {dejavu, liberation};
}

}  // namespace platform
