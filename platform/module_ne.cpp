// Resources of 16-bit NE modules, the format of old .icl icon libraries.
//
// The resource table (at ne_rsrctab, relative to the NE header) is an
// alignment shift, then one record per type, each followed by its resources,
// and a zero type ends the list:
//   type record (8 bytes):      type id, resource count, reserved
//   resource record (12 bytes): offset and length in units of 1 << shift,
//                               flags, name id, two reserved words
// A type or name id with the high bit set is an integer (the low 15 bits);
// otherwise it is the offset, from the table's start, of a Pascal string in
// the ANSI code page. NE resources have no languages and are stored in the
// order the resource compiler wrote them, which is the order we keep.

#include <map>

#include "platform/module_byte_reader.h"
#include "platform/module_formats.h"
#include "platform/module_text.h"

namespace pindrel {
namespace {

// Offsets and lengths are 16-bit counts of 1 << shift bytes. Shifts above 15
// would place resources beyond 2 GiB, which no NE file can be; they mark a
// damaged table, whose resources are then not read.
constexpr std::uint16_t kMaxAlignShift = 15;
constexpr std::uint16_t kIntegerId = 0x8000;
constexpr std::uint64_t kTypeRecord = 8;
constexpr std::uint64_t kResourceRecord = 12;

struct Resource {
  std::uint16_t nameId = 0;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

class NeModule final : public ModuleResources {
 public:
  NeModule(std::unique_ptr<MappedFile> file, std::optional<std::uint64_t> table,
           std::uint16_t shift)
      : file_(std::move(file)), table_(table), shift_(shift) {}

  bool EnumNames(const ResourceName& type,
                 const std::function<bool(const ResourceName&)>& visit) const override {
    auto records = FindType(type);
    if (!records || records->size == 0) return false;
    std::uint32_t count = static_cast<std::uint32_t>(records->size / kResourceRecord);
    // Every name is checked before the first is handed out, so a broken
    // table delivers nothing. Pascal names are at most 255 bytes, so handing
    // them out costs at most 255 times the table's record count.
    for (std::uint32_t i = 0; i < count; ++i)
      if (!Name(At(*records, i).nameId)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      if (!visit(*Name(At(*records, i).nameId))) break;
    }
    return true;
  }

  std::optional<ResourceBytes> Find(const ResourceName& name,
                                    const ResourceName& type) const override {
    auto resource = Locate(name, type);
    if (!resource) return std::nullopt;
    auto bytes = file_->View(resource->offset, resource->length);
    if (!bytes) return std::nullopt;  // reaches past the end of the file
    return ResourceBytes{bytes->data, bytes->size};
  }

  std::optional<std::vector<std::uint8_t>> Copy(const ResourceName& name,
                                                const ResourceName& type,
                                                std::uint64_t maxSize) const override {
    auto resource = Locate(name, type);
    if (!resource || resource->length > maxSize) return std::nullopt;
    return file_->Copy(resource->offset, resource->length);
  }

 private:
  // The first resource of the type with the name, as stored.
  std::optional<Resource> Locate(const ResourceName& name, const ResourceName& type) const {
    if (name.isId && type.isId) {
      const auto& byId = IdIndex(type.id);
      auto found = byId.find(name.id);
      if (found == byId.end()) return std::nullopt;
      return found->second;
    }
    auto records = FindType(type);
    if (!records) return std::nullopt;
    std::uint32_t count = static_cast<std::uint32_t>(records->size / kResourceRecord);
    for (std::uint32_t i = 0; i < count; ++i) {
      Resource resource = At(*records, i);
      if (Matches(resource.nameId, name)) return resource;
    }
    return std::nullopt;
  }

