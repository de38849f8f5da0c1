// The banner picture of the main window: a PNG stored in the program as the
// RCDATA resource "BANNER", decoded into a bitmap for the picture box.
#pragma once

#include <windows.h>

#include <cstddef>

namespace pindrel {

// A 32-bit top-down DIB section of the banner; the caller owns it and frees it
// with DeleteObject. Null when the resource is missing or is not a PNG that
// decodes.
HBITMAP LoadBanner(HINSTANCE instance);

// The same for any PNG in memory. Pixels are straight BGRA, as stored.
HBITMAP DecodePngBitmap(const void* data, std::size_t size);

}  // namespace pindrel
