// Damaged and hostile modules, one table: each small file is made from a
// valid one and must fail cleanly, with a known result, and never read
// outside the file, loop, or allocate out of proportion to it.

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/module_resources.h"
#include "tests/support/module_builder.h"

namespace pindrel {
namespace {

using test::BuildModule;
using test::ModuleKind;
using Bytes = std::vector<std::uint8_t>;

const ResourceName kGroup = ResourceName::Id(kRtGroupIcon);
const ResourceName kIcon = ResourceName::Id(kRtIcon);

// One icon (id 1) and one group (id 1) naming it. The builder lays out a PE
// resource section (file offset 0x200, RVA 0x1000) as:
//   0x00 root table       entries 0x10 RT_ICON -> 0x20, 0x18 RT_GROUP_ICON -> 0x38
//   0x20 icon names       entry 0x30 id 1 -> 0x50
//   0x38 group names      entry 0x48 id 1 -> 0x68
//   0x50 icon languages   entry 0x60 language 0 -> data entry 0x80
//   0x68 group languages  entry 0x78 language 0 -> data entry 0x90
//   0x80, 0x90 data entries (RVA, size); the icon's bytes at 0xA0
// and an NE resource table at file offset 0x80:
//   0x80 shift, 0x82 RT_ICON type record, 0x8A its resource record,
//   0x96 RT_GROUP_ICON type record, 0x9E its resource record, 0xAA end
Bytes Base(ModuleKind kind) {
  return BuildModule(kind, {{kIcon, ResourceName::Id(1), 0, test::BmpIconImage(16, 16, 4)},
                            {kGroup, ResourceName::Id(1), 0, test::GroupIconResource({1})}});
}

constexpr std::size_t kRsrc = 0x200;
constexpr std::size_t kSectionHeader32 = 0x138, kSectionHeader64 = 0x148;
constexpr std::size_t kNeTable = 0x80;

Bytes Set(Bytes bytes, std::size_t at, std::uint32_t value, int width = 4) {
  for (int i = 0; i < width; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

// A second section header after the builder's one, covering the same RVAs
// with its raw data at file offset 0, listed before or after it.
Bytes OverlappingSections(bool bogusFirst) {
  Bytes bytes = Base(ModuleKind::Pe32);
  bytes = Set(bytes, 0x44 + 2, 2, 2);
  std::copy(bytes.begin() + kSectionHeader32, bytes.begin() + kSectionHeader32 + 40,
            bytes.begin() + kSectionHeader32 + 40);
  bytes = Set(bytes, kSectionHeader32 + (bogusFirst ? 0 : 40) + 20, 0);
  return bytes;
}

Bytes Cut(Bytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

// The group's names table replaced by one of 200 text names that all share
// one 100-unit string: 40 KB of names from a file of a few KB.
Bytes SharedNameStrings() {
  Bytes bytes = BuildModule(ModuleKind::Pe32, {{kGroup, ResourceName::Id(1), 0, Bytes(2048, 0)}});
  // Only a group: root entry 0x10 -> names 0x18, whose data starts at 0x50.
  const std::size_t table = 0x50, text = table + 16 + 8 * 200;
  bytes = Set(bytes, kRsrc + 0x10 + 4, 0x80000000u | table);
  bytes = Set(bytes, kRsrc + table + 12, 200, 2);
  for (std::size_t i = 0; i < 200; ++i) {
    bytes = Set(bytes, kRsrc + table + 16 + 8 * i, 0x80000000u | static_cast<std::uint32_t>(text));
    bytes = Set(bytes, kRsrc + table + 16 + 8 * i + 4, 0x80000000u | 0x18);
  }
  bytes = Set(bytes, kRsrc + text, 100, 2);
  for (std::size_t i = 0; i < 100; ++i) bytes = Set(bytes, kRsrc + text + 2 + 2 * i, 'A', 2);
  return bytes;
}

struct Case {
  const char* what;
  Bytes file;
  bool opens;
  int groups;       // -1: the enumeration fails
  bool groupFound;  // group 1
  bool iconFound;   // icon 1
};

std::vector<Case> Cases() {
  const Bytes pe = Base(ModuleKind::Pe32), pePlus = Base(ModuleKind::Pe32Plus), ne = Base(ModuleKind::Ne);
  const std::uint32_t dir = 0x80000000u;
  return {
      {"valid PE32", pe, true, 1, true, true},
      {"valid PE32+", pePlus, true, 1, true, true},
      {"valid NE", ne, true, 1, true, true},

      // Truncated at every header boundary.
      {"empty file", {}, false, -1, false, false},
      {"only MZ", Cut(pe, 2), false, -1, false, false},
      {"DOS header without e_lfanew", Cut(pe, 0x3C), false, -1, false, false},
      {"no PE signature", Cut(pe, 0x40), false, -1, false, false},
      {"half a PE signature", Cut(pe, 0x42), false, -1, false, false},
      {"no COFF header", Cut(pe, 0x44), false, -1, false, false},
      {"no optional header", Cut(pe, 0x58), false, -1, false, false},
      {"half an optional header", Cut(pe, 0x58 + 100), false, -1, false, false},
      {"PE32+ half an optional header", Cut(pePlus, 0x58 + 120), false, -1, false, false},
      {"no section table", Cut(pe, kSectionHeader32), false, -1, false, false},
      {"half a section header", Cut(pe, kSectionHeader32 + 20), false, -1, false, false},
      {"PE32+ half a section header", Cut(pePlus, kSectionHeader64 + 20), false, -1, false, false},
      {"headers only", Cut(pe, kRsrc), true, -1, false, false},
      {"half a root table", Cut(pe, kRsrc + 0x14), true, -1, false, false},
      {"half the group names", Cut(pe, kRsrc + 0x40), true, -1, false, false},
      {"no group data entry", Cut(pe, kRsrc + 0x90), true, 1, false, false},
      {"no icon bytes", Cut(pe, kRsrc + 0xA0), true, 1, false, false},
      {"NE: half an NE header", Cut(ne, 0x60), false, -1, false, false},
      {"NE: half a resource record", Cut(ne, 0xA0), true, -1, false, false},
      {"NE: no icon bytes", Cut(ne, 0xC8), true, 1, false, false},

      // Headers that point nowhere.
      {"e_lfanew past the end", Set(pe, 0x3C, 0xFFFFFFF0u), false, -1, false, false},
      {"unknown optional header", Set(pe, 0x58, 0x107, 2), false, -1, false, false},
      {"optional header past the end", Set(pe, 0x44 + 16, 0xFFFF, 2), false, -1, false, false},
      {"65535 sections", Set(pe, 0x44 + 2, 0xFFFF, 2), false, -1, false, false},
      {"no resource directory", Set(pe, 0x58 + 92, 2), true, -1, false, false},
      {"resource RVA in no section", Set(pe, 0x58 + 96 + 16, 0x40000), true, -1, false, false},
      // Overlapping sections: the first in table order translates the RVA.
      {"a bogus section after the real one", OverlappingSections(false), true, 1, true, true},
      {"a bogus section before the real one", OverlappingSections(true), true, -1, false, false},
      {"section data past the end", Set(pe, kSectionHeader32 + 20, 0x7FFFFF00u), true, -1, false, false},
      // A 1.8 GB section in a 1 KB file: RVAs translate through the section
      // table, so it costs what the file does, and what it holds is read.
      {"1.8 GB section",
       Set(Set(Set(pe, kSectionHeader32 + 8, 0x70000000u), kSectionHeader32 + 16, 0x70000000u),
           0x58 + 56, 0x70001000u),
       true, 1, true, true},

      // Data entries past the end of the file.
      {"group size past the end", Set(pe, kRsrc + 0x94, 0xFFFFFFF0u), true, 1, false, true},
      {"group RVA + size past 4 GiB", Set(Set(pe, kRsrc + 0x90, 0x10C8), kRsrc + 0x94, 0xFFFFFFFFu), true, 1,
       false, true},
      {"icon RVA in no section", Set(pe, kRsrc + 0x80, 0x7FFFFFF0u), true, 1, true, false},
      {"icon RVA at the top of the address space", Set(pe, kRsrc + 0x80, 0xFFFFFFF0u), true, 1, true, false},

      // The directory tree: cycles, sharing, depth and counts.
      {"type entry points at the root", Set(pe, kRsrc + 0x1C, dir | 0), true, -1, false, true},
      {"names point at themselves", Set(pe, kRsrc + 0x4C, dir | 0x38), true, 1, false, true},
      {"names point back at the root", Set(pe, kRsrc + 0x4C, dir | 0), true, 1, false, true},
      // Both types share the group's names: each look-up walks one path.
      {"shared sub-directory", Set(pe, kRsrc + 0x14, dir | 0x38), true, 1, true, true},
      {"a fourth level", Set(pe, kRsrc + 0x7C, dir | 0x50), true, 1, false, true},
      {"a data entry where names belong", Set(pe, kRsrc + 0x1C, 0x90), true, -1, false, true},
      {"a data entry where languages belong", Set(pe, kRsrc + 0x4C, 0x90), true, 1, false, true},
      {"root counts 65535 + 65535", Set(pe, kRsrc + 12, 0xFFFFFFFFu), true, -1, false, false},
      {"group names count 65535", Set(pe, kRsrc + 0x38 + 14, 0xFFFF, 2), true, -1, false, true},
      {"language count 65535", Set(pe, kRsrc + 0x68 + 14, 0xFFFF, 2), true, 1, false, true},
      {"table offset past the end", Set(pe, kRsrc + 0x1C, dir | 0x7FFFFFF0u), true, -1, false, true},
      {"text name past the end", Set(pe, kRsrc + 0x48, 0xFFFFFFF0u), true, -1, false, true},
      {"names sharing one string", SharedNameStrings(), true, -1, false, false},

      // NE tables.
      {"NE: shift 16", Set(ne, kNeTable, 16, 2), true, -1, false, false},
      {"NE: shift 15 puts the bytes past the end", Set(ne, kNeTable, 15, 2), true, 1, false, false},
      {"NE: resource table past the end", Set(ne, 0x40 + 0x24, 0xFFF0, 2), true, -1, false, false},
      {"NE: no resource table", Set(ne, 0x40 + 0x24, 0x75, 2), true, -1, false, false},
      {"NE: icon count 65535", Set(ne, 0x84, 0xFFFF, 2), true, -1, false, false},
      {"NE: group count 65535", Set(ne, 0x98, 0xFFFF, 2), true, -1, false, true},
      {"NE: group name past the end", Set(ne, 0x9E + 6, 0x7FF0, 2), true, -1, false, true},
      {"NE: group length past the end", Set(ne, 0x9E + 2, 0xFFFF, 2), true, 1, false, true},
  };
}

TEST(ModuleMalformed, EachFileFailsCleanly) {
  const std::string path = ::testing::TempDir() + "pindrel_module_malformed.bin";
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    test::WriteFileBytes(path, c.file);
    auto module = ModuleResources::Open(path);
    ASSERT_EQ(module != nullptr, c.opens);
    if (!module) continue;
    int groups = 0;
    bool listed = module->EnumNames(kGroup, [&](const ResourceName&) { return ++groups, true; });
    EXPECT_EQ(listed ? groups : -1, c.groups);
    if (!listed) {
      EXPECT_EQ(groups, 0);  // nothing is handed out from a broken table
    }
    auto group = module->Find(ResourceName::Id(1), kGroup);
    auto icon = module->Find(ResourceName::Id(1), kIcon);
    EXPECT_EQ(group.has_value(), c.groupFound);
    EXPECT_EQ(icon.has_value(), c.iconFound);
    // What is found lies inside the file: read every byte of it.
    unsigned sum = 0;
    for (const auto& found : {group, icon}) {
      if (!found) continue;
      EXPECT_LE(found->size, c.file.size());
      for (std::size_t i = 0; i < found->size; ++i) sum += found->data[i];
    }
    (void)sum;
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace pindrel
