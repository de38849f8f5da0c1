// PE32 and PE32+ resources, read the way the loader reads a module opened as
// a data file: the file is not laid out as an image; the resource directory
// and every resource are found by translating their RVAs through the section
// table, and the directory's tables are found at file offsets relative to it.

#include <algorithm>
#include <iterator>
#include <set>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/module_byte_reader.h"
#include "platform/module_formats.h"
#include "platform/module_text.h"

namespace pindrel {
namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectory = 2;  // index in the data directories
constexpr std::uint32_t kHighBit = 0x80000000u;

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
};

struct Entry {
  std::uint32_t name = 0;    // high bit: offset of a text name; else an identifier
  std::uint32_t target = 0;  // high bit: offset of a sub-directory; else of a data entry

  bool NameIsText() const { return (name & kHighBit) != 0; }
  bool IsDirectory() const { return (target & kHighBit) != 0; }
  std::uint32_t Offset() const { return target & ~kHighBit; }
};

// One directory table: named entries first, then identifier entries.
struct Table {
  ByteSpan entries;
  std::uint32_t namedCount = 0;
  std::uint32_t idCount = 0;

  std::uint32_t size() const { return namedCount + idCount; }
  Entry at(std::uint32_t i) const {
    ByteReader r(entries);
    return {r.U32(8ull * i), r.U32(8ull * i + 4)};
  }
};

// The tables met on the way from the root down one path. The tree has
// exactly three levels (type, name, language) and a table may appear on a
// path only once, so a directory that points back at itself or at an
// ancestor ends the walk instead of looping. Each operation walks one path,
// one table per level, so tables shared between branches cost no more than
// distinct ones: the work never multiplies.
constexpr std::size_t kTreeLevels = 3;

class Path {
 public:
  bool Enter(std::uint32_t offset) {
    if (depth_ == kTreeLevels) return false;
    for (std::size_t i = 0; i < depth_; ++i)
      if (seen_[i] == offset) return false;
    seen_[depth_++] = offset;
    return true;
  }

 private:
  std::uint32_t seen_[kTreeLevels] = {};
  std::size_t depth_ = 0;
};

// The RVA space cut into pieces, each covered by one and the same first
// section (in table order) whose raw data covers it. A module may have 65535
// sections and a group may name 65535 images, so a walk of the table for
// every translation could cost minutes; the pieces are made once, in one
// sweep over the sections' starts and ends, and searched by halving.
struct Piece {
  std::uint64_t start = 0;
  std::uint64_t end = 0;  // one past the last RVA
  std::uint32_t section = 0;
};

std::vector<Piece> FirstCoveringSections(const std::vector<Section>& sections) {
  struct Edge {
    std::uint64_t at;
    bool opens;
    std::uint32_t section;
  };
  std::vector<Edge> edges;
  for (std::uint32_t i = 0; i < sections.size(); ++i) {
    const Section& s = sections[i];
    if (s.rawSize == 0) continue;
    edges.push_back({s.virtualAddress, true, i});
    edges.push_back({std::uint64_t{s.virtualAddress} + s.rawSize, false, i});
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.at < b.at; });
  std::vector<Piece> pieces;
  std::set<std::uint32_t> open;
  for (std::size_t i = 0; i < edges.size();) {
    const std::uint64_t at = edges[i].at;
    for (; i < edges.size() && edges[i].at == at; ++i) {
      if (edges[i].opens)
        open.insert(edges[i].section);
      else
        open.erase(edges[i].section);
    }
    if (!open.empty() && i < edges.size()) pieces.push_back({at, edges[i].at, *open.begin()});
  }
  return pieces;
}

std::uint16_t UserDefaultLanguage() {
#ifdef _WIN32
  return GetUserDefaultLangID();
#else
  return 0x0409;  // there is no user language to ask for: take US English, the usual default
#endif
}

class PeModule final : public ModuleResources {
 public:
  PeModule(std::unique_ptr<MappedFile> file, std::vector<Section> sections,
           std::uint32_t sizeOfHeaders, std::uint32_t resourceRva)
      : file_(std::move(file)),
        sections_(std::move(sections)),
        pieces_(FirstCoveringSections(sections_)),
        sizeOfHeaders_(sizeOfHeaders) {
    if (resourceRva != 0) root_ = RvaToOffset(resourceRva);
  }

