#include "icon/ico_file.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "tests/engine/engine_fixtures.h"

namespace pindrel {
namespace {

using test::Bitmap;
using test::BitmapFields;
using test::Bytes;
using test::IcoEntry;
using test::IcoHead;
using test::IcoOf;
using test::ReadBytes;
using test::WriteBytes;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Bytes WithSizeImageCleared(Bytes image) {
  test::PutLe(image, 20, 0, 4);
  return image;
}

Bytes Slice(const Bytes& bytes, std::size_t at, std::size_t n) {
  return Bytes(bytes.begin() + at, bytes.begin() + at + n);
}

class IcoFileTest : public ::testing::Test {
 protected:
  test::ScratchDir dir_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
  std::string Path(const std::string& name) { return dir_.File(name); }

  std::optional<IconImageSet> ReadFixture(const Bytes& bytes) {
    std::string path = Path("in.ico");
    WriteBytes(path, bytes);
    return ReadIcoFile(path);
  }
};

TEST_F(IcoFileTest, ReadWriteReadKeepsEveryImage) {
  const Bytes images[] = {Bitmap({16, 32, 1, 1}), Bitmap({32, 64, 1, 8, 0, 4096}),
                          Bitmap({48, 96, 1, 32}), test::Png(256, 256)};
  std::string first = Path("first.ico");
  WriteBytes(first, IcoOf({images[0], images[1], images[2], images[3]}));

  auto set = ReadIcoFile(first);
  ASSERT_TRUE(set);
  EXPECT_EQ(set->icoFileName, first);
  EXPECT_TRUE(set->moduleFileName.empty());
  ASSERT_EQ(set->imageCount, 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(set->images[i].data, images[i]) << i;
    EXPECT_EQ(set->images[i].dataSize, images[i].size());
  }
  EXPECT_EQ(set->images[1].width, 32);
  EXPECT_EQ(set->images[1].height, 32);
  EXPECT_EQ(set->images[1].bitsPerPixel, 8u);

  std::string second = Path("second.ico");
  ASSERT_TRUE(WriteIcoFile(*set, second));
  auto again = ReadIcoFile(second);
  ASSERT_TRUE(again);
  ASSERT_EQ(again->imageCount, 4u);
  EXPECT_EQ(again->images[0].data, images[0]);
  EXPECT_EQ(again->images[1].data, WithSizeImageCleared(images[1]));
  EXPECT_EQ(again->images[3].data, images[3]);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(again->images[i].width, set->images[i].width);
    EXPECT_EQ(again->images[i].height, set->images[i].height);
    EXPECT_EQ(again->images[i].bitsPerPixel, set->images[i].bitsPerPixel);
  }
}

TEST_F(IcoFileTest, EmptySetIsTheSixByteFile) {
  auto set = ReadFixture(IcoHead(0, {}));
  ASSERT_TRUE(set);
  EXPECT_EQ(set->imageCount, 0u);
  EXPECT_TRUE(set->images.empty());
  std::string out = Path("out.ico");
  ASSERT_TRUE(WriteIcoFile(*set, out));
  EXPECT_EQ(ReadBytes(out), (Bytes{0, 0, 1, 0, 0, 0}));
}

TEST_F(IcoFileTest, TwoImagesAreWrittenBackToBackBehindTheDirectory) {
  Bytes a = Bitmap({16, 32, 1, 4, 0, 0xAABBCCDD}, 300);
  Bytes b = Bitmap({8, 16, 1, 24}, 200);
  IconImageSet set = CreateIconImageSet(2);
  set.images[0].data = a;
  set.images[1].data = b;
  for (IconImage& image : set.images) {
    image.dataSize = static_cast<std::uint32_t>(image.data.size());
    BindImageFields(&image);
  }
  EXPECT_EQ(IcoImageOffset(set, 0), 38u);
  EXPECT_EQ(IcoImageOffset(set, 1), 338u);
  EXPECT_EQ(IcoImageOffset(set, 2), 538u);

  std::string out = Path("out.ico");
  ASSERT_TRUE(WriteIcoFile(set, out));
  Bytes expected = Cat({
      {0, 0, 1, 0, 2, 0},
      {16, 16, 16, 0, 1, 0, 4, 0, 0x2C, 0x01, 0, 0, 38, 0, 0, 0},
      {8, 8, 0, 0, 1, 0, 24, 0, 200, 0, 0, 0, 0x52, 0x01, 0, 0},
      WithSizeImageCleared(a),
      b,
  });
  EXPECT_EQ(ReadBytes(out), expected);
  EXPECT_EQ(ReadBytes(out).size(), 538u);
}

TEST_F(IcoFileTest, DirectoryEntriesComeFromTheImages) {
  struct {
    const char* what;
    Bytes image;
    Bytes entryHead;  // width, height, colours, reserved, planes, bits
  } cases[] = {
      {"256 is written as 0", Bitmap({256, 512, 1, 32}, 40), {0, 0, 0, 0, 1, 0, 32, 0}},
      {"1 bit", Bitmap({16, 32, 1, 1}, 40), {16, 16, 2, 0, 1, 0, 1, 0}},
      {"4 bits", Bitmap({32, 64, 1, 4}, 40), {32, 32, 16, 0, 1, 0, 4, 0}},
      {"8 bits", Bitmap({32, 64, 1, 8}, 40), {32, 32, 0, 0, 1, 0, 8, 0}},
      {"24 bits", Bitmap({24, 48, 1, 24}, 40), {24, 24, 0, 0, 1, 0, 24, 0}},
      {"no bits", Bitmap({16, 32, 1, 0}, 40), {16, 16, 1, 0, 1, 0, 0, 0}},
      {"planes times bits", Bitmap({16, 32, 2, 2}, 40), {16, 16, 16, 0, 2, 0, 2, 0}},
      {"PNG 256", test::Png(256, 256), {0, 0, 0, 0, 1, 0, 32, 0}},
      {"PNG 48 RGB", test::Png(48, 48, 8, 2), {48, 48, 0, 0, 1, 0, 24, 0}},
      {"PNG with a broken IHDR", Slice(test::Png(48, 48), 0, 20), {0, 0, 0, 0, 1, 0, 0, 0}},
      {"short image", Slice(Bitmap({16, 32, 1, 4}, 40), 0, 14), {16, 16, 1, 0, 1, 0, 0, 0}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    // The source directory claims 32 x 32 for every image; the writer ignores it.
    auto set = ReadFixture(IcoOf({c.image}));
    ASSERT_TRUE(set);
    std::string out = Path("out.ico");
    ASSERT_TRUE(WriteIcoFile(*set, out));
    Bytes written = ReadBytes(out);
    ASSERT_EQ(written.size(), 22 + c.image.size());
    EXPECT_EQ(Slice(written, 6, 8), c.entryHead);
  }
}

TEST_F(IcoFileTest, RefusesWhatIsNotAnIconFile) {
  Bytes image = Bitmap({16, 32, 1, 32});
  Bytes twoEntriesOneGiven = IcoHead(2, {{40, 22}});
  twoEntriesOneGiven.resize(twoEntriesOneGiven.size() + 8);
  struct {
    const char* what;
    Bytes file;
  } cases[] = {
      {"empty file", {}},
      {"five bytes", {0, 0, 1, 0, 0}},
      {"reserved not 0", IcoHead(0, {}, 1)},
      {"cursor", IcoHead(0, {}, 0, 2)},
      {"type 0", IcoHead(0, {}, 0, 0)},
      {"directory shorter than its count", twoEntriesOneGiven},
      {"image runs past the end", Cat({IcoHead(1, {{static_cast<std::uint32_t>(image.size() + 1), 22}}), image})},
      {"image starts past the end", Cat({IcoHead(1, {{0, 0x10000}}), image})},
      {"offset plus size wraps around", Cat({IcoHead(1, {{0x20, 0xFFFFFFF0u}}), image})},
      {"huge size in a tiny file", Cat({IcoHead(1, {{0xFFFFFFFFu, 22}}), Bytes(18)})},
      {"entries claim the file many times over",
       Cat({IcoHead(3, {{100, 54}, {100, 54}, {100, 54}}), Bytes(200)})},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(ReadFixture(c.file));
    EXPECT_FALSE(ReadIcoBytes(c.file.data(), c.file.size()));
  }
  EXPECT_FALSE(ReadIcoFile(Path("missing.ico")));
}

TEST_F(IcoFileTest, ImagesAreReadFromTheirOwnOffsets) {
  Bytes a = Bitmap({16, 32, 1, 4});
  Bytes b = test::Png(32, 32);
  // b first, then a gap, then a; the directory lists a first.
  const std::uint32_t bAt = 38, aAt = bAt + static_cast<std::uint32_t>(b.size()) + 17;
  Bytes file = Cat({IcoHead(2, {{static_cast<std::uint32_t>(a.size()), aAt},
                                {static_cast<std::uint32_t>(b.size()), bAt}}),
                    b, Bytes(17, 0xEE), a});
  std::string path = Path("gaps.ico");
  WriteBytes(path, file);
  auto set = ReadIcoFile(path);
  ASSERT_TRUE(set);
  ASSERT_EQ(set->imageCount, 2u);
  EXPECT_EQ(set->images[0].data, a);
  EXPECT_EQ(set->images[1].data, b);

  // Written back over its own source: directory order, no gaps.
  ASSERT_TRUE(WriteIcoFile(*set, path));
  Bytes written = ReadBytes(path);
  ASSERT_EQ(written.size(), 38 + a.size() + b.size());
  EXPECT_EQ(Slice(written, 38, a.size()), a);
  EXPECT_EQ(Slice(written, 38 + a.size(), b.size()), b);
}

TEST_F(IcoFileTest, ImagesSharingBytesAreReadWhileTheyFitTheFile) {
  Bytes image = Bitmap({16, 32, 1, 32}, 100);
  auto set = ReadFixture(Cat({IcoHead(2, {{100, 38}, {100, 38}}), image, Bytes(100)}));
  ASSERT_TRUE(set);
  EXPECT_EQ(set->images[0].data, image);
  EXPECT_EQ(set->images[1].data, image);
}

TEST_F(IcoFileTest, SizeImageIsClearedInTheFileAndKeptInTheSet) {
  Bytes image = Bitmap({32, 64, 1, 32, 0, 0x12345678});
  auto set = ReadFixture(IcoOf({image}));
  ASSERT_TRUE(set);
  std::string out = Path("out.ico");
  ASSERT_TRUE(WriteIcoFile(*set, out));
  EXPECT_EQ(Slice(ReadBytes(out), 22, image.size()), WithSizeImageCleared(image));
  EXPECT_EQ(set->images[0].data, image);
}

TEST_F(IcoFileTest, PngAndShortImagesAreCarriedByteForByte) {
  // Bytes 20 to 23 of a PNG hold its height; clearing them would break it.
  Bytes png = test::Png(256, 256);
  Bytes shortImage = Slice(Bitmap({16, 32, 1, 4, 0, 0x01020304}, 40), 0, 39);
  Bytes tiny = {1, 2, 3};
  Bytes empty;
  auto set = ReadFixture(IcoOf({png, shortImage, tiny, empty}));
  ASSERT_TRUE(set);
  std::string out = Path("out.ico");
  ASSERT_TRUE(WriteIcoFile(*set, out));
  Bytes written = ReadBytes(out);
  std::size_t at = 6 + 16 * 4;
  for (const Bytes* image : {&png, &shortImage, &tiny, &empty}) {
    EXPECT_EQ(Slice(written, at, image->size()), *image);
    at += image->size();
  }
  EXPECT_EQ(at, written.size());
}

TEST_F(IcoFileTest, SetsTheFormatCannotHoldAreRefusedUntouched) {
  std::string out = Path("out.ico");
  IconImageSet wrongCount = CreateIconImageSet(2);
  wrongCount.imageCount = 3;
  IconImageSet wrongSize = CreateIconImageSet(1);
  wrongSize.images[0].data = Bytes(10);
  wrongSize.images[0].dataSize = 11;
  IconImageSet tooMany = CreateIconImageSet(0x10000);
  for (IconImageSet* set : {&wrongCount, &wrongSize, &tooMany}) {
    EXPECT_FALSE(WriteIcoFile(*set, out));
    EXPECT_FALSE(test::Exists(out));
  }
}

TEST_F(IcoFileTest, UnwritableTargetFails) {
  IconImageSet set = CreateIconImageSet(0);
  EXPECT_FALSE(WriteIcoFile(set, Path("no-such-dir/out.ico")));
}

TEST_F(IcoFileTest, HeaderReaderLeavesTheFileBehindTheHeader) {
  std::string path = Path("in.ico");
  WriteBytes(path, Cat({IcoHead(7, {}), {0xAB}}));
  auto file = File::OpenForReading(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(ReadIcoFileHeader(*file), 7);
  std::uint8_t next = 0;
  ASSERT_TRUE(file->ReadExact(&next, 1));
  EXPECT_EQ(next, 0xAB);
}

#ifdef _WIN32
// The engine opens without sharing, so a file someone else holds open is
// neither read nor replaced.
TEST_F(IcoFileTest, FileHeldByAnotherHandleIsLeftAlone) {
  std::string path = Path("held.ico");
  Bytes original = IcoOf({Bitmap({16, 32, 1, 4})});
  WriteBytes(path, original);
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(ReadIcoFile(path));
  IconImageSet set = CreateIconImageSet(0);
  EXPECT_FALSE(WriteIcoFile(set, path));
  CloseHandle(holder);
  EXPECT_EQ(ReadBytes(path), original);
}
#else
// A FIFO named like an icon file has no writer: opening it must not wait for one.
TEST_F(IcoFileTest, FifoIsRefusedWithoutWaiting) {
  std::string path = Path("pipe.ico");
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_FALSE(ReadIcoFile(path));
}
#endif

}  // namespace
}  // namespace pindrel
