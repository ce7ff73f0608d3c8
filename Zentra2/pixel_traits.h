// The pixel vocabulary (platform/pixel_format.h) under the short name the
// kernels use, and the test that a buffer has rows to draw into.
#pragma once

#include <cstddef>

#include "Zentra2/buffer.h"
#include "platform/pixel_format.h"

namespace pixel = platform::pixel;

// True when the buffer has pixels and a row table that covers them.
inline bool HasRows(const TBuffer64& b) { return b.Width > 0 && b.Height > 0 && b.Rows.size() >= size_t(b.Height); }