  // The resource records of a type: the first type record that matches. The
  // walk over type records ends at the zero type or, in a damaged table, at
  // the end of the file, since every record's bytes are read before it is used.
  std::optional<ByteSpan> FindType(const ResourceName& type) const {
    if (!table_) return std::nullopt;
    std::uint64_t at = *table_ + 2;
    for (;;) {
      // The zero type that ends the list may be the file's last two bytes.
      auto typeBytes = file_->View(at, 2);
      if (!typeBytes) return std::nullopt;
      std::uint16_t typeId = ByteReader(*typeBytes).U16(0);
      if (typeId == 0) return std::nullopt;
      auto record = file_->View(at, kTypeRecord);
      if (!record) return std::nullopt;
      std::uint16_t count = ByteReader(*record).U16(2);
      auto records = file_->View(at + kTypeRecord, kResourceRecord * count);
      if (!records) return std::nullopt;
      if (Matches(typeId, type)) return records;
      at += kTypeRecord + kResourceRecord * count;
    }
  }

  // The integer-named resources of a type by identifier, the first stored
  // for each, as a walk finds them. Built on the first look-up of the type and
  // kept: a group names up to 65535 images, and walking the type list and the
  // records for each of them would cost minutes on a long hostile table. It
  // holds at most one entry per 15-bit identifier.
  const std::map<std::uint16_t, Resource>& IdIndex(std::uint16_t type) const {
    auto [index, added] = idIndex_.try_emplace(type);
    if (added) {
      if (auto records = FindType(ResourceName::Id(type))) {
        std::uint32_t count = static_cast<std::uint32_t>(records->size / kResourceRecord);
        for (std::uint32_t i = 0; i < count; ++i) {
          Resource resource = At(*records, i);
          if (resource.nameId & kIntegerId)
            index->second.emplace(static_cast<std::uint16_t>(resource.nameId & ~kIntegerId), resource);
        }
      }
    }
    return index->second;
  }

  Resource At(ByteSpan records, std::uint32_t i) const {
    ByteReader r(records);
    std::uint64_t base = kResourceRecord * i;
    return {r.U16(base + 6), std::uint64_t{r.U16(base)} << shift_,
            std::uint64_t{r.U16(base + 2)} << shift_};
  }

  std::optional<ResourceName> Name(std::uint16_t id) const {
    if (id & kIntegerId) return ResourceName::Id(id & ~kIntegerId);
    auto length = file_->View(*table_ + id, 1);
    if (!length) return std::nullopt;
    std::uint8_t n = ByteReader(*length).U8(0);
    auto bytes = file_->View(*table_ + id + 1, n);
    if (!bytes) return std::nullopt;
    return ResourceName::Text(
        AnsiToUtf16(std::string(reinterpret_cast<const char*>(bytes->data), bytes->size)));
  }

  bool Matches(std::uint16_t id, const ResourceName& wanted) const {
    if (wanted.isId) return (id & kIntegerId) && (id & ~kIntegerId) == wanted.id;
    if (id & kIntegerId) return false;
    auto stored = Name(id);
    return stored && CompareNames(stored->text, wanted.text) == 0;
  }

  std::unique_ptr<MappedFile> file_;
  // File offset of the resource table; none when the module has no resources
  // or its alignment shift is out of bounds.
  std::optional<std::uint64_t> table_;
  std::uint16_t shift_ = 0;
  mutable std::map<std::uint16_t, std::map<std::uint16_t, Resource>> idIndex_;  // by type id
};

}  // namespace

std::unique_ptr<ModuleResources> OpenNeModule(std::unique_ptr<MappedFile> file,
                                              std::uint64_t headerOffset) {
  auto headerBytes = file->View(headerOffset, 64);
  if (!headerBytes) return nullptr;
  ByteReader header(*headerBytes);
  std::uint16_t resourceTable = header.U16(0x24);
  std::uint16_t residentNames = header.U16(0x26);

  // A module whose resource table is empty (it starts where the next table
  // does) has no resources, as the loader sees it.
  std::optional<std::uint64_t> table;
  std::uint16_t shift = 0;
  if (resourceTable != residentNames) {
    std::uint64_t at = headerOffset + resourceTable;
    auto shiftBytes = file->View(at, 2);
    if (shiftBytes) shift = ByteReader(*shiftBytes).U16(0);
    if (shiftBytes && shift <= kMaxAlignShift) table = at;
  }
  return std::make_unique<NeModule>(std::move(file), table, shift);
}

}  // namespace pindrel
