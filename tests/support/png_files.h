// PNG files in tests: made-up pictures drawn by a function, buffers written
// as they are, and dumps of what a test drew for looking at.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Zentra2/buffer.h"
#include "pngwrite/png_writer.h"
#include "tests/support/pixels.h"

// An 8-bit RGB picture: rgb(x, y) returns 0xRRGGBB. Throws when the file
// cannot be written.
inline void WritePng(const std::string& path, int32_t width, int32_t height,
                     const std::function<uint32_t(int32_t, int32_t)>& rgb) {
  std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 3);
  uint8_t* out = pixels.data();
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x, out += 3) {
      const uint32_t c = rgb(x, y);
      out[0] = uint8_t(c >> 16);
      out[1] = uint8_t(c >> 8);
      out[2] = uint8_t(c);
    }
  std::string error;
  if (!pngwrite::WriteRgb(path, width, height, pixels.data(), size_t(width) * 3, -1, &error))
    throw std::runtime_error(error);
}

// A buffer of any depth as an RGB picture, read straight from its rows.
inline void WritePng(const TBuffer64& buf, const std::string& path) {
  WritePng(path, buf.Width, buf.Height, [&](int32_t x, int32_t y) {
    uint8_t r, g, b;
    SplitColor(ReadPixel(buf, x, y), r, g, b);
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
  });
}

// Writes `name`.png into QO_DUMP_DIR when that is set.
inline void DumpPng(const TBuffer64& buf, const std::string& name) {
  if (const char* dir = std::getenv("QO_DUMP_DIR")) WritePng(buf, std::string(dir) + "/" + name + ".png");
}
