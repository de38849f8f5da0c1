// The main window as the program builds it from its description, and its
// handlers driven the way the user drives them.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window_runtime.h"
#include "resources/window_descriptions.h"
#include "shell/run_directory.h"
#include "tests/support/module_builder.h"
#include "tests/win/win_test_support.h"
#include "ui/main_window.h"

namespace pindrel {
namespace {

using test::ClassOf;
using test::Exists;
using test::Pump;
using test::MainWindowOver;
using test::RemoveTree;
using test::TextOf;

RECT ClientRectOf(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Puts a counting handler in the place of a registered one for one test;
// the original still runs.
class CountingHandler {
 public:
  explicit CountingHandler(const char* name) : name_(name), original_(FindHandler(name)) {
    current_ = this;
    RegisterHandler(name, [](Event& event) {
      ++current_->count;
      if (current_->original_) current_->original_(event);
    });
  }
  ~CountingHandler() {
    RegisterHandler(name_, original_);
    current_ = nullptr;
  }
  int count = 0;

 private:
  static inline CountingHandler* current_ = nullptr;
  const char* name_;
  Handler original_;
};

// Tests that only look at the window share one: Wine waits about two seconds
// for every window it unmaps without a window manager.
class MainWindowLook : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { shared_ = new MainWindowOver("main-window-look"); }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(shared_->window(), nullptr);
    handle_ = shared_->handle();
  }
  HWND Control(const char* name) const { return shared_->Control(name); }

  static inline MainWindowOver* shared_ = nullptr;
  HWND handle_ = nullptr;
};

// Tests that drive the handlers get a window of their own.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(main_.window(), nullptr);
    window_ = main_.window();
    handle_ = main_.handle();
  }
  HWND Control(const char* name) const { return main_.Control(name); }
  void Drop(const std::string& paths) { main_.Drop(paths); }
  void Click(const char* button) { main_.Click(button); }
  std::string Path(const std::string& name) const { return main_.Path(name); }

  MainWindowOver main_{"main-window"};
  Window* window_ = nullptr;
  HWND handle_ = nullptr;
};

TEST(MainWindowTexts, AreCodePage936) {
  ASSERT_EQ(GetACP(), 936u) << "the tests run with LANG=zh_CN.UTF-8";
  EXPECT_EQ(std::string("提取"), "\xCC\xE1\xC8\xA1");
}

