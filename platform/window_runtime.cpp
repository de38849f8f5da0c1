#include "platform/window_runtime.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "platform/window_internal.h"

namespace pindrel {
namespace {

constexpr char kWindowClass[] = "PindrelWindow";
constexpr char kOwnerClass[] = "PindrelOwner";

// Posted to a window whose destruction was deferred.
constexpr UINT kDestroyMessage = WM_APP + 1;

// Command identifiers: control n is kFirstControlId + n, menu entry n
// kFirstMenuId + n (both within the 16 bits WM_COMMAND carries).
constexpr int kFirstControlId = 1000;
constexpr int kFirstMenuId = 20000;

struct Runtime {
  std::vector<std::unique_ptr<Window>> windows;
  std::map<std::string, Handler> handlers;
  PictureDecoder pictureDecoder = nullptr;
  ATOM windowClass = 0;
  HWND hiddenOwner = nullptr;
  bool loopRunning = false;
};

Runtime& State() {
  static Runtime runtime;
  return runtime;
}

bool RegisterClasses(WNDPROC windowProc) {
  Runtime& state = State();
  if (state.windowClass) return true;
  if (!detail::RegisterBuiltinClasses()) return false;
  HINSTANCE instance = detail::ProgramInstance();
  WNDCLASSEXA owner{};
  owner.cbSize = sizeof owner;
  owner.lpfnWndProc = &DefWindowProcA;
  owner.hInstance = instance;
  owner.lpszClassName = kOwnerClass;
  if (!RegisterClassExA(&owner)) return false;
  // No class brush or icon: each window fills its own background and gets
  // the icon of its description.
  WNDCLASSEXA window{};
  window.cbSize = sizeof window;
  window.lpfnWndProc = windowProc;
  window.hInstance = instance;
  window.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window.lpszClassName = kWindowClass;
  state.windowClass = RegisterClassExA(&window);
  if (!state.windowClass) {
    UnregisterClassA(kOwnerClass, instance);
    return false;
  }
  return true;
}

// The invisible, zero-size tool window that owns modal windows loaded
// without an owner, which keeps them out of the taskbar.
HWND HiddenOwner() {
  Runtime& state = State();
  if (!state.hiddenOwner || !IsWindow(state.hiddenOwner)) {
    state.hiddenOwner = CreateWindowExA(WS_EX_TOOLWINDOW, kOwnerClass, "", WS_POPUP, 0, 0, 0, 0,
                                        nullptr, nullptr, detail::ProgramInstance(), nullptr);
  }
  return state.hiddenOwner;
}

// Each bar entry becomes a popup on the bar, in list order; each popup
// entry goes into the popup of the nearest bar entry before it.
HMENU BuildMenu(const std::vector<MenuEntryDescription>& entries) {
  OwnedMenu bar(CreateMenu());
  if (!bar) return nullptr;
  HMENU popup = nullptr;  // owned by the bar once appended
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const MenuEntryDescription& entry = entries[i];
    if (entry.flags & kMenuHidden) continue;
    UINT flags = MF_STRING;
    if (entry.flags & kMenuGreyed) flags |= MF_GRAYED;
    if (entry.flags & kMenuChecked) flags |= MF_CHECKED;
    const char* text = entry.text ? entry.text : "";
    if (entry.level == MenuLevel::Bar) {
      popup = CreatePopupMenu();
      if (!popup) return nullptr;
      if (!AppendMenuA(bar.get(), flags | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text)) {
        DestroyMenu(popup);
        return nullptr;
      }
    } else if (popup) {
      AppendMenuA(popup, flags, static_cast<UINT_PTR>(kFirstMenuId + i), text);
    }
  }
  return bar.release();
}

void RemoveWindow(Window* window) {
  auto& windows = State().windows;
  auto found = std::find_if(windows.begin(), windows.end(),
                            [window](const std::unique_ptr<Window>& w) { return w.get() == window; });
  if (found != windows.end()) windows.erase(found);
}

bool IsEditBox(const ControlDescription& description) {
  return description.kind && std::strcmp(description.kind, "EditBox") == 0;
}

}  // namespace

// ---- handlers

void RegisterHandler(const std::string& name, Handler handler) { State().handlers[name] = handler; }

Handler FindHandler(const std::string& name) {
  auto found = State().handlers.find(name);
  return found == State().handlers.end() ? nullptr : found->second;
}

void SetPictureDecoder(PictureDecoder decoder) { State().pictureDecoder = decoder; }

// ---- Control

Control::Control(Window& window, const ControlDescription& description, int id)
    : window_(window), description_(description), id_(id) {}

