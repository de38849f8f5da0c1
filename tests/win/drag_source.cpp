#include "tests/win/drag_source.h"

#include <shlobj.h>

#include <cstring>

namespace pindrel::test {
namespace {

// Reference counting shared by the two COM objects below; OLE may hold them
// (through marshalling, for a target in another process) past DoDragDrop.
template <typename Interface>
class Counted : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  virtual ~Counted() = default;

 private:
  LONG refs_ = 1;
};

bool IsFileListFormat(const FORMATETC* f) {
  return f && f->cfFormat == CF_HDROP && f->dwAspect == DVASPECT_CONTENT && (f->tymed & TYMED_HGLOBAL);
}

class FileListData final : public Counted<IDataObject> {
 public:
  explicit FileListData(std::vector<std::string> paths) : paths_(std::move(paths)) {}

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* medium) override {
    if (!medium) return E_POINTER;
    if (!IsFileListFormat(f)) return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = MakeFileList(paths_);
    medium->pUnkForRelease = nullptr;
    return medium->hGlobal ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override {
    return IsFileListFormat(f) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SHCreateStdEnumFmtEtc(1, &format, out);
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  std::vector<std::string> paths_;
};

// Drops once the pointer has rested over the target for a few of OLE's
// polls, and gives up when the time is over or Esc is pressed.
class RestingDropSource final : public Counted<IDropSource> {
 public:
  RestingDropSource(const DragPlan& plan, DragOutcome& outcome)
      : plan_(plan), outcome_(outcome), start_(GetTickCount()) {}

  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
    if (escape || GetTickCount() - start_ > plan_.timeoutMs) return DRAGDROP_S_CANCEL;
    if (plan_.warpPointer) {
      RECT r{};
      GetWindowRect(plan_.target, &r);
      SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    POINT pt{};
    GetCursorPos(&pt);
    HWND under = WindowFromPoint(pt);
    const bool over = under && (under == plan_.target || GetAncestor(under, GA_ROOT) == plan_.target);
    restingPolls_ = over ? restingPolls_ + 1 : 0;
    // OLE learns the pointer's place from the messages it pumps, so stay a
    // few polls over the target before dropping: it must have entered it.
    if (restingPolls_ >= 4) {
      outcome_.dropped = true;
      return DRAGDROP_S_DROP;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  DragPlan plan_;
  DragOutcome& outcome_;
  DWORD start_;
  int restingPolls_ = 0;
};

}  // namespace

HGLOBAL MakeFileList(const std::vector<std::string>& paths) {
  SIZE_T size = sizeof(DROPFILES) + (paths.empty() ? 2 : 1);
  for (const std::string& p : paths) size += p.size() + 1;
  HGLOBAL block = GlobalAlloc(GHND, size);
  if (!block) return nullptr;
  auto* bytes = static_cast<char*>(GlobalLock(block));
  reinterpret_cast<DROPFILES*>(bytes)->pFiles = sizeof(DROPFILES);
  char* out = bytes + sizeof(DROPFILES);
  for (const std::string& p : paths) {
    std::memcpy(out, p.c_str(), p.size() + 1);
    out += p.size() + 1;
  }
  GlobalUnlock(block);
  return block;
}

DragOutcome DragFiles(const DragPlan& plan) {
  DragOutcome outcome;
  auto* data = new FileListData(plan.paths);
  auto* source = new RestingDropSource(plan, outcome);
  outcome.result = DoDragDrop(data, source, plan.allowed, &outcome.effect);
  source->Release();
  data->Release();
  return outcome;
}

}  // namespace pindrel::test
