// Damaged and hostile files, each expected to fail cleanly with a known
// result. Every case goes through ExtractIconGroup (index 1, mode 0), the way
// the program meets a file, and names what the call returns and what it writes.
// The files are small and made here: valid ICO files and modules from the
// test builders, then cut or patched at the one place the case is about.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "icon/extract_icon_group.h"
#include "icon/file_io.h"
#include "icon/ico_file.h"
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

constexpr long kNothing = -1;  // no target file was written

struct Case {
  std::string name;
  std::string suffix;  // picks the source kind: ".ico", ".dll" or ".icl"
  Bytes bytes;
  int result;          // what ExtractIconGroup returns
  long written;        // the target's size, or kNothing
};

std::uint32_t Get(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n; i-- > 0;) v = v << 8 | b.at(at + i);
  return v;
}

void Put(Bytes& b, std::size_t at, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes Cut(Bytes b, std::size_t size) {
  b.resize(size);
  return b;
}

template <class F>
Bytes Patched(Bytes b, F patch) {
  patch(b);
  return b;
}

long IcoSize(const std::vector<std::size_t>& imageSizes) {
  long size = 6 + 16 * static_cast<long>(imageSizes.size());
  for (std::size_t s : imageSizes) size += static_cast<long>(s);
  return size;
}

// ---- ICO --------------------------------------------------------------------

Bytes Ico(const std::vector<Bytes>& images) {
  Bytes b(6 + 16 * images.size());
  Put(b, 2, 1, 2);
  Put(b, 4, static_cast<std::uint32_t>(images.size()), 2);
  for (std::size_t i = 0; i < images.size(); ++i) {
    Put(b, 6 + 16 * i + 8, static_cast<std::uint32_t>(images[i].size()), 4);
    Put(b, 6 + 16 * i + 12, static_cast<std::uint32_t>(b.size()), 4);
    b.insert(b.end(), images[i].begin(), images[i].end());
  }
  return b;
}

std::size_t IcoEntry(std::size_t i) { return 6 + 16 * i; }

// A PNG stream cut inside its IHDR chunk: the signature, the chunk's length
// and type, and 5 of its 13 bytes.
Bytes ShortIhdrPng() { return Cut(PngIconImage(48, 48, 8, 6), 8 + 8 + 5); }

// A bitmap too short for the 40 bytes of its BITMAPINFOHEADER.
Bytes ShortBmp() { return Cut(BmpIconImage(16, 16, 4), 12); }

// ---- PE ---------------------------------------------------------------------

struct PeLayout {
  std::size_t coff, optional, sections, rsrc;
};

PeLayout LayoutOf(const Bytes& b) {
  PeLayout l;
  l.coff = Get(b, 0x3C, 4) + 4;
  l.optional = l.coff + 20;
  l.sections = l.optional + Get(b, l.coff + 16, 2);
  l.rsrc = Get(b, l.sections + 20, 4);  // the one section's raw data
  return l;
}

// File offset of the entry with integer id in the resource table at table
// (an offset from the start of the resource section).
std::size_t PeEntry(const Bytes& b, std::uint32_t table, std::uint16_t id) {
  const PeLayout l = LayoutOf(b);
  std::size_t at = l.rsrc + table;
  std::size_t entries = Get(b, at + 12, 2) + Get(b, at + 14, 2);
  for (std::size_t i = 0; i < entries; ++i) {
    std::size_t entry = at + 16 + 8 * i;
    if (Get(b, entry, 4) == id) return entry;
  }
  ADD_FAILURE() << "no resource entry " << id;
  return 0;
}

std::size_t PeFirstEntry(const Bytes& b, std::uint32_t table) { return LayoutOf(b).rsrc + table + 16; }

std::uint32_t PeSubTable(const Bytes& b, std::size_t entry) { return Get(b, entry + 4, 4) & 0x7FFFFFFFu; }

std::uint32_t PeNameTable(const Bytes& b, std::uint16_t type) { return PeSubTable(b, PeEntry(b, 0, type)); }

std::size_t PeGroupNameEntry(const Bytes& b, std::uint16_t id) {
  return PeEntry(b, PeNameTable(b, kRtGroupIcon), id);
}

// The 16-byte data entry (RVA, size, code page, reserved) of a group.
std::size_t PeGroupDataEntry(const Bytes& b, std::uint16_t id) {
  std::size_t language = PeFirstEntry(b, PeSubTable(b, PeGroupNameEntry(b, id)));
  return LayoutOf(b).rsrc + Get(b, language + 4, 4);
}

// ---- NE ---------------------------------------------------------------------

std::size_t NeHeader(const Bytes& b) { return Get(b, 0x3C, 4); }
std::size_t NeTable(const Bytes& b) { return NeHeader(b) + Get(b, NeHeader(b) + 0x24, 2); }

// File offset of the type record of an integer type.
std::size_t NeType(const Bytes& b, std::uint16_t type) {
  std::size_t at = NeTable(b) + 2;
  while (Get(b, at, 2) != 0) {
    if (Get(b, at, 2) == (0x8000u | type)) return at;
    at += 8 + 12 * Get(b, at + 2, 2);
  }
  ADD_FAILURE() << "no NE type " << type;
  return 0;
}

// File offset of resource record i of a type.
std::size_t NeRecord(const Bytes& b, std::uint16_t type, std::size_t i) { return NeType(b, type) + 8 + 12 * i; }

// ---- modules -----------------------------------------------------------------

FakeResource Icon(std::uint16_t id, Bytes data) {
  return {ResourceName::Id(kRtIcon), ResourceName::Id(id), 0, std::move(data)};
}

FakeResource Group(std::uint16_t id, Bytes data) {
  return {ResourceName::Id(kRtGroupIcon), ResourceName::Id(id), 0, std::move(data)};
}

FakeResource NamedGroup(std::u16string name, Bytes data) {
  return {ResourceName::Id(kRtGroupIcon), ResourceName::Text(std::move(name)), 0, std::move(data)};
}

std::size_t Stored(ModuleKind kind, std::size_t size) { return kind == ModuleKind::Ne ? (size + 15) / 16 * 16 : size; }

const char* KindName(ModuleKind kind) {
  return kind == ModuleKind::Pe32 ? "PE32" : kind == ModuleKind::Pe32Plus ? "PE32+" : "NE";
}

std::string Suffix(ModuleKind kind) { return kind == ModuleKind::Ne ? ".icl" : ".dll"; }

void AddIcoCases(std::vector<Case>& cases) {
  const Bytes bmp = BmpIconImage(16, 16, 4), png = PngIconImage(256, 256, 8, 6);
  const Bytes ico = Ico({bmp, png});
  const std::size_t directoryEnd = IcoEntry(2);
  auto add = [&](std::string name, Bytes bytes, int result, long written) {
    cases.push_back({"ICO: " + std::move(name), ".ico", std::move(bytes), result, written});
  };
  // The count of an ICO source is 1 whether or not it can be read.
  add("valid", ico, 1, IcoSize({bmp.size(), png.size()}));
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4},
                          std::size_t{5}, IcoEntry(0), IcoEntry(1), directoryEnd, directoryEnd + 1,
                          directoryEnd + bmp.size(), ico.size() - 1}) {
    add("truncated to " + std::to_string(cut) + " bytes", Cut(ico, cut), 1, kNothing);
  }
  add("reserved word not 0", Patched(ico, [](Bytes& b) { Put(b, 0, 1, 2); }), 1, kNothing);
  add("a cursor (type 2)", Patched(ico, [](Bytes& b) { Put(b, 2, 2, 2); }), 1, kNothing);
  add("offset past the end", Patched(ico, [](Bytes& b) { Put(b, IcoEntry(1) + 12, b.size() + 1, 4); }),
      1, kNothing);
  add("offset at the end", Patched(ico, [](Bytes& b) { Put(b, IcoEntry(1) + 12, b.size(), 4); }), 1,
      kNothing);
  add("size past the end", Patched(ico, [](Bytes& b) { Put(b, IcoEntry(0) + 8, b.size(), 4); }), 1,
      kNothing);
  add("offset + size wraps at 32 bits", Patched(ico, [](Bytes& b) {
        Put(b, IcoEntry(0) + 8, 0x20, 4);
        Put(b, IcoEntry(0) + 12, 0xFFFFFFF0u, 4);
      }), 1, kNothing);
  add("size 0xFFFFFFFF", Patched(ico, [](Bytes& b) { Put(b, IcoEntry(1) + 8, 0xFFFFFFFFu, 4); }), 1,
      kNothing);
  // The limit on counts: 65535 images with sizes past the end are refused
  // before any image buffer is obtained, with or without their directory.
  add("count 65535, one directory entry", Patched(ico, [](Bytes& b) { Put(b, 4, 0xFFFF, 2); }), 1,
      kNothing);
  {
    Bytes huge(IcoEntry(0xFFFF) + 64);
    Put(huge, 2, 1, 2);
    Put(huge, 4, 0xFFFF, 2);
    for (std::size_t i = 0; i < 0xFFFF; ++i) {
      Put(huge, IcoEntry(i) + 8, 0x7FFFFFFFu, 4);
      Put(huge, IcoEntry(i) + 12, 6, 4);
    }
    add("count 65535, every size 2 GiB", std::move(huge), 1, kNothing);
  }
  add("count 0", Ico({}), 1, 6);
  add("BMP image of 12 bytes is carried as it is", Ico({ShortBmp()}), 1, IcoSize({12}));
  add("PNG image with a short IHDR is carried as it is", Ico({ShortIhdrPng()}), 1,
      IcoSize({ShortIhdrPng().size()}));
  Bytes wild(40);
  Put(wild, 0, 0xFFFFFFFFu, 4);   // biSize
  Put(wild, 4, 0x7FFFFFFFu, 4);   // biWidth
  Put(wild, 8, 0x80000000u, 4);   // biHeight, the most negative
  Put(wild, 12, 0xFFFF, 2);       // biPlanes
  Put(wild, 14, 0xFFFF, 2);       // biBitCount
  Put(wild, 32, 0xFFFFFFFFu, 4);  // biClrUsed
  add("BMP header with extreme fields", Ico({wild}), 1, IcoSize({40}));
}

