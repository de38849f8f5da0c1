// A real OLE drag, DoDragDrop to RegisterDragDrop, inside one process: the
// drop object must see the drag the way the shell delivers it.
#include "platform/drop_target.h"
#include "tests/win/drag_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pindrel {
namespace {

class RealDragTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    // Not a STATIC: it answers HTTRANSPARENT to hit tests, so no drag would find it.
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PindrelDropTestWindow";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "drop here", WS_POPUP | WS_VISIBLE | WS_BORDER, 200, 150,
                              320, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    UpdateWindow(window_);
    ASSERT_TRUE(target_.RegisterWindow(window_));
  }
  void TearDown() override {
    // Park the pointer in the far corner, off any other test's window.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    target_.Revoke();
    DestroyWindow(window_);
    OleUninitialize();
  }

  test::DragOutcome Drag(std::vector<std::string> paths, DWORD allowed) {
    test::DragPlan plan;
    plan.paths = std::move(paths);
    plan.target = window_;
    plan.warpPointer = true;
    plan.allowed = allowed;
    plan.timeoutMs = 10000;
    return test::DragFiles(plan);
  }

  HWND window_ = nullptr;
  std::vector<std::string> events_;
  DropTarget target_{[this](const std::string& text) { events_.push_back(text); }};
};

TEST_F(RealDragTest, OneFileArrivesAsItsPath) {
  const test::DragOutcome outcome = Drag({"C:\\windows\\system32\\shell32.dll"}, DROPEFFECT_COPY | DROPEFFECT_MOVE);
  EXPECT_TRUE(outcome.dropped);
  // The drop object's E_FAIL reaches the source; the effect is what it chose.
  EXPECT_EQ(outcome.result, E_FAIL);
  EXPECT_EQ(outcome.effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(events_, (std::vector<std::string>{"C:\\windows\\system32\\shell32.dll"}));
}

TEST_F(RealDragTest, ThreeFilesArriveInOrderEachWithCrLf) {
  const test::DragOutcome outcome = Drag({"C:\\b.dll", "C:\\a.exe", "C:\\c.ico"},
                                         DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
  EXPECT_TRUE(outcome.dropped);
  EXPECT_EQ(events_, (std::vector<std::string>{"C:\\b.dll\r\nC:\\a.exe\r\nC:\\c.ico\r\n"}));
}

TEST_F(RealDragTest, SourceThatAllowsNothingFitIsRefused) {
  // Without Ctrl or Shift a link would do, but the source offers none of the three.
  const test::DragOutcome outcome = Drag({"C:\\a.exe"}, 0);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(outcome.effect, static_cast<DWORD>(DROPEFFECT_NONE));
}

}  // namespace
}  // namespace pindrel
