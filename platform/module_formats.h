// The two module formats behind ModuleResources::Open, each in its own file.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/module_file.h"
#include "platform/module_resources.h"

namespace pindrel {

// headerOffset is where the "PE\0\0" or "NE" signature was found.
std::unique_ptr<ModuleResources> OpenPeModule(std::unique_ptr<MappedFile> file,
                                              std::uint64_t headerOffset);
std::unique_ptr<ModuleResources> OpenNeModule(std::unique_ptr<MappedFile> file,
                                              std::uint64_t headerOffset);

}  // namespace pindrel