TEST_F(MainWindowLook, WindowIsCentredFixedAndTitled) {
  EXPECT_EQ(TextOf(handle_), "Pindrel");
  RECT outer;
  GetWindowRect(handle_, &outer);
  EXPECT_EQ(outer.right - outer.left, 346);
  EXPECT_EQ(outer.bottom - outer.top, 234);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 346) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 234) / 2);

  const LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
  for (LONG_PTR bit : {WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, WS_CLIPCHILDREN, WS_VISIBLE}) {
    EXPECT_EQ(style & bit, bit) << std::hex << bit;
  }
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP), 0);
  // The system adds the window edge to any captioned window by itself.
  EXPECT_EQ(GetWindowLongPtrA(handle_, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_WINDOWEDGE), 0);
  EXPECT_EQ(GetWindow(handle_, GW_OWNER), nullptr) << "own taskbar button";

  EXPECT_NE(SendMessageA(handle_, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageA(handle_, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_EQ(SendMessageA(handle_, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
}

TEST_F(MainWindowLook, ControlsHaveTheirClassRectangleTextAndFlags) {
  struct Expected {
    const char* name;
    const char* className;
    RECT rect;
    const char* text;
    bool visible, disabled, tabStop;
  };
  const Expected controls[] = {
      {"标签3", "pindrellabel", {115, 80, 267, 104}, "把要提取图标的软件拖进来", true, false, false},
      {"图片框1", "pindrelpicture", {3, 1, 331, 49}, "", true, false, false},
      {"标签2", "pindrellabel", {8, 81, 64, 104}, "文件路径：", true, false, false},
      {"拖放对象1", "pindrelcomponent", {16, 144, 56, 176}, "", false, false, false},
      {"按钮2", "button", {208, 144, 296, 176}, "删除", true, false, true},
      {"按钮1", "button", {72, 144, 160, 176}, "提取", true, true, true},
      {"编辑框1", "edit", {3, 112, 331, 136}, "", true, true, true},
      {"标签1", "pindrellabel", {0, 48, 336, 80}, "PS：要提取图标的资源文件名。扩展名为EXE、DLL、ICL、ICO", true,
       false, false},
  };
  std::vector<HWND> stacking;
  for (HWND child = GetWindow(handle_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    stacking.push_back(child);
  }
  ASSERT_EQ(stacking.size(), std::size(controls));

  for (std::size_t i = 0; i < std::size(controls); ++i) {
    const Expected& e = controls[i];
    SCOPED_TRACE(e.name);
    HWND control = Control(e.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(stacking[i], control) << "stacking order follows the list";
    EXPECT_EQ(ClassOf(control), e.className);
    const RECT rect = ClientRectOf(control);
    EXPECT_EQ(rect.left, e.rect.left);
    EXPECT_EQ(rect.top, e.rect.top);
    EXPECT_EQ(rect.right, e.rect.right);
    EXPECT_EQ(rect.bottom, e.rect.bottom);
    EXPECT_EQ(TextOf(control), e.text);
    EXPECT_EQ(IsWindowVisible(control) != FALSE, e.visible);
    const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    EXPECT_EQ((style & WS_DISABLED) != 0, e.disabled);
    EXPECT_EQ((style & WS_TABSTOP) != 0, e.tabStop);
    EXPECT_EQ(style & (WS_CHILD | WS_CLIPSIBLINGS), WS_CHILD | WS_CLIPSIBLINGS);
  }
}

TEST_F(MainWindowLook, HintLabelHasItsOwnTwelvePixelFont) {
  LOGFONTA font{};
  ASSERT_TRUE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Control("标签3"), WM_GETFONT, 0, 0)), sizeof font,
                         &font));
  EXPECT_EQ(font.lfHeight, -12);
  EXPECT_EQ(font.lfWidth, 0);
  EXPECT_EQ(font.lfWeight, FW_NORMAL);
  EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
  EXPECT_STREQ(font.lfFaceName, "");
  EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(font.lfQuality, PROOF_QUALITY);

  const LRESULT gui = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const char* name : {"标签1", "标签2", "按钮1", "按钮2", "编辑框1"}) {
    EXPECT_EQ(SendMessageA(Control(name), WM_GETFONT, 0, 0), gui) << name;
  }
}

TEST_F(MainWindowLook, PathBoxIsReadOnlyWithTheLargestLimit) {
  HWND box = Control("编辑框1");
  const LONG_PTR style = GetWindowLongPtrA(box, GWL_STYLE);
  EXPECT_EQ(style & (ES_READONLY | ES_AUTOHSCROLL), ES_READONLY | ES_AUTOHSCROLL);
  EXPECT_EQ(style & (ES_MULTILINE | ES_NOHIDESEL | ES_UPPERCASE | ES_LOWERCASE | ES_CENTER | ES_RIGHT |
                     WS_HSCROLL | WS_VSCROLL | WS_BORDER),
            0);
  EXPECT_EQ(GetWindowLongPtrA(box, GWL_EXSTYLE) & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE), WS_EX_STATICEDGE);
  EXPECT_EQ(SendMessageA(box, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
  DWORD start = 1, end = 1;
  SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u);
}

TEST_F(MainWindowLook, NeitherButtonIsADefaultButton) {
  for (const char* name : {"按钮1", "按钮2"}) {
    HWND button = Control(name);
    const LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << name;
    EXPECT_EQ(style & (BS_CENTER | BS_VCENTER | BS_MULTILINE), BS_CENTER | BS_VCENTER | BS_MULTILINE) << name;
    EXPECT_EQ(SendMessageA(button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0) << name;
  }
}

TEST_F(MainWindowLook, MenuHasTheTwoPopupsWithoutMarksOrShortcuts) {
  HMENU bar = GetMenu(handle_);
  ASSERT_NE(bar, nullptr);
  struct Popup {
    const char* text;
    std::vector<std::string> entries;
  };
  const Popup popups[] = {
      {"界面风格(&F)", {"无风格", "蓝色风格", "绿色分格", "银色风格"}},
      {"帮助(&G)", {"关于"}},
  };
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  char text[64];
  for (int i = 0; i < 2; ++i) {
    GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, popups[i].text);
    HMENU popup = GetSubMenu(bar, i);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(popups[i].entries.size()));
    for (int j = 0; j < GetMenuItemCount(popup); ++j) {
      GetMenuStringA(popup, j, text, sizeof text, MF_BYPOSITION);
      EXPECT_EQ(text, popups[i].entries[j]);
      EXPECT_EQ(GetMenuState(popup, j, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED), 0u);
    }
  }
}

TEST_F(MainWindowLook, IsRegisteredAsDropTargetWhenCreated) {
  // A second registration of the same window is refused by OLE.
  class Idle final : public IDropTarget {
   public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
      *object = this;
      return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
  } idle;
  EXPECT_EQ(RegisterDragDrop(handle_, &idle), DRAGDROP_E_ALREADYREGISTERED);
}

TEST_F(MainWindowTest, WritingThePathRaisesTextChangedOnceAndEnablesExtract) {
  CountingHandler changed("OnPathChanged");
  EXPECT_FALSE(IsWindowEnabled(Control("按钮1")));
  Drop("C:\\a.dll");
  EXPECT_EQ(changed.count, 1);
  EXPECT_EQ(TextOf(Control("编辑框1")), "C:\\a.dll");
  EXPECT_TRUE(IsWindowEnabled(Control("按钮1")));
  EXPECT_FALSE(IsWindowEnabled(Control("编辑框1"))) << "the box stays disabled";

  Drop("C:\\a.dll");  // the same text again
  EXPECT_EQ(changed.count, 2);
  Drop("C:\\a.dll\r\nC:\\b.dll\r\n");
  EXPECT_EQ(changed.count, 3);
  EXPECT_EQ(window_->Find("编辑框1")->Text(), "C:\\a.dll\r\nC:\\b.dll\r\n");
  Drop("");
  EXPECT_EQ(changed.count, 4);
  EXPECT_EQ(TextOf(Control("编辑框1")), "");
}