void AddModuleCases(std::vector<Case>& cases, ModuleKind kind) {
  const Bytes bmp = BmpIconImage(16, 16, 4), png = PngIconImage(256, 256, 8, 6);
  const std::vector<FakeResource> resources = {Icon(1, bmp), Icon(2, png), Group(1, GroupIconResource({1, 2}))};
  const Bytes module = BuildModule(kind, resources);
  const long groupFile = IcoSize({Stored(kind, bmp.size()), Stored(kind, png.size())});
  auto add = [&](std::string name, Bytes bytes, int result, long written) {
    cases.push_back({std::string(KindName(kind)) + ": " + std::move(name), Suffix(kind), std::move(bytes),
                     result, written});
  };
  auto with = [&](const std::vector<FakeResource>& r) { return BuildModule(kind, r); };

  add("valid", module, 1, groupFile);
  // Damaged groups, read the same way from every format.
  add("group names a missing image", with({Icon(1, bmp), Group(1, GroupIconResource({1, 9}))}), 1, kNothing);
  add("group of 0 images", with({Icon(1, bmp), Group(1, GroupIconResource({}))}), 1, 6);
  add("group shorter than its count", with({Icon(1, bmp), Group(1, Patched(GroupIconResource({1}), [](Bytes& b) {
                                                                  Put(b, 4, 5, 2);
                                                                })),
                                              }),
      1, kNothing);
  // The limit on images: 65535 entries naming one image claim 19 MB of a 1 MB file.
  add("group images add up to more than the file",
      with({Icon(1, bmp), Group(1, GroupIconResource(std::vector<std::uint16_t>(0xFFFF, 1)))}), 1, kNothing);
  add("BMP image of 12 bytes is carried as it is", with({Icon(1, ShortBmp()), Group(1, GroupIconResource({1}))}),
      1, IcoSize({Stored(kind, 12)}));
  add("PNG image with a short IHDR is carried as it is",
      with({Icon(1, ShortIhdrPng()), Group(1, GroupIconResource({1}))}), 1,
      IcoSize({Stored(kind, ShortIhdrPng().size())}));

  if (kind == ModuleKind::Ne) {
    const std::size_t ne = NeHeader(module), table = NeTable(module);
    for (std::size_t cut : {std::size_t{0}, std::size_t{2}, std::size_t{0x3C}, ne, ne + 2, ne + 0x24, ne + 0x3F,
                            table, table + 2, NeType(module, kRtGroupIcon), NeRecord(module, kRtGroupIcon, 0) + 6}) {
      add("truncated to " + std::to_string(cut) + " bytes", Cut(module, cut), 0, kNothing);
    }
    // The group's table is whole but its bytes are not there.
    std::size_t groupData = Get(module, NeRecord(module, kRtGroupIcon, 0), 2) << Get(module, table, 2);
    add("truncated before the group's bytes", Cut(module, groupData), 1, kNothing);
    add("new header past the end", Patched(module, [](Bytes& b) { Put(b, 0x3C, 0xFFFFFFF0u, 4); }), 0, kNothing);
    // The limit on alignment shifts: resources at 64 KiB units and beyond
    // cannot be an NE file's, so the table is not read.
    add("alignment shift 16", Patched(module, [&](Bytes& b) { Put(b, table, 16, 2); }), 0, kNothing);
    add("alignment shift 0xFFFF", Patched(module, [&](Bytes& b) { Put(b, table, 0xFFFF, 2); }), 0, kNothing);
    add("alignment shift 15 puts every resource past the end",
        Patched(module, [&](Bytes& b) { Put(b, table, 15, 2); }), 1, kNothing);
    add("group offset past the end",
        Patched(module, [&](Bytes& b) { Put(b, NeRecord(b, kRtGroupIcon, 0), 0xFFFF, 2); }), 1, kNothing);
    add("image length past the end",
        Patched(module, [&](Bytes& b) { Put(b, NeRecord(b, kRtIcon, 1) + 2, 0xFFFF, 2); }), 1, kNothing);
    add("type count past the end", Patched(module, [&](Bytes& b) { Put(b, NeType(b, kRtIcon) + 2, 0xFFFF, 2); }),
        0, kNothing);
    add("group text name past the end",
        Patched(module, [&](Bytes& b) { Put(b, NeRecord(b, kRtGroupIcon, 0) + 6, 0x7FF0, 2); }), 0, kNothing);
    return;
  }

  const PeLayout l = LayoutOf(module);
  for (std::size_t cut : {std::size_t{0}, std::size_t{2}, std::size_t{0x3C}, l.coff - 4, l.coff - 2, l.coff,
                          l.optional, l.optional + 2, l.sections - 1, l.sections, l.sections + 39, l.rsrc,
                          l.rsrc + 16, PeFirstEntry(module, PeNameTable(module, kRtGroupIcon))}) {
    add("truncated to " + std::to_string(cut) + " bytes", Cut(module, cut), 0, kNothing);
  }
  // (NE stores whole 16-byte units, so only PE can hold a 3-byte group.)
  add("group shorter than its header", with({Icon(1, bmp), Group(1, Bytes{0, 0, 1})}), 1, kNothing);
  // The tables are whole but the group's data entry is not.
  add("truncated inside the data entries", Cut(module, PeGroupDataEntry(module, 1) + 8), 1, kNothing);
  add("new header past the end", Patched(module, [](Bytes& b) { Put(b, 0x3C, 0xFFFFFFF0u, 4); }), 0, kNothing);
  add("optional header size past the end", Patched(module, [&](Bytes& b) { Put(b, l.coff + 16, 0xFFFF, 2); }), 0,
      kNothing);
  add("65535 sections", Patched(module, [&](Bytes& b) { Put(b, l.coff + 2, 0xFFFF, 2); }), 0, kNothing);
  add("section's raw data past the end",
      Patched(module, [&](Bytes& b) { Put(b, l.sections + 20, static_cast<std::uint32_t>(b.size()), 4); }), 0,
      kNothing);
  add("section's raw data at 4 GiB - 4 KiB", Patched(module, [&](Bytes& b) {
        Put(b, l.sections + 16, 0x10000, 4);
        Put(b, l.sections + 20, 0xFFFFF000u, 4);
      }), 0, kNothing);
  // Translation goes through the section table, never through an image laid
  // out in memory: a 1.8 GB section in a small file costs what the file costs.
  auto hugeSection = [&](Bytes& b) {
    Put(b, l.sections + 8, 0x6B49D200u, 4);   // virtual size, 1.8 GB
    Put(b, l.sections + 16, 0x6B49D200u, 4);  // raw size
    Put(b, l.optional + 56, 0x6B49E200u, 4);  // size of image
  };
  add("1.8 GB section", Patched(module, hugeSection), 1, groupFile);
  add("group's bytes inside a 1.8 GB section but past the end", Patched(module, [&](Bytes& b) {
        hugeSection(b);
        Put(b, PeGroupDataEntry(b, 1), 0x1000 + static_cast<std::uint32_t>(b.size()), 4);
      }), 1, kNothing);
  add("group's RVA outside every section",
      Patched(module, [&](Bytes& b) { Put(b, PeGroupDataEntry(b, 1), 0x7FFF0000u, 4); }), 1, kNothing);
  add("group's size past the end",
      Patched(module, [&](Bytes& b) { Put(b, PeGroupDataEntry(b, 1) + 4, 0x10000, 4); }), 1, kNothing);
  add("group's offset + size wraps at 32 bits", Patched(module, [&](Bytes& b) {
        Put(b, PeGroupDataEntry(b, 1) + 4, 0xFFFFFFFFu - (Get(b, PeGroupDataEntry(b, 1), 4) - 0x1000) + 0x20, 4);
      }), 1, kNothing);
  // The limit on entry counts: a table's entries must lie inside the file.
  add("root table of 131070 entries", Patched(module, [&](Bytes& b) {
        Put(b, l.rsrc + 12, 0xFFFF, 2);
        Put(b, l.rsrc + 14, 0xFFFF, 2);
      }), 0, kNothing);
  add("group name table of 65535 entries", Patched(module, [&](Bytes& b) {
        Put(b, l.rsrc + PeNameTable(b, kRtGroupIcon) + 14, 0xFFFF, 2);
      }), 0, kNothing);
  add("table offset past the end", Patched(module, [&](Bytes& b) {
        Put(b, PeEntry(b, 0, kRtGroupIcon) + 4, 0xFFFFFFF0u, 4);
      }), 0, kNothing);
  // The limits on the tree: cycles end the walk, and it is exactly three
  // levels deep (type, name, language), so no table is entered twice.
  add("type entry pointing back at the root",
      Patched(module, [&](Bytes& b) { Put(b, PeEntry(b, 0, kRtGroupIcon) + 4, 0x80000000u, 4); }), 0, kNothing);
  add("name entry pointing at its own table", Patched(module, [&](Bytes& b) {
        Put(b, PeGroupNameEntry(b, 1) + 4, 0x80000000u | PeNameTable(b, kRtGroupIcon), 4);
      }), 1, kNothing);
  add("language entry pointing back at the root",
      Patched(module, [&](Bytes& b) {
        Put(b, PeFirstEntry(b, PeSubTable(b, PeGroupNameEntry(b, 1))) + 4, 0x80000000u, 4);
      }), 1, kNothing);
  add("a fourth level below the languages", Patched(module, [&](Bytes& b) {
        // The group's language entry leads to the icon's language table,
        // whose own entry is a valid data entry.
        std::uint32_t iconLanguages = PeSubTable(b, PeEntry(b, PeNameTable(b, kRtIcon), 1));
        Put(b, PeFirstEntry(b, PeSubTable(b, PeGroupNameEntry(b, 1))) + 4, 0x80000000u | iconLanguages, 4);
      }), 1, kNothing);
  {
    // Two groups sharing one language table are two names for one group.
    Bytes shared = with({Icon(1, bmp), Icon(2, png), Group(1, GroupIconResource({1, 2})),
                         Group(2, GroupIconResource({2}))});
    Put(shared, PeGroupNameEntry(shared, 2) + 4, Get(shared, PeGroupNameEntry(shared, 1) + 4, 4), 4);
    add("two groups sharing one language table", shared, 2, groupFile);
  }
  {
    Bytes named = with({Icon(1, bmp), NamedGroup(u"ICON", GroupIconResource({1}))});
    std::size_t entry = PeFirstEntry(named, PeNameTable(named, kRtGroupIcon));
    add("text name past the end",
        Patched(named, [&](Bytes& b) { Put(b, entry, 0x80000000u | 0x7FFFFFF0u, 4); }), 0, kNothing);
    add("text name longer than the file", Patched(named, [&](Bytes& b) {
          Put(b, l.rsrc + (Get(b, entry, 4) & 0x7FFFFFFFu), 0xFFFF, 2);
        }), 0, kNothing);
  }
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  AddIcoCases(cases);
  for (ModuleKind kind : {ModuleKind::Pe32, ModuleKind::Pe32Plus, ModuleKind::Ne}) AddModuleCases(cases, kind);
  return cases;
}

