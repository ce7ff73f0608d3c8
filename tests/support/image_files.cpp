#include "tests/support/image_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <jpeglib.h>
#include <stdexcept>

#include "pngwrite/png_writer.h"

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

std::string EncodePng(const Pixels& p, PngKind kind, bool interlaced) {
  pngwrite::Picture png;
  png.width = p.w;
  png.height = p.h;
  png.interlaced = interlaced;
  int channels = 3;
  switch (kind) {
    case PngKind::Rgb8: break;
    case PngKind::Rgba8: png.colour = pngwrite::Colour::Rgba; channels = 4; break;
    case PngKind::Grey8: png.colour = pngwrite::Colour::Grey; channels = 1; break;
    case PngKind::GreyAlpha8: png.colour = pngwrite::Colour::GreyAlpha; channels = 2; break;
    case PngKind::Grey2: png.colour = pngwrite::Colour::Grey; channels = 1; png.bitDepth = 2; break;
    case PngKind::Palette8:
    case PngKind::PaletteAlpha: png.colour = pngwrite::Colour::Palette; channels = 1; break;
    case PngKind::Rgb16: png.bitDepth = 16; break;
  }
  png.stride = (size_t(p.w) * size_t(channels) * size_t(png.bitDepth) + 7) / 8;
  std::vector<uint8_t> rows(png.stride * size_t(p.h), 0);
  // Palette: one entry per distinct colour, at most 256.
  const bool withAlphas = kind == PngKind::PaletteAlpha;
  for (int y = 0; y < p.h; ++y) {
    uint8_t* row = rows.data() + size_t(y) * png.stride;
    for (int x = 0; x < p.w; ++x) {
      const Rgba c = p.At(x, y);
      if (png.bitDepth == 16) {
        const uint8_t ch[3] = {c.r, c.g, c.b};
        for (int k = 0; k < 3; ++k) {
          row[size_t(x) * 6 + size_t(k) * 2] = ch[k];
          row[size_t(x) * 6 + size_t(k) * 2 + 1] = 0x5A;  // low byte: dropped by the loader
        }
      } else if (png.bitDepth == 2) {
        row[size_t(x) / 4] = uint8_t(row[size_t(x) / 4] | ((c.r >> 6) << (6 - 2 * (x % 4))));
      } else if (png.colour == pngwrite::Colour::Palette) {
        size_t k = 0;
        while (k * 3 < png.palette.size() &&
               !(png.palette[k * 3] == c.r && png.palette[k * 3 + 1] == c.g && png.palette[k * 3 + 2] == c.b &&
                 (!withAlphas || png.alphas[k] == c.a)))
          ++k;
        if (k * 3 == png.palette.size()) {
          if (k == 256) throw std::runtime_error("too many colours for a palette");
          png.palette.insert(png.palette.end(), {c.r, c.g, c.b});
          if (withAlphas) png.alphas.push_back(c.a);
        }
        row[size_t(x)] = uint8_t(k);
      } else {
        const uint8_t ch[4] = {c.r, c.g, c.b, c.a};
        const uint8_t grey[2] = {c.r, c.a};
        for (int k = 0; k < channels; ++k) row[size_t(x) * size_t(channels) + size_t(k)] = channels <= 2 ? grey[k] : ch[k];
      }
    }
  }
  png.rows = rows.data();
  std::string out, error;
  if (!pngwrite::Encode(png, &out, &error)) throw std::runtime_error("png write failed: " + error);
  return out;
}

namespace {

// One JPEG in memory: `setup` adjusts the defaults, `fillRow` gives each row
// of `components` bytes per pixel. No chroma subsampling, so flat colours
// come back within a step or two.
std::string CompressJpeg(int w, int h, int components, J_COLOR_SPACE space,
                         const std::function<void(jpeg_compress_struct&)>& setup,
                         const std::function<void(int, uint8_t*)>& fillRow) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  setup(cinfo);
  for (int c = 0; c < cinfo.num_components; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(size_t(w) * size_t(components));
  while (cinfo.next_scanline < cinfo.image_height) {
    fillRow(int(cinfo.next_scanline), row.data());
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(mem), size);
  free(mem);
  return out;
}

}  // namespace

std::string EncodeCmykJpeg(int w, int h, const uint8_t cmyk[4], bool ycck, bool adobeMarker) {
  return CompressJpeg(
      w, h, 4, JCS_CMYK,
      [&](jpeg_compress_struct& cinfo) {
        jpeg_set_quality(&cinfo, 100, TRUE);
        jpeg_set_colorspace(&cinfo, ycck ? JCS_YCCK : JCS_CMYK);
        cinfo.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
      },
      [&](int, uint8_t* row) {
        for (int x = 0; x < w; ++x) std::copy(cmyk, cmyk + 4, row + 4 * x);
      });
}

std::string EncodeJpeg(const Pixels& p, int quality, bool progressive) {
  return CompressJpeg(
      p.w, p.h, 3, JCS_RGB,
      [&](jpeg_compress_struct& cinfo) {
        jpeg_set_quality(&cinfo, quality, TRUE);
        if (progressive) jpeg_simple_progression(&cinfo);
      },
      [&](int y, uint8_t* row) {
        for (int x = 0; x < p.w; ++x) {
          const Rgba c = p.At(x, y);
          row[size_t(x) * 3] = c.r;
          row[size_t(x) * 3 + 1] = c.g;
          row[size_t(x) * 3 + 2] = c.b;
        }
      });
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
