// The windowing runtime: builds a window and its controls from a description
// (window_description.h), holds the controls' text and disabled properties,
// dispatches their events to handlers bound by name, runs the message loop,
// and loads windows modelessly or modally. Everything runs on the one
// user-interface thread.
//
// Handlers. A description binds events to handler names. A handler is a plain
// function, registered under its name by the file that defines it:
//
//   void OnAboutSelected(pindrel::Event& event) {
//     pindrel::LoadWindowModal(AboutWindowDescription());
//   }
//   const pindrel::HandlerRegistration kAbout{"OnAboutSelected", &OnAboutSelected};
//
// Registrations run during static initialisation, so a file that registers
// handlers must be linked as an object file (ui/ is an object library for
// this reason); a static archive would let the linker drop it. An event whose
// handler name was never registered does nothing.
//
// Control kinds. "Label", "PicBox", "EditBox" and "Button" are built in; other
// kinds ("DropTarget", the extension controls) are registered with
// RegisterControlKind before the first window that uses them is loaded.
//
// Lifetimes. The runtime owns every Window and Control. A Window and its
// controls are deleted when the native window is destroyed, so a handler that
// closes its own window asks for the deferred destroy (Window::Destroy()),
// which happens after the handler has returned.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/window_description.h"
#include "platform/gdi.h"

namespace pindrel {

class Control;
class Window;

struct Event {
  Window& window;
  Control* control;         // the control that raised it; null for the window and menu entries
  const std::string& text;  // GotFile: the dropped paths; empty otherwise
};

using Handler = void (*)(Event& event);

// A later registration under the same name replaces the earlier one.
void RegisterHandler(const std::string& name, Handler handler);
Handler FindHandler(const std::string& name);  // null when none

struct HandlerRegistration {
  HandlerRegistration(const char* name, Handler handler) { RegisterHandler(name, handler); }
};

// An object that lives as long as its control and goes before any of the
// window's native windows do (at the window's WM_DESTROY), e.g. the drop
// object's OLE registration.
class ControlPart {
 public:
  virtual ~ControlPart() = default;
};

struct ControlKind {
  // Window class of the native control. Its window procedure receives the
  // Control* as lpCreateParams.
  const char* className;
  // A non-visual kind is created without WS_DISABLED and WS_TABSTOP and is
  // never shown, whatever its flags.
  bool nonVisual = false;
  // Called once the native window exists, with its font and text set; may
  // give the control a part. May be null.
  void (*attach)(Control& control) = nullptr;
};

void RegisterControlKind(const std::string& name, const ControlKind& kind);

// A class of the runtime for non-visual kinds: a plain child window that
// draws nothing and is never shown.
constexpr char kComponentClass[] = "PindrelComponent";

// Turns a picture resource of a description into a bitmap, which the runtime
// then owns. Without a decoder, picture boxes stay empty.
using PictureDecoder = HBITMAP (*)(HINSTANCE instance, const char* resourceName);
void SetPictureDecoder(PictureDecoder decoder);

// Messages that the parent window passes on to the control they concern:
// WM_DRAWITEM arrives at the control as kReflectedMessageBase + WM_DRAWITEM
// with the parent's wParam and lParam; a non-zero answer goes back to the
// sender.
constexpr UINT kReflectedMessageBase = WM_USER + 0x1c00;

class Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  ~Control();

  const ControlDescription& description() const { return description_; }
  const char* name() const { return description_.name; }
  HWND handle() const { return handle_; }
  Window& window() const { return window_; }

  // The text as the native control holds it.
  std::string Text() const;
  // Replaces the text. For an edit box this raises TextChanged exactly once,
  // also when the text stays the same: the native change notification is
  // ignored while the text is set, and one EN_CHANGE is sent afterwards.
  void SetText(const std::string& text);

  bool Disabled() const;
  void SetDisabled(bool disabled);

  HFONT font() const { return font_; }  // borrowed
  void set_font(HFONT font) { font_ = font; }  // for the window procedures of kinds
  COLORREF backColor() const { return backColor_; }
  HBITMAP picture() const { return picture_.get(); }  // owned by the control

  ControlPart* part() const { return part_.get(); }
  void SetPart(std::unique_ptr<ControlPart> part);

