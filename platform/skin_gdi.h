// Small owners for the GDI handles that the skin and the extension controls
// paint with. Each holder is non-copyable and takes its handle in the
// constructor, so no path can leave a DC or bitmap behind.
#pragma once

#include <windows.h>

namespace pindrel {

template <typename Handle>
class GdiObject {
 public:
  explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
  ~GdiObject() {
    if (handle_) DeleteObject(handle_);
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  Handle handle_;
};

using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Region = GdiObject<HRGN>;
using Font = GdiObject<HFONT>;

// Selects an object into a DC for one scope and puts the previous one back.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectGuard() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

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
