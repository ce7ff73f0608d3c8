#include "scenes/tiled_image.h"

#include "Zentra2/image.h"
#include "core/music.h"

TImageT64::TImageT64(TZentra* display, const std::string& fileName, int32_t width, int32_t height)
    : TBuffer64(display, width, height, false) {
  TImage64 tile(display, fileName, false);
  const int32_t w = tile.Width, h = tile.Height;
  // An empty picture has nothing to repeat (and would divide by zero).
  if (w <= 0 || h <= 0) return;
  for (int32_t i = 0; i <= width / w; ++i) {
    for (int32_t j = 0; j <= height / h; ++j) {
      tile.Draw(this, i * w, j * h);
      CheckMusicPause();
    }
  }
}
