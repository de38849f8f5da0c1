#include "platform/skin_paint.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/gdi.h"

namespace pindrel {
namespace {

constexpr SkinScheme kSchemes[3] = {
    // Blue.
    {RGB(123, 158, 189), RGB(0, 60, 115), RGB(255, 255, 255), RGB(226, 223, 214), RGB(214, 208, 197),
     RGB(243, 241, 236), RGB(255, 240, 207), RGB(229, 151, 0), RGB(206, 231, 255), RGB(105, 130, 238),
     RGB(198, 213, 253), RGB(170, 192, 244), RGB(77, 97, 133), RGB(33, 161, 33), RGB(0, 70, 213)},
    // Olive green.
    {RGB(164, 185, 127), RGB(55, 98, 6), RGB(255, 255, 255), RGB(223, 228, 203), RGB(205, 210, 180),
     RGB(240, 242, 230), RGB(255, 240, 207), RGB(229, 151, 0), RGB(194, 209, 143), RGB(150, 178, 100),
     RGB(237, 241, 220), RGB(209, 220, 167), RGB(112, 126, 80), RGB(99, 129, 51), RGB(120, 140, 80)},
    // Silver.
    {RGB(198, 197, 215), RGB(0, 60, 116), RGB(255, 255, 255), RGB(214, 213, 225), RGB(200, 199, 214),
     RGB(240, 240, 245), RGB(255, 240, 207), RGB(229, 151, 0), RGB(198, 214, 255), RGB(140, 150, 210),
     RGB(243, 243, 247), RGB(198, 197, 215), RGB(72, 72, 88), RGB(33, 161, 33), RGB(0, 70, 213)},
};

COLORREF Mix(COLORREF a, COLORREF b, int percentB) {
  auto channel = [&](int x, int y) { return (x * (100 - percentB) + y * percentB) / 100; };
  return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
             channel(GetBValue(a), GetBValue(b)));
}

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  SetBkColor(dc, color);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

COLOR16 Channel16(BYTE value) { return static_cast<COLOR16>(value << 8); }

void Gradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom, bool vertical = true) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  TRIVERTEX vertices[2] = {
      {rect.left, rect.top, Channel16(GetRValue(top)), Channel16(GetGValue(top)), Channel16(GetBValue(top)), 0},
      {rect.right, rect.bottom, Channel16(GetRValue(bottom)), Channel16(GetGValue(bottom)),
       Channel16(GetBValue(bottom)), 0},
  };
  GRADIENT_RECT mesh = {0, 1};
  GradientFill(dc, vertices, 2, &mesh, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

void Frame(HDC dc, const RECT& r, COLORREF color) {
  Fill(dc, {r.left, r.top, r.right, r.top + 1}, color);
  Fill(dc, {r.left, r.bottom - 1, r.right, r.bottom}, color);
  Fill(dc, {r.left, r.top, r.left + 1, r.bottom}, color);
  Fill(dc, {r.right - 1, r.top, r.right, r.bottom}, color);
}

// A one-pixel ring whose sides run from `top` to `bottom`.
void GradientRing(HDC dc, const RECT& r, COLORREF top, COLORREF bottom) {
  Fill(dc, {r.left, r.top, r.right, r.top + 1}, top);
  Fill(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottom);
  Gradient(dc, {r.left, r.top + 1, r.left + 1, r.bottom - 1}, top, bottom);
  Gradient(dc, {r.right - 1, r.top + 1, r.right, r.bottom - 1}, top, bottom);
}

RECT Inset(RECT r, int by) {
  InflateRect(&r, -by, -by);
  return r;
}

COLORREF DisabledFace() { return Mix(GetSysColor(COLOR_BTNFACE), RGB(255, 255, 255), 50); }

std::string WindowText(HWND window) {
  int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  int got = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

HFONT ControlFont(HWND window) {
  auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  return font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

// Fills the picture with the brush the parent gives its controls, as the
// plain control would, and returns the colour that ended up there.
COLORREF FillParentBackground(HWND window, HDC dc, const RECT& rect, UINT ctlColorMessage) {
  HWND parent = GetParent(window);
  HBRUSH brush = nullptr;
  if (parent) {
    brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, ctlColorMessage, reinterpret_cast<WPARAM>(dc),
                                                  reinterpret_cast<LPARAM>(window)));
  }
  if (!brush) brush = GetSysColorBrush(COLOR_BTNFACE);
  FillRect(dc, &rect, brush);
  return GetPixel(dc, rect.left, rect.top);
}

enum class Direction { Up, Down, Left, Right };

void Arrow(HDC dc, const RECT& r, Direction direction, COLORREF color) {
  int cx = (r.left + r.right) / 2;
  int cy = (r.top + r.bottom) / 2;
  int size = std::max<int>(2, std::min<int>(r.right - r.left, r.bottom - r.top) / 4);
  POINT points[3];
  switch (direction) {
    case Direction::Up:
      points[0] = {cx - size, cy + size / 2};
      points[1] = {cx + size, cy + size / 2};
      points[2] = {cx, cy - size / 2 - 1};
      break;
    case Direction::Down:
      points[0] = {cx - size, cy - size / 2};
      points[1] = {cx + size, cy - size / 2};
      points[2] = {cx, cy + size / 2 + 1};
      break;
    case Direction::Left:
      points[0] = {cx + size / 2, cy - size};
      points[1] = {cx + size / 2, cy + size};
      points[2] = {cx - size / 2 - 1, cy};
      break;
    case Direction::Right:
      points[0] = {cx - size / 2, cy - size};
      points[1] = {cx - size / 2, cy + size};
      points[2] = {cx + size / 2 + 1, cy};
      break;
  }
  Brush brush(CreateSolidBrush(color));
  Pen pen(CreatePen(PS_SOLID, 1, color));
  SelectScope useBrush(dc, brush.get());
  SelectScope usePen(dc, pen.get());
  Polygon(dc, points, 3);
}

struct ButtonFacts {
  bool enabled;
  bool pushed;
  bool focused;
  bool checked;
  bool indeterminate;
  bool isDefault;
  bool hideFocus;
  bool hidePrefix;
  LONG_PTR style;
};

ButtonFacts ReadButton(HWND window) {
  ButtonFacts facts{};
  facts.style = GetWindowLongPtrA(window, GWL_STYLE);
  LRESULT state = SendMessageA(window, BM_GETSTATE, 0, 0);
  facts.enabled = IsWindowEnabled(window) != FALSE;
  facts.pushed = (state & BST_PUSHED) != 0;
  facts.focused = (state & BST_FOCUS) != 0 || GetFocus() == window;
  facts.checked = (state & BST_CHECKED) != 0;
  facts.indeterminate = (state & BST_INDETERMINATE) != 0;
  facts.isDefault = (facts.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  LRESULT ui = SendMessageA(window, WM_QUERYUISTATE, 0, 0);
  facts.hideFocus = (ui & UISF_HIDEFOCUS) != 0;
  facts.hidePrefix = (ui & UISF_HIDEACCEL) != 0;
  return facts;
}

// Draws a button's caption into `area` by its alignment bits; returns the
// rectangle the text took, for the focus rectangle.
RECT DrawCaption(HWND window, HDC dc, RECT area, const ButtonFacts& facts, UINT defaultAlign, COLORREF color) {
  std::string text = WindowText(window);
  RECT taken = {area.left, area.top, area.left, area.top};
  if (text.empty()) return taken;
  SelectScope useFont(dc, ControlFont(window));
  UINT flags = facts.hidePrefix ? DT_HIDEPREFIX : 0;
  switch (facts.style & BS_CENTER) {
    case BS_LEFT: flags |= DT_LEFT; break;
    case BS_RIGHT: flags |= DT_RIGHT; break;
    case BS_CENTER: flags |= DT_CENTER; break;
    default: flags |= defaultAlign; break;
  }
  int vertical = static_cast<int>(facts.style & BS_VCENTER);
  int length = static_cast<int>(text.size());
  RECT measured = area;
  if (facts.style & BS_MULTILINE) {
    flags |= DT_WORDBREAK;
    DrawTextA(dc, text.c_str(), length, &measured, flags | DT_CALCRECT);
  } else {
    flags |= DT_SINGLELINE;
    DrawTextA(dc, text.c_str(), length, &measured, flags | DT_CALCRECT);
  }
  int textHeight = measured.bottom - measured.top;
  RECT place = area;
  if (vertical == BS_TOP) {
    place.bottom = place.top + textHeight;
  } else if (vertical == BS_BOTTOM) {
    place.top = place.bottom - textHeight;
  } else {
    place.top = area.top + (area.bottom - area.top - textHeight) / 2;
    place.bottom = place.top + textHeight;
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawTextA(dc, text.c_str(), length, &place, flags);

  int textWidth = std::min(measured.right - measured.left, area.right - area.left);
  taken = place;
  if (flags & DT_CENTER) {
    taken.left = area.left + (area.right - area.left - textWidth) / 2;
  } else if (flags & DT_RIGHT) {
    taken.left = area.right - textWidth;
  }
  taken.right = taken.left + textWidth;
  return taken;
}

void FocusRect(HDC dc, RECT r) {
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  DrawFocusRect(dc, &r);
}

void PaintPushButton(HWND window, HDC dc, const RECT& client, const SkinScheme& s, const MouseState& mouse) {
  ButtonFacts facts = ReadButton(window);
  COLORREF background = FillParentBackground(window, dc, client, WM_CTLCOLORBTN);
  bool down = facts.pushed || facts.checked;
  RECT face = Inset(client, 1);
  if (!facts.enabled) {
    Fill(dc, face, DisabledFace());
  } else if (down) {
    Gradient(dc, face, s.pressedTop, s.pressedBottom);
  } else {
    Gradient(dc, face, s.faceTop, s.faceBottom);
    if (mouse.hover) {
      GradientRing(dc, face, s.hotTop, s.hotBottom);
      GradientRing(dc, Inset(face, 1), s.hotTop, s.hotBottom);
    } else if (facts.focused || facts.isDefault) {
      GradientRing(dc, face, s.focusTop, s.focusBottom);
      GradientRing(dc, Inset(face, 1), s.focusTop, s.focusBottom);
    }
  }
  COLORREF outline = facts.enabled ? s.outline : SkinDisabledFrameColor();
  Frame(dc, client, outline);
  // Soften the corners into the background so that the outline looks round.
  COLORREF corner = Mix(outline, background, 60);
  SetPixel(dc, client.left, client.top, corner);
  SetPixel(dc, client.right - 1, client.top, corner);
  SetPixel(dc, client.left, client.bottom - 1, corner);
  SetPixel(dc, client.right - 1, client.bottom - 1, corner);

  RECT area = Inset(client, 4);
  if (down) OffsetRect(&area, 1, 1);
  COLORREF text = facts.enabled ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT);
  DrawCaption(window, dc, area, facts, DT_CENTER, text);
  if (facts.enabled && facts.focused && !facts.hideFocus) FocusRect(dc, Inset(client, 3));
}

constexpr int kBoxSize = 13;

void PaintCheckOrRadio(HWND window, HDC dc, const RECT& client, bool radio, const SkinScheme& s,
                       const MouseState& mouse) {
  ButtonFacts facts = ReadButton(window);
  FillParentBackground(window, dc, client, WM_CTLCOLORSTATIC);
  bool boxRight = (facts.style & BS_LEFTTEXT) != 0;
  int top = client.top + (client.bottom - client.top - kBoxSize) / 2;
  RECT box = boxRight ? RECT{client.right - kBoxSize, top, client.right, top + kBoxSize}
                      : RECT{client.left, top, client.left + kBoxSize, top + kBoxSize};
  COLORREF outline = facts.enabled ? s.outline : SkinDisabledFrameColor();
  COLORREF markColor = facts.enabled ? s.mark : GetSysColor(COLOR_GRAYTEXT);
  RECT inside = Inset(box, 1);

  if (radio) {
    Region round(CreateEllipticRgn(box.left, box.top, box.right + 1, box.bottom + 1));
    {
      SavedDc saved(dc);
      SelectClipRgn(dc, round.get());
      if (!facts.enabled) {
        Fill(dc, box, DisabledFace());
      } else if (facts.pushed) {
        Gradient(dc, box, s.pressedTop, s.pressedBottom);
      } else {
        Gradient(dc, box, s.faceBottom, s.faceTop);
      }
    }
    Pen pen(CreatePen(PS_SOLID, 1, outline));
    SelectScope usePen(dc, pen.get());
    SelectScope noBrush(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, box.left, box.top, box.right, box.bottom);
    if (facts.enabled && mouse.hover && !facts.pushed) {
      Pen hot(CreatePen(PS_SOLID, 1, s.hotBottom));
      SelectScope useHot(dc, hot.get());
      Ellipse(dc, inside.left, inside.top, inside.right, inside.bottom);
    }
    if (facts.checked) {
      Brush dot(CreateSolidBrush(markColor));
      Pen dotPen(CreatePen(PS_SOLID, 1, markColor));
      SelectScope useDot(dc, dot.get());
      SelectScope useDotPen(dc, dotPen.get());
      Ellipse(dc, box.left + 4, box.top + 4, box.right - 4, box.bottom - 4);
    }
  } else {
    if (!facts.enabled) {
      Fill(dc, inside, DisabledFace());
    } else if (facts.pushed) {
      Gradient(dc, inside, s.pressedTop, s.pressedBottom);
    } else {
      Gradient(dc, inside, s.faceBottom, s.faceTop);
      if (mouse.hover) GradientRing(dc, inside, s.hotTop, s.hotBottom);
    }
    Frame(dc, box, outline);
    if (facts.indeterminate) {
      Fill(dc, Inset(box, 3), markColor);
    } else if (facts.checked) {
      // A tick three pixels thick: down to the lower third, then up to the right.
      for (int t = 0; t < 3; ++t) {
        for (int i = 0; i < 3; ++i) SetPixel(dc, box.left + 3 + i, box.top + 5 + i + t, markColor);
        for (int i = 0; i < 5; ++i) SetPixel(dc, box.left + 6 + i, box.top + 6 - i + t, markColor);
      }
    }
  }

  RECT area = client;
  if (boxRight) {
    area.right = box.left - 4;
  } else {
    area.left = box.right + 4;
  }
  COLORREF text = facts.enabled ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT);
  RECT taken = DrawCaption(window, dc, area, facts, DT_LEFT, text);
  if (facts.focused && !facts.hideFocus && taken.right > taken.left) {
    InflateRect(&taken, 1, 1);
    FocusRect(dc, taken);
  }
}

void PaintGroupBox(HWND window, HDC dc, const RECT& client, const SkinScheme& s) {
  ButtonFacts facts = ReadButton(window);
  FillParentBackground(window, dc, client, WM_CTLCOLORSTATIC);
  SelectScope useFont(dc, ControlFont(window));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  int lineTop = client.top + metrics.tmHeight / 2;
  COLORREF frame = facts.enabled ? s.frame : SkinDisabledFrameColor();
  Frame(dc, {client.left, lineTop, client.right, client.bottom}, frame);
  std::string text = WindowText(window);
  if (!text.empty()) {
    RECT measured = {0, 0, 0, 0};
    UINT flags = DT_SINGLELINE | (facts.hidePrefix ? DT_HIDEPREFIX : 0);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &measured, flags | DT_CALCRECT);
    RECT caption = {client.left + 6, client.top, client.left + 10 + measured.right, client.top + metrics.tmHeight};
    caption.right = std::min(caption.right, client.right - 6);
    FillParentBackground(window, dc, caption, WM_CTLCOLORSTATIC);
    RECT textRect = {caption.left + 2, caption.top, caption.right - 2, caption.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, facts.enabled ? s.caption : GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &textRect, flags | DT_LEFT | DT_END_ELLIPSIS);
  }
}

