#include "ui/about_window.h"

#include "platform/controls_ext.h"
#include "platform/window_runtime.h"
#include "resources/window_descriptions.h"

namespace pindrel {
namespace {

void AttachTransLabel(Control& control) { SetTransLabelColor(control.handle(), control.description().textColor); }

void AttachSuperButton(Control& control) {
  AttachFlatButton(control.handle(), kReflectedMessageBase + WM_DRAWITEM);
}

void OnAboutSelected(Event&) { OpenAboutWindow(); }

// The window goes after this handler has returned, from the runtime's posted
// message; the enabled states that the modal load saved come back first.
void OnAboutOkClicked(Event& event) { event.window.Destroy(); }

const HandlerRegistration kAboutSelected{"OnAboutSelected", &OnAboutSelected};
const HandlerRegistration kAboutOkClicked{"OnAboutOkClicked", &OnAboutOkClicked};

// The kinds must be known before the first window that uses them is loaded;
// registering them here, during start-up, needs nothing from the shell.
struct SupportRegistration {
  SupportRegistration() { InitAboutWindowSupport(); }
};
const SupportRegistration kSupport;

}  // namespace

void InitAboutWindowSupport() {
  InitExtensionControls();
  RegisterControlKind("TransLabel", ControlKind{kTransLabelClass, false, &AttachTransLabel});
  RegisterControlKind("SuperBtn", ControlKind{"Button", false, &AttachSuperButton});
}

void OpenAboutWindow() {
  // The result (false when the window could not be created) changes nothing.
  LoadWindowModal(AboutWindowDescription());
}

}  // namespace pindrel