Control::~Control() = default;

std::string Control::Text() const {
  const int length = GetWindowTextLengthA(handle_);
  if (length <= 0) return std::string();
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(handle_, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

void Control::SetText(const std::string& text) {
  settingText_ = true;
  SetWindowTextA(handle_, text.c_str());
  settingText_ = false;
  if (IsEditBox(description_)) {
    // The one notification of this write; the native ones were ignored above.
    SendMessageA(window_.handle(), WM_COMMAND, MAKEWPARAM(id_, EN_CHANGE),
                 reinterpret_cast<LPARAM>(handle_));
  }
}

bool Control::Disabled() const { return !IsWindowEnabled(handle_); }

void Control::SetDisabled(bool disabled) { EnableWindow(handle_, disabled ? FALSE : TRUE); }

void Control::SetPart(std::unique_ptr<ControlPart> part) { part_ = std::move(part); }

void Control::Raise(EventKind event, const std::string& text) {
  window_.Raise(description_.name, event, this, text);
}

// ---- Window

Window::Window(const WindowDescription& description) : description_(description) {}

Window::~Window() = default;

Window* Window::FromHandle(HWND handle) {
  const ATOM atom = State().windowClass;
  if (!handle || !atom || GetClassLongPtrA(handle, GCW_ATOM) != atom) return nullptr;
  return reinterpret_cast<Window*>(GetWindowLongPtrA(handle, GWLP_USERDATA));
}

Control* Window::Find(const std::string& name) const {
  for (const auto& control : controls_) {
    if (control && name == control->name()) return control.get();
  }
  return nullptr;
}

void Window::Raise(const char* element, EventKind event, Control* control, const std::string& text) {
  for (const EventBinding& binding : description_.events) {
    if (binding.event != event || std::strcmp(binding.element, element) != 0) continue;
    if (Handler handler = FindHandler(binding.handler)) {
      Event e{*this, control, text};
      handler(e);  // may have destroyed this window: nothing of it is touched afterwards
    }
    return;
  }
}

void Window::Destroy(bool now) {
  if (!now) {
    if (!destroyPending_) {
      destroyPending_ = true;
      PostMessageA(handle_, kDestroyMessage, 0, 0);
    }
    return;
  }
  // The disabled windows get their state back while this one still exists,
  // so that activation can return to them.
  RestoreOthers();
  DestroyWindow(handle_);  // deletes this
}

void Window::RestoreOthers() {
  std::vector<std::pair<HWND, bool>> saved;
  saved.swap(disabledOthers_);
  for (const auto& [handle, enabled] : saved) {
    if (FromHandle(handle)) EnableWindow(handle, enabled ? TRUE : FALSE);
  }
}

bool Window::Create(HWND owner) {
  if (!RegisterClasses(&Window::Proc)) return false;
  HINSTANCE instance = detail::ProgramInstance();

  if (!description_.menu.empty()) {
    menu_.reset(BuildMenu(description_.menu));
    if (!menu_) return false;
  }

  const char* title = description_.title ? description_.title : "";
  DWORD style = WS_CLIPCHILDREN;
  style |= *title ? WS_CAPTION : (WS_POPUP | WS_DLGFRAME);
  if (description_.frame & kSystemMenu) style |= WS_SYSMENU;
  if (description_.frame & kMinimizeBox) style |= WS_MINIMIZEBOX;
  if (description_.frame & kMaximizeBox) style |= WS_MAXIMIZEBOX;
  if (description_.frame & kResizable) style |= WS_THICKFRAME;
  // Centred on the primary screen; the divisions truncate toward zero, so a
  // screen smaller than the window gives negative coordinates.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - description_.width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - description_.height) / 2;

  background_.reset(CreateSolidBrush(description_.background == kDefaultColor
                                         ? GetSysColor(COLOR_BTNFACE)
                                         : description_.background));
  if (!CreateWindowExA(0, kWindowClass, title, style, x, y, description_.width,
                       description_.height, owner, menu_.get(), instance, this)) {
    handle_ = nullptr;
    return false;
  }
  menu_.release();  // destroyed with the window from now on

  RECT outer;
  GetWindowRect(handle_, &outer);
  if (outer.right - outer.left != description_.width || outer.bottom - outer.top != description_.height) {
    SetWindowPos(handle_, nullptr, 0, 0, description_.width, description_.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  if (description_.icon) {
    bigIcon_.reset(static_cast<HICON>(LoadImageA(instance, description_.icon, IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXICON),
                                                 GetSystemMetrics(SM_CYICON), 0)));
    smallIcon_.reset(static_cast<HICON>(LoadImageA(instance, description_.icon, IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), 0)));
    if (bigIcon_) SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    if (smallIcon_) {
      SendMessageA(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    }
  }

  // Controls are created hidden, from the last to the first.
  controls_.resize(description_.controls.size());
  for (std::size_t i = controls_.size(); i-- > 0;) {
    if (!CreateControl(i)) return false;
  }
  // Stacking order = list order, the first on top.
  HWND after = HWND_TOP;
  for (const auto& control : controls_) {
    SetWindowPos(control->handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = control->handle_;
  }
  for (const auto& control : controls_) {
    const ControlKind* kind = detail::FindControlKind(control->description_.kind);
    if ((control->description_.flags & kVisible) && !kind->nonVisual) {
      ShowWindow(control->handle_, SW_SHOWNA);
    }
  }
  return true;
}

bool Window::CreateControl(std::size_t index) {
  const ControlDescription& d = description_.controls[index];
  const ControlKind* kind = detail::FindControlKind(d.kind);
  if (!kind) return false;
  HINSTANCE instance = detail::ProgramInstance();
  const int id = kFirstControlId + static_cast<int>(index);

  controls_[index].reset(new Control(*this, d, id));
  Control& control = *controls_[index];
  control.backColor_ = GetSysColor(COLOR_BTNFACE);
  if (d.font) {
    LOGFONTA font{};
    font.lfHeight = d.font->height;
    font.lfWidth = d.font->width;
    font.lfWeight = d.font->weight;
    font.lfItalic = d.font->italic;
    font.lfUnderline = d.font->underline;
    font.lfStrikeOut = d.font->strikeOut;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH;
    control.ownFont_.reset(CreateFontIndirectA(&font));
  }
  control.font_ = control.ownFont_ ? control.ownFont_.get()
                                   : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (d.picture && State().pictureDecoder) {
    control.picture_.reset(State().pictureDecoder(instance, d.picture));
  }

  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | d.style;
  if (!kind->nonVisual) {
    if (d.flags & kDisabled) style |= WS_DISABLED;
    if (d.flags & kTabStop) style |= WS_TABSTOP;
  }
  control.handle_ = CreateWindowExA(d.exStyle, kind->className, d.text ? d.text : "", style,
                                    d.rect.left, d.rect.top, d.rect.width, d.rect.height, handle_,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance,
                                    &control);
  if (!control.handle_) return false;
  SendMessageA(control.handle_, WM_SETFONT, reinterpret_cast<WPARAM>(control.font_), FALSE);
  if (kind->attach) kind->attach(control);
  return true;
}

LRESULT CALLBACK Window::Proc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* window = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    window->handle_ = handle;
    SetWindowLongPtrA(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<Window*>(GetWindowLongPtrA(handle, GWLP_USERDATA));
  if (!window) return DefWindowProcA(handle, message, wParam, lParam);
  try {
    return window->Handle(message, wParam, lParam);
  } catch (...) {
    EndWithRuntimeFailure();
  }
}

LRESULT Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(wParam, lParam);

    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      // Edit boxes: black text on white, also when disabled or read-only
      // (the control itself greys the text of a disabled box).
      const Control* control = nullptr;
      for (const auto& c : controls_) {
        if (c && c->handle_ == reinterpret_cast<HWND>(lParam)) control = c.get();
      }
      if (!control || !IsEditBox(control->description_)) break;
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, control->description_.textColor);
      SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }

    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item && item->CtlType != ODT_MENU && item->hwndItem) {
        return SendMessageA(item->hwndItem, kReflectedMessageBase + WM_DRAWITEM, wParam, lParam);
      }
      break;
    }

    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(handle_, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
      return 1;
    }

    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);

    case WM_CLOSE:
      Destroy(true);
      return 0;

    case kDestroyMessage:
      if (destroyPending_) {
        destroyPending_ = false;
        Destroy(true);
      }
      return 0;

    case WM_DESTROY:
      // A modal window destroyed by other means still gives the state back.
      RestoreOthers();
      // Parts go while every native window of ours still exists (the drop
      // object revokes its registration of this window).
      for (const auto& control : controls_) {
        if (control) control->part_.reset();
      }
      break;

    case WM_NCDESTROY: {
      const LRESULT result = DefWindowProcA(handle_, message, wParam, lParam);
      SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
      if (building_) {
        handle_ = nullptr;
        return result;
      }
      RemoveWindow(this);  // deletes this, its controls, fonts, pictures and icons
      Runtime& state = State();
      if (state.loopRunning && state.windows.empty()) PostQuitMessage(0);
      return result;
    }
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT Window::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (lParam == 0) {
    const int index = id - kFirstMenuId;
    if (code == 0 && index >= 0 && static_cast<std::size_t>(index) < description_.menu.size()) {
      Raise(description_.menu[static_cast<std::size_t>(index)].name, EventKind::Selected, nullptr);
    }
    return 0;
  }
  const int index = id - kFirstControlId;
  if (index < 0 || static_cast<std::size_t>(index) >= controls_.size()) return 0;
  Control* control = controls_[static_cast<std::size_t>(index)].get();
  if (!control || control->handle_ != reinterpret_cast<HWND>(lParam)) return 0;
  if (code == BN_CLICKED) {
    control->Raise(EventKind::Click);
  } else if (code == EN_CHANGE && !control->settingText_) {
    control->Raise(EventKind::TextChanged);
  }
  return 0;
}

