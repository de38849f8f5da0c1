#include "platform/module_resources.h"

#include "platform/module_byte_reader.h"
#include "platform/module_formats.h"
#include "platform/module_text.h"

namespace pindrel {

std::string DisplayName(const ResourceName& name) {
  return name.isId ? std::to_string(name.id) : Utf16ToUtf8(name.text);
}

std::unique_ptr<ModuleResources> ModuleResources::Open(const std::string& path) {
  auto file = MappedFile::Open(path);
  if (!file) return nullptr;

  // Both formats start with a DOS header whose e_lfanew (at 0x3C) points at
  // the new header's signature.
  auto dos = file->View(0, 64);
  if (!dos) return nullptr;
  ByteReader dosHeader(*dos);
  if (dosHeader.U16(0) != 0x5A4D) return nullptr;  // "MZ"
  std::uint64_t headerOffset = dosHeader.U32(0x3C);

  auto signature = file->View(headerOffset, 2);
  if (!signature) return nullptr;
  std::uint16_t magic = ByteReader(*signature).U16(0);
  if (magic == 0x454E) return OpenNeModule(std::move(file), headerOffset);  // "NE"
  if (magic == 0x4550) {                                                    // "PE\0\0"
    auto pe = file->View(headerOffset, 4);
    if (pe && ByteReader(*pe).U32(0) == 0x00004550) return OpenPeModule(std::move(file), headerOffset);
  }
  return nullptr;
}

}  // namespace pindrel
