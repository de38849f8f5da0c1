// The drop object driven through its IDropTarget face with a data object made
// here, the way OLE drives it during a drag.
#include "platform/drop_target.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace pindrel {
namespace {

constexpr DWORD kAll = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// A global block holding an ANSI file list as the shell writes it.
// The list ends with one more zero; an empty list is two zeros.
// `broken` leaves the end out: no zero after the last entry, or a lone zero
// for an empty list.
HGLOBAL MakeFileList(const std::vector<std::string>& paths, bool broken = false) {
  SIZE_T size = sizeof(DROPFILES) + (paths.empty() ? 2 : 1);
  if (broken && paths.empty()) --size;
  for (const std::string& p : paths) size += p.size() + 1;
  HGLOBAL block = GlobalAlloc(GHND, size);
  auto* bytes = static_cast<char*>(GlobalLock(block));
  auto* header = reinterpret_cast<DROPFILES*>(bytes);
  header->pFiles = sizeof(DROPFILES);
  header->fWide = FALSE;
  char* out = bytes + sizeof(DROPFILES);
  for (const std::string& p : paths) {
    std::memcpy(out, p.c_str(), p.size() + 1);
    out += p.size() + 1;
  }
  if (broken && !paths.empty()) {
    std::memset(bytes + sizeof(DROPFILES), 'x', size - sizeof(DROPFILES));
  }
  GlobalUnlock(block);
  return block;
}

// What a drag source offers. Only the methods a drop target calls do anything.
class FakeData final : public IDataObject {
 public:
  enum class Offer { FileList, TextOnly, FileListThatFails, BrokenFileList };

  FakeData(Offer offer, std::vector<std::string> paths) : offer_(offer), paths_(std::move(paths)) {}

