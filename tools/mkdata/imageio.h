// Saving pictures as PNG or JPEG, and reading them back (for the contact sheet and the checks).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster.h"

namespace mkdata {

// 8-bit RGB pixels, rows top to bottom.
struct Pixels {
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  std::vector<uint8_t> alpha;  // empty: opaque; else one value per pixel, saved as RGBA
  const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * w + x) * 3]; }
};

// Rounds to 8 bits; with dither a tiny fixed noise pattern hides banding in dark gradients.
Pixels Quantise(const Image& img, bool dither);

// Both return false (and leave no file behind) when writing fails.
bool WritePng(const std::string& path, const Pixels& pix);
bool WriteJpeg(const std::string& path, const Pixels& pix, int quality);

// Decodes a PNG or JPEG file, recognised by its first bytes. Returns false on any error.
bool ReadImageFile(const std::string& path, Pixels& out, std::string* error = nullptr);

Image ToImage(const Pixels& pix);

}  // namespace mkdata
