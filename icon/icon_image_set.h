// The in-memory form of one icon group: every image's bytes exactly as the
// source stores them, plus a few fields derived from each image's header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pindrel {

constexpr std::size_t kBitmapInfoHeaderSize = 40;
// biSizeImage, the one field the ICO writer does not carry over.
constexpr std::size_t kSizeImageOffset = 20;

// The BITMAPINFOHEADER fields the engine uses.
struct BitmapInfoHeader {
  std::uint32_t biSize = 0;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biSizeImage = 0;
  std::uint32_t biClrUsed = 0;
};

// Reads the header at the start of an image. A field that does not lie wholly
// inside the bytes reads as 0, so a short image never leads outside its buffer.
BitmapInfoHeader ReadBitmapInfoHeader(const std::uint8_t* data, std::size_t size);

// Colour-table entries: biClrUsed, or else what biBitCount alone implies.
std::uint32_t PaletteEntryCount(const BitmapInfoHeader& header);

// Bytes per row of the XOR bitmap, rounded up to a multiple of 4, computed in
// 32-bit signed arithmetic that wraps as the format's own readers do.
std::int32_t RowStride(const BitmapInfoHeader& header);

// Vista-style icons keep large images as PNG streams instead of bitmaps.
bool IsPngImage(const std::uint8_t* data, std::size_t size);

struct PngHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t bitDepth = 0;
  std::uint8_t colorType = 0;
};

// The IHDR chunk of a PNG image; none when the signature is missing, the
// first chunk is not a 13-byte IHDR, or its values cannot be a PNG's.
std::optional<PngHeader> ReadPngHeader(const std::uint8_t* data, std::size_t size);

// Bit depth times channels.
std::uint32_t PngBitsPerPixel(const PngHeader& header);

struct IconImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t bitsPerPixel = 0;
  std::vector<std::uint8_t> data;
  std::uint32_t dataSize = 0;  // always data.size()
  // Byte positions counted from the start of data. They follow from the
  // header's fields alone and may lie anywhere, even before the start or past
  // the end; nothing reads through them.
  std::size_t header = 0;
  std::int64_t xorBits = 0;
  std::int64_t andMask = 0;
};

struct IconImageSet {
  std::uint32_t reservedWord = 0;
  std::string icoFileName;     // empty in a set read from a module
  std::string moduleFileName;  // empty in a set read from an ICO file
  std::uint32_t imageCount = 0;
  std::vector<IconImage> images;  // exactly imageCount entries
};

// A set with room for exactly count images, each still empty.
IconImageSet CreateIconImageSet(std::uint32_t count);

bool IsPngImage(const IconImage& image);

// Fills the derived fields of an image whose data and dataSize are set.
// Fails only for a missing image; implausible headers give implausible
// fields, not errors. A PNG image takes width, height and bits per pixel
// from its IHDR (all 0 when the IHDR is unusable) and has no bitmap parts.
bool BindImageFields(IconImage* image);

}  // namespace pindrel
