// Icon groups of executable modules (EXE, DLL, ICL): RT_GROUP_ICON resources
// naming their images, which are RT_ICON resources.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "icon/icon_image_set.h"
#include "platform/module_resources.h"

namespace pindrel {

struct IconGroupCount {
  int count = 0;                              // 0 when the module cannot be enumerated
  std::optional<ResourceName> name;           // the group at the wanted position
  std::unique_ptr<ModuleResources> module;    // kept open for the caller's command
};

// Opens the module at path and counts all of its icon groups, remembering the
// name of the one at wantedPosition (1-based) if there is one. The module is
// handed back open; the caller releases it when its command ends. Uses the
// engine's one counting state, so only one count runs at a time.
IconGroupCount CountIconGroups(const std::string& path, int wantedPosition);

// Reads the named group of the module at path with all its images, opening
// and releasing the module by itself. No set when there is no name, the
// module cannot be opened, the group or one of its images cannot be found,
// the group resource is shorter than its count says, or its images together
// claim more bytes than the module file holds.
std::optional<IconImageSet> ReadModuleGroup(const std::string& path,
                                            const std::optional<ResourceName>& name);

// The same on a module that is already open; path only names the set.
std::optional<IconImageSet> ReadModuleGroup(const ModuleResources& module, const std::string& path,
                                            const ResourceName& name);

}  // namespace pindrel
