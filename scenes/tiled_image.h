// TImageT64: a buffer filled by repeating one picture, for scrolling
// backgrounds.
#pragma once

#include <cstdint>
#include <string>

#include "Zentra2/buffer.h"

class TImageT64 : public TBuffer64 {
public:
  // A `width` x `height` buffer in system memory, tiled from the picture in
  // `fileName` starting at the top-left corner; tiles that overhang the right
  // or bottom edge are clipped. Keeps the music hold going between tiles.
  TImageT64(TZentra* display, const std::string& fileName, int32_t width, int32_t height);
};
