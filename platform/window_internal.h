// What the runtime's own source files share; not for its users.
#pragma once

#include <windows.h>

#include "platform/window_runtime.h"

namespace pindrel::detail {

constexpr char kLabelClass[] = "PindrelLabel";
constexpr char kPictureClass[] = "PindrelPicture";

HINSTANCE ProgramInstance();

// The window classes of the built-in kinds; false when one could not be registered.
bool RegisterBuiltinClasses();
void UnregisterBuiltinClasses();

// The built-in kinds plus the registered ones; null for an unknown name.
const ControlKind* FindControlKind(const char* name);

}  // namespace pindrel::detail
