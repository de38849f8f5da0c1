#include "icon/icon_image_set.h"

#include <gtest/gtest.h>

#include "tests/engine/engine_fixtures.h"

namespace pindrel {
namespace {

using test::Bitmap;
using test::BitmapFields;
using test::Bytes;

IconImage Bound(Bytes bytes) {
  IconImage image;
  image.dataSize = static_cast<std::uint32_t>(bytes.size());
  image.data = std::move(bytes);
  EXPECT_TRUE(BindImageFields(&image));
  return image;
}

Bytes Prefix(Bytes bytes, std::size_t n) {
  bytes.resize(n);
  return bytes;
}

struct BindCase {
  const char* what;
  BitmapFields fields;
  std::int32_t width, height;
  std::uint32_t bitsPerPixel, paletteEntries;
  std::int32_t rowStride;
  std::int64_t xorBits, andMask;
};

TEST(BindImageFields, DerivesFieldsFromTheHeader) {
  const BindCase cases[] = {
      {"16x16 1 bit", {16, 32, 1, 1}, 16, 16, 1, 2, 4, 48, 112},
      {"32x32 4 bits", {32, 64, 1, 4}, 32, 32, 4, 16, 16, 104, 616},
      {"32x32 8 bits", {32, 64, 1, 8}, 32, 32, 8, 256, 32, 1064, 2088},
      {"16x16 8 bits, 5 colours used", {16, 32, 1, 8, 5}, 16, 16, 8, 5, 16, 60, 316},
      {"24x24 24 bits", {24, 48, 1, 24}, 24, 24, 24, 0, 72, 40, 1768},
      {"48x48 32 bits", {48, 96, 1, 32}, 48, 48, 32, 0, 192, 40, 40 + 192 * 48},
      {"256x256 32 bits", {256, 512, 1, 32}, 256, 256, 32, 0, 1024, 40, 40 + 1024 * 256},
      {"odd height rounds toward zero", {16, 65, 1, 32}, 16, 32, 32, 0, 64, 40, 40 + 64 * 32},
      {"negative odd height", {16, -65, 1, 32}, 16, -32, 32, 0, 64, 40, 40 - 64 * 32},
      {"negative width", {-16, 32, 1, 32}, -16, 16, 32, 0, -64, 40, 40 - 64 * 16},
      {"planes count for bits, not for the palette", {16, 32, 2, 4}, 16, 16, 8, 16, 16, 104, 360},
      {"no planes", {16, 32, 0, 8}, 16, 16, 0, 256, 0, 1064, 1064},
      {"colour table held in 16 bits", {16, 32, 1, 32, 16384}, 16, 16, 32, 16384, 64, 40, 1064},
      {"colour table wraps past 16 bits", {16, 32, 1, 32, 16385}, 16, 16, 32, 16385, 64, 44, 1068},
      {"row product wraps in 32 bits", {0x7FFFFFFF, 32, 1, 32}, 0x7FFFFFFF, 16, 32, 0, -4, 40, -24},
      {"mask offset wraps in 32 bits", {256, 0x7FFFFFFF, 1, 32}, 256, 0x3FFFFFFF, 32, 0, 1024, 40,
       40 - 1024},
      {"huge biSize", {16, 32, 1, 32, 0, 0, 0xFFFFFFFF}, 16, 16, 32, 0, 64, 0xFFFFFFFFll,
       0xFFFFFFFFll + 1024},
  };
  for (const BindCase& c : cases) {
    SCOPED_TRACE(c.what);
    // Only the header is needed: positions are never checked against the data.
    Bytes bytes = Bitmap(c.fields, 40);
    BitmapInfoHeader header = ReadBitmapInfoHeader(bytes.data(), bytes.size());
    EXPECT_EQ(PaletteEntryCount(header), c.paletteEntries);
    EXPECT_EQ(RowStride(header), c.rowStride);
    IconImage image = Bound(bytes);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.bitsPerPixel, c.bitsPerPixel);
    EXPECT_EQ(image.header, 0u);
    EXPECT_EQ(image.xorBits, c.xorBits);
    EXPECT_EQ(image.andMask, c.andMask);
  }
}

TEST(BindImageFields, FailsOnlyWithoutAnImage) {
  EXPECT_FALSE(BindImageFields(nullptr));
  IconImage garbage = Bound(Bytes(40, 0xFF));
  EXPECT_EQ(garbage.width, -1);
}

TEST(BindImageFields, ShortImagesReadOnlyTheirOwnBytes) {
  Bytes full = Bitmap({32, 64, 1, 32});
  struct {
    std::size_t size;
    std::int32_t width, height;
    std::uint32_t bitsPerPixel;
    std::int64_t xorBits;
  } cases[] = {{0, 0, 0, 0, 0}, {3, 0, 0, 0, 0}, {8, 32, 0, 0, 40}, {12, 32, 32, 0, 40},
               {16, 32, 32, 32, 40}, {39, 32, 32, 32, 40}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    IconImage image = Bound(Prefix(full, c.size));
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.bitsPerPixel, c.bitsPerPixel);
    EXPECT_EQ(image.xorBits, c.xorBits);
    EXPECT_EQ(image.data.size(), c.size);
  }
}

TEST(BindImageFields, PngImagesTakeTheirFieldsFromIhdr) {
  struct {
    const char* what;
    Bytes png;
    std::int32_t width, height;
    std::uint32_t bitsPerPixel;
  } cases[] = {
      {"RGBA 256", test::Png(256, 256, 8, 6), 256, 256, 32},
      {"RGB 48", test::Png(48, 48, 8, 2), 48, 48, 24},
      {"palette 4 bits", test::Png(16, 16, 4, 3), 16, 16, 4},
      {"grey and alpha 16 bits", test::Png(32, 20, 16, 4), 32, 20, 32},
      {"unknown colour type", test::Png(32, 32, 8, 5), 0, 0, 0},
      {"impossible bit depth", test::Png(32, 32, 7, 6), 0, 0, 0},
      {"zero width", test::Png(0, 32), 0, 0, 0},
      {"width past 2^31", test::Png(0x80000000u, 32), 0, 0, 0},
      {"cut inside IHDR", Prefix(test::Png(32, 32), 20), 0, 0, 0},
      {"signature only", Prefix(test::Png(32, 32), 8), 0, 0, 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    IconImage image = Bound(c.png);
    EXPECT_TRUE(IsPngImage(image));
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.bitsPerPixel, c.bitsPerPixel);
    EXPECT_EQ(image.xorBits, 0);
    EXPECT_EQ(image.andMask, 0);
  }
  Bytes wrongChunk = test::Png(32, 32);
  wrongChunk[12] = 'X';
  EXPECT_EQ(Bound(wrongChunk).width, 0);
}

TEST(IconImageSet, CreatedWithRoomForExactlyItsImages) {
  IconImageSet set = CreateIconImageSet(3);
  EXPECT_EQ(set.imageCount, 3u);
  EXPECT_EQ(set.images.size(), 3u);
  EXPECT_TRUE(CreateIconImageSet(0).images.empty());
}

}  // namespace
}  // namespace pindrel