// The most memory the process has held so far, in bytes.
std::uint64_t PeakMemory() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakPagefileUsage;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
#endif
}

// The processor time the process has used so far, in seconds: a limit on
// work that does not depend on what else the machine is doing.
double CpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

TEST(MalformedFiles, EachFailsCleanlyWithItsKnownResult) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("pindrel-malformed-" + std::to_string(
#ifdef _WIN32
                                                                              GetCurrentProcessId()
#else
                                                                              getpid()
#endif
                                                                                  ));
  fs::create_directories(dir);
  const std::string target = (dir / "target.ico").string();

  const std::vector<Case> cases = Cases();
  const std::uint64_t peakBefore = PeakMemory();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string source = (dir / ("source" + c.suffix)).string();
    test::WriteFileBytes(source, c.bytes);
    std::remove(target.c_str());
    EXPECT_EQ(ExtractIconGroup(source, 0, target, 1), c.result);
    auto size = FileSizeAt(target);
    EXPECT_EQ(size ? static_cast<long>(*size) : kNothing, c.written);
    // Whatever was written is a whole ICO file.
    if (size) {
      EXPECT_TRUE(ReadIcoFile(target).has_value());
    }
  }
  // Each file is at most about a megabyte; none may cost much more than that.
  const std::uint64_t grown = PeakMemory() - peakBefore;
  EXPECT_LT(grown, 64u << 20) << "a malformed file made the engine hold " << (grown >> 20) << " MiB";
  fs::remove_all(dir);
}

