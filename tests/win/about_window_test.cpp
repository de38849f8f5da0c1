// The About window as the program opens it from the main window, and the
// interface styles on the real main window.
#include <windows.h>
#include <ole2.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/controls_ext.h"
#include "platform/skin_style.h"
#include "platform/window_runtime.h"
#include "resources/window_descriptions.h"
#include "tests/win/win_test_support.h"
#include "tests/win/window_pixels.h"
#include "ui/about_window.h"
#include "ui/main_window.h"

namespace pindrel {
namespace {

using test::ClassOf;
using test::Picture;
using test::Pump;
using test::TextOf;

constexpr char kAboutTitle[] = "关于\"Pindrel\"";

// The window of this thread with that title; other programs on the display
// may have windows of the same title.
HWND ThreadWindowTitled(const char* title) {
  struct Search {
    const char* title;
    HWND found;
  } search{title, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        char text[128] = {};
        GetWindowTextA(window, text, sizeof text);
        if (lstrcmpA(text, s->title) != 0 || !IsWindowVisible(window)) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct ChildFacts {
  std::string className;
  std::string text;
  RECT rect;
  LONG_PTR style;
  LONG_PTR exStyle;
  bool restyled;
};

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
bool operator==(const ChildFacts& a, const ChildFacts& b) {
  return a.className == b.className && a.text == b.text && a.rect == b.rect && a.style == b.style &&
         a.exStyle == b.exStyle && a.restyled == b.restyled;
}

// What the test sees of one opening of the About window.
struct AboutFacts {
  bool seen = false;
  bool returnedWhileOpen = false;
  bool aliveAfterReturn = true;
  std::string title;
  RECT rect{};
  LONG_PTR style = 0;
  LONG_PTR exStyle = 0;
  HWND owner = nullptr;
  bool ownerVisible = true;
  LONG_PTR ownerExStyle = 0;
  bool mainEnabledWhileOpen = true;
  bool mainEnabledAtDestroy = false;
  std::vector<ChildFacts> children;  // top of the stacking order first
};

// The test's part inside the About window's nested loop: a thread timer
// fires there, looks at the open window, runs `inspect`, then closes it.
struct Session {
  HWND main = nullptr;
  bool returned = false;
  AboutFacts facts;
  std::function<void(HWND about)> inspect;
  std::function<void(HWND about)> close;
};
Session* gSession = nullptr;

LRESULT CALLBACK WatchDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
  if (message == WM_DESTROY && gSession) gSession->facts.mainEnabledAtDestroy = IsWindowEnabled(gSession->main);
  if (message == WM_NCDESTROY) RemoveWindowSubclass(window, WatchDestroy, id);
  return DefSubclassProc(window, message, wParam, lParam);
}

void CALLBACK InsideModalLoop(HWND, UINT, UINT_PTR timer, DWORD) {
  Session& s = *gSession;
  HWND about = ThreadWindowTitled(kAboutTitle);
  if (!about) return;  // not shown yet: the timer fires again
  KillTimer(nullptr, timer);
  AboutFacts& f = s.facts;
  f.seen = true;
  f.returnedWhileOpen = s.returned;
  f.title = TextOf(about);
  GetWindowRect(about, &f.rect);
  f.style = GetWindowLongPtrA(about, GWL_STYLE);
  f.exStyle = GetWindowLongPtrA(about, GWL_EXSTYLE);
  f.owner = GetWindow(about, GW_OWNER);
  f.ownerVisible = f.owner && IsWindowVisible(f.owner);
  f.ownerExStyle = f.owner ? GetWindowLongPtrA(f.owner, GWL_EXSTYLE) : 0;
  f.mainEnabledWhileOpen = IsWindowEnabled(s.main) != FALSE;
  for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&r), 2);
    f.children.push_back({ClassOf(child), TextOf(child), r, GetWindowLongPtrA(child, GWL_STYLE),
                          GetWindowLongPtrA(child, GWL_EXSTYLE), IsRestyled(child)});
  }
  if (s.inspect) s.inspect(about);
  SetWindowSubclass(about, WatchDestroy, 1, 0);
  s.close(about);
}

