#include "tests/support/module_builder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/module_text.h"

namespace pindrel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& out, std::size_t at, std::uint32_t v) {
  Put16(out, at, v & 0xFFFF);
  Put16(out, at + 2, v >> 16);
}

void Append16(Bytes& out, std::uint32_t v) {
  out.resize(out.size() + 2);
  Put16(out, out.size() - 2, v);
}

void Append32(Bytes& out, std::uint32_t v) {
  out.resize(out.size() + 4);
  Put32(out, out.size() - 4, v);
}

std::size_t AlignUp(std::size_t n, std::size_t alignment) {
  return (n + alignment - 1) / alignment * alignment;
}

// Directory order of a resource compiler: text names first, ordered by
// CompareNames (unit by unit on the upper-cased UTF-16, shorter first), then
// identifiers ascending.
bool NameBefore(const ResourceName& a, const ResourceName& b) {
  if (a.isId != b.isId) return !a.isId;
  if (a.isId) return a.id < b.id;
  return CompareNames(a.text, b.text) < 0;
}

bool SameName(const ResourceName& a, const ResourceName& b) {
  return !NameBefore(a, b) && !NameBefore(b, a);
}

// ---- PE -------------------------------------------------------------------

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kHeadersSize = 0x200;  // also the file alignment
constexpr std::uint32_t kSectionAlignment = 0x1000;

struct Language {
  std::uint16_t id;
  const FakeResource* resource;
};
struct Name {
  ResourceName name;
  std::vector<Language> languages;
};
struct Type {
  ResourceName type;
  std::vector<Name> names;
};

std::vector<Type> SortedTree(const std::vector<FakeResource>& resources) {
  std::vector<Type> types;
  for (const FakeResource& r : resources) {
    auto type = std::find_if(types.begin(), types.end(),
                             [&](const Type& t) { return SameName(t.type, r.type); });
    if (type == types.end()) type = types.insert(types.end(), Type{r.type, {}});
    auto name = std::find_if(type->names.begin(), type->names.end(),
                             [&](const Name& n) { return SameName(n.name, r.name); });
    if (name == type->names.end()) name = type->names.insert(type->names.end(), Name{r.name, {}});
    name->languages.push_back({r.language, &r});
  }
  std::stable_sort(types.begin(), types.end(),
                   [](const Type& a, const Type& b) { return NameBefore(a.type, b.type); });
  for (Type& t : types) {
    std::stable_sort(t.names.begin(), t.names.end(),
                     [](const Name& a, const Name& b) { return NameBefore(a.name, b.name); });
    for (Name& n : t.names)
      std::stable_sort(n.languages.begin(), n.languages.end(),
                       [](const Language& a, const Language& b) { return a.id < b.id; });
  }
  return types;
}

