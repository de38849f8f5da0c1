#include "platform/module_resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/module_text.h"
#include "tests/support/module_builder.h"

namespace pindrel {
namespace {

using test::BmpIconImage;
using test::BuildModule;
using test::FakeResource;
using test::GroupIconResource;
using test::ModuleKind;
using test::PngIconImage;
using Bytes = std::vector<std::uint8_t>;

const ResourceName kGroup = ResourceName::Id(kRtGroupIcon);
const ResourceName kIcon = ResourceName::Id(kRtIcon);

ResourceName Id(std::uint16_t id) { return ResourceName::Id(id); }
ResourceName Text(std::u16string text) { return ResourceName::Text(std::move(text)); }

// A module written to a file of its own, removed again when the test ends.
class ModuleFile {
 public:
  explicit ModuleFile(const Bytes& bytes) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    std::replace(name.begin(), name.end(), '/', '_');  // parameterised tests
    path_ = ::testing::TempDir() + "pindrel_module_" + name;
    test::WriteFileBytes(path_, bytes);
  }
  ~ModuleFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::vector<std::string> GroupNames(const ModuleResources& module) {
  std::vector<std::string> names;
  bool ok = module.EnumNames(kGroup, [&](const ResourceName& name) {
    names.push_back(DisplayName(name));
    return true;
  });
  if (!ok) names.push_back("<enumeration failed>");
  return names;
}

Bytes Found(const ModuleResources& module, const ResourceName& name, const ResourceName& type) {
  auto bytes = module.Find(name, type);
  if (!bytes) return {};
  return Bytes(bytes->data, bytes->data + bytes->size);
}

// NE lengths count 16-byte units, so a resource reads back padded with zeros.
Bytes Stored(ModuleKind kind, Bytes data) {
  if (kind == ModuleKind::Ne) data.resize((data.size() + 15) / 16 * 16, 0);
  return data;
}

std::uint16_t UserLanguage() {
#ifdef _WIN32
  return GetUserDefaultLangID();
#else
  return 0x0409;
#endif
}

class ModuleKinds : public ::testing::TestWithParam<ModuleKind> {};

INSTANTIATE_TEST_SUITE_P(All, ModuleKinds,
                         ::testing::Values(ModuleKind::Pe32, ModuleKind::Pe32Plus, ModuleKind::Ne),
                         [](const auto& info) {
                           switch (info.param) {
                             case ModuleKind::Pe32: return std::string("Pe32");
                             case ModuleKind::Pe32Plus: return std::string("Pe32Plus");
                             default: return std::string("Ne");
                           }
                         });

// An icon library: three groups with integer and text names, their images,
// and a resource of another type in between.
std::vector<FakeResource> IconLibrary() {
  return {
      {kIcon, Id(1), 0, BmpIconImage(16, 16, 4)},
      {kIcon, Id(2), 0, BmpIconImage(32, 32, 8)},
      {kIcon, Id(3), 0, PngIconImage(256, 256, 8, 6)},
      {kGroup, Id(7), 0, GroupIconResource({1, 2})},
      {kGroup, Text(u"MAIN"), 0, GroupIconResource({3, 2, 1})},
      {Id(6), Id(1), 0, {'s', 't', 'r'}},
      {kGroup, Id(2), 0, GroupIconResource({})},
  };
}

TEST_P(ModuleKinds, ReadsGroupsAndTheirImages) {
  ModuleFile file(BuildModule(GetParam(), IconLibrary()));
  auto module = ModuleResources::Open(file.path());
  ASSERT_TRUE(module);

  // PE directories list text names first, then identifiers ascending; NE
  // keeps the order the resources were written in.
  std::vector<std::string> order = GetParam() == ModuleKind::Ne
                                       ? std::vector<std::string>{"7", "MAIN", "2"}
                                       : std::vector<std::string>{"MAIN", "2", "7"};
  EXPECT_EQ(GroupNames(*module), order);

  EXPECT_EQ(Found(*module, Text(u"MAIN"), kGroup), Stored(GetParam(), GroupIconResource({3, 2, 1})));
  EXPECT_EQ(Found(*module, Id(7), kGroup), Stored(GetParam(), GroupIconResource({1, 2})));
  EXPECT_EQ(Found(*module, Id(2), kGroup), Stored(GetParam(), GroupIconResource({})));
  EXPECT_EQ(Found(*module, Id(3), kIcon), Stored(GetParam(), PngIconImage(256, 256, 8, 6)));
  EXPECT_EQ(Found(*module, Id(1), kIcon), Stored(GetParam(), BmpIconImage(16, 16, 4)));
  EXPECT_EQ(Found(*module, Id(1), Id(6)), Stored(GetParam(), {'s', 't', 'r'}));

  EXPECT_FALSE(module->Find(Id(4), kIcon));        // no such image
  EXPECT_FALSE(module->Find(Id(3), kGroup));       // an image id is no group
  EXPECT_FALSE(module->Find(Text(u"MAIN"), kIcon));
  EXPECT_FALSE(module->Find(Id(1), Id(5)));        // no such type
}

// Copy hands out what Find finds, in a buffer of the caller's own, and
// refuses a resource longer than the caller allows before reading it.
TEST_P(ModuleKinds, CopyGivesWhatFindFinds) {
  ModuleFile file(BuildModule(GetParam(), IconLibrary()));
  auto module = ModuleResources::Open(file.path());
  ASSERT_TRUE(module);
  for (const auto& [name, type] : {std::pair{Id(3), kIcon}, std::pair{Id(1), kIcon},
                                   std::pair{Text(u"main"), kGroup}, std::pair{Id(2), kGroup}}) {
    const Bytes found = Found(*module, name, type);
    ASSERT_FALSE(found.empty()) << DisplayName(name);
    EXPECT_EQ(module->Copy(name, type, found.size()), found) << DisplayName(name);
    EXPECT_FALSE(module->Copy(name, type, found.size() - 1)) << DisplayName(name);
  }
  EXPECT_FALSE(module->Copy(Id(4), kIcon, UINT64_MAX));  // no such image
  EXPECT_FALSE(module->Copy(Id(1), Id(5), UINT64_MAX));  // no such type
}

TEST_P(ModuleKinds, TextNamesMatchWithoutRegardToCase) {
  ModuleFile file(BuildModule(GetParam(), {{kGroup, Text(u"Folder_Open"), 0, {1, 2, 3}},
                                           {kGroup, Text(u"\u00C9T\u00C9"), 0, {4}}}));
  auto module = ModuleResources::Open(file.path());
  ASSERT_TRUE(module);
  for (const char16_t* name : {u"Folder_Open", u"FOLDER_OPEN", u"folder_open"})
    EXPECT_EQ(Found(*module, Text(name), kGroup), Stored(GetParam(), {1, 2, 3}));
  // Beyond ASCII only for PE: NE names are in the ANSI code page, which
  // differs between the builds.
  if (GetParam() != ModuleKind::Ne) {
    EXPECT_EQ(Found(*module, Text(u"\u00E9t\u00E9"), kGroup), Stored(GetParam(), {4}));  // été
  }
  EXPECT_FALSE(module->Find(Text(u"Folder_Ope"), kGroup));
  EXPECT_FALSE(module->Find(Text(u"Folder_Open_"), kGroup));
  EXPECT_FALSE(module->Find(Text(u"7"), kGroup));
}

TEST_P(ModuleKinds, EnumerationFailsWithoutGroups) {
  ModuleFile file(BuildModule(GetParam(), {{kIcon, Id(1), 0, BmpIconImage(16, 16, 1)}}));
  auto module = ModuleResources::Open(file.path());
  ASSERT_TRUE(module);
  int calls = 0;
  EXPECT_FALSE(module->EnumNames(kGroup, [&](const ResourceName&) { return ++calls, true; }));
  EXPECT_EQ(calls, 0);
}

TEST_P(ModuleKinds, EnumerationStopsWhenAsked) {
  std::vector<FakeResource> resources;
  for (std::uint16_t id = 1; id <= 150; ++id) resources.push_back({kGroup, Id(id), 0, {1}});
  ModuleFile file(BuildModule(GetParam(), resources));
  auto module = ModuleResources::Open(file.path());
  ASSERT_TRUE(module);
  EXPECT_EQ(GroupNames(*module).size(), 150u);
  std::vector<std::uint16_t> seen;
  EXPECT_TRUE(module->EnumNames(kGroup, [&](const ResourceName& name) {
    seen.push_back(name.id);
    return seen.size() < 2;
  }));
  EXPECT_EQ(seen, (std::vector<std::uint16_t>{1, 2}));
}

// Names compare as the platform compares them after upper-casing the name it
// looks for, which is also the order resource compilers sort them in.
TEST(ModuleResources, NameComparisonFoldsCase) {
  struct Case {
    std::u16string a, b;
    int order;
  } cases[] = {
      {u"icon_A", u"ICON_a", 0},
      {u"\u00FF", u"\u0178", 0},              // ÿ Ÿ
      {u"\u00E0\u00FE", u"\u00C0\u00DE", 0},  // àþ ÀÞ
      {u"\u00F7", u"\u00D7", 1},              // ÷ and × are no pair
      {u"\u0101\u013A\u017E", u"\u0100\u0139\u017D", 0},  // āĺž ĀĹŽ
      {u"\u03B1\u03C2", u"\u0391\u03A3", 0},  // ας ΑΣ
      {u"\u0436\u0451", u"\u0416\u0401", 0},  // жё ЖЁ
      {u"\uFF41", u"\uFF21", 0},              // full-width a A
      {u"\u6587", u"\u6587", 0},
      {u"a", u"B", -1},
      {u"AB", u"abc", -1},
      {u"A_", u"AB", 1},                     // '_' sorts after the capitals
      {u"", u"A", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CompareNames(c.a, c.b), c.order) << DisplayName(Text(c.a));
    EXPECT_EQ(CompareNames(c.b, c.a), -c.order) << DisplayName(Text(c.a));
  }
}

TEST(ModuleResources, PeDirectoryOrderIsTextAscendingThenIdsAscending) {
  ModuleFile file(BuildModule(ModuleKind::Pe32Plus, {{kGroup, Id(300), 0, {1}},
                                                     {kGroup, Text(u"zeta"), 0, {1}},
                                                     {kGroup, Id(5), 0, {1}},
                                                     {kGroup, Text(u"ALPHA"), 0, {1}},
                                                     {kGroup, Text(u"Beta"), 0, {1}},
                                                     {kGroup, Text(u"AB"), 0, {1}},
                                                     {kGroup, Id(1), 0, {1}}}));
  auto module = ModuleResources::Open(file.path());
  ASSERT_TRUE(module);
  EXPECT_EQ(GroupNames(*module),
            (std::vector<std::string>{"AB", "ALPHA", "Beta", "zeta", "1", "5", "300"}));
}

// The name stays UTF-16 inside the reader, so it is found again whatever the
// ANSI code page, and it is shown as UTF-8.
TEST(ModuleResources, ChineseGroupNameIsFoundAgainAndShownAsUtf8) {
  const std::u16string chinese = u"\u6587\u4ef6\u5939\u56fe\u6807";  // 文件夹图标
  for (ModuleKind kind : {ModuleKind::Pe32, ModuleKind::Pe32Plus}) {
    ModuleFile file(BuildModule(kind, {{kGroup, Text(chinese), 0, {9, 9}}, {kGroup, Id(1), 0, {1}}}));
    auto module = ModuleResources::Open(file.path());
    ASSERT_TRUE(module);
    std::vector<ResourceName> names;
    module->EnumNames(kGroup, [&](const ResourceName& name) { return names.push_back(name), true; });
    ASSERT_EQ(names.size(), 2u);
    EXPECT_FALSE(names[0].isId);
    EXPECT_EQ(names[0].text, chinese);
    EXPECT_EQ(DisplayName(names[0]), "\xE6\x96\x87\xE4\xBB\xB6\xE5\xA4\xB9\xE5\x9B\xBE\xE6\xA0\x87");
    EXPECT_EQ(Found(*module, names[0], kGroup), (Bytes{9, 9}));
  }
}

TEST(ModuleResources, DisplayNameShowsIdsInDecimalAndTextAsUtf8) {
  struct Case {
    ResourceName name;
    std::string shown;
  } cases[] = {
      {Id(0), "0"},
      {Id(65535), "65535"},
      {Text(u"IDI_APP"), "IDI_APP"},
      {Text(u"\u00E9"), "\xC3\xA9"},
      {Text(u"\U0001F600"), "\xF0\x9F\x98\x80"},               // a surrogate pair
      {Text(u"a\xD800" u"b"), "a\xEF\xBF\xBD" "b"},            // unpaired high surrogate
      {Text(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD"},    // lone low surrogate
      {Text(u""), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(DisplayName(c.name), c.shown) << c.shown;
}

// Neutral first, then the user's default language, then the first stored:
// a group stored in one language whose images are stored in another is read.
TEST(ModuleResources, LanguageChoice) {
  const std::uint16_t german = 0x0407, french = 0x040C;
  std::uint16_t user = UserLanguage();
  ModuleFile file(BuildModule(
      ModuleKind::Pe32Plus,
      {
          {kGroup, Id(1), german, GroupIconResource({1})},
          {kIcon, Id(1), french, {'f', 'r'}},
          {kIcon, Id(1), german == user ? french : german, {'o', 't', 'h', 'e', 'r'}},
          {kIcon, Id(2), german, {'d', 'e'}},
          {kIcon, Id(2), 0, {'n', 'e', 'u'}},
          {kIcon, Id(2), user, {'u', 's', 'e', 'r'}},
          {kIcon, Id(3), german, {'d', 'e'}},
          {kIcon, Id(3), user, {'u', 's', 'e', 'r'}},
          {kIcon, Id(3), 0x7C04, {'z', 'h'}},
      }));
  auto module = ModuleResources::Open(file.path());
  ASSERT_TRUE(module);
  EXPECT_EQ(Found(*module, Id(1), kGroup), GroupIconResource({1}));
  EXPECT_EQ(Found(*module, Id(2), kIcon), (Bytes{'n', 'e', 'u'}));
  EXPECT_EQ(Found(*module, Id(3), kIcon), (Bytes{'u', 's', 'e', 'r'}));
  // Neither neutral nor the user's language: the first stored, which is the
  // lowest language id.
  Bytes first = french < (german == user ? french : german) ? Bytes{'f', 'r'}
                                                           : Bytes{'o', 't', 'h', 'e', 'r'};
  EXPECT_EQ(Found(*module, Id(1), kIcon), first);
}

// An image 2.25 GB into a sparse file, beyond every signed 32-bit offset:
// resources are reached through small reads at their own offsets, never
// through the whole file or image, so this works in a 32-bit process too.
TEST(ModuleResources, ReadsAResourceBeyondTwoGigabytes) {
  const Bytes image = PngIconImage(48, 48, 8, 6);
  Bytes bytes = BuildModule(ModuleKind::Pe32, {{kIcon, Id(1), 0, {0}},
                                               {kGroup, Id(1), 0, GroupIconResource({1})}});
  // Builder layout: section header at 0x138, raw data at 0x200 (RVA 0x1000),
  // the icon's data entry at 0x80 in the section.
  const std::uint32_t distant = 0x90000000u;
  auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(0x138 + 16, distant + 0x1000);  // SizeOfRawData
  put32(0x200 + 0x80, 0x1000 + distant);
  put32(0x200 + 0x84, static_cast<std::uint32_t>(image.size()));
  ModuleFile file(bytes);
  {
    std::fstream out(file.path(), std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(0x200) + distant);
    out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    ASSERT_TRUE(out.flush());
  }
  auto module = ModuleResources::Open(file.path());
  ASSERT_TRUE(module);
  EXPECT_EQ(Found(*module, Id(1), kGroup), GroupIconResource({1}));
  EXPECT_EQ(Found(*module, Id(1), kIcon), image);
  EXPECT_EQ(module->Copy(Id(1), kIcon, image.size()), image);
}

TEST(ModuleResources, OpenRefusesWhatIsNotAModule) {
  EXPECT_FALSE(ModuleResources::Open(::testing::TempDir() + "pindrel_no_such_module.dll"));
  EXPECT_FALSE(ModuleResources::Open(::testing::TempDir()));  // a directory
  for (const Bytes& bytes : {Bytes{}, Bytes{'M'}, Bytes{'M', 'Z'}, Bytes(64, 0),
                             Bytes{0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0}}) {
    ModuleFile file(bytes);
    EXPECT_FALSE(ModuleResources::Open(file.path())) << bytes.size();
  }
#ifndef _WIN32
  // A FIFO has no writer: the open must not wait for one.
  const std::string fifo = ::testing::TempDir() + "pindrel_fifo.dll";
  unlink(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ModuleResources::Open(fifo));
  unlink(fifo.c_str());
#endif
}

// A real module: Wine's own shell32.dll, where Debian's wine64 installs it.
TEST(ModuleResources, RealShell32) {
  const std::string path = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/shell32.dll";
  if (!std::ifstream(path)) GTEST_SKIP() << path << " is not installed";
  auto module = ModuleResources::Open(path);
  ASSERT_TRUE(module);
  int groups = 0, images = 0;
  module->EnumNames(kGroup, [&](const ResourceName& name) {
    ++groups;
    auto group = module->Find(name, kGroup);
    EXPECT_TRUE(group) << DisplayName(name);
    if (!group || group->size < 6) return true;
    unsigned count = group->data[4] | group->data[5] << 8;
    for (unsigned i = 0; i < count && 6 + 14 * i + 14 <= group->size; ++i) {
      const std::uint8_t* entry = group->data + 6 + 14 * i;
      auto image = module->Find(Id(static_cast<std::uint16_t>(entry[12] | entry[13] << 8)), kIcon);
      EXPECT_TRUE(image && image->size > 40) << DisplayName(name);
      ++images;
    }
    return true;
  });
  EXPECT_EQ(groups, 184);
  EXPECT_GT(images, 184);
}

}  // namespace
}  // namespace pindrel
