// Windows bitmaps decoded by SDL's reader, straight from memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Decodes the bitmap in `data` into packed 8-bit R, G, B triplets, top row
// first. Bitmaps wider or taller than `maxSide`, or with more than
// `maxPixels` pixels, are refused before anything is allocated for them.
// Only the header sizes 12, 16, 40, 52, 56, 64, 108 and 124 and, for those
// that have one, the compressions the reader decodes correctly are accepted.
// Returns false with the reader's message in `error` when the data is rejected.
bool DecodeBmp(const uint8_t* data, size_t size, int32_t maxSide, int64_t maxPixels, int32_t* width,
               int32_t* height, std::vector<uint8_t>* rgb, std::string* error);

}  // namespace platform
