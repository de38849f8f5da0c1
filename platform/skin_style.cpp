#include "platform/skin_style.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <vector>

#include "platform/gdi.h"
#include "platform/skin_paint.h"

namespace pindrel {
namespace {

constexpr UINT_PTR kSubclassId = 0x534B494E;  // "SKIN"

struct Control {
  SkinKind kind = SkinKind::LeftAlone;
  bool pending = false;   // seen by the hook, waiting for its creation message
  bool readOnly = false;  // an edit box that was read-only when it was restyled
  int quiet = 0;          // nesting of messages whose own drawing is held back
  MouseState mouse;
};

// The thread hook that sees every window the thread creates while a style is
// in force; unhooked when the style is removed.
class CbtHook {
 public:
  explicit CbtHook(HOOKPROC proc) : hook_(SetWindowsHookExA(WH_CBT, proc, nullptr, GetCurrentThreadId())) {}
  ~CbtHook() {
    if (hook_) UnhookWindowsHookEx(hook_);
  }
  CbtHook(const CbtHook&) = delete;
  CbtHook& operator=(const CbtHook&) = delete;

 private:
  HHOOK hook_;
};

LRESULT CALLBACK SkinProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

struct SkinState {
  int style = kSkinNone;
  std::unique_ptr<CbtHook> hook;
  std::map<HWND, std::unique_ptr<Control>> controls;

