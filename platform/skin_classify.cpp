#include <windows.h>

#include <commctrl.h>

#include "platform/skin_style.h"

namespace pindrel {
namespace {

bool SameAscii(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
    char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
    if (x != y) return false;
    if (x == '\0') return true;
  }
}

bool ClassIs(HWND window, const char* name) {
  char buffer[64] = {};
  if (!window || GetClassNameA(window, buffer, sizeof buffer) <= 0) return false;
  return SameAscii(buffer, name);
}

SkinKind ClassifyButton(HWND window, DWORD style) {
  if (style & BS_BITMAP) return SkinKind::LeftAlone;
  bool pushLike = (style & BS_PUSHLIKE) != 0;
  // The button type is the low five bits; types above BS_AUTORADIOBUTTON
  // (owner-drawn, split and command-link buttons) are not ours to paint.
  switch (style & 0x1F) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
      // A textless button that is nothing but a tab stop is somebody's
      // private helper window, not a visible push button.
      if (style == (WS_CHILD | WS_TABSTOP) && GetWindowTextLengthA(window) == 0) return SkinKind::LeftAlone;
      return SkinKind::PushButton;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return pushLike ? SkinKind::PushButton : SkinKind::CheckBox;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return pushLike ? SkinKind::PushButton : SkinKind::RadioButton;
    case BS_GROUPBOX:
      return SkinKind::GroupBox;
    default:
      return SkinKind::LeftAlone;
  }
}

}  // namespace

// True for the classes that may be restyled, before their style bits count;
// the hook uses it to watch only those windows until their creation message.
bool IsSkinCandidateClass(HWND window) {
  return ClassIs(window, "Button") || ClassIs(window, "Edit") || ClassIs(window, "ComboBox") ||
         ClassIs(window, "ComboLBox") || ClassIs(window, "msctls_updown32");
}

SkinKind ClassifyForSkin(HWND window) {
  // Only the low 32 bits are style bits; the cast keeps WS_POPUP from being
  // sign-extended on 64-bit builds.
  auto style = static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE));
  if (ClassIs(window, "Button")) return ClassifyButton(window, style);
  if (ClassIs(window, "Edit")) {
    return ClassIs(GetParent(window), "SysIPAddress32") ? SkinKind::LeftAlone : SkinKind::EditBox;
  }
  if (ClassIs(window, "ComboBox")) {
    return (style & 3) == CBS_SIMPLE ? SkinKind::LeftAlone : SkinKind::ComboBox;
  }
  if (ClassIs(window, "ComboLBox")) return SkinKind::ComboList;
  if (ClassIs(window, "msctls_updown32")) return SkinKind::UpDown;
  return SkinKind::LeftAlone;
}

}  // namespace pindrel
