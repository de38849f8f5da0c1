// Our reader against the platform's own: every module of the system directory
// that has icon groups, and modules built by the tests, opened both with
// LoadLibraryExA(LOAD_LIBRARY_AS_DATAFILE) and with ModuleResources. Both must
// list the same group names in the same order and give the same bytes for
// every group and every RT_ICON a group names.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>

#include "platform/module_resources.h"
#include "tests/support/module_builder.h"

namespace pindrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

const ResourceName kGroup = ResourceName::Id(kRtGroupIcon);
const ResourceName kIcon = ResourceName::Id(kRtIcon);

class Library {
 public:
  explicit Library(const std::string& path)
      : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

// A name as EnumResourceNamesA hands it out: an identifier, or a text in the
// ANSI code page.
struct AnsiName {
  bool isId = true;
  WORD id = 0;
  std::string text;
  LPCSTR AsResource() const { return isId ? MAKEINTRESOURCEA(id) : text.c_str(); }
};

std::string ToAnsi(const std::u16string& text) {
  std::wstring wide(text.begin(), text.end());
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

std::string Show(const AnsiName& name) { return name.isId ? std::to_string(name.id) : name.text; }

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* names = reinterpret_cast<std::vector<AnsiName>*>(param);
  if (IS_INTRESOURCE(name))
    names->push_back({true, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)), {}});
  else
    names->push_back({false, 0, name});
  return TRUE;
}

std::optional<Bytes> ApiBytes(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC info = FindResourceA(module, name, type);
  if (!info) return std::nullopt;
  HGLOBAL loaded = LoadResource(module, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return std::nullopt;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return Bytes(bytes, bytes + SizeofResource(module, info));
}

std::optional<Bytes> OurBytes(const ModuleResources& module, const ResourceName& name,
                              const ResourceName& type) {
  auto found = module.Find(name, type);
  if (!found) return std::nullopt;
  return Bytes(found->data, found->data + found->size);
}

struct Tally {
  int modules = 0, groups = 0, icons = 0;
};

// Compares one file; returns false when neither side finds icon groups.
bool CrossCheck(const std::string& path, Tally& tally) {
  SCOPED_TRACE(path);
  std::vector<AnsiName> apiNames;
  Library api(path);
  bool apiListed = api.get() && EnumResourceNamesA(api.get(), MAKEINTRESOURCEA(kRtGroupIcon), CollectName,
                                                   reinterpret_cast<LONG_PTR>(&apiNames));
  std::vector<ResourceName> ourNames;
  auto ours = ModuleResources::Open(path);
  bool ourListed = ours && ours->EnumNames(kGroup, [&](const ResourceName& name) {
    ourNames.push_back(name);
    return true;
  });
  EXPECT_EQ(ourListed, apiListed);
  if (!ourListed || !apiListed) return apiListed || ourListed;

  ++tally.modules;
  EXPECT_EQ(ourNames.size(), apiNames.size());
  for (std::size_t i = 0; i < ourNames.size() && i < apiNames.size(); ++i) {
    const AnsiName& apiName = apiNames[i];
    const ResourceName& ourName = ourNames[i];
    SCOPED_TRACE(Show(apiName));
    EXPECT_EQ(ourName.isId, apiName.isId);
    if (ourName.isId != apiName.isId) continue;
    if (ourName.isId) {
      EXPECT_EQ(ourName.id, apiName.id);
    } else {
      EXPECT_EQ(ToAnsi(ourName.text), apiName.text);
    }

    ++tally.groups;
    auto apiGroup = ApiBytes(api.get(), apiName.AsResource(), MAKEINTRESOURCEA(kRtGroupIcon));
    auto ourGroup = OurBytes(*ours, ourName, kGroup);
    EXPECT_EQ(ourGroup, apiGroup);
    if (!apiGroup || apiGroup->size() < 6) continue;
    unsigned count = (*apiGroup)[4] | (*apiGroup)[5] << 8;
    for (unsigned k = 0; k < count && 6 + 14 * (k + 1) <= apiGroup->size(); ++k) {
      WORD id = static_cast<WORD>((*apiGroup)[6 + 14 * k + 12] | (*apiGroup)[6 + 14 * k + 13] << 8);
      ++tally.icons;
      EXPECT_EQ(OurBytes(*ours, ResourceName::Id(id), kIcon),
                ApiBytes(api.get(), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(kRtIcon)))
          << "icon " << id;
    }
  }
  return true;
}

TEST(ModuleCrossCheck, EverySystemModuleWithIconGroups) {
  char directory[MAX_PATH];
  UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, static_cast<UINT>(MAX_PATH));
  std::string dir(directory, length);

  Tally tally;
  int shell32Groups = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string path = dir + "\\" + found.cFileName;
    int before = tally.groups;
    CrossCheck(path, tally);
    if (lstrcmpiA(found.cFileName, "shell32.dll") == 0) shell32Groups = tally.groups - before;
  } while (FindNextFileA(search, &found));
  FindClose(search);

  std::cout << "compared " << tally.modules << " modules of " << dir << ": " << tally.groups
            << " groups, " << tally.icons << " icon images\n";
  EXPECT_EQ(shell32Groups, 184);
  EXPECT_GE(tally.modules, 5);
}

// Modules the tests build, including what the system directory lacks: PE32,
// text names, a Chinese name and resources stored in several languages.
TEST(ModuleCrossCheck, BuiltModules) {
  using test::FakeResource;
  auto id = [](std::uint16_t n) { return ResourceName::Id(n); };
  auto text = [](std::u16string s) { return ResourceName::Text(std::move(s)); };
  std::vector<FakeResource> resources = {
      {kIcon, id(1), 0x0407, test::BmpIconImage(16, 16, 4)},
      {kIcon, id(1), 0x040C, test::BmpIconImage(16, 16, 8)},
      {kIcon, id(2), 0, test::BmpIconImage(32, 32, 32)},
      {kIcon, id(2), 0x0407, test::BmpIconImage(32, 32, 1)},
      {kIcon, id(3), 0x0804, test::PngIconImage(256, 256, 8, 6)},
      {kIcon, id(3), 0x0407, test::PngIconImage(48, 48, 8, 6)},
      {kGroup, id(9), 0x0407, test::GroupIconResource({1, 2, 3}, {1, 2, 3})},
      {kGroup, text(u"ZETA"), 0, test::GroupIconResource({2})},
      {kGroup, text(u"ALPHA_1"), 0x040C, test::GroupIconResource({3, 1})},
      {kGroup, text(u"\u6587\u4ef6\u5939\u56fe\u6807"), 0, test::GroupIconResource({1})},
      {kGroup, id(2), 0, test::GroupIconResource({})},
      {kGroup, id(700), 0, test::GroupIconResource({4})},
  };
  for (auto kind : {test::ModuleKind::Pe32, test::ModuleKind::Pe32Plus}) {
    std::string path = ::testing::TempDir() + "pindrel_crosscheck.dll";
    test::WriteFileBytes(path, test::BuildModule(kind, resources));
    Tally tally;
    EXPECT_TRUE(CrossCheck(path, tally));
    EXPECT_EQ(tally.groups, 6);
    std::remove(path.c_str());
  }
}

// The DLL that windres compiled for module_windres_test, when it was built.
TEST(ModuleCrossCheck, WindresFixture) {
  if (GetFileAttributesA("windres_fixture.dll") == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "windres_fixture.dll was not built";
  Tally tally;
  EXPECT_TRUE(CrossCheck("windres_fixture.dll", tally));
  EXPECT_EQ(tally.groups, 6);
}

}  // namespace
}  // namespace pindrel
