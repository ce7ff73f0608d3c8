#include "icons.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "imageio.h"
#include "pictures.h"

namespace mkdata {

bool WriteIcons(const std::string& hicolorDir) {
  for (int size : kIconSizes) {
    std::vector<float> coverage;
    Pixels pix = Quantise(AppIcon(size, &coverage), false);
    pix.alpha.resize(coverage.size());
    for (size_t i = 0; i < coverage.size(); ++i) pix.alpha[i] = uint8_t(std::lround(coverage[i] * 255.0f));
    const std::string size_name = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path dir = std::filesystem::path(hicolorDir) / size_name / "apps";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !WritePng((dir / "quietorbit.png").string(), pix)) {
      std::fprintf(stderr, "mkdata: cannot write the %s icon into %s\n", size_name.c_str(), dir.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace mkdata
