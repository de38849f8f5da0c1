#include "icon/icon_image_set.h"

#include <cstring>

#include "platform/module_byte_reader.h"

namespace pindrel {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Signed 32-bit wraparound without relying on signed overflow. GCC (the only
// compiler here) converts out-of-range values modulo 2^32 and shifts negative
// values arithmetically, which is what the format's readers assume.
std::int32_t Wrap32(std::uint32_t v) { return static_cast<std::int32_t>(v); }

// PNG stores its numbers big-endian; callers check the four bytes exist.
std::uint32_t BigEndian32(const std::uint8_t* at) {
  return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 | at[3];
}

}  // namespace

BitmapInfoHeader ReadBitmapInfoHeader(const std::uint8_t* data, std::size_t size) {
  // The reader yields 0 for a field that does not lie inside the bytes.
  ByteReader r({data, size});
  BitmapInfoHeader h;
  h.biSize = r.U32(0);
  h.biWidth = Wrap32(r.U32(4));
  h.biHeight = Wrap32(r.U32(8));
  h.biPlanes = r.U16(12);
  h.biBitCount = r.U16(14);
  h.biSizeImage = r.U32(20);
  h.biClrUsed = r.U32(32);
  return h;
}

std::uint32_t PaletteEntryCount(const BitmapInfoHeader& header) {
  if (header.biClrUsed != 0) return header.biClrUsed;
  switch (header.biBitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

std::int32_t RowStride(const BitmapInfoHeader& header) {
  std::uint32_t bits = std::uint32_t{header.biBitCount} * header.biPlanes *
                       static_cast<std::uint32_t>(header.biWidth);
  return (Wrap32(bits + 31u) >> 3) & ~std::int32_t{3};
}

bool IsPngImage(const std::uint8_t* data, std::size_t size) {
  return size >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0;
}

bool IsPngImage(const IconImage& image) { return IsPngImage(image.data.data(), image.data.size()); }

std::optional<PngHeader> ReadPngHeader(const std::uint8_t* data, std::size_t size) {
  if (!IsPngImage(data, size)) return std::nullopt;
  // The signature is followed by the IHDR chunk: length 13, type, then width,
  // height, bit depth and colour type.
  if (!RangeFits(8, 8 + 13, size)) return std::nullopt;
  if (BigEndian32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) return std::nullopt;
  PngHeader h;
  h.width = BigEndian32(data + 16);
  h.height = BigEndian32(data + 20);
  h.bitDepth = data[24];
  h.colorType = data[25];
  // PNG limits width and height to 2^31 - 1, so they fit the set's signed fields.
  if (h.width == 0 || h.height == 0 || h.width > 0x7FFFFFFFu || h.height > 0x7FFFFFFFu) {
    return std::nullopt;
  }
  if (PngBitsPerPixel(h) == 0) return std::nullopt;
  return h;
}

std::uint32_t PngBitsPerPixel(const PngHeader& header) {
  std::uint32_t channels = 0;
  switch (header.colorType) {
    case 0: channels = 1; break;  // greyscale
    case 2: channels = 3; break;  // RGB
    case 3: channels = 1; break;  // palette index
    case 4: channels = 2; break;  // greyscale and alpha
    case 6: channels = 4; break;  // RGBA
    default: return 0;
  }
  switch (header.bitDepth) {
    case 1: case 2: case 4: case 8: case 16: return header.bitDepth * channels;
    default: return 0;
  }
}

IconImageSet CreateIconImageSet(std::uint32_t count) {
  IconImageSet set;
  set.imageCount = count;
  set.images.resize(count);
  return set;
}

bool BindImageFields(IconImage* image) {
  if (image == nullptr) return false;
  const std::uint8_t* data = image->data.data();
  const std::size_t size = image->data.size();
  image->header = 0;

  if (IsPngImage(data, size)) {
    // A PNG has no colour table or masks; the positions stay at its start.
    PngHeader png = ReadPngHeader(data, size).value_or(PngHeader{});
    image->width = static_cast<std::int32_t>(png.width);
    image->height = static_cast<std::int32_t>(png.height);
    image->bitsPerPixel = png.width != 0 ? PngBitsPerPixel(png) : 0;
    image->xorBits = 0;
    image->andMask = 0;
    return true;
  }

  BitmapInfoHeader h = ReadBitmapInfoHeader(data, size);
  image->width = h.biWidth;
  // The stored height covers the XOR bitmap and the AND mask together.
  image->height = h.biHeight / 2;
  image->bitsPerPixel = std::uint32_t{h.biPlanes} * h.biBitCount;
  // The colour table's length is held in 16 bits, as the format's readers do.
  auto tableBytes = static_cast<std::uint16_t>(4u * PaletteEntryCount(h));
  image->xorBits = static_cast<std::int64_t>(image->header) + h.biSize + tableBytes;
  std::int32_t xorBytes =
      Wrap32(static_cast<std::uint32_t>(RowStride(h)) * static_cast<std::uint32_t>(image->height));
  image->andMask = image->xorBits + xorBytes;
  return true;
}

}  // namespace pindrel
