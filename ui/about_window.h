// The About window: its extension controls and its two handlers.
//
// Handlers (registered by name, see window_runtime.h):
//   OnAboutSelected   the main window's "关于": loads the About window
//                     modally and returns once it has been destroyed
//   OnAboutOkClicked  "确定": asks for the About window's deferred destroy
#pragma once

namespace pindrel {

// Registers the About window's control kinds with the runtime: "TransLabel"
// (transparent label) and "SuperBtn" (flat owner-drawn button). Runs by
// itself at start, before any window exists; calling it again does no harm.
void InitAboutWindowSupport();

// What "关于" does: one modal load of the About window.
void OpenAboutWindow();

}  // namespace pindrel