  bool EnumNames(const ResourceName& type,
                 const std::function<bool(const ResourceName&)>& visit) const override {
    Path path;
    auto root = EnterTable(path, 0);
    if (!root) return false;
    auto typeIndex = FindEntry(*root, type);
    if (!typeIndex) return false;
    auto names = Descend(path, root->at(*typeIndex));
    if (!names || names->size() == 0) return false;

    // Text names may share their strings; a table whose names add up to more
    // bytes than the file holds is refused, so that handing out names costs
    // at most what the file does. All names are checked before the first one
    // is handed out, so a broken table delivers nothing.
    std::uint64_t textBytes = 0;
    for (std::uint32_t i = 0; i < names->size(); ++i) {
      Entry entry = names->at(i);
      if (!entry.NameIsText()) continue;
      auto length = NameLength(entry);
      if (!length) return false;
      textBytes += 2 + 2ull * *length;
      if (textBytes > file_->size()) return false;
    }
    for (std::uint32_t i = 0; i < names->size(); ++i) {
      auto name = EntryName(names->at(i));
      if (!name || !visit(*name)) break;
    }
    return true;
  }

  std::optional<ResourceBytes> Find(const ResourceName& name,
                                    const ResourceName& type) const override {
    auto extent = Locate(name, type);
    if (!extent) return std::nullopt;
    auto bytes = file_->View(extent->offset, extent->size);
    if (!bytes) return std::nullopt;
    return ResourceBytes{bytes->data, bytes->size};
  }

  std::optional<std::vector<std::uint8_t>> Copy(const ResourceName& name,
                                                const ResourceName& type,
                                                std::uint64_t maxSize) const override {
    auto extent = Locate(name, type);
    if (!extent || extent->size > maxSize) return std::nullopt;
    return file_->Copy(extent->offset, extent->size);
  }

 private:
  struct Extent {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
  };

  // Where the bytes of a resource lie in the file: the walk from the root
  // down one path, then the data entry's RVA translated.
  std::optional<Extent> Locate(const ResourceName& name, const ResourceName& type) const {
    Path path;
    auto root = EnterTable(path, 0);
    if (!root) return std::nullopt;
    auto typeIndex = FindEntry(*root, type);
    if (!typeIndex) return std::nullopt;
    auto names = Descend(path, root->at(*typeIndex));
    if (!names) return std::nullopt;
    auto nameIndex = FindEntry(*names, name);
    if (!nameIndex) return std::nullopt;
    auto languages = Descend(path, names->at(*nameIndex));
    if (!languages) return std::nullopt;
    auto languageIndex = ChooseLanguage(*languages);
    if (!languageIndex) return std::nullopt;

    // The third level holds data entries only: the tree is no deeper.
    Entry leaf = languages->at(*languageIndex);
    if (leaf.IsDirectory()) return std::nullopt;
    auto dataEntry = file_->View(*root_ + leaf.Offset(), 16);
    if (!dataEntry) return std::nullopt;
    ByteReader data(*dataEntry);
    std::uint32_t rva = data.U32(0), size = data.U32(4);
    auto offset = RvaToOffset(rva);
    if (!offset) return std::nullopt;
    // Bytes past the end of the file are refused by View and Copy.
    return Extent{*offset, size};
  }

  // The first section whose raw data covers the RVA, as the loader picks it
  // for a data file; RVAs below the end of the headers are file offsets.
  std::optional<std::uint64_t> RvaToOffset(std::uint32_t rva) const {
    auto after = std::upper_bound(pieces_.begin(), pieces_.end(), rva,
                                  [](std::uint32_t v, const Piece& p) { return v < p.start; });
    if (after != pieces_.begin() && rva < std::prev(after)->end) {
      const Section& s = sections_[std::prev(after)->section];
      return std::uint64_t{s.rawOffset} + (rva - s.virtualAddress);
    }
    if (rva < sizeOfHeaders_) return rva;
    return std::nullopt;
  }

  // Reads the table at an offset from the resource directory. Its entry
  // count is bounded by the bytes that remain: a table whose entries would
  // reach past the end of the file is refused.
  std::optional<Table> EnterTable(Path& path, std::uint32_t offset) const {
    if (!root_ || !path.Enter(offset)) return std::nullopt;
    auto header = file_->View(*root_ + offset, 16);
    if (!header) return std::nullopt;
    ByteReader r(*header);
    Table table;
    table.namedCount = r.U16(12);
    table.idCount = r.U16(14);
    auto entries = file_->View(*root_ + offset + 16, 8ull * table.size());
    if (!entries) return std::nullopt;
    table.entries = *entries;
    return table;
  }

  std::optional<Table> Descend(Path& path, Entry entry) const {
    if (!entry.IsDirectory()) return std::nullopt;
    return EnterTable(path, entry.Offset());
  }

  std::optional<std::uint16_t> NameLength(Entry entry) const {
    auto length = file_->View(*root_ + (entry.name & ~kHighBit), 2);
    if (!length) return std::nullopt;
    std::uint16_t n = ByteReader(*length).U16(0);
    if (!file_->View(*root_ + (entry.name & ~kHighBit) + 2, 2ull * n)) return std::nullopt;
    return n;
  }

