// Pictures of windows for the Windows-side tests, taken two ways: by asking
// the windows to print themselves (WM_PRINT), and by copying what they have
// painted from the top-level window's own surface. Wine keeps one surface per
// top-level window, so the copy is not disturbed by other programs' windows
// on the same display.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace pindrel::test {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first

  COLORREF At(int x, int y) const {
    std::uint32_t p = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // The part inside `r` (picture coordinates).
  Picture Crop(const RECT& r) const {
    Picture part{r.right - r.left, r.bottom - r.top, {}};
    for (int y = r.top; y < r.bottom; ++y) {
      const auto* row = &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
      part.pixels.insert(part.pixels.end(), row + r.left, row + r.right);
    }
    return part;
  }
  bool operator==(const Picture& other) const {
    return width == other.width && height == other.height && pixels == other.pixels;
  }
};

// Dispatches whatever is waiting, so that every pending paint has happened.
// Unlike Pump, it needs no window runtime.
inline void DispatchPending() {
  MSG message;
  for (int round = 0; round < 3; ++round) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
}

namespace detail {

class DibCanvas {
 public:
  DibCanvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~DibCanvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  HDC dc() const { return dc_; }
  Picture Take() const {
    GdiFlush();
    Picture picture{width_, height_, {}};
    const auto* bits = static_cast<const std::uint32_t*>(bits_);
    picture.pixels.assign(bits, bits + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    for (auto& p : picture.pixels) p &= 0xFFFFFF;
    return picture;
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
  void* bits_ = nullptr;
};

// Prints `window` and its visible descendants, the lowest in the stacking
// order first, each at its place relative to `root`.
inline void PrintTree(HWND window, HWND root, HDC dc) {
  RECT rootRect{}, rect{};
  GetWindowRect(root, &rootRect);
  GetWindowRect(window, &rect);
  int saved = SaveDC(dc);
  SetViewportOrgEx(dc, rect.left - rootRect.left, rect.top - rootRect.top, nullptr);
  IntersectClipRect(dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top);
  SendMessageA(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
  RestoreDC(dc, saved);
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (IsWindowVisible(*it)) PrintTree(*it, root, dc);
  }
}

}  // namespace detail

// The window and its visible children as they print themselves.
inline Picture PrintedPicture(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  detail::DibCanvas canvas(rect.right - rect.left, rect.bottom - rect.top);
  PatBlt(canvas.dc(), 0, 0, rect.right - rect.left, rect.bottom - rect.top, BLACKNESS);
  detail::PrintTree(window, window, canvas.dc());
  return canvas.Take();
}

// What the window shows, copied from its top-level window's surface after
// every pending paint.
inline Picture ShownPicture(HWND window) {
  HWND root = GetAncestor(window, GA_ROOT);
  RedrawWindow(root, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  DispatchPending();
  RECT rootRect{}, rect{};
  GetWindowRect(root, &rootRect);
  GetWindowRect(window, &rect);
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  detail::DibCanvas canvas(width, height);
  HDC source = GetWindowDC(root);
  BitBlt(canvas.dc(), 0, 0, width, height, source, rect.left - rootRect.left, rect.top - rootRect.top, SRCCOPY);
  ReleaseDC(root, source);
  return canvas.Take();
}

using PictureTaker = Picture (*)(HWND);

// A window's client area in pictures of the whole window. The caption is left
// out of comparisons: it changes with activation, which other programs on the
// display may take.
inline RECT ClientPlace(HWND window) {
  RECT outer{}, client{};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  OffsetRect(&client, origin.x - outer.left, origin.y - outer.top);
  return client;
}

}  // namespace pindrel::test
