// Small owners for the GDI and USER handles that the window runtime, the skin
// and the extension controls keep or paint with. Each is non-copyable, takes
// its handle in the constructor and releases it exactly once, so no path can
// leave a DC, bitmap or brush behind.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace pindrel {

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct IconDeleter {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct MenuDeleter {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};

// A font, brush or bitmap of one's own.
template <class Handle>
using GdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using OwnedIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;
using OwnedMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Region = GdiObject<HRGN>;
using Font = GdiObject<HFONT>;

// BeginPaint ... EndPaint.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;

  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// A memory device context compatible with another one.
class MemoryDc {
 public:
  explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ~MemoryDc() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;

  HDC dc() const { return dc_; }

 private:
  HDC dc_;
};

// Selects an object into a device context and puts the previous one back.
class SelectScope {
 public:
  SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectScope() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectScope(const SelectScope&) = delete;
  SelectScope& operator=(const SelectScope&) = delete;

 private:
  HDC dc_;  // not owned
  HGDIOBJ previous_;
};
// Saves a DC's state (clip region, origins, colours) and restores it.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDc() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC dc_;  // not owned
  int saved_;
};

// A window DC from GetDC or GetWindowDC, released on scope exit.
class WindowDc {
 public:
  WindowDc(HWND window, bool wholeWindow)
      : window_(window), dc_(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// A memory DC with a bitmap compatible with `target`, so that a picture is
// composed off screen and reaches the control in one transfer.
class OffscreenDc {
 public:
  OffscreenDc(HDC target, int width, int height)
      : width_(width > 0 ? width : 1),
        height_(height > 0 ? height : 1),
        dc_(CreateCompatibleDC(target)),
        bitmap_(CreateCompatibleBitmap(target, width_, height_)),
        previous_(dc_ && bitmap_ ? SelectObject(dc_, bitmap_) : nullptr) {}
  ~OffscreenDc() {
    // The bitmap must leave the DC before either is deleted.
    if (previous_) SelectObject(dc_, previous_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  OffscreenDc(const OffscreenDc&) = delete;
  OffscreenDc& operator=(const OffscreenDc&) = delete;

  bool ok() const { return previous_ != nullptr; }
  HDC get() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }

  void CopyTo(HDC target, int x = 0, int y = 0) const { BitBlt(target, x, y, width_, height_, dc_, 0, 0, SRCCOPY); }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

}  // namespace pindrel

