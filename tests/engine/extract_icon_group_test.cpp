#include "icon/extract_icon_group.h"

#include <gtest/gtest.h>

#include "icon/ico_file.h"
#include "tests/engine/engine_fixtures.h"
#include "tests/support/module_builder.h"

namespace pindrel {
namespace {

using test::BmpIconImage;
using test::Bytes;
using test::FakeResource;
using test::GroupIconResource;
using test::ModuleKind;

// A module whose group k (in directory order) holds one k x k image, and
// which gains whatever extra resources are given.
Bytes NumberedGroups(int groups, ModuleKind kind = ModuleKind::Pe32,
                     std::vector<FakeResource> resources = {}) {
  for (int k = 1; k <= groups; ++k) {
    auto id = static_cast<std::uint16_t>(k);
    resources.push_back({ResourceName::Id(kRtIcon), ResourceName::Id(id), 0, BmpIconImage(k, k, 4)});
    resources.push_back({ResourceName::Id(kRtGroupIcon), ResourceName::Id(id), 0, GroupIconResource({id})});
  }
  return test::BuildModule(kind, resources);
}

// The group a written file holds, by the width of its first image; 0 when
// there is no file, -1 for the 6-byte file of an empty group.
int WrittenGroup(const std::string& path) {
  if (!test::Exists(path)) return 0;
  if (test::ReadBytes(path) == Bytes{0, 0, 1, 0, 0, 0}) return -1;
  auto set = ReadIcoFile(path);
  if (!set || set->imageCount == 0) return -2;
  return set->images[0].width;
}

constexpr int kNone = 0, kEmptyFile = -1;

class ExtractIconGroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bytes ico = test::IcoOf({BmpIconImage(1, 1, 32), test::PngIconImage(256, 256, 8, 6)});
    for (const char* name : {"icon.ico", "UPPER.ICO", "myico", "file.icon", "file.exe "}) {
      test::WriteBytes(Path(name), ico);
    }
    test::WriteBytes(Path("cursor.ico"), test::IcoHead(0, {}, 0, 2));
    test::WriteBytes(Path("empty.ico"), test::IcoHead(0, {}));
    test::WriteBytes(Path("five.dll"), NumberedGroups(5));
    test::WriteBytes(Path("five64.EXE"), NumberedGroups(5, ModuleKind::Pe32Plus));
    test::WriteBytes(Path("old.icl"), NumberedGroups(3, ModuleKind::Ne));
    test::WriteBytes(Path("nogroups.dll"),
                     test::BuildModule(ModuleKind::Pe32, {{ResourceName::Id(kRtIcon), ResourceName::Id(1), 0,
                                                           BmpIconImage(16, 16, 4)}}));
    test::WriteBytes(Path("text.exe"), Bytes(500, 'x'));
    // Group 1 has no images, group 2 names an icon the module lacks, group 3
    // claims sizes its icon does not have.
    test::WriteBytes(Path("odd.dll"),
                     test::BuildModule(ModuleKind::Pe32,
                                       {{ResourceName::Id(kRtGroupIcon), ResourceName::Id(1), 0, GroupIconResource({})},
                                        {ResourceName::Id(kRtGroupIcon), ResourceName::Id(2), 0, GroupIconResource({40})},
                                        {ResourceName::Id(kRtGroupIcon), ResourceName::Id(3), 0,
                                         GroupIconResource({3}, {7})},
                                        {ResourceName::Id(kRtIcon), ResourceName::Id(3), 0, BmpIconImage(3, 3, 8)}}));
  }

  std::string Path(const std::string& name) const { return dir_.File(name); }