RECT UpDownPart(const RECT& client, bool horizontal, int part) {
  RECT r = client;
  if (horizontal) {
    int mid = (client.left + client.right) / 2;
    if (part == 0) r.right = mid; else r.left = mid;
  } else {
    int mid = (client.top + client.bottom) / 2;
    if (part == 0) r.bottom = mid; else r.top = mid;
  }
  return r;
}

}  // namespace

const SkinScheme* SchemeFor(int style) {
  if (style < kSkinBlue || style > kSkinSilver) return nullptr;
  return &kSchemes[style - 1];
}

COLORREF SkinFrameColor(int style) {
  const SkinScheme* scheme = SchemeFor(style);
  return scheme ? scheme->frame : RGB(0, 0, 0);
}

COLORREF SkinOutlineColor(int style) {
  const SkinScheme* scheme = SchemeFor(style);
  return scheme ? scheme->outline : RGB(0, 0, 0);
}

COLORREF SkinDisabledFrameColor() {
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  auto less = [](int channel) { return std::max(channel - 0x20, 0); };
  return RGB(less(GetRValue(face)), less(GetGValue(face)), less(GetBValue(face)));
}

void PaintButtonLike(HWND window, HDC dc, SkinKind kind, const SkinScheme& scheme, const MouseState& mouse) {
  RECT client{};
  GetClientRect(window, &client);
  switch (kind) {
    case SkinKind::PushButton: PaintPushButton(window, dc, client, scheme, mouse); break;
    case SkinKind::CheckBox: PaintCheckOrRadio(window, dc, client, false, scheme, mouse); break;
    case SkinKind::RadioButton: PaintCheckOrRadio(window, dc, client, true, scheme, mouse); break;
    case SkinKind::GroupBox: PaintGroupBox(window, dc, client, scheme); break;
    default: break;
  }
}