void ClickOk(HWND about) {
  HWND ok = FindWindowExA(about, nullptr, "Button", nullptr);
  ASSERT_NE(ok, nullptr);
  SendMessageA(ok, BM_CLICK, 0, 0);
}

void PressEsc(HWND about) { PostMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0); }

class AboutTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    OleInitialize(nullptr);
    InitMainWindowSupport();
    // Keep the pointer off the windows, so that nothing is drawn hot.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  }

  void SetUp() override {
    window_ = LoadWindow(MainWindowDescription());
    ASSERT_NE(window_, nullptr);
    main_ = window_->handle();
    // No button holds the focus, so that a focus rectangle cannot come and
    // go with the activation between two pictures.
    SetFocus(main_);
    Pump();
  }

  void TearDown() override {
    SetStyle(kSkinNone);
    if (IsWindow(main_)) DestroyWindow(main_);
    Pump();
  }

  // Selects "关于" in the main window's menu and returns what was seen while
  // the modal call ran.
  AboutFacts OpenAbout(std::function<void(HWND)> close, std::function<void(HWND)> inspect = nullptr) {
    Session session;
    session.main = main_;
    session.close = std::move(close);
    session.inspect = std::move(inspect);
    gSession = &session;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, InsideModalLoop);
    window_->Raise("关于", EventKind::Selected, nullptr);
    session.returned = true;
    KillTimer(nullptr, timer);
    session.facts.aliveAfterReturn = ThreadWindowTitled(kAboutTitle) != nullptr;
    gSession = nullptr;
    Pump();
    return session.facts;
  }

  HWND Control(const char* name) const { return window_->Find(name)->handle(); }
  void Choose(const char* entry) { window_->Raise(entry, EventKind::Selected, nullptr); }

  Window* window_ = nullptr;
  HWND main_ = nullptr;
};

TEST_F(AboutTest, OpensModallyAndOkGivesTheMainWindowBack) {
  AboutFacts f = OpenAbout(ClickOk);
  ASSERT_TRUE(f.seen);
  EXPECT_FALSE(f.returnedWhileOpen);
  EXPECT_FALSE(f.aliveAfterReturn);
  EXPECT_FALSE(f.mainEnabledWhileOpen);
  EXPECT_TRUE(f.mainEnabledAtDestroy);
  EXPECT_TRUE(IsWindowEnabled(main_));
}

TEST_F(AboutTest, EscClosesItAndGivesTheMainWindowBack) {
  AboutFacts f = OpenAbout(PressEsc);
  ASSERT_TRUE(f.seen);
  EXPECT_FALSE(f.mainEnabledWhileOpen);
  EXPECT_TRUE(f.mainEnabledAtDestroy);
  EXPECT_FALSE(f.aliveAfterReturn);
  EXPECT_TRUE(IsWindowEnabled(main_));
  EXPECT_TRUE(IsWindow(main_));
}

