// mkdata: writes the show's default data tree (pictures, meshes, music).
//
//   mkdata [-v] <datadir>                      generate, unless already up to date
//   mkdata --force [-v] <datadir>              generate even when up to date
//   mkdata --contact-sheet <out.png> <datadir> one labelled overview of every picture
//   mkdata --previews <outdir> <datadir>       full-size previews of the composed screens
//   mkdata --icons <hicolordir>                the desktop icons, in an icon theme's layout
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "generate.h"
#include "icons.h"

int main(int argc, char** argv) {
  bool force = false, verbose = false;
  std::string sheet, previews, icons, dir;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--force")) force = true;
    else if (!strcmp(argv[i], "-v")) verbose = true;
    else if (!strcmp(argv[i], "--contact-sheet") && i + 1 < argc) sheet = argv[++i];
    else if (!strcmp(argv[i], "--previews") && i + 1 < argc) previews = argv[++i];
    else if (!strcmp(argv[i], "--icons") && i + 1 < argc) icons = argv[++i];
    else if (dir.empty() && argv[i][0] != '-') dir = argv[i];
    else {
      fprintf(stderr, "mkdata: unknown argument %s\n", argv[i]);
      dir.clear();
      icons.clear();
      break;
    }
  }
  if (dir.empty() && icons.empty()) {
    fprintf(stderr,
            "usage: mkdata [--force] [-v] <datadir>\n       mkdata --contact-sheet <out.png> <datadir>\n"
            "       mkdata --icons <hicolordir>\n");
    return 2;
  }
  try {
    if (!icons.empty()) return mkdata::WriteIcons(icons) ? 0 : 1;
    if (!sheet.empty()) return mkdata::WriteContactSheet(dir, sheet) ? 0 : 1;
    if (!previews.empty()) return mkdata::WritePreviews(dir, previews) ? 0 : 1;
    if (!force && mkdata::UpToDate(dir)) {
      if (verbose) fprintf(stderr, "mkdata: %s is up to date\n", dir.c_str());
      return 0;
    }
    return mkdata::Generate(dir, verbose) ? 0 : 1;
  } catch (const std::exception& e) {
    fprintf(stderr, "mkdata: %s\n", e.what());
    return 1;
  }
}
