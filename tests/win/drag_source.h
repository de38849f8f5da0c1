// A real OLE drag of a file list, for tests: what the shell does when the user
// drags files, with the drop decided by where the pointer rests instead of by
// a mouse button (Xvfb has no user to hold one).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

namespace pindrel::test {

// A global block holding an ANSI file list (CF_HDROP) as the shell writes it;
// the caller owns it.
HGLOBAL MakeFileList(const std::vector<std::string>& paths);

struct DragOutcome {
  HRESULT result = E_FAIL;  // what DoDragDrop answered
  DWORD effect = DROPEFFECT_NONE;
  bool dropped = false;  // the source decided to drop (rather than to give up)
};

struct DragPlan {
  std::vector<std::string> paths;
  HWND target = nullptr;    // the drop happens once the pointer rests over it
  bool warpPointer = false;  // move the pointer there ourselves (else someone else does)
  DWORD keys = 0;            // MK_CONTROL / MK_SHIFT reported as held during the drag
  DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  DWORD timeoutMs = 15000;  // give up (cancel the drag) after this long
};

// Runs DoDragDrop on the calling thread, which must have OLE initialised.
DragOutcome DragFiles(const DragPlan& plan);

}  // namespace pindrel::test