TEST_F(AboutTest, HasItsDescribedFrameOwnerPlaceAndControls) {
  AboutFacts f = OpenAbout(ClickOk);
  ASSERT_TRUE(f.seen);
  EXPECT_EQ(f.title, kAboutTitle);
  EXPECT_EQ(f.style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(f.style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_EQ(f.exStyle & (WS_EX_APPWINDOW | WS_EX_TOPMOST), 0);
  // Owned by a hidden tool window, not by the main window: no taskbar button.
  ASSERT_NE(f.owner, nullptr);
  EXPECT_NE(f.owner, main_);
  EXPECT_FALSE(f.ownerVisible);
  EXPECT_TRUE(f.ownerExStyle & WS_EX_TOOLWINDOW);
  int x = (GetSystemMetrics(SM_CXSCREEN) - 352) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - 238) / 2;
  EXPECT_TRUE(f.rect == (RECT{x, y, x + 352, y + 238}));

  ASSERT_EQ(f.children.size(), 3u);
  const ChildFacts& author = f.children[0];
  const ChildFacts& contact = f.children[1];
  const ChildFacts& ok = f.children[2];
  EXPECT_EQ(author.className, CharLowerA(std::string(kTransLabelClass).data()));
  EXPECT_TRUE(author.rect == (RECT{64, 80, 64 + 232, 80 + 32}));
  EXPECT_TRUE(author.exStyle & WS_EX_TRANSPARENT);
  EXPECT_EQ(contact.className, author.className);
  EXPECT_TRUE(contact.rect == (RECT{16, 178, 16 + 144, 178 + 24}));
  EXPECT_TRUE(contact.exStyle & WS_EX_TRANSPARENT);
  EXPECT_EQ(ok.className, "button");
  EXPECT_EQ(ok.text, "确定");
  EXPECT_TRUE(ok.rect == (RECT{264, 168, 264 + 72, 168 + 32}));
  EXPECT_EQ(ok.style & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_TRUE(ok.style & WS_TABSTOP);
}

TEST_F(AboutTest, OpensAgainTheSameWay) {
  AboutFacts first = OpenAbout(ClickOk);
  AboutFacts second = OpenAbout(PressEsc);
  AboutFacts third = OpenAbout(ClickOk);
  ASSERT_TRUE(first.seen && second.seen && third.seen);
  for (const AboutFacts* again : {&second, &third}) {
    EXPECT_TRUE(again->rect == first.rect);
    EXPECT_EQ(again->style, first.style);
    EXPECT_EQ(again->exStyle, first.exStyle);
    EXPECT_EQ(again->owner, first.owner);
    EXPECT_TRUE(again->children == first.children);
  }
  EXPECT_TRUE(IsWindowEnabled(main_));
}

TEST_F(AboutTest, KeepsItsOwnLookWhileAStyleIsInForce) {
  Choose("蓝色风格");
  ASSERT_EQ(StyleInForce(), kSkinBlue);
  std::size_t restyled = RestyledCount();
  EXPECT_EQ(restyled, 3u);  // 按钮1, 按钮2, 编辑框1
  std::size_t whileOpen = 0;
  AboutFacts f = OpenAbout(ClickOk, [&](HWND) { whileOpen = RestyledCount(); });
  ASSERT_TRUE(f.seen);
  for (const ChildFacts& child : f.children) EXPECT_FALSE(child.restyled) << child.className;
  EXPECT_EQ(whileOpen, restyled);
  EXPECT_EQ(StyleInForce(), kSkinBlue);
  EXPECT_TRUE(IsRestyled(Control("按钮2")));
}

// The labels show the blue window through them; the OK button is flat,
// lighter with a raised edge under the pointer, sunken while held down, and
// never shows a focus rectangle.
TEST_F(AboutTest, LabelsAreTransparentAndTheButtonIsFlat) {
  auto inspect = [](HWND about) {
    HWND author = GetWindow(about, GW_CHILD);
    HWND contact = GetWindow(author, GW_HWNDNEXT);
    HWND ok = GetWindow(contact, GW_HWNDNEXT);
    const COLORREF blue = RGB(128, 128, 255);
    for (HWND label : {author, contact}) {
      Picture picture = test::PrintedPicture(label);
      EXPECT_EQ(picture.At(picture.width - 1, 0), blue);
      EXPECT_EQ(picture.At(0, picture.height - 1), blue);
      int red = 0;
      for (auto p : picture.pixels) red += p == 0xFF0000;
      EXPECT_EQ(red > 0, label == author);
    }
    EXPECT_EQ(TransLabelColor(author), RGB(255, 0, 0));
    EXPECT_EQ(TransLabelColor(contact), RGB(0, 0, 0));

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    SetFocus(ok);
    Picture flat = test::PrintedPicture(ok);
    int w = flat.width, h = flat.height;
    EXPECT_EQ(flat.At(0, 0), face);
    EXPECT_EQ(flat.At(w - 1, h - 1), face);
    EXPECT_EQ(flat.At(2, 2), face);
    for (int x = 0; x < w; ++x) {
      for (int y : {1, 2, 3, h - 4, h - 3, h - 2}) EXPECT_EQ(flat.At(x, y), face) << x << "," << y;
    }

    SendMessageA(ok, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(FlatButtonHot(ok));
    Picture hot = test::PrintedPicture(ok);
    EXPECT_EQ(hot.At(2, 2), LighterFace(face));
    EXPECT_EQ(hot.At(0, h / 2), light);
    EXPECT_EQ(hot.At(w / 2, 0), light);
    EXPECT_EQ(hot.At(w - 1, h / 2), shadow);
    EXPECT_EQ(hot.At(w / 2, h - 1), shadow);

    SendMessageA(ok, BM_SETSTATE, TRUE, 0);
    Picture pressed = test::PrintedPicture(ok);
    EXPECT_EQ(pressed.At(2, 2), LighterFace(face));
    EXPECT_EQ(pressed.At(0, h / 2), shadow);
    EXPECT_EQ(pressed.At(w - 1, h / 2), light);
    SendMessageA(ok, BM_SETSTATE, FALSE, 0);

    SendMessageA(ok, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(FlatButtonHot(ok));
    EXPECT_TRUE(test::PrintedPicture(ok) == flat);
  };
  AboutFacts f = OpenAbout(PressEsc, inspect);
  ASSERT_TRUE(f.seen);
}

TEST(LighterFace, AddsUpToThirtyTwoWithoutPassing255) {
  struct Case {
    COLORREF face, lighter;
  };
  for (Case c : {Case{RGB(240, 240, 240), RGB(255, 255, 255)}, Case{RGB(212, 208, 200), RGB(244, 240, 232)},
                 Case{RGB(10, 20, 30), RGB(42, 52, 62)}, Case{RGB(255, 0, 128), RGB(255, 0, 128)},
                 Case{RGB(230, 100, 0), RGB(255, 125, 25)}}) {
    EXPECT_EQ(LighterFace(c.face), c.lighter);
  }
}

// Each entry hands its number to the skin, in menu order, and no entry ever
// shows a check mark.
TEST_F(AboutTest, StyleEntriesHandTheirNumbersToTheSkinAndCheckNothing) {
  EXPECT_EQ(StyleInForce(), kSkinNone);  // the plain look at start
  HMENU bar = GetMenu(main_);
  ASSERT_NE(bar, nullptr);
  HMENU styles = GetSubMenu(bar, 0);
  ASSERT_NE(styles, nullptr);
  ASSERT_EQ(GetMenuItemCount(styles), 4);
  const char* const entries[] = {"蓝色风格", "绿色分格", "银色风格", "无风格", "银色风格", "银色风格", "无风格", "无风格"};
  const int numbers[] = {kSkinBlue, kSkinGreen, kSkinSilver, kSkinNone, kSkinSilver, kSkinSilver, kSkinNone, kSkinNone};
  for (std::size_t i = 0; i < std::size(entries); ++i) {
    SCOPED_TRACE(entries[i]);
    Choose(entries[i]);
    EXPECT_EQ(StyleInForce(), numbers[i]);
    EXPECT_EQ(RestyledCount(), numbers[i] == kSkinNone ? 0u : 3u);
    for (int popup = 0; popup < GetMenuItemCount(bar); ++popup) {
      HMENU menu = GetSubMenu(bar, popup);
      for (int item = 0; item < GetMenuItemCount(menu); ++item) {
        EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(item), MF_BYPOSITION) & MF_CHECKED, 0u);
      }
    }
  }
}

// ---- the styles on the real main window ------------------------------------

struct Renderer {
  const char* name;
  test::PictureTaker take;
};

class MainWindowStyleTest : public AboutTest, public ::testing::WithParamInterface<Renderer> {
 protected:
  RECT Place(const char* name) const {
    RECT outer{}, r{};
    GetWindowRect(main_, &outer);
    GetWindowRect(window_->Find(name)->handle(), &r);
    OffsetRect(&r, -outer.left, -outer.top);
    return r;
  }
  // The client area only, menu bar included: see ClientPlace.
  Picture TakeClient() const { return GetParam().take(main_).Crop(test::ClientPlace(main_)); }
  Picture Take() const { return GetParam().take(main_); }
};

const char* const kEntries[] = {"无风格", "蓝色风格", "绿色分格", "银色风格"};

TEST_P(MainWindowStyleTest, EachEntryGivesItsFrameAndOutlineColours) {
  RECT edit = Place("编辑框1");
  RECT extract = Place("按钮1");
  RECT remove = Place("按钮2");
  for (int style : {kSkinBlue, kSkinGreen, kSkinSilver}) {
    SCOPED_TRACE(kEntries[style]);
    Choose(kEntries[style]);
    ASSERT_EQ(StyleInForce(), style);
    Picture picture = Take();
    int mid = (edit.top + edit.bottom) / 2;
    EXPECT_EQ(picture.At(edit.left, mid), SkinDisabledFrameColor());
    EXPECT_EQ(picture.At(edit.right - 1, mid), SkinDisabledFrameColor());
    EXPECT_EQ(picture.At(edit.left + 1, mid), GetSysColor(COLOR_BTNFACE));
    for (auto [r, color] : {std::pair{remove, SkinOutlineColor(style)}, std::pair{extract, SkinDisabledFrameColor()}}) {
      EXPECT_EQ(picture.At(r.left, (r.top + r.bottom) / 2), color);
      EXPECT_EQ(picture.At((r.left + r.right) / 2, r.top), color);
      EXPECT_EQ(picture.At(r.right - 1, (r.top + r.bottom) / 2), color);
    }
  }
  // The Extract button takes the enabled look once it is enabled.
  window_->Find("按钮1")->SetDisabled(false);
  Picture enabled = Take();
  EXPECT_EQ(enabled.At(extract.left, (extract.top + extract.bottom) / 2), SkinOutlineColor(kSkinSilver));
}

TEST_P(MainWindowStyleTest, NoStyleBringsBackThePlainLookWithoutMovingTheWindow) {
  RECT before{};
  GetWindowRect(main_, &before);
  Picture plain = TakeClient();
  Choose("无风格");
  EXPECT_TRUE(TakeClient() == plain);
  for (int style : {kSkinBlue, kSkinGreen, kSkinSilver}) {
    SCOPED_TRACE(kEntries[style]);
    Choose(kEntries[style]);
    Picture styled = TakeClient();
    EXPECT_FALSE(styled == plain);
    Choose(kEntries[style]);
    EXPECT_TRUE(TakeClient() == styled);
    Choose("无风格");
    EXPECT_TRUE(TakeClient() == plain);
  }
  RECT after{};
  GetWindowRect(main_, &after);
  EXPECT_TRUE(after == before);
}

TEST_P(MainWindowStyleTest, BlueThenGreenLeavesNoTraceOfBlue) {
  Choose("蓝色风格");
  Choose("绿色分格");
  Picture picture = Take();
  Picture client = picture.Crop(test::ClientPlace(main_));
  int blue = 0;
  for (int y = 0; y < client.height; ++y) {
    for (int x = 0; x < client.width; ++x) blue += client.At(x, y) == SkinOutlineColor(kSkinBlue);
  }
  EXPECT_EQ(blue, 0);
  RECT remove = Place("按钮2");
  EXPECT_EQ(picture.At(remove.left, (remove.top + remove.bottom) / 2), SkinOutlineColor(kSkinGreen));
}

TEST_P(MainWindowStyleTest, TheMainWindowKeepsItsStyleAcrossTheAboutWindow) {
  Choose("绿色分格");
  Picture styled = TakeClient();
  AboutFacts f = OpenAbout(PressEsc);
  ASSERT_TRUE(f.seen);
  EXPECT_TRUE(TakeClient() == styled);
}

INSTANTIATE_TEST_SUITE_P(Renderers, MainWindowStyleTest,
                         ::testing::Values(Renderer{"printed", test::PrintedPicture},
                                           Renderer{"shown", test::ShownPicture}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pindrel
