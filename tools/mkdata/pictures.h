// Every picture of the show: where it goes and how it is painted.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "raster.h"

namespace mkdata {

enum class Format { Png, Jpeg };

struct PictureAsset {
  std::string path;  // relative to the data folder
  Format format;
  bool dither;       // off for panels whose flat colours must stay exact
  std::function<Image()> paint;
};

const std::vector<PictureAsset>& Pictures();

// The program's desktop icon, `size` pixels square, from the loading logo's
// art; `coverage` gets each pixel's opacity (the rounded corners).
Image AppIcon(int size, std::vector<float>* coverage);

// Loading-screen layout, shared with the preview on the contact sheet.
constexpr int kLogoWidth = 456, kLogoHeight = 360;

}  // namespace mkdata
