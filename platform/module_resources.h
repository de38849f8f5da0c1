// Reads the resources of an executable module (PE32, PE32+ or 16-bit NE)
// without loading it: our stand-in for LoadLibraryExA with
// LOAD_LIBRARY_AS_DATAFILE, EnumResourceNamesA, FindResourceA, LoadResource,
// LockResource, SizeofResource and FreeLibrary. Builds on Linux and Windows.
//
// Opening reads the headers only; the resource tables and the resources are
// reached through mappings of the file ranges that hold them, so a look-up
// costs what the resource costs, whatever the size of the file. Every table
// entry that points outside the file is refused, the PE resource tree is
// walked exactly three levels deep and never through the same table twice,
// and every count is bounded by the bytes that remain in the file.
// An object serves one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pindrel {

constexpr std::uint16_t kRtIcon = 3;
constexpr std::uint16_t kRtGroupIcon = 14;

// A resource type or name as the platform hands it out: an integer identifier
// (below 65536) or a text. Texts stay UTF-16, as the module stores them, so a
// name is found again whatever the ANSI code page is.
struct ResourceName {
  bool isId = true;
  std::uint16_t id = 0;
  std::u16string text;

  static ResourceName Id(std::uint16_t id) { return {true, id, {}}; }
  static ResourceName Text(std::u16string text) { return {false, 0, std::move(text)}; }
};

// The text of a name for people: the identifier in decimal, or the text as UTF-8.
std::string DisplayName(const ResourceName& name);

// A resource's bytes, valid while the ModuleResources that returned it lives.
struct ResourceBytes {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

class ModuleResources {
 public:
  virtual ~ModuleResources() = default;

  // Opens the module at an ANSI path as a data file; null when the file
  // cannot be opened or is not a module this reader knows.
  static std::unique_ptr<ModuleResources> Open(const std::string& path);

  // Calls visit for every name of the type, in resource-directory order (PE:
  // text names as stored, normally ascending, then identifiers ascending; NE:
  // as stored), while visit answers true. The name passed to visit lives only
  // for that call. False, with visit never called, when the module holds no
  // resource of the type or the type's table is damaged; true otherwise, also
  // when visit stopped the enumeration early.
  virtual bool EnumNames(const ResourceName& type,
                         const std::function<bool(const ResourceName&)>& visit) const = 0;

  // Finds a resource by name and type (text names match without regard to
  // case); among its languages the neutral one first, then the user's default
  // (GetUserDefaultLangID on Windows, US English 0x0409 elsewhere), then the
  // first stored. Empty when there is no such resource or its bytes lie
  // outside the file. NE sizes count whole alignment units, as the 16-bit
  // platform reports them, so an NE resource may end in padding.
  virtual std::optional<ResourceBytes> Find(const ResourceName& name,
                                            const ResourceName& type) const = 0;

  // The bytes of the resource that Find finds, in a buffer of the caller's
  // own, read from the file straight into it: one copy, where Find and a
  // copy of what it returns make two. Empty, with nothing allocated, also
  // when the resource is longer than maxSize bytes or cannot be read.
  virtual std::optional<std::vector<std::uint8_t>> Copy(const ResourceName& name,
                                                        const ResourceName& type,
                                                        std::uint64_t maxSize) const = 0;
};

}  // namespace pindrel
