// The built-in control kinds: the label and the picture box are windows of
// our own classes; the edit box and the button are the system's.
#include <cstring>
#include <map>
#include <string>

#include "platform/window_internal.h"

namespace pindrel {
namespace detail {
namespace {

Control* ControlOf(HWND handle) {
  return reinterpret_cast<Control*>(GetWindowLongPtrA(handle, GWLP_USERDATA));
}

// Binds the Control that the runtime passes as creation parameter.
void BindControl(HWND handle, LPARAM lParam) {
  const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
  SetWindowLongPtrA(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
}

void FillBackground(HDC dc, const RECT& rect, COLORREF color) {
  GdiObject<HBRUSH> brush(CreateSolidBrush(color));
  FillRect(dc, &rect, brush.get());
}

// What both classes of ours answer alike; false when the message is not one of them.
bool HandleCommon(HWND handle, Control& control, UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;  // WM_PAINT fills the whole rectangle
      return true;
    case WM_SETFONT:
      control.set_font(reinterpret_cast<HFONT>(wParam));
      if (LOWORD(lParam)) InvalidateRect(handle, nullptr, TRUE);
      result = 0;
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(control.font());
      return true;
    case WM_SETTEXT:
      result = DefWindowProcA(handle, message, wParam, lParam);
      InvalidateRect(handle, nullptr, TRUE);
      return true;
    default:
      return false;
  }
}

// A label fills its rectangle with the default colour and draws its text
// over it, transparently, on one line, vertically centred; what does not fit
// is cut off at the window's edge.
void PaintLabel(HWND handle, const Control& control) {
  PaintScope paint(handle);
  RECT client;
  GetClientRect(handle, &client);
  FillBackground(paint.dc(), client, control.backColor());

  const int length = GetWindowTextLengthA(handle);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(handle, text.data(), length + 1);
  SelectScope font(paint.dc(), control.font());
  SetBkMode(paint.dc(), TRANSPARENT);
  SetTextColor(paint.dc(), control.description().textColor);
  DrawTextA(paint.dc(), text.c_str(), got, &client, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
}

// A picture box draws its picture at natural size from its top-left corner;
// the default colour shows where the picture does not reach.
void PaintPicture(HWND handle, const Control& control) {
  PaintScope paint(handle);
  RECT client;
  GetClientRect(handle, &client);
  FillBackground(paint.dc(), client, control.backColor());
  if (!control.picture()) return;
  BITMAP bitmap{};
  if (!GetObjectA(control.picture(), sizeof bitmap, &bitmap)) return;
  MemoryDc source(paint.dc());
  SelectScope select(source.dc(), control.picture());
  BitBlt(paint.dc(), 0, 0, bitmap.bmWidth, bitmap.bmHeight, source.dc(), 0, 0, SRCCOPY);
}

template <void (*Paint)(HWND, const Control&)>
LRESULT CALLBACK ControlProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) BindControl(handle, lParam);
  Control* control = ControlOf(handle);
  if (!control) return DefWindowProcA(handle, message, wParam, lParam);
  LRESULT result = 0;
  if (HandleCommon(handle, *control, message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_PAINT:
      try {
        Paint(handle, *control);
      } catch (...) {
        EndWithRuntimeFailure();
      }
      return 0;
    case WM_NCHITTEST:
      // Like a static control: clicks go to the window beneath.
      return HTTRANSPARENT;
    case WM_NCDESTROY:
      SetWindowLongPtrA(handle, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcA(handle, message, wParam, lParam);
}

void AttachEditBox(Control& control) {
  // 0 asks for the system's largest limit; the caret starts at 0 with nothing selected.
  SendMessageA(control.handle(), EM_LIMITTEXT, 0, 0);
  SendMessageA(control.handle(), EM_SETSEL, 0, 0);
}

struct ClassSpec {
  const char* name;
  WNDPROC proc;
};

const ClassSpec kClasses[] = {
    {kLabelClass, &ControlProc<PaintLabel>},
    {kPictureClass, &ControlProc<PaintPicture>},
    {kComponentClass, &DefWindowProcA},
};

std::map<std::string, ControlKind>& Kinds() {
  static std::map<std::string, ControlKind> kinds = {
      {"Label", {kLabelClass}},
      {"PicBox", {kPictureClass}},
      {"EditBox", {"EDIT", false, &AttachEditBox}},
      {"Button", {"BUTTON"}},
  };
  return kinds;
}

}  // namespace

HINSTANCE ProgramInstance() { return GetModuleHandleA(nullptr); }

bool RegisterBuiltinClasses() {
  for (const ClassSpec& entry : kClasses) {
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(ProgramInstance(), entry.name, &wc)) continue;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = entry.proc;
    wc.hInstance = ProgramInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = entry.name;
    if (!RegisterClassExA(&wc)) return false;
  }
  return true;
}

void UnregisterBuiltinClasses() {
  for (const ClassSpec& entry : kClasses) UnregisterClassA(entry.name, ProgramInstance());
}

const ControlKind* FindControlKind(const char* name) {
  if (!name) return nullptr;
  auto found = Kinds().find(name);
  return found == Kinds().end() ? nullptr : &found->second;
}

}  // namespace detail

void RegisterControlKind(const std::string& name, const ControlKind& kind) {
  detail::Kinds()[name] = kind;
}

}  // namespace pindrel
