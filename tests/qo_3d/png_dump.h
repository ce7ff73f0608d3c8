// Writes a buffer as an RGB PNG file, for looking at what a test drew.
// Only when the QO_DUMP_DIR environment variable names a folder.
#pragma once

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Zentra2/buffer.h"

inline uint32_t ReadPixel(const TBuffer64& buf, int32_t x, int32_t y) {
  const uint8_t* p = buf.Rows[size_t(y)] + size_t(x) * buf.BytesPerPixel;
  switch (buf.BytesPerPixel) {
    case 2: return uint32_t(p[0] | p[1] << 8);
    case 3: return uint32_t(p[0] | p[1] << 8 | p[2] << 16);
    case 4: return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24);
    default: return 0;
  }
}

inline bool WritePng(const TBuffer64& buf, const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(buf.Width), png_uint_32(buf.Height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(buf.Width) * 3);
  for (int32_t y = 0; y < buf.Height; ++y) {
    for (int32_t x = 0; x < buf.Width; ++x) {
      uint8_t r, g, b;
      SplitColor(ReadPixel(buf, x, y), r, g, b);
      row[size_t(x) * 3] = r, row[size_t(x) * 3 + 1] = g, row[size_t(x) * 3 + 2] = b;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return true;
}

// Writes `name`.png into QO_DUMP_DIR when that is set.
inline void DumpPng(const TBuffer64& buf, const std::string& name) {
  if (const char* dir = std::getenv("QO_DUMP_DIR")) WritePng(buf, std::string(dir) + "/" + name + ".png");
}
