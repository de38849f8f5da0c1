// The "DropTarget" control kind: a hidden child window carrying an OLE drop
// target that raises its control's GotFile event with the dropped paths.
#pragma once

#include "platform/drop_target.h"
#include "platform/window_runtime.h"

namespace pindrel {

void RegisterDropObjectKind();

// The drop target of a control of that kind; null for any other control.
DropTarget* DropTargetOf(const Control& control);

}  // namespace pindrel
