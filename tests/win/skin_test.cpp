// The window skin under Wine: which controls it takes over, its life cycle,
// and the colours it paints.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/controls_ext.h"
#include "platform/skin_style.h"
#include "tests/win/window_pixels.h"

namespace pindrel {
namespace {

using test::Picture;

constexpr UINT kReflectedDrawItem = WM_APP + 0x2B;

int gClicks = 0;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) ++gClicks;
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    return SendMessageA(item->hwndItem, kReflectedDrawItem, wParam, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A top-level window for the controls of one test, destroyed with the test.
class Host {
 public:
  Host() {
    static const bool registered = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = HostProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = "PindrelSkinTestHost";
      return RegisterClassA(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    window_ = CreateWindowExA(0, "PindrelSkinTestHost", "host", WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN, 0, 0,
                              346, 234, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~Host() {
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  HWND get() const { return window_; }

  HWND Add(const char* className, const char* text, DWORD style, DWORD exStyle = 0, RECT r = {8, 8, 96, 32}) {
    HWND control = CreateWindowExA(exStyle, className, text, WS_CHILD | style, r.left, r.top, r.right, r.bottom,
                                   window_, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(control, nullptr) << className;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
  }

 private:
  HWND window_;
};

class SkinTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    InitExtensionControls();
  }
  void TearDown() override { SetStyle(kSkinNone); }
};

struct Row {
  const char* what;
  const char* className;
  const char* text;
  DWORD style;
  SkinKind kind;
};

const Row kRows[] = {
    {"bitmap button", "Button", "x", BS_PUSHBUTTON | BS_BITMAP, SkinKind::LeftAlone},
    {"push button", "Button", "x", BS_PUSHBUTTON, SkinKind::PushButton},
    {"default push button", "BUTTON", "x", BS_DEFPUSHBUTTON, SkinKind::PushButton},
    {"textless tab-stop helper", "Button", "", WS_TABSTOP | BS_PUSHBUTTON, SkinKind::LeftAlone},
    {"textless push button with more styles", "Button", "", WS_TABSTOP | WS_DISABLED, SkinKind::PushButton},
    {"tab-stop push button with text", "Button", "x", WS_TABSTOP, SkinKind::PushButton},
    {"check box", "Button", "x", BS_CHECKBOX, SkinKind::CheckBox},
    {"auto check box", "Button", "x", BS_AUTOCHECKBOX, SkinKind::CheckBox},
    {"three-state", "Button", "x", BS_3STATE, SkinKind::CheckBox},
    {"auto three-state", "Button", "x", BS_AUTO3STATE, SkinKind::CheckBox},
    {"push-like check box", "Button", "x", BS_AUTOCHECKBOX | BS_PUSHLIKE, SkinKind::PushButton},
    {"radio button", "Button", "x", BS_RADIOBUTTON, SkinKind::RadioButton},
    {"auto radio button", "Button", "x", BS_AUTORADIOBUTTON, SkinKind::RadioButton},
    {"push-like radio button", "Button", "x", BS_AUTORADIOBUTTON | BS_PUSHLIKE, SkinKind::PushButton},
    {"group box", "Button", "x", BS_GROUPBOX, SkinKind::GroupBox},
    {"owner-drawn button", "Button", "x", BS_OWNERDRAW, SkinKind::LeftAlone},
    {"flat button", "Button", "x", kFlatButtonStyle, SkinKind::LeftAlone},
    {"split button", "Button", "x", 0x0C, SkinKind::LeftAlone},
    {"edit", "Edit", "", WS_BORDER, SkinKind::EditBox},
    {"edit without border", "edit", "", 0, SkinKind::EditBox},
    {"drop-down combo", "ComboBox", "", CBS_DROPDOWN, SkinKind::ComboBox},
    {"drop-down list combo", "ComboBox", "", CBS_DROPDOWNLIST, SkinKind::ComboBox},
    {"simple combo", "ComboBox", "", CBS_SIMPLE, SkinKind::LeftAlone},
    {"up-down", "msctls_updown32", "", 0, SkinKind::UpDown},
    {"scroll bar", "ScrollBar", "", 0, SkinKind::LeftAlone},
    {"list box", "ListBox", "", 0, SkinKind::LeftAlone},
    {"static", "Static", "x", 0, SkinKind::LeftAlone},
    {"transparent label", kTransLabelClass, "x", 0, SkinKind::LeftAlone},
    {"progress", "msctls_progress32", "", 0, SkinKind::LeftAlone},
    {"trackbar", "msctls_trackbar32", "", 0, SkinKind::LeftAlone},
    {"hotkey", "msctls_hotkey32", "", 0, SkinKind::LeftAlone},
    {"tab control", "SysTabControl32", "", 0, SkinKind::LeftAlone},
    {"list view", "SysListView32", "", 0, SkinKind::LeftAlone},
    {"tree view", "SysTreeView32", "", 0, SkinKind::LeftAlone},
    {"date picker", "SysDateTimePick32", "", 0, SkinKind::LeftAlone},
    {"month calendar", "SysMonthCal32", "", 0, SkinKind::LeftAlone},
    {"IP address", "SysIPAddress32", "", 0, SkinKind::LeftAlone},
};

// Every row, as a control that exists before the style is chosen (visited)
// and as one created while the style is in force (seen through the hook).
TEST_F(SkinTest, ClassifiesEveryKindOfControlAsTheTableSays) {
  for (bool createdLater : {false, true}) {
    Host host;
    if (createdLater) {
      ASSERT_EQ(SetStyle(kSkinBlue), kSkinBlue);
    }
    std::vector<HWND> controls;
    for (const Row& row : kRows) controls.push_back(host.Add(row.className, row.text, row.style));
    if (!createdLater) {
      ASSERT_EQ(SetStyle(kSkinBlue), kSkinBlue);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const Row& row = kRows[i];
      SCOPED_TRACE(std::string(row.what) + (createdLater ? ", created later" : ", present"));
      EXPECT_EQ(ClassifyForSkin(controls[i]), row.kind);
      EXPECT_EQ(IsRestyled(controls[i]), row.kind != SkinKind::LeftAlone);
    }

    // Windows that controls make for themselves.
    HWND combo = controls[20];
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    EXPECT_EQ(ClassifyForSkin(info.hwndList), SkinKind::ComboList);
    EXPECT_TRUE(IsRestyled(info.hwndList));
    EXPECT_EQ(ClassifyForSkin(info.hwndItem), SkinKind::EditBox);
    HWND ip = controls.back();
    HWND ipEdit = FindWindowExA(ip, nullptr, "Edit", nullptr);
    ASSERT_NE(ipEdit, nullptr);
    EXPECT_EQ(ClassifyForSkin(ipEdit), SkinKind::LeftAlone);
    EXPECT_FALSE(IsRestyled(ipEdit));
    EXPECT_EQ(ClassifyForSkin(host.get()), SkinKind::LeftAlone);
    // The button class turns BS_USERBUTTON into BS_PUSHBUTTON as it creates
    // the window, so that type is only seen when set afterwards.
    HWND user = host.Add("Button", "x", BS_PUSHBUTTON);
    SetWindowLongPtrA(user, GWL_STYLE, WS_CHILD | BS_USERBUTTON);
    EXPECT_EQ(ClassifyForSkin(user), SkinKind::LeftAlone);
    EXPECT_FALSE(IsRestyled(host.get()));
    SetStyle(kSkinNone);
  }
}

// A button switched to owner-drawn on its way into existence, before its
// creation message, is left alone: the skin judges it at that message.
HHOOK gSwitchHook = nullptr;
LRESULT CALLBACK SwitchToOwnerDraw(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    auto window = reinterpret_cast<HWND>(wParam);
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    SetWindowLongPtrA(window, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  }
  return CallNextHookEx(gSwitchHook, code, wParam, lParam);
}

TEST_F(SkinTest, LeavesAloneAButtonMadeOwnerDrawnBeforeItsCreationMessage) {
  Host host;
  SetStyle(kSkinGreen);
  gSwitchHook = SetWindowsHookExA(WH_CBT, SwitchToOwnerDraw, nullptr, GetCurrentThreadId());
  HWND button = host.Add("Button", "x", BS_PUSHBUTTON);
  UnhookWindowsHookEx(gSwitchHook);
  EXPECT_EQ(GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_FALSE(IsRestyled(button));
}

TEST_F(SkinTest, FollowsTheChoicesOfTheMenu) {
  Host host;
  HWND button = host.Add("Button", "x", BS_PUSHBUTTON | WS_VISIBLE);
  HWND edit = host.Add("Edit", "", WS_VISIBLE, WS_EX_STATICEDGE);

  // "无风格" right after start: nothing happens.
  EXPECT_EQ(SetStyle(kSkinNone), kSkinNone);
  EXPECT_EQ(RestyledCount(), 0u);

  EXPECT_EQ(SetStyle(kSkinGreen), kSkinGreen);
  EXPECT_EQ(StyleInForce(), kSkinGreen);
  EXPECT_TRUE(IsRestyled(button));
  EXPECT_TRUE(IsRestyled(edit));
  EXPECT_EQ(RestyledCount(), 2u);

  // The same entry again: removed and applied again, same set.
  EXPECT_EQ(SetStyle(kSkinGreen), kSkinGreen);
  EXPECT_EQ(RestyledCount(), 2u);

  // Created later: restyled as it is created.
  HWND later = host.Add("Button", "y", BS_AUTOCHECKBOX | WS_VISIBLE);
  EXPECT_TRUE(IsRestyled(later));
  EXPECT_EQ(RestyledCount(), 3u);

  // A destroyed control leaves the set.
  DestroyWindow(later);
  EXPECT_EQ(RestyledCount(), 2u);

  // Out-of-range numbers act as "无风格".
  EXPECT_EQ(SetStyle(7), kSkinNone);
  EXPECT_EQ(RestyledCount(), 0u);
  EXPECT_FALSE(IsRestyled(button));
  HWND plain = host.Add("Button", "z", BS_PUSHBUTTON);
  EXPECT_FALSE(IsRestyled(plain));
}

// The skin holds back the controls' own drawing while they change state; they
// must still behave and stay visible.
TEST_F(SkinTest, RestyledControlsKeepTheirBehaviour) {
  Host host;
  HWND push = host.Add("Button", "x", BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP);
  HWND check = host.Add("Button", "y", BS_AUTOCHECKBOX | WS_VISIBLE | WS_TABSTOP, 0, {8, 48, 96, 20});
  HWND radio = host.Add("Button", "z", BS_AUTORADIOBUTTON | WS_VISIBLE, 0, {8, 72, 96, 20});
  ShowWindow(host.get(), SW_SHOWNOACTIVATE);
  test::DispatchPending();
  SetStyle(kSkinSilver);
  ASSERT_TRUE(IsRestyled(push) && IsRestyled(check) && IsRestyled(radio));

  gClicks = 0;
  SendMessageA(push, BM_CLICK, 0, 0);
  EXPECT_EQ(gClicks, 1);
  SendMessageA(check, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageA(radio, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageA(radio, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(gClicks, 3);

  SetFocus(push);
  EXPECT_EQ(GetFocus(), push);
  SetFocus(check);
  EXPECT_EQ(GetFocus(), check);
  SetWindowTextA(push, "new");
  char text[8] = {};
  GetWindowTextA(push, text, sizeof text);
  EXPECT_STREQ(text, "new");
  EnableWindow(push, FALSE);
  EXPECT_FALSE(IsWindowEnabled(push));
  for (HWND control : {push, check, radio}) EXPECT_TRUE(IsWindowVisible(control));
}

TEST_F(SkinTest, DisabledFrameIsButtonFaceLessThirtyTwo) {
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  COLORREF frame = SkinDisabledFrameColor();
  EXPECT_EQ(GetRValue(frame), std::max(GetRValue(face) - 0x20, 0));
  EXPECT_EQ(GetGValue(frame), std::max(GetGValue(face) - 0x20, 0));
  EXPECT_EQ(GetBValue(frame), std::max(GetBValue(face) - 0x20, 0));
  EXPECT_EQ(SkinFrameColor(1), RGB(123, 158, 189));
  EXPECT_EQ(SkinFrameColor(2), RGB(164, 185, 127));
  EXPECT_EQ(SkinFrameColor(3), RGB(198, 197, 215));
  EXPECT_EQ(SkinOutlineColor(1), RGB(0, 60, 115));
  EXPECT_EQ(SkinOutlineColor(2), RGB(55, 98, 6));
  EXPECT_EQ(SkinOutlineColor(3), RGB(0, 60, 116));
}

// ---- pixels ----------------------------------------------------------------

// The controls of the main window that the skin takes over, at their places.
struct MainLike {
  Host host;
  HWND edit;
  HWND extract;  // disabled
  HWND remove;   // enabled

  MainLike() {
    const DWORD buttonStyle = WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER |
                              BS_MULTILINE;
    remove = host.Add("Button", "删除", buttonStyle, 0, {208, 144, 88, 32});
    extract = host.Add("Button", "提取", buttonStyle | WS_DISABLED, 0, {72, 144, 88, 32});
    edit = host.Add("Edit", "", WS_VISIBLE | WS_DISABLED | WS_TABSTOP | WS_CLIPSIBLINGS | ES_AUTOHSCROLL | ES_READONLY,
                    WS_EX_STATICEDGE, {3, 112, 328, 24});
    ShowWindow(host.get(), SW_SHOWNOACTIVATE);
    UpdateWindow(host.get());
    test::DispatchPending();
  }

  // A control's rectangle inside pictures of the host window.
  RECT Place(HWND control) const {
    RECT outer{}, r{};
    GetWindowRect(host.get(), &outer);
    GetWindowRect(control, &r);
    OffsetRect(&r, -outer.left, -outer.top);
    return r;
  }
};

struct Renderer {
  const char* name;
  test::PictureTaker take;
};

class SkinPixelTest : public SkinTest, public ::testing::WithParamInterface<Renderer> {};

TEST_P(SkinPixelTest, FramesAndOutlinesHaveTheStyleColours) {
  MainLike window;
  RECT edit = window.Place(window.edit);
  RECT extract = window.Place(window.extract);
  RECT remove = window.Place(window.remove);
  int editMid = (edit.top + edit.bottom) / 2;
  for (int style : {kSkinBlue, kSkinGreen, kSkinSilver}) {
    SCOPED_TRACE("style " + std::to_string(style));
    SetStyle(style);
    Picture picture = GetParam().take(window.host.get());
    // The path box is disabled and read-only: grey frame, button-face inside.
    EXPECT_EQ(picture.At(edit.left, editMid), SkinDisabledFrameColor());
    EXPECT_EQ(picture.At(edit.right - 1, editMid), SkinDisabledFrameColor());
    EXPECT_EQ(picture.At((edit.left + edit.right) / 2, edit.top), SkinDisabledFrameColor());
    EXPECT_EQ(picture.At(edit.left + 1, editMid), GetSysColor(COLOR_BTNFACE));
    for (auto [r, color] : {std::pair{remove, SkinOutlineColor(style)}, std::pair{extract, SkinDisabledFrameColor()}}) {
      int midX = (r.left + r.right) / 2;
      int midY = (r.top + r.bottom) / 2;
      EXPECT_EQ(picture.At(r.left, midY), color);
      EXPECT_EQ(picture.At(r.right - 1, midY), color);
      EXPECT_EQ(picture.At(midX, r.top), color);
      EXPECT_EQ(picture.At(midX, r.bottom - 1), color);
    }
  }
}

TEST_P(SkinPixelTest, NoStyleBringsThePlainPixelsBack) {
  MainLike window;
  Picture plain = GetParam().take(window.host.get());
  SetStyle(kSkinNone);  // nothing in force: nothing changes
  EXPECT_TRUE(GetParam().take(window.host.get()) == plain);
  for (int style : {kSkinBlue, kSkinGreen, kSkinSilver}) {
    SCOPED_TRACE("style " + std::to_string(style));
    SetStyle(style);
    Picture styled = GetParam().take(window.host.get());
    EXPECT_FALSE(styled == plain);
    SetStyle(style);  // again: the same look
    EXPECT_TRUE(GetParam().take(window.host.get()) == styled);
    SetStyle(kSkinNone);
    EXPECT_TRUE(GetParam().take(window.host.get()) == plain);
  }
}

TEST_P(SkinPixelTest, SwitchingBlueToGreenLeavesNoBlueOutline) {
  MainLike window;
  SetStyle(kSkinBlue);
  SetStyle(kSkinGreen);
  Picture picture = GetParam().take(window.host.get());
  RECT remove = window.Place(window.remove);
  EXPECT_EQ(picture.At(remove.left, (remove.top + remove.bottom) / 2), SkinOutlineColor(kSkinGreen));
  int blue = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) blue += picture.At(x, y) == SkinOutlineColor(kSkinBlue);
  }
  EXPECT_EQ(blue, 0);
}

INSTANTIATE_TEST_SUITE_P(Renderers, SkinPixelTest,
                         ::testing::Values(Renderer{"printed", test::PrintedPicture},
                                           Renderer{"shown", test::ShownPicture}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pindrel
