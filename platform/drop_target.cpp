#include "platform/drop_target.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstddef>
#include <utility>

namespace pindrel {
namespace {

FORMATETC FileListFormat() {
  FORMATETC format{};
  format.cfFormat = CF_HDROP;
  format.ptd = nullptr;
  format.dwAspect = DVASPECT_CONTENT;
  format.lindex = -1;
  format.tymed = TYMED_HGLOBAL;
  return format;
}

// The data of a drop comes from another program, and DragQueryFileA walks it
// without knowing its size. So the list must be seen to end inside the memory
// block before it is handed over: every entry ends with a zero character and
// one more zero ends the list, also an empty one (some walkers step over an
// empty first entry before they look for the end).
bool IsWholeFileList(HGLOBAL block) {
  const SIZE_T size = GlobalSize(block);
  const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
  if (!bytes) {
    return false;
  }
  bool whole = false;
  if (size >= sizeof(DROPFILES)) {
    const auto* header = reinterpret_cast<const DROPFILES*>(bytes);
    const SIZE_T first = header->pFiles;
    const SIZE_T unit = header->fWide ? 2 : 1;
    if (first >= sizeof(DROPFILES) && first <= size) {
      bool previousWasZero = false;
      for (SIZE_T off = first; off <= size - unit; off += unit) {
        const bool zero = bytes[off] == 0 && (unit == 1 || bytes[off + 1] == 0);
        if (zero && previousWasZero) {
          whole = true;
          break;
        }
        previousWasZero = zero;
      }
    }
  }
  GlobalUnlock(block);
  return whole;
}

std::vector<std::string> QueryFilePaths(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  paths.reserve(count);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileA(drop, i, nullptr, 0);
    std::string path(static_cast<std::size_t>(length) + 1, '\0');
    const UINT copied = DragQueryFileA(drop, i, path.data(), length + 1);
    path.resize(copied <= length ? copied : length);
    paths.push_back(std::move(path));
  }
  return paths;
}

// Copies the dropped paths out of the data object; false when the data will
// not hand over a file list now.
bool ReadDroppedPaths(IDataObject* data, std::vector<std::string>& paths) {
  FORMATETC format = FileListFormat();
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) {
    return false;
  }
  bool ok = false;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal && IsWholeFileList(medium.hGlobal)) {
    paths = QueryFilePaths(static_cast<HDROP>(medium.hGlobal));
    ok = true;
  }
  ReleaseStgMedium(&medium);
  return ok;
}

}  // namespace

DWORD ChooseDropEffect(bool acceptable, DWORD keyState, DWORD allowed) {
  if (!acceptable) {
    return DROPEFFECT_NONE;
  }
  const bool ctrl = (keyState & MK_CONTROL) != 0;
  const bool shift = (keyState & MK_SHIFT) != 0;
  if (ctrl && shift) {
    // Ctrl+Shift asks for a link, and a link asked for by keys is refused.
    return DROPEFFECT_NONE;
  }
  if (ctrl) {
    return (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
  }
  if (shift) {
    return (allowed & DROPEFFECT_MOVE) ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
  }
  for (DWORD effect : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
    if (allowed & effect) {
      return effect;
    }
  }
  return DROPEFFECT_NONE;
}

std::string JoinDroppedPaths(const std::vector<std::string>& paths) {
  if (paths.size() == 1) {
    return paths[0];
  }
  std::string text;
  for (const std::string& path : paths) {
    text += path;
    text += "\r\n";
  }
  return text;
}

// The COM object. OLE holds references to it while the window is registered
// and during a drag, so it may outlive the DropTarget that made it; the owner
// detaches the handler before letting go.
class DropTarget::Com final : public IDropTarget {
 public:
  explicit Com(GotFileHandler onGotFile) : onGotFile_(std::move(onGotFile)) {}

  void Detach() { onGotFile_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) {
      return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
      *object = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) override {
    FORMATETC format = FileListFormat();
    acceptable_ = data && data->QueryGetData(&format) == S_OK;
    if (!effect) {
      return E_INVALIDARG;
    }
    *effect = ChooseDropEffect(acceptable_, keyState, *effect);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL, DWORD* effect) override {
    if (!effect) {
      return E_INVALIDARG;
    }
    *effect = ChooseDropEffect(acceptable_, keyState, *effect);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE DragLeave() override {
    acceptable_ = false;
    return S_OK;
  }

  // Answers E_FAIL whatever happens: the path is only read, nothing of the
  // source's is taken, so the source must not treat the drop as performed
  // (after a move it would otherwise be entitled to delete the original).
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL, DWORD* effect) override {
    const bool acceptable = acceptable_;
    acceptable_ = false;  // the drag ends here
    if (!effect) {
      return E_FAIL;
    }
    *effect = ChooseDropEffect(acceptable, keyState, *effect);
    if (*effect == DROPEFFECT_NONE || !data) {
      return E_FAIL;
    }
    // The handler runs arbitrary code: keep this object alive through it,
    // and let nothing thrown reach OLE.
    AddRef();
    try {
      std::vector<std::string> paths;
      if (ReadDroppedPaths(data, paths)) {
        const std::string text = JoinDroppedPaths(paths);
        paths.clear();
        // A copy, because the handler may destroy the owner, which detaches it.
        GotFileHandler handler = onGotFile_;
        if (handler) {
          handler(text);
        }
      }
    } catch (...) {
    }
    Release();
    return E_FAIL;
  }

 private:
  ~Com() = default;

  LONG refs_ = 1;
  bool acceptable_ = false;
  GotFileHandler onGotFile_;
};

DropTarget::DropTarget(GotFileHandler onGotFile) : com_(new Com(std::move(onGotFile))) {}

DropTarget::~DropTarget() {
  Revoke();
  com_->Detach();
  com_->Release();
}

bool DropTarget::RegisterWindow(HWND window) {
  if (window_) {
    return false;
  }
  window_ = window;
  registered_ = RegisterDragDrop(window, com_) == S_OK;
  return registered_;
}

void DropTarget::Revoke() {
  if (registered_) {
    RevokeDragDrop(window_);
    registered_ = false;
  }
}

IDropTarget* DropTarget::com() const { return com_; }

}  // namespace pindrel
