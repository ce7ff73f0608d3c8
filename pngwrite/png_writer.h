// PNG files from rows of samples (libpng underneath).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pngwrite {

enum class Colour { Grey, GreyAlpha, Rgb, Rgba, Palette };

struct Picture {
  int width = 0, height = 0;
  const uint8_t* rows = nullptr;  // top row first, each in PNG's own sample layout
  size_t stride = 0;              // bytes from one row to the next
  Colour colour = Colour::Rgb;
  int bitDepth = 8;               // bits per sample; 16-bit samples are big-endian
  bool interlaced = false;
  std::vector<uint8_t> palette;   // Palette: r, g, b of each entry
  std::vector<uint8_t> alphas;    // Palette: opacity of the first entries (may be empty)
  int compression = -1;           // zlib level 0..9; -1 leaves libpng's default
};

// Encodes `picture` into `out`. False, with libpng's reason in `error`, when
// the picture cannot be encoded.
bool Encode(const Picture& picture, std::string* out, std::string* error = nullptr);

// Writes `picture` to `path`, replacing what is there.
bool WriteFile(const std::string& path, const Picture& picture, std::string* error = nullptr);

// The common case: `height` rows of 8-bit RGB, `stride` bytes apart.
bool WriteRgb(const std::string& path, int width, int height, const uint8_t* rows, size_t stride,
              int compression = -1, std::string* error = nullptr);

}  // namespace pngwrite
