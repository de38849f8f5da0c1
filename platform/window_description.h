// Window descriptions: what the runtime (window_runtime.h) builds a window
// from. They are plain data; the program's own live in resources/.
//
// Conventions: a window's size is its outer size in screen pixels (caption,
// frame and menu bar included) and it always opens centred on the primary
// screen; control rectangles are client pixels; colours are RGB; texts are
// ANSI (code page 936 for the program's own).
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

namespace pindrel {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// A font of a control's own, as the fields of a LOGFONTA. The face name stays
// empty, so the system chooses the face.
struct FontSpec {
  int height = 0;  // negative: character height in pixels
  int width = 0;
  int weight = FW_NORMAL;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
};

// A colour left at its default is the button-face colour, read when the window
// or control is created.
constexpr COLORREF kDefaultColor = CLR_INVALID;

// Control flags.
constexpr unsigned kVisible = 1;   // shown when the window is created
constexpr unsigned kDisabled = 2;  // created with WS_DISABLED
constexpr unsigned kTabStop = 4;   // created with WS_TABSTOP

struct ControlDescription {
  const char* name;  // unique within the window
  // "Label", "PicBox", "EditBox", "Button", or a kind registered with
  // RegisterControlKind ("DropTarget", extension controls).
  const char* kind;
  Rect rect;
  const char* text;  // null: no text
  unsigned flags;
  DWORD style = 0;  // the kind's own styles, added to WS_CHILD | WS_CLIPSIBLINGS
  DWORD exStyle = 0;
  COLORREF textColor = RGB(0, 0, 0);
  std::optional<FontSpec> font = std::nullopt;  // none: DEFAULT_GUI_FONT
  const char* picture = nullptr;                // resource name of a picture
};

// Menu-entry flags.
constexpr unsigned kMenuHidden = 1;
constexpr unsigned kMenuGreyed = 2;
constexpr unsigned kMenuChecked = 4;

enum class MenuLevel {
  Bar,    // an entry of the menu bar, opening a popup
  Popup,  // an entry of the popup of the nearest Bar entry before it
};

struct MenuEntryDescription {
  const char* name;
  MenuLevel level;
  const char* text;
  unsigned flags = 0;
};

enum class EventKind {
  Created,      // the window, once all its controls exist
  Click,        // a button
  TextChanged,  // an edit box
  GotFile,      // a drop object; the event carries the dropped paths
  Selected,     // a menu entry
};

struct EventBinding {
  const char* element;  // a control or menu entry; "" for the window itself
  EventKind event;
  const char* handler;  // a name registered with RegisterHandler
};

// Window-frame flags. A window with a title has a caption; without
// kResizable its frame is a fixed dialog frame.
constexpr unsigned kSystemMenu = 1;  // system menu and close box
constexpr unsigned kMinimizeBox = 2;
constexpr unsigned kMaximizeBox = 4;
constexpr unsigned kResizable = 8;

struct WindowDescription {
  const char* name;
  const char* title;
  int width;  // outer size
  int height;
  unsigned frame;
  COLORREF background = kDefaultColor;
  const char* icon = nullptr;  // group-icon resource, big and small
  // In stacking order, top first.
  std::vector<ControlDescription> controls = {};
  // In menu order; an empty list means no menu bar.
  std::vector<MenuEntryDescription> menu = {};
  std::vector<EventBinding> events = {};
};

}  // namespace pindrel