// The limit on work: an NE table lists its types and resources one after
// another, so a look-up by walking it costs its length. A 1.5 MB icon library
// whose one group names 65535 images must not cost 65535 walks of tens of
// thousands of records (minutes, with the program frozen): look-ups stay
// cheap however long the table is.
TEST(HostileFiles, NeGroupNamingEveryImageOfALongTableIsReadQuickly) {
  // Built by hand: the test builder's 16-bit header fields cannot place
  // tables this long. NE identifiers have 15 bits, so the group names each
  // of the 32767 images twice. The images are empty: only the group's count
  // bounds the work.
  constexpr std::uint32_t kImages = 0x7FFF, kEntries = 0xFFFF, kShift = 9;
  Bytes b(0x80);
  Put(b, 0, 0x5A4D, 2);         // "MZ"
  Put(b, 0x3C, 0x40, 4);
  Put(b, 0x40, 0x454E, 2);      // "NE"
  Put(b, 0x40 + 0x24, 0x40, 2);  // resource table right behind the header
  Put(b, 0x40 + 0x26, 0x42, 2);  // resident names: anywhere else
  auto append16 = [&](std::uint32_t v) {
    b.resize(b.size() + 2);
    Put(b, b.size() - 2, v, 2);
  };
  append16(kShift);
  // Types nobody asks for come first, so that finding a type is a long walk too.
  for (std::uint32_t type = 100; type < 100 + 20000; ++type) append16(0x8000 | type), append16(0), append16(0), append16(0);
  append16(0x8000 | kRtIcon);
  append16(kImages);
  append16(0), append16(0);
  for (std::uint32_t id = 1; id <= kImages; ++id) {
    append16(0), append16(0), append16(0x30), append16(0x8000 | id), append16(0), append16(0);
  }
  append16(0x8000 | kRtGroupIcon);
  append16(1);
  append16(0), append16(0);
  const std::size_t groupRecord = b.size();
  append16(0), append16(0), append16(0x30), append16(0x8001), append16(0), append16(0);
  append16(0);
  std::vector<std::uint16_t> ids;
  for (std::uint32_t i = 0; i < kEntries; ++i) ids.push_back(static_cast<std::uint16_t>(kImages - i % kImages));
  Bytes group = GroupIconResource(ids);
  b.resize((b.size() + (1u << kShift) - 1) >> kShift << kShift);
  Put(b, groupRecord, static_cast<std::uint32_t>(b.size() >> kShift), 2);
  Put(b, groupRecord + 2, static_cast<std::uint32_t>((group.size() + (1u << kShift) - 1) >> kShift), 2);
  b.insert(b.end(), group.begin(), group.end());
  b.resize((b.size() + (1u << kShift) - 1) >> kShift << kShift);

  const std::string source = ::testing::TempDir() + "pindrel-long-table.icl";
  const std::string target = ::testing::TempDir() + "pindrel-long-table.ico";
  test::WriteFileBytes(source, b);
  const double start = CpuSeconds();
  EXPECT_EQ(ExtractIconGroup(source, 0, target, 1), 1);
  const double seconds = CpuSeconds() - start;
  EXPECT_EQ(FileSizeAt(target).value_or(0), static_cast<std::uint64_t>(IcoSize(std::vector<std::size_t>(kEntries, 0))));
  EXPECT_LT(seconds, 10.0) << "seconds of processor time for one extraction";
  std::remove(source.c_str());
  std::remove(target.c_str());
}

