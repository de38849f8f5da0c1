// The reader on a DLL that windres compiled from data/windres_fixture.rc: the
// resource compiler upper-cases text names and sorts them before the
// identifiers, and the reader hands them out in that order.

#include <gtest/gtest.h>

#include "platform/module_resources.h"

namespace pindrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

const ResourceName kGroup = ResourceName::Id(kRtGroupIcon);
const ResourceName kIcon = ResourceName::Id(kRtIcon);

Bytes Found(const ModuleResources& module, const ResourceName& name, const ResourceName& type) {
  auto bytes = module.Find(name, type);
  if (!bytes) return {};
  return Bytes(bytes->data, bytes->data + bytes->size);
}

Bytes Group(std::uint16_t iconId, std::uint8_t size, std::uint8_t bits, std::uint8_t bytes) {
  return {0, 0, 1, 0, 1, 0, size, size, 0, 0, 1, 0, bits, 0, bytes, 0, 0, 0,
          static_cast<std::uint8_t>(iconId), 0};
}

TEST(ModuleWindres, ReadsWhatTheResourceCompilerWrote) {
  // ctest runs the test in the directory where the fixture is built.
  auto module = ModuleResources::Open("windres_fixture.dll");
  ASSERT_TRUE(module) << "windres_fixture.dll is built beside this test";

  std::vector<std::string> names;
  EXPECT_TRUE(module->EnumNames(kGroup, [&](const ResourceName& name) {
    names.push_back(DisplayName(name));
    return true;
  }));
  EXPECT_EQ(names, (std::vector<std::string>{"ALPHA", "BETA_2", "ZETA",
                                             "\xE6\x96\x87\xE4\xBB\xB6\xE5\xA4\xB9\xE5\x9B\xBE\xE6\xA0\x87",
                                             "2", "7"}));

  EXPECT_EQ(Found(*module, ResourceName::Text(u"zeta"), kGroup), Group(1, 16, 4, 16));
  EXPECT_EQ(Found(*module, ResourceName::Text(u"\u6587\u4ef6\u5939\u56fe\u6807"), kGroup),
            Group(3, 16, 32, 8));
  EXPECT_EQ(Found(*module, ResourceName::Id(7), kGroup), Group(2, 32, 8, 6));
  EXPECT_EQ(Found(*module, ResourceName::Text(u"Alpha"), kGroup), (Bytes{0, 0, 1, 0, 0, 0}));

  EXPECT_EQ(Found(*module, ResourceName::Id(1), kIcon),
            (Bytes{0x28, 0, 0, 0, 0x10, 0, 0, 0, 0x20, 0, 0, 0, 1, 0, 4, 0}));
  EXPECT_EQ(Found(*module, ResourceName::Id(3), kIcon),
            (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  // Stored only in German, so found as the first language stored.
  EXPECT_EQ(Found(*module, ResourceName::Id(2), kIcon), (Bytes{0x28, 0, 0, 0, 0x20, 0}));
}

}  // namespace
}  // namespace pindrel
