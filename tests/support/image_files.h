// Small picture files made in memory, for the loader tests and the fuzzer's seeds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testimg {

struct Rgba {
  uint8_t r, g, b, a;
};

// A picture of w x h pixels, row-major, top row first.
struct Pixels {
  int w = 0, h = 0;
  std::vector<Rgba> px;
  Rgba At(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

// A colourful test pattern with every channel value spread over the range.
Pixels Pattern(int w, int h, bool withAlpha = false);
// One flat colour.
Pixels Flat(int w, int h, Rgba c);

enum class PngKind { Rgb8, Rgba8, Grey8, GreyAlpha8, Grey2, Palette8, PaletteAlpha, Rgb16 };

// A PNG file of the picture in the given layout (grey layouts use the red
// channel; 16-bit channels carry the 8-bit value in their high byte).
std::string EncodePng(const Pixels& p, PngKind kind, bool interlaced = false);
std::string EncodeJpeg(const Pixels& p, int quality = 95, bool progressive = false);
// A `w` x `h` four-channel JPEG of one colour: the channel values `cmyk` as
// stored, as CMYK or (`ycck`) YCCK, with or without Adobe's APP14 marker.
std::string EncodeCmykJpeg(int w, int h, const uint8_t cmyk[4], bool ycck, bool adobeMarker);
// A 24-bit Windows bitmap, written by hand (rows bottom-up unless `topDown`).
std::string EncodeBmp(const Pixels& p, bool topDown = false);

}  // namespace testimg