  test::ScratchDir dir_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(ExtractIconGroupTest, ResultsAndFilesByCase) {
  struct Case {
    const char* what;
    const char* source;
    int mode;
    const char* target;  // inside the scratch directory; "" stays empty
    int index;
    int result;
    int written;  // the group found in the target afterwards
  } cases[] = {
      {"ICO source", "icon.ico", 0, "t.ico", 1, 1, 1},
      {"ICO source in capitals", "UPPER.ICO", 0, "t.ico", 1, 1, 1},
      {"ICO source without a dot", "myico", 0, "t.ico", 1, 1, 1},
      {"ICO target in capitals", "icon.ico", 0, "t.ICO", 1, 1, 1},
      {".icon is not an ICO source", "file.icon", 0, "t.ico", 1, 0, kNone},
      {".exe and a blank is nothing", "file.exe ", 0, "t.ico", 1, 0, kNone},
      {"unknown kind", "five.txt", 0, "t.ico", 1, 0, kNone},
      {"ICO source, index 2", "icon.ico", 0, "t.ico", 2, 0, kNone},
      {"missing ICO source", "missing.ico", 0, "t.ico", 1, 1, kNone},
      {"cursor file as ICO source", "cursor.ico", 0, "t.ico", 1, 1, kNone},
      {"ICO source without images", "empty.ico", 0, "t.ico", 1, 1, kEmptyFile},
      {"mode 0, empty target", "five.dll", 0, "", 1, 0, kNone},
      {"mode 1 needs no target", "five.dll", 1, "", 1, 5, kNone},
      {"mode 1 writes nothing", "five.dll", 1, "t.ico", 1, 5, kNone},
      {"mode 2 acts as mode 1", "five.dll", 2, "t.ico", 1, 5, kNone},
      {"mode -1 acts as mode 1", "icon.ico", -1, "t.ico", 1, 1, kNone},
      {"module, first group", "five.dll", 0, "t.ico", 1, 5, 1},
      {"module, last group", "five.dll", 0, "t.ico", 5, 5, 5},
      {"module, past the last group", "five.dll", 0, "t.ico", 6, 0, kNone},
      {"index 0 acts as 1", "five.dll", 0, "t.ico", 0, 5, 1},
      {"index -3 acts as 1", "five.dll", 0, "t.ico", -3, 5, 1},
      {"PE32+ module in capitals", "five64.EXE", 0, "t.ico", 4, 5, 4},
      {"NE icon library", "old.icl", 0, "t.ico", 3, 3, 3},
      {"target .png gets no ICO file", "five.dll", 0, "t.png", 2, 5, kNone},
      {"missing module", "missing.dll", 0, "t.ico", 1, 0, kNone},
      {"not a module", "text.exe", 0, "t.ico", 1, 0, kNone},
      {"module without groups", "nogroups.dll", 0, "t.ico", 1, 0, kNone},
      {"group without images", "odd.dll", 0, "t.ico", 1, 3, kEmptyFile},
      {"group naming a missing icon", "odd.dll", 0, "t.ico", 2, 3, kNone},
      {"group size field differs", "odd.dll", 0, "t.ico", 3, 3, 3},
      {"target in a missing directory", "five.dll", 0, "no/t.ico", 1, 5, kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string target = *c.target ? Path(c.target) : "";
    EXPECT_EQ(ExtractIconGroup(Path(c.source), c.mode, target, c.index), c.result);
    EXPECT_EQ(WrittenGroup(target), c.written);
    std::remove(target.c_str());
  }
}

TEST_F(ExtractIconGroupTest, DefaultsAreModeOneAndIndexOne) {
  EXPECT_EQ(ExtractIconGroup(Path("five.dll")), 5);
  EXPECT_EQ(ExtractIconGroup(Path("icon.ico")), 1);
  EXPECT_EQ(ExtractIconGroup(Path("five.dll"), 0), 0);
}

TEST_F(ExtractIconGroupTest, TheRealSizeOfAnImageIsWritten) {
  std::string target = Path("t.ico");
  ASSERT_EQ(ExtractIconGroup(Path("odd.dll"), 0, target, 3), 3);
  auto set = ReadIcoFile(target);
  ASSERT_TRUE(set);
  EXPECT_EQ(set->images[0].dataSize, BmpIconImage(3, 3, 8).size());
}

TEST_F(ExtractIconGroupTest, IcoSourceRewrittenInPlace) {
  // A gap before the image and wrong directory fields; rewritten from memory,
  // the file has neither.
  Bytes image = BmpIconImage(1, 1, 32);
  Bytes file = test::IcoHead(1, {{static_cast<std::uint32_t>(image.size()), 30}});
  file.resize(30);
  file.insert(file.end(), image.begin(), image.end());
  std::string path = Path("same.ico");
  test::WriteBytes(path, file);
  EXPECT_EQ(ExtractIconGroup(path, 0, path, 1), 1);
  Bytes written = test::ReadBytes(path);
  EXPECT_EQ(written.size(), 22 + image.size());
  EXPECT_EQ(written[6], 1);
  EXPECT_EQ(WrittenGroup(path), 1);
}

TEST_F(ExtractIconGroupTest, HundredGroupsOfALargerModule) {
  std::string source = Path("many.exe");
  test::WriteBytes(source, NumberedGroups(150));
  for (int index = 1; index <= 100; ++index) {
    std::string target = Path(std::to_string(index) + ".ico");
    ASSERT_EQ(ExtractIconGroup(source, 0, target, index), 150) << index;
    ASSERT_EQ(WrittenGroup(target), index);
  }
  EXPECT_EQ(ExtractIconGroup(source, 0, Path("150.ico"), 150), 150);
  EXPECT_EQ(ExtractIconGroup(source, 0, Path("151.ico"), 151), 0);
  EXPECT_FALSE(test::Exists(Path("151.ico")));
}

TEST(SourceKindOf, LastThreeBytesLowerCased) {
  struct {
    const char* path;
    SourceKind kind;
  } cases[] = {{"a.ico", SourceKind::Ico}, {"A.ICO", SourceKind::Ico}, {"ico", SourceKind::Ico},
               {"myico", SourceKind::Ico}, {"a.Exe", SourceKind::Module}, {"b.DLL", SourceKind::Module},
               {"c.icl", SourceKind::Module}, {"a.icon", SourceKind::Unknown}, {"a.exe ", SourceKind::Unknown},
               {"co", SourceKind::Unknown}, {"", SourceKind::Unknown},
               // A double-byte character's trail byte is not an ASCII letter to fold.
               {"\xB5\xC4ico", SourceKind::Ico}, {"a.\xC9" "co", SourceKind::Unknown}};
  for (const auto& c : cases) EXPECT_EQ(SourceKindOf(c.path), c.kind) << c.path;
}

}  // namespace
}  // namespace pindrel
