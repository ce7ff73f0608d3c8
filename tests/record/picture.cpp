#include "tests/record/picture.h"

#include <png.h>

#include "pngwrite/png_writer.h"

namespace fs = std::filesystem;

Picture ReadPng(const fs::path& path) {
  Picture p;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
  image.format = PNG_FORMAT_RGB;
  p.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) return {};
  p.width = int(image.width);
  p.height = int(image.height);
  return p;
}

bool WritePng(const fs::path& path, const Picture& picture) {
  return pngwrite::WriteRgb(path.string(), picture.width, picture.height, picture.rgb.data(),
                            size_t(picture.width) * 3);
}

uint64_t PixelHash(const Picture& picture) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (uint8_t b : picture.rgb) h = (h ^ b) * 1099511628211ull;
  return h;
}
