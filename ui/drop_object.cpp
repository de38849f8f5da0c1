#include "ui/drop_object.h"

#include <memory>

namespace pindrel {
namespace {

// Goes with its control at the window's WM_DESTROY, while the window that
// the target is registered for still exists to be revoked.
class DropObject final : public ControlPart {
 public:
  explicit DropObject(Control& control)
      : target([&control](const std::string& paths) { control.Raise(EventKind::GotFile, paths); }) {}

  DropTarget target;
};

void Attach(Control& control) { control.SetPart(std::make_unique<DropObject>(control)); }

}  // namespace

void RegisterDropObjectKind() {
  RegisterControlKind("DropTarget", ControlKind{kComponentClass, true, &Attach});
}

DropTarget* DropTargetOf(const Control& control) {
  auto* object = dynamic_cast<DropObject*>(control.part());
  return object ? &object->target : nullptr;
}

}  // namespace pindrel