TEST_F(MainWindowTest, EscClosesTheWindowAndEnterPressesNothing) {
  CountingHandler deleted("OnDeleteClicked");
  SetFocus(Control("按钮2"));
  PostMessageA(Control("按钮2"), WM_KEYDOWN, VK_RETURN, 0);
  PostMessageA(Control("按钮2"), WM_KEYUP, VK_RETURN, 0);
  Pump();
  EXPECT_EQ(deleted.count, 0);
  EXPECT_EQ(GetFocus(), Control("按钮2"));

  PostMessageA(Control("按钮2"), WM_KEYDOWN, VK_ESCAPE, 0);
  Pump();
  EXPECT_FALSE(IsWindow(handle_));
}

TEST_F(MainWindowTest, TabMovesBetweenTheEnabledButtonsOnly) {
  Drop("C:\\a.dll");  // enables 提取
  SetFocus(Control("按钮2"));
  for (const char* next : {"按钮1", "按钮2", "按钮1"}) {
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    Pump();
    EXPECT_EQ(GetFocus(), Control(next));
  }
}

class GroupModule {
 public:
  static std::vector<std::uint8_t> With(int groups) {
    std::vector<test::FakeResource> resources;
    for (int k = 1; k <= groups; ++k) {
      const auto id = static_cast<std::uint16_t>(k);
      resources.push_back({ResourceName::Id(kRtIcon), ResourceName::Id(id), 0, test::BmpIconImage(16, 16, 4)});
      resources.push_back({ResourceName::Id(kRtGroupIcon), ResourceName::Id(id), 0, test::GroupIconResource({id})});
    }
    return test::BuildModule(test::ModuleKind::Pe32, resources);
  }
};

TEST_F(MainWindowTest, ExtractWritesEachGroupOfTheDroppedFileUpToTheHundredth) {
  test::WriteFileBytes(Path("three.dll"), GroupModule::With(3));
  test::WriteFileBytes(Path("many.dll"), GroupModule::With(150));
  test::WriteFileBytes(Path("7.ico"), {1, 2, 3});  // left from an earlier run

  Drop(Path("three.dll"));
  Click("按钮1");
  for (int n = 1; n <= 3; ++n) {
    const auto bytes = test::ReadFileBytes(Path(std::to_string(n) + ".ico"));
    ASSERT_GE(bytes.size(), 6u) << n;
    EXPECT_EQ(bytes[2], 1) << "an icon file";
  }
  EXPECT_FALSE(Exists(Path("4.ico")));
  EXPECT_EQ(test::ReadFileBytes(Path("7.ico")).size(), 3u) << "higher numbers stay untouched";

  Drop(Path("many.dll"));
  Click("按钮1");
  for (int n = 1; n <= 100; ++n) EXPECT_TRUE(Exists(Path(std::to_string(n) + ".ico"))) << n;
  EXPECT_FALSE(Exists(Path("101.ico")));
}

TEST_F(MainWindowTest, ExtractOfSeveralDroppedPathsOrNoneWritesNothing) {
  test::WriteFileBytes(Path("three.dll"), GroupModule::With(3));
  Drop(Path("three.dll") + "\r\n" + Path("three.dll") + "\r\n");
  Click("按钮1");
  Drop("");
  Click("按钮1");
  EXPECT_FALSE(Exists(Path("1.ico")));
}

TEST_F(MainWindowTest, DeleteRemovesIconFilesButNotReadOnlyOnesOrDirectories) {
  for (const char* name : {"1.ico", "5.ico", "other.ico", "hidden.ico", "readonly.ico", "keep.txt", "Pindrel.exe"}) {
    test::WriteFileBytes(Path(name), {0});
  }
  SetFileAttributesA(Path("hidden.ico").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA(Path("readonly.ico").c_str(), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(CreateDirectoryA(Path("x.ico").c_str(), nullptr));
  test::WriteFileBytes(Path("x.ico\\inner.ico"), {0});

  Click("按钮2");
  for (const char* gone : {"1.ico", "5.ico", "other.ico", "hidden.ico"}) EXPECT_FALSE(Exists(Path(gone))) << gone;
  for (const char* kept : {"readonly.ico", "keep.txt", "Pindrel.exe", "x.ico", "x.ico\\inner.ico"}) {
    EXPECT_TRUE(Exists(Path(kept))) << kept;
  }

  Click("按钮2");  // nothing more to delete
  EXPECT_TRUE(Exists(Path("readonly.ico")));
  EXPECT_TRUE(Exists(Path("x.ico\\inner.ico")));
}

}  // namespace
}  // namespace pindrel