// The same limit for PE: RVAs go through the section table, which may hold
// 65535 sections, and a group names up to 65535 images. A 3.5 MB module
// whose resources lie in its last section must not cost 65535 walks of
// 65535 sections for one extraction.
TEST(HostileFiles, PeGroupBehindAFullSectionTableIsReadQuickly) {
  std::vector<FakeResource> resources;
  std::vector<std::uint16_t> ids;
  for (std::uint16_t id = 1; id <= 64; ++id) resources.push_back(Icon(id, {}));
  for (std::uint32_t i = 0; i < 0xFFFF; ++i) ids.push_back(static_cast<std::uint16_t>(1 + i % 64));
  resources.push_back(Group(1, GroupIconResource(ids)));
  const Bytes built = BuildModule(ModuleKind::Pe32, resources);

  // The builder's one section becomes the last of 65535; the others cover
  // addresses no resource uses. The table outgrows the headers, so the
  // section's raw data moves behind it.
  const PeLayout l = LayoutOf(built);
  Bytes real(built.begin() + l.sections, built.begin() + l.sections + 40);
  const Bytes data(built.begin() + l.rsrc, built.begin() + l.rsrc + Get(real, 16, 4));
  Bytes b(built.begin(), built.begin() + l.sections);
  Put(b, l.coff + 2, 0xFFFF, 2);
  for (std::uint32_t i = 0; i + 1 < 0xFFFF; ++i) {
    Bytes other(40);
    Put(other, 12, 0x10000000u + 0x1000u * i, 4);  // virtual address
    Put(other, 16, 0x200, 4);                       // raw size, at raw offset 0
    b.insert(b.end(), other.begin(), other.end());
  }
  const std::size_t rawAt = (b.size() + 40 + 0x1FF) / 0x200 * 0x200;
  Put(real, 20, static_cast<std::uint32_t>(rawAt), 4);
  b.insert(b.end(), real.begin(), real.end());
  Put(b, l.optional + 60, static_cast<std::uint32_t>(rawAt), 4);  // size of headers
  b.resize(rawAt);
  b.insert(b.end(), data.begin(), data.end());

  const std::string source = ::testing::TempDir() + "pindrel-many-sections.dll";
  const std::string target = ::testing::TempDir() + "pindrel-many-sections.ico";
  test::WriteFileBytes(source, b);
  const double start = CpuSeconds();
  EXPECT_EQ(ExtractIconGroup(source, 0, target, 1), 1);
  const double seconds = CpuSeconds() - start;
  EXPECT_EQ(FileSizeAt(target).value_or(0), static_cast<std::uint64_t>(IcoSize(std::vector<std::size_t>(0xFFFF, 0))));
  EXPECT_LT(seconds, 10.0) << "seconds of processor time for one extraction";
  std::remove(source.c_str());
  std::remove(target.c_str());
}

}  // namespace
}  // namespace pindrel