// ---- loading and loops

Window* Window::Build(const WindowDescription& description, HWND owner) {
  Window* window = new Window(description);
  State().windows.emplace_back(window);
  const bool created = window->Create(owner);
  HWND handle = window->handle_;
  if (!created) {
    if (handle) DestroyWindow(handle);
    RemoveWindow(window);
    return nullptr;
  }
  window->building_ = false;
  window->Raise("", EventKind::Created, nullptr);
  return FromHandle(handle);
}

Window* LoadWindow(const WindowDescription& description, HWND owner) {
  Window* window = Window::Build(description, owner);
  if (!window) return nullptr;
  ShowWindow(window->handle(), SW_SHOW);
  UpdateWindow(window->handle());
  return window;
}

bool LoadWindowModal(const WindowDescription& description, HWND owner) {
  if (!RegisterClasses(&Window::Proc)) return false;
  if (!owner) owner = HiddenOwner();
  Window* window = Window::Build(description, owner);
  if (!window) return false;
  HWND handle = window->handle();
  ShowWindow(handle, SW_SHOW);
  UpdateWindow(handle);
  for (const auto& other : State().windows) {
    if (other.get() == window || (GetWindowLongPtrA(other->handle(), GWL_STYLE) & WS_CHILD)) continue;
    window->disabledOthers_.emplace_back(other->handle(), IsWindowEnabled(other->handle()) != FALSE);
    EnableWindow(other->handle(), FALSE);
  }

  MSG message;
  while (Window::FromHandle(handle)) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the outer loop
      break;
    }
    if (got == -1) break;
    if (!HandleWindowKey(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return true;
}

int RunMessageLoop() {
  Runtime& state = State();
  state.loopRunning = true;
  int code = 0;
  MSG message;
  while (!state.windows.empty()) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      code = static_cast<int>(message.wParam);
      break;
    }
    if (got == -1) break;
    if (!HandleWindowKey(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  state.loopRunning = false;
  return code;
}

bool HandleWindowKey(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  const WPARAM key = message.wParam;
  if (key != VK_ESCAPE && key != VK_RETURN && key != VK_TAB) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  if (!Window::FromHandle(root)) return false;
  if (message.hwnd != root) {
    MSG copy = message;
    const LRESULT wants = SendMessageA(message.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&copy));
    if (wants & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
    if (key == VK_TAB && (wants & DLGC_WANTTAB)) return false;
  }
  switch (key) {
    case VK_ESCAPE:
      SendMessageA(root, WM_CLOSE, 0, 0);
      break;
    case VK_TAB: {
      const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      HWND next = GetNextDlgTabItem(root, message.hwnd == root ? nullptr : message.hwnd, back);
      if (next) SetFocus(next);
      break;
    }
    default:  // Enter: no button is a default button
      break;
  }
  return true;
}

std::size_t WindowCount() { return State().windows.size(); }

void EndWithRuntimeFailure() {
  MessageBoxA(nullptr, "Pindrel 无法继续运行（内存不足）。", "Pindrel", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  ExitProcess(1);
}

void ShutdownWindowRuntime() {
  Runtime& state = State();
  if (state.hiddenOwner) {
    DestroyWindow(state.hiddenOwner);
    state.hiddenOwner = nullptr;
  }
  if (state.windowClass && state.windows.empty()) {
    UnregisterClassA(kWindowClass, detail::ProgramInstance());
    UnregisterClassA(kOwnerClass, detail::ProgramInstance());
    detail::UnregisterBuiltinClasses();
    state.windowClass = 0;
  }
}

}  // namespace pindrel
