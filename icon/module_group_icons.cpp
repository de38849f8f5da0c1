#include "icon/module_group_icons.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/module_byte_reader.h"
#include "icon/file_io.h"

namespace pindrel {

namespace {

constexpr std::size_t kGroupHeaderSize = 6;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::size_t kGroupEntryIdOffset = 12;

// The enumeration callback gets no context of its own, so it reaches this one
// state directly; the engine therefore serves one count at a time, which its
// single caller thread guarantees.
struct CountingState {
  int wantedPosition = 1;
  int seen = 0;
  std::optional<ResourceName> remembered;
};
CountingState g_counting;

bool CountGroupName(const ResourceName& name) {
  ++g_counting.seen;
  if (g_counting.seen == g_counting.wantedPosition) {
    // The name is only valid during this call; keep a copy.
    try {
      g_counting.remembered = name;
    } catch (const std::bad_alloc&) {
      g_counting.remembered.reset();
    }
  }
  return true;  // always to the end, so that the count is the total
}

}  // namespace

IconGroupCount CountIconGroups(const std::string& path, int wantedPosition) {
  g_counting = CountingState{wantedPosition, 0, std::nullopt};
  IconGroupCount result;
  result.module = ModuleResources::Open(path);
  if (!result.module) return result;
  if (result.module->EnumNames(ResourceName::Id(kRtGroupIcon), CountGroupName)) {
    result.count = g_counting.seen;
    result.name = std::move(g_counting.remembered);
  }
  g_counting.remembered.reset();
  return result;
}

std::optional<IconImageSet> ReadModuleGroup(const ModuleResources& module, const std::string& path,
                                            const ResourceName& name) {
  try {
    auto group = module.Find(name, ResourceName::Id(kRtGroupIcon));
    if (!group || group->data == nullptr) return std::nullopt;
    ByteReader r({group->data, group->size});
    // A group shorter than its count says is refused rather than read past.
    const std::uint16_t count = r.U16(4);
    if (!r.ok() || !r.Has(kGroupHeaderSize, kGroupEntrySize * std::size_t{count})) {
      return std::nullopt;
    }

    // Images come from inside the module file, so a group whose images add
    // up to more than the file holds names the same bytes over and over; such
    // a group is refused before it can make us allocate without bound.
    std::uint64_t budget = FileSizeAt(path).value_or(0);
    IconImageSet set = CreateIconImageSet(count);
    set.moduleFileName = path;
    for (std::size_t i = 0; i < count; ++i) {
      std::uint16_t id = r.U16(kGroupHeaderSize + kGroupEntrySize * i + kGroupEntryIdOffset);
      // The entry's own size field is not trusted: the resource's length is.
      // The image's bytes are read from the module straight into the buffer
      // the set keeps, the one copy of them.
      const std::uint64_t limit =
          std::min<std::uint64_t>(budget, std::numeric_limits<std::uint32_t>::max());
      auto icon = module.Copy(ResourceName::Id(id), ResourceName::Id(kRtIcon), limit);
      if (!icon) return std::nullopt;
      budget -= icon->size();
      IconImage& image = set.images[i];
      image.data = std::move(*icon);
      image.dataSize = static_cast<std::uint32_t>(image.data.size());
      BindImageFields(&image);
    }
    return set;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

std::optional<IconImageSet> ReadModuleGroup(const std::string& path,
                                            const std::optional<ResourceName>& name) {
  auto module = ModuleResources::Open(path);
  if (!module || !name) return std::nullopt;
  return ReadModuleGroup(*module, path, *name);
}

}  // namespace pindrel
