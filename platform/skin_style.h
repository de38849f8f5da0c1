// The window skin: gives the standard controls of every window of the
// user-interface thread one of three colour schemes, or their plain look back.
// One state for the process, used on the user-interface thread only.
#pragma once

#include <windows.h>

#include <cstddef>

namespace pindrel {

// Style numbers as the "界面风格(&F)" menu hands them over.
enum SkinStyle : int {
  kSkinNone = 0,
  kSkinBlue = 1,
  kSkinGreen = 2,
  kSkinSilver = 3,
};

// What the skin makes of a window, from its class and style bits.
enum class SkinKind {
  LeftAlone,
  PushButton,
  CheckBox,
  RadioButton,
  GroupBox,
  EditBox,
  ComboBox,
  ComboList,
  UpDown,
};

// Removes the style in force, if any, and puts `style` in force when it is 1
// to 3: every control of the thread's windows is restyled and redrawn at once,
// and so is every control created afterwards. Any other number leaves the
// plain look; with no style in force it does nothing. Returns the style now in
// force (0 for none).
int SetStyle(int style);

// The style in force, 0 for none.
int StyleInForce();

// The kind `window` would be restyled as, judged from its current class,
// style bits, text and parent.
SkinKind ClassifyForSkin(HWND window);

// Whether `window` is currently painted by the skin.
bool IsRestyled(HWND window);

// How many controls the skin currently paints.
std::size_t RestyledCount();

// Colours the program relies on: the frame of edit and combo boxes and the
// outline of push buttons in each style (black for a number out of range),
// and the frame of a disabled control in every style.
COLORREF SkinFrameColor(int style);
COLORREF SkinOutlineColor(int style);
COLORREF SkinDisabledFrameColor();

}  // namespace pindrel
