// The committed banner, built into this test program as the RCDATA resource
// "BANNER" the way the program carries it, decoded by the loader.
#include "ui/banner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace pindrel {
namespace {

struct BitmapDeleter {
  HBITMAP bitmap;
  ~BitmapDeleter() {
    if (bitmap) DeleteObject(bitmap);
  }
};

std::vector<std::uint8_t> OwnBannerBytes() {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, "BANNER", MAKEINTRESOURCEA(10));
  if (!found) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(self, found)));
  return {bytes, bytes + SizeofResource(self, found)};
}

TEST(BannerTest, DecodesTheBannerIntoAnOpaqueBitmap) {
  BitmapDeleter banner{LoadBanner(GetModuleHandleA(nullptr))};
  ASSERT_NE(banner.bitmap, nullptr);
  DIBSECTION dib{};
  ASSERT_EQ(GetObjectA(banner.bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBm.bmWidth, 980);
  EXPECT_EQ(dib.dsBm.bmHeight, 46);
  EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
  ASSERT_NE(dib.dsBm.bmBits, nullptr);

  const auto* bits = static_cast<const std::uint8_t*>(dib.dsBm.bmBits);
  auto pixel = [&](int x, int y) {
    const std::uint8_t* p = bits + y * dib.dsBm.bmWidthBytes + x * 4;
    return RGB(p[2], p[1], p[0]) | static_cast<DWORD>(p[3]) << 24;
  };
  constexpr DWORD kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;
  struct Probe {
    int x, y;
    DWORD colour;
  } probes[] = {
      {27, 30, kBlack},   // stem of the P
      {28, 12, kBlack},
      {100, 25, kBlack},  // inside the lettering
      {100, 35, kBlack},  // the n, below the top of the lower-case letters,
      {100, 10, kWhite},  // and above it: rows run top-down
      {0, 0, kWhite},     {5, 5, kWhite},   {16, 20, kWhite},
      {330, 20, kWhite},  {979, 45, kWhite}, {200, 45, kWhite},
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(pixel(p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
  }
  for (int y = 0; y < 46; ++y) {
    for (int x = 0; x < 980; ++x) {
      ASSERT_EQ(pixel(x, y) >> 24, 0xFFu) << "alpha at " << x << "," << y;
    }
  }
}

TEST(BannerTest, MissingResourceGivesNoBitmap) {
  EXPECT_EQ(LoadBanner(GetModuleHandleA("kernel32.dll")), nullptr);
}

TEST(BannerTest, BrokenPicturesGiveNoBitmap) {
  const std::vector<std::uint8_t> png = OwnBannerBytes();
  ASSERT_GT(png.size(), 100u);

  std::vector<std::uint8_t> huge = png;  // IHDR claims 100000 x 46
  huge[16] = 0x00, huge[17] = 0x01, huge[18] = 0x86, huge[19] = 0xA0;
  std::vector<std::uint8_t> notPng(png.size(), 0x42);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"signature only", {png.begin(), png.begin() + 8}},
      {"cut in the pixel data", {png.begin(), png.begin() + png.size() / 2}},
      {"not a PNG", notPng},
      {"enormous header", huge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HBITMAP bitmap = DecodePngBitmap(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(bitmap, nullptr);
    if (bitmap) DeleteObject(bitmap);
  }
}

}  // namespace
}  // namespace pindrel
