// The About window: two transparent lines on light blue and a flat OK button.
#include "platform/controls_ext.h"
#include "resources/window_descriptions.h"

namespace pindrel {

const WindowDescription& AboutWindowDescription() {
  static const WindowDescription description{
      // A caption without a system menu: no icon, no close box; Esc closes it.
      "关于窗口", "关于\"Pindrel\"", 352, 238, 0, RGB(128, 128, 255), nullptr,
      // Controls, top of the stacking order first:
      //  name          kind          left, top, width, height  text
      //    flags                 style             exStyle            text colour       font
      {
          {"透明标签2", "TransLabel", {64, 80, 232, 32}, "本程序作者：Pindrel 工作室",
           kVisible, 0, WS_EX_TRANSPARENT, RGB(255, 0, 0), FontSpec{-16, 0, FW_NORMAL}},
          {"透明标签1", "TransLabel", {16, 178, 144, 24}, "QQ：123456789",
           kVisible, 0, WS_EX_TRANSPARENT, RGB(0, 0, 0), FontSpec{-16, 0, FW_NORMAL}},
          // Owner-drawn from its creation style on, so the window skin
          // leaves it alone.
          {"超级按钮1", "SuperBtn", {264, 168, 72, 32}, "确定",
           kVisible | kTabStop, kFlatButtonStyle},
      },
      {},
      {
          {"超级按钮1", EventKind::Click, "OnAboutOkClicked"},
      },
  };
  return description;
}

}  // namespace pindrel
