#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/controls_ext.h"
#include "platform/gdi.h"

namespace pindrel {
namespace {

constexpr UINT_PTR kSubclassId = 0x464C4154;  // "FLAT"

struct ButtonState {
  UINT drawItemMessage;
  bool hot = false;
  bool tracking = false;
};

// The state is also kept as a window property, so that it can be found from
// the handle alone.
constexpr char kStateProperty[] = "PindrelFlatButton";

ButtonState* StateOf(HWND button) { return static_cast<ButtonState*>(GetPropA(button, kStateProperty)); }

void Fill(HDC dc, const RECT& r, COLORREF color) {
  SetBkColor(dc, color);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// A one-pixel edge: `topLeft` on the top and left sides, `bottomRight` on the
// others.
void Edge(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
  Fill(dc, {r.left, r.top, r.right, r.top + 1}, topLeft);
  Fill(dc, {r.left, r.top, r.left + 1, r.bottom}, topLeft);
  Fill(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  Fill(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

void Draw(HWND button, const DRAWITEMSTRUCT& item, const ButtonState& state) {
  RECT whole = item.rcItem;
  int width = whole.right - whole.left;
  int height = whole.bottom - whole.top;
  OffscreenDc off(item.hDC, width, height);
  if (!off.ok()) return;
  RECT r = {0, 0, width, height};
  // The system colours are read at every paint, so a colour change shows at
  // the next one.
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  bool pressed = (item.itemState & ODS_SELECTED) != 0;
  bool disabled = (item.itemState & ODS_DISABLED) != 0;
  if (pressed || (state.hot && !disabled)) {
    Fill(off.get(), r, LighterFace(face));
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    if (pressed) {
      Edge(off.get(), r, shadow, light);
    } else {
      Edge(off.get(), r, light, shadow);
    }
  } else {
    Fill(off.get(), r, face);
  }

  int length = GetWindowTextLengthA(button);
  if (length > 0) {
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    length = GetWindowTextA(button, text.data(), length + 1);
    auto font = reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0));
    SelectScope useFont(off.get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(off.get(), TRANSPARENT);
    SetTextColor(off.get(), GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    RECT area = r;
    if (pressed) OffsetRect(&area, 1, 1);
    DrawTextA(off.get(), text.c_str(), length, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  off.CopyTo(item.hDC, whole.left, whole.top);
}

void SetHot(HWND button, ButtonState& state, bool hot) {
  if (state.hot == hot) return;
  state.hot = hot;
  InvalidateRect(button, nullptr, FALSE);
}

LRESULT CALLBACK FlatProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* state = reinterpret_cast<ButtonState*>(data);
  if (message == state->drawItemMessage) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!item || item->hwndItem != button) return FALSE;
    Draw(button, *item, *state);
    return TRUE;
  }
  switch (message) {
    case WM_NCDESTROY:
      // Unsubclassed while the window is still valid, then the state goes.
      RemoveWindowSubclass(button, FlatProc, kSubclassId);
      RemovePropA(button, kStateProperty);
      delete state;
      return DefSubclassProc(button, message, wParam, lParam);
    case WM_ERASEBKGND:
      return 1;  // every paint covers the whole button
    case WM_MOUSEMOVE:
      if (!state->tracking) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, button, 0};
        state->tracking = TrackMouseEvent(&track) != FALSE;
      }
      SetHot(button, *state, true);
      break;
    case WM_MOUSELEAVE:
      state->tracking = false;
      SetHot(button, *state, false);
      break;
    default:
      break;
  }
  return DefSubclassProc(button, message, wParam, lParam);
}

}  // namespace

COLORREF LighterFace(COLORREF face) {
  int highest = std::max({GetRValue(face), GetGValue(face), GetBValue(face)});
  int add = std::min(32, 255 - highest);
  return RGB(GetRValue(face) + add, GetGValue(face) + add, GetBValue(face) + add);
}

bool AttachFlatButton(HWND button, UINT drawItemMessage) {
  if (!button || StateOf(button)) return false;
  // Owner-drawn already from creation when made with kFlatButtonStyle; a
  // button created otherwise is switched here.
  LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
  if ((style & BS_TYPEMASK) != BS_OWNERDRAW) {
    SetWindowLongPtrA(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  }
  auto* state = new ButtonState{drawItemMessage};
  if (!SetPropA(button, kStateProperty, state)) {
    delete state;
    return false;
  }
  if (!SetWindowSubclass(button, FlatProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
    RemovePropA(button, kStateProperty);
    delete state;
    return false;
  }
  InvalidateRect(button, nullptr, FALSE);
  return true;
}

bool FlatButtonHot(HWND button) {
  const ButtonState* state = StateOf(button);
  return state && state->hot;
}

}  // namespace pindrel