  // At the end of the program nothing is redrawn; the subclasses only go so
  // that no window keeps a pointer into this state.
  ~SkinState() {
    for (auto& entry : controls) {
      if (IsWindow(entry.first)) RemoveWindowSubclass(entry.first, SkinProc, kSubclassId);
    }
  }
};

SkinState& State() {
  static SkinState state;
  return state;
}

Control* Find(HWND window) {
  auto& controls = State().controls;
  auto found = controls.find(window);
  return found == controls.end() ? nullptr : found->second.get();
}

// Unsubclasses while the window is still valid, then drops the record.
void Forget(HWND window) {
  RemoveWindowSubclass(window, SkinProc, kSubclassId);
  State().controls.erase(window);
}

bool Adopt(HWND window, std::unique_ptr<Control> control) {
  if (!SetWindowSubclass(window, SkinProc, kSubclassId, reinterpret_cast<DWORD_PTR>(control.get()))) return false;
  State().controls[window] = std::move(control);
  return true;
}

void Fill(Control& control, HWND window, SkinKind kind) {
  control.kind = kind;
  control.pending = false;
  control.readOnly = kind == SkinKind::EditBox && (GetWindowLongPtrA(window, GWL_STYLE) & ES_READONLY) != 0;
}

void RedrawWhole(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Repaint(HWND window) {
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

void Track(HWND window, Control& control) {
  if (control.mouse.tracking) return;
  TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
  control.mouse.tracking = TrackMouseEvent(&track) != FALSE;
}

// ---- pictures -------------------------------------------------------------

void PaintWhole(HWND window, HDC target, const Control& control, const SkinScheme& scheme) {
  RECT client{};
  GetClientRect(window, &client);
  OffscreenDc off(target, client.right, client.bottom);
  if (!off.ok()) return;
  if (control.kind == SkinKind::UpDown) {
    PaintUpDown(window, off.get(), scheme, control.mouse);
  } else {
    PaintButtonLike(window, off.get(), control.kind, scheme, control.mouse);
  }
  SavedDc saved(target);
  if (control.kind == SkinKind::GroupBox) {
    // The controls inside a group box are its siblings; its picture must not
    // cover them.
    RECT inside = GroupBoxInterior(window);
    ExcludeClipRect(target, inside.left, inside.top, inside.right, inside.bottom);
  }
  off.CopyTo(target);
}

bool HasEditBorder(HWND window) {
  LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
  return (style & WS_BORDER) || (exStyle & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE));
}

// The frame over an edit box's or drop-down list's border, in window
// coordinates of `target` (a window DC or a WM_PRINT DC).
void PaintFrame(HWND window, HDC target, const Control& control, const SkinScheme& scheme) {
  RECT outer{};
  GetWindowRect(window, &outer);
  int width = outer.right - outer.left;
  int height = outer.bottom - outer.top;
  OffscreenDc off(target, width, height);
  if (!off.ok()) return;
  bool enabled = IsWindowEnabled(window) != FALSE;
  COLORREF frame = enabled ? scheme.frame : SkinDisabledFrameColor();
  COLORREF inner = (!enabled || control.readOnly) ? GetSysColor(COLOR_BTNFACE) : GetSysColor(COLOR_WINDOW);
  int rings = control.kind == SkinKind::ComboList ? 1 : 2;
  PaintFrameRings(off.get(), {0, 0, width, height}, frame, inner, rings);
  SavedDc saved(target);
  ExcludeClipRect(target, rings, rings, width - rings, height - rings);
  off.CopyTo(target);
}

void PaintFrameOnScreen(HWND window, const Control& control, const SkinScheme& scheme) {
  if (control.kind == SkinKind::EditBox && !HasEditBorder(window)) return;
  if (!IsWindowVisible(window)) return;
  WindowDc dc(window, true);
  if (dc.get()) PaintFrame(window, dc.get(), control, scheme);
}

void ExcludeChildren(HWND window, HDC dc) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
}

void PaintCombo(HWND window, HDC target, const SkinScheme& scheme) {
  RECT client{};
  GetClientRect(window, &client);
  OffscreenDc off(target, client.right, client.bottom);
  if (!off.ok()) return;
  FillRect(off.get(), &client, GetSysColorBrush(COLOR_WINDOW));
  // The control draws its text and selection itself, into the off-screen
  // picture; only its border and button are replaced.
  DefSubclassProc(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(off.get()), PRF_CLIENT);
  bool enabled = IsWindowEnabled(window) != FALSE;
  COLORREF frame = enabled ? scheme.frame : SkinDisabledFrameColor();
  COLORREF inner = enabled ? GetSysColor(COLOR_WINDOW) : GetSysColor(COLOR_BTNFACE);
  PaintFrameRings(off.get(), client, frame, inner, 2);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(window, &info) && !IsRectEmpty(&info.rcButton)) {
    PaintComboButton(off.get(), info.rcButton, scheme, enabled, (info.stateButton & STATE_SYSTEM_PRESSED) != 0);
  }
  SavedDc saved(target);
  ExcludeChildren(window, target);
  off.CopyTo(target);
}

// ---- message handling -----------------------------------------------------

// Lets the control handle a message that makes it draw itself at once (a
// state, check, focus or text change) without that drawing reaching the
// screen, then paints the new state ourselves. Clearing the redraw flag is the
// documented way to hold a window's own drawing back.
LRESULT Quietly(HWND window, Control* control, UINT message, WPARAM wParam, LPARAM lParam) {
  bool hold = control->quiet == 0 && (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
  if (hold) DefWindowProcA(window, WM_SETREDRAW, FALSE, 0);
  ++control->quiet;
  LRESULT result = DefSubclassProc(window, message, wParam, lParam);
  // The message may have ended the style or the window; only what still
  // exists is touched.
  if (hold && IsWindow(window)) DefWindowProcA(window, WM_SETREDRAW, TRUE, 0);
  if (Find(window) == control) {
    --control->quiet;
    if (control->quiet == 0) Repaint(window);
  }
  return result;
}

bool Printable(HWND window, LPARAM flags) { return !(flags & PRF_CHECKVISIBLE) || IsWindowVisible(window); }

LRESULT ButtonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Control* control,
                      const SkinScheme& scheme) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (dc) PaintWhole(window, dc, *control, scheme);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (lParam & PRF_CLIENT) PaintWhole(window, reinterpret_cast<HDC>(wParam), *control, scheme);
      return 0;
    case WM_PRINT:
      if ((lParam & PRF_CLIENT) && Printable(window, lParam)) {
        PaintWhole(window, reinterpret_cast<HDC>(wParam), *control, scheme);
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;  // every paint covers the whole control
    case WM_MOUSEMOVE: {
      POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      int part = control->kind == SkinKind::UpDown ? UpDownPartAt(window, at) : -1;
      bool changed = !control->mouse.hover || control->mouse.hotPart != part;
      control->mouse.hover = true;
      control->mouse.hotPart = part;
      Track(window, *control);
      if (changed) Repaint(window);
      break;
    }
    case WM_MOUSELEAVE:
      control->mouse.hover = false;
      control->mouse.tracking = false;
      control->mouse.hotPart = -1;
      Repaint(window);
      break;
    case BM_SETSTATE:
    case BM_SETCHECK:
    case BM_SETSTYLE:
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
      return Quietly(window, control, message, wParam, lParam);
    default:
      break;
  }
  if (control->kind == SkinKind::UpDown) {
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (IsWindowEnabled(window)) {
          POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
          control->mouse.pressedPart = UpDownPartAt(window, at);
        }
        return Quietly(window, control, message, wParam, lParam);
      case WM_LBUTTONUP:
      case WM_CAPTURECHANGED:
        control->mouse.pressedPart = -1;
        return Quietly(window, control, message, wParam, lParam);
      case WM_TIMER:
        return Quietly(window, control, message, wParam, lParam);
      default:
        break;
    }
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

// Messages after which an edit box may have drawn over its new border.
bool TouchesEditBorder(UINT message) {
  switch (message) {
    case WM_PAINT: case WM_NCPAINT: case WM_HSCROLL: case WM_VSCROLL: case WM_MOUSEWHEEL:
    case EM_SCROLL: case EM_LINESCROLL: case EM_SCROLLCARET: case WM_CHAR: case WM_KEYDOWN:
    case WM_SETTEXT: case WM_ENABLE: case WM_SETFOCUS: case WM_KILLFOCUS: case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: case WM_MOUSEMOVE: case WM_TIMER: case EM_SETSEL: case EM_REPLACESEL:
    case WM_CUT: case WM_PASTE: case WM_CLEAR: case WM_UNDO: case WM_SIZE: case WM_STYLECHANGED:
    case EM_SETREADONLY: case WM_SETFONT:
      return true;
    default:
      return false;
  }
}

LRESULT FramedMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Control* control,
                      const SkinScheme& scheme) {
  LRESULT result = 0;
  if (message == WM_PRINT) {
    // The control may leave its own clipping in the DC it printed into; the
    // frame is drawn with the caller's.
    SavedDc saved(reinterpret_cast<HDC>(wParam));
    result = DefSubclassProc(window, message, wParam, lParam);
  } else {
    result = DefSubclassProc(window, message, wParam, lParam);
  }
  if (Find(window) != control) return result;
  if (message == WM_PRINT) {
    bool bordered = control->kind != SkinKind::EditBox || HasEditBorder(window);
    if ((lParam & PRF_NONCLIENT) && bordered && Printable(window, lParam)) {
      PaintFrame(window, reinterpret_cast<HDC>(wParam), *control, scheme);
    }
  } else if (control->kind == SkinKind::ComboList ? message == WM_NCPAINT : TouchesEditBorder(message)) {
    PaintFrameOnScreen(window, *control, scheme);
  }
  return result;
}

