#include "platform/bmp.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

int32_t ReadLE32(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

int32_t ReadLE16(const uint8_t* p) { return int32_t(p[0] | p[1] << 8); }

// Reads the size from the header so a hostile one is refused before the
// reader allocates a surface for it. The old 12-byte core header holds
// unsigned 16-bit sizes, every later one signed 32-bit sizes; a negative height
// means top-down rows.
bool SizeAcceptable(const uint8_t* data, size_t size, int32_t maxSide, int64_t maxPixels, std::string* error) {
  if (size < 18) return true;  // the reader rejects it itself
  uint32_t headerSize = uint32_t(ReadLE32(data + 14));
  int64_t w = 0, h = 0;
  if (headerSize == 12) {
    if (size < 22) return true;
    w = ReadLE16(data + 18);
    h = ReadLE16(data + 20);
  } else {
    if (size < 26) return true;
    w = ReadLE32(data + 18);
    h = ReadLE32(data + 22);
  }
  w = std::llabs(w);
  h = std::llabs(h);
  if (w > maxSide || h > maxSide || w * h > maxPixels) {
    *error = "Bitmap too large: " + std::to_string(w) + " x " + std::to_string(h) + " pixels";
    return false;
  }
  return true;
}

// The header sizes and compressions the reader decodes correctly. Anything
// else (an unknown header size, the OS/2 header's Huffman and RLE24 codes,
// alpha bit fields, JPEG or PNG inside) would come out as a wrong picture.
bool KindSupported(const uint8_t* data, size_t size, std::string* error) {
  if (size < 18) return true;  // the reader rejects it itself
  const uint32_t headerSize = uint32_t(ReadLE32(data + 14));
  switch (headerSize) {
    case 12:
    case 16:
      return true;  // no compression field
    case 40: case 52: case 56: case 64: case 108: case 124:
      break;
    default:
      *error = "Unsupported header size " + std::to_string(headerSize);
      return false;
  }
  if (size < 34) return true;
  const int32_t bits = ReadLE16(data + 28);
  const uint32_t compression = uint32_t(ReadLE32(data + 30));
  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields (Huffman 1D in the 64-byte OS/2 header).
  const bool ok = compression == 0 || (compression == 1 && bits == 8) || (compression == 2 && bits == 4) ||
                  (compression == 3 && headerSize != 64 && (bits == 16 || bits == 32));
  if (!ok)
    *error = "Unsupported compression " + std::to_string(compression) + " at " + std::to_string(bits) +
             " bits per pixel in a " + std::to_string(headerSize) + "-byte header";
  return ok;
}

// Run-length data (RLE8, or RLE4 with two pixels per byte) must keep to its
// own rules, or the reader would draw it partly or upside down: rows bottom
// up (a top-down height is not allowed), no run, literal or delta going past
// the picture, and an end-of-bitmap code before the data ends. Between those,
// pixels a delta or an early end of line skips are simply left undefined.
bool RunLengthValid(const uint8_t* data, size_t size, std::string* error) {
  if (size < 54) return true;  // the reader rejects it itself
  const uint32_t headerSize = uint32_t(ReadLE32(data + 14));
  const uint32_t compression = uint32_t(ReadLE32(data + 30));
  if (headerSize < 40 || (compression != 1 && compression != 2)) return true;
  const int64_t width = std::llabs(int64_t(ReadLE32(data + 18))), height = ReadLE32(data + 22);
  auto refuse = [&](const std::string& why) {
    *error = "Unsupported run-length bitmap: " + why;
    return false;
  };
  if (height < 0) return refuse("top-down rows");
  const bool four = compression == 2;
  const uint32_t offset = uint32_t(ReadLE32(data + 10));
  size_t p = offset;
  int64_t x = 0, y = 0;  // y counts rows from the bottom
  // Pixels written at (x, y): the row must exist and the run fit in it.
  auto fits = [&](int64_t count) { return y < height && x + count <= width; };
  while (p + 2 <= size) {
    const uint8_t count = data[p], code = data[p + 1];
    p += 2;
    if (count > 0) {  // a run of one value
      if (!fits(count)) return refuse("a run goes past the picture");
      x += count;
    } else if (code == 0) {  // end of line
      x = 0;
      ++y;
    } else if (code == 1) {  // end of bitmap
      return true;
    } else if (code == 2) {  // delta: right and up
      if (p + 2 > size) break;
      x += data[p];
      y += data[p + 1];
      p += 2;
      if (x > width || y > height) return refuse("a delta goes past the picture");
    } else {  // `code` literal pixels, padded to a 16-bit boundary
      if (!fits(code)) return refuse("literal pixels go past the picture");
      x += code;
      const size_t bytes = four ? (code + 1u) / 2 : code;
      p += (bytes + 1) & ~size_t(1);
    }
  }
  return refuse("no end-of-bitmap code");
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, int32_t maxSide, int64_t maxPixels, int32_t* width,
               int32_t* height, std::vector<uint8_t>* rgb, std::string* error) {
  if (!KindSupported(data, size, error) || !SizeAcceptable(data, size, maxSide, maxPixels, error) ||
      !RunLengthValid(data, size, error))
    return false;
  // The short 16-byte OS/2 header is the 40-byte one cut after the bit count
  // (no compression, four-byte palette entries): the reader gets it padded.
  std::vector<uint8_t> padded;
  if (size >= 30 && ReadLE32(data + 14) == 16) {
    padded.assign(data, data + 30);
    padded.resize(54, 0);
    padded.insert(padded.end(), data + 30, data + size);
    padded[14] = 40;
    const uint32_t offset = uint32_t(ReadLE32(data + 10)) + 24;
    for (int i = 0; i < 4; ++i) padded[size_t(10 + i)] = uint8_t(offset >> (8 * i));
    data = padded.data();
    size = padded.size();
  }
  if (size > size_t(INT32_MAX)) {
    *error = "Bitmap too large";
    return false;
  }
  SDL_RWops* rw = SDL_RWFromConstMem(data, int(size));
  if (!rw) {
    *error = SDL_GetError();
    return false;
  }
  SDL_Surface* loaded = SDL_LoadBMP_RW(rw, 1);
  if (!loaded) {
    *error = SDL_GetError();
    if (error->empty()) *error = "Invalid bitmap";
    return false;
  }
  // Alpha, where a bitmap has any, does not reach the picture.
  SDL_SetSurfaceBlendMode(loaded, SDL_BLENDMODE_NONE);
  SDL_Surface* converted = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
  SDL_FreeSurface(loaded);
  if (!converted) {
    *error = SDL_GetError();
    return false;
  }
  bool ok = converted->w > 0 && converted->h > 0 && converted->w <= maxSide && converted->h <= maxSide &&
            int64_t(converted->w) * converted->h <= maxPixels;
  if (ok) {
    *width = converted->w;
    *height = converted->h;
    size_t rowBytes = size_t(converted->w) * 3;
    rgb->resize(rowBytes * size_t(converted->h));
    SDL_LockSurface(converted);
    for (int y = 0; y < converted->h; ++y)
      std::memcpy(rgb->data() + size_t(y) * rowBytes,
                  static_cast<const uint8_t*>(converted->pixels) + size_t(y) * size_t(converted->pitch), rowBytes);
    SDL_UnlockSurface(converted);
  } else {
    *error = "Invalid bitmap size";
  }
  SDL_FreeSurface(converted);
  return ok;
}

}  // namespace platform
