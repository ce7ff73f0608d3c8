// Writes a buffer as an RGB PNG file, for looking at what a test drew.
// Only when the QO_DUMP_DIR environment variable names a folder.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Zentra2/buffer.h"
#include "pngwrite/png_writer.h"
#include "tests/support/pixels.h"

inline bool WritePng(const TBuffer64& buf, const std::string& path) {
  std::vector<uint8_t> rgb(size_t(buf.Width) * size_t(buf.Height) * 3);
  uint8_t* out = rgb.data();
  for (int32_t y = 0; y < buf.Height; ++y)
    for (int32_t x = 0; x < buf.Width; ++x, out += 3) SplitColor(ReadPixel(buf, x, y), out[0], out[1], out[2]);
  return pngwrite::WriteRgb(path, buf.Width, buf.Height, rgb.data(), size_t(buf.Width) * 3);
}

// Writes `name`.png into QO_DUMP_DIR when that is set.
inline void DumpPng(const TBuffer64& buf, const std::string& name) {
  if (const char* dir = std::getenv("QO_DUMP_DIR")) WritePng(buf, std::string(dir) + "/" + name + ".png");
}
