// Small owners for the GDI and USER handles the runtime keeps: each is
// non-copyable and releases its handle exactly once.
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
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace pindrel
