#include "pngwrite/png_writer.h"

#include <png.h>

#include <cstdio>

namespace pngwrite {

namespace {

struct Session {
  std::string* out;
  std::string message;
};

void OnError(png_structp png, png_const_charp message) {
  static_cast<Session*>(png_get_error_ptr(png))->message = message;
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

void Append(png_structp png, png_bytep data, size_t n) {
  static_cast<Session*>(png_get_io_ptr(png))->out->append(reinterpret_cast<const char*>(data), n);
}
void Flush(png_structp) {}

int ColourType(Colour c) {
  switch (c) {
    case Colour::Grey: return PNG_COLOR_TYPE_GRAY;
    case Colour::GreyAlpha: return PNG_COLOR_TYPE_GRAY_ALPHA;
    case Colour::Rgb: return PNG_COLOR_TYPE_RGB;
    case Colour::Rgba: return PNG_COLOR_TYPE_RGBA;
    case Colour::Palette: return PNG_COLOR_TYPE_PALETTE;
  }
  return PNG_COLOR_TYPE_RGB;
}

bool Fail(std::string* error, const std::string& message) {
  if (error) *error = message;
  return false;
}

// Only plain values live in this frame: an error longjmps back into it.
bool WriteRows(const Picture& picture, png_bytep* rows, const png_color* palette, int paletteSize,
               Session* session) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, session, OnError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, session, Append, Flush);
  if (picture.compression >= 0) png_set_compression_level(png, picture.compression);
  png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), picture.bitDepth,
               ColourType(picture.colour), picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (paletteSize > 0) png_set_PLTE(png, info, palette, paletteSize);
  if (!picture.alphas.empty())
    png_set_tRNS(png, info, picture.alphas.data(), int(picture.alphas.size()), nullptr);
  png_write_info(png, info);
  png_write_image(png, rows);  // every interlace pass
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool Encode(const Picture& picture, std::string* out, std::string* error) {
  if (picture.width <= 0 || picture.height <= 0 || !picture.rows) return Fail(error, "empty picture");
  out->clear();
  Session session{out, {}};
  std::vector<png_bytep> rows(size_t(picture.height));
  for (size_t y = 0; y < rows.size(); ++y) rows[y] = const_cast<png_bytep>(picture.rows + y * picture.stride);
  std::vector<png_color> palette(picture.palette.size() / 3);
  for (size_t i = 0; i < palette.size(); ++i)
    palette[i] = {picture.palette[3 * i], picture.palette[3 * i + 1], picture.palette[3 * i + 2]};
  if (WriteRows(picture, rows.data(), palette.data(), int(palette.size()), &session)) return true;
  return Fail(error, session.message.empty() ? "out of memory" : session.message);
}

bool WriteFile(const std::string& path, const Picture& picture, std::string* error) {
  std::string bytes;
  if (!Encode(picture, &bytes, error)) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return Fail(error, "cannot write " + path);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  return ok || Fail(error, "cannot write " + path);
}

bool WriteRgb(const std::string& path, int width, int height, const uint8_t* rows, size_t stride, int compression,
              std::string* error) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.rows = rows;
  picture.stride = stride;
  picture.compression = compression;
  return WriteFile(path, picture, error);
}

}  // namespace pngwrite
