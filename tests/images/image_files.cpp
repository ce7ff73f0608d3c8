#include "image_files.h"

#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include <stdexcept>

namespace testimg {

Pixels Pattern(int w, int h, bool withAlpha) {
  Pixels p{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      p.px.push_back({uint8_t(x * 255 / std::max(1, w - 1)), uint8_t(y * 255 / std::max(1, h - 1)),
                      uint8_t((x * 37 + y * 91) & 255), uint8_t(withAlpha ? (x * 13 + y * 7) & 255 : 255)});
  return p;
}

Pixels Flat(int w, int h, Rgba c) { return Pixels{w, h, std::vector<Rgba>(size_t(w) * size_t(h), c)}; }

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}
void PngFlush(png_structp) {}

}  // namespace

std::string EncodePng(const Pixels& p, PngKind kind, bool interlaced) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("png write failed");
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  int colorType = PNG_COLOR_TYPE_RGB, depth = 8, channels = 3;
  switch (kind) {
    case PngKind::Rgb8: break;
    case PngKind::Rgba8: colorType = PNG_COLOR_TYPE_RGBA; channels = 4; break;
    case PngKind::Grey8: colorType = PNG_COLOR_TYPE_GRAY; channels = 1; break;
    case PngKind::GreyAlpha8: colorType = PNG_COLOR_TYPE_GRAY_ALPHA; channels = 2; break;
    case PngKind::Grey2: colorType = PNG_COLOR_TYPE_GRAY; channels = 1; depth = 2; break;
    case PngKind::Palette8:
    case PngKind::PaletteAlpha: colorType = PNG_COLOR_TYPE_PALETTE; channels = 1; break;
    case PngKind::Rgb16: depth = 16; break;
  }
  png_set_IHDR(png, info, png_uint_32(p.w), png_uint_32(p.h), depth, colorType,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  // Palette: one entry per distinct colour, at most 256.
  std::vector<png_color> palette;
  std::vector<png_byte> alphas;
  std::vector<uint8_t> index(p.px.size());
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    for (size_t i = 0; i < p.px.size(); ++i) {
      const Rgba c = p.px[i];
      size_t k = 0;
      while (k < palette.size() && !(palette[k].red == c.r && palette[k].green == c.g && palette[k].blue == c.b &&
                                      (kind != PngKind::PaletteAlpha || alphas[k] == c.a)))
        ++k;
      if (k == palette.size()) {
        if (k == 256) throw std::runtime_error("too many colours for a palette");
        palette.push_back({c.r, c.g, c.b});
        alphas.push_back(c.a);
      }
      index[i] = uint8_t(k);
    }
    png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (kind == PngKind::PaletteAlpha) png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
  }
  png_write_info(png, info);
  const int passes = interlaced ? png_set_interlace_handling(png) : 1;
  const size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_byte> row(rowBytes);
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < p.h; ++y) {
      std::fill(row.begin(), row.end(), 0);
      for (int x = 0; x < p.w; ++x) {
        const size_t i = size_t(y) * size_t(p.w) + size_t(x);
        const Rgba c = p.px[i];
        if (depth == 16) {
          const uint8_t ch[3] = {c.r, c.g, c.b};
          for (int k = 0; k < 3; ++k) {
            row[size_t(x) * 6 + size_t(k) * 2] = ch[k];
            row[size_t(x) * 6 + size_t(k) * 2 + 1] = 0x5A;  // low byte: dropped by the loader
          }
        } else if (depth == 2) {
          row[size_t(x) / 4] = png_byte(row[size_t(x) / 4] | ((c.r >> 6) << (6 - 2 * (x % 4))));
        } else if (colorType == PNG_COLOR_TYPE_PALETTE) {
          row[size_t(x)] = index[i];
        } else {
          const uint8_t ch[4] = {c.r, c.g, c.b, c.a};
          const uint8_t grey[2] = {c.r, c.a};
          for (int k = 0; k < channels; ++k)
            row[size_t(x) * size_t(channels) + size_t(k)] = channels <= 2 ? grey[k] : ch[k];
        }
      }
      png_write_row(png, row.data());
    }
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string EncodeJpeg(const Pixels& p, int quality, bool progressive) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = JDIMENSION(p.w);
  cinfo.image_height = JDIMENSION(p.h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  // No chroma subsampling: flat colours come back within a step or two.
  for (int c = 0; c < cinfo.num_components; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(size_t(p.w) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (int x = 0; x < p.w; ++x) {
      const Rgba c = p.At(x, int(cinfo.next_scanline));
      row[size_t(x) * 3] = c.r;
      row[size_t(x) * 3 + 1] = c.g;
      row[size_t(x) * 3 + 2] = c.b;
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(mem), size);
  std::free(mem);
  return out;
}

namespace {
void Put16(std::string& s, uint32_t v) {
  s.push_back(char(v & 255));
  s.push_back(char((v >> 8) & 255));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
}  // namespace

std::string EncodeBmp(const Pixels& p, bool topDown) {
  const uint32_t rowBytes = (uint32_t(p.w) * 3 + 3) & ~3u;
  const uint32_t dataSize = rowBytes * uint32_t(p.h);
  std::string s = "BM";
  Put32(s, 54 + dataSize);
  Put32(s, 0);
  Put32(s, 54);
  Put32(s, 40);  // BITMAPINFOHEADER
  Put32(s, uint32_t(p.w));
  Put32(s, topDown ? uint32_t(-p.h) : uint32_t(p.h));
  Put16(s, 1);
  Put16(s, 24);
  Put32(s, 0);  // no compression
  Put32(s, dataSize);
  Put32(s, 2835);
  Put32(s, 2835);
  Put32(s, 0);
  Put32(s, 0);
  for (int i = 0; i < p.h; ++i) {
    const int y = topDown ? i : p.h - 1 - i;
    for (int x = 0; x < p.w; ++x) {
      const Rgba c = p.At(x, y);
      s.push_back(char(c.b));
      s.push_back(char(c.g));
      s.push_back(char(c.r));
    }
    for (uint32_t pad = uint32_t(p.w) * 3; pad < rowBytes; ++pad) s.push_back(0);
  }
  return s;
}

}  // namespace testimg