  // Calls the handler bound to this control's event, if any.
  void Raise(EventKind event, const std::string& text = std::string());

 private:
  friend class Window;
  Control(Window& window, const ControlDescription& description, int id);

  Window& window_;
  const ControlDescription& description_;
  const int id_;
  HWND handle_ = nullptr;
  HFONT font_ = nullptr;
  GdiObject<HFONT> ownFont_;  // outlives the native control (destroyed with the window)
  GdiObject<HBITMAP> picture_;
  COLORREF backColor_ = 0;
  bool settingText_ = false;
  std::unique_ptr<ControlPart> part_;
};

class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ~Window();

  // The runtime's window behind a native handle; null for any other window.
  static Window* FromHandle(HWND handle);

  HWND handle() const { return handle_; }
  const WindowDescription& description() const { return description_; }

  // The control of that name; null when the description has none.
  Control* Find(const std::string& name) const;

  // Destroys the window. By default the destruction is deferred: the window
  // is marked and a private message posted to it, so the calling handler
  // returns first. A modal window gives the other windows their enabled
  // state back before it goes.
  void Destroy(bool now = false);

  // Calls the handler bound to the event of the element (a control, a menu
  // entry, or "" for the window), if any.
  void Raise(const char* element, EventKind event, Control* control,
             const std::string& text = std::string());

 private:
  friend Window* LoadWindow(const WindowDescription&, HWND);
  friend bool LoadWindowModal(const WindowDescription&, HWND);
  static LRESULT CALLBACK Proc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

  explicit Window(const WindowDescription& description);
  // Creates the window up to and including its Created event; null when it
  // could not be created or that event's handler destroyed it.
  static Window* Build(const WindowDescription& description, HWND owner);
  bool Create(HWND owner);
  bool CreateControl(std::size_t index);
  void RestoreOthers();
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCommand(WPARAM wParam, LPARAM lParam);

  const WindowDescription& description_;
  HWND handle_ = nullptr;
  HFONT font_ = nullptr;  // borrowed
  OwnedMenu menu_;  // until the native window takes it over
  OwnedIcon bigIcon_;
  OwnedIcon smallIcon_;
  GdiObject<HBRUSH> background_;
  std::vector<std::unique_ptr<Control>> controls_;  // in description order
  bool destroyPending_ = false;
  bool building_ = true;  // until Build has created everything; Build cleans up after failures
  // Windows that a modal load disabled, with their former enabled state.
  std::vector<std::pair<HWND, bool>> disabledOthers_;
};

// Creates the window and its controls and shows it: the menu; the window,
// centred; the controls, hidden, from the last to the first; the stacking
// order set to the list order; the visible controls shown without
// activation; the Created event; then the window is shown. Null when the
// window could not be created (an unknown control kind, say).
Window* LoadWindow(const WindowDescription& description, HWND owner = nullptr);

// Loads the window as a modal one: without an owner it is owned by the
// runtime's hidden owner window (so it has no taskbar button), it is shown
// and activated, every other window of the runtime is disabled, and a nested
// message loop runs until the window has been destroyed or the quit message
// arrives (which is posted again for the outer loop). False, at once, when
// the window could not be created.
bool LoadWindowModal(const WindowDescription& description, HWND owner = nullptr);

// The process's message loop: returns the quit message's code. Once it runs,
// the destruction of the runtime's last window posts the quit message with 0.
int RunMessageLoop();

// The runtime's keys, for a message about to be dispatched: Esc sends
// WM_CLOSE to the runtime window it was pressed in (unless the focused
// control wants Esc itself), Enter presses nothing, Tab moves the focus among
// the tab stops. True when the message was handled and must not be
// dispatched. Both loops call it; a loop of one's own (in a test) may too.
bool HandleWindowKey(const MSG& message);

// Number of runtime windows that exist.
std::size_t WindowCount();

// Ends the process with an error message and exit code 1: the runtime cannot
// go on (storage exhausted, say). The window procedures of the runtime call it
// when an exception reaches them, as none may cross into the system's code.
[[noreturn]] void EndWithRuntimeFailure();

// Releases what the runtime holds for the program (its hidden owner window,
// its window classes) once the loop has ended.
void ShutdownWindowRuntime();

}  // namespace pindrel
