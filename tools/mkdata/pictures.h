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

// Loading-screen layout, shared with the preview on the contact sheet.
constexpr int kLogoWidth = 456, kLogoHeight = 360;

}  // namespace mkdata
