// Decoding of Windows device-independent bitmaps, as stored in .bmp files
// and in bitmap resources.
#pragma once

#include "vstgui/platform/pixels.h"

#include <cstddef>
#include <cstdint>

namespace VSTGUI {
namespace platform {

// Accepts a file (starting with "BM") or a bare resource (starting with the
// info header). Handles 1, 4, 8, 24 and 32 bits per pixel, uncompressed, and
// run-length encoded 8- and 4-bit images. Answers false for anything
// malformed, truncated or unsupported, leaving out untouched.
bool decodeBmp(const uint8_t* data, size_t size, Pixels& out);

} // namespace platform
} // namespace VSTGUI
