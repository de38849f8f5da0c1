// The runtime's loading, modal loop, deferred destroy, keys and last-window
// rule, with small descriptions of its own.
#include "platform/window_runtime.h"

#include <gtest/gtest.h>

#include <string>

namespace pindrel {
namespace {

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (!HandleWindowKey(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

// What the handlers of the modal window saw.
struct Seen {
  HWND dialog = nullptr;
  HWND owner = nullptr;
  bool otherEnabledDuringClick = true;
  bool existedAfterDestroy = false;
  int clicks = 0;
};
Seen seen;
HWND other = nullptr;  // the modeless window beside the modal one

const WindowDescription kOther{"其他", "Other", 200, 120, kSystemMenu};

// Created: clicks its own OK button through the message queue, so that the
// click runs inside the modal loop.
void OnDialogCreated(Event& event) {
  seen.dialog = event.window.handle();
  seen.owner = GetWindow(event.window.handle(), GW_OWNER);
  PostMessageA(event.window.Find("确定")->handle(), BM_CLICK, 0, 0);
}

void OnDialogOk(Event& event) {
  ++seen.clicks;
  seen.otherEnabledDuringClick = IsWindowEnabled(other) != FALSE;
  event.window.Destroy();
  seen.existedAfterDestroy = IsWindow(event.window.handle()) != FALSE;
}

void OnDialogCreatedPressEsc(Event& event) {
  seen.dialog = event.window.handle();
  PostMessageA(event.window.Find("确定")->handle(), WM_KEYDOWN, VK_ESCAPE, 0);
}

void OnDialogCreatedQuit(Event& event) {
  seen.dialog = event.window.handle();
  PostQuitMessage(3);
}

const HandlerRegistration kRegistrations[] = {
    {"OnDialogCreated", &OnDialogCreated},
    {"OnDialogOk", &OnDialogOk},
    {"OnDialogCreatedPressEsc", &OnDialogCreatedPressEsc},
    {"OnDialogCreatedQuit", &OnDialogCreatedQuit},
};

WindowDescription Dialog(const char* onCreated) {
  return WindowDescription{
      "对话框", "关于", 352, 238, 0, RGB(128, 128, 255), nullptr,
      {{"确定", "Button", {264, 168, 72, 32}, "确定", kVisible | kTabStop, BS_PUSHBUTTON}},
      {},
      {{"", EventKind::Created, onCreated}, {"确定", EventKind::Click, "OnDialogOk"}},
  };
}

class WindowRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seen = Seen{};
    Window* window = LoadWindow(kOther);
    ASSERT_NE(window, nullptr);
    other = window->handle();
  }
  void TearDown() override {
    if (Window* window = Window::FromHandle(other)) window->Destroy(true);
    Pump();
    EXPECT_EQ(WindowCount(), 0u);
  }
};

TEST_F(WindowRuntimeTest, ModalWindowDisablesTheOthersUntilItsDeferredDestroy) {
  const WindowDescription dialog = Dialog("OnDialogCreated");
  EXPECT_TRUE(LoadWindowModal(dialog));

  EXPECT_EQ(seen.clicks, 1);
  EXPECT_FALSE(seen.otherEnabledDuringClick);
  EXPECT_TRUE(seen.existedAfterDestroy) << "destroyed only after the handler returned";
  EXPECT_FALSE(IsWindow(seen.dialog));
  EXPECT_TRUE(IsWindowEnabled(other));

  // Owned by the runtime's hidden owner, not by the other window: no taskbar
  // button, nothing on screen.
  ASSERT_NE(seen.owner, nullptr);
  EXPECT_NE(seen.owner, other);
  EXPECT_FALSE(IsWindowVisible(seen.owner));
  EXPECT_TRUE(GetWindowLongPtrA(seen.owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
}

TEST_F(WindowRuntimeTest, ModalWindowGivesBackTheFormerEnabledState) {
  EnableWindow(other, FALSE);
  const WindowDescription dialog = Dialog("OnDialogCreated");
  EXPECT_TRUE(LoadWindowModal(dialog));
  EXPECT_FALSE(IsWindowEnabled(other));
}

TEST_F(WindowRuntimeTest, EscClosesTheModalWindow) {
  const WindowDescription dialog = Dialog("OnDialogCreatedPressEsc");
  EXPECT_TRUE(LoadWindowModal(dialog));
  EXPECT_FALSE(IsWindow(seen.dialog));
  EXPECT_EQ(seen.clicks, 0);
  EXPECT_TRUE(IsWindowEnabled(other));
}

TEST_F(WindowRuntimeTest, QuitEndsTheModalLoopAndReachesTheOuterLoop) {
  const WindowDescription dialog = Dialog("OnDialogCreatedQuit");
  EXPECT_TRUE(LoadWindowModal(dialog));
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
  Window::FromHandle(seen.dialog)->Destroy(true);
  EXPECT_TRUE(IsWindowEnabled(other));
}

TEST_F(WindowRuntimeTest, UnknownControlKindFailsTheLoadAndLeavesNoWindow) {
  const WindowDescription broken{"坏", "Broken", 100, 100, 0, kDefaultColor, nullptr,
                                 {{"x", "NoSuchKind", {0, 0, 10, 10}, nullptr, kVisible}}};
  EXPECT_EQ(LoadWindow(broken), nullptr);
  EXPECT_FALSE(LoadWindowModal(broken));
  EXPECT_EQ(WindowCount(), 1u);
  EXPECT_TRUE(IsWindowEnabled(other));
}

TEST_F(WindowRuntimeTest, DestroyingTheLastWindowEndsTheLoopWithZero) {
  PostMessageA(other, WM_CLOSE, 0, 0);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_FALSE(IsWindow(other));
  EXPECT_EQ(RunMessageLoop(), 0) << "no window: the loop ends at once";
}

TEST_F(WindowRuntimeTest, ClosingOneOfTwoWindowsKeepsTheLoopRunning) {
  Window* second = LoadWindow(kOther);
  ASSERT_NE(second, nullptr);
  PostMessageA(second->handle(), WM_CLOSE, 0, 0);
  PostMessageA(other, WM_CLOSE, 0, 0);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(WindowCount(), 0u);
}

}  // namespace
}  // namespace pindrel
