// The module reader (PE32, PE32+ and NE alike) on arbitrary bytes: every icon
// group it lists is looked up, and so is every image the group names. Every
// byte handed out is read, so a view past the end of a mapping shows up.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "platform/module_resources.h"

using namespace pindrel;

namespace {

volatile std::uint8_t sink;

void Touch(const ResourceBytes& bytes) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < bytes.size; ++i) sum ^= bytes.data[i];
  sink = sum;
}

std::uint16_t Le16(const ResourceBytes& bytes, std::size_t off) {
  return off + 2 <= bytes.size ? static_cast<std::uint16_t>(bytes.data[off] | bytes.data[off + 1] << 8) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = fuzz::ScratchPath("input.dll");
  fuzz::WriteScratch(path, data, size);
  auto module = ModuleResources::Open(path);
  if (!module) return 0;
  std::vector<ResourceName> groups;
  module->EnumNames(ResourceName::Id(kRtGroupIcon), [&](const ResourceName& name) {
    groups.push_back(name);
    sink = static_cast<std::uint8_t>(DisplayName(name).size());
    return true;
  });
  for (const auto& group : groups) {
    auto bytes = module->Find(group, ResourceName::Id(kRtGroupIcon));
    if (!bytes) continue;
    Touch(*bytes);
    std::uint16_t count = Le16(*bytes, 4);
    for (std::size_t i = 0; i < count && 6 + 14 * i + 14 <= bytes->size; ++i) {
      if (auto icon = module->Find(ResourceName::Id(Le16(*bytes, 6 + 14 * i + 12)), ResourceName::Id(kRtIcon))) {
        Touch(*icon);
      }
    }
  }
  return 0;
}
