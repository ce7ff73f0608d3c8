// Feeds arbitrary bytes to TBuffer64::LoadFromStream in each of the four depths.
// Any crash, hang, leak or sanitizer report is a finding; the documented
// failures (BufferError, the decoders' own errors) are expected outcomes.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "Zentra2/buffer.h"
#include "Zentra2/zentra.h"
#include "fuzz/fatal_paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static THeadlessZentra displays[] = {{16, 16, 15}, {16, 16, 16}, {16, 16, 24}, {16, 16, 32}};
  THeadlessZentra& display = displays[size % 4];
  TBuffer64 buf(&display, 1, 1, false);
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    buf.LoadFromStream(in, false);
    // Touch every pixel so a wrong size or row table shows up here.
    volatile uint8_t sink = 0;
    for (int32_t y = 0; y < buf.Height; ++y) sink = sink ^ buf.Rows[size_t(y)][size_t(buf.Width) * buf.BytesPerPixel - 1];
  } catch (const ProgramEnded&) {
  }
  return 0;
}
