// The main window: a banner, three labels, the path box, the Extract and
// Delete buttons, the drop object and two menus.
#include "resources/window_descriptions.h"

namespace pindrel {
namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr DWORD kPushButton = BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
constexpr DWORD kPathBox = ES_LEFT | ES_AUTOHSCROLL | ES_READONLY;

}  // namespace

const WindowDescription& MainWindowDescription() {
  static const WindowDescription description{
      "主窗口", "Pindrel", 346, 234, kSystemMenu | kMinimizeBox, kDefaultColor, "DEFAULT_ICON",
      // Controls, top of the stacking order first:
      //  name        kind          left, top, width, height  text
      //    flags                                style      exStyle           text colour  font          picture
      {
          {"标签3", "Label", {115, 80, 152, 24}, "把要提取图标的软件拖进来",
           kVisible, 0, 0, kRed, FontSpec{-12, 0, FW_NORMAL}},
          {"图片框1", "PicBox", {3, 1, 328, 48}, nullptr,
           kVisible, 0, 0, kBlack, std::nullopt, "BANNER"},
          {"标签2", "Label", {8, 81, 56, 23}, "文件路径：",
           kVisible, 0, 0, kBlack},
          // Never shown; its rectangle is stored but has no effect.
          {"拖放对象1", "DropTarget", {16, 144, 40, 32}, nullptr,
           0},
          {"按钮2", "Button", {208, 144, 88, 32}, "删除",
           kVisible | kTabStop, kPushButton},
          {"按钮1", "Button", {72, 144, 88, 32}, "提取",
           kVisible | kDisabled | kTabStop, kPushButton},
          {"编辑框1", "EditBox", {3, 112, 328, 24}, "",
           kVisible | kDisabled | kTabStop, kPathBox, WS_EX_STATICEDGE},
          {"标签1", "Label", {0, 48, 336, 32}, "PS：要提取图标的资源文件名。扩展名为EXE、DLL、ICL、ICO",
           kVisible, 0, 0, kBlack},
      },
      {
          {"界面风格", MenuLevel::Bar, "界面风格(&F)"},
          {"无风格", MenuLevel::Popup, "无风格"},
          {"蓝色风格", MenuLevel::Popup, "蓝色风格"},
          {"绿色分格", MenuLevel::Popup, "绿色分格"},
          {"银色风格", MenuLevel::Popup, "银色风格"},
          {"帮助", MenuLevel::Bar, "帮助(&G)"},
          {"关于", MenuLevel::Popup, "关于"},
      },
      {
          {"", EventKind::Created, "OnMainWindowCreated"},
          {"编辑框1", EventKind::TextChanged, "OnPathChanged"},
          {"按钮1", EventKind::Click, "OnExtractClicked"},
          {"按钮2", EventKind::Click, "OnDeleteClicked"},
          {"拖放对象1", EventKind::GotFile, "OnFileDropped"},
          // Handled in ui/interface_style.cpp and ui/about_window.cpp.
          {"无风格", EventKind::Selected, "OnStyleNone"},
          {"蓝色风格", EventKind::Selected, "OnStyleBlue"},
          {"绿色分格", EventKind::Selected, "OnStyleGreen"},
          {"银色风格", EventKind::Selected, "OnStyleSilver"},
          {"关于", EventKind::Selected, "OnAboutSelected"},
      },
  };
  return description;
}

}  // namespace pindrel