bool ChangesCombo(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_KEYDOWN: case WM_CHAR: case CB_SETCURSEL:
    case CB_SHOWDROPDOWN: case CB_SELECTSTRING: case WM_SETFOCUS: case WM_KILLFOCUS: case WM_ENABLE:
    case WM_CAPTURECHANGED: case WM_COMMAND: case WM_SETTEXT: case WM_SETFONT:
      return true;
    default:
      return false;
  }
}

LRESULT ComboMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Control* control,
                     const SkinScheme& scheme) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (dc) PaintCombo(window, dc, scheme);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (lParam & PRF_CLIENT) PaintCombo(window, reinterpret_cast<HDC>(wParam), scheme);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // every paint covers the whole control
    default:
      break;
  }
  LRESULT result = DefSubclassProc(window, message, wParam, lParam);
  if (ChangesCombo(message) && Find(window) == control && IsWindowVisible(window)) Repaint(window);
  return result;
}

LRESULT CALLBACK SkinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* control = reinterpret_cast<Control*>(data);
  if (message == WM_NCDESTROY) {
    Forget(window);  // deletes `control`
    return DefSubclassProc(window, message, wParam, lParam);
  }
  if (control->pending) {
    if (message == WM_CREATE) {
      // Classified at its creation message, with the style bits and text it
      // has by then: a button made owner-drawn on its way into existence is
      // left alone.
      SkinKind kind = ClassifyForSkin(window);
      if (kind == SkinKind::LeftAlone) {
        Forget(window);
      } else {
        Fill(*control, window, kind);
      }
    }
    return DefSubclassProc(window, message, wParam, lParam);
  }
  const SkinScheme* scheme = SchemeFor(State().style);
  if (!scheme) return DefSubclassProc(window, message, wParam, lParam);
  switch (control->kind) {
    case SkinKind::PushButton:
    case SkinKind::CheckBox:
    case SkinKind::RadioButton:
    case SkinKind::GroupBox:
    case SkinKind::UpDown:
      return ButtonMessage(window, message, wParam, lParam, control, *scheme);
    case SkinKind::EditBox:
    case SkinKind::ComboList:
      return FramedMessage(window, message, wParam, lParam, control, *scheme);
    case SkinKind::ComboBox:
      return ComboMessage(window, message, wParam, lParam, control, *scheme);
    case SkinKind::LeftAlone:
      break;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

// ---- watching the thread's windows ----------------------------------------

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    auto window = reinterpret_cast<HWND>(wParam);
    if (IsSkinCandidateClass(window) && !Find(window)) {
      auto control = std::make_unique<Control>();
      control->pending = true;
      Adopt(window, std::move(control));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Visit(HWND window) {
  if (Find(window)) return;
  SkinKind kind = ClassifyForSkin(window);
  if (kind == SkinKind::LeftAlone) return;
  auto control = std::make_unique<Control>();
  Fill(*control, window, kind);
  if (Adopt(window, std::move(control))) RedrawWhole(window);
}

BOOL CALLBACK VisitChild(HWND window, LPARAM) {
  Visit(window);
  return TRUE;
}

BOOL CALLBACK VisitTopLevel(HWND window, LPARAM) {
  Visit(window);
  EnumChildWindows(window, VisitChild, 0);
  return TRUE;
}

void RemoveStyle() {
  SkinState& state = State();
  state.hook.reset();
  state.style = kSkinNone;
  auto controls = std::move(state.controls);
  state.controls.clear();
  std::vector<HWND> restyled;
  for (auto& entry : controls) {
    RemoveWindowSubclass(entry.first, SkinProc, kSubclassId);
    if (!entry.second->pending) restyled.push_back(entry.first);
  }
  // Redrawn only once every subclass is gone, so that no paint of a sibling
  // or child still goes through the skin.
  for (HWND window : restyled) {
    if (IsWindow(window)) RedrawWhole(window);
  }
}

}  // namespace

int SetStyle(int style) {
  SkinState& state = State();
  if (state.style != kSkinNone) RemoveStyle();
  if (SchemeFor(style)) {
    state.style = style;
    state.hook = std::make_unique<CbtHook>(CbtProc);
    EnumThreadWindows(GetCurrentThreadId(), VisitTopLevel, 0);
  }
  return state.style;
}

int StyleInForce() { return State().style; }

bool IsRestyled(HWND window) {
  const Control* control = Find(window);
  return control && !control->pending;
}

std::size_t RestyledCount() {
  std::size_t count = 0;
  for (const auto& entry : State().controls) {
    if (!entry.second->pending) ++count;
  }
  return count;
}

}  // namespace pindrel