int UpDownPartAt(HWND window, POINT client) {
  RECT r{};
  GetClientRect(window, &r);
  bool horizontal = (GetWindowLongPtrA(window, GWL_STYLE) & UDS_HORZ) != 0;
  RECT first = UpDownPart(r, horizontal, 0);
  return PtInRect(&first, client) ? 0 : 1;
}

void PaintUpDown(HWND window, HDC dc, const SkinScheme& s, const MouseState& mouse) {
  RECT client{};
  GetClientRect(window, &client);
  FillParentBackground(window, dc, client, WM_CTLCOLORSTATIC);
  bool horizontal = (GetWindowLongPtrA(window, GWL_STYLE) & UDS_HORZ) != 0;
  bool enabled = IsWindowEnabled(window) != FALSE;
  for (int part = 0; part < 2; ++part) {
    RECT r = UpDownPart(client, horizontal, part);
    RECT face = Inset(r, 1);
    if (!enabled) {
      Fill(dc, face, DisabledFace());
    } else if (mouse.pressedPart == part) {
      Gradient(dc, face, s.arrowFaceBottom, s.arrowFaceTop);
    } else if (mouse.hover && mouse.hotPart == part) {
      Gradient(dc, face, Mix(s.arrowFaceTop, RGB(255, 255, 255), 50), s.arrowFaceTop);
    } else {
      Gradient(dc, face, s.arrowFaceTop, s.arrowFaceBottom);
    }
    Frame(dc, r, enabled ? s.frame : SkinDisabledFrameColor());
    Direction direction = horizontal ? (part == 0 ? Direction::Left : Direction::Right)
                                     : (part == 0 ? Direction::Up : Direction::Down);
    Arrow(dc, face, direction, enabled ? s.arrow : GetSysColor(COLOR_GRAYTEXT));
  }
}

RECT GroupBoxInterior(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  WindowDc screen(nullptr, false);
  SelectScope useFont(screen.get(), ControlFont(window));
  TEXTMETRICA metrics{};
  GetTextMetricsA(screen.get(), &metrics);
  return {client.left + 1, client.top + metrics.tmHeight, client.right - 1, client.bottom - 1};
}

void PaintFrameRings(HDC dc, const RECT& rect, COLORREF outer, COLORREF inner, int rings) {
  Frame(dc, rect, outer);
  if (rings > 1) Frame(dc, Inset(rect, 1), inner);
}

void PaintComboButton(HDC dc, const RECT& button, const SkinScheme& s, bool enabled, bool pressed) {
  RECT face = Inset(button, 1);
  if (!enabled) {
    Fill(dc, face, DisabledFace());
  } else if (pressed) {
    Gradient(dc, face, s.arrowFaceBottom, s.arrowFaceTop);
  } else {
    Gradient(dc, face, s.arrowFaceTop, s.arrowFaceBottom);
  }
  Frame(dc, button, enabled ? s.frame : SkinDisabledFrameColor());
  Arrow(dc, face, Direction::Down, enabled ? s.arrow : GetSysColor(COLOR_GRAYTEXT));
}

}  // namespace pindrel
