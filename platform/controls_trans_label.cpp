#include <string>

#include "platform/controls_ext.h"
#include "platform/gdi.h"

namespace pindrel {
namespace {

struct LabelState {
  COLORREF color = RGB(0, 0, 0);
  HFONT font = nullptr;  // borrowed from whoever sent WM_SETFONT
};

LabelState* StateOf(HWND label) {
  char name[sizeof kTransLabelClass + 1] = {};
  if (GetClassNameA(label, name, sizeof name) <= 0 || lstrcmpA(name, kTransLabelClass) != 0) return nullptr;
  return reinterpret_cast<LabelState*>(GetWindowLongPtrA(label, GWLP_USERDATA));
}

// What the parent shows under the label: its background and its own
// picture, drawn into `dc` with the origin moved to the label's corner.
void PaintParentUnder(HWND label, HDC dc) {
  HWND parent = GetParent(label);
  if (!parent) return;
  POINT corner = {0, 0};
  MapWindowPoints(label, parent, &corner, 1);
  POINT previous{};
  SetViewportOrgEx(dc, -corner.x, -corner.y, &previous);
  SendMessageA(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  SendMessageA(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
}

void Paint(HWND label, HDC target) {
  RECT client{};
  GetClientRect(label, &client);
  OffscreenDc off(target, client.right, client.bottom);
  if (!off.ok()) return;
  FillRect(off.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
  PaintParentUnder(label, off.get());

  int length = GetWindowTextLengthA(label);
  if (length > 0) {
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    length = GetWindowTextA(label, text.data(), length + 1);
    LabelState* state = StateOf(label);
    HFONT font = state && state->font ? state->font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SelectScope useFont(off.get(), font);
    SetBkMode(off.get(), TRANSPARENT);
    SetTextColor(off.get(), state ? state->color : RGB(0, 0, 0));
    DrawTextA(off.get(), text.c_str(), length, &client, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
  }
  off.CopyTo(target);
}

LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      // Transparent whatever the creator asked for: the parent's picture
      // under the label counts as the label's background.
      SetWindowLongPtrA(label, GWL_EXSTYLE, GetWindowLongPtrA(label, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
      SetWindowLongPtrA(label, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new LabelState));
      break;
    }
    case WM_NCDESTROY:
      delete StateOf(label);
      SetWindowLongPtrA(label, GWLP_USERDATA, 0);
      break;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks belong to the window under the label
    case WM_ERASEBKGND:
      return 1;  // the paint below draws the whole label
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(label, &ps);
      if (dc) Paint(label, dc);
      EndPaint(label, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(label, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SETFONT:
      if (LabelState* state = StateOf(label)) state->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) InvalidateRect(label, nullptr, FALSE);
      return 0;
    case WM_GETFONT: {
      LabelState* state = StateOf(label);
      return reinterpret_cast<LRESULT>(state ? state->font : nullptr);
    }
    case WM_SETTEXT: {
      LRESULT result = DefWindowProcA(label, message, wParam, lParam);
      InvalidateRect(label, nullptr, FALSE);
      return result;
    }
    default:
      break;
  }
  return DefWindowProcA(label, message, wParam, lParam);
}

}  // namespace

bool InitExtensionControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA existing{};
  if (GetClassInfoA(instance, kTransLabelClass, &existing)) return true;
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = LabelProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // the label paints no background of its own
  wc.lpszClassName = kTransLabelClass;
  return RegisterClassA(&wc) != 0;
}

void SetTransLabelColor(HWND label, COLORREF color) {
  LabelState* state = StateOf(label);
  if (!state) return;
  state->color = color;
  InvalidateRect(label, nullptr, FALSE);
}

COLORREF TransLabelColor(HWND label) {
  LabelState* state = StateOf(label);
  return state ? state->color : RGB(0, 0, 0);
}

}  // namespace pindrel
