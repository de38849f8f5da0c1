#include "icon/module_group_icons.h"

#include <gtest/gtest.h>

#include "tests/engine/engine_fixtures.h"
#include "tests/support/module_builder.h"

namespace pindrel {
namespace {

using test::BmpIconImage;
using test::Bytes;
using test::FakeResource;
using test::GroupIconResource;
using test::ModuleKind;

FakeResource Icon(std::uint16_t id, Bytes data) {
  return {ResourceName::Id(kRtIcon), ResourceName::Id(id), 0, std::move(data)};
}

FakeResource Group(ResourceName name, Bytes data) {
  return {ResourceName::Id(kRtGroupIcon), std::move(name), 0, std::move(data)};
}

class ModuleGroupTest : public ::testing::Test {
 protected:
  test::ScratchDir dir_{::testing::UnitTest::GetInstance()->current_test_info()->name()};

  std::string Module(const std::string& name, const std::vector<FakeResource>& resources,
                     ModuleKind kind = ModuleKind::Pe32) {
    std::string path = dir_.File(name);
    test::WriteFileBytes(path, test::BuildModule(kind, resources));
    return path;
  }
};

TEST_F(ModuleGroupTest, CountsEveryGroupAndRemembersTheWantedOne) {
  const std::vector<FakeResource> resources = {
      Icon(1, BmpIconImage(16, 16, 4)), Group(ResourceName::Id(5), GroupIconResource({1})),
      Group(ResourceName::Id(1), GroupIconResource({1})), Group(ResourceName::Id(2), GroupIconResource({1}))};
  // PE directories list identifiers in ascending order; an NE table keeps the
  // order in which the groups are stored.
  const std::pair<ModuleKind, std::vector<std::uint16_t>> kinds[] = {
      {ModuleKind::Pe32, {1, 2, 5}}, {ModuleKind::Pe32Plus, {1, 2, 5}}, {ModuleKind::Ne, {5, 1, 2}}};
  for (const auto& [kind, order] : kinds) {
    SCOPED_TRACE(static_cast<int>(kind));
    std::string path = Module("ids.dll", resources, kind);
    for (int wanted : {1, 2, 3, 4, 1000}) {
      IconGroupCount counted = CountIconGroups(path, wanted);
      EXPECT_EQ(counted.count, 3);
      EXPECT_TRUE(counted.module);
      if (wanted <= 3) {
        ASSERT_TRUE(counted.name);
        EXPECT_TRUE(counted.name->isId);
        EXPECT_EQ(counted.name->id, order[wanted - 1]);
      } else {
        EXPECT_FALSE(counted.name);
      }
    }
  }
}

TEST_F(ModuleGroupTest, TextNamedGroupsComeFirst) {
  std::string path = Module("names.exe", {Icon(1, BmpIconImage(16, 16, 4)),
                                          Group(ResourceName::Id(1), GroupIconResource({1})),
                                          Group(ResourceName::Text(u"MAINICON"), GroupIconResource({1})),
                                          Group(ResourceName::Id(2), GroupIconResource({1}))});
  IconGroupCount counted = CountIconGroups(path, 1);
  EXPECT_EQ(counted.count, 3);
  ASSERT_TRUE(counted.name);
  EXPECT_FALSE(counted.name->isId);
  EXPECT_EQ(counted.name->text, u"MAINICON");
  auto set = ReadModuleGroup(path, counted.name);
  ASSERT_TRUE(set);
  EXPECT_EQ(set->imageCount, 1u);
}

TEST_F(ModuleGroupTest, NothingToCountGivesZero) {
  std::string noGroups = Module("icons-only.dll", {Icon(1, BmpIconImage(16, 16, 4))});
  std::string notModule = dir_.File("text.exe");
  test::WriteFileBytes(notModule, Bytes(300, 'x'));
  for (const std::string& path : {noGroups, notModule, dir_.File("missing.dll")}) {
    SCOPED_TRACE(path);
    IconGroupCount counted = CountIconGroups(path, 1);
    EXPECT_EQ(counted.count, 0);
    EXPECT_FALSE(counted.name);
  }
}

TEST_F(ModuleGroupTest, ReadsTheImagesTheGroupNames) {
  Bytes small = BmpIconImage(16, 16, 4), large = test::PngIconImage(256, 256, 8, 6);
  // The group's width, height and size fields are not used: the group entry
  // here claims 999 bytes for each image.
  std::string path = Module("app.exe", {Icon(7, small), Icon(8, large),
                                        Group(ResourceName::Id(1), GroupIconResource({8, 7}, {999, 999}))});
  auto set = ReadModuleGroup(path, ResourceName::Id(1));
  ASSERT_TRUE(set);
  EXPECT_EQ(set->moduleFileName, path);
  EXPECT_TRUE(set->icoFileName.empty());
  ASSERT_EQ(set->imageCount, 2u);
  EXPECT_EQ(set->images[0].data, large);
  EXPECT_EQ(set->images[0].dataSize, large.size());
  EXPECT_EQ(set->images[0].width, 256);
  EXPECT_EQ(set->images[1].data, small);
  EXPECT_EQ(set->images[1].width, 16);
  EXPECT_EQ(set->images[1].height, 16);
  EXPECT_EQ(set->images[1].bitsPerPixel, 4u);
}

TEST_F(ModuleGroupTest, GroupsThatCannotBeReadGiveNoSet) {
  Bytes icon = BmpIconImage(32, 32, 32);
  Bytes cut = GroupIconResource({1, 1, 1});
  cut.resize(6 + 14 * 2 + 13);
  std::vector<std::uint16_t> sameIconOften(100, 1);
  std::string path = Module("broken.dll", {Icon(1, icon), Group(ResourceName::Id(1), GroupIconResource({1, 2})),
                                           Group(ResourceName::Id(2), cut),
                                           Group(ResourceName::Id(3), Bytes{0, 0, 1, 0, 1}),
                                           Group(ResourceName::Id(4), GroupIconResource(sameIconOften)),
                                           Group(ResourceName::Id(5), GroupIconResource({1, 1})),
                                           {ResourceName::Id(10), ResourceName::Id(1), 0, Bytes(20000)}});
  EXPECT_FALSE(ReadModuleGroup(path, ResourceName::Id(1))) << "names a missing RT_ICON";
  EXPECT_FALSE(ReadModuleGroup(path, ResourceName::Id(2))) << "shorter than its count";
  EXPECT_FALSE(ReadModuleGroup(path, ResourceName::Id(3))) << "shorter than a header";
  EXPECT_FALSE(ReadModuleGroup(path, ResourceName::Id(4))) << "claims more than the file";
  EXPECT_FALSE(ReadModuleGroup(path, ResourceName::Id(9))) << "no such group";
  EXPECT_FALSE(ReadModuleGroup(path, std::nullopt)) << "no name";
  EXPECT_FALSE(ReadModuleGroup(dir_.File("missing.dll"), ResourceName::Id(1)));
  auto twice = ReadModuleGroup(path, ResourceName::Id(5));
  ASSERT_TRUE(twice) << "the same image twice still fits the file";
  EXPECT_EQ(twice->images[1].data, icon);
}

TEST_F(ModuleGroupTest, GroupWithoutImagesIsAnEmptySet) {
  std::string path = Module("empty.icl", {Group(ResourceName::Id(1), GroupIconResource({}))}, ModuleKind::Ne);
  auto set = ReadModuleGroup(path, CountIconGroups(path, 1).name);
  ASSERT_TRUE(set);
  EXPECT_EQ(set->imageCount, 0u);
  EXPECT_TRUE(set->images.empty());
}

}  // namespace
}  // namespace pindrel
