// The extension controls: a transparent label and a flat owner-drawn push
// button. Both are used on the user-interface thread only.
#pragma once

#include <windows.h>

namespace pindrel {

// Window class of the transparent label.
constexpr char kTransLabelClass[] = "PindrelTransLabel";

// Registers the transparent label's window class for the program's module.
// Safe to call again; false when the class cannot be registered.
bool InitExtensionControls();

// A transparent label paints no background of its own: it shows what its
// parent paints under it and draws its text over that, transparently, left
// aligned on one vertically centred line. Its font comes with WM_SETFONT
// (borrowed: the caller keeps it alive for the label's life); without one it
// uses DEFAULT_GUI_FONT. Its text colour starts black.
void SetTransLabelColor(HWND label, COLORREF color);
COLORREF TransLabelColor(HWND label);

// A flat button is a window of the BUTTON class that is owner-drawn from its
// creation style on, so that the window skin, which leaves owner-drawn
// buttons alone, never takes it over.
constexpr DWORD kFlatButtonStyle = BS_OWNERDRAW;

// Makes `button` (a BUTTON-class window) a flat button: it draws itself flat
// in the system's button colours, lighter with a raised edge under the mouse
// pointer and sunken while held down, without a focus rectangle. The parent
// must pass its WM_DRAWITEM for the button on to it as `drawItemMessage`
// with the same wParam and lParam. False when the button cannot be
// subclassed.
bool AttachFlatButton(HWND button, UINT drawItemMessage);

// Whether the pointer is over a flat button, as the button last saw it.
bool FlatButtonHot(HWND button);

// The face under the pointer: 32 added to red, green and blue, or less so
// that no channel passes 255.
COLORREF LighterFace(COLORREF face);

}  // namespace pindrel