  int getDataCalls = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the test's stack; counting is not needed.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override {
    if (offer_ == Offer::TextOnly) {
      return f->cfFormat == CF_TEXT && (f->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    const bool asked = f->cfFormat == CF_HDROP && f->ptd == nullptr && f->dwAspect == DVASPECT_CONTENT &&
                       f->lindex == -1 && (f->tymed & TYMED_HGLOBAL);
    return asked ? S_OK : DV_E_FORMATETC;
  }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* medium) override {
    ++getDataCalls;
    if (QueryGetData(f) != S_OK) return DV_E_FORMATETC;
    if (offer_ == Offer::FileListThatFails) return E_OUTOFMEMORY;
    if (offer_ == Offer::TextOnly) {
      HGLOBAL block = GlobalAlloc(GHND, 5);
      std::memcpy(GlobalLock(block), "text", 5);
      GlobalUnlock(block);
      medium->hGlobal = block;
    } else {
      medium->hGlobal = MakeFileList(paths_, offer_ == Offer::BrokenFileList);
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

 private:
  Offer offer_;
  std::vector<std::string> paths_;
};

struct Recorder {
  std::vector<std::string> events;
  DropTarget target{[this](const std::string& text) { events.push_back(text); }};
};

struct DropResult {
  HRESULT hr;
  DWORD effect;
};

// One whole drag: enter, one move, drop.
DropResult Drag(IDropTarget* target, IDataObject* data, DWORD keys, DWORD allowed = kAll) {
  DWORD effect = allowed;
  EXPECT_EQ(target->DragEnter(data, keys | MK_LBUTTON, POINTL{10, 10}, &effect), S_OK);
  effect = allowed;
  EXPECT_EQ(target->DragOver(keys | MK_LBUTTON, POINTL{12, 12}, &effect), S_OK);
  effect = allowed;
  const HRESULT hr = target->Drop(data, keys, POINTL{12, 12}, &effect);
  return {hr, effect};
}

TEST(DropTargetTest, EffectFollowsKeysAndAllowedEffects) {
  constexpr DWORD C = DROPEFFECT_COPY, M = DROPEFFECT_MOVE, L = DROPEFFECT_LINK, N = DROPEFFECT_NONE;
  struct Case {
    DWORD keys;
    DWORD allowed;
    DWORD expected;
  } cases[] = {
      {0, C | M | L, C},
      {0, M | L, M},
      {0, L, L},
      {0, N, N},
      {MK_CONTROL, C | M | L, C},
      {MK_CONTROL, M | L, N},
      {MK_SHIFT, C | M | L, M},
      {MK_SHIFT, C | L, N},
      {MK_CONTROL | MK_SHIFT, C | M | L, N},
      {MK_CONTROL | MK_SHIFT, L, N},
  };
  FakeData files(FakeData::Offer::FileList, {"C:\\a.exe"});
  FakeData text(FakeData::Offer::TextOnly, {});
  Recorder r;
  IDropTarget* t = r.target.com();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "keys " << c.keys << " allowed " << c.allowed);
    EXPECT_EQ(ChooseDropEffect(true, c.keys, c.allowed), c.expected);
    EXPECT_EQ(ChooseDropEffect(false, c.keys, c.allowed), N);

    DWORD effect = c.allowed;
    ASSERT_EQ(t->DragEnter(&files, c.keys | MK_LBUTTON, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, c.expected);
    effect = c.allowed;
    ASSERT_EQ(t->DragOver(c.keys | MK_LBUTTON, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, c.expected);
    ASSERT_EQ(t->DragLeave(), S_OK);

    effect = c.allowed;
    ASSERT_EQ(t->DragEnter(&text, c.keys | MK_LBUTTON, POINTL{}, &effect), S_OK);
    EXPECT_EQ(effect, N);
    ASSERT_EQ(t->DragLeave(), S_OK);
  }
  EXPECT_TRUE(r.events.empty());
}

TEST(DropTargetTest, KeysChangedDuringTheDragChangeTheEffect) {
  FakeData files(FakeData::Offer::FileList, {"C:\\a.exe"});
  Recorder r;
  IDropTarget* t = r.target.com();
  DWORD effect = kAll;
  ASSERT_EQ(t->DragEnter(&files, MK_LBUTTON, POINTL{}, &effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_COPY);
  effect = kAll;
  ASSERT_EQ(t->DragOver(MK_LBUTTON | MK_SHIFT, POINTL{}, &effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_MOVE);
  effect = kAll;
  ASSERT_EQ(t->DragOver(MK_LBUTTON | MK_SHIFT | MK_CONTROL, POINTL{}, &effect), S_OK);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  t->DragLeave();
}

TEST(DropTargetTest, ReportsDroppedPathsAsOneText) {
  const std::string longPath = "C:\\" + std::string(600, 'd') + "\\icons.dll";
  struct Case {
    std::vector<std::string> paths;
    std::string expected;
  } cases[] = {
      {{"C:\\Windows\\notepad.exe"}, "C:\\Windows\\notepad.exe"},
      {{"C:\\b.dll", "C:\\a.exe", "D:\\c.ico"}, "C:\\b.dll\r\nC:\\a.exe\r\nD:\\c.ico\r\n"},
      {{"C:\\one", "C:\\two"}, "C:\\one\r\nC:\\two\r\n"},
      {{}, ""},
      {{longPath}, longPath},
      {{"C:\\\xD6\xD0\xCE\xC4\\readme.txt"}, "C:\\\xD6\xD0\xCE\xC4\\readme.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    FakeData files(FakeData::Offer::FileList, c.paths);
    Recorder r;
    const DropResult result = Drag(r.target.com(), &files, 0);
    EXPECT_EQ(result.hr, E_FAIL);
    EXPECT_EQ(result.effect, DROPEFFECT_COPY);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0], c.expected);
  }
}

TEST(DropTargetTest, AnswersFailAndLeavesTheChosenEffect) {
  FakeData files(FakeData::Offer::FileList, {"C:\\a.exe"});
  Recorder r;
  DropResult result = Drag(r.target.com(), &files, MK_SHIFT);
  EXPECT_EQ(result.hr, E_FAIL);
  EXPECT_EQ(result.effect, DROPEFFECT_MOVE);
  EXPECT_EQ(r.events.size(), 1u);

  // The same path dropped again is reported again.
  result = Drag(r.target.com(), &files, MK_CONTROL, DROPEFFECT_COPY | DROPEFFECT_MOVE);
  EXPECT_EQ(result.hr, E_FAIL);
  EXPECT_EQ(result.effect, DROPEFFECT_COPY);
  EXPECT_EQ(r.events, (std::vector<std::string>{"C:\\a.exe", "C:\\a.exe"}));
}

TEST(DropTargetTest, RefusedDropsReportNothing) {
  struct Case {
    const char* what;
    FakeData::Offer offer;
    std::vector<std::string> paths;
    DWORD keys;
    DWORD allowed;
    DWORD effect;
    bool dataAsked;
  } cases[] = {
      {"text only", FakeData::Offer::TextOnly, {}, 0, kAll, DROPEFFECT_NONE, false},
      {"ctrl+shift", FakeData::Offer::FileList, {"C:\\a.exe"}, MK_CONTROL | MK_SHIFT, kAll, DROPEFFECT_NONE, false},
      {"nothing allowed", FakeData::Offer::FileList, {"C:\\a.exe"}, 0, DROPEFFECT_NONE, DROPEFFECT_NONE, false},
      {"data fails at the drop", FakeData::Offer::FileListThatFails, {"C:\\a.exe"}, 0, kAll, DROPEFFECT_COPY, true},
      {"list without its end", FakeData::Offer::BrokenFileList, {"C:\\a.exe"}, 0, kAll, DROPEFFECT_COPY, true},
      {"empty list without its end", FakeData::Offer::BrokenFileList, {}, 0, kAll, DROPEFFECT_COPY, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeData data(c.offer, c.paths);
    Recorder r;
    const DropResult result = Drag(r.target.com(), &data, c.keys, c.allowed);
    EXPECT_EQ(result.hr, E_FAIL);
    EXPECT_EQ(result.effect, c.effect);
    EXPECT_EQ(data.getDataCalls > 0, c.dataAsked);
    EXPECT_TRUE(r.events.empty());
  }
}

TEST(DropTargetTest, DropWithoutEnterIsRefused) {
  FakeData files(FakeData::Offer::FileList, {"C:\\a.exe"});
  Recorder r;
  DWORD effect = kAll;
  EXPECT_EQ(r.target.com()->Drop(&files, 0, POINTL{}, &effect), E_FAIL);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_TRUE(r.events.empty());
}

TEST(DropTargetTest, AThrowingHandlerDoesNotReachOle) {
  FakeData files(FakeData::Offer::FileList, {"C:\\a.exe"});
  DropTarget target([](const std::string&) { throw std::runtime_error("handler failed"); });
  EXPECT_EQ(Drag(target.com(), &files, 0).hr, E_FAIL);
}

TEST(DropTargetTest, ComObjectOutlivesItsOwnerQuietly) {
  FakeData files(FakeData::Offer::FileList, {"C:\\a.exe"});
  int calls = 0;
  IDropTarget* com = nullptr;
  {
    DropTarget target([&](const std::string&) { ++calls; });
    com = target.com();
    com->AddRef();  // as OLE does while a drag is under way
  }
  EXPECT_EQ(Drag(com, &files, 0).hr, E_FAIL);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(com->Release(), 0u);
}

class OleWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    window_ = CreateWindowExA(0, "STATIC", "drop", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    other_ = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    ASSERT_NE(other_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(window_);
    DestroyWindow(other_);
    OleUninitialize();
  }

  // True when nobody serves the window as drop target.
  bool Unregistered(HWND window) {
    Recorder probe;
    if (RegisterDragDrop(window, probe.target.com()) != S_OK) return false;
    RevokeDragDrop(window);
    return true;
  }

  HWND window_ = nullptr;
  HWND other_ = nullptr;
};

TEST_F(OleWindowTest, RegistersOnceAndRevokesWhenDestroyed) {
  {
    Recorder r;
    EXPECT_TRUE(r.target.RegisterWindow(window_));
    EXPECT_EQ(RegisterDragDrop(window_, r.target.com()), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_FALSE(r.target.RegisterWindow(window_));
    EXPECT_FALSE(r.target.RegisterWindow(other_));
    EXPECT_EQ(r.target.window(), window_);
    EXPECT_TRUE(Unregistered(other_));
  }
  EXPECT_TRUE(Unregistered(window_));
}

TEST_F(OleWindowTest, FailedRegistrationKeepsTheWindowAndLeavesOthersAlone) {
  Recorder first;
  ASSERT_TRUE(first.target.RegisterWindow(window_));
  {
    Recorder second;
    EXPECT_FALSE(second.target.RegisterWindow(window_));
    EXPECT_EQ(second.target.window(), window_);
    EXPECT_FALSE(second.target.RegisterWindow(other_));
  }
  // The second object's end must not have taken the first one's registration.
  EXPECT_FALSE(Unregistered(window_));
  first.target.Revoke();
  EXPECT_TRUE(Unregistered(window_));
}

TEST(DropTargetNoOleTest, RegistrationWithoutOleFails) {
  HWND window = CreateWindowExA(0, "STATIC", "drop", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  {
    Recorder r;
    EXPECT_FALSE(r.target.RegisterWindow(window));
    EXPECT_FALSE(r.target.RegisterWindow(window));
  }
  DestroyWindow(window);
}

}  // namespace
}  // namespace pindrel
