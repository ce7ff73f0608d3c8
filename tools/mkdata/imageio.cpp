#include "imageio.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <png.h>

#include "pngwrite/png_writer.h"

namespace mkdata {

Pixels Quantise(const Image& img, bool dither) {
  Pixels out;
  out.w = img.w;
  out.h = img.h;
  out.rgb.resize(size_t(img.w) * img.h * 3);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      const Rgb& c = img.at(x, y);
      float d = 0;
      if (dither) {
        uint32_t h = Hash(uint32_t(x), uint32_t(y), 77u);
        d = ((h & 0xFF) + ((h >> 8) & 0xFF)) / 510.0f - 0.5f;  // triangular, about +-0.5 LSB
      }
      float ch[3] = {c.r, c.g, c.b};
      for (int k = 0; k < 3; ++k) {
        float v = ch[k] * 255.0f + d;
        int iv = int(std::lround(v < 0 ? 0 : (v > 255 ? 255 : v)));
        out.rgb[(size_t(y) * img.w + x) * 3 + k] = uint8_t(iv);
      }
    }
  return out;
}

Image ToImage(const Pixels& pix) {
  Image img(pix.w, pix.h);
  for (int y = 0; y < pix.h; ++y)
    for (int x = 0; x < pix.w; ++x) {
      const uint8_t* p = pix.at(x, y);
      img.at(x, y) = {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
    }
  return img;
}

namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

bool WritePngTo(FILE* f, const Pixels& pix) {
  pngwrite::Picture picture;
  picture.width = pix.w;
  picture.height = pix.h;
  picture.rows = pix.rgb.data();
  picture.stride = size_t(pix.w) * 3;
  picture.compression = 9;
  std::vector<uint8_t> rgba;
  if (!pix.alpha.empty()) {
    rgba.resize(size_t(pix.w) * pix.h * 4);
    for (size_t i = 0; i < pix.alpha.size(); ++i) {
      std::copy_n(&pix.rgb[i * 3], 3, &rgba[i * 4]);
      rgba[i * 4 + 3] = pix.alpha[i];
    }
    picture.colour = pngwrite::Colour::Rgba;
    picture.rows = rgba.data();
    picture.stride = size_t(pix.w) * 4;
  }
  std::string bytes;
  return pngwrite::Encode(picture, &bytes) && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
}

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  longjmp(err->jump, 1);
}

void JpegSilence(j_common_ptr, int) {}

bool WriteJpegTo(FILE* f, const Pixels& pix, int quality) {
  jpeg_compress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, f);
  cinfo.image_width = JDIMENSION(pix.w);
  cinfo.image_height = JDIMENSION(pix.h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  // Full-resolution chroma: the pictures are full of fine coloured detail (stars, thin lines).
  cinfo.comp_info[0].h_samp_factor = 1;
  cinfo.comp_info[0].v_samp_factor = 1;
  cinfo.optimize_coding = TRUE;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pix.at(0, int(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

template <typename Fn>
bool WriteVia(const std::string& path, Fn fn) {
  std::string tmp = path + ".tmp";
  FilePtr f(fopen(tmp.c_str(), "wb"));
  if (!f) return false;
  bool ok = fn(f.get());
  ok = (fflush(f.get()) == 0) && ok;
  f.reset();
  if (!ok || rename(tmp.c_str(), path.c_str()) != 0) {
    remove(tmp.c_str());
    return false;
  }
  return true;
}

bool ReadPng(FILE* f, Pixels& out, std::string* error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (error) *error = "PNG decoding failed";
    return false;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_strip_alpha(png);
  png_read_update_info(png, info);
  out.w = int(png_get_image_width(png, info));
  out.h = int(png_get_image_height(png, info));
  if (png_get_rowbytes(png, info) != size_t(out.w) * 3) longjmp(png_jmpbuf(png), 1);
  out.rgb.assign(size_t(out.w) * out.h * 3, 0);
  std::vector<png_bytep> rows(size_t(out.h));
  for (int y = 0; y < out.h; ++y) rows[size_t(y)] = &out.rgb[size_t(y) * out.w * 3];
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool ReadJpeg(FILE* f, Pixels& out, std::string* error) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.emit_message = JpegSilence;
  if (setjmp(err.jump)) {
    if (error) *error = err.message;
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.w = int(cinfo.output_width);
  out.h = int(cinfo.output_height);
  out.rgb.assign(size_t(out.w) * out.h * 3, 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &out.rgb[size_t(cinfo.output_scanline) * out.w * 3];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

bool WritePng(const std::string& path, const Pixels& pix) {
  return WriteVia(path, [&](FILE* f) { return WritePngTo(f, pix); });
}

bool WriteJpeg(const std::string& path, const Pixels& pix, int quality) {
  return WriteVia(path, [&](FILE* f) { return WriteJpegTo(f, pix, quality); });
}

bool ReadImageFile(const std::string& path, Pixels& out, std::string* error) {
  FilePtr f(fopen(path.c_str(), "rb"));
  if (!f) {
    if (error) *error = "cannot open " + path;
    return false;
  }
  unsigned char head[8] = {};
  size_t n = fread(head, 1, 8, f.get());
  rewind(f.get());
  static const unsigned char kPng[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  if (n >= 2 && head[0] == 0xFF && head[1] == 0xD8) return ReadJpeg(f.get(), out, error);
  if (n == 8 && memcmp(head, kPng, 8) == 0) return ReadPng(f.get(), out, error);
  if (error) *error = "not a PNG or JPEG file: " + path;
  return false;
}

}  // namespace mkdata
