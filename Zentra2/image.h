// TImage64: a pixel buffer filled from an image file when it is made.
//
// Loading itself belongs to every buffer (TBuffer64::LoadFromFile and
// LoadFromStream, image.cpp): the type is told by the first bytes only (JPEG,
// BMP, PNG in that order), the picture is decoded to 8-bit RGB, the surface
// is made the picture's size when it differs, and the pixels are converted
// into the buffer's depth keeping the high bits of each channel as MakeColor does.
#pragma once

#include <string>

#include "Zentra2/buffer.h"

class TImage64 : public TBuffer64 {
public:
  TImage64(TZentra* display, const std::string& fileName, bool videoMemory);
};

// Largest picture a loader accepts: a damaged or hostile header must not make
// the program allocate gigabytes. The show's own pictures are far smaller.
inline constexpr int32_t kMaxImageSide = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t(1) << 24;
