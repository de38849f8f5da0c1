// Runs the built pindrel-cli on small generated files and checks its exit
// codes and output.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/engine/engine_fixtures.h"
#include "tests/support/module_builder.h"

namespace pindrel {
namespace {

using test::Bytes;

struct Outcome {
  int exitCode;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  test::ScratchDir dir_{::testing::UnitTest::GetInstance()->current_test_info()->name()};

  std::string Path(const std::string& name) const { return dir_.File(name); }

  Outcome Run(const std::string& args) {
    std::string errPath = Path("stderr.txt");
    std::string command = std::string(PINDREL_CLI) + " " + args + " 2>'" + errPath + "'";
    Outcome outcome{-1, "", ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return outcome;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, n);
    int status = pclose(pipe);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    Bytes err = test::ReadBytes(errPath);
    outcome.err.assign(err.begin(), err.end());
    return outcome;
  }

  std::string Quoted(const std::string& name) const { return "'" + Path(name) + "'"; }

  void SetUp() override {
    using test::FakeResource;
    auto icon = [](std::uint16_t id, Bytes data) {
      return FakeResource{ResourceName::Id(kRtIcon), ResourceName::Id(id), 0, std::move(data)};
    };
    auto group = [](ResourceName name, std::vector<std::uint16_t> ids) {
      return FakeResource{ResourceName::Id(kRtGroupIcon), std::move(name), 0, test::GroupIconResource(ids)};
    };
    test::WriteFileBytes(
        Path("app.exe"),
        test::BuildModule(test::ModuleKind::Pe32,
                          {icon(1, test::BmpIconImage(16, 16, 4)), icon(2, test::PngIconImage(256, 256, 8, 6)),
                           group(ResourceName::Text(u"图标"), {1, 2}), group(ResourceName::Id(7), {1})}));
    test::WriteFileBytes(Path("plain.dll"),
                         test::BuildModule(test::ModuleKind::Pe32, {icon(1, test::BmpIconImage(16, 16, 4))}));
    test::WriteFileBytes(Path("one.ico"), test::IcoOf({test::BmpIconImage(32, 32, 32)}));
    test::WriteFileBytes(Path("notes.txt"), Bytes(10, 'x'));
  }
};

TEST_F(CliTest, ListsGroupsWithNamesAndImages) {
  Outcome o = Run("list " + Quoted("app.exe"));
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(o.out,
            "2 icon groups\n"
            "1 \"图标\" 2 images: 16x16 4bpp BMP 296 bytes, 256x256 32bpp PNG " +
                std::to_string(test::PngIconImage(256, 256, 8, 6).size()) +
                " bytes\n"
                "2 7 1 image: 16x16 4bpp BMP 296 bytes\n");
  o = Run("list " + Quoted("one.ico"));
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(o.out, "1 icon group\n1 - 1 image: 32x32 32bpp BMP 4264 bytes\n");
}

TEST_F(CliTest, ExtractsEveryGroupOrTheFirstFew) {
  Outcome o = Run("extract " + Quoted("app.exe") + " -o " + Quoted("out"));
  EXPECT_EQ(o.exitCode, 0) << o.err;
  EXPECT_NE(o.out.find("2 of 2 icon groups written"), std::string::npos) << o.out;
  EXPECT_EQ(test::ReadBytes(Path("out/2.ico")).size(), 6u + 16 + 296);
  EXPECT_TRUE(test::Exists(Path("out/1.ico")));
  EXPECT_FALSE(test::Exists(Path("out/.pindrel-partial.ico")));

  o = Run("extract --max 1 " + Quoted("app.exe") + " -o " + Quoted("few"));
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_TRUE(test::Exists(Path("few/1.ico")));
  EXPECT_FALSE(test::Exists(Path("few/2.ico")));

  o = Run("extract " + Quoted("one.ico") + " -o " + Quoted("ico"));
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_EQ(test::ReadBytes(Path("ico/1.ico")).size(), 6u + 16 + 4264);
}

TEST_F(CliTest, FailuresGiveOneLineAndExitOne) {
  const char* sources[] = {"missing.dll", "missing.ico", "notes.txt", "plain.dll"};
  for (const char* source : sources) {
    for (const std::string& args : {"list " + Quoted(source), "extract " + Quoted(source) + " -o " + Quoted("out")}) {
      SCOPED_TRACE(args);
      Outcome o = Run(args);
      EXPECT_EQ(o.exitCode, 1);
      EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
      EXPECT_TRUE(o.out.empty());
    }
  }
  EXPECT_FALSE(test::Exists(Path("out/1.ico")));
}

TEST_F(CliTest, UsageErrorsExitTwo) {
  const std::vector<std::string> usageErrors = {"", "list", "frobnicate " + Quoted("app.exe"),
                                 "list " + Quoted("app.exe") + " " + Quoted("one.ico"),
                                 "extract " + Quoted("app.exe") + " --max 0",
                                 "extract " + Quoted("app.exe") + " --max two",
                                 "extract " + Quoted("app.exe") + " -o",
                                 "list " + Quoted("app.exe") + " -o " + Quoted("out"),
                                 "extract " + Quoted("app.exe") + " --verbose"};
  for (const std::string& args : usageErrors) {
    SCOPED_TRACE(args);
    Outcome o = Run(args);
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_NE(o.err.find("usage:"), std::string::npos);
  }
}

}  // namespace
}  // namespace pindrel
