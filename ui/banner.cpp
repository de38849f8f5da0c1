#include "ui/banner.h"

#include <png.h>

namespace pindrel {
namespace {

// Far beyond any picture of ours; keeps a broken header from asking for an
// enormous bitmap.
constexpr png_uint_32 kMaxSide = 8192;

}  // namespace

HBITMAP DecodePngBitmap(const void* data, std::size_t size) {
  if (!data || size == 0) {
    return nullptr;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    return nullptr;
  }
  if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
    png_image_free(&image);
    return nullptr;
  }
  image.format = PNG_FORMAT_BGRA;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = static_cast<LONG>(image.width);
  info.bmiHeader.biHeight = -static_cast<LONG>(image.height);  // top-down, like the PNG's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) {
    png_image_free(&image);
    return nullptr;
  }
  const auto stride = static_cast<png_int_32>(image.width * 4);
  // png_image_finish_read releases the decoder whether it succeeds or not.
  if (!png_image_finish_read(&image, nullptr, bits, stride, nullptr)) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

HBITMAP LoadBanner(HINSTANCE instance) {
  HRSRC found = FindResourceA(instance, "BANNER", MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!found) {
    return nullptr;
  }
  HGLOBAL loaded = LoadResource(instance, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  // Resources of a loaded module live as long as the module; nothing to free.
  return DecodePngBitmap(bytes, SizeofResource(instance, found));
}

}  // namespace pindrel
