// The run directory's DBCS-aware cut and byte-wise text comparison, in code
// page 936.
#include "shell/run_directory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "shell/text.h"

namespace pindrel {
namespace {

TEST(RunDirectory, IsEverythingBeforeTheLastBackslash) {
  ASSERT_EQ(GetACP(), 936u) << "the tests run with LANG=zh_CN.UTF-8";
  struct Case {
    const char* path;
    const char* directory;
  };
  const Case cases[] = {
      {"C:\\Tools\\Pindrel.exe", "C:\\Tools"},
      {"C:\\x.exe", "C:"},  // a drive's root
      {"\\\\server\\share\\Pindrel.exe", "\\\\server\\share"},
      {"Pindrel.exe", ""},
      {"", ""},
      // 0x95 0x5C is one character whose second byte is the backslash's.
      {"C:\\\x95\x5C\\Pindrel.exe", "C:\\\x95\x5C"},
      {"C:\\\x95\x5CPindrel.exe", "C:"},
      {"C:\\图标\\\x81\x5C\x81\x5C\\x.exe", "C:\\图标\\\x81\x5C\x81\x5C"},
  };
  for (const Case& c : cases) EXPECT_EQ(DirectoryOfPath(c.path), c.directory) << c.path;
}

TEST(RunDirectory, IsFixedFromTheExecutablePath) {
  FixRunDirectory("D:\\\x95\x5C\\Pindrel.exe");
  EXPECT_EQ(RunDirectory(), "D:\\\x95\x5C");
  FixRunDirectory(ModulePath());
  EXPECT_EQ(RunDirectory() + "\\run_directory_test.exe", ModulePath());
}

TEST(CompareText, IsByteWiseOnUnsignedBytes) {
  struct Case {
    std::string a, b;
    int result;
  };
  const Case cases[] = {
      {"", "", 0},
      {"abc", "abc", 0},
      {"a", "b", -1},
      {"b", "a", 1},
      {"ab", "a", 1},
      {"", "a", -1},
      {"A", "a", -1},         // no case folding
      {"\x80", "\x7F", 1},    // bytes above 0x7F are not negative
      {"提取", "删除", 1},    // 0xCC > 0xC9
      {std::string("a\0b", 3), "a", 0},  // a text ends at its zero byte
  };
  for (const Case& c : cases) EXPECT_EQ(CompareText(c.a, c.b), c.result) << c.a << " vs " << c.b;
}

}  // namespace
}  // namespace pindrel