  std::optional<ResourceName> EntryName(Entry entry) const {
    if (!entry.NameIsText()) return ResourceName::Id(static_cast<std::uint16_t>(entry.name));
    std::uint64_t at = *root_ + (entry.name & ~kHighBit);
    auto length = file_->View(at, 2);
    if (!length) return std::nullopt;
    std::uint16_t n = ByteReader(*length).U16(0);
    auto units = file_->View(at + 2, 2ull * n);
    if (!units) return std::nullopt;
    ByteReader r(*units);
    std::u16string text(n, u'\0');
    for (std::uint16_t i = 0; i < n; ++i) text[i] = static_cast<char16_t>(r.U16(2ull * i));
    return ResourceName::Text(std::move(text));
  }

  // Binary search, as the platform looks names up: text names among the
  // named entries, ordered as CompareNames orders them, identifiers among the
  // rest in ascending order. A table stored out of order may hide an entry,
  // as it does from the platform, but a look-up costs a few reads whatever
  // the table holds.
  std::optional<std::uint32_t> FindEntry(const Table& table, const ResourceName& name) const {
    std::uint32_t low = name.isId ? table.namedCount : 0;
    std::uint32_t high = name.isId ? table.size() : table.namedCount;
    while (low < high) {
      std::uint32_t mid = low + (high - low) / 2;
      Entry entry = table.at(mid);
      int order = 0;
      if (name.isId) {
        std::uint16_t id = static_cast<std::uint16_t>(entry.name);
        order = name.id < id ? -1 : name.id > id ? 1 : 0;
      } else {
        auto stored = entry.NameIsText() ? EntryName(entry) : std::nullopt;
        if (!stored) return std::nullopt;
        order = CompareNames(name.text, stored->text);
      }
      if (order == 0) return mid;
      if (order < 0)
        high = mid;
      else
        low = mid + 1;
    }
    return std::nullopt;
  }

  // Language-neutral first, then the user's default language, then the
  // first one stored, so that a group in one language whose images are
  // stored in another is still read.
  std::optional<std::uint32_t> ChooseLanguage(const Table& languages) const {
    for (std::uint16_t language : {std::uint16_t{0}, UserDefaultLanguage()}) {
      if (auto index = FindEntry(languages, ResourceName::Id(language))) return index;
    }
    if (languages.size() == 0) return std::nullopt;
    return 0;
  }

  std::unique_ptr<MappedFile> file_;
  std::vector<Section> sections_;
  std::vector<Piece> pieces_;  // ordered, not overlapping
  std::uint32_t sizeOfHeaders_ = 0;
  std::optional<std::uint64_t> root_;  // file offset of the resource directory
};

}  // namespace

std::unique_ptr<ModuleResources> OpenPeModule(std::unique_ptr<MappedFile> file,
                                              std::uint64_t headerOffset) {
  // COFF file header after the 4-byte signature, then the optional header.
  auto coffBytes = file->View(headerOffset + 4, 20);
  if (!coffBytes) return nullptr;
  ByteReader coff(*coffBytes);
  std::uint16_t sectionCount = coff.U16(2);
  std::uint16_t optionalSize = coff.U16(16);

  std::uint64_t optionalAt = headerOffset + 24;
  auto optionalBytes = file->View(optionalAt, optionalSize);
  if (!optionalBytes) return nullptr;
  ByteReader optional(*optionalBytes);
  std::uint16_t magic = optional.U16(0);
  std::uint64_t countAt = 0, directoriesAt = 0;
  if (magic == kPe32Magic) {
    countAt = 92;
    directoriesAt = 96;
  } else if (magic == kPe32PlusMagic) {
    countAt = 108;
    directoriesAt = 112;
  } else {
    return nullptr;
  }
  std::uint32_t sizeOfHeaders = optional.U32(60);
  std::uint32_t directoryCount = optional.U32(countAt);
  if (!optional.ok()) return nullptr;
  // A module without a resource directory still opens; it has no resources.
  std::uint32_t resourceRva = 0;
  std::uint64_t resourceAt = directoriesAt + 8ull * kResourceDirectory;
  if (directoryCount > kResourceDirectory && optional.Has(resourceAt, 8))
    resourceRva = optional.U32(resourceAt);

  auto tableBytes = file->View(optionalAt + optionalSize, 40ull * sectionCount);
  if (!tableBytes) return nullptr;
  ByteReader table(*tableBytes);
  std::vector<Section> sections(sectionCount);
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    sections[i].virtualAddress = table.U32(40ull * i + 12);
    sections[i].rawSize = table.U32(40ull * i + 16);
    sections[i].rawOffset = table.U32(40ull * i + 20);
  }
  return std::make_unique<PeModule>(std::move(file), std::move(sections), sizeOfHeaders,
                                    resourceRva);
}

}  // namespace pindrel
