// Where the font files come from: fontconfig on a desktop (platform/native),
// the two faces shipped with the page in a browser (platform/web).
#pragma once

#include <string>
#include <vector>

namespace platform {

struct FontFile {
  std::string path, family, style;
  int index = 0;      // face index within the file
  bool bold = false;  // a real bold face; otherwise bold is synthesized
};

// The faces to try for a bold `family`, best first: the family, its
// substitute, then any sans face. Only scalable faces.
std::vector<FontFile> FontFilesFor(const std::string& family);

// Metric-compatible or look-alike family for the Windows faces the show
// names, or null.
const char* SubstituteFor(const std::string& family);

}  // namespace platform