// The .rsrc section as windres lays it out: every directory table, then the
// data entries, then the name strings, then the data, each datum 8-aligned.
Bytes ResourceSection(const std::vector<FakeResource>& resources) {
  std::vector<Type> types = SortedTree(resources);
  auto tableSize = [](std::size_t entries) { return 16 + 8 * entries; };

  std::size_t tablesEnd = tableSize(types.size());
  std::size_t leafCount = 0;
  for (const Type& t : types) {
    tablesEnd += tableSize(t.names.size());
    for (const Name& n : t.names) {
      tablesEnd += tableSize(n.languages.size());
      leafCount += n.languages.size();
    }
  }
  std::size_t stringsAt = tablesEnd + 16 * leafCount;

  Bytes out(stringsAt);
  std::size_t nextTable = 0, nextLeaf = tablesEnd;

  auto stringOf = [&](const ResourceName& name) -> std::uint32_t {
    std::uint32_t at = static_cast<std::uint32_t>(out.size());
    Append16(out, static_cast<std::uint32_t>(name.text.size()));
    for (char16_t c : name.text) Append16(out, c);
    return at | 0x80000000u;
  };
  auto nameField = [&](const ResourceName& name) -> std::uint32_t {
    return name.isId ? name.id : stringOf(name);
  };
  // Writes a table header for the given named/id split and returns the
  // offset of its first entry.
  auto table = [&](std::size_t named, std::size_t ids) {
    std::size_t at = nextTable;
    nextTable += tableSize(named + ids);
    Put16(out, at + 12, static_cast<std::uint32_t>(named));
    Put16(out, at + 14, static_cast<std::uint32_t>(ids));
    return at + 16;
  };
  auto split = [](const auto& items, auto nameOf) {
    std::size_t named = 0;
    for (const auto& item : items) named += nameOf(item).isId ? 0 : 1;
    return std::make_pair(named, items.size() - named);
  };

  // Tables are written breadth first: root, then every type's name table,
  // then every name's language table.
  std::vector<std::pair<std::size_t, const Name*>> nameEntries;
  auto [typeNamed, typeIds] = split(types, [](const Type& t) -> const ResourceName& { return t.type; });
  std::size_t rootEntries = table(typeNamed, typeIds);
  std::vector<std::size_t> typeEntries;
  for (std::size_t i = 0; i < types.size(); ++i) {
    Put32(out, rootEntries + 8 * i, nameField(types[i].type));
    Put32(out, rootEntries + 8 * i + 4, static_cast<std::uint32_t>(nextTable) | 0x80000000u);
    auto [named, ids] =
        split(types[i].names, [](const Name& n) -> const ResourceName& { return n.name; });
    typeEntries.push_back(table(named, ids));
  }
  std::vector<std::pair<std::size_t, const Language*>> leaves;
  for (std::size_t i = 0; i < types.size(); ++i) {
    const auto& names = types[i].names;
    for (std::size_t j = 0; j < names.size(); ++j) {
      std::size_t entry = typeEntries[i] + 8 * j;
      Put32(out, entry, nameField(names[j].name));
      Put32(out, entry + 4, static_cast<std::uint32_t>(nextTable) | 0x80000000u);
      std::size_t languageEntries = table(0, names[j].languages.size());
      for (std::size_t k = 0; k < names[j].languages.size(); ++k) {
        Put32(out, languageEntries + 8 * k, names[j].languages[k].id);
        Put32(out, languageEntries + 8 * k + 4, static_cast<std::uint32_t>(nextLeaf));
        leaves.push_back({nextLeaf, &names[j].languages[k]});
        nextLeaf += 16;
      }
    }
  }
  for (const auto& [leaf, language] : leaves) {
    out.resize(AlignUp(out.size(), 8));
    const Bytes& data = language->resource->data;
    Put32(out, leaf, kSectionRva + static_cast<std::uint32_t>(out.size()));
    Put32(out, leaf + 4, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

Bytes BuildPe(bool plus, const std::vector<FakeResource>& resources) {
  Bytes section = ResourceSection(resources);
  std::uint32_t rawSize = static_cast<std::uint32_t>(AlignUp(section.size(), kHeadersSize));
  std::uint32_t imageSize =
      kSectionRva + static_cast<std::uint32_t>(AlignUp(section.size(), kSectionAlignment));

  Bytes out(kHeadersSize + rawSize);
  Put16(out, 0, 0x5A4D);  // "MZ"
  Put32(out, 0x3C, 0x40);
  const std::size_t pe = 0x40;
  Put32(out, pe, 0x00004550);  // "PE\0\0"
  const std::size_t coff = pe + 4;
  std::uint16_t optionalSize = plus ? 240 : 224;
  Put16(out, coff, plus ? 0x8664 : 0x14C);
  Put16(out, coff + 2, 1);  // one section
  Put16(out, coff + 16, optionalSize);
  Put16(out, coff + 18, plus ? 0x2022 : 0x2102);  // a DLL, executable image

  const std::size_t opt = coff + 20;
  Put16(out, opt, plus ? 0x20B : 0x10B);
  out[opt + 2] = 2;                       // linker version
  Put32(out, opt + 8, rawSize);           // size of initialised data
  if (plus) {
    Put32(out, opt + 24, 0x80000000u);    // image base 0x180000000
    Put32(out, opt + 28, 0x1);
  } else {
    Put32(out, opt + 28, 0x10000000u);    // image base
  }
  Put32(out, opt + 32, kSectionAlignment);
  Put32(out, opt + 36, kHeadersSize);     // file alignment
  Put16(out, opt + 40, 4);                // OS version 4.0
  Put16(out, opt + 48, 4);                // subsystem version 4.0
  Put32(out, opt + 56, imageSize);
  Put32(out, opt + 60, kHeadersSize);
  Put16(out, opt + 68, 2);                // GUI subsystem
  std::size_t directories = opt + (plus ? 112 : 96);
  if (plus) {
    Put32(out, opt + 72, 0x100000);       // stack and heap reserve / commit
    Put32(out, opt + 80, 0x1000);
    Put32(out, opt + 88, 0x100000);
    Put32(out, opt + 96, 0x1000);
  } else {
    Put32(out, opt + 72, 0x100000);
    Put32(out, opt + 76, 0x1000);
    Put32(out, opt + 80, 0x100000);
    Put32(out, opt + 84, 0x1000);
  }
  Put32(out, directories - 4, 16);        // number of data directories
  Put32(out, directories + 8 * 2, kSectionRva);
  Put32(out, directories + 8 * 2 + 4, static_cast<std::uint32_t>(section.size()));

  const std::size_t header = opt + optionalSize;
  const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  std::copy(name, name + 8, out.begin() + header);
  Put32(out, header + 8, static_cast<std::uint32_t>(section.size()));
  Put32(out, header + 12, kSectionRva);
  Put32(out, header + 16, rawSize);
  Put32(out, header + 20, kHeadersSize);
  Put32(out, header + 36, 0x40000040u);   // initialised data, readable

  std::copy(section.begin(), section.end(), out.begin() + kHeadersSize);
  return out;
}

// ---- NE -------------------------------------------------------------------

constexpr std::uint16_t kNeShift = 4;

Bytes AnsiName(const std::u16string& text) {
  Bytes out;
  for (char16_t c : text) out.push_back(c < 0x100 ? static_cast<std::uint8_t>(c) : '?');
  if (out.size() > 255) out.resize(255);
  return out;
}

Bytes BuildNe(const std::vector<FakeResource>& resources) {
  // Types in order of first appearance, resources in the order given.
  std::vector<ResourceName> types;
  for (const FakeResource& r : resources)
    if (std::none_of(types.begin(), types.end(), [&](const ResourceName& t) { return SameName(t, r.type); }))
      types.push_back(r.type);

  Bytes table;
  Append16(table, kNeShift);
  std::vector<std::pair<std::size_t, ResourceName>> textFields;  // patched once names are placed
  std::vector<std::pair<std::size_t, const FakeResource*>> dataFields;
  for (const ResourceName& type : types) {
    std::size_t typeAt = table.size();
    Append16(table, type.isId ? (0x8000u | type.id) : 0);
    if (!type.isId) textFields.push_back({typeAt, type});
    Append16(table, 0);
    Append32(table, 0);
    std::uint16_t count = 0;
    for (const FakeResource& r : resources) {
      if (!SameName(r.type, type)) continue;
      ++count;
      dataFields.push_back({table.size(), &r});
      Append32(table, 0);            // offset and length, patched below
      Append16(table, 0x0030);       // moveable, pure
      std::size_t nameAt = table.size();
      Append16(table, r.name.isId ? (0x8000u | r.name.id) : 0);
      if (!r.name.isId) textFields.push_back({nameAt, r.name});
      Append32(table, 0);
    }
    Put16(table, typeAt + 2, count);
  }
  Append16(table, 0);
  for (const auto& [field, name] : textFields) {
    Put16(table, field, static_cast<std::uint32_t>(table.size()));
    Bytes text = AnsiName(name.text);
    table.push_back(static_cast<std::uint8_t>(text.size()));
    table.insert(table.end(), text.begin(), text.end());
  }
  table.push_back(0);

  const std::size_t ne = 0x40, resourceTable = 0x40;
  Bytes resident = {4, 'F', 'A', 'K', 'E', 0, 0, 0};  // module name, ordinal 0, end
  std::size_t residentAt = resourceTable + table.size();
  std::size_t importsAt = residentAt + resident.size();
  std::size_t entriesAt = importsAt + 1;
  std::size_t headersEnd = ne + entriesAt + 2;

  Bytes out(AlignUp(headersEnd, 1u << kNeShift));
  for (const auto& [field, resource] : dataFields) {
    std::size_t units = AlignUp(resource->data.size(), 1u << kNeShift) >> kNeShift;
    Put16(table, field, static_cast<std::uint32_t>(out.size() >> kNeShift));
    Put16(table, field + 2, static_cast<std::uint32_t>(units));
    Bytes data = resource->data;
    data.resize(units << kNeShift);
    out.insert(out.end(), data.begin(), data.end());
  }

  Put16(out, 0, 0x5A4D);  // "MZ"
  Put32(out, 0x3C, ne);
  Put16(out, ne, 0x454E);  // "NE"
  out[ne + 2] = 5;         // linker version
  Put16(out, ne + 0x04, static_cast<std::uint32_t>(entriesAt));
  Put16(out, ne + 0x06, 2);
  Put16(out, ne + 0x0C, 0x8000);  // a library
  Put16(out, ne + 0x22, 0x40);    // segment table (empty)
  Put16(out, ne + 0x24, static_cast<std::uint32_t>(resourceTable));
  Put16(out, ne + 0x26, static_cast<std::uint32_t>(residentAt));
  Put16(out, ne + 0x28, static_cast<std::uint32_t>(importsAt));
  Put16(out, ne + 0x2A, static_cast<std::uint32_t>(importsAt));
  Put32(out, ne + 0x2C, static_cast<std::uint32_t>(headersEnd));  // non-resident names (empty)
  Put16(out, ne + 0x32, kNeShift);
  out[ne + 0x36] = 2;             // Windows
  Put16(out, ne + 0x3E, 0x030A);  // expects Windows 3.10
  std::copy(table.begin(), table.end(), out.begin() + ne + resourceTable);
  std::copy(resident.begin(), resident.end(), out.begin() + ne + residentAt);
  return out;
}

// ---- images ---------------------------------------------------------------

std::uint32_t Crc32(const std::uint8_t* data, std::size_t n) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

void AppendBe32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void AppendChunk(Bytes& out, const char type[4], const Bytes& body) {
  AppendBe32(out, static_cast<std::uint32_t>(body.size()));
  std::size_t crcFrom = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  AppendBe32(out, Crc32(out.data() + crcFrom, out.size() - crcFrom));
}

}  // namespace

std::vector<std::uint8_t> BuildModule(ModuleKind kind, const std::vector<FakeResource>& resources) {
  if (kind == ModuleKind::Ne) return BuildNe(resources);
  return BuildPe(kind == ModuleKind::Pe32Plus, resources);
}

std::vector<std::uint8_t> GroupIconResource(const std::vector<std::uint16_t>& iconIds,
                                            const std::vector<std::uint32_t>& sizes) {
  Bytes out;
  Append16(out, 0);  // reserved
  Append16(out, 1);  // icons
  Append16(out, static_cast<std::uint32_t>(iconIds.size()));
  for (std::size_t i = 0; i < iconIds.size(); ++i) {
    out.push_back(16);  // width, height, colour count, reserved: never used by readers
    out.push_back(16);
    out.push_back(0);
    out.push_back(0);
    Append16(out, 1);   // planes
    Append16(out, 32);  // bits per pixel
    Append32(out, i < sizes.size() ? sizes[i] : 0);
    Append16(out, iconIds[i]);
  }
  return out;
}

std::vector<std::uint8_t> BmpIconImage(int width, int height, int bitCount) {
  std::size_t xorStride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
  std::size_t andStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
  std::size_t paletteEntries = bitCount <= 8 ? (std::size_t{1} << bitCount) : 0;
  std::size_t rows = static_cast<std::size_t>(height);

  Bytes out(40);
  Put32(out, 0, 40);
  Put32(out, 4, static_cast<std::uint32_t>(width));
  Put32(out, 8, static_cast<std::uint32_t>(2 * height));  // XOR rows and AND rows
  Put16(out, 12, 1);
  Put16(out, 14, static_cast<std::uint32_t>(bitCount));
  Put32(out, 20, static_cast<std::uint32_t>((xorStride + andStride) * rows));
  for (std::size_t i = 0; i < paletteEntries; ++i) {
    out.push_back(static_cast<std::uint8_t>(i));
    out.push_back(static_cast<std::uint8_t>(i * 3));
    out.push_back(static_cast<std::uint8_t>(i * 5));
    out.push_back(0);
  }
  for (std::size_t i = 0; i < xorStride * rows; ++i)
    out.push_back(static_cast<std::uint8_t>(i * 7 + width));
  out.resize(out.size() + andStride * rows, 0);  // every pixel opaque
  return out;
}

std::vector<std::uint8_t> PngIconImage(int width, int height, int bitDepth, int colorType) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  AppendBe32(header, static_cast<std::uint32_t>(width));
  AppendBe32(header, static_cast<std::uint32_t>(height));
  header.push_back(static_cast<std::uint8_t>(bitDepth));
  header.push_back(static_cast<std::uint8_t>(colorType));
  header.push_back(0);  // deflate
  header.push_back(0);  // adaptive filtering
  header.push_back(0);  // not interlaced
  AppendChunk(out, "IHDR", header);
  AppendChunk(out, "IEND", {});
  return out;
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file.flush()) throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace pindrel::test
