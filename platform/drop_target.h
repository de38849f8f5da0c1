// The drop object of the main window: a non-visual OLE drop target that takes
// file lists (CF_HDROP) only and reports each dropped list as one text.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

namespace pindrel {

// The effect shown for a drag, from whether its data is acceptable, the key
// state (MK_CONTROL, MK_SHIFT) and the effects the source allows.
DWORD ChooseDropEffect(bool acceptable, DWORD keyState, DWORD allowed);

// The text the got-file event carries: one path as it is; two or more paths
// each followed by CR LF, the last one included; no path gives "".
std::string JoinDroppedPaths(const std::vector<std::string>& paths);

class DropTarget {
 public:
  using GotFileHandler = std::function<void(const std::string& paths)>;

  explicit DropTarget(GotFileHandler onGotFile);
  // Revokes the registration (see Revoke) and cuts the COM object loose from
  // the handler, so that OLE may keep its references without calling back
  // into a destroyed owner.
  ~DropTarget();

  DropTarget(const DropTarget&) = delete;
  DropTarget& operator=(const DropTarget&) = delete;

  // Binds the object to a window for its whole life. False when it is already
  // bound (nothing is done then) or when RegisterDragDrop does not answer S_OK;
  // the window stays bound even then, so a second call is always refused.
  // OLE must be initialised on the calling thread.
  bool RegisterWindow(HWND window);

  // Undoes a successful registration while the window still exists; the
  // owner's WM_DESTROY is the place. Called again, or after a failed
  // registration, it does nothing: a failed registration may mean that the
  // window is registered by someone else, whose registration is not ours to
  // revoke.
  void Revoke();

  HWND window() const { return window_; }

  // The COM face; borrowed, valid while this object lives (OLE takes its own
  // references through AddRef).
  IDropTarget* com() const;

 private:
  class Com;
  Com* com_;  // holds one reference
  HWND window_ = nullptr;
  bool registered_ = false;
};

}  // namespace pindrel
