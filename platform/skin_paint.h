// Pictures of the restyled controls. Each function draws into a DC that the
// caller has prepared off screen; none of them touches the screen itself.
#pragma once

#include <windows.h>

#include "platform/skin_style.h"

namespace pindrel {

struct SkinScheme {
  COLORREF frame;    // edit and combo boxes, up-down and drop-down buttons
  COLORREF outline;  // push buttons, check boxes and radio buttons
  COLORREF faceTop, faceBottom;
  COLORREF pressedTop, pressedBottom;
  COLORREF hotTop, hotBottom;      // ring under the mouse pointer
  COLORREF focusTop, focusBottom;  // ring of the focused or default button
  COLORREF arrowFaceTop, arrowFaceBottom;
  COLORREF arrow;
  COLORREF mark;     // check mark and radio dot
  COLORREF caption;  // group box caption
};

// The scheme of style 1 to 3, or null.
const SkinScheme* SchemeFor(int style);

// What the mouse is doing to a control; the rest of its state is read from
// the window when it is painted.
struct MouseState {
  bool hover = false;
  bool tracking = false;
  int hotPart = -1;      // up-down: 0 first arrow, 1 second arrow
  int pressedPart = -1;  // up-down
};

// Button, check box, radio button, group box and up-down control, whole.
void PaintButtonLike(HWND window, HDC dc, SkinKind kind, const SkinScheme& scheme, const MouseState& mouse);
void PaintUpDown(HWND window, HDC dc, const SkinScheme& scheme, const MouseState& mouse);

// The part of a group box that its picture leaves to the controls inside.
RECT GroupBoxInterior(HWND window);

// The two rings an edit box gets over its plain border, in window
// coordinates; `rings` is 1 for the frame alone.
void PaintFrameRings(HDC dc, const RECT& rect, COLORREF outer, COLORREF inner, int rings);

// The drop-down button of a combo box over whatever the control drew.
void PaintComboButton(HDC dc, const RECT& button, const SkinScheme& scheme, bool enabled, bool pressed);

// Whether a window's class is one the skin may restyle, before its style
// bits are looked at.
bool IsSkinCandidateClass(HWND window);

// Which arrow of an up-down control a client point falls on (0 or 1).
int UpDownPartAt(HWND window, POINT client);

}  // namespace pindrel
